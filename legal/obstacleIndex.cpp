#include "legal/obstacleIndex.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "geometry/vertex.h"

ObstacleIndex::ObstacleIndex(std::vector<Rect> rects)
    : rects_(std::move(rects)), boxes_(rects_.size(), [this](size_t i) {
        const Rect& r = rects_[i];
        return BoxTree<float>::Box{r.xlo, r.ylo, r.xhi, r.yhi};
      }) {
  byY_.build(rects_, false);
  byX_.build(rects_, true);
}

std::vector<ObstacleIndex::Rect> ObstacleIndex::rectsOf(
    const std::vector<Vertex*>& vertices) {
  std::vector<Rect> rects;
  std::unordered_set<const Vertex*> seen;
  for (const Vertex* c : vertices) {
    if (!c || !c->isACorner() || seen.count(c)) {
      continue;
    }
    Rect r{c->x, c->y, c->x, c->y};
    const Vertex* v = c;
    do {
      seen.insert(v);
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
      const Rect& o = rects_[r];
      grown = {std::min(grown.xlo, o.xlo), std::min(grown.ylo, o.ylo),
               std::max(grown.xhi, o.xhi), std::max(grown.yhi, o.yhi)};
    }
    if (grown.xlo == box.xlo && grown.ylo == box.ylo && grown.xhi == box.xhi &&
        grown.yhi == box.yhi) {
      return hit;
    }
    box = grown;
  }
}

// Positions: 2i is the bound i itself, 2i + 1 the open gap after it.
int ObstacleIndex::Axis::position(float t) const {
  auto it = std::lower_bound(bounds_.begin(), bounds_.end(), t);
  int i = static_cast<int>(it - bounds_.begin());
  if (it != bounds_.end() && *it == t) {
    return 2 * i;
  }
  return 2 * i - 1;  // the gap before bound i; -1 or size_ when outside
}

void ObstacleIndex::Axis::build(const std::vector<Rect>& rects, bool alongX) {
  for (const Rect& r : rects) {
    bounds_.push_back(alongX ? r.xlo : r.ylo);
    bounds_.push_back(alongX ? r.xhi : r.yhi);
  }
  std::sort(bounds_.begin(), bounds_.end());
  bounds_.erase(std::unique(bounds_.begin(), bounds_.end()), bounds_.end());
  size_ = bounds_.empty() ? 0 : 2 * static_cast<int>(bounds_.size()) - 1;
  items_.assign(size_ > 0 ? 4 * size_ : 0, {});
  for (int k = 0; k < static_cast<int>(rects.size()); ++k) {
    const Rect& r = rects[k];
    float lo = alongX ? r.xlo : r.ylo;
    float hi = alongX ? r.xhi : r.yhi;
    Item it{alongX ? r.ylo : r.xlo, alongX ? r.yhi : r.xhi, k};
    insert(1, 0, size_ - 1, position(lo) + 1, position(hi) - 1, it);
  }
  maxHi_.resize(items_.size());
  for (size_t n = 0; n < items_.size(); ++n) {
    std::vector<Item>& v = items_[n];
    std::sort(v.begin(), v.end(), [](const Item& a, const Item& b) {
      return a.lo < b.lo || (a.lo == b.lo && a.rect < b.rect);
    });
    float m = 0;
    for (size_t i = 0; i < v.size(); ++i) {
      m = i == 0 ? v[i].hi : std::max(m, v[i].hi);
      maxHi_[n].push_back(m);
    }
  }
}

void ObstacleIndex::Axis::insert(
    int node, int l, int r, int from, int to, const Item& it) {
  if (to < l || r < from) {
    return;
  }
  if (from <= l && r <= to) {
    items_[node].push_back(it);
    return;
  }
  int m = (l + r) / 2;
  insert(2 * node, l, m, from, to, it);
  insert(2 * node + 1, m + 1, r, from, to, it);
}

int ObstacleIndex::Axis::stab(float t, float a, float b) const {
  int p = position(t);
  if (p < 0 || p >= size_) {
    return -1;
  }
  int node = 1, l = 0, r = size_ - 1;
  for (;;) {
    const std::vector<Item>& v = items_[node];
    // Items with lo < b (lo < a for a point) may meet; the running maximum
    // of their high ends finds the first one that does.
    auto end =
        std::lower_bound(v.begin(), v.end(), b,
                         [](const Item& it, float x) { return it.lo < x; });
    auto maxEnd = maxHi_[node].begin() + (end - v.begin());
    auto hit = std::upper_bound(maxHi_[node].begin(), maxEnd, a);
    if (hit != maxEnd) {
      return v[hit - maxHi_[node].begin()].rect;
    }
    if (l == r) {
      return -1;
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
}
