"""check() against treecheck on the same files."""
import json

import pytest
import treecore

from conftest import instance, run

# treecheck's JSON names, in the order of check()'s keys.
NAMES = {
    "pieces": "pieces",
    "diagonal_pieces": "diagonalPieces",
    "total_length": "totalLength",
    "wire_length": "wireLength",
    "pins": "pins",
    "obstacles": "obstacles",
    "pins_off_tree": "pinsOffTree",
    "parts_holding_pins": "partsHoldingPins",
    "obstacle_crossings": "obstacleCrossings",
    "crossing_length": "crossingLength",
    "legal": "legal",
}


def treecheck(tmp_path, pins_file, obst_file, segments):
    tree_file = tmp_path / "tree.txt"
    tree_file.write_text("# pieces\n" + "".join(
        f"{x1!r}\t{y1!r}\n{x2!r}\t{y2!r}\n\n" for x1, y1, x2, y2 in segments))
    done = run("treecheck", "--json", pins_file, obst_file, tree_file)
    assert done.returncode in (0, 4), done.stderr
    return json.loads(done.stdout)


def expect_same(report, expected):
    assert set(report) == set(NAMES) | {"crossing_pieces"}
    assert {k: report[k] for k in NAMES} == \
        {k: expected[v] for k, v in NAMES.items()}


@pytest.mark.parametrize("name", ["example", "RC01"])
def test_report_of_a_routed_tree_is_treechecks(tmp_path, name):
    pins_file, obst_file = instance(name)
    pins = treecore.read_pins(pins_file)
    obstacles = treecore.read_obstacles(obst_file)
    tree = treecore.steiner_tree(pins, obstacles, refine=False)
    report = treecore.check(pins, obstacles, tree.segments)
    expect_same(report, treecheck(tmp_path, pins_file, obst_file,
                                  tree.segments.tolist()))
    assert report["crossing_pieces"] == []


def test_report_of_a_broken_drawing_is_treechecks(tmp_path):
    # A straight wire through the block, a diagonal one, a pin off both.
    pins = [[0, 0], [10, 0], [20, 20]]
    segments = [[0, 0, 10, 0], [0, 0, 5, 5]]
    pins_file, obst_file = tmp_path / "pins.txt", tmp_path / "obst.txt"
    pins_file.write_text("0 0 pin\n10 0 pin\n20 20 pin\n")
    obst_file.write_text("4 -2 corner\n6 -2 corner\n6 2 corner\n4 2 corner\n")
    report = treecore.check(pins, [[4, -2, 6, 2]], segments)
    expect_same(report, treecheck(tmp_path, pins_file, obst_file, segments))
    assert report["crossing_pieces"] == [0] and not report["legal"]
    assert report["diagonal_pieces"] == 1 and report["pins_off_tree"] == 1


def test_coordinates_come_back_as_written(tmp_path):
    # 99992016 was written as 9.999202e+07: a pin off the tree, two
    # crossings, and a wire length that disagreed with the coordinates.
    pins = [[99992000, 5], [99992048, 5]]
    rect = [[99992016, 0, 99992032, 10]]
    for form in (treecore.spanning_tree, treecore.steiner_tree):
        tree = form(pins, treecore.Obstacles(rect))
        assert "99992016" in tree.text()
        report = treecore.check(pins, rect, tree.segments)
        assert report["legal"] and report["pins_off_tree"] == 0
        assert json.loads(tree.json(1))["wireLength"] == report["wire_length"]
        assert tree.wire_length == report["wire_length"] == 58
    (tmp_path / "pins.txt").write_text("0.1 1.4013e-45 pin\n")
    read = treecore.read_pins(tmp_path / "pins.txt")
    assert read.tolist() == [[0.1, 1.4013e-45]]
