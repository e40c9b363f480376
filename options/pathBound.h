#pragma once
#include <vector>

#include "spatial/freeRoute.h"
#include "spatial/obstacleIndex.h"
#include "spatial/wirePlan.h"

// A tree whose every pin lies, along it from the first pin, within
// (1 + eps) times its shortest obstacle-avoiding distance from there.
// Starting from the wires of a tree (short, unbounded), the pins are
// visited in the order a walk round the tree meets them; where a pin's way
// along the wire so far breaks the bound, a shortest route to it is added
// from the nearest pin whose way from the first pin, with that route,
// keeps the bound (the first pin itself at worst), so that the pins after
// it profit from the fresh start. The tree is then the shortest-path tree of
// the union from the first pin, pruned of branches that end at no pin, its
// straight runs merged. Parts that the first pin's does not reach keep their
// wire. Deterministic; eps >= 0. False, with out untouched, where the tree
// keeps the bound as it is, unless always (for wires drawn over one
// another, whose way along the drawing may be shorter than along the
// connections drawn).
bool boundPathTree(const std::vector<RoutePoint>& pins,
                   const ObstacleIndex& index,
                   const std::vector<Wire>& tree,
                   double eps,
                   std::vector<Wire>& out,
                   bool always = false);

// The lengths along the wires from the first pin to each pin (the
// shortest way along them; infinity for a pin they do not join to it).
std::vector<double> wireDistances(const std::vector<Wire>& wires,
                                  const std::vector<RoutePoint>& pins);
