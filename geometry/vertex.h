#pragma once
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "support/inlineList.h"
#include "support/objectPool.h"

class Edge;
class Segment;
class BinMergTreeNode;
class SteinerCandidate;

// A pin, obstacle corner, Steiner point or turning point, with the adjacency
// lists of every graph the pipeline builds and the working fields of its
// stages.
class Vertex {
 public:
  Vertex(float x, float y, std::string type);
  // Storage comes back from the thread's last deleted vertices
  // (FreeList): a small net makes a few dozen of them.
  static void* operator new(size_t) { return FreeList<Vertex>::take(); }
  static void* operator new(size_t, void* at) { return at; }
  static void operator delete(void* p) { FreeList<Vertex>::give(p); }

  bool isAPin() const { return typeIs("pin"); }
  bool isACorner() const { return typeIs("corner"); }
  // Counts null entries of mstNbrs too: a connection taken out still counts.
  bool isASteinerPoint() const { return mstNbrs.size() >= 3 && !isAPin(); }
  void print() const;

  float x;
  float y;
  float pinDist = -1.0f;
  float mstVerDist = -1.0f;
  std::string type;
  bool visited = false;
  bool inTree;
  Vertex* pPrevCorner = nullptr;
  Vertex* pNextCorner = nullptr;
  Vertex* pPinRoot = nullptr;
  Vertex* pMstVerRoot = nullptr;
  Vertex* pPinPred = nullptr;
  Vertex* pMstVerPred = nullptr;
  // Kept inside the vertex up to a usual degree: a small net would otherwise
  // spend more on their storage than on the stages that fill them. An
  // obstacle corner takes part in all four sweeps and its ring, so most pass
  // eight spanning-graph neighbours.
  InlineList<Vertex*, 16> sgNbrs;
  InlineList<Vertex*, 4> mstNbrs;  // null where a connection was taken out
  InlineList<Edge*, 4> mstEdges;
  InlineList<Segment*, 4> segments;
  int heapIndex = -1;
  float heapKey = -1.0f;
  int dsRank = -1;
  Vertex* dsParent = nullptr;
  BinMergTreeNode* pMergTreeNode = nullptr;
  BinMergTreeNode* pLeafNode = nullptr;
  std::vector<SteinerCandidate*> queryCandidates;

 private:
  // The whole word, compared inline: the type tests run in every stage's
  // inner loops.
  template <size_t n>
  bool typeIs(const char (&word)[n]) const {
    return type.size() == n - 1 && std::memcmp(type.data(), word, n - 1) == 0;
  }
};
