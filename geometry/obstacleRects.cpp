#include "geometry/obstacleRects.h"

#include <algorithm>
#include <cstdint>

#include "geometry/vertex.h"

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

std::vector<ObstacleIndex::Rect> collectObstacleRects(
    const std::vector<Vertex*>& vertices) {
  size_t corners = 0;
  for (const Vertex* c : vertices) {
    corners += c && c->isACorner() ? 1 : 0;
  }
  std::vector<ObstacleIndex::Rect> rects;
  if (corners == 0) {
    return rects;
  }
  rects.reserve(corners / 4);
  CornerMarks seen(corners);
  for (const Vertex* c : vertices) {
    if (!c || !c->isACorner() || seen.has(c)) {
      continue;
    }
    ObstacleIndex::Rect r{c->x, c->y, c->x, c->y};
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
