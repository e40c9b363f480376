#pragma once
#include <vector>

#include "options/exactSteiner.h"
#include "options/flatSteiner.h"
#include "spatial/wirePlan.h"

class ObstacleIndex;

// Shortens a tree of wires and never lengthens it. Around each branch
// point or pin it takes the stretch of tree that joins a few pins and
// branch points (the window's ends) and, where an optimal tree over the
// same ends inside the stretch's bounding box is shorter, puts that in its
// place; the ends stay joined, so the tree stays whole. Rounds over the
// whole tree go on with ever larger windows, up to maxEnds ends, until
// none gains or the budget is spent; they start at minEnds ends. Returns
// the tree as clean wires (cleanWires).
std::vector<Wire> improveTree(const std::vector<Wire>& wires,
                              const std::vector<RoutePoint>& pins,
                              const ObstacleIndex& obstacles,
                              int maxEnds,
                              WorkBudget& budget,
                              int minEnds = 3);
// The same with the solvers' working storage kept and passed by the caller.
std::vector<Wire> improveTree(const std::vector<Wire>& wires,
                              const std::vector<RoutePoint>& pins,
                              const ObstacleIndex& obstacles,
                              int maxEnds,
                              WorkBudget& budget,
                              WirePlanScratch& plan,
                              FlatScratch& flat,
                              ExactScratch& exact,
                              int minEnds = 3);

// Rectilinear length of the wires, summed in double.
double wireLength(const std::vector<Wire>& wires);
