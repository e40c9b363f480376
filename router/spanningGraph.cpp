#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <queue>
#include <set>
#include <tuple>

#include "router/router.h"
#include "support/binarySearchTree.h"
#include "support/kdTree.h"
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

using ActiveTree = RankTree<Vertex, int, float>;  // elements: sweep numbers

// Waiting vertices that a tracked vertical edge hides, set aside so that
// the vertices which cannot join them pass them by without examining them.
//
// Why this is exact: joins(f, d) reads only f, d and the tracked edges h
// and w nearest to d; whatever h is, or if there is none, it refuses every
// f beyond w's line (d not on it) that is not short of w's starting corner
// in y. So while w stays, only a later f in one of the two boxes of hide()
// can join d. A hidden d stays the head of its x's queue (only a join
// removes it) and, valued infinity, makes the sweep pass its x over, as
// examining and refusing it would. It is shown again at the first later
// vertex in a box, or at once when w leaves its tree or an edge enters
// between d and w. Horizontal edges, which come and go far more often,
// play no part.
class HiddenVertices {
 public:
  // From vertex from on; entry[i]: vertex i's entry in activeTree.
  HiddenVertices(const QuadSweep& s,
                 const std::vector<Vertex*>& sweepOrder,
                 ActiveTree& activeTree,
                 const std::vector<ActiveTree::Entry*>& entry,
                 int from)
      : s_(s),
        order_(sweepOrder),
        active_(activeTree),
        entry_(entry),
        kd_(signedCoords(sweepOrder, s.sx, true),
            signedCoords(sweepOrder, s.sy, false),
            from),
        wake_(sweepOrder.size(), kShown),
        wBy_(sweepOrder.size(), nullptr) {}

  // Before vertex i is swept: later queries look only past it, and the
  // vertices hidden until i are shown again.
  void reach(int i) {
    kd_.drop(i);
    while (!due_.empty() && due_.top().first <= i) {
      auto [at, j] = due_.top();
      due_.pop();
      if (wake_[j] == at) {
        show(j);
      }
    }
  }

  // Vertex j was refused with wn the tracked vertical edge nearest to it.
  void hide(int j, VerEntry* wn) {
    if (!wn) {
      return;
    }
    Vertex* d = order_[j];
    Vertex* w = wn->pElem();
    float inf = std::numeric_limits<float>::infinity();
    float dX = s_.sx * d->x, dY = s_.sy * d->y, wX = s_.sx * w->x;
    float wFree = wX == dX ? inf : wX;
    int at = kd_.first(dX, wFree, dY, inf);
    at = kd_.first(dX, inf, dY, s_.sy * w->y, at);
    wake_[j] = at;
    if (at != KdTree::kNone) {
      due_.emplace(at, j);
    }
    wBy_[j] = wn;
    hidden_.emplace(key(wn), dX, j);
    active_.setValue(entry_[j], inf);
  }

  // A vertical edge with this key is about to enter the tree.
  void inserting(const VerRankTree& vertEdgeTree, float key) {
    VerEntry* e = nearestOnSide(vertEdgeTree, key, s_.sx);
    if (e && e->key() == key) {
      return;  // it queues behind e, which stays the nearest
    }
    showAll(e, s_.sx * key);
  }

  // The vertical edge e is about to leave the tree.
  void removing(VerEntry* e) {
    showAll(e, std::numeric_limits<float>::infinity());
  }

 private:
  static constexpr int kShown = -1;

  static std::vector<float> signedCoords(const std::vector<Vertex*>& vs,
                                         int sign,
                                         bool x) {
    std::vector<float> out;
    out.reserve(vs.size());
    for (Vertex* v : vs) {
      out.push_back(sign * (x ? v->x : v->y));
    }
    return out;
  }

  static std::uintptr_t key(VerEntry* e) {
    return reinterpret_cast<std::uintptr_t>(e);
  }

  void show(int j) {
    wake_[j] = kShown;
    Vertex* d = order_[j];
    hidden_.erase({key(wBy_[j]), s_.sx * d->x, j});
    active_.setValue(entry_[j], s_.sy * d->y);
  }

  // Shows every vertex hidden behind e whose signed x is at most upTo.
  void showAll(VerEntry* e, float upTo) {
    auto it = hidden_.lower_bound(
        {key(e), -std::numeric_limits<float>::infinity(), -1});
    std::vector<int> js;
    for (; it != hidden_.end() && std::get<0>(*it) == key(e) &&
           std::get<1>(*it) <= upTo;
         ++it) {
      js.push_back(std::get<2>(*it));
    }
    for (int j : js) {
      show(j);
    }
  }

