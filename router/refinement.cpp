#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>

#include "geometry/segment.h"
#include "router/router.h"
#include "support/pick.h"
#include "support/smallLists.h"

namespace {

// A list that does not name `from` is left as it is.
template <class List>
void replaceFirst(List& list, Vertex* from, Vertex* to) {
  for (Vertex*& e : list) {
    if (e == from) {
      e = to;
      return;
    }
  }
}

// Bars s from moving into the obstacle of `corner` when s runs along one of
// its sides past the middle. A corner outside a closed ring has no obstacle.
void setCornerFlags(Segment* s, const Vertex* corner) {
  float sx = 0;
  float sy = 0;
  const Vertex* c = corner;
  do {
    sx += c->x;
    sy += c->y;
    c = c->pNextCorner;
    if (!c) {
      return;
    }
  } while (c != corner);
  float cx = 0.25f * sx;
  float cy = 0.25f * sy;
  if (s->vertical()) {
    float lo = s->y1 < s->y2 ? s->y1 : s->y2;
    float hi = s->y1 < s->y2 ? s->y2 : s->y1;
    if (lo < cy && cy < hi) {
      s->plusSideBlocked = s->x1 < cx;
      s->minusSideBlocked = s->x1 > cx;
    }
  } else if (s->horizontal()) {
    float lo = s->x1 < s->x2 ? s->x1 : s->x2;
    float hi = s->x1 < s->x2 ? s->x2 : s->x1;
    if (lo < cx && cx < hi) {
      s->plusSideBlocked = s->y1 < cy;
      s->minusSideBlocked = s->y1 > cy;
    }
  }
}

// The end of s at v: 1 for the first, 2 for the second, 0 for neither;
// without a branch, as which end lies at a vertex follows no pattern.
unsigned char endAt(const Segment* s, const Vertex* v) {
  bool start = (v->x == s->x1) & (v->y == s->y1);
  bool end = (v->x == s->x2) & (v->y == s->y2);
  return static_cast<unsigned char>(start | (((!start) & end) << 1));
}

// A pin lies at v's point: the end of s there must stay.
void fixEndAt(Segment* s, const Vertex* v) {
  *pick(endAt(s, v) == 1, &s->startFixed, &s->endFixed) = true;
}

// Files t under the end of s given by side, if any.
void attachAt(Segment* s, unsigned char side, Segment* t) {
  if (side) {
    pick(side == 1, &s->startNbrs, &s->endNbrs)->push_back(t);
  }
}

// The segments that meet at v's point become each other's neighbours at
// the end they have there. Each end is worked out once: a handful of
// segments meet at a point.
void linkAt(const Vertex* v, Segment* const* at, size_t count) {
  constexpr size_t kHeld = 8;
  unsigned char held[kHeld];
  for (size_t j = 0; j < count && j < kHeld; ++j) {
    held[j] = endAt(at[j], v);
  }
  auto side = [&](size_t j) { return j < kHeld ? held[j] : endAt(at[j], v); };
  for (size_t j = 0; j < count; ++j) {
    for (size_t k = j + 1; k < count; ++k) {
      attachAt(at[j], side(j), at[k]);
      attachAt(at[k], side(k), at[j]);
    }
  }
}

// Whether two of the vertices stand at one point. Open addressing on the
// points' bits, the sign bit left out so that -0 and 0 meet; equal points
// are told by float comparison. Rare, so that the caller groups by sorting
// only then.
bool anyPointShared(const std::vector<Vertex*>& vertices,
                    std::vector<int>& slots) {
  // Mostly empty, so that a probe seldom meets another point; a large net's
  // less so, to keep it in cache.
  size_t spread = vertices.size() <= 4096 ? 8 : 2;
  size_t cap = 64;
  while (cap < spread * vertices.size()) {
    cap *= 2;
  }
  int shift = 64;
  for (size_t c = cap; c > 1; c /= 2) {
    --shift;
  }
  slots.assign(cap, -1);
  bool shared = false;
  for (size_t i = 0; i < vertices.size() && !shared; ++i) {
    const Vertex* v = vertices[i];
    if (!v) {
      continue;
    }
    std::uint32_t bx;
    std::uint32_t by;
    std::memcpy(&bx, &v->x, sizeof bx);
    std::memcpy(&by, &v->y, sizeof by);
    std::uint64_t key =
        (std::uint64_t{bx & 0x7fffffffu} << 32) | (by & 0x7fffffffu);
    size_t h = static_cast<size_t>((key * 0x9e3779b97f4a7c15ull) >> shift);
    for (; slots[h] >= 0; h = (h + 1) & (cap - 1)) {
      const Vertex* u = vertices[slots[h]];
      if (u->x == v->x && u->y == v->y) {
        shared = true;
        break;
      }
    }
    slots[h] = static_cast<int>(i);
  }
  releaseLarge(slots);
  return shared;
}

}  // namespace

