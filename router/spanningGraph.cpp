#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <queue>
#include <set>
#include <tuple>

#include "router/router.h"
#include "support/flatQueues.h"
#include "support/kdTree.h"
#include "support/keyedQueues.h"
#include "support/keyedSort.h"
#include "support/rankTree.h"
#include "support/smallLists.h"

namespace {

// The sweep orders by name, for sortVerPointers, and as the sweeps use them.
float byX(const Vertex* v) {
  return v->x;
}
float byY(const Vertex* v) {
  return v->y;
}
float byXPlusY(const Vertex* v) {
  return v->x + v->y;
}
float byXMinusY(const Vertex* v) {
  return v->x - v->y;
}
float byMinusXMinusY(const Vertex* v) {
  return -v->x - v->y;
}
float byMinusXPlusY(const Vertex* v) {
  return v->y - v->x;
}

struct Ordering {
  const char* name;
  float (*value)(const Vertex*);
  int ax, ay;  // value = ax * x + ay * y, before rounding
};

const Ordering kOrderings[] = {
    {"x", byX, 1, 0},
    {"y", byY, 0, 1},
    {"x+y", byXPlusY, 1, 1},
    {"x-y", byXMinusY, 1, -1},
    {"-x-y", byMinusXMinusY, -1, -1},
    {"-x+y", byMinusXPlusY, -1, 1},
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
// The sides are constants, so that each sweep's comparisons compile to one
// instruction.
template <int SX, int SY>
struct QuadSweep {
  static constexpr int sx = SX;
  static constexpr int sy = SY;
  float (*key)(const Vertex*);  // the sweep order
  double step;                  // signed; moves the query bound away from f
  bool (Router::*horiEdgeBetween)(Vertex*, Vertex*, Vertex*);
  bool (Router::*vertEdgeBetween)(Vertex*, Vertex*, Vertex*);
};

using VerRankTree = RankTree<Vertex, Vertex*, float>;
using VerEntry = VerRankTree::Entry;

// The sweeps track the obstacle sides they cross in keyed queues
// (support/keyedQueues.h): rank trees for a large net, flat queues for a
// small one, found and closed by these two.

// The queue of the nearest side key at or beyond x on side sign, the side
// on which d's partners lie.
template <class Q>
typename Q::Cursor nearestOnSide(const Q& sides, float x, int sign) {
  static_assert(IsKeyedQueues<Q>::value, "sides are keyed queues");
  return sign > 0 ? sides.lowerInc(x) : sides.upperInc(x);
}

// Closes the side a lookup found at the corner where it ends: of the
// sides with its key, the one opened first leaves. None found, nothing.
template <class Q>
void closeSide(Q& sides, typename Q::Cursor c) {
  if (Q::found(c)) {
    sides.remove(c);
  }
}

// The next query bound after candidate x: the design's rounded step, or the
// next float past x where the float cannot represent that step.
template <class Quad>
float nextBound(float x, const Quad& s) {
  float q = static_cast<float>(static_cast<double>(x) + s.step);
  if (beyond(q, x, -s.sx)) {
    return q;
  }
  float inf = std::numeric_limits<float>::infinity();
  return std::nextafter(x, s.sx > 0 ? -inf : inf);
}

// Whether the pair (f, d) passes the tracked edges h and w (either may be
// null), each the nearest of its tree to d on f's side.
template <class Quad>
bool passesObstacles(
    Router& r, const Quad& s, Vertex* f, Vertex* d, Vertex* h, Vertex* w) {
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

// Waiting vertices that a tracked obstacle edge hides, set aside so that
// the vertices which cannot join them pass them by without examining them.
//
// Why this is exact: joins(f, d) reads only f, d and the tracked edges h
// and w nearest to d. Whatever h is, or if there is none, w refuses every
// f beyond w's line (d not on it) that is not short of w's starting corner
// in y; likewise, whatever w is, h refuses every f beyond h's line (d not
// on it) that is not short of h's starting corner in x. So while the edge
// stays the nearest, only a later f in one of its two boxes can join d; d
// is parked behind whichever edge keeps it longer. A hidden d stays the
// head of its x's queue (only a join removes it) and, valued infinity,
// makes the sweep pass its x over, as examining and refusing it would. It
// is shown again at the first later vertex in a box, or at once when its
// edge leaves its tree or an edge enters between d and it.
template <class Quad>
class HiddenVertices {
 public:
  // From vertex from on; entry[i]: vertex i's entry in activeTree.
  HiddenVertices(const Quad& s,
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
        by_(sweepOrder.size(), nullptr),
        byHori_(sweepOrder.size(), 0) {}

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

  // Vertex j was refused with hn and wn the tracked horizontal and
  // vertical edges nearest to it.
  void hide(int j, VerEntry* hn, VerEntry* wn) {
    if (!hn && !wn) {
      return;
    }
    Vertex* d = order_[j];
    float inf = std::numeric_limits<float>::infinity();
    float dX = s_.sx * d->x, dY = s_.sy * d->y;
    int atW = -1, atH = -1;
    if (wn) {
      Vertex* w = wn->pElem();
      float wX = s_.sx * w->x;
      atW = kd_.first(dX, wX == dX ? inf : wX, dY, inf);
      atW = kd_.first(dX, inf, dY, s_.sy * w->y, atW);
    }
    if (hn && atW != KdTree::kNone) {
      Vertex* h = hn->pElem();
      float hY = s_.sy * h->y;
      atH = kd_.first(dX, inf, dY, hY == dY ? inf : hY);
      atH = kd_.first(dX, s_.sx * h->x, dY, inf, atH);
    }
    bool byHori = atH > atW;
    int at = byHori ? atH : atW;
    VerEntry* e = byHori ? hn : wn;
    wake_[j] = at;
    if (at != KdTree::kNone) {
      due_.emplace(at, j);
    }
    by_[j] = e;
    byHori_[j] = byHori;
    parked(byHori).emplace(key(e), byHori ? dY : dX, j);
    active_.setValue(entry_[j], inf);
  }

  // An edge with this key is about to enter the horizontal tree, or the
  // vertical one.
  void inserting(const VerRankTree& edgeTree, float key, bool hori) {
    int sign = hori ? s_.sy : s_.sx;
    VerEntry* e = nearestOnSide(edgeTree, key, sign);
    if (e && e->key() == key) {
      return;  // it queues behind e, which stays the nearest
    }
    showAll(e, sign * key, hori);
  }

  // The edge e is about to leave the horizontal tree, or the vertical one.
  void removing(VerEntry* e, bool hori) {
    showAll(e, std::numeric_limits<float>::infinity(), hori);
  }

 private:
  static constexpr int kShown = -1;
  // (edge, d's signed coordinate across it, vertex) of every vertex hidden
  // behind a horizontal or a vertical edge
  using Parked = std::set<std::tuple<std::uintptr_t, float, int>>;

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

  Parked& parked(bool hori) { return hori ? parkedHori_ : parkedVert_; }

  void show(int j) {
    wake_[j] = kShown;
    Vertex* d = order_[j];
    bool hori = byHori_[j];
    parked(hori).erase({key(by_[j]), hori ? s_.sy * d->y : s_.sx * d->x, j});
    active_.setValue(entry_[j], s_.sy * d->y);
  }

  // Shows every vertex hidden behind e whose signed coordinate is at most
  // upTo.
  void showAll(VerEntry* e, float upTo, bool hori) {
    Parked& p = parked(hori);
    auto it =
        p.lower_bound({key(e), -std::numeric_limits<float>::infinity(), -1});
    std::vector<int> js;
    for (; it != p.end() && std::get<0>(*it) == key(e) &&
           std::get<1>(*it) <= upTo;
         ++it) {
      js.push_back(std::get<2>(*it));
    }
    for (int j : js) {
      show(j);
    }
  }

  const Quad& s_;
  const std::vector<Vertex*>& order_;
  ActiveTree& active_;
  const std::vector<ActiveTree::Entry*>& entry_;
  KdTree kd_;
  std::vector<int> wake_;      // kShown, or when to show; KdTree::kNone: never
  std::vector<VerEntry*> by_;  // the edge that hid each vertex
  std::vector<char> byHori_;   // whether that edge is horizontal
  Parked parkedHori_, parkedVert_;
  std::priority_queue<std::pair<int, int>,
                      std::vector<std::pair<int, int>>,
                      std::greater<>>
      due_;  // (when to show, vertex)
};

// Whether the step from every distinct x moves the bound no farther than
// the next distinct x on the near side: then a candidate passes over
// exactly the other waiting vertices at its own x.
template <class Quad>
bool stepPassesOnlyOwnX(const std::vector<float>& xs, const Quad& s) {
  for (size_t i = 1; i < xs.size(); ++i) {
    bool ok = s.sx > 0 ? nextBound(xs[i], s) >= xs[i - 1]
                       : nextBound(xs[i - 1], s) <= xs[i];
    if (!ok) {
      return false;
    }
  }
  return true;
}

// The sweep's containers as the large nets need them: rank trees over the
// keys known in advance, and the hiding of vertices refused again and again.
template <class Quad>
class TreeSweep {
 public:
  using Cursor = ActiveTree::Entry*;

  TreeSweep(const Quad& s, std::vector<Vertex*> order)
      : TreeSweep(s, order, keysOf(order)) {}

  const std::vector<Vertex*>& order() const { return order_; }

  bool valid(Cursor e) const { return e != nullptr; }

  void reach(size_t i) {
    if (hidden_) {
      hidden_->reach(static_cast<int>(i));
    }
  }

  // Where no step can reach another distinct x, the candidates are exactly
  // the earliest waiting vertex of each x that lies on f's side in y: the
  // rank tree finds these by their y alone, in the same order, and passes
  // over the x of every hidden vertex. Elsewhere every candidate is visited
  // as the bound falls.
  Cursor first(size_t i, Vertex* f) const {
    if (byRank_) {
      int k = xRank_[i];
      float t = sy() * f->y;
      return s_.sx > 0 ? active_.lastAtMost(k, t) : active_.firstAtMost(k, t);
    }
    return s_.sx > 0 ? active_.upperInc(f->x) : active_.lowerInc(f->x);
  }

  Cursor next(Cursor e, Vertex* f, Vertex* d) const {
    if (byRank_) {
      int k = active_.rank(e);
      float t = sy() * f->y;
      return s_.sx > 0 ? active_.lastAtMost(k - 1, t)
                       : active_.firstAtMost(k + 1, t);
    }
    float q = nextBound(d->x, s_);
    return s_.sx > 0 ? active_.upperInc(q) : active_.lowerInc(q);
  }

  Vertex* vertex(Cursor e) const { return order_[e->pElem()]; }
  void remove(Cursor e) { active_.remove(e); }

  // Hiding pays only where vertices are refused again and again: it starts
  // once the refusals outnumber the vertices swept.
  void refused(size_t i, Cursor e) {
    if (!byRank_) {
      return;
    }
    int j = e->pElem();
    if (!hidden_) {
      if (++refusals_ <= i) {
        return;
      }
      hidden_ = std::make_unique<HiddenVertices<Quad>>(
          s_, order_, active_, entry_, static_cast<int>(i) + 1);
    }
    hidden_->hide(j, hn_, wn_);
  }

  // These keep the edges found for hide().
  Vertex* nearestHori(float y) {
    hn_ = nearestOnSide(hori_, y, s_.sy);
    return VerRankTree::found(hn_) ? hori_.head(hn_) : nullptr;
  }

  Vertex* nearestVert(float x) {
    wn_ = nearestOnSide(vert_, x, s_.sx);
    return VerRankTree::found(wn_) ? vert_.head(wn_) : nullptr;
  }

  void openVert(size_t, Vertex* f) {
    if (hidden_) {
      hidden_->inserting(vert_, f->x, false);
    }
    vert_.insert(f, f->x);
  }

  void closeVert(float x) {
    VerEntry* e = vert_.upperInc(x);
    if (hidden_ && e) {
      hidden_->removing(e, false);
    }
    closeSide(vert_, e);
  }

  void openHori(size_t, Vertex* f) {
    if (hidden_) {
      hidden_->inserting(hori_, f->y, true);
    }
    hori_.insert(f, f->y);
  }

  void closeHori(float y) {
    VerEntry* e = hori_.upperInc(y);
    if (hidden_ && e) {
      hidden_->removing(e, true);
    }
    closeSide(hori_, e);
  }

  void insert(size_t i, Vertex* f) {
    entry_[i] = active_.insertAt(static_cast<int>(i), xRank_[i], sy() * f->y);
  }

 private:
  // The distinct x values of the swept vertices, the rank of every swept
  // vertex's x among them (by one sort rather than a search per vertex),
  // and the corners' coordinates.
  struct Keys {
    std::vector<float> xs, cornerXs, cornerYs;
    std::vector<int> xRank;
  };

  TreeSweep(const Quad& s, std::vector<Vertex*>& order, Keys keys)
      : s_(s),
        order_(std::move(order)),
        xRank_(std::move(keys.xRank)),
        active_(std::move(keys.xs)),
        hori_(std::move(keys.cornerYs)),
        vert_(std::move(keys.cornerXs)),
        byRank_(stepPassesOnlyOwnX(active_.keys(), s)),
        entry_(order_.size()) {}

  static Keys keysOf(const std::vector<Vertex*>& order) {
    Keys k;
    size_t n = order.size();
    std::vector<std::pair<float, int>> byX(n);
    size_t corners = 0;
    for (Vertex* v : order) {
      corners += v->isACorner();
    }
    k.cornerXs.reserve(corners);
    k.cornerYs.reserve(corners);
    for (size_t i = 0; i < n; ++i) {
      Vertex* v = order[i];
      byX[i] = {v->x, static_cast<int>(i)};
      if (v->isACorner()) {
        k.cornerXs.push_back(v->x);
        k.cornerYs.push_back(v->y);
      }
    }
    std::sort(byX.begin(), byX.end());
    k.xs.reserve(n);
    k.xRank.resize(n);
    for (const auto& p : byX) {
      if (k.xs.empty() || k.xs.back() != p.first) {
        k.xs.push_back(p.first);
      }
      k.xRank[p.second] = static_cast<int>(k.xs.size()) - 1;
    }
    return k;
  }

  // Values are y signed so that f's side in y is the side of smaller ones.
  float sy() const { return static_cast<float>(s_.sy); }

  const Quad& s_;
  std::vector<Vertex*> order_;
  std::vector<int> xRank_;
  ActiveTree active_;
  VerRankTree hori_;
  VerRankTree vert_;
  bool byRank_;
  std::unique_ptr<HiddenVertices<Quad>> hidden_;
  std::vector<ActiveTree::Entry*> entry_;
  size_t refusals_ = 0;
  VerEntry* hn_ = nullptr;
  VerEntry* wn_ = nullptr;
};

// The most vertices swept with FlatSweep.
constexpr int kFlatSweepMax = 128;

// The sweep's containers for a small net: flat queues on the stack, scanned
// in full. It skips the hiding, which changes no answer.
template <class Quad>
class FlatSweep {
  using Queues = FlatQueues<kFlatSweepMax>;

 public:
  // A slot of the waiting vertices and the head that lies there.
  struct Cursor {
    int slot;
    int head;
  };

  FlatSweep(const Quad& s, Vertex* const* order) : s_(s), order_(order) {}

  bool valid(Cursor c) const { return c.slot != Queues::kNone; }

  void reach(size_t) {}

  // The waiting vertices are keyed by x signed so that the candidates lie
  // at or below the bound, nearest first.
  Cursor first(size_t, Vertex* f) {
    t_ = Quad::sy * f->y;
    k_ = Quad::sx * f->x;
    above_ = Queues::kNone;
    return scan(active_.top(), k_);
  }

  Cursor next(Cursor c, Vertex*, Vertex*) {
    return scan(active_.below(c.slot), bound_[c.head]);
  }

  Vertex* vertex(Cursor c) const { return order_[c.head]; }
  void remove(Cursor c) { active_.remove(c.slot); }
  void refused(size_t, Cursor) {}

  Vertex* nearestHori(float y) const {
    return headOf(hori_, nearestOnSide(hori_, y, Quad::sy));
  }
  Vertex* nearestVert(float x) const {
    return headOf(vert_, nearestOnSide(vert_, x, Quad::sx));
  }

  void openVert(size_t i, Vertex* f) {
    vert_.insert(static_cast<int>(i), f->x);
  }
  void closeVert(float x) { closeSide(vert_, vert_.upperInc(x)); }
  void openHori(size_t i, Vertex* f) {
    hori_.insert(static_cast<int>(i), f->y);
  }
  void closeHori(float y) { closeSide(hori_, hori_.upperInc(y)); }

  void insert(size_t i, Vertex* f) {
    value_[i] = Quad::sy * f->y;
    bound_[i] = Quad::sx * nextBound(f->x, s_);
    active_.insertBelow(static_cast<int>(i), k_, above_);
  }

 private:
  // The first candidate at or below slot from and bound q: a head that does
  // not lie on f's side in y is refused at once, as joins() would refuse
  // it, and moves the bound past its x.
  //
  // It also keeps the last slot whose key is greater than f's, where f
  // will be inserted: the scan passes every such slot before it returns,
  // and as the bound only falls from f's key, no join removes one.
  Cursor scan(int from, float q) {
    for (int p = from; p != Queues::kNone; p = active_.below(p)) {
      // One branch per head, on whether it is taken: a head past the bound
      // leaves the bound as it is, by a select.
      int h = active_.head(p);
      float key = active_.key(p);
      bool candidate = key <= q;
      above_ = key > k_ ? p : above_;
      if (candidate & (value_[h] <= t_)) {
        return {p, h};
      }
      q = candidate ? bound_[h] : q;
    }
    return {Queues::kNone, Queues::kNone};
  }

  Vertex* headOf(const Queues& q, int slot) const {
    return Queues::found(slot) ? order_[q.head(slot)] : nullptr;
  }

  const Quad& s_;
  Vertex* const* order_;
  Queues active_;
  Queues hori_;
  Queues vert_;
  // Of each swept vertex: y and the next query bound past its x, signed as
  // the keys.
  float value_[kFlatSweepMax];
  float bound_[kFlatSweepMax];
  float t_ = 0;  // f's y, signed
  float k_ = 0;  // f's x, signed: its key
  int above_ = Queues::kNone;
};

// Opens one horizontal and one vertical side of f's rectangle at the corner
// the sweep meets first and closes it at the other. A sweep mirrored in one
// axis sees the ring turn the other way, so prev and next swap roles.
template <class Quad, class Sweep>
void updateEdgeTrees(const Quad& s, size_t i, Vertex* f, Sweep& w) {
  bool mirrored = s.sx * s.sy < 0;
  Vertex* a = mirrored ? f->pNextCorner : f->pPrevCorner;
  Vertex* b = mirrored ? f->pPrevCorner : f->pNextCorner;
  if (beyond(a->y, f->y, s.sy)) {
    w.openVert(i, f);
  }
  if (beyond(f->y, b->y, s.sy)) {
    w.closeVert(f->x);
  }
  if (beyond(b->x, f->x, s.sx)) {
    w.openHori(i, f);
  }
  if (beyond(f->x, a->x, s.sx)) {
    w.closeHori(f->y);
  }
}

// The examination of d by f: join them when d lies in f's quadrant side and
// no tracked edge hides it.
template <class Quad, class Sweep>
bool joins(Router& r, const Quad& s, Vertex* f, Vertex* d, Sweep& w) {
  if (!atOrBeyond(f->y, d->y, s.sy)) {
    return false;
  }
  Vertex* h = w.nearestHori(d->y);
  return passesObstacles(r, s, f, d, h, w.nearestVert(d->x));
}

// Joins every vertex to the first vertex after it in the sweep order that
// lies in its quadrant and is not hidden by a tracked obstacle edge.
//
// For one f the waiting vertices at or past f.x away from side sx are
// examined nearest x first, and after each the bound moves past its x.
template <class Quad, class Sweep>
void sweepWith(
    Router& r, const Quad& s, Vertex* const* order, size_t n, Sweep& w) {
  for (size_t i = 0; i < n; ++i) {
    Vertex* f = order[i];
    w.reach(i);
    auto c = w.first(i, f);
    while (w.valid(c)) {
      Vertex* d = w.vertex(c);
      if (joins(r, s, f, d, w)) {
        r.connectSgEdge(f, d);
        w.remove(c);
      } else {
        w.refused(i, c);
      }
      c = w.next(c, f, d);
    }
    // A corner has both neighbours (the sides read them), so most other
    // vertices are passed over without reading their type.
    if (f->pNextCorner && f->isACorner()) {
      updateEdgeTrees(s, i, f, w);
    }
    w.insert(i, f);
  }
}

struct Keyed {
  float key;
  Vertex* v;
};

// Ascending key and nothing else: equal keys may come out in any order, the
// same for any record type, as std::sort sees only the comparisons.
struct KeyedLess {
  bool operator()(const Keyed& a, const Keyed& b) const {
    return a.key < b.key;
  }
};

// ax * x + ay * y exactly, as its double sum and that sum's error: the
// float key rounds it, and at large x two places whose keys round alike
// can lie on one line across the sweep, where the sweep must meet them in
// their true order or it passes a waiting vertex over.
struct ExactKey {
  double sum;
  double error;

  bool operator<(const ExactKey& o) const {
    return sum < o.sum || (sum == o.sum && error < o.error);
  }
};

ExactKey exactKey(const Vertex* v, int ax, int ay) {
  double a = ax * static_cast<double>(v->x);
  double b = ay * static_cast<double>(v->y);
  double s = a + b;
  double bPart = s - a;
  return {s, (a - (s - bPart)) + (b - bPart)};
}

// Each run of equal keys in the records' order by exact value; ties of
// that keep the order the sort gave them.
void orderRoundedTies(Keyed* records, size_t n, int ax, int ay) {
  auto exactLess = [ax, ay](const Keyed& p, const Keyed& q) {
    return exactKey(p.v, ax, ay) < exactKey(q.v, ax, ay);
  };
  for (size_t i = 0; i < n;) {
    size_t j = i + 1;
    while (j < n && records[j].key == records[i].key) {
      ++j;
    }
    // Mostly runs of a few exact ties: an insertion sort passes them
    // without moving anything or allocating.
    if (j - i > 16) {
      std::stable_sort(records + i, records + j, exactLess);
    }
    for (size_t k = i + 1; j - i <= 16 && k < j; ++k) {
      for (size_t m = k; m > i && exactLess(records[m], records[m - 1]); --m) {
        std::swap(records[m], records[m - 1]);
      }
    }
    i = j;
  }
}

// The n vertices vs by ascending value (ax * x + ay * y) into out, using
// records.
void sortInto(Vertex* const* vs,
              size_t n,
              float (*value)(const Vertex*),
              int ax,
              int ay,
              Keyed* records,
              Vertex** out) {
  bool nan = false;
  for (size_t i = 0; i < n; ++i) {
    float k = value(vs[i]);
    records[i] = {k, vs[i]};
    nan |= k != k;
  }
  if (n <= kFlatSweepMax && !nan) {
    KeyedSort<Keyed>::sort<kFlatSweepMax>(records, n);
  } else {
    std::sort(records, records + n, KeyedLess());
  }
  orderRoundedTies(records, n, ax, ay);
  for (size_t i = 0; i < n; ++i) {
    out[i] = records[i].v;
  }
}

std::vector<Vertex*> sortedBy(const std::vector<Vertex*>& vs,
                              float (*value)(const Vertex*),
                              int ax,
                              int ay) {
  std::vector<Keyed> records(vs.size());
  std::vector<Vertex*> out(vs.size());
  sortInto(vs.data(), vs.size(), value, ax, ay, records.data(), out.data());
  return out;
}

template <class Quad>
void sweepQuad(Router& r, const Quad& s) {
  size_t n = r.vertices.size();
  if (n <= kFlatSweepMax) {
    Keyed records[kFlatSweepMax];
    Vertex* order[kFlatSweepMax];
    sortInto(r.vertices.data(), n, s.key, Quad::sx, Quad::sy, records, order);
    FlatSweep<Quad> w(s, order);
    sweepWith(r, s, order, n, w);
    return;
  }
  TreeSweep<Quad> w(s, sortedBy(r.vertices, s.key, Quad::sx, Quad::sy));
  sweepWith(r, s, w.order().data(), n, w);
}

// True when a and b differ and t lies strictly between them.
bool strictlyBetween(float t, float a, float b) {
  return a != b && std::min(a, b) < t && t < std::max(a, b);
}

}  // namespace

std::vector<Vertex*> Router::sortVerPointers(std::string key) {
  for (const Ordering& o : kOrderings) {
    if (key == o.name) {
      return sortedBy(vertices, o.value, o.ax, o.ay);
    }
  }
  return {};
}

void Router::connectSgEdge(Vertex* u, Vertex* v) {
  // Past the inline sixteen, one allocation instead of repeated growths.
  pushSmall(u->sgNbrs, v, 16);
  pushSmall(v->sgNbrs, u, 16);
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
  sweepQuad(*this,
            QuadSweep<1, 1>{byXPlusY, -0.01, &Router::quad1HoriEdgeBetween,
                            &Router::quad1VertEdgeBetween});
}

void Router::connectQuad2() {
  sweepQuad(*this,
            QuadSweep<1, -1>{byXMinusY, -0.1, &Router::quad2HoriEdgeBetween,
                             &Router::quad2VertEdgeBetween});
}

void Router::connectQuad3() {
  sweepQuad(*this, QuadSweep<-1, -1>{byMinusXMinusY, 0.1,
                                     &Router::quad3HoriEdgeBetween,
                                     &Router::quad3VertEdgeBetween});
}

void Router::connectQuad4() {
  sweepQuad(*this,
            QuadSweep<-1, 1>{byMinusXPlusY, 0.1, &Router::quad4HoriEdgeBetween,
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
