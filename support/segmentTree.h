#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// Segment trees over leaves 0 .. n - 1, all of one shape: node 1 spans every
// leaf, and node k over [l, r] has children 2k over [l, m] and 2k + 1 over
// [m + 1, r], m = (l + r) / 2. Node indexes stay below 4n.
class SegmentShape {
 public:
  SegmentShape() = default;
  explicit SegmentShape(size_t leaves) : leaves_(leaves) {}

  size_t leaves() const { return leaves_; }
  // One past the highest node index.
  size_t nodes() const { return 4 * leaves_; }

  // Calls visit(k) for the fewest nodes whose spans make up the leaves
  // [from, to], in no set order; for none when from > to.
  template <class Visit>
  void cover(size_t from, size_t to, Visit visit) const {
    if (from > to || to >= leaves_) {
      return;
    }
    size_t k = 1, l = 0, r = leaves_ - 1, m;
    for (;;) {
      if (from <= l && r <= to) {
        visit(k);
        return;
      }
      m = (l + r) / 2;
      if (to <= m) {
        k = 2 * k;
        r = m;
      } else if (from > m) {
        k = 2 * k + 1;
        l = m + 1;
      } else {
        break;
      }
    }
    // Down the two edges of the range from where it splits: every child
    // passed on the range's side lies wholly inside it.
    for (size_t j = 2 * k, a = l, b = m;;) {
      if (from <= a) {
        visit(j);
        break;
      }
      size_t c = (a + b) / 2;
      if (from <= c) {
        visit(2 * j + 1);
        j = 2 * j;
        b = c;
      } else {
        j = 2 * j + 1;
        a = c + 1;
      }
    }
    for (size_t j = 2 * k + 1, a = m + 1, b = r;;) {
      if (b <= to) {
        visit(j);
        break;
      }
      size_t c = (a + b) / 2;
      if (to > c) {
        visit(2 * j);
        j = 2 * j + 1;
        a = c + 1;
      } else {
        j = 2 * j;
        b = c;
      }
    }
  }

  // Calls visit(k) for the nodes whose span holds the leaf, root first,
  // until it returns true; returns whether it did.
  template <class Visit>
  bool path(size_t leaf, Visit visit) const {
    size_t k = 1, l = 0, r = leaves_ - 1;
    for (;;) {
      if (visit(k)) {
        return true;
      }
      if (l == r) {
        return false;
      }
      size_t m = (l + r) / 2;
      if (leaf <= m) {
        k = 2 * k;
        r = m;
      } else {
        k = 2 * k + 1;
        l = m + 1;
      }
    }
  }

 private:
  size_t leaves_ = 0;
};

// Joins for SegmentTree.
struct Least {
  template <class T>
  T operator()(T a, T b) const {
    return std::min(a, b);
  }
};
struct Most {
  template <class T>
  T operator()(T a, T b) const {
    return std::max(a, b);
  }
};

// A value at every node, joined by an associative, commutative join whose
// identity is none (min with +inf, max with -inf). Serves one of two uses:
// set leaves and fold prefixes, or spread values over ranges and gather them
// at a leaf.
template <class T, class Join>
class SegmentTree {
 public:
  SegmentTree(size_t leaves, T none, Join join = Join())
      : shape_(leaves),
        none_(none),
        join_(join),
        t_(shape_.nodes(), none),
        leafNode_(leaves) {
    if (leaves > 0) {
      placeLeaves(1, 0, leaves - 1);
    }
  }

  size_t leaves() const { return shape_.leaves(); }

  // Every node above the leaf becomes the join of its children.
  void set(size_t leaf, T v) {
    size_t k = leafNode_[leaf];
    t_[k] = v;
    for (k /= 2; k >= 1; k /= 2) {
      t_[k] = join_(t_[2 * k], t_[2 * k + 1]);
    }
  }

  // The join of the first count leaves.
  T prefix(size_t count) const {
    if (count == 0) {
      return none_;
    }
    // The last leaf's node, and every left sibling on the way up.
    size_t k = leafNode_[count - 1];
    T v = t_[k];
    for (; k > 1; k /= 2) {
      if (k & 1) {
        v = join_(v, t_[k - 1]);
      }
    }
    return v;
  }

  // Joins v into the nodes that cover [from, to].
  void spread(size_t from, size_t to, T v) {
    shape_.cover(from, to, [&](size_t k) { t_[k] = join_(t_[k], v); });
  }

  // The join of every value spread over the leaf.
  T gather(size_t leaf) const {
    T v = none_;
    for (size_t k = leafNode_[leaf]; k >= 1; k /= 2) {
      v = join_(v, t_[k]);
    }
    return v;
  }

  // The lowest leaf at or after from, or the highest at or before to,
  // whose value passes ok; -1 for none. ok must pass the join of any values
  // one of which it passes: only nodes it passes are entered.
  template <class Ok>
  long firstFrom(size_t from, Ok ok) const {
    return from < leaves() ? firstIn(1, 0, leaves() - 1, from, ok) : -1;
  }
  template <class Ok>
  long lastUpTo(size_t to, Ok ok) const {
    return leaves() > 0 ? lastIn(1, 0, leaves() - 1, to, ok) : -1;
  }

