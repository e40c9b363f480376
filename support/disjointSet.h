#pragma once
#include <vector>

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

  // Full path compression, without recursion.
  T* findSet(T* x) {
    T* root = x;
    while (root->dsParent != root) {
      root = root->dsParent;
    }
    while (x != root) {
      T* next = x->dsParent;
      x->dsParent = root;
      x = next;
    }
    return root;
  }

  // x and y must be roots; linking a root with itself raises its rank.
  void linkSet(T* x, T* y) {
    if (x->dsRank > y->dsRank) {
      y->dsParent = x;
    } else {
      x->dsParent = y;
      if (x->dsRank == y->dsRank) {
        y->dsRank = y->dsRank + 1;
      }
    }
  }

  void setUnion(T* a, T* b) {
    T* rb = findSet(b);
    T* ra = findSet(a);
    linkSet(ra, rb);
  }

  // Unions already made stay in the elements until their next makeSet.
  void clear() { members.clear(); }

  std::vector<T*> members;
};
