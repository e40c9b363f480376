"""Timing figures on the Python tree, against the checker program."""
import pickle

import numpy as np
import pytest
import treecore

PINS = np.array([[0, 0], [6, 0], [3, 5], [8, 8]], dtype=float)
RECTS = np.array([[2, -1, 4, 2], [5, 4, 7, 9]], dtype=float)


def test_no_figures_unless_asked():
    assert treecore.steiner_tree(PINS, RECTS).timing is None


def test_figures_are_read_only_arrays_and_pickle():
    t = treecore.steiner_tree(PINS, RECTS, timing=True, driver_resistance=2,
                              pin_capacitance=1.5)
    f = t.timing
    assert f["path_length"].dtype == np.float64
    assert f["path_length"].shape == (4,)
    assert not f["stretch"].flags.writeable
    assert f["stretch"][0] == 1
    assert f["max_stretch"] == pytest.approx(f["stretch"][1:].max())
    assert f["radius"] == f["path_length"].max()
    assert np.all(f["path_length"] >= f["shortest"])
    back = pickle.loads(pickle.dumps(t))
    for k in ("path_length", "shortest", "stretch", "elmore_delay"):
        assert np.array_equal(back.timing[k], f[k])
    assert back.timing["max_stretch"] == f["max_stretch"]
    assert pickle.loads(pickle.dumps(treecore.steiner_tree(PINS))).timing \
        is None


def test_many_nets_same_figures_as_one():
    nets = [PINS, PINS[::-1], PINS[1:]]
    many = treecore.steiner_trees(nets, RECTS, timing=True, threads=3)
    for net, t in zip(nets, many):
        one = treecore.steiner_tree(net, RECTS, timing=True)
        assert np.array_equal(one.timing["elmore_delay"],
                              t.timing["elmore_delay"])


def test_negative_model_is_refused():
    with pytest.raises(ValueError):
        treecore.spanning_tree(PINS, RECTS, timing=True, pin_capacitance=-1)


@pytest.mark.parametrize("eps", [0, 0.1, 1])
def test_path_bound_holds(eps):
    for spanning in (False, True):
        call = treecore.spanning_tree if spanning else treecore.steiner_tree
        t = call(PINS, RECTS, timing=True, path_bound=eps)
        f = t.timing
        assert np.all(f["path_length"] <= (1 + eps) * f["shortest"] + 1e-9)
        many = treecore.steiner_trees([PINS], RECTS, path_bound=eps)
        assert many[0].timing is None
    with pytest.raises(ValueError):
        treecore.steiner_tree(PINS, RECTS, path_bound=-1)
