#!/usr/bin/env python3
"""The least wire a path bound costs on an obstacle-free net, over a grid.

   bench/pathBoundPrice.py [--relax] [--refine K] [--time S] PIN_FILE EPS

Solves, over the grid of the pins' lines (each gap cut into K, default 1),
the shortest tree in which every pin's path from the first pin is at most
(1 + EPS) times its rectilinear distance: an arc per grid step chosen or not,
a unit flow per pin from the first pin over the chosen arcs whose length
keeps the bound, each node entered once.  Any such tree is a solution, and
the shortest-path tree of any solution is one, so the optimum is the grid's
shortest bounded tree; --relax gives the linear programme's value, a lower
bound for it.  Branch points off the grid can be shorter still (a finer
--refine shows how much), so this measures the bound's own price, not a
proven bound for every tree.  Needs the PuLP module and the CBC solver
(Debian: python3-pulp, coinor-cbc); not part of the build or the tests.
"""
import argparse
import sys

try:
    import pulp
except ImportError:
    sys.exit("pathBoundPrice: needs the PuLP module (Debian: python3-pulp, coinor-cbc)")


def read_pins(path):
    pins = []
    with open(path) as f:
        for n, line in enumerate(f, 1):
            t = line.split()
            if len(t) < 3 or t[2] != "pin":
                sys.exit(f"pathBoundPrice: {path}:{n}: not a pin record")
            if t[0] == "-1" and t[1] == "-1":
                return pins
            pins.append((float(t[0]), float(t[1])))
    sys.exit(f"pathBoundPrice: {path}: no end record")


def grid(values, refine):
    v = sorted(set(values))
    out = []
    for a, b in zip(v, v[1:]):
        out += [a + (b - a) * i / refine for i in range(refine)]
    return out + v[-1:]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("pins")
    ap.add_argument("eps", type=float)
    ap.add_argument("--relax", action="store_true")
    ap.add_argument("--refine", type=int, default=1)
    ap.add_argument("--time", type=int, default=600)
    a = ap.parse_args()
    pins = read_pins(a.pins)
    xs, ys = grid([p[0] for p in pins], a.refine), grid([p[1] for p in pins], a.refine)
    root = pins[0]

    def dist(p, q):
        return abs(p[0] - q[0]) + abs(p[1] - q[1])

    arcs = []
    for i, x in enumerate(xs):
        for j, y in enumerate(ys):
            if i + 1 < len(xs):
                arcs += [((x, y), (xs[i + 1], y)), ((xs[i + 1], y), (x, y))]
            if j + 1 < len(ys):
                arcs += [((x, y), (x, ys[j + 1])), ((x, ys[j + 1]), (x, y))]
    kind = "Continuous" if a.relax else "Binary"
    prob = pulp.LpProblem("price", pulp.LpMinimize)
    x = {arc: pulp.LpVariable(f"x{n}", 0, 1, kind) for n, arc in enumerate(arcs)}
    prob += pulp.lpSum(dist(*arc) * x[arc] for arc in arcs)
    for k, t in enumerate(p for p in dict.fromkeys(pins[1:]) if p != root):
        cap = (1 + a.eps) * dist(root, t) * (1 + 1e-9)
        # Only steps on some path within the bound can carry the pin's flow.
        use = [arc for arc in arcs if dist(root, arc[0]) + dist(*arc) + dist(arc[1], t) <= cap]
        f = {arc: pulp.LpVariable(f"f{k}_{n}", 0, 1, kind) for n, arc in enumerate(use)}
        net = {}
        for arc in use:
            prob += f[arc] <= x[arc]
            net.setdefault(arc[0], []).append(f[arc])
            net.setdefault(arc[1], []).append(-f[arc])
        for v, terms in net.items():
            prob += pulp.lpSum(terms) == (1 if v == root else -1 if v == t else 0)
        prob += pulp.lpSum(dist(*arc) * f[arc] for arc in use) <= cap
    entering = {}
    for arc in arcs:
        entering.setdefault(arc[1], []).append(x[arc])
    for terms in entering.values():
        prob += pulp.lpSum(terms) <= 1
    status = prob.solve(pulp.COIN_CMD(msg=0, timeLimit=a.time, threads=1))
    print(f"{a.pins} eps {a.eps} refine {a.refine} {'lp' if a.relax else 'ilp'}: "
          f"{pulp.LpStatus[status]} ({pulp.LpSolution[prob.sol_status]}) "
          f"{pulp.value(prob.objective):.3f}")


main()
