#pragma once
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "options/arborescence.h"
#include "spatial/freeRoute.h"

// A search queue's entry: a length and a node packed so that one unsigned
// comparison orders them.
__extension__ typedef unsigned __int128 QueueKey;

// The searches' queue: a four-way min-heap of (length, node), each entry
// one 128-bit key whose order is that of the pair: a length's bits
// (finite, not negative, so ordered as the numbers are) above the node's.
// Its entries are distinct (a node's length only falls within a search), so
// the order of the pops is that of any queue; four ways make it shallower
// than two.
using SearchQueue = std::vector<QueueKey>;

inline QueueKey queueKey(double length, int node) {
  uint64_t bits;
  std::memcpy(&bits, &length, sizeof bits);
  return (static_cast<QueueKey>(bits) << 32) | static_cast<uint32_t>(node);
}

inline std::pair<double, int> queueEntry(QueueKey key) {
  uint64_t bits = static_cast<uint64_t>(key >> 32);
  double length;
  std::memcpy(&length, &bits, sizeof length);
  return {length, static_cast<int>(static_cast<uint32_t>(key))};
}

// Reads and leaves q a heap, with e added.
inline void queuePush(SearchQueue& q, QueueKey e) {
  size_t i = q.size();
  q.push_back(e);
  while (i > 0) {
    size_t up = (i - 1) / 4;
    if (!(e < q[up])) {
      break;
    }
    q[i] = q[up];
    i = up;
  }
  q[i] = e;
}

inline void queuePush(SearchQueue& q, double length, int node) {
  queuePush(q, queueKey(length, node));
}

// Reads a heap q, not empty; leaves it a heap without its least entry,
// which it returns.
inline QueueKey queuePopKey(SearchQueue& q) {
  QueueKey top = q[0];
  QueueKey e = q.back();
  q.pop_back();
  size_t n = q.size();
  if (n == 0) {
    return top;
  }
  size_t i = 0;
  for (;;) {
    size_t c = 4 * i + 1;
    if (c >= n) {
      break;
    }
    size_t m = c;
    if (c + 4 <= n) {
      // All four children, in pairs.
      size_t x = c + (q[c + 1] < q[c]);
      size_t y = c + 2 + (q[c + 3] < q[c + 2]);
      m = q[y] < q[x] ? y : x;
    } else {
      for (size_t k = c + 1; k < n; ++k) {
        if (q[k] < q[m]) {
          m = k;
        }
      }
    }
    if (!(q[m] < e)) {
      break;
    }
    q[i] = q[m];
    i = m;
  }
  q[i] = e;
  return top;
}

inline std::pair<double, int> queuePop(SearchQueue& q) {
  return queueEntry(queuePopKey(q));
}

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
  // The movable pins at each node and below it, and each node's movable
  // pins (from pinsAtStart[u] up to pinsAtStart[u + 1]).
  std::vector<int> movableAt, movableBelow, pinsAtStart, pinsAt;
  // The subtree group last tried in vain.
  std::vector<int> failedGroup;
  std::vector<double> along, reach, nodeBound, slack;
  std::vector<char> onTree, undoWas;
  std::vector<CutPoint> cut;
  std::vector<QueueKey> heap;
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
