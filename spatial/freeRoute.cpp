#include "spatial/freeRoute.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <queue>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "spatial/escapeGraph.h"
#include "support/floatBounds.h"

namespace {

using Key = std::uint64_t;

double distance(RoutePoint a, RoutePoint b) {
  return std::fabs(static_cast<double>(a.x) - b.x) +
         std::fabs(static_cast<double>(a.y) - b.y);
}

// The lines through every side of the rectangles meeting a window, and
// through the window's own sides and the two ends. Among rectangles a
// shortest (or fewest-bend) path within the window can always be slid onto
// these lines, and each open step between neighbouring lines lies wholly
// inside some rectangle or wholly outside all. A rectangle whose interior
// holds a step within the window meets the open window, so the steps are
// tested against the window's few rectangles alone: in a maze, tests
// against all of them cost a search the depth of trees over the whole maze.
class Grid {
 public:
  Grid(const ObstacleIndex& index,
       float xlo,
       float ylo,
       float xhi,
       float yhi,
       RoutePoint a,
       RoutePoint b)
      : xs_{xlo, xhi, a.x, b.x}, ys_{ylo, yhi, a.y, b.y} {
    std::vector<ObstacleIndex::Rect> near;
    for (int k : index.meeting(xlo, ylo, xhi, yhi)) {
      const ObstacleIndex::Rect& r = index.rects()[k];
      near.push_back(r);
      for (float x : {r.xlo, r.xhi}) {
        if (xlo < x && x < xhi) {
          xs_.push_back(x);
        }
      }
      for (float y : {r.ylo, r.yhi}) {
        if (ylo < y && y < yhi) {
          ys_.push_back(y);
        }
      }
    }
    for (std::vector<float>* v : {&xs_, &ys_}) {
      std::sort(v->begin(), v->end());
      v->erase(std::unique(v->begin(), v->end()), v->end());
    }
    local_ = ObstacleIndex(std::move(near));
    nx_ = static_cast<Key>(xs_.size());
    ny_ = static_cast<Key>(ys_.size());
  }

  Key at(RoutePoint p) const {
    Key i = std::lower_bound(xs_.begin(), xs_.end(), p.x) - xs_.begin();
    Key j = std::lower_bound(ys_.begin(), ys_.end(), p.y) - ys_.begin();
    return i * ny_ + j;
  }
  RoutePoint point(Key k) const { return {xs_[k / ny_], ys_[k % ny_]}; }
  bool onBoundary(Key k) const {
    Key i = k / ny_, j = k % ny_;
    return i == 0 || j == 0 || i + 1 == nx_ || j + 1 == ny_;
  }

  // The free steps from k: (neighbour, 0 for horizontal or 1 for vertical,
  // length). Only towards `toward` when it is given.
  template <class F>
  void steps(Key k, const Key* toward, F each) const {
    Key i = k / ny_, j = k % ny_;
    Key ti = toward ? *toward / ny_ : 0, tj = toward ? *toward % ny_ : 0;
    if (i + 1 < nx_ && (!toward || ti > i) &&
        !local_.blocksHorizontal(ys_[j], xs_[i], xs_[i + 1])) {
      each(k + ny_, 0, static_cast<double>(xs_[i + 1]) - xs_[i]);
    }
    if (i > 0 && (!toward || ti < i) &&
        !local_.blocksHorizontal(ys_[j], xs_[i - 1], xs_[i])) {
      each(k - ny_, 0, static_cast<double>(xs_[i]) - xs_[i - 1]);
    }
    if (j + 1 < ny_ && (!toward || tj > j) &&
        !local_.blocksVertical(xs_[i], ys_[j], ys_[j + 1])) {
      each(k + 1, 1, static_cast<double>(ys_[j + 1]) - ys_[j]);
    }
    if (j > 0 && (!toward || tj < j) &&
        !local_.blocksVertical(xs_[i], ys_[j - 1], ys_[j])) {
      each(k - 1, 1, static_cast<double>(ys_[j]) - ys_[j - 1]);
    }
  }

