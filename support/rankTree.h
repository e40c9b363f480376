#pragma once
#include <algorithm>
#include <limits>
#include <vector>

#include "support/objectPool.h"

// The answers of BinarySearchTree at a depth that never exceeds the
// logarithm of the key count, for keys drawn from a set fixed in advance.
// Among equal keys the plain tree answers with the node nearest its root,
// which is the earliest inserted of them still present (equal keys go
// right, and removal by successor copy keeps their in-order sequence); here
// each key has a queue in insertion order and a query answers with its head.
//
// Every element also carries a value, and a tree over the key ranks keeps
// the least value of every range of ranks (one per key: the value of its
// head), so that the ranks whose head has a value at most t are found
// without looking at the others.
template <class T, class P, class K>
class RankTree {
 public:
  class Entry {
   public:
    K key() const { return key_; }
    P pElem() const { return pElem_; }
    float value() const { return value_; }

   private:
    friend class RankTree;
    K key_;
    P pElem_;
    float value_;
    int rank_;
    Entry* prev_;
    Entry* next_;
  };

  // keys: every key that insert will be given, in any order, repeats
  // allowed.
  // Without keys it allocates nothing: a sweep over a net without
  // obstacles makes such trees for the obstacle sides.
  explicit RankTree(std::vector<K> keys) : keys_(std::move(keys)) {
    if (keys_.empty()) {
      return;
    }
    std::sort(keys_.begin(), keys_.end());
    keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
    leaves_ = 1;
    while (leaves_ < static_cast<int>(keys_.size())) {
      leaves_ *= 2;
    }
    least_.assign(2 * static_cast<size_t>(leaves_), kEmpty);
    ends_.assign(keys_.size(), {nullptr, nullptr});
  }
  RankTree(const RankTree&) = delete;
  RankTree& operator=(const RankTree&) = delete;

  // The distinct keys, ascending.
  const std::vector<K>& keys() const { return keys_; }

  // Rank of a key given to the constructor.
  int rankOf(K key) const {
    return static_cast<int>(std::lower_bound(keys_.begin(), keys_.end(), key) -
                            keys_.begin());
  }

  // key must be one of the constructor's keys; value must be finite.
  Entry* insert(P elem, K key, float value = 0) {
    return insertAt(elem, rankOf(key), value);
  }

  // The same for the key of the given rank.
  Entry* insertAt(P elem, int rank, float value = 0) {
    Entry* e = entries_.make();
    e->key_ = keys_[rank];
    e->pElem_ = elem;
    e->value_ = value;
    e->rank_ = rank;
    e->prev_ = ends_[e->rank_].tail;
    e->next_ = nullptr;
    if (e->prev_) {
      e->prev_->next_ = e;
    } else {
      ends_[e->rank_].head = e;
      setLeaf(e->rank_, value);
    }
    ends_[e->rank_].tail = e;
    return e;
  }

  // Null does nothing. The entry's storage stays until the tree goes.
  void remove(Entry* e) {
    if (!e) {
      return;
    }
    int r = e->rank_;
    (e->prev_ ? e->prev_->next_ : ends_[r].head) = e->next_;
    (e->next_ ? e->next_->prev_ : ends_[r].tail) = e->prev_;
    if (!e->prev_) {
      setLeaf(r, ends_[r].head ? ends_[r].head->value_ : kEmpty);
    }
  }

  // A value of infinity hides the entry, and the rest of its key's queue
  // behind it, from every firstAtMost and lastAtMost.
  void setValue(Entry* e, float value) {
    e->value_ = value;
    if (!e->prev_) {
      setLeaf(e->rank_, value);
    }
  }

  // Smallest key at or above x, the earliest inserted of that key.
  Entry* lowerInc(K x) const { return firstAtMost(rankAtOrAbove(x), kAny); }

  // Largest key at or below x, the earliest inserted of that key.
  Entry* upperInc(K x) const {
    return lastAtMost(rankAtOrAbove(x, true) - 1, kAny);
  }

  // The head of the lowest rank at or above from whose head's value is at
  // most t; null if none.
  Entry* firstAtMost(int from, float t) const {
    return headAt(firstAtMostRank(from, t));
  }

  // The head of the highest rank at or below to whose head's value is at
  // most t; null if none.
  Entry* lastAtMost(int to, float t) const {
    return headAt(lastAtMostRank(to, t));
  }

  int rank(const Entry* e) const { return e->rank_; }

 private:
  static constexpr float kEmpty = std::numeric_limits<float>::infinity();
  static constexpr float kAny = std::numeric_limits<float>::max();

  // The first rank whose key is at or above x (above, if strictly).
  int rankAtOrAbove(K x, bool strictly = false) const {
    auto it = strictly ? std::upper_bound(keys_.begin(), keys_.end(), x)
                       : std::lower_bound(keys_.begin(), keys_.end(), x);
    return static_cast<int>(it - keys_.begin());
  }

  Entry* headAt(int r) const { return r < 0 ? nullptr : ends_[r].head; }

  void setLeaf(int r, float v) {
    size_t i = static_cast<size_t>(leaves_) + r;
    least_[i] = v;
    for (i /= 2; i >= 1; i /= 2) {
      least_[i] = std::min(least_[2 * i], least_[2 * i + 1]);
    }
  }

  int firstAtMostRank(int from, float t) const {
    if (from >= static_cast<int>(keys_.size())) {
      return -1;
    }
    return firstIn(1, 0, leaves_ - 1, std::max(from, 0), t);
  }

  int lastAtMostRank(int to, float t) const {
    if (to < 0 || keys_.empty()) {
      return -1;
    }
    return lastIn(1, 0, leaves_ - 1, to, t);
  }

  // Depth-first over node i covering ranks [lo, hi]: only nodes that hold
  // a small enough value and reach the range are entered.
  int firstIn(size_t i, int lo, int hi, int from, float t) const {
    if (hi < from || least_[i] > t) {
      return -1;
    }
    if (lo == hi) {
      return lo;
    }
    int mid = lo + (hi - lo) / 2;
    int r = firstIn(2 * i, lo, mid, from, t);
    return r >= 0 ? r : firstIn(2 * i + 1, mid + 1, hi, from, t);
  }

  int lastIn(size_t i, int lo, int hi, int to, float t) const {
    if (lo > to || least_[i] > t) {
      return -1;
    }
    if (lo == hi) {
      return lo;
    }
    int mid = lo + (hi - lo) / 2;
    int r = lastIn(2 * i + 1, mid + 1, hi, to, t);
    return r >= 0 ? r : lastIn(2 * i, lo, mid, to, t);
  }

  // The queue of one rank, earliest first.
  struct Ends {
    Entry* head;
    Entry* tail;
  };

  std::vector<K> keys_;
  int leaves_ = 0;
  std::vector<float> least_;  // per node of the rank tree; kEmpty if none
  std::vector<Ends> ends_;
  ObjectPool<Entry> entries_;  // stable addresses
};
