#include <algorithm>
#include <cmath>
#include <limits>

#include "router/router.h"
#include "support/binarySearchTree.h"
#include "support/rankTree.h"
#include "support/smallLists.h"

namespace {

using VerNode = Node<Vertex, Vertex*, float>;

// Ascending key and nothing else: equal keys may come out in any order.
struct VerNodeLess {
  bool operator()(const VerNode& a, const VerNode& b) const {
    return a.key() < b.key();
  }
};

// True when a lies beyond b in the direction of sign (+1 or -1).
bool beyond(float a, float b, int sign) {
  return sign > 0 ? a > b : a < b;
}

bool atOrBeyond(float a, float b, int sign) {
  return sign > 0 ? a >= b : a <= b;
}

// The direction of one sweep. Each waiting vertex d is joined to a vertex f
// that lies on side sx of d in x (+1 right) and side sy in y (+1 above).
struct QuadSweep {
  const char* key;
  int sx;
  int sy;
  double step;  // signed; moves the query bound away from f
  bool (Router::*horiEdgeBetween)(Vertex*, Vertex*, Vertex*);
  bool (Router::*vertEdgeBetween)(Vertex*, Vertex*, Vertex*);
};

using VerRankTree = RankTree<Vertex, Vertex*, float>;
using VerEntry = VerRankTree::Entry;

// The nearest edge-tree key at or beyond x on side sign, the side on which
// d's partners lie.
VerEntry* nearestOnSide(const VerRankTree& tree, float x, int sign) {
  return sign > 0 ? tree.lowerInc(x) : tree.upperInc(x);
}

// The next query bound after candidate x: the design's rounded step, or the
// next float past x where the float cannot represent that step.
float nextBound(float x, const QuadSweep& s) {
  float q = static_cast<float>(static_cast<double>(x) + s.step);
  if (beyond(q, x, -s.sx)) {
    return q;
  }
  float inf = std::numeric_limits<float>::infinity();
  return std::nextafter(x, s.sx > 0 ? -inf : inf);
}

// Whether the pair (f, d) passes the tracked edges h and w (either may be
// null), each the nearest of its tree to d on f's side.
bool passesObstacles(
    Router& r, const QuadSweep& s, Vertex* f, Vertex* d, Vertex* h, Vertex* w) {
  if (!h && !w) {
    return true;
  }
  if (!w) {
    return atOrBeyond(h->y, f->y, s.sy);
  }
  if (!h) {
    return atOrBeyond(w->x, f->x, s.sx);
  }
  bool hBetween = (r.*s.horiEdgeBetween)(h, f, d);
  bool wBetween = (r.*s.vertEdgeBetween)(w, f, d);
  if (hBetween == wBetween) {
    return !hBetween;
  }
  // One edge lies between: it blocks unless it begins beyond f's line.
  return wBetween ? beyond(w->y, f->y, s.sy) : beyond(h->x, f->x, s.sx);
}

// Opens one horizontal and one vertical side of f's rectangle at the corner
// the sweep meets first and closes it at the other. A sweep mirrored in one
// axis sees the ring turn the other way, so prev and next swap roles.
void updateEdgeTrees(const QuadSweep& s,
                     Vertex* f,
                     VerRankTree& horiEdgeTree,
                     VerRankTree& vertEdgeTree) {
  bool mirrored = s.sx * s.sy < 0;
  Vertex* a = mirrored ? f->pNextCorner : f->pPrevCorner;
  Vertex* b = mirrored ? f->pPrevCorner : f->pNextCorner;
  if (beyond(a->y, f->y, s.sy)) {
    vertEdgeTree.insert(f, f->x);
  }
  if (beyond(f->y, b->y, s.sy)) {
    vertEdgeTree.remove(vertEdgeTree.upperInc(f->x));
  }
  if (beyond(b->x, f->x, s.sx)) {
    horiEdgeTree.insert(f, f->y);
  }
  if (beyond(f->x, a->x, s.sx)) {
    horiEdgeTree.remove(horiEdgeTree.upperInc(f->y));
  }
}

// Whether the step from every distinct x moves the bound no farther than
// the next distinct x on the near side: then a candidate passes over
// exactly the other waiting vertices at its own x.
bool stepPassesOnlyOwnX(const std::vector<float>& xs, const QuadSweep& s) {
  for (size_t i = 1; i < xs.size(); ++i) {
    bool ok = s.sx > 0 ? nextBound(xs[i], s) >= xs[i - 1]
                       : nextBound(xs[i - 1], s) <= xs[i];
    if (!ok) {
      return false;
    }
  }
  return true;
}

// The examination of d by f: join them when d lies in f's quadrant side and
// no tracked edge hides it.
bool joins(Router& r,
           const QuadSweep& s,
           Vertex* f,
           Vertex* d,
           const VerRankTree& horiEdgeTree,
           const VerRankTree& vertEdgeTree) {
  if (!atOrBeyond(f->y, d->y, s.sy)) {
    return false;
  }
  VerEntry* hn = nearestOnSide(horiEdgeTree, d->y, s.sy);
  VerEntry* wn = nearestOnSide(vertEdgeTree, d->x, s.sx);
  return passesObstacles(r, s, f, d, hn ? hn->pElem() : nullptr,
                         wn ? wn->pElem() : nullptr);
}

// Joins every vertex to the first vertex after it in the sweep order that
// lies in its quadrant and is not hidden by a tracked obstacle edge.
//
// For one f the waiting vertices at or past f.x away from side sx are
// examined nearest x first, and after each the bound moves past its x.
// Where no step can reach another distinct x, that visits exactly the
// earliest waiting vertex of each x, and only those that lie on f's side in
// y can be joined: the rank tree finds these by their y alone, in the same
// order. Elsewhere every candidate is visited as the bound falls.
void sweepQuad(Router& r, const QuadSweep& s) {
  std::vector<Vertex*> sweepOrder = r.sortVerPointers(s.key);
  size_t n = sweepOrder.size();
  // The rank of every swept vertex's x among the distinct x values, by one
  // sort rather than a search per vertex.
  std::vector<std::pair<float, int>> byX(n);
  std::vector<float> cornerXs, cornerYs;
  std::vector<char> isCorner(n);
  size_t corners = 0;
  for (size_t i = 0; i < n; ++i) {
    isCorner[i] = sweepOrder[i]->isACorner();
    corners += isCorner[i];
  }
  cornerXs.reserve(corners);
  cornerYs.reserve(corners);
  for (size_t i = 0; i < n; ++i) {
    Vertex* v = sweepOrder[i];
    byX[i] = {v->x, static_cast<int>(i)};
    if (isCorner[i]) {
      cornerXs.push_back(v->x);
      cornerYs.push_back(v->y);
    }
  }
  std::sort(byX.begin(), byX.end());
  std::vector<float> xs;
  xs.reserve(n);
  std::vector<int> xRank(n);
  for (const auto& p : byX) {
    if (xs.empty() || xs.back() != p.first) {
      xs.push_back(p.first);
    }
    xRank[p.second] = static_cast<int>(xs.size()) - 1;
  }
  byX = {};
  // Values are y signed so that f's side in y is the side of smaller ones.
  float sy = static_cast<float>(s.sy);
  VerRankTree activeTree(std::move(xs));
  VerRankTree horiEdgeTree(std::move(cornerYs));
  VerRankTree vertEdgeTree(std::move(cornerXs));
  bool byRank = stepPassesOnlyOwnX(activeTree.keys(), s);
  for (size_t i = 0; i < n; ++i) {
    Vertex* f = sweepOrder[i];
    if (byRank) {
      int k = xRank[i];
      float t = sy * f->y;
      for (VerEntry* e = s.sx > 0 ? activeTree.lastAtMost(k, t)
                                  : activeTree.firstAtMost(k, t);
           e; e = s.sx > 0 ? activeTree.lastAtMost(k - 1, t)
                           : activeTree.firstAtMost(k + 1, t)) {
        k = activeTree.rank(e);
        Vertex* d = e->pElem();
        if (joins(r, s, f, d, horiEdgeTree, vertEdgeTree)) {
          r.connectSgEdge(f, d);
          activeTree.remove(e);
        }
      }
    } else {
      float q = f->x;
      while (VerEntry* e =
                 s.sx > 0 ? activeTree.upperInc(q) : activeTree.lowerInc(q)) {
        Vertex* d = e->pElem();
        if (joins(r, s, f, d, horiEdgeTree, vertEdgeTree)) {
          r.connectSgEdge(f, d);
          activeTree.remove(e);
        }
        q = nextBound(d->x, s);
      }
    }
    if (isCorner[i]) {
      updateEdgeTrees(s, f, horiEdgeTree, vertEdgeTree);
    }
    activeTree.insertAt(f, xRank[i], sy * f->y);
  }
}

// True when a and b differ and t lies strictly between them.
bool strictlyBetween(float t, float a, float b) {
  return a != b && std::min(a, b) < t && t < std::max(a, b);
}

}  // namespace

