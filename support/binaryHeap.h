#pragma once
#include <vector>

// Intrusive min-heap of T*: each element carries its own heapIndex and
// heapKey, so a queued key changes in place. Among equal keys, an element
// never passes its parent going up and always passes a child going down.
template <class T, class K>
class BinaryHeap {
 public:
  // No check that e is not already queued.
  void insert(T* e, K key) {
    e->heapKey = key;
    elems.push_back(e);
    heapUp(static_cast<int>(elems.size()) - 1);
  }

  // Null on an empty heap. The element keeps its last heapIndex and heapKey.
  T* deleteMin() {
    if (elems.empty()) {
      return nullptr;
    }
    T* top = elems[0];
    T* last = elems.back();
    elems.pop_back();
    if (!elems.empty()) {
      elems[0] = last;
      heapDown(0);
    }
    return top;
  }

  // i is the element's own heapIndex; an equal key sifts down.
  void setNewKey(int i, K key) {
    T* e = elems[i];
    K old = e->heapKey;
    e->heapKey = key;
    if (key < old) {
      heapUp(i);
    } else {
      heapDown(i);
    }
  }

  bool empty() const { return elems.empty(); }
  int size() const { return static_cast<int>(elems.size()); }
  // Keeps the storage; the elements' fields are left as they are.
  void clear() { elems.clear(); }

  void heapUp(int i) {
    T* x = elems[i];
    while (i > 0) {
      int p = (i - 1) / 2;
      if (!(elems[p]->heapKey > x->heapKey)) {
        break;
      }
      elems[i] = elems[p];
      elems[i]->heapIndex = i;
      i = p;
    }
    elems[i] = x;
    x->heapIndex = i;
  }

  void heapDown(int i) {
    T* x = elems[i];
    int last = static_cast<int>(elems.size()) - 1;
    while (2 * i + 1 <= last) {
      int c = 2 * i + 1;
      if (c < last && elems[c]->heapKey > elems[c + 1]->heapKey) {
        c = c + 1;
      }
      if (elems[c]->heapKey > x->heapKey) {
        break;
      }
      elems[i] = elems[c];
      elems[i]->heapIndex = i;
      i = c;
    }
    elems[i] = x;
    x->heapIndex = i;
  }

  std::vector<T*> elems;
};
