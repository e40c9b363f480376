#pragma once
#include <vector>

// Intrusive min-heap of T*: each element carries its own heapIndex and
// heapKey, so a queued key changes in place. Among equal keys, an element
// never passes its parent going up and always passes a child going down.
//
// Each slot holds a copy of its element's key beside the pointer, so that
// sifting compares neighbouring slots instead of reaching into elements.
template <class T, class K>
class BinaryHeap {
 public:
  struct Slot {
    K key;
    T* elem;
  };

  // No check that e is not already queued.
  void insert(T* e, K key) {
    e->heapKey = key;
    slots.push_back({key, e});
    heapUp(size() - 1);
  }

  // Null on an empty heap. The element keeps its last heapIndex and heapKey.
  T* deleteMin() {
    if (slots.empty()) {
      return nullptr;
    }
    T* top = slots[0].elem;
    Slot last = slots.back();
    slots.pop_back();
    if (!slots.empty()) {
      slots[0] = last;
      heapDown(0);
    }
    return top;
  }

  // i is the element's own heapIndex; an equal key sifts down.
  void setNewKey(int i, K key) {
    K old = slots[i].key;
    slots[i].elem->heapKey = key;
    slots[i].key = key;
    if (key < old) {
      heapUp(i);
    } else {
      heapDown(i);
    }
  }

  bool empty() const { return slots.empty(); }
  int size() const { return static_cast<int>(slots.size()); }
  T* at(int i) const { return slots[i].elem; }
  // Keeps the storage; the elements' fields are left as they are.
  void clear() { slots.clear(); }
  // Grows the storage once for n elements in all.
  void reserve(size_t n) { slots.reserve(n); }

  void heapUp(int i) {
    Slot x = slots[i];
    while (i > 0) {
      int p = (i - 1) / 2;
      if (!(slots[p].key > x.key)) {
        break;
      }
      put(slots[p], i);
      i = p;
    }
    put(x, i);
  }

  // Runs down to a leaf along the smaller children without looking at x,
  // then back up to x's place: along that path the keys never decrease, so
  // the children x would not have passed on the way down are exactly those
  // that climb back over it, and every slot ends as a plain sift-down leaves
  // it. The child is chosen by a select, and no step waits on x's key, which
  // keeps random keys from costing a mispredicted branch per level.
  void heapDown(int i) {
    Slot x = slots[i];
    const int top = i;
    const int last = size() - 1;
    while (2 * i + 2 <= last) {
      int c = 2 * i + 1;
      c += slots[c + 1].key < slots[c].key ? 1 : 0;
      put(slots[c], i);
      i = c;
    }
    if (2 * i + 1 == last) {
      put(slots[last], i);
      i = last;
    }
    while (i > top) {
      int p = (i - 1) / 2;
      if (!(slots[p].key > x.key)) {
        break;
      }
      put(slots[p], i);
      i = p;
    }
    put(x, i);
  }

  std::vector<Slot> slots;  // slots[i].key is slots[i].elem->heapKey

 private:
  void put(Slot s, int i) {
    slots[i] = s;
    s.elem->heapIndex = i;
  }
};