std::vector<Vertex*> Router::sortVerPointers(std::string key) {
  struct Ordering {
    const char* name;
    float (*value)(const Vertex*);
  };
  static const Ordering orderings[] = {
      {"x", [](const Vertex* v) { return v->x; }},
      {"y", [](const Vertex* v) { return v->y; }},
      {"x+y", [](const Vertex* v) { return v->x + v->y; }},
      {"x-y", [](const Vertex* v) { return v->x - v->y; }},
      {"-x-y", [](const Vertex* v) { return -v->x - v->y; }},
      {"-x+y", [](const Vertex* v) { return v->y - v->x; }},
  };
  std::vector<Vertex*> result;
  for (const Ordering& o : orderings) {
    if (key != o.name) {
      continue;
    }
    std::vector<VerNode> records;
    records.reserve(vertices.size());
    for (Vertex* v : vertices) {
      records.emplace_back(v, o.value(v));
    }
    std::sort(records.begin(), records.end(), VerNodeLess());
    result.reserve(records.size());
    for (const VerNode& n : records) {
      result.push_back(n.pElem());
    }
    break;
  }
  return result;
}

void Router::connectSgEdge(Vertex* u, Vertex* v) {
  // About two entries a sweep, two sides at a corner: one allocation
  // instead of four growths.
  pushSmall(u->sgNbrs, v, 8);
  pushSmall(v->sgNbrs, u, 8);
  sgEdges.push_back(store.edgePool.make(u, v));
}

