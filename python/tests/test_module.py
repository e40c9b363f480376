"""Trees from Python against the programs' files, and the tree object."""
import copy
import json
import os
import pickle
import stat
import subprocess
import sys

import numpy as np
import pytest
import treecore

from conftest import instance, run

# (program, its options, the Python call's keywords); the Python side
# routes every net among all obstacles, as the single-net programs do.
MODES = {
    "mst": ("oamst", [], dict(spanning=True)),
    "mstExact": ("oamst", ["--exact-graph"],
                 dict(spanning=True, exact_graph=True)),
    "smt": ("zorvane", [], {}),
    "smtExact": ("zorvane", ["--exact-graph"], dict(exact_graph=True)),
    "unrefined": ("zorvane", ["--no-refine"], dict(refine=False)),
    "optimized": ("zorvane", ["--optimize"], dict(optimize=True)),
}


def route(pins, obstacles, spanning=False, **options):
    if spanning:
        return treecore.spanning_tree(pins, obstacles, every_obstacle=True,
                                      **options)
    return treecore.steiner_tree(pins, obstacles, every_obstacle=True,
                                 **options)


# Touch and overlap have obstacles that meet; the optimizer takes its time
# on them and is held to the other two.
@pytest.mark.parametrize("name, mode", [
    (name, mode) for name in ["example", "RC01", "touch", "overlap"]
    for mode in sorted(MODES)
    if mode != "optimized" or name in ("example", "RC01")])
def test_tree_text_is_the_program_file(tmp_path, name, mode):
    program, flags, options = MODES[mode]
    pins_file, obst_file = instance(name)
    out = tmp_path / "out.txt"
    done = run(program, *flags, pins_file, obst_file, out)
    assert done.returncode in (0, 4), done.stderr
    tree = route(treecore.read_pins(pins_file),
                 treecore.read_obstacles(obst_file), **options)
    text = treecore.banner(spanning=program == "oamst") + tree.text()
    assert text == out.read_text()
    assert (tree.status == "forest") == (done.returncode == 4)


def test_arrays_are_the_program_json(tmp_path):
    pins_file, obst_file = instance("RC01")
    out = tmp_path / "out.json"
    done = run("zorvane", "--nets", pins_file, "--format", "json", obst_file,
               out)
    assert done.returncode in (0, 4), done.stderr
    expected = json.loads(out.read_text())
    tree = treecore.steiner_tree(treecore.read_pins(pins_file),
                                 treecore.read_obstacles(obst_file))
    assert tree.json(1) + "\n" == out.read_text()
    nodes = expected["nodes"]
    assert tree.nodes.tolist() == [[n["x"], n["y"]] for n in nodes]
    kinds = {"pin": treecore.PIN, "steinerPoint": treecore.STEINER_POINT}
    assert tree.kinds.tolist() == [kinds[n["kind"]] for n in nodes]
    assert tree.parents.tolist() == [n["parent"] for n in nodes]
    assert tree.parent_edges.tolist() == [n["edge"] for n in nodes]
    edges = expected["edges"]
    assert tree.edges.tolist() == [[e["from"], e["to"]] for e in edges]
    assert [p.tolist() for p in tree.paths] == [e["path"] for e in edges]
    assert tree.segments.tolist() == expected["segments"]
    assert tree.wire_length == expected["wireLength"]
    assert tree.parts == expected["parts"]
    assert tree.status == expected["status"]
    assert tree.message == expected["message"]


def test_tree_hangs_together_and_is_legal():
    pins_file, obst_file = instance("example")
    pins = treecore.read_pins(pins_file)
    obstacles = treecore.read_obstacles(obst_file)
    tree = treecore.steiner_tree(pins, obstacles)
    n = len(pins)
    assert (tree.nodes[:n] == pins).all()
    assert (tree.kinds[:n] == treecore.PIN).all()
    assert (tree.kinds[n:] == treecore.STEINER_POINT).all()
    assert tree.parents[0] == -1 and tree.parent_edges[0] == -1
    for child in range(1, len(tree.nodes)):
        edge = tree.parent_edges[child]
        assert tuple(tree.edges[edge]) == (tree.parents[child], child)
        path = tree.paths[edge]
        assert (path[0] == tree.nodes[tree.parents[child]]).all()
        assert (path[-1] == tree.nodes[child]).all()
        assert ((np.diff(path, axis=0) == 0).sum(axis=1) >= 1).all()
    report = treecore.check(pins, obstacles, tree.segments)
    assert report["legal"]
    assert report["wire_length"] == tree.wire_length
    assert tree.parts == 1 and tree.status == "ok" and tree.message == ""


def test_pins_on_a_line_at_large_x_are_one_tree():
    pins = [[1e6, .01], [1e6, 0], [1e6, 3.75], [1e6, .001]]
    ys = {np.float32(y) for _, y in pins}
    for tree in (treecore.spanning_tree(pins),
                 treecore.steiner_tree(pins, refine=False)):
        assert tree.status == "ok" and tree.parts == 1
        assert list(tree.parents).count(-1) == 1
        assert {np.float32(y) for y in tree.segments[:, [1, 3]].ravel()} <= ys
        assert treecore.check(pins, [], tree.segments)["legal"]


def test_arrays_are_kept_and_read_only():
    tree = treecore.steiner_tree([[0, 0], [4, 3], [8, 0]])
    assert tree.nodes is tree.nodes
    with pytest.raises(ValueError):
        tree.nodes[0, 0] = 1
    assert tree.segments.dtype == np.float64
    assert tree.edges.dtype == np.int64 and tree.kinds.dtype == np.uint8


