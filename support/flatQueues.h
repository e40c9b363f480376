#pragma once

// Queues of elements 0 .. n - 1 (n at most N), one per distinct key, its
// slots linked in key order within fixed arrays: RankTree's answers for the
// few dozen keys of a small net, where its allocations and tree walks cost
// more than walking every key. A queue answers with its earliest pushed
// element still present, as RankTree does. Each push makes at most one
// slot, so N slots serve N pushes, and no slot is ever moved.
template <int N>
class FlatQueues {
 public:
  static constexpr int kNone = -1;

  bool empty() const { return top_ == kNone; }
  float key(int slot) const { return slots_[slot].key; }
  int head(int slot) const { return slots_[slot].head; }
  // The slot of the largest key; kNone if none.
  int top() const { return top_; }
  // The slot of the next smaller key; kNone if none. Still answers for a
  // slot that pop() has just unlinked.
  int below(int slot) const { return slots_[slot].down; }

  // The slot of the largest key at or below x; kNone if none.
  int atOrBelow(float x) const {
    int p = top_;
    while (p != kNone && slots_[p].key > x) {
      p = slots_[p].down;
    }
    return p;
  }

  // The slot of the smallest key at or above x; kNone if none.
  int atOrAbove(float x) const {
    int p = bottom_;
    while (p != kNone && slots_[p].key < x) {
      p = slots_[p].up;
    }
    return p;
  }

  // Appends element e to the queue of key k. Each element at most once.
  void push(int e, float k) {
    next_[e] = kNone;
    int below = top_, above = kNone;
    while (below != kNone && slots_[below].key > k) {
      above = below;
      below = slots_[below].down;
    }
    if (below != kNone && slots_[below].key == k) {
      next_[slots_[below].tail] = e;
      slots_[below].tail = e;
      return;
    }
    int s = used_++;
    slots_[s] = {k, e, e, above, below};
    (above != kNone ? slots_[above].down : top_) = s;
    (below != kNone ? slots_[below].up : bottom_) = s;
  }

  // Takes the head off the queue of slot; a queue left empty loses its
  // slot.
  void pop(int slot) {
    Slot& s = slots_[slot];
    int h = next_[s.head];
    if (h != kNone) {
      s.head = h;
      return;
    }
    (s.up != kNone ? slots_[s.up].down : top_) = s.down;
    (s.down != kNone ? slots_[s.down].up : bottom_) = s.up;
  }

 private:
  struct Slot {
    float key;
    int head;
    int tail;
    int up;    // next larger key
    int down;  // next smaller key
  };

  Slot slots_[N];
  int next_[N];  // by element: the next of its queue
  int top_ = kNone;
  int bottom_ = kNone;
  int used_ = 0;
};
