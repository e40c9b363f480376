"""Nets with integer coordinates no float holds, from Python: each tree is
the tree of the same net at the origin, moved by hand."""
import numpy as np
import pytest
import treecore

# Just past 2^24, around 2^30, up to 2^31 - 1 and down to -2^31.
OFFSETS = [16777217 - 40, 1073741823, 2147483647 - 60, -2147483648 + 1]

# A pin at the origin, so that each net's grown box starts there.
PINS = np.array([[0, 0], [50, 7], [13, 44], [31, 20], [8, 59], [57, 52]])
RECTS = np.array([[20, 10, 30, 30], [35, 35, 45, 58], [5, 25, 15, 40]])


@pytest.mark.parametrize("by", OFFSETS)
@pytest.mark.parametrize("spanning", [False, True])
def test_moved_nets_route_exactly(by, spanning):
    route = treecore.spanning_tree if spanning else treecore.steiner_tree
    here = route(PINS, RECTS)
    for pins, rects in [(PINS + by, RECTS + by),
                        ((PINS + by).astype(np.float64),
                         (RECTS + by).astype(np.float64))]:
        there = route(pins, treecore.Obstacles(rects))
        assert np.array_equal(there.segments, here.segments + by)
        assert np.array_equal(there.nodes, here.nodes + by)
        assert there.wire_length == here.wire_length
    many = treecore.spanning_trees if spanning else treecore.steiner_trees
    batch = many([PINS + by, PINS[:3] + by], treecore.Obstacles(RECTS + by))
    assert np.array_equal(batch[0].segments, here.segments + by)


def test_a_net_wider_than_its_frame_is_refused():
    with pytest.raises(treecore.BadCoordinateError,
                       match="spans 16777217 in x.*at most 16777216"):
        treecore.steiner_tree(np.array([[0, 0], [16777217, 3]]))