 private:
  ObstacleIndex local_;
  std::vector<float> xs_;
  std::vector<float> ys_;
  Key nx_ = 0;
  Key ny_ = 0;
};

enum class Reach { joined, apart, unknown };

// Floods from both ends at once, one node each in turn, so that the work
// stays near the smaller of the two parts. An end whose part within the
// window never meets the window's sides is walled in there, and so
// everywhere. Two ends that both reach the sides may meet outside it,
// unless the window already holds every rectangle: its sides are then a
// free ring that joins them.
Reach flood(const Grid& g, Key a, Key b, bool whole) {
  if (a == b) {
    return Reach::joined;
  }
  struct Side {
    std::deque<Key> queue;
    std::unordered_set<Key> seen;
    bool touched = false;
    bool done = false;
  };
  Side side[2];
  Key start[2] = {a, b};
  for (int s = 0; s < 2; ++s) {
    side[s].queue.push_back(start[s]);
    side[s].seen.insert(start[s]);
    side[s].touched = g.onBoundary(start[s]);
  }
  for (;;) {
    for (int s = 0; s < 2; ++s) {
      Side& me = side[s];
      const Side& other = side[1 - s];
      if (me.done) {
        continue;
      }
      if (me.queue.empty()) {
        me.done = true;
        if (!me.touched) {
          return Reach::apart;
        }
        continue;
      }
      Key k = me.queue.front();
      me.queue.pop_front();
      bool met = false;
      g.steps(k, nullptr, [&](Key n, int, double) {
        if (met || me.seen.count(n)) {
          return;
        }
        if (other.seen.count(n)) {
          met = true;
          return;
        }
        me.seen.insert(n);
        me.queue.push_back(n);
        me.touched = me.touched || g.onBoundary(n);
      });
      if (met) {
        return Reach::joined;
      }
    }
    if (side[0].touched && side[1].touched) {
      return whole ? Reach::joined : Reach::unknown;
    }
  }
}

// Shortest path from a to b on the grid, fewest bends among the shortest;
// with `monotone`, only steps towards b, fewest bends. Ties go to the
// smaller state, so the result depends on nothing but the grid. The length
// bound to b is admissible and consistent, so the first time b is taken
// from the queue its path is the best.
std::vector<RoutePoint> bestPath(const Grid& g,
                                 RoutePoint pa,
                                 RoutePoint pb,
                                 bool monotone) {
  Key a = g.at(pa), b = g.at(pb);
  struct Label {
    double len;
    int bends;
    Key parent;  // a state, or none
  };
  const Key none = std::numeric_limits<Key>::max();
  // A state is a node with the direction of the step that reached it.
  using Entry = std::tuple<double, int, Key>;  // priority, bends, state
  std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
  std::unordered_map<Key, Label> best;
  auto bound = [&](Key n) { return monotone ? 0.0 : distance(g.point(n), pb); };
  for (Key d = 0; d < 2; ++d) {
    best[2 * a + d] = {0, 0, none};
    open.emplace(bound(a), 0, 2 * a + d);
  }
  Key reached = none;
  while (!open.empty()) {
    // Named copies: a lambda below may not capture structured bindings.
    const double f = std::get<0>(open.top());
    const int bends = std::get<1>(open.top());
    const Key state = std::get<2>(open.top());
    open.pop();
    const Label cur = best[state];
    if (cur.bends != bends ||
        (monotone ? 0.0 : cur.len + bound(state / 2)) != f) {
      continue;
    }
    Key node = state / 2;
    if (node == b) {
      reached = state;
      break;
    }
    g.steps(node, monotone ? &b : nullptr, [&](Key n, int dir, double len) {
      Key next = 2 * n + static_cast<Key>(dir);
      double nl = monotone ? 0.0 : cur.len + len;
      int nb = cur.bends + (static_cast<Key>(dir) == state % 2 ? 0 : 1);
      auto it = best.find(next);
      if (it != best.end() &&
          std::make_pair(it->second.len, it->second.bends) <=
              std::make_pair(nl, nb)) {
        return;
      }
      best[next] = {nl, nb, state};
      open.emplace(nl + bound(n), nb, next);
    });
  }
  std::vector<RoutePoint> pts;
  for (Key s = reached; s != none; s = best[s].parent) {
    pts.push_back(g.point(s / 2));
  }
  std::reverse(pts.begin(), pts.end());
  return pts;
}

}  // namespace

