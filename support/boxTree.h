#pragma once
#include <algorithm>
#include <vector>

#include "support/plane.h"

// A static hierarchy of boxes (a point is a box of no extent) for finding
// those that meet a query box without looking at all of them; T is the
// coordinate type.
template <class T>
class BoxTree {
 public:
  using Box = treecore::plane::Box<T>;

  BoxTree() = default;
  explicit BoxTree(const std::vector<Box>& boxes)
      : BoxTree(boxes.size(), [&boxes](size_t i) { return boxes[i]; }) {}
  // n boxes, box i being boxOf(i).
  template <class BoxOf>
  BoxTree(size_t n, BoxOf boxOf) {
    boxes_.reserve(n);
    for (size_t i = 0; i < n; ++i) {
      boxes_.push_back(boxOf(i));
    }
    order_.resize(n);
    for (size_t i = 0; i < order_.size(); ++i) {
      order_[i] = static_cast<long>(i);
    }
    if (!order_.empty()) {
      nodes_.emplace_back();
      build(0, 0, order_.size());
    }
    // Leaves then scan their boxes in one stretch of memory.
    std::vector<Box> inLeafOrder(boxes_.size());
    for (size_t k = 0; k < order_.size(); ++k) {
      inLeafOrder[k] = boxes_[order_[k]];
    }
    boxes_.swap(inLeafOrder);
  }

  // Calls visit(i) for each box i whose closed extent meets the closed box
  // q, until visit returns true; returns whether it did.
  template <class Visit>
  bool query(const Box& q, Visit visit) const {
    if (nodes_.empty()) {
      return false;
    }
    // Depth-first: at most one pending sibling per level of a balanced tree.
    size_t stack[2 * 64];
    size_t top = 0;
    stack[top++] = 0;
    while (top > 0) {
      const Node& n = nodes_[stack[--top]];
      if (!meets(n.bounds, q)) {
        continue;
      }
      if (n.left == 0) {
        for (size_t k = n.begin; k < n.end; ++k) {
          if (meets(boxes_[k], q) && visit(order_[k])) {
            return true;
          }
        }
      } else {
        stack[top++] = n.left;
        stack[top++] = n.left + 1;
      }
    }
    return false;
  }

 private:
  struct Node {
    Box bounds{};
    size_t begin = 0;
    size_t end = 0;
    size_t left = 0;  // children at left and left + 1; 0 for a leaf
  };

  static bool meets(const Box& a, const Box& b) {
    return a.xlo <= b.xhi && b.xlo <= a.xhi && a.ylo <= b.yhi && b.ylo <= a.yhi;
  }

  // Splits at the median centre along the longer side of the bounds.
  void build(size_t slot, size_t begin, size_t end) {
    Box b = boxes_[order_[begin]];
    for (size_t k = begin; k < end; ++k) {
      const Box& r = boxes_[order_[k]];
      b = treecore::plane::hull(b, r);
    }
    nodes_[slot] = {b, begin, end, 0};
    if (end - begin <= kLeaf) {
      return;
    }
    bool alongX = static_cast<double>(b.xhi) - b.xlo >=
                  static_cast<double>(b.yhi) - b.ylo;
    auto centre = [&](long i) {
      const Box& r = boxes_[i];
      return alongX ? static_cast<double>(r.xlo) + r.xhi
                    : static_cast<double>(r.ylo) + r.yhi;
    };
    size_t mid = begin + (end - begin) / 2;
    std::nth_element(order_.begin() + begin, order_.begin() + mid,
                     order_.begin() + end, [&](long a, long c) {
                       return centre(a) < centre(c) ||
                              (centre(a) == centre(c) && a < c);
                     });
    size_t left = nodes_.size();
    nodes_.emplace_back();
    nodes_.emplace_back();
    nodes_[slot].left = left;
    build(left, begin, mid);
    build(left + 1, mid, end);
  }

  static constexpr size_t kLeaf = 8;
  std::vector<Box> boxes_;  // in the order of order_ once built
  std::vector<long> order_;
  std::vector<Node> nodes_;
};
