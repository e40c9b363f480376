#include "legal/obstacleIndex.h"

#include <algorithm>
#include <functional>
#include <tuple>
#include <utility>

#include "geometry/vertex.h"

ObstacleIndex::ObstacleIndex(std::vector<Rect> rects)
    : rects_(std::move(rects)) {
  boxOrder_.resize(rects_.size());
  for (size_t k = 0; k < boxOrder_.size(); ++k) {
    boxOrder_[k] = static_cast<int>(k);
  }
  auto centre = [&](int k) {
    const Rect& r = rects_[k];
    return std::make_tuple(static_cast<double>(r.ylo) + r.yhi,
                           static_cast<double>(r.xlo) + r.xhi, k);
  };
  std::sort(boxOrder_.begin(), boxOrder_.end(),
            [&](int a, int b) { return centre(a) < centre(b); });
  boxes_ = BoxTree<float>(boxOrder_.size(),
                          [&](size_t i) { return rects_[boxOrder_[i]]; });
  byY_.build(rects_, false);
  byX_.build(rects_, true);
}

std::vector<ObstacleIndex::Rect> ObstacleIndex::rectsOf(
    const std::vector<Vertex*>& vertices) {
  std::vector<Rect> rects;
  // The corners, sorted, with a mark each: a handful of rings costs no
  // hash node per corner.
  std::vector<const Vertex*> corners;
  corners.reserve(vertices.size());
  for (const Vertex* c : vertices) {
    if (c && c->isACorner()) {
      corners.push_back(c);
    }
  }
  std::sort(corners.begin(), corners.end(), std::less<const Vertex*>());
  std::vector<char> seen(corners.size(), 0);
  auto mark = [&](const Vertex* v) -> char* {
    auto it = std::lower_bound(corners.begin(), corners.end(), v,
                               std::less<const Vertex*>());
    return it != corners.end() && *it == v ? &seen[it - corners.begin()]
                                           : nullptr;
  };
  for (const Vertex* c : vertices) {
    if (!c || !c->isACorner() || *mark(c)) {
      continue;
    }
    Rect r{c->x, c->y, c->x, c->y};
    const Vertex* v = c;
    do {
      if (char* m = mark(v)) {
        *m = 1;
      }
      r.xlo = std::min(r.xlo, v->x);
      r.xhi = std::max(r.xhi, v->x);
      r.ylo = std::min(r.ylo, v->y);
      r.yhi = std::max(r.yhi, v->y);
      v = v->pNextCorner;
    } while (v && v != c);
    rects.push_back(r);
  }
  return rects;
}

bool ObstacleIndex::blocksHorizontal(float y, float x1, float x2) const {
  return byY_.stab(y, std::min(x1, x2), std::max(x1, x2)) >= 0;
}

bool ObstacleIndex::blocksVertical(float x, float y1, float y2) const {
  return byX_.stab(x, std::min(y1, y2), std::max(y1, y2)) >= 0;
}

bool ObstacleIndex::blocksPiece(float x1, float y1, float x2, float y2) const {
  if (y1 == y2) {
    return blocksHorizontal(y1, x1, x2);
  }
  if (x1 == x2) {
    return blocksVertical(x1, y1, y2);
  }
  return true;
}

int ObstacleIndex::containing(float x, float y) const {
  return byY_.stab(y, x, x);
}

std::vector<int> ObstacleIndex::meeting(float xlo,
                                        float ylo,
                                        float xhi,
                                        float yhi) const {
  std::vector<int> out;
  forMeeting(xlo, ylo, xhi, yhi, [&](int k) {
    out.push_back(k);
    return false;
  });
  std::sort(out.begin(), out.end());
  return out;
}

bool ObstacleIndex::meetsMoreThan(
    float xlo, float ylo, float xhi, float yhi, size_t most) const {
  size_t n = 0;
  return forMeeting(xlo, ylo, xhi, yhi, [&](int) { return ++n > most; });
}

std::vector<int> ObstacleIndex::growBox(Rect& box) const {
  for (;;) {
    std::vector<int> hit = meeting(box.xlo, box.ylo, box.xhi, box.yhi);
    Rect grown = box;
    for (int r : hit) {
      grown = plane::hull(grown, rects_[r]);
    }
    if (grown == box) {
      return hit;
    }
    box = grown;
  }
}

void ObstacleIndex::Axis::build(const std::vector<Rect>& rects, bool alongX) {
  std::vector<float> ends;
  for (const Rect& r : rects) {
    ends.push_back(alongX ? r.xlo : r.ylo);
    ends.push_back(alongX ? r.xhi : r.yhi);
  }
  bounds_ = BoundLeaves<float>(std::move(ends));
  items_ = SegmentLists<Item>(
      bounds_.leaves(), rects.size(),
      [&](size_t k) {
        const Rect& r = rects[k];
        return alongX ? bounds_.inside(r.xlo, r.xhi)
                      : bounds_.inside(r.ylo, r.yhi);
      },
      [&](size_t k) {
        const Rect& r = rects[k];
        return alongX ? Item{r.ylo, r.yhi, static_cast<int>(k)}
                      : Item{r.xlo, r.xhi, static_cast<int>(k)};
      });
  maxHi_.resize(items_.items().size());
  for (size_t n = 0; n < items_.nodes(); ++n) {
    std::sort(items_.begin(n), items_.end(n), [](const Item& a, const Item& b) {
      return a.lo < b.lo || (a.lo == b.lo && a.rect < b.rect);
    });
    float m = 0;
    for (const Item* it = items_.begin(n); it != items_.end(n); ++it) {
      m = it == items_.begin(n) ? it->hi : std::max(m, it->hi);
      maxHi_[it - items_.items().data()] = m;
    }
  }
}

int ObstacleIndex::Axis::stab(float t, float a, float b) const {
  long p = bounds_.leafOf(t);
  if (!bounds_.holds(p)) {
    return -1;
  }
  int found = -1;
  items_.shape().path(static_cast<size_t>(p), [&](size_t node) {
    // Items with lo < b (lo < a for a point) may meet; the running maximum
    // of their high ends finds the first one that does.
    const Item* from = items_.begin(node);
    const Item* end =
        std::lower_bound(from, items_.end(node), b,
                         [](const Item& it, float x) { return it.lo < x; });
    auto maxFrom = maxHi_.begin() + items_.first(node);
    auto maxEnd = maxFrom + (end - from);
    auto hit = std::upper_bound(maxFrom, maxEnd, a);
    if (hit == maxEnd) {
      return false;
    }
    found = from[hit - maxFrom].rect;
    return true;
  });
  return found;
}
