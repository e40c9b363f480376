#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "options/arborescence.h"
#include "options/pathBoundRefine.h"
#include "spatial/freeRoute.h"
#include "spatial/linePlan.h"
#include "spatial/obstacleIndex.h"
#include "spatial/wirePlan.h"

// The working lists of boundPathTree, for a caller that bounds many nets on
// one thread to keep and pass; each call clears what it uses and gives a
// large net's storage back.
struct PathBoundScratch {
  WirePlanScratch planning;
  LinePlanScratch lines;
  WirePlan plan;
  std::vector<LineStretch> h, v, metH, metV;
  WirePlan metPlan;
  std::vector<int> metRuns, metStart, metNext, metFill, metReached;
  std::vector<RoutePoint> metPts;
  std::vector<double> metDist;
  std::vector<char> metOn, metWanted, metTree;
  std::vector<Wire> wires, kept;
  std::vector<double> shortest, bound, along, reach, slack;
  // The ways over the tree from the first pin (along, via, parent, order),
  // where the starts set out.
  std::vector<double> treeAlong;
  std::vector<int> treeVia, treeParent, treeOrder;
  // The moves: a number for each tree met (never reused), and per node the
  // tree on which its branch's search, and its subtree's, last found
  // nothing.
  uint64_t treeNumber = 0;
  std::vector<uint64_t> failedAt, failedAnyAt;
  // Each node's distance from the first pin over all the graph's pieces:
  // no way along a tree is shorter, which bounds the searches.
  std::vector<double> first;
  // The nodes in the order that search settled them.
  std::vector<int> firstOrder;
  std::vector<std::vector<RoutePoint>> routes;
  std::vector<std::pair<RoutePoint, RoutePoint>> grid;
  // Each node's steps, from start[u] up to start[u + 1].
  std::vector<PathArc> arcs;
  // The pieces of the result, in their order.
  std::vector<int> keptPieces;
  // The places of order's nodes, as the last walk left them.
  std::vector<float> orderX, orderY;
  std::vector<int> pinNode, start, via, parent, order, touched, viaReach, enter,
      leave, degree, stack, candidates, walk;
  std::vector<double> pieceLen;
  // The moves' re-rooting: each node's worst excess over its bound from it.
  std::vector<double> own, need, childTop, childNext;
  std::vector<int> origin;
  std::vector<char> in, onTree, pinAt, mark, treeIn, bestIn, pieceDone;
  std::vector<QueueKey> heap;
  // The first search's buckets: per bucket its last entry, a bit per
  // bucket filled; per entry the one before in its bucket, its node and
  // length; the bucket's nodes being settled.
  std::vector<int> bucketHead, bucketNext, bucketNode, bucketBatch;
  std::vector<uint64_t> bucketBits;
  std::vector<double> bucketLength;
  BoundRefineScratch refine;
  ArborescenceScratch arbor;
  std::vector<char> arborIn;
  std::vector<int> breaks;
  // Whether a move's search is skipped where straight distances show it
  // finds nothing (false: every move searches, for tests to compare; the
  // trees are the same).
  bool straightTest = true;
  // Whether keepsRectilinearBound walks few wires without planning them
  // (false: always planned, for tests to compare).
  bool fewWires = true;
};

// A tree whose every pin lies, along it from the first pin, within
// (1 + eps) times its shortest obstacle-avoiding distance from there,
// built from the wires of a short unbounded tree (a shallow-light tree).
// Reads the pins (the first drives), the obstacles and the tree; leaves in
// out clean wires (cleanWires) that keep the bound. The escape graph's
// lines drawn with the tree (or, for large nets, what one search from the
// first pin met, or a tree of shortest routes) make the graph the rest
// works in, with every pin's distance from one search. The pins are
// visited in the order a walk round the tree meets them; a pin whose way
// breaks the bound is moved, with all beyond it, onto a way from the
// nearest point of the tree that keeps it in bound (the first pin's
// shortest route always does). Then each branch in turn moves to the
// nearest point of the rest whose way keeps every pin beyond it in bound,
// where that is shorter (on nets of 20 pins or more, also with the subtree
// hung from any of its points). Starts: the tree, a shortest-path tree
// made from it, on nets of 20 pins or more one grown from the first pin
// (and below 100 pins the tree with an arborescence over the pins it
// leaves past their bound), and an arborescence over all. effort (from 1) buys
// starts (joins with less allowance, pins nearest first) and passes of moves;
// the shortest result wins, so that from the same tree more effort is never
// longer. Parts that the first pin does not reach keep their wire.
// Deterministic; eps >= 0. False, with out untouched, where the tree keeps the
// bound as it is, unless always (for wires drawn over one another, whose way
// along the drawing may be shorter than along the connections drawn). The
// overload with a scratch leaves the rectilinear check below to its caller.
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
                   int effort,
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
