#pragma once

// Queues of elements 0 .. n - 1 (n at most N), one per distinct key, its
// slots linked in key order within fixed arrays: RankTree's answers for the
// few dozen keys of a small net, where its allocations and tree walks cost
// more than walking every key. Both are keyed queues (support/keyedQueues.h),
// a slot the cursor. Each insert makes at most one slot, so N slots serve
// N inserts, and no slot is ever moved.
template <int N>
class FlatQueues {
 public:
  static constexpr int kNone = -1;
  using Cursor = int;  // a slot, kNone for none

  static bool found(int slot) { return slot != kNone; }

  FlatQueues() { slots_[N] = {0, kNone, kNone, kNone, kNone}; }

  bool empty() const { return slots_[N].down == kNone; }
  float key(int slot) const { return slots_[slot].key; }
  int head(int slot) const { return slots_[slot].head; }
  // The slot of the largest key; kNone if none.
  int top() const { return slots_[N].down; }
  // The slot of the next smaller key; kNone if none. Still answers for a
  // slot that remove() has just unlinked.
  int below(int slot) const { return slots_[slot].down; }

  // The slot of the largest key at or below x; kNone if none.
  int upperInc(float x) const {
    int p = slots_[N].down;
    while (p != kNone && slots_[p].key > x) {
      p = slots_[p].down;
    }
    return p;
  }

  // The slot of the smallest key at or above x; kNone if none.
  int lowerInc(float x) const {
    int p = slots_[N].up;
    while (p != kNone && slots_[p].key < x) {
      p = slots_[p].up;
    }
    return p;
  }

  // Appends element e to the queue of key k. Each element at most once.
  void insert(int e, float k) {
    int below = slots_[N].down, above = kNone;
    while (below != kNone && slots_[below].key > k) {
      above = below;
      below = slots_[below].down;
    }
    insertBelow(e, k, above);
  }

  // As insert(), where the caller knows the slot of the smallest key
  // greater than k (kNone if none).
  void insertBelow(int e, float k, int above) {
    int below = *downLink(above);
    Slot& b = slots_[index(below)];
    bool same = (below != kNone) & (b.key == k);
    // Either e joins the queue of below or a new slot goes between above
    // and below; the writes of the case not taken change nothing, so that
    // selects, not branches, tell the cases apart.
    next_[same ? b.tail : e] = e;
    next_[e] = kNone;
    b.tail = same ? e : b.tail;
    int s = used_;
    slots_[s] = {k, e, e, above, below};
    used_ = s + !same;
    *downLink(above) = same ? below : s;
    *upLink(below) = same ? above : s;
  }

  // Takes the head off the queue of slot; a queue left empty loses its
  // slot.
  void remove(int slot) {
    Slot& s = slots_[slot];
    int h = next_[s.head];
    if (h != kNone) {
      s.head = h;
      return;
    }
    *downLink(s.up) = s.down;
    *upLink(s.down) = s.up;
  }

 private:
  // A slot's place in slots_, kNone's the sentinel's; the link that names
  // the slot below slot a, and the one that names the slot above slot b,
  // the sentinel's holding the top and the bottom. Computed, not chosen by
  // branches, as which of them it is follows the keys.
  static int index(int slot) { return slot + (-(slot < 0) & (N + 1)); }
  int* downLink(int a) { return &slots_[index(a)].down; }
  int* upLink(int b) { return &slots_[index(b)].up; }

  struct Slot {
    float key;
    int head;
    int tail;
    int up;    // next larger key
    int down;  // next smaller key
  };

  // Slot N is the sentinel: its down link is the top, its up the bottom.
  Slot slots_[N + 1];
  int next_[N];  // by element: the next of its queue
  int used_ = 0;
};