void Router::rectilinearizeSMT() {
  const std::map<Connection, FreeRoute>& routes = legal.treeRoutes;
  // Turning points appended during the pass are already straight.
  size_t n = vertices.size();
  const bool routed = !routes.empty();
  // The places in v's list of the connections to split, picked without a
  // branch on the coordinates. Splitting one changes no other entry of v's.
  std::vector<size_t>& picked = scratch.picked;
  for (size_t i = 0; i < n; ++i) {
    Vertex* v = vertices[i];
    if (!v) {
      continue;
    }
    size_t m = v->mstNbrs.size();
    if (picked.size() < m) {
      picked.resize(m);
    }
    size_t count = 0;
    for (size_t j = 0; j < m; ++j) {
      // A connection taken out reads as one to v itself, which is not
      // picked.
      const Vertex* w = pick(v->mstNbrs[j] != nullptr,
                             static_cast<const Vertex*>(v->mstNbrs[j]),
                             static_cast<const Vertex*>(v));
      // Without routes a straight connection stays: in the pass that
      // moveSegments repeats, every one. Each one left is listed at both
      // ends and split once, from its lower end by x, then y: a diagonal
      // one from its left end.
      bool straight = (v->x == w->x) | (v->y == w->y);
      if (!routed && straight) {
        continue;
      }
      bool lower = (w->x > v->x) | ((w->x == v->x) & (w->y > v->y));
      picked[count] = j;
      count += lower;
    }
    for (size_t c = 0; c < count; ++c) {
      size_t j = picked[c];
      Vertex* w = v->mstNbrs[j];
      auto it = routed ? routes.find({v, w}) : routes.end();
      if (it == routes.end()) {
        if (v->x == w->x || v->y == w->y) {
          continue;
        }
        Vertex* t = new Vertex(w->x, v->y, "turningPoint");
        store.turningPoints.push_back(t);
        pushSmall(t->mstNbrs, v);
        t->mstNbrs.push_back(w);
        v->mstNbrs[j] = t;
        replaceFirst(w->mstNbrs, v, t);
        vertices.push_back(t);
        continue;
      }
      // A chain of turning points at the route's bends, from v to w.
      const std::vector<RoutePoint>& pts = it->second.points;
      Vertex* prev = v;
      for (size_t k = 1; k + 1 < pts.size(); ++k) {
        Vertex* t = new Vertex(pts[k].x, pts[k].y, "turningPoint");
        store.turningPoints.push_back(t);
        vertices.push_back(t);
        pushSmall(t->mstNbrs, prev);
        if (prev == v) {
          v->mstNbrs[j] = t;
        } else {
          pushSmall(prev->mstNbrs, t);
        }
        prev = t;
      }
      if (prev != v) {
        prev->mstNbrs.push_back(w);
        replaceFirst(w->mstNbrs, v, prev);
      }
    }
  }
  releaseLarge(picked);
  // The connections they were for are split now.
  legal.treeRoutes.clear();
}

void Router::rmRedundentVers() {
  for (size_t i = 0; i < vertices.size(); ++i) {
    Vertex* v = vertices[i];
    // Null entries count: [a, null, b] is not a plain pass-through.
    if (!v || v->isAPin() || v->mstNbrs.size() != 2) {
      continue;
    }
    Vertex* a = v->mstNbrs[0];
    Vertex* b = v->mstNbrs[1];
    if (!a || !b || (a->x != b->x && a->y != b->y)) {
      continue;
    }
    replaceFirst(a->mstNbrs, v, b);
    replaceFirst(b->mstNbrs, v, a);
    vertices[i] = nullptr;
  }
}

void Router::refineAgain() {
  rectilinearizeSMT();
  rmRedundentVers();
}

