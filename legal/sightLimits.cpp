#include "legal/sightLimits.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr float inf = std::numeric_limits<float>::infinity();

// An open rectangle seen along one axis: travel extent [lo, hi], open cross
// extent (blo, bhi).
struct Box {
  float lo;
  float hi;
  float blo;
  float bhi;
};

// For each point (travel a, cross b): the least lo at or beyond a among the
// boxes whose open cross extent holds b, inf when there is none. Sweeps the
// points against descending lo; a segment tree over the cross bounds keeps
// the least lo inserted so far over each open stretch.
std::vector<float> firstHits(const std::vector<std::pair<float, float>>& pts,
                             std::vector<Box> boxes) {
  std::vector<float> bounds;
  for (const Box& b : boxes) {
    bounds.push_back(b.blo);
    bounds.push_back(b.bhi);
  }
  std::sort(bounds.begin(), bounds.end());
  bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
  // Position 2i is bound i, 2i + 1 the open gap after it.
  auto position = [&](float t) {
    auto it = std::lower_bound(bounds.begin(), bounds.end(), t);
    int i = static_cast<int>(it - bounds.begin());
    return it != bounds.end() && *it == t ? 2 * i : 2 * i - 1;
  };
  int size = bounds.empty() ? 0 : 2 * static_cast<int>(bounds.size()) - 1;
  std::vector<float> tree(size > 0 ? 4 * size : 0, inf);
  auto mark = [&](auto& self, int node, int l, int r, int from, int to,
                  float lo) -> void {
    if (to < l || r < from) {
      return;
    }
    if (from <= l && r <= to) {
      tree[node] = std::min(tree[node], lo);
      return;
    }
    int m = (l + r) / 2;
    self(self, 2 * node, l, m, from, to, lo);
    self(self, 2 * node + 1, m + 1, r, from, to, lo);
  };
  auto least = [&](int p) {
    float best = inf;
    int node = 1, l = 0, r = size - 1;
    for (;;) {
      best = std::min(best, tree[node]);
      if (l == r) {
        return best;
      }
      int m = (l + r) / 2;
      if (p <= m) {
        node = 2 * node;
        r = m;
      } else {
        node = 2 * node + 1;
        l = m + 1;
      }
    }
  };

  std::sort(boxes.begin(), boxes.end(),
            [](const Box& a, const Box& b) { return a.lo > b.lo; });
  std::vector<size_t> order(pts.size());
  for (size_t i = 0; i < order.size(); ++i) {
    order[i] = i;
  }
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return pts[a].first > pts[b].first; });
  std::vector<float> hits(pts.size(), inf);
  size_t next = 0;
  for (size_t i : order) {
    while (next < boxes.size() && boxes[next].lo >= pts[i].first) {
      const Box& b = boxes[next++];
      if (b.lo < b.hi && b.blo < b.bhi) {
        mark(mark, 1, 0, size - 1, position(b.blo) + 1, position(b.bhi) - 1,
             b.lo);
      }
    }
    int p = position(pts[i].second);
    if (p >= 0 && p < size) {
      hits[i] = least(p);
    }
  }
  return hits;
}

}  // namespace

std::array<std::vector<float>, 4> sightLimits(
    const std::vector<ObstacleIndex::Rect>& rects,
    const std::vector<float>& xs,
    const std::vector<float>& ys) {
  std::array<std::vector<float>, 4> out;
  std::vector<std::pair<float, float>> pts;
  std::vector<Box> boxes;
  for (int dir = 0; dir < 4; ++dir) {
    bool alongX = dir == seeRight || dir == seeLeft;
    // Mirrored directions run negated.
    float sign = dir == seeRight || dir == seeUp ? 1.0f : -1.0f;
    pts.clear();
    for (size_t i = 0; i < xs.size(); ++i) {
      pts.emplace_back(sign * (alongX ? xs[i] : ys[i]), alongX ? ys[i] : xs[i]);
    }
    boxes.clear();
    for (const ObstacleIndex::Rect& q : rects) {
      float lo = alongX ? q.xlo : q.ylo;
      float hi = alongX ? q.xhi : q.yhi;
      if (sign < 0) {
        std::swap(lo, hi);
      }
      boxes.push_back({sign * lo, sign * hi, alongX ? q.ylo : q.xlo,
                       alongX ? q.yhi : q.xhi});
    }
    std::vector<float> hits = firstHits(pts, boxes);
    for (float& h : hits) {
      h *= sign;
    }
    out[dir] = std::move(hits);
  }
  return out;
}
