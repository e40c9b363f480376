#pragma once
#include <utility>
#include <vector>

// A node's step along one piece of the path bound's graph: the node it
// leads to, the piece and its length, side by side for the searches.
struct PathArc {
  int to;
  int piece;
  double len;
};

// A graph given as adjacency lists: node u's steps are arcs[e] for e in
// [start[u], start[u + 1]); pieceLen sizes the pieces (lengths positive).
struct ArborescenceGraph {
  const std::vector<int>& start;
  const std::vector<PathArc>& arcs;
  const std::vector<double>& pieceLen;
};

// The working lists of steinerArborescence, kept by a caller that makes
// many; any content on entry.
struct ArborescenceScratch {
  std::vector<std::pair<double, int>> order;
  std::vector<int> carry, down, live;
  std::vector<char> alive;
};

// A Steiner arborescence over the graph: a tree in which every pin lies at
// its shortest distance from the first, whose routes run together as far
// from the first pin as the greedy merging of Rao, Sadowsky and Shor finds.
// Sweeping the nodes from the farthest in, each node takes up the clusters
// whose roots lie on shortest routes through it; where it meets two or
// more (or one and a pin), they join there into one cluster rooted at it,
// which is the pair of current roots whose common point on a shortest
// route from the first pin is farthest from it. Reads the graph, first
// (every node's shortest distance from the first pin over all the pieces,
// infinite where unreached) and pinNode (the pins' nodes, the first pin's
// first; -1 for a pin off the graph). Leaves in (one mark per piece, sized
// to pieceLen) the tree's pieces, joining every pin reached to the first
// pin; nothing where the first pin is off the graph. settled, where given,
// lists every node reached in the order of (first, node), as the search
// that measured first settled them, and spares the sort. Deterministic.
void steinerArborescence(const ArborescenceGraph& g,
                         const std::vector<double>& first,
                         const std::vector<int>& pinNode,
                         std::vector<char>& in,
                         ArborescenceScratch& s,
                         const std::vector<int>* settled = nullptr);
