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
        treecore.steiner_tree([[0, 0], [1]])


# Each was once cast to doubles silently: the imaginary parts, the digits'
# text or the mask dropped.
@pytest.mark.parametrize("values, kind", [
    (np.array([[0, 0], [1 + 2j, 3]]), "dtype complex128"),
    ([[0, 0], [1j, 3]], "dtype complex128"),
    (np.array([["0", "0"], ["1", "3"]]), "dtype <U1"),
    ([["0", 0], [1, 3]], "dtype <U21"),
    (np.array([[0, 0], ["1", 3]], dtype=object), "dtype object"),
    (np.ma.array([[0, 0], [1, 3]], mask=[[0, 0], [1, 0]]), "masked array"),
])
def test_arrays_that_are_not_real_numbers(values, kind):
    if isinstance(values, np.ndarray):
        as_rects = np.ma.hstack if np.ma.isMaskedArray(values) else np.hstack
        as_rects = as_rects([values, values])
    else:
        as_rects = [row * 2 for row in values]
    corners = np.stack([np.asarray(values)] * 2)
    calls = {
        "pins": [lambda: treecore.steiner_tree(values),
                 lambda: treecore.spanning_tree(values),
                 lambda: treecore.Obstacles().near(values),
                 lambda: treecore.check(values, None, np.zeros((0, 4)))],
        "nets[1]": [lambda: treecore.steiner_trees([[[0, 0]], values]),
                    lambda: treecore.spanning_trees([[[0, 0]], values])],
        "obstacles": [lambda: treecore.steiner_tree([[0, 0]], as_rects),
                      lambda: treecore.spanning_trees([], as_rects),
                      lambda: treecore.Obstacles(as_rects),
                      lambda: treecore.check([[0, 0]], as_rects,
                                             np.zeros((0, 4)))],
        "segments": [lambda: treecore.check([[0, 0]], None, as_rects)],
    }
    if not isinstance(values, np.ma.MaskedArray):
        calls["corners"] = [lambda: treecore.Obstacles.from_corners(
            corners.reshape(1, 4, 2))]
    for name, tries in calls.items():
        for call in tries:
            with pytest.raises(TypeError, match=re.escape(name) + " must "
                               ".*" + re.escape(kind)):
                call()


def test_arrays_of_real_numbers_of_any_kind_are_taken():
    expected = treecore.steiner_tree([[0, 0], [1, 3]]).text()
    for pins in [np.array([[0, 0], [1, 3]], dtype=np.uint8),
                 np.array([[0, 0], [1, 3]], dtype=np.float32),
                 np.array([[0, 0], [1, 3]], dtype=object),
                 [[0, 0.0], [np.int16(1), np.float64(3)]]]:
        assert treecore.steiner_tree(pins).text() == expected


def test_nan_and_values_single_precision_does_not_hold():
    with pytest.raises(treecore.BadCoordinateError,
                       match="^pin 2: x is not a finite number$"):
        treecore.steiner_tree([[0, 0], [math.nan, 1]])
    with pytest.raises(ValueError, match=re.escape(
            "pin 1: y 16777217.5 is not a single-precision value: it would "
            "become 16777218")):
        treecore.spanning_tree([[0, 16777217.5]])
    with pytest.raises(ValueError, match=re.escape(
            "pin 1: y 2147483649 is not a single-precision value")):
        treecore.spanning_tree([[0, 2147483649]])
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

    with pytest.raises(TypeError):
        treecore.steiner_tree([[0, 0]], None, True)


@pytest.mark.parametrize("threads, error, message", [
    (True, TypeError, "threads must be an int or None, not bool"),
    (np.True_, TypeError, "threads must be an int or None, not numpy.bool_"),
    (1.5, TypeError, "threads must be an int or None, not float"),
    ("2", TypeError, "threads must be an int or None, not str"),
    (-1, ValueError, "threads must be from 0 to 4096 (0 or None: one per "
                     "core); got -1"),
    (4097, ValueError, "threads must be from 0 to 4096"),
    (2**70, ValueError, "threads must be from 0 to 4096"),
])
def test_thread_counts_that_are_refused(threads, error, message):
    for call in treecore.steiner_trees, treecore.spanning_trees:
        with pytest.raises(error, match="^" + re.escape(message)):
            call([[[0, 0], [1, 1]]], threads=threads)


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


def test_near_refuses_what_no_float_holds():
    # NaN kept the grown box from ever equalling itself: near never returned.
    obstacles = treecore.Obstacles([[0, 0, 2, 2]])
    for o in (treecore.Obstacles(), obstacles):
        with pytest.raises(ValueError, match="^pin 1: x is not a finite"):
            o.near(np.array([[np.nan, 0]]))
        with pytest.raises(ValueError, match="^pin 2: y is not a finite"):
            o.near([[0, 0], [0, math.inf]])
        with pytest.raises(ValueError,
                           match="^pin 1: x is beyond single precision$"):
            o.near([[1e39, 0]])
    with pytest.raises(treecore.BadCoordinateError,
                       match="^pin 1: x is beyond single precision$"):
        treecore.steiner_tree([[1e39, 0]])


def test_values_a_float_writes_back_otherwise_are_refused():
    with pytest.raises(treecore.BadCoordinateError, match=re.escape(
            "pin 2: y 0.30000001 is not a single-precision value: it would "
            "become 0.3")):
        treecore.spanning_tree([[0, 0], [1, 0.30000001]])
    with pytest.raises(treecore.BadCoordinateError, match=re.escape(
            "it would become 99992016")):
        treecore.spanning_tree([[99992019.5, 0]])
    with pytest.raises(ValueError, match=re.escape("it would become 0.1")):
        treecore.Obstacles([[0, 0, float(np.float32(0.1)), 1]])
    # A float32 array's values are the decimals they print as.
    tree = treecore.steiner_tree(np.array([[0.1, 0], [0, 0.3]], np.float32))
    assert tree.nodes.tolist() == [[0.1, 0], [0, 0.3]]
