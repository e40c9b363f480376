#pragma once
#include <vector>

#include "geometry/candidateList.h"
#include "geometry/edge.h"
#include "geometry/vertex.h"
#include "steiner/mergingTree.h"
#include "steiner/steinerCandidate.h"
#include "support/objectPool.h"

// What a Router's stages make and no list of the Router owns, freed with
// it: spanning-graph edges, sub-edges and partial edges, merging-tree nodes
// and Steiner candidates in pools (millions each on large nets), and the
// turning points and cut points.
class RouterStore {
 public:
  RouterStore() = default;
  RouterStore(const RouterStore&) = delete;
  RouterStore& operator=(const RouterStore&) = delete;
  ~RouterStore() {
    // A candidate owns its Steiner point, also once it has joined vertices.
    candidatePool.clear();
    for (Vertex* t : turningPoints) {
      delete t;
    }
    for (Vertex* c : cutPoints) {
      delete c;
    }
  }

  std::vector<Vertex*> turningPoints;
  std::vector<Vertex*> cutPoints;
  // Records only: the pools own them.
  std::vector<Edge*> partialEdges;
  std::vector<BinMergTreeNode*> mergTreeNodes;
  // What the tree edges' candidate lists borrow; declared before the edge
  // pool, so that it outlives every edge.
  CandidateBlock candidateLists;
  ObjectPool<Edge> edgePool;
  ObjectPool<BinMergTreeNode> mergTreeNodePool;
  ObjectPool<SteinerCandidate> candidatePool;
};
