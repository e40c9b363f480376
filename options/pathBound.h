#pragma once
#include <utility>
#include <vector>

#include "spatial/freeRoute.h"
#include "spatial/obstacleIndex.h"
#include "spatial/wirePlan.h"

// The working lists of boundPathTree, for a caller that bounds many nets on
// one thread to keep and pass; each call clears what it uses and gives a
// large net's storage back.
struct PathBoundScratch {
  WirePlanScratch planning;
  std::vector<Wire> wires, kept;
  std::vector<double> shortest, bound, along, reach, slack, best;
  std::vector<std::vector<RoutePoint>> routes;
  std::vector<std::pair<RoutePoint, RoutePoint>> grid;
  std::vector<int> pinNode, start, next, piece, via, parent, order, touched,
      viaReach, enter, leave, degree, stack, candidates, walk;
  std::vector<double> pieceLen;
  std::vector<char> in, onTree, pinAt, mark, treeIn, bestIn;
  std::vector<std::pair<double, int>> heap;
};

// A tree whose every pin lies, along it from the first pin, within
// (1 + eps) times its shortest obstacle-avoiding distance from there,
// built from the wires of a short unbounded tree (a shallow-light tree).
// One search from the first pin gives every pin's distance and a
// shortest-path tree; the two trees drawn together make the graph the
// rest works in. The pins are visited in the order a walk round the tree
// meets them; where a pin's way so far breaks the bound, it is joined from
// the nearest point of the wire whose way keeps the bound with the join
// (the first pin's shortest route always does). The union's shortest-path
// tree from the first pin is then pruned, and each branch in turn is moved
// to the nearest point of the rest whose way keeps every pin beyond it in
// bound, where that is shorter; rounds more than the first (rounds > 1)
// repeat that until no branch moves. Parts that the first pin does not
// reach keep their wire. Deterministic; eps >= 0. False, with out
// untouched, where the tree keeps the bound as it is, unless always (for
// wires drawn over one another, whose way along the drawing may be
// shorter than along the connections drawn). The overload with a scratch
// leaves the rectilinear check below to its caller.
bool boundPathTree(const std::vector<RoutePoint>& pins,
                   const ObstacleIndex& index,
                   const std::vector<Wire>& tree,
                   double eps,
                   std::vector<Wire>& out,
                   bool always = false);
bool boundPathTree(const std::vector<RoutePoint>& pins,
                   const ObstacleIndex& index,
                   const std::vector<Wire>& tree,
                   double eps,
                   std::vector<Wire>& out,
                   bool always,
                   int rounds,
                   PathBoundScratch& scratch);

// Whether the wires keep every pin within the bound of its rectilinear
// distance from the first pin: no route is shorter, so such a tree keeps
// the bound without a search among the obstacles.
bool keepsRectilinearBound(const std::vector<RoutePoint>& pins,
                           const std::vector<Wire>& tree,
                           double eps,
                           PathBoundScratch& scratch);

// The lengths along the wires from the first pin to each pin (the
// shortest way along them; infinity for a pin they do not join to it).
std::vector<double> wireDistances(const std::vector<Wire>& wires,
                                  const std::vector<RoutePoint>& pins);
