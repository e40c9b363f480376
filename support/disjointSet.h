#pragma once
#include <vector>

#include "support/pick.h"

// Intrusive union-find over T*: the forest lives in each element's dsParent
// and dsRank. On equal ranks the root of the second argument survives.
template <class T>
class DisjointSet {
 public:
  // Calling it again restarts x as a singleton.
  void makeSet(T* x) {
    x->dsParent = x;
    x->dsRank = 0;
    members.push_back(x);
  }

  // Full path compression, without recursion. Starting from the parent
  // makes a root and a child of one take no step at all, so the usual
  // flat trees do not branch on which of the two x is.
  T* findSet(T* x) {
    T* root = x->dsParent;
    while (root->dsParent != root) {
      root = root->dsParent;
    }
    while (x->dsParent != root) {
      T* next = x->dsParent;
      x->dsParent = root;
      x = next;
    }
    return root;
  }

  // x and y must be roots; linking a root with itself raises its rank.
  // Selects instead of branches: the ranks are as good as random.
  void linkSet(T* x, T* y) {
    const bool xWins = x->dsRank > y->dsRank;
    T* winner = pick(xWins, x, y);
    T* loser = pick(xWins, y, x);
    const int raise = x->dsRank == y->dsRank ? 1 : 0;
    loser->dsParent = winner;
    winner->dsRank = winner->dsRank + raise;
  }

  void setUnion(T* a, T* b) {
    T* rb = findSet(b);
    T* ra = findSet(a);
    linkSet(ra, rb);
  }

  // Takes x out of every set: holds(x) is false until its next makeSet,
  // so a union can skip an element that a caller never made a set of.
  void forget(T* x) { x->dsParent = nullptr; }
  bool holds(const T* x) const { return x->dsParent != nullptr; }

  // Unions already made stay in the elements until their next makeSet.
  void clear() { members.clear(); }

  std::vector<T*> members;
};
