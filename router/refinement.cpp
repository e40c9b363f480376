#include <map>
#include <set>
#include <utility>

#include "geometry/segment.h"
#include "router/router.h"

namespace {

using Point = std::pair<float, float>;

// A list that does not name `from` is left as it is.
void replaceFirst(std::vector<Vertex*>& list, Vertex* from, Vertex* to) {
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

// Files t under the end of s that lies at v.
void attach(Segment* s, const Vertex* v, Segment* t) {
  if (v->x == s->x1 && v->y == s->y1) {
    s->startNbrs.push_back(t);
  } else if (v->x == s->x2 && v->y == s->y2) {
    s->endNbrs.push_back(t);
  }
}

}  // namespace

void Router::rectilinearizeSMT() {
  // Turning points appended during the pass are already straight.
  size_t n = vertices.size();
  for (size_t i = 0; i < n; ++i) {
    Vertex* v = vertices[i];
    if (!v) {
      continue;
    }
    size_t m = v->mstNbrs.size();
    for (size_t j = 0; j < m; ++j) {
      Vertex* w = v->mstNbrs[j];
      // Each diagonal connection is listed at both ends and split once, from
      // its left end.
      if (!w || v->x == w->x || v->y == w->y || !(w->x > v->x)) {
        continue;
      }
      Vertex* t = new Vertex(w->x, v->y, "turningPoint");
      turningPoints.push_back(t);
      t->mstNbrs.push_back(v);
      t->mstNbrs.push_back(w);
      v->mstNbrs[j] = t;
      replaceFirst(w->mstNbrs, v, t);
      vertices.push_back(t);
    }
  }
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

void Router::moveSegments() {
  rectilinearizeSMT();
  rmRedundentVers();

  // Who ends a segment at each point: segments of two vertices at one point
  // are never linked to each other, so neither set may move there.
  std::map<Point, const Vertex*> holder;
  std::set<Point> fixedPoints;
  auto hold = [&](const Vertex* v) {
    Point p(v->x, v->y);
    auto it = holder.emplace(p, v).first;
    if (it->second != v) {
      fixedPoints.insert(p);
    }
  };
  for (Vertex* v : vertices) {
    if (!v) {
      continue;
    }
    if (v->isAPin()) {
      fixedPoints.emplace(v->x, v->y);
    }
    for (Vertex* w : v->mstNbrs) {
      // Each connection is taken once, from its lower-left end; one of zero
      // length makes no segment.
      if (!w || !(w->x > v->x || (w->x == v->x && w->y > v->y))) {
        continue;
      }
      Segment* s = new Segment(v->x, v->y, w->x, w->y);
      if (v->isACorner()) {
        setCornerFlags(s, v);
      }
      segments.push_back(s);
      v->segments.push_back(s);
      w->segments.push_back(s);
      hold(v);
      hold(w);
    }
  }
  for (Segment* s : segments) {
    s->startFixed = fixedPoints.count(Point(s->x1, s->y1)) > 0;
    s->endFixed = fixedPoints.count(Point(s->x2, s->y2)) > 0;
  }

  for (Vertex* v : vertices) {
    if (!v) {
      continue;
    }
    std::vector<Segment*>& at = v->segments;
    for (size_t j = 0; j < at.size(); ++j) {
      for (size_t k = j + 1; k < at.size(); ++k) {
        attach(at[j], v, at[k]);
        attach(at[k], v, at[j]);
      }
    }
  }

  // Each move shifts the legs it drags, so later segments see the tree as
  // already refined.
  for (Segment* s : segments) {
    s->move();
  }
}