  const QuadSweep& s_;
  const std::vector<Vertex*>& order_;
  ActiveTree& active_;
  const std::vector<ActiveTree::Entry*>& entry_;
  KdTree kd_;
  std::vector<int> wake_;       // kShown, or when to show; KdTree::kNone: never
  std::vector<VerEntry*> wBy_;  // the edge that hid each vertex
  // (edge, signed x, vertex) of every hidden vertex
  std::set<std::tuple<std::uintptr_t, float, int>> hidden_;
  std::priority_queue<std::pair<int, int>,
                      std::vector<std::pair<int, int>>,
                      std::greater<>>
      due_;  // (when to show, vertex)
};

// Opens one horizontal and one vertical side of f's rectangle at the corner
// the sweep meets first and closes it at the other. A sweep mirrored in one
// axis sees the ring turn the other way, so prev and next swap roles.
void updateEdgeTrees(const QuadSweep& s,
                     Vertex* f,
                     VerRankTree& horiEdgeTree,
                     VerRankTree& vertEdgeTree,
                     HiddenVertices* hidden) {
  bool mirrored = s.sx * s.sy < 0;
  Vertex* a = mirrored ? f->pNextCorner : f->pPrevCorner;
  Vertex* b = mirrored ? f->pPrevCorner : f->pNextCorner;
  if (beyond(a->y, f->y, s.sy)) {
    if (hidden) {
      hidden->inserting(vertEdgeTree, f->x);
    }
    vertEdgeTree.insert(f, f->x);
  }
  if (beyond(f->y, b->y, s.sy)) {
    VerEntry* e = vertEdgeTree.upperInc(f->x);
    if (hidden && e) {
      hidden->removing(e);
    }
    vertEdgeTree.remove(e);
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
// no tracked edge hides it. Leaves in wn the tracked vertical edge nearest
// to d once d lies on f's side.
bool joins(Router& r,
           const QuadSweep& s,
           Vertex* f,
           Vertex* d,
           const VerRankTree& horiEdgeTree,
           const VerRankTree& vertEdgeTree,
           VerEntry*& wn) {
  if (!atOrBeyond(f->y, d->y, s.sy)) {
    return false;
  }
  VerEntry* hn = nearestOnSide(horiEdgeTree, d->y, s.sy);
  wn = nearestOnSide(vertEdgeTree, d->x, s.sx);
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
// order, and passes over the x of every hidden vertex. Elsewhere every
// candidate is visited as the bound falls.
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
  ActiveTree activeTree(std::move(xs));
  VerRankTree horiEdgeTree(std::move(cornerYs));
  VerRankTree vertEdgeTree(std::move(cornerXs));
  bool byRank = stepPassesOnlyOwnX(activeTree.keys(), s);
  // Hiding pays only where vertices are refused again and again: it
  // starts once the refusals outnumber the vertices swept.
  std::unique_ptr<HiddenVertices> hidden;
  std::vector<ActiveTree::Entry*> entry(n);
  size_t refusals = 0;
  VerEntry* wn = nullptr;
  for (size_t i = 0; i < n; ++i) {
    Vertex* f = sweepOrder[i];
    if (hidden) {
      hidden->reach(static_cast<int>(i));
    }
    if (byRank) {
      int k = xRank[i];
      float t = sy * f->y;
      for (ActiveTree::Entry* e = s.sx > 0 ? activeTree.lastAtMost(k, t)
                                           : activeTree.firstAtMost(k, t);
           e; e = s.sx > 0 ? activeTree.lastAtMost(k - 1, t)
                           : activeTree.firstAtMost(k + 1, t)) {
        k = activeTree.rank(e);
        int j = e->pElem();
        Vertex* d = sweepOrder[j];
        if (joins(r, s, f, d, horiEdgeTree, vertEdgeTree, wn)) {
          r.connectSgEdge(f, d);
          activeTree.remove(e);
        } else if (hidden) {
          hidden->hide(j, wn);
        } else if (++refusals > i) {
          hidden = std::make_unique<HiddenVertices>(
              s, sweepOrder, activeTree, entry, static_cast<int>(i) + 1);
          hidden->hide(j, wn);
        }
      }
    } else {
      float q = f->x;
      while (ActiveTree::Entry* e =
                 s.sx > 0 ? activeTree.upperInc(q) : activeTree.lowerInc(q)) {
        Vertex* d = sweepOrder[e->pElem()];
        if (joins(r, s, f, d, horiEdgeTree, vertEdgeTree, wn)) {
          r.connectSgEdge(f, d);
          activeTree.remove(e);
        }
        q = nextBound(d->x, s);
      }
    }
    if (isCorner[i]) {
      updateEdgeTrees(s, f, horiEdgeTree, vertEdgeTree, hidden.get());
    }
    entry[i] = activeTree.insertAt(static_cast<int>(i), xRank[i], sy * f->y);
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
