#pragma once
#include <vector>

// Intrusive min-heap of T*: each element carries its own heapIndex and
// heapKey, so a queued key changes in place. Among equal keys, an element
// never passes its parent going up and always passes a child going down.
//
// The keys are also kept beside the pointers, slot for slot, so that sifting
// compares neighbouring numbers instead of reaching into each element.
template <class T, class K>
class BinaryHeap {
 public:
  // No check that e is not already queued.
  void insert(T* e, K key) {
    e->heapKey = key;
    elems.push_back(e);
    keys.push_back(key);
    heapUp(static_cast<int>(elems.size()) - 1);
  }

  // Null on an empty heap. The element keeps its last heapIndex and heapKey.
  T* deleteMin() {
    if (elems.empty()) {
      return nullptr;
    }
    T* top = elems[0];
    T* last = elems.back();
    K lastKey = keys.back();
    elems.pop_back();
    keys.pop_back();
    if (!elems.empty()) {
      elems[0] = last;
      keys[0] = lastKey;
      heapDown(0);
    }
    return top;
  }

  // i is the element's own heapIndex; an equal key sifts down.
  void setNewKey(int i, K key) {
    T* e = elems[i];
    K old = keys[i];
    e->heapKey = key;
    keys[i] = key;
    if (key < old) {
      heapUp(i);
    } else {
      heapDown(i);
    }
  }

  bool empty() const { return elems.empty(); }
  int size() const { return static_cast<int>(elems.size()); }
  // Keeps the storage; the elements' fields are left as they are.
  void clear() {
    elems.clear();
    keys.clear();
  }

  // Grows the storage once for n elements in all.
  void reserve(size_t n) {
    elems.reserve(n);
    keys.reserve(n);
  }

  void heapUp(int i) {
    T* x = elems[i];
    K xKey = keys[i];
    while (i > 0) {
      int p = (i - 1) / 2;
      if (!(keys[p] > xKey)) {
        break;
      }
      move(p, i);
      i = p;
    }
    place(x, xKey, i);
  }

  void heapDown(int i) {
    T* x = elems[i];
    K xKey = keys[i];
    int last = static_cast<int>(elems.size()) - 1;
    while (2 * i + 1 <= last) {
      int c = 2 * i + 1;
      if (c < last && keys[c] > keys[c + 1]) {
        c = c + 1;
      }
      if (keys[c] > xKey) {
        break;
      }
      move(c, i);
      i = c;
    }
    place(x, xKey, i);
  }

  std::vector<T*> elems;
  std::vector<K> keys;  // keys[i] is elems[i]->heapKey

 private:
  void move(int from, int to) {
    elems[to] = elems[from];
    keys[to] = keys[from];
    elems[to]->heapIndex = to;
  }

  void place(T* x, K key, int i) {
    elems[i] = x;
    keys[i] = key;
    x->heapIndex = i;
  }
};
