#pragma once
#include <algorithm>
#include <limits>
#include <vector>

#include "support/objectPool.h"
#include "support/segmentTree.h"

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

  // A keyed queues' cursor (support/keyedQueues.h): a lookup's head entry.
  using Cursor = Entry*;
  static bool found(const Entry* e) { return e != nullptr; }
  static K key(const Entry* e) { return e->key_; }
  static P head(const Entry* e) { return e->pElem_; }

  // keys: every key that insert will be given, in any order, repeats
  // allowed.
  // Without keys it allocates nothing: a sweep over a net without
  // obstacles makes such trees for the obstacle sides.
  explicit RankTree(std::vector<K> keys)
      : keys_(sortedUnique(std::move(keys))),
        least_(keys_.size(), kEmpty),
        ends_(keys_.size(), {nullptr, nullptr}) {}
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

  static std::vector<K> sortedUnique(std::vector<K> keys) {
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
  }

  void setLeaf(int r, float v) { least_.set(static_cast<size_t>(r), v); }

  int firstAtMostRank(int from, float t) const {
    return static_cast<int>(
        least_.firstFrom(static_cast<size_t>(std::max(from, 0)),
                         [t](float v) { return v <= t; }));
  }

  int lastAtMostRank(int to, float t) const {
    if (to < 0) {
      return -1;
    }
    return static_cast<int>(least_.lastUpTo(static_cast<size_t>(to),
                                            [t](float v) { return v <= t; }));
  }

  // The queue of one rank, earliest first.
  struct Ends {
    Entry* head;
    Entry* tail;
  };

  std::vector<K> keys_;
  SegmentTree<float, Least> least_;  // over the ranks; kEmpty where none
  std::vector<Ends> ends_;
  ObjectPool<Entry> entries_;  // stable addresses
};