std::vector<RoutePoint> bendsOnly(const std::vector<RoutePoint>& pts) {
  std::vector<RoutePoint> out;
  auto between = [](float a, float m, float b) {
    return (a <= m && m <= b) || (b <= m && m <= a);
  };
  for (const RoutePoint& p : pts) {
    if (!out.empty() && out.back() == p) {
      continue;
    }
    size_t n = out.size();
    if (n >= 2) {
      const RoutePoint& q = out[n - 2];
      const RoutePoint& m = out[n - 1];
      if ((q.x == m.x && m.x == p.x && between(q.y, m.y, p.y)) ||
          (q.y == m.y && m.y == p.y && between(q.x, m.x, p.x))) {
        out.back() = p;
        continue;
      }
    }
    out.push_back(p);
  }
  if (out.size() == 1) {
    out.push_back(out[0]);
  }
  return out;
}

double FreeRoute::length() const {
  double sum = 0;
  for (size_t k = 1; k < points.size(); ++k) {
    sum += distance(points[k - 1], points[k]);
  }
  return sum;
}

RouteFinder::RouteFinder(const ObstacleIndex& index) : index_(index) {
  const std::vector<ObstacleIndex::Rect>& rects = index.rects();
  all_ = rects.empty() ? treecore::plane::Box<float>{0, 0, 0, 0} : rects[0];
  for (const ObstacleIndex::Rect& r : rects) {
    all_ = treecore::plane::hull(all_, r);
  }
}

RouteFinder::~RouteFinder() = default;

bool RouteFinder::legsFree(RoutePoint a,
                           RoutePoint corner,
                           RoutePoint b) const {
  return !index_.blocksPiece(a.x, a.y, corner.x, corner.y) &&
         !index_.blocksPiece(corner.x, corner.y, b.x, b.y);
}

bool RouteFinder::primaryLFree(RoutePoint a, RoutePoint b) const {
  if (a.x == b.x || a.y == b.y) {
    return !index_.blocksPiece(a.x, a.y, b.x, b.y);
  }
  const RoutePoint& left = a.x < b.x ? a : b;
  const RoutePoint& right = a.x < b.x ? b : a;
  return legsFree(a, {right.x, left.y}, b);
}

FreeRoute RouteFinder::primaryL(RoutePoint a, RoutePoint b) const {
  FreeRoute r;
  if (!primaryLFree(a, b)) {
    return r;
  }
  r.kind = RouteKind::primaryL;
  if (a.x == b.x || a.y == b.y) {
    r.points = {a, b};
  } else {
    const RoutePoint& left = a.x < b.x ? a : b;
    const RoutePoint& right = a.x < b.x ? b : a;
    r.points = {a, {right.x, left.y}, b};
  }
  return r;
}

FreeRoute RouteFinder::monotoneRoute(RoutePoint a, RoutePoint b) const {
  FreeRoute r = primaryL(a, b);
  if (r.found() || a.x == b.x || a.y == b.y) {
    return r;
  }
  const RoutePoint& left = a.x < b.x ? a : b;
  const RoutePoint& right = a.x < b.x ? b : a;
  RoutePoint other{left.x, right.y};
  if (legsFree(a, other, b)) {
    r.kind = RouteKind::otherL;
    r.points = {a, other, b};
    return r;
  }
  if (index_.holds(a.x, a.y) || index_.holds(b.x, b.y)) {
    return r;
  }
  return staircase(a, b);
}

