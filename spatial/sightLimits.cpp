#include "spatial/sightLimits.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "support/segmentTree.h"

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
  std::vector<float> ends;
  for (const Box& b : boxes) {
    ends.push_back(b.blo);
    ends.push_back(b.bhi);
  }
  BoundLeaves<float> bounds(std::move(ends));
  SegmentTree<float, Least> tree(bounds.leaves(), inf);

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
        auto span = bounds.inside(b.blo, b.bhi);
        tree.spread(span.first, span.second, b.lo);
      }
    }
    long p = bounds.leafOf(pts[i].second);
    if (bounds.holds(p)) {
      hits[i] = tree.gather(static_cast<size_t>(p));
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
