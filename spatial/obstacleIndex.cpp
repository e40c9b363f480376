#include "spatial/obstacleIndex.h"

#include <algorithm>
#include <functional>
#include <tuple>
#include <utility>

ObstacleIndex::ObstacleIndex(std::vector<Rect> rects, size_t scanMost)
    : rects_(std::move(rects)), indexed_(rects_.size() > scanMost) {
  if (!indexed_) {
    return;
  }
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

bool ObstacleIndex::blocksHorizontal(float y, float x1, float x2) const {
  float a = std::min(x1, x2), b = std::max(x1, x2);
  if (indexed_) {
    return byY_.stab(y, a, b) >= 0;
  }
  // Every rectangle is tested, without stopping at a hit: a branch per
  // rectangle on where the piece lies costs more than the few tests saved.
  bool hit = false;
  for (const Rect& r : rects_) {
    hit |= (r.ylo < y) & (y < r.yhi) & (r.xlo < b) & (a < r.xhi);
  }
  return hit;
}

bool ObstacleIndex::blocksVertical(float x, float y1, float y2) const {
  float a = std::min(y1, y2), b = std::max(y1, y2);
  if (indexed_) {
    return byX_.stab(x, a, b) >= 0;
  }
  bool hit = false;
  for (const Rect& r : rects_) {
    hit |= (r.xlo < x) & (x < r.xhi) & (r.ylo < b) & (a < r.yhi);
  }
  return hit;
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
  if (indexed_) {
    return byY_.stab(y, x, x);
  }
  // The first rectangle that holds the point and how many do, without a
  // branch per rectangle.
  int found = -1, hits = 0;
  for (size_t k = rects_.size(); k-- > 0;) {
    const Rect& r = rects_[k];
    bool in = (r.xlo < x) & (x < r.xhi) & (r.ylo < y) & (y < r.yhi);
    found = in ? static_cast<int>(k) : found;
    hits += in;
  }
  if (hits > 1) {
    // Overlapping rectangles: name the one the trees name, so that
    // messages do not depend on how many rectangles there are. Rare
    // enough to build the one tree it needs here.
    Axis byY;
    byY.build(rects_, false);
    return byY.stab(y, x, x);
  }
  return found;
}

bool ObstacleIndex::holds(float x, float y) const {
  if (indexed_) {
    return byY_.stab(y, x, x) >= 0;
  }
  bool any = false;
  for (const Rect& r : rects_) {
    any = any | ((r.xlo < x) & (x < r.xhi) & (r.ylo < y) & (y < r.yhi));
  }
  return any;
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
  if (indexed_) {
    std::sort(out.begin(), out.end());
  }
  return out;
}

bool ObstacleIndex::meetsMoreThan(
    float xlo, float ylo, float xhi, float yhi, size_t most) const {
  size_t n = 0;
  return forMeeting(xlo, ylo, xhi, yhi, [&](int) { return ++n > most; });
}

std::vector<int> ObstacleIndex::growBox(Rect& box) const {
  // The hits only gain as the box grows: as many as last time are the same
  // ones, inside the box already. That ends a NaN box too, which never
  // equals itself.
  size_t known = static_cast<size_t>(-1);
  for (;;) {
    std::vector<int> hit = meeting(box.xlo, box.ylo, box.xhi, box.yhi);
    if (hit.size() == known) {
      return hit;
    }
    known = hit.size();
    Rect grown = box;
    for (int r : hit) {
      grown = treecore::plane::hull(grown, rects_[r]);
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