bool RouteFinder::monotoneFree(RoutePoint a, RoutePoint b) const {
  if (primaryLFree(a, b)) {
    return true;
  }
  if (a.x == b.x || a.y == b.y) {
    return false;
  }
  const RoutePoint& left = a.x < b.x ? a : b;
  const RoutePoint& right = a.x < b.x ? b : a;
  if (legsFree(a, {left.x, right.y}, b)) {
    return true;
  }
  if (index_.holds(a.x, a.y) || index_.holds(b.x, b.y)) {
    return false;
  }
  return staircase(a, b).found();
}

FreeRoute RouteFinder::route(RoutePoint a, RoutePoint b) const {
  FreeRoute r = monotoneRoute(a, b);
  if (r.found() || index_.holds(a.x, a.y) || index_.holds(b.x, b.y)) {
    return r;
  }
  return detour(a, b);
}

FreeRoute RouteFinder::staircase(RoutePoint a, RoutePoint b) const {
  Grid g(index_, std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x),
         std::max(a.y, b.y), a, b);
  FreeRoute r;
  std::vector<RoutePoint> pts = bestPath(g, a, b, true);
  if (!pts.empty()) {
    r.kind = RouteKind::staircase;
    r.points = bendsOnly(pts);
  }
  return r;
}

// Searches a window round the two points' box, grown until the result is
// known to be shortest: a path that leaves the window by a margin m is at
// least the rectilinear distance plus 2m long. No shortest path leaves the
// box of all rectangles and both points (clamping a path into that box
// shortens it and keeps it free), so the window never grows beyond it.
// Once the window holds more than kWindowRects rectangles, a search over
// the escape graph of all of them takes over: the window's grid grows with
// the square of the lines in it, and in a maze the window grows to the
// whole maze for every connection that crosses a wall. The two find routes
// of the same length and bends; among equal ones they may choose
// differently, so small windows keep the grid.
FreeRoute RouteFinder::detour(RoutePoint a, RoutePoint b) const {
  const size_t kWindowRects = 64;
  FreeRoute r;
  treecore::plane::Box<float> box = treecore::plane::boundsOf(a, b);
  treecore::plane::Box<float> cap = treecore::plane::hull(box, all_);
  if (index_.empty()) {
    cap = box;
  }
  double direct = distance(a, b);
  double m = std::max(direct, 1.0);
  bool certain = false;
  for (;;) {
    treecore::plane::Box<float> w{std::max(cap.xlo, floatBelow(box.xlo - m)),
                                  std::max(cap.ylo, floatBelow(box.ylo - m)),
                                  std::min(cap.xhi, floatAbove(box.xhi + m)),
                                  std::min(cap.yhi, floatAbove(box.yhi + m))};
    bool whole = w == cap;
    if (index_.meetsMoreThan(w.xlo, w.ylo, w.xhi, w.yhi, kWindowRects)) {
      if (!escape_) {
        escape_ = std::make_unique<EscapeGraph>(index_);
      }
      std::vector<RoutePoint> pts = escape_->route(a, b);
      r.kind = pts.empty() ? RouteKind::none : RouteKind::detour;
      r.points = pts.empty() ? pts : bendsOnly(pts);
      return r;
    }
    Grid g(index_, w.xlo, w.ylo, w.xhi, w.yhi, a, b);
    Reach reach = certain ? Reach::joined : flood(g, g.at(a), g.at(b), whole);
    if (reach == Reach::apart) {
      return r;
    }
    if (reach == Reach::unknown) {
      m *= 2;
      continue;
    }
    std::vector<RoutePoint> pts = bestPath(g, a, b, false);
    r.kind = RouteKind::detour;
    r.points = bendsOnly(pts);
    double len = r.length();
    if (whole || certain || len <= direct + 2 * m) {
      return r;
    }
    // The best path is no longer than this one, so it stays within this
    // margin; one more search over that window finds it.
    m = (len - direct) / 2;
    certain = true;
  }
}
