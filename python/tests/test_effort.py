"""effort= and bound= of the optimized trees."""
import pickle

import numpy as np
import pytest
import treecore

PINS = np.array([[0, 0], [40, 3], [12, 30], [33, 41], [5, 22], [28, 17],
                 [44, 29], [18, 8], [9, 44], [37, 9], [22, 38], [3, 12]],
                dtype=float)
OBSTACLES = np.array([[10, 10, 16, 20], [25, 22, 32, 30], [30, 0, 35, 6]],
                     dtype=float)


def test_levels_never_longer_and_bound_below():
    below = float("inf")
    for effort in (1, 2, 3):
        tree = treecore.steiner_tree(PINS, OBSTACLES, optimize=True,
                                     effort=effort, bound=True)
        assert tree.status == "ok"
        assert tree.wire_length <= below
        below = tree.wire_length
        assert 0 <= tree.lower_bound <= tree.wire_length
        assert treecore.check(PINS, OBSTACLES, tree.segments)["legal"]
    plain = treecore.steiner_tree(PINS, OBSTACLES, optimize=True)
    assert plain.lower_bound is None
    same = treecore.steiner_tree(PINS, OBSTACLES, optimize=True, effort=1)
    assert np.array_equal(plain.segments, same.segments)


def test_batch_matches_one_net_and_pickles_the_bound():
    trees = treecore.steiner_trees([PINS, PINS[:5]], OBSTACLES, threads=2,
                                   optimize=True, effort=2, bound=True)
    one = treecore.steiner_tree(PINS, OBSTACLES, optimize=True, effort=2,
                                bound=True)
    assert np.array_equal(trees[0].segments, one.segments)
    assert trees[0].lower_bound == one.lower_bound
    back = pickle.loads(pickle.dumps(trees[1]))
    assert back.lower_bound == trees[1].lower_bound


@pytest.mark.parametrize("keywords", [
    dict(effort=2), dict(bound=True), dict(optimize=True, effort=0),
    dict(optimize=True, effort=21)])
def test_refused(keywords):
    with pytest.raises(ValueError):
        treecore.steiner_tree(PINS, OBSTACLES, **keywords)


@pytest.mark.parametrize("effort", [1.0, True, "2"])
def test_effort_not_an_integer(effort):
    with pytest.raises(TypeError):
        treecore.steiner_tree(PINS, OBSTACLES, optimize=True, effort=effort)