 private:
  template <class Ok>
  long firstIn(size_t k, size_t l, size_t r, size_t from, Ok& ok) const {
    if (r < from || !ok(t_[k])) {
      return -1;
    }
    if (l == r) {
      return static_cast<long>(l);
    }
    size_t m = (l + r) / 2;
    long f = firstIn(2 * k, l, m, from, ok);
    return f >= 0 ? f : firstIn(2 * k + 1, m + 1, r, from, ok);
  }

  template <class Ok>
  long lastIn(size_t k, size_t l, size_t r, size_t to, Ok& ok) const {
    if (l > to || !ok(t_[k])) {
      return -1;
    }
    if (l == r) {
      return static_cast<long>(l);
    }
    size_t m = (l + r) / 2;
    long f = lastIn(2 * k + 1, m + 1, r, to, ok);
    return f >= 0 ? f : lastIn(2 * k, l, m, to, ok);
  }

  void placeLeaves(size_t k, size_t l, size_t r) {
    if (l == r) {
      leafNode_[l] = static_cast<std::uint32_t>(k);
      return;
    }
    size_t m = (l + r) / 2;
    placeLeaves(2 * k, l, m);
    placeLeaves(2 * k + 1, m + 1, r);
  }

  SegmentShape shape_;
  T none_;
  Join join_;
  std::vector<T> t_;
  std::vector<std::uint32_t> leafNode_;
};

// Items kept at the nodes that cover their ranges of leaves, all in one
// stretch of memory: a leaf's items are those of the nodes on its path.
template <class Item>
class SegmentLists {
 public:
  SegmentLists() = default;
  // Item k, itemOf(k), covers the leaves rangeOf(k) (a pair from, to; none
  // when from > to). A node's items come in the order of k.
  template <class RangeOf, class ItemOf>
  SegmentLists(size_t leaves, size_t n, RangeOf rangeOf, ItemOf itemOf)
      : shape_(leaves) {
    std::vector<std::uint32_t> at(shape_.nodes() + 1, 0);
    for (size_t i = 0; i < n; ++i) {
      auto r = rangeOf(i);
      shape_.cover(r.first, r.second, [&](size_t k) { ++at[k + 1]; });
    }
    for (size_t k = 1; k < at.size(); ++k) {
      at[k] += at[k - 1];
    }
    first_ = at;
    items_.resize(at.back());
    for (size_t i = 0; i < n; ++i) {
      auto r = rangeOf(i);
      Item it = itemOf(i);
      shape_.cover(r.first, r.second, [&](size_t k) { items_[at[k]++] = it; });
    }
  }

  const SegmentShape& shape() const { return shape_; }
  size_t nodes() const { return first_.empty() ? 0 : first_.size() - 1; }

  // The items of node k, and their place in items(): [first(k), first(k+1)).
  size_t first(size_t k) const { return first_[k]; }
  Item* begin(size_t k) { return items_.data() + first_[k]; }
  Item* end(size_t k) { return items_.data() + first_[k + 1]; }
  const Item* begin(size_t k) const { return items_.data() + first_[k]; }
  const Item* end(size_t k) const { return items_.data() + first_[k + 1]; }
  const std::vector<Item>& items() const { return items_; }

 private:
  SegmentShape shape_;
  std::vector<std::uint32_t> first_;
  std::vector<Item> items_;
};

// The leaves over distinct sorted bounds b_0 < ... < b_(m-1): leaf 2i is
// the bound b_i itself and leaf 2i + 1 the open gap after it, 2m - 1 in all.
template <class T>
class BoundLeaves {
 public:
  BoundLeaves() = default;
  // Any order, repeats allowed.
  explicit BoundLeaves(std::vector<T> bounds) : bounds_(std::move(bounds)) {
    std::sort(bounds_.begin(), bounds_.end());
    bounds_.erase(std::unique(bounds_.begin(), bounds_.end()), bounds_.end());
  }

  size_t leaves() const { return bounds_.empty() ? 0 : 2 * bounds_.size() - 1; }

  // The leaf holding t; -1 before the first bound, leaves() after the last.
  long leafOf(T t) const {
    auto it = std::lower_bound(bounds_.begin(), bounds_.end(), t);
    long i = static_cast<long>(it - bounds_.begin());
    return it != bounds_.end() && *it == t ? 2 * i : 2 * i - 1;
  }

  // Whether leafOf(t) is a leaf.
  bool holds(long leaf) const {
    return leaf >= 0 && leaf < static_cast<long>(leaves());
  }

  // The leaves of the open interval between two bounds: from > to when it
  // holds none.
  std::pair<size_t, size_t> inside(T lo, T hi) const {
    return {static_cast<size_t>(leafOf(lo) + 1),
            static_cast<size_t>(leafOf(hi) - 1)};
  }
  // The leaves of the closed interval between two bounds.
  std::pair<size_t, size_t> within(T lo, T hi) const {
    return {static_cast<size_t>(leafOf(lo)), static_cast<size_t>(leafOf(hi))};
  }

 private:
  std::vector<T> bounds_;
};
