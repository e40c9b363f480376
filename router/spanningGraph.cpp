#include <algorithm>
#include <cmath>
#include <limits>

#include "router/router.h"
#include "support/binarySearchTree.h"

namespace {

using VerNode = Node<Vertex, Vertex*, float>;
using VerTree = BinarySearchTree<Vertex, Vertex*, float>;

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

// The nearest edge-tree key at or beyond x on side sign, the side on which
// d's partners lie.
VerNode* nearestOnSide(const VerTree& tree, float x, int sign) {
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
                     VerTree& horiEdgeTree,
                     VerTree& vertEdgeTree) {
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

// Joins every vertex to the first vertex after it in the sweep order that
// lies in its quadrant and is not hidden by a tracked obstacle edge.
void sweepQuad(Router& r, const QuadSweep& s) {
  std::vector<Vertex*> sweepOrder = r.sortVerPointers(s.key);
  VerTree activeTree;
  VerTree horiEdgeTree;
  VerTree vertEdgeTree;
  for (Vertex* f : sweepOrder) {
    float q = f->x;
    // Waiting vertices at or past f.x away from side sx, nearest x first;
    // after each the bound moves past its x.
    while (VerNode* node =
               s.sx > 0 ? activeTree.upperInc(q) : activeTree.lowerInc(q)) {
      Vertex* d = node->pElem();
      VerNode* hn = nearestOnSide(horiEdgeTree, d->y, s.sy);
      VerNode* wn = nearestOnSide(vertEdgeTree, d->x, s.sx);
      Vertex* h = hn ? hn->pElem() : nullptr;
      Vertex* w = wn ? wn->pElem() : nullptr;
      if (atOrBeyond(f->y, d->y, s.sy) && passesObstacles(r, s, f, d, h, w)) {
        r.connectSgEdge(f, d);
        activeTree.remove(node);
      }
      q = nextBound(d->x, s);
    }
    if (f->isACorner()) {
      updateEdgeTrees(s, f, horiEdgeTree, vertEdgeTree);
    }
    activeTree.insert(f, f->x);
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
  u->sgNbrs.push_back(v);
  v->sgNbrs.push_back(u);
  sgEdges.push_back(new Edge(u, v));
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
