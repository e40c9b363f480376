#pragma once
#include <vector>

#include "options/exactSteiner.h"
#include "spatial/obstacleIndex.h"
#include "spatial/wirePlan.h"

// A length that no rectilinear tree joining the pins and meeting no
// obstacle's open interior undercuts. Reads the pins, the obstacles and
// box (the pins' box grown by every obstacle that meets it, which holds a
// shortest tree); spends budget. Dual ascent on the directed-cut
// formulation over the escape graph of the pins, the obstacles' sides and
// the box's sides inside box (which holds a shortest tree inside box):
// from the first pin as root, a cut around a pin that the root does not
// yet reach over spent arcs is raised by its cheapest entering arc, one of
// at most twice the smallest such cut's nodes first, until the root
// reaches every pin or the budget is spent; every step keeps the bound
// proven, so an early stop leaves a weaker one. Grids of more than 4·10^7
// nodes, or a budget that does not pay for the graph, leave the half
// perimeter of the pins' box, below which the bound never is. The same
// input gives the same value.
double steinerLowerBound(const std::vector<RoutePoint>& pins,
                         const ObstacleIndex& obstacles,
                         const ObstacleIndex::Rect& box,
                         WorkBudget& budget);
