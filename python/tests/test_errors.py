"""Bad input raises, with the programs' own messages."""
import math
import re

import numpy as np
import pytest
import treecore

from conftest import run

BLOCK = [[2, 0, 4, 4]]


@pytest.mark.parametrize("pins, shape", [
    ([1, 2], "(2,)"),
    ([[1, 2, 3]], "(1, 3)"),
    (np.zeros((2, 2, 2)), "(2, 2, 2)"),
])
def test_pins_of_the_wrong_shape(pins, shape):
    with pytest.raises(ValueError,
                       match=re.escape(f"pins must be an (n, 2) array; "
                                       f"got shape {shape}")):
        treecore.steiner_tree(pins)


def test_other_arrays_of_the_wrong_shape():
    with pytest.raises(ValueError, match=re.escape(
            "obstacles must be an (n, 4) array; got shape (1, 3)")):
        treecore.steiner_tree([[0, 0]], [[0, 0, 1]])
    with pytest.raises(ValueError, match=re.escape(
            "nets[1] must be an (n, 2) array; got shape (3,)")):
        treecore.steiner_trees([[[0, 0], [1, 1]], [0, 0, 1]])
    with pytest.raises(ValueError, match=re.escape(
            "segments must be an (n, 4) array; got shape (1, 2)")):
        treecore.check([[0, 0]], None, [[0, 0]])
    with pytest.raises(ValueError, match=re.escape("(m, 4, 2) array")):
        treecore.Obstacles.from_corners([[0, 0, 1, 1]])
    with pytest.raises(TypeError, match="pins must be an array of numbers"):
        treecore.steiner_tree([["a", "b"]])


def test_nan_and_values_single_precision_does_not_hold():
    with pytest.raises(treecore.BadCoordinateError,
                       match="^pin 2: x is not a finite number$"):
        treecore.steiner_tree([[0, 0], [math.nan, 1]])
    with pytest.raises(ValueError, match=re.escape(
            "pin 1: y 16777217 is not a single-precision value: it would "
            "become 16777216")):
        treecore.spanning_tree([[0, 16777217]])
    with pytest.raises(ValueError, match="^obstacle 2: ylo is not a finite"):
        treecore.Obstacles([[0, 0, 1, 1], [0, math.nan, 1, 1]])
    with pytest.raises(ValueError, match="not a box of positive width"):
        treecore.steiner_tree([[0, 0]], [[5, 0, 5, 1]])
    with pytest.raises(treecore.BadCoordinateError,
                       match=r"^segments\[0\] y2 is not a finite number$"):
        treecore.check([[0, 0]], None, [[0, 0, 1, math.inf]])


def test_pin_inside_an_obstacle_says_what_the_program_says(tmp_path):
    (tmp_path / "pins.txt").write_text("3 2 pin\n5 2 pin\n")
    (tmp_path / "obst.txt").write_text(
        "2 0 corner\n4 0 corner\n4 4 corner\n2 4 corner\n")
    out = tmp_path / "out.txt"
    done = run("zorvane", "--nets", tmp_path / "pins.txt",
               tmp_path / "obst.txt", out)
    assert done.returncode == 4
    written = out.read_text().splitlines()[-1]
    status = "# status pinInsideObstacle: "
    assert written.startswith(status)
    message = written[len(status):]
    with pytest.raises(treecore.PinInsideObstacleError) as raised:
        treecore.steiner_tree([[3, 2], [5, 2]], BLOCK)
    assert str(raised.value) == message
    assert isinstance(raised.value, ValueError)
    with pytest.raises(treecore.PinInsideObstacleError,
                       match=re.escape("nets[1]: " + message)):
        treecore.steiner_trees([[[0, 2], [5, 2]], [[3, 2], [5, 2]]], BLOCK)
    kept = treecore.spanning_trees([[[0, 2], [5, 2]], [[3, 2], [5, 2]]],
                                   BLOCK, errors="keep")
    assert [t.status for t in kept] == ["ok", "pinInsideObstacle"]
    assert kept[1].message == message and len(kept[1].nodes) == 0


def test_options_that_do_not_go_together():
    with pytest.raises(ValueError, match="does not go with refine=False"):
        treecore.steiner_tree([[0, 0]], optimize=True, refine=False)
    with pytest.raises(ValueError, match="errors must be 'raise' or 'keep'"):
        treecore.steiner_trees([], errors="ignore")
    with pytest.raises(ValueError, match="threads must be from 1 to 4096"):
        treecore.steiner_trees([], threads=0)
    with pytest.raises(TypeError):
        treecore.steiner_tree([[0, 0]], None, True)


def test_files_that_cannot_be_read_say_what_the_program_says(tmp_path):
    bad = tmp_path / "bad.txt"
    bad.write_text("3 2 pin\n5 x pin\n")
    obst = tmp_path / "obst.txt"
    obst.write_text("2 0 corner\n4 0 corner\n4 4 corner\n2 4 corner\n")
    done = run("zorvane", bad, obst, tmp_path / "out.txt")
    assert done.returncode == 2
    message = done.stderr.strip().removeprefix("zorvane: ")
    with pytest.raises(ValueError) as raised:
        treecore.read_pins(bad)
    assert str(raised.value) == message
    with pytest.raises(ValueError) as raised:
        treecore.read_nets(bad)
    assert str(raised.value) == message
    with pytest.raises(ValueError, match=re.escape(str(bad))):
        treecore.read_obstacles(bad)
    with pytest.raises(OSError, match="cannot open .*missing.txt"):
        treecore.read_nets(tmp_path / "missing.txt")
