#pragma once
#include <algorithm>
#include <numeric>
#include <vector>

// Union-find over the indices 0..size()-1, for what has no fields of its
// own to link (see DisjointSet). On a join the part keeps the smaller index,
// so a part is known by its first member whatever the order of joins.
class IndexParts {
 public:
  explicit IndexParts(size_t n = 0) : up_(n) {
    std::iota(up_.begin(), up_.end(), 0);
  }

  // A new index, a part of its own.
  int add() {
    up_.push_back(static_cast<int>(up_.size()));
    return up_.back();
  }
  size_t size() const { return up_.size(); }

  // Every index of 0..n-1 a part of its own again, on the storage already
  // held: a working set reused from one call to the next.
  void reset(size_t n) {
    up_.resize(n);
    std::iota(up_.begin(), up_.end(), 0);
  }
  void clear() { up_.clear(); }
  size_t capacity() const { return up_.capacity(); }
  void swap(IndexParts& other) noexcept { up_.swap(other.up_); }

  // Path halving, without recursion.
  int find(int a) {
    while (up_[a] != a) {
      a = up_[a] = up_[up_[a]];
    }
    return a;
  }
  // False when a and b were joined already.
  bool join(int a, int b) {
    a = find(a);
    b = find(b);
    if (a == b) {
      return false;
    }
    up_[std::max(a, b)] = std::min(a, b);
    return true;
  }

 private:
  std::vector<int> up_;
};
