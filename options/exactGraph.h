#pragma once
#include <utility>
#include <vector>

#include "spatial/freeRoute.h"
#include "spatial/obstacleIndex.h"

// The cut-line graph as values: the points it adds and its edges, in the
// order they are made, which decides the ties of every stage after it.
struct ExactGraph {
  // The points it puts on its cut lines, numbered after the sites in this
  // order.
  std::vector<RoutePoint> cutPoints;
  // By their ends' numbers (sites, then cut points), in the order found.
  std::vector<std::pair<int, int>> edges;
};

// A graph over the sites in which every two pins are joined by a path as
// short as their shortest route round the obstacles, every edge free.
// pins[i] says whether site i is a pin: of the pairs between two pins only
// those nearest in each octant are kept. The sites must lie in no
// obstacle's open interior.
ExactGraph buildExactGraph(const std::vector<RoutePoint>& sites,
                           const std::vector<char>& pins,
                           const ObstacleIndex& index);
