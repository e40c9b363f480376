#pragma once
#include <list>
#include <vector>

class Vertex;
class SteinerCandidate;

// A spanning-graph edge, a spanning-tree edge (its path held as sub-edges) or
// one sub-edge of such a path. Lengths are rectilinear.
class Edge {
 public:
  Edge() = default;
  Edge(Vertex* u, Vertex* v) : pStart(u), pEnd(v) {}

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
  std::list<Edge*> subEdges;
  std::vector<SteinerCandidate*> candidates;
  int heapIndex = -1;
  float heapKey = -1.0f;
};
