#pragma once
#include <vector>

#include "support/disjointSet.h"

class Vertex;
class Edge;

// Leaf: a pin. Internal node: the spanning-tree edge that joined the two
// components its children stand for.
class BinMergTreeNode {
 public:
  enum Attribute : unsigned char { internalNode = 0, leafNode = 1 };
  enum Color : unsigned char { white = 0, black = 1 };

  void print() const;

  Vertex* pVertex = nullptr;
  Edge* pEdge = nullptr;
  BinMergTreeNode* pParent = nullptr;
  BinMergTreeNode* pLeft = nullptr;   // the pStart side of pEdge
  BinMergTreeNode* pRight = nullptr;  // the pEnd side of pEdge
  unsigned char attribute = internalNode;
  // Read and written only on the root of its set during lcaQuery.
  BinMergTreeNode* pAncestor = nullptr;
  unsigned char color = white;
  int dsRank = 0;
  BinMergTreeNode* dsParent = nullptr;
};

// A step of the LCA walk: a node and how far the walk has got below it.
struct LcaFrame {
  enum Stage : unsigned char { enter, leftDone, rightDone };
  BinMergTreeNode* n;
  Stage stage;
};

// Records the order in which extended Kruskal joined the pin components; the
// LCA of two leaves carries the longest tree edge between their pins.
class BinaryMergingTree {
 public:
  void merge(BinMergTreeNode* parent, BinMergTreeNode* a, BinMergTreeNode* b);
  // Forgets the root and the query sets; the nodes themselves are untouched.
  void clear();
  // Answers every listed candidate's longestEdgeBetweenQueryVer in one pass.
  // The walk keeps its own stack in `stack`, the caller's working list,
  // which it leaves empty; without one it makes its own.
  void lcaQuery(std::vector<LcaFrame>& stack);
  void lcaQuery();
  void tarjanLca(BinMergTreeNode* n, std::vector<LcaFrame>& stack);

  BinMergTreeNode* pRoot = nullptr;
  DisjointSet<BinMergTreeNode> nodeSet;
};
