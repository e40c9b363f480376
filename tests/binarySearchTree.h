#pragma once
#include <limits>
#include <vector>

// A (key, element) node. Outside a tree it serves as a sortable record.
template <class T, class P, class K>
class Node {
 public:
  Node(P elem, K key) : key_(key), pElem_(elem) {}

  K key() const { return key_; }
  P pElem() const { return pElem_; }
  Node* parent() const { return parent_; }
  Node* left() const { return left_; }
  Node* right() const { return right_; }
  void setKey(K k) { key_ = k; }
  void setPElem(P e) { pElem_ = e; }
  void setParent(Node* n) { parent_ = n; }
  void setLeft(Node* n) { left_ = n; }
  void setRight(Node* n) { right_ = n; }

 private:
  K key_;
  Node* parent_ = nullptr;
  Node* left_ = nullptr;
  Node* right_ = nullptr;
  P pElem_;
};

// Unbalanced search tree with inclusive range queries. Keys equal to a node's
// go to its right, so all nodes of one key lie on one path and a query
// returns the one nearest the root: the earliest inserted of them still
// present. The sweeps use RankTree, which answers the same at logarithmic
// depth; this tree stays as the plain statement of those answers, and the
// tests hold the two together.
template <class T, class P, class K>
class BinarySearchTree {
 public:
  using NodeT = Node<T, P, K>;

  BinarySearchTree() = default;
  ~BinarySearchTree() { makeNull(); }
  BinarySearchTree(const BinarySearchTree&) = delete;
  BinarySearchTree& operator=(const BinarySearchTree&) = delete;

  void insert(P elem, K key) {
    NodeT* n = new NodeT(elem, key);
    if (!pRoot) {
      pRoot = n;
      return;
    }
    NodeT* cur = pRoot;
    for (;;) {
      NodeT* next = key < cur->key() ? cur->left() : cur->right();
      if (!next) {
        if (key < cur->key()) {
          cur->setLeft(n);
        } else {
          cur->setRight(n);
        }
        n->setParent(cur);
        return;
      }
      cur = next;
    }
  }

  // A node with two children takes its successor's key and element, and the
  // successor's node is the one freed.
  void remove(NodeT* n) {
    if (!n) {
      return;
    }
    if (n->left() && n->right()) {
      NodeT* s = n->right();
      while (s->left()) {
        s = s->left();
      }
      n->setKey(s->key());
      n->setPElem(s->pElem());
      n = s;
    }
    NodeT* c = n->left() ? n->left() : n->right();
    NodeT* p = n->parent();
    if (!p) {
      pRoot = c;
    } else if (p->left() == n) {
      p->setLeft(c);
    } else {
      p->setRight(c);
    }
    if (c) {
      c->setParent(p);
    }
    delete n;
  }

  // Smallest key at or above x; the sentinel +inf is never returned.
  NodeT* lowerInc(K x) const {
    K best = std::numeric_limits<K>::infinity();
    NodeT* result = nullptr;
    for (NodeT* n = pRoot; n;) {
      K k = n->key();
      if (k < best && k >= x) {
        result = n;
        best = k;
      }
      n = x >= k ? n->right() : n->left();
    }
    return result;
  }

  // Largest key at or below x; the sentinel -inf is never returned.
  NodeT* upperInc(K x) const {
    K best = -std::numeric_limits<K>::infinity();
    NodeT* result = nullptr;
    for (NodeT* n = pRoot; n;) {
      K k = n->key();
      if (k > best && k <= x) {
        result = n;
        best = k;
      }
      n = x >= k ? n->right() : n->left();
    }
    return result;
  }

  void makeNull() {
    removeTree(pRoot);
    pRoot = nullptr;
  }

  // Iterative: a tree built from sorted keys is as deep as it is large.
  void removeTree(NodeT* p) {
    if (!p) {
      return;
    }
    std::vector<NodeT*> stack{p};
    while (!stack.empty()) {
      NodeT* n = stack.back();
      stack.pop_back();
      if (n->left()) {
        stack.push_back(n->left());
      }
      if (n->right()) {
        stack.push_back(n->right());
      }
      delete n;
    }
  }

  NodeT* pRoot = nullptr;
};