void Router::connectObstEdges() {
  for (Vertex* c : vertices) {
    if (c->isACorner()) {
      connectSgEdge(c, c->pNextCorner);
    }
  }
}

void Router::connectQuad1() {
  sweepQuad(*this, {"x+y", 1, 1, -0.01, &Router::quad1HoriEdgeBetween,
                    &Router::quad1VertEdgeBetween});
}

void Router::connectQuad2() {
  sweepQuad(*this, {"x-y", 1, -1, -0.1, &Router::quad2HoriEdgeBetween,
                    &Router::quad2VertEdgeBetween});
}

void Router::connectQuad3() {
  sweepQuad(*this, {"-x-y", -1, -1, 0.1, &Router::quad3HoriEdgeBetween,
                    &Router::quad3VertEdgeBetween});
}

void Router::connectQuad4() {
  sweepQuad(*this, {"-x+y", -1, 1, 0.1, &Router::quad4HoriEdgeBetween,
                    &Router::quad4VertEdgeBetween});
}

bool Router::quad1HoriEdgeBetween(Vertex* v, Vertex* a, Vertex* b) {
  return strictlyBetween(v->y, a->y, b->y);
}
bool Router::quad1VertEdgeBetween(Vertex* v, Vertex* a, Vertex* b) {
  return strictlyBetween(v->x, a->x, b->x);
}
bool Router::quad2HoriEdgeBetween(Vertex* v, Vertex* a, Vertex* b) {
  return strictlyBetween(v->y, a->y, b->y);
}
bool Router::quad2VertEdgeBetween(Vertex* v, Vertex* a, Vertex* b) {
  return strictlyBetween(v->x, a->x, b->x);
}
bool Router::quad3HoriEdgeBetween(Vertex* v, Vertex* a, Vertex* b) {
  return strictlyBetween(v->y, a->y, b->y);
}
bool Router::quad3VertEdgeBetween(Vertex* v, Vertex* a, Vertex* b) {
  return strictlyBetween(v->x, a->x, b->x);
}
bool Router::quad4HoriEdgeBetween(Vertex* v, Vertex* a, Vertex* b) {
  return strictlyBetween(v->y, a->y, b->y);
}
bool Router::quad4VertEdgeBetween(Vertex* v, Vertex* a, Vertex* b) {
  return strictlyBetween(v->x, a->x, b->x);
}
