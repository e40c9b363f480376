#pragma once
#include <algorithm>

// Queues of elements 0 .. n - 1 (n at most N), one per distinct key, kept as
// a flat array of keys in ascending order: RankTree's answers for the few
// dozen keys of a small net, where its allocations and tree walks cost more
// than scanning every key. A queue answers with its earliest pushed element
// still present, as RankTree does.
template <int N>
class FlatQueues {
 public:
  static constexpr int kNone = -1;

  int size() const { return size_; }
  bool empty() const { return size_ == 0; }
  float key(int slot) const { return slots_[slot].key; }
  int head(int slot) const { return slots_[slot].head; }

  // The slot of the largest key at or below x; kNone if none.
  int atOrBelow(float x) const { return belowFrom(size_ - 1, x); }

  // The same among the slots up to from.
  int belowFrom(int from, float x) const {
    int p = from;
    while (p >= 0 && slots_[p].key > x) {
      --p;
    }
    return p;
  }

  // The slot of the smallest key at or above x; kNone if none.
  int atOrAbove(float x) const {
    int p = 0;
    while (p < size_ && slots_[p].key < x) {
      ++p;
    }
    return p < size_ ? p : kNone;
  }

  // Appends element e to the queue of key k. Each element at most once.
  void push(int e, float k) {
    next_[e] = kNone;
    int p = atOrBelow(k);
    if (p != kNone && slots_[p].key == k) {
      next_[slots_[p].tail] = e;
      slots_[p].tail = e;
      return;
    }
    ++p;
    std::copy_backward(slots_ + p, slots_ + size_, slots_ + size_ + 1);
    slots_[p] = {k, e, e};
    ++size_;
  }

  // Takes the head off the queue of slot; a queue left empty loses its
  // slot, and the slots above it move down by one.
  void pop(int slot) {
    int h = next_[slots_[slot].head];
    if (h != kNone) {
      slots_[slot].head = h;
      return;
    }
    std::copy(slots_ + slot + 1, slots_ + size_, slots_ + slot);
    --size_;
  }

 private:
  struct Slot {
    float key;
    int head;
    int tail;
  };

  Slot slots_[N];
  int next_[N];
  int size_ = 0;
};