void Router::moveSegments() {
  refineAgain();
  legal.segmentsDrawn = true;

  const ObstacleIndex* index =
      legal.obstacles().empty() ? nullptr : &legal.obstacles();
  // A tree has about one connection per vertex.
  segments.reserve(segments.size() + vertices.size());
  std::vector<Vertex*>& upper = scratch.upper;
  for (Vertex* v : vertices) {
    if (!v) {
      continue;
    }
    size_t m = v->mstNbrs.size();
    if (upper.size() < m) {
      upper.resize(m);
    }
    // Each connection is taken once, from its lower-left end; one of zero
    // length makes no segment. Picked without a branch on the coordinates.
    size_t count = 0;
    for (Vertex* entry : v->mstNbrs) {
      // A connection taken out reads as one to v itself, which is not
      // taken.
      Vertex* w = pick(entry != nullptr, entry, v);
      upper[count] = w;
      count += (w->x > v->x) | ((w->x == v->x) & (w->y > v->y));
    }
    for (size_t c = 0; c < count; ++c) {
      Vertex* w = upper[c];
      Segment* s = new Segment(v->x, v->y, w->x, w->y);
      s->pObstIndex = index;
      if (v->isACorner()) {
        setCornerFlags(s, v);
      }
      segments.push_back(s);
      v->segments.push_back(s);
      w->segments.push_back(s);
    }
  }
  releaseLarge(upper);

  // Several vertex objects can stand at one point (a Steiner point on a
  // corner, turning points of a connection listed twice, the ends of a
  // zero-length connection). The segments that end there meet all the
  // same, so they are linked as one vertex's, under the first of them in
  // vertices; a pin among them keeps every one of them in place.
  if (!anyPointShared(vertices, scratch.slots)) {
    // Each point is one vertex's: its segments are linked there, and fixed
    // there when it is a pin.
    for (Vertex* v : vertices) {
      if (!v) {
        continue;
      }
      Segment* const* at = v->segments.begin();
      size_t count = v->segments.size();
      if (v->isAPin()) {
        for (size_t j = 0; j < count; ++j) {
          fixEndAt(at[j], v);
        }
      }
      linkAt(v, at, count);
    }
    for (Segment* s : segments) {
      s->move();
    }
    return;
  }
  // By point, then by place in vertices: no two compare equal, so any sort
  // leaves the one order. The points are copied in, sparing the comparisons
  // a look-up each.
  using Placed = RouterScratch::Placed;
  std::vector<Placed>& order = scratch.order;
  // The segments at each point held by several vertices, point after point:
  // group g's run from groupStart[g] to groupStart[g + 1].
  std::vector<Segment*>& shared = scratch.shared;
  std::vector<size_t>& groupStart = scratch.groupStart;
  std::vector<int>& groupOf = scratch.groupOf;
  std::vector<char>& linkedElsewhere = scratch.linkedElsewhere;
  order.clear();
  for (size_t i = 0; i < vertices.size(); ++i) {
    if (const Vertex* v = vertices[i]) {
      order.push_back({v->x, v->y, i});
    }
  }
  std::sort(order.begin(), order.end(), [](const Placed& a, const Placed& b) {
    return a.x < b.x ||
           (a.x == b.x && (a.y < b.y || (a.y == b.y && a.i < b.i)));
  });
  shared.clear();
  groupStart.assign(1, 0);
  groupOf.assign(vertices.size(), -1);
  linkedElsewhere.assign(vertices.size(), 0);
  for (size_t k = 0; k < order.size();) {
    size_t e = k;
    const Vertex* first = vertices[order[k].i];
    bool pin = false;
    while (e < order.size() && order[e].x == first->x &&
           order[e].y == first->y) {
      pin = pin || vertices[order[e].i]->isAPin();
      ++e;
    }
    if (e - k > 1) {
      groupOf[order[k].i] = static_cast<int>(groupStart.size() - 1);
      for (size_t j = k; j < e; ++j) {
        Vertex* v = vertices[order[j].i];
        shared.insert(shared.end(), v->segments.begin(), v->segments.end());
        linkedElsewhere[order[j].i] = j > k;
      }
      groupStart.push_back(shared.size());
    }
    if (pin) {
      for (size_t j = k; j < e; ++j) {
        for (Segment* s : vertices[order[j].i]->segments) {
          fixEndAt(s, first);
        }
      }
    }
    k = e;
  }

  for (size_t i = 0; i < vertices.size(); ++i) {
    Vertex* v = vertices[i];
    if (!v || linkedElsewhere[i]) {
      continue;
    }
    int g = groupOf[i];
    Segment* const* at =
        g >= 0 ? shared.data() + groupStart[g] : v->segments.begin();
    size_t count =
        g >= 0 ? groupStart[g + 1] - groupStart[g] : v->segments.size();
    linkAt(v, at, count);
  }
  releaseLarge(order);
  releaseLarge(shared);
  releaseLarge(groupStart);
  releaseLarge(groupOf);
  releaseLarge(linkedElsewhere);

  // Each move shifts the legs it drags, so later segments see the tree as
  // already refined.
  for (Segment* s : segments) {
    s->move();
  }
}
