#include "steiner/mergingTree.h"

#include <iostream>

#include "geometry/edge.h"
#include "geometry/vertex.h"

void BinMergTreeNode::print() const {
  std::cout << "BinMergTreeNode: " << std::endl;
  std::cout << "associated vertex: ";
  if (pVertex) {
    pVertex->print();
  } else {
    std::cout << "Warning: pVertex == NULL!" << std::endl;
  }
  std::cout << "associated edge:   ";
  if (pEdge) {
    pEdge->print();
  } else {
    std::cout << "Warning: pEdge == NULL!" << std::endl;
  }
  std::cout << "color:             " << (color == black ? "black" : "white")
            << std::endl;
  std::cout << "attribute:         "
            << (attribute == leafNode ? "leafNode" : "internalNode")
            << std::endl;
  std::cout << std::endl;
}

void BinaryMergingTree::merge(BinMergTreeNode* parent,
                              BinMergTreeNode* a,
                              BinMergTreeNode* b) {
  parent->pLeft = a;
  a->pParent = parent;
  parent->pRight = b;
  b->pParent = parent;
  pRoot = parent;
}

void BinaryMergingTree::clear() {
  pRoot = nullptr;
  nodeSet.clear();
}

void BinaryMergingTree::lcaQuery() {}

void BinaryMergingTree::tarjanLca(BinMergTreeNode* n) {
  (void)n;
}
