#include "spatial/obstacleIndex.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <tuple>
#include <utility>

#include "geometry/vertex.h"

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

namespace {

// The corners already read into a ring, in an open-addressed table of
// pointers: no node per corner, and a handful of rings costs one buffer.
class CornerMarks {
 public:
  explicit CornerMarks(size_t expected) {
    size_t n = 16;
    while (n < 2 * expected) {
      n *= 2;
      --shift_;
    }
    slots_.assign(n, nullptr);
  }

  bool has(const Vertex* v) const { return slots_[find(v)] == v; }

  void mark(const Vertex* v) {
    size_t i = find(v);
    if (slots_[i] == v) {
      return;
    }
    slots_[i] = v;
    // At most half full, so every probe ends soon at an empty slot.
    if (2 * ++count_ > slots_.size()) {
      std::vector<const Vertex*> old(2 * slots_.size(), nullptr);
      old.swap(slots_);
      --shift_;
      for (const Vertex* w : old) {
        if (w) {
          slots_[find(w)] = w;
        }
      }
    }
  }

 private:
  size_t find(const Vertex* v) const {
    size_t mask = slots_.size() - 1;
    // Allocated vertices lie evenly spaced, which one multiplication maps to
    // runs of neighbouring slots; a second after a shift breaks the runs.
    std::uint64_t h =
        static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(v)) *
        UINT64_C(0x9E3779B97F4A7C15);
    h = (h ^ (h >> 29)) * UINT64_C(0xBF58476D1CE4E5B9);
    size_t i = static_cast<size_t>(h >> shift_);
    while (slots_[i] && slots_[i] != v) {
      i = (i + 1) & mask;
    }
    return i;
  }

  std::vector<const Vertex*> slots_;
  size_t count_ = 0;
  int shift_ = 60;  // 64 less the bits of slots_.size()
};

}  // namespace

std::vector<ObstacleIndex::Rect> ObstacleIndex::rectsOf(
    const std::vector<Vertex*>& vertices) {
  size_t corners = 0;
  for (const Vertex* c : vertices) {
    corners += c && c->isACorner() ? 1 : 0;
  }
  std::vector<Rect> rects;
  if (corners == 0) {
    return rects;
  }
  rects.reserve(corners / 4);
  CornerMarks seen(corners);
  for (const Vertex* c : vertices) {
    if (!c || !c->isACorner() || seen.has(c)) {
      continue;
    }
    Rect r{c->x, c->y, c->x, c->y};
    const Vertex* v = c;
    do {
      seen.mark(v);
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
