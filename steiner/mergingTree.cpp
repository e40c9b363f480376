#include "steiner/mergingTree.h"

#include <iostream>
#include <vector>

#include "geometry/edge.h"
#include "geometry/vertex.h"
#include "steiner/steinerCandidate.h"
#include "support/smallLists.h"

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

void BinaryMergingTree::lcaQuery(std::vector<LcaFrame>& stack) {
  nodeSet.clear();
  nodeSet.members.reserve(32);
  // A tree without a root has no edge, so no candidate to answer.
  if (pRoot) {
    tarjanLca(pRoot, stack);
  }
}

void BinaryMergingTree::lcaQuery() {
  std::vector<LcaFrame> stack;
  lcaQuery(stack);
}

namespace {

// Once a child's subtree is finished, the set holding the node and its
// finished children answers with the node, whichever root linkSet kept.
void adoptChild(DisjointSet<BinMergTreeNode>& set,
                BinMergTreeNode* n,
                BinMergTreeNode* child) {
  set.setUnion(n, child);
  set.findSet(n)->pAncestor = n;
}

}  // namespace

// The merging tree is as deep as the number of pins for a chain-like net, so
// the walk keeps its own stack: left subtree, right subtree, then the node's
// own queries, as a recursive walk would.
void BinaryMergingTree::tarjanLca(BinMergTreeNode* n,
                                  std::vector<LcaFrame>& stack) {
  stack.clear();
  stack.push_back({n, LcaFrame::enter});
  while (!stack.empty()) {
    size_t top = stack.size() - 1;
    BinMergTreeNode* cur = stack[top].n;
    switch (stack[top].stage) {
      case LcaFrame::enter:
        nodeSet.makeSet(cur);
        nodeSet.findSet(cur)->pAncestor = cur;
        stack[top].stage = LcaFrame::leftDone;
        if (cur->pLeft) {
          stack.push_back({cur->pLeft, LcaFrame::enter});
        }
        break;
      case LcaFrame::leftDone:
        if (cur->pLeft) {
          adoptChild(nodeSet, cur, cur->pLeft);
        }
        stack[top].stage = LcaFrame::rightDone;
        if (cur->pRight) {
          stack.push_back({cur->pRight, LcaFrame::enter});
        }
        break;
      case LcaFrame::rightDone:
        if (cur->pRight) {
          adoptChild(nodeSet, cur, cur->pRight);
        }
        stack.pop_back();
        cur->color = BinMergTreeNode::black;
        if (cur->attribute != BinMergTreeNode::leafNode) {
          break;
        }
        for (SteinerCandidate* c : cur->pVertex->queryCandidates) {
          if (!c->valid) {
            continue;
          }
          Vertex* w = c->pQuery != cur->pVertex ? c->pQuery : c->pQueryPrime;
          BinMergTreeNode* m = w->pLeafNode;
          // A white leaf is answered later, when the walk reaches it and
          // finds this one black.
          if (m && m->color == BinMergTreeNode::black) {
            c->longestEdgeBetweenQueryVer =
                nodeSet.findSet(m)->pAncestor->pEdge;
          }
        }
        break;
    }
  }
  releaseLarge(stack);
}
