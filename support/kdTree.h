#pragma once
#include <algorithm>
#include <limits>
#include <vector>

// Points numbered 0, 1, 2, ... in the order a sweep meets them, dropped in
// that order; answers which remaining point of a box comes first. Each node
// keeps its subtree's bounding box and least remaining number, so a query
// enters only subtrees that could still beat the best found.
class KdTree {
 public:
  static constexpr int kNone = std::numeric_limits<int>::max();

  // xs[i], ys[i]: point i; the points before from count as dropped.
  KdTree(const std::vector<float>& xs,
         const std::vector<float>& ys,
         int from = 0) {
    int n = static_cast<int>(xs.size()) - from;
    nodes_.resize(n);
    std::vector<int> ids(n);
    for (int i = 0; i < n; ++i) {
      ids[i] = from + i;
    }
    nodeOf_.assign(xs.size(), -1);
    root_ = build(ids, xs, ys, 0, n, 0, -1);
  }

  // Drops point i; every point before it must have been dropped already.
  void drop(int i) {
    int k = nodeOf_[i];
    if (k < 0) {
      return;
    }
    nodes_[k].alive = false;
    for (; k >= 0; k = nodes_[k].parent) {
      Node& a = nodes_[k];
      int least = a.alive ? a.id : kNone;
      for (int c : {a.left, a.right}) {
        if (c >= 0) {
          least = std::min(least, nodes_[c].least);
        }
      }
      a.least = least;
    }
  }

  // The least remaining number in [x0, x1] x [y0, y1] below best, or best.
  int first(float x0, float x1, float y0, float y1, int best = kNone) const {
    if (root_ >= 0) {
      search(root_, x0, x1, y0, y1, best);
    }
    return best;
  }

 private:
  struct Node {
    float x, y, x0, x1, y0, y1;
    int id, least, left, right, parent;
    bool alive;
  };

  // Nodes of a subtree occupy [lo, hi) of nodes_, its root at the median.
  int build(std::vector<int>& ids,
            const std::vector<float>& xs,
            const std::vector<float>& ys,
            int lo,
            int hi,
            int depth,
            int parent) {
    if (lo >= hi) {
      return -1;
    }
    int mid = lo + (hi - lo) / 2;
    const std::vector<float>& c = depth % 2 == 0 ? xs : ys;
    std::nth_element(ids.begin() + lo, ids.begin() + mid, ids.begin() + hi,
                     [&c](int a, int b) { return c[a] < c[b]; });
    Node& a = nodes_[mid];
    int id = ids[mid];
    a = {xs[id], ys[id], xs[id], xs[id], ys[id], ys[id],
         id,     id,     -1,     -1,     parent, true};
    nodeOf_[id] = mid;
    int l = build(ids, xs, ys, lo, mid, depth + 1, mid);
    int r = build(ids, xs, ys, mid + 1, hi, depth + 1, mid);
    Node& b = nodes_[mid];
    b.left = l;
    b.right = r;
    for (int k : {l, r}) {
      if (k >= 0) {
        const Node& s = nodes_[k];
        b.x0 = std::min(b.x0, s.x0);
        b.x1 = std::max(b.x1, s.x1);
        b.y0 = std::min(b.y0, s.y0);
        b.y1 = std::max(b.y1, s.y1);
        b.least = std::min(b.least, s.least);
      }
    }
    return mid;
  }

  void search(int k, float x0, float x1, float y0, float y1, int& best) const {
    const Node& a = nodes_[k];
    if (a.least >= best || a.x1 < x0 || a.x0 > x1 || a.y1 < y0 || a.y0 > y1) {
      return;
    }
    if (a.alive && a.id < best && x0 <= a.x && a.x <= x1 && y0 <= a.y &&
        a.y <= y1) {
      best = a.id;
    }
    int l = a.left, r = a.right;
    if (l >= 0 && r >= 0 && nodes_[r].least < nodes_[l].least) {
      std::swap(l, r);
    }
    for (int c : {l, r}) {
      if (c >= 0) {
        search(c, x0, x1, y0, y1, best);
      }
    }
  }

  std::vector<Node> nodes_;
  std::vector<int> nodeOf_;
  int root_ = -1;
};
