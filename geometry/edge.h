#pragma once
#include "geometry/candidateList.h"
#include "support/inlineList.h"
#include "support/objectPool.h"

class Vertex;
class SteinerCandidate;

// A spanning-graph edge, a spanning-tree edge (its path held as sub-edges) or
// one sub-edge of such a path. Lengths are rectilinear.
class Edge {
 public:
  Edge() = default;
  Edge(Vertex* u, Vertex* v) : pStart(u), pEnd(v) {}
  // Storage comes back from the thread's last deleted edges
  // (FreeList): a small net makes a few dozen of them.
  static void* operator new(size_t) { return FreeList<Edge>::take(); }
  static void* operator new(size_t, void* at) { return at; }
  static void operator delete(void* p) { FreeList<Edge>::give(p); }

  float length() const;
  // Shortest pin-to-pin path through this edge, once both ends know pinDist.
  float pinPathLen() const;
  // Sum of the sub-edges' lengths; 0 without sub-edges.
  float mstEdgeLen() const;
  void print() const;
  void printAsASubEdge() const;

  bool visited = false;
  bool removed = false;
  Vertex* pStart = nullptr;
  Vertex* pEnd = nullptr;
  // In path order. Most paths are a few steps: they stay inside the edge.
  InlineList<Edge*, 4> subEdges;
  // Storage most often borrowed from the Router (gainComputation).
  CandidateList candidates;
  int heapIndex = -1;
  float heapKey = -1.0f;
};