# Protocols 0 and 1 once aborted the interpreter.
@pytest.mark.parametrize("copy_of", [
    *(lambda x, p=p: pickle.loads(pickle.dumps(x, protocol=p))
      for p in range(pickle.HIGHEST_PROTOCOL + 1)),
    copy.copy, copy.deepcopy,
], ids=[f"protocol{p}" for p in range(pickle.HIGHEST_PROTOCOL + 1)] +
       ["copy", "deepcopy"])
def test_pickled_tree_and_obstacles_come_back_equal(copy_of):
    pins_file, obst_file = instance("RC01")
    obstacles = treecore.read_obstacles(obst_file)
    tree = treecore.steiner_tree(treecore.read_pins(pins_file), obstacles)
    kept = treecore.spanning_trees([[[0, 2], [6, 2]], [[3, 2], [5, 2]]],
                                     [[2, -1, 4, 5]], errors="keep")
    for t in [tree, *kept]:
        again = copy_of(t)
        assert again is not t and again.json(3) == t.json(3)
        assert again.status == t.status and again.message == t.message
    back = copy_of(obstacles)
    assert back is not obstacles and len(back) == 10
    assert (back.corners == obstacles.corners).all()
    assert treecore.steiner_tree(treecore.read_pins(pins_file),
                                 back).text() == tree.text()
    cut = treecore.Tree.__new__(treecore.Tree)
    with pytest.raises(ValueError, match="not a pickled treecore.Tree"):
        cut.__setstate__(tree.__getstate__()[:-9])


def test_pins_as_lists_integers_and_decimals():
    as_list = treecore.steiner_tree([(0, 0), (10, 5), (5, 10)])
    as_ints = treecore.steiner_tree(np.array([[0, 0], [10, 5], [5, 10]]))
    assert as_list.text() == as_ints.text()
    tenth = treecore.steiner_tree([[0.1, 0], [0, 0.3]])
    # The decimal the pipeline's float stands for, as the text writes it.
    assert tenth.nodes[0, 0] == 0.1
    assert tenth.wire_length == 0.1 + 0.3
    assert tenth.text() == "0.1\t0\n0.1\t0.3\n\n0\t0.3\n0.1\t0.3\n\n"
    one = treecore.steiner_tree([[3, 4]])
    assert one.nodes.tolist() == [[3, 4]] and len(one.segments) == 0
    none = treecore.steiner_tree(np.zeros((0, 2)))
    assert none.parts == 0 and len(none.nodes) == 0


def test_obstacles_object():
    obstacles = treecore.Obstacles([[2, 0, 4, 4], [10, 10, 12, 12]])
    assert len(obstacles) == 2
    assert obstacles.rects.tolist() == [[2, 0, 4, 4], [10, 10, 12, 12]]
    assert obstacles.corners[0].tolist() == [[2, 0], [4, 0], [4, 4], [2, 4]]
    assert obstacles.near([[0, 2], [6, 2]]).tolist() == [0]
    blocked = treecore.steiner_tree([[0, 2], [6, 2]], obstacles)
    assert blocked.wire_length == 10
    assert len(treecore.Obstacles()) == 0
    ring = treecore.Obstacles.from_corners([[[4, 4], [4, 0], [2, 0], [2, 4]]])
    assert ring.rects.tolist() == [[2, 0, 4, 4]]
    assert ring.corners[0].tolist() == [[4, 4], [4, 0], [2, 0], [2, 4]]


def test_write_output_as_the_programs_write(tmp_path):
    target = tmp_path / "target.txt"
    target.write_text("old")
    target.chmod(0o600)
    link = tmp_path / "link"
    link.symlink_to("target.txt")
    treecore.write_output(link, ["tree ", b"text"])
    assert target.read_text() == "tree text" and link.is_symlink()
    assert stat.S_IMODE(target.stat().st_mode) == 0o600
    fifo = tmp_path / "fifo"
    os.mkfifo(fifo)
    reader = subprocess.Popen(["cat", fifo], stdout=subprocess.PIPE)
    treecore.write_output(str(fifo), ["piped"])
    assert reader.communicate()[0] == b"piped"
    assert stat.S_ISFIFO(fifo.stat().st_mode)
    # '-' and /dev/stdout are standard output, which appends here.
    log = tmp_path / "log.txt"
    log.write_text("first\n")
    script = ("import treecore; print('printed'); "
              "treecore.write_output('-', ['a']); "
              "treecore.write_output('/dev/stdout', ['b\\n'])")
    with open(log, "a") as out:
        subprocess.run([sys.executable, "-c", script], stdout=out, check=True)
    assert log.read_text() == "first\nprinted\nab\n"
    assert sorted(os.listdir(tmp_path)) == ["fifo", "link", "log.txt",
                                            "target.txt"]


def test_write_output_refuses_at_once_and_leaves_the_old_file(tmp_path):
    taken = []

    def chunks():
        taken.append(1)
        yield "never"
    missing = tmp_path / "missing" / "out.txt"
    with pytest.raises(OSError, match=f"cannot write {missing}: No such"):
        treecore.write_output(str(missing), chunks())
    assert taken == [], "refused before the first chunk is made"
    (tmp_path / "loop").symlink_to("loop")
    with pytest.raises(OSError, match="Too many levels of symbolic links"):
        treecore.write_output(str(tmp_path / "loop"), chunks())
    out = tmp_path / "out.txt"
    out.write_text("old")

    def interrupted():
        yield "new"
        raise KeyboardInterrupt
    with pytest.raises(KeyboardInterrupt):
        treecore.write_output(str(out), interrupted())
    assert out.read_text() == "old"
    assert sorted(os.listdir(tmp_path)) == ["loop", "out.txt"]
