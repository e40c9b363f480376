#include "steiner/mergingTree.h"

void BinMergTreeNode::print() const {}

void BinaryMergingTree::merge(BinMergTreeNode* parent,
                              BinMergTreeNode* a,
                              BinMergTreeNode* b) {
  (void)parent;
  (void)a;
  (void)b;
}

void BinaryMergingTree::clear() {}

void BinaryMergingTree::lcaQuery() {}

void BinaryMergingTree::tarjanLca(BinMergTreeNode* n) {
  (void)n;
}
