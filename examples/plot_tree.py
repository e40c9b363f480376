#!/usr/bin/python3
"""Draws a Steiner tree with matplotlib: plot_tree.py [OUT.png].

Routes a random net among a few obstacles with the treecore module (the
build's python folder on PYTHONPATH) and draws the obstacles, the tree's
segments, its Steiner points and its pins. The README's picture is its
output.
"""
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
import treecore  # noqa: E402

rng = np.random.default_rng(5)
obstacles = treecore.Obstacles([[15, 20, 45, 35], [60, 10, 75, 60],
                                [20, 55, 50, 70], [80, 70, 95, 90]])
pins = rng.integers(0, 100, size=(40, 2))
pins = pins[[not any(x0 < x < x1 and y0 < y < y1
                     for x0, y0, x1, y1 in obstacles.rects)
             for x, y in pins]]
tree = treecore.steiner_tree(pins, obstacles)

fig, ax = plt.subplots(figsize=(6, 6))
for x0, y0, x1, y1 in obstacles.rects:
    ax.add_patch(plt.Rectangle((x0, y0), x1 - x0, y1 - y0, color="0.8"))
for x1, y1, x2, y2 in tree.segments:
    ax.plot([x1, x2], [y1, y2], color="tab:blue", linewidth=1.5)
steiner = tree.nodes[tree.kinds == treecore.STEINER_POINT]
ax.plot(steiner[:, 0], steiner[:, 1], "s", color="tab:orange", markersize=4)
ax.plot(pins[:, 0], pins[:, 1], "o", color="black", markersize=4)
ax.set_title(f"{len(pins)} pins, {len(steiner)} Steiner points, "
             f"wire length {tree.wire_length:g}")
ax.set_aspect("equal")
fig.savefig(sys.argv[1] if len(sys.argv) > 1 else "tree.png", dpi=100,
            bbox_inches="tight", metadata={"Software": None})
