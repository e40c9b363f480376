#pragma once
#include <vector>

#include "options/exactSteiner.h"
#include "spatial/obstacleIndex.h"
#include "spatial/wirePlan.h"

// A length that no rectilinear tree joining the pins and meeting no
// obstacle's open interior undercuts. Dual ascent on the directed-cut
// formulation over the grid of the pins', the box's and the obstacles'
// coordinates inside box (the pins' box grown by every obstacle that meets
// it, which holds a shortest tree): from the first pin as root, a cut
// around a pin that the root does not yet reach over spent edges is raised
// by its cheapest entering edge, the smallest such cut first, until the
// root reaches every pin or the budget is spent; every step keeps the
// bound proven, so an early stop leaves a weaker one. Never below the
// half perimeter of the pins' box. The same input gives the same value.
double steinerLowerBound(const std::vector<RoutePoint>& pins,
                         const ObstacleIndex& obstacles,
                         const ObstacleIndex::Rect& box,
                         WorkBudget& budget);
