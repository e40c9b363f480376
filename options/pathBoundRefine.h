#pragma once
#include <utility>
#include <vector>

#include "options/arborescence.h"
#include "spatial/freeRoute.h"

// A point a try took off the tree, with its way there.
struct CutPoint {
  int node, parent, via;
  double along;
};

// The working lists of refineBoundedTree, for a caller that refines many
// trees to keep; any content on entry.
struct BoundRefineScratch {
  std::vector<int> parent, via, order, degree, pinCount, stack, touched,
      viaReach, pending, undo, near, joinOrder, pos, size, keys;
  std::vector<double> along, reach, nodeBound, slack;
  std::vector<char> onTree, undoWas;
  std::vector<CutPoint> cut;
  std::vector<std::pair<double, int>> heap;
};

// Shortens a tree that keeps every pin within its bound, keeping it so:
// a few pins near one another (each pin with up to a handful of its
// nearest) leave the tree, the branches that served only them go, and
// they join again one by one, nearest the first pin first, each at the nearest
// point of the tree whose way keeps it in bound; kept where the tree gets
// shorter. Such a rebuild changes which pins share wire, which a move of
// one branch cannot. Reads the graph, its nodes' places, the pins' nodes
// (the first pin's first; -1 off the graph), each pin's bound on its way
// from the first pin (infinite: unbounded) and first (each node's shortest
// distance from the first pin over all the pieces). in marks the tree's
// pieces; only the part the first pin reaches changes, and only where it
// is a tree. effort (from 1) buys larger groups and passes. Returns whether
// in changed. Deterministic.
bool refineBoundedTree(const ArborescenceGraph& g,
                       const std::vector<RoutePoint>& nodes,
                       const std::vector<int>& pinNode,
                       const std::vector<double>& bound,
                       const std::vector<double>& first,
                       std::vector<char>& in,
                       int effort,
                       BoundRefineScratch& s);
