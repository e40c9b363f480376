#include "spatial/escapeGraph.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <limits>
#include <queue>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

constexpr float inf = std::numeric_limits<float>::infinity();

// A point, and the axis along which a route reached it (0: x, 1: y). -0 is
// read as 0, so that equal points are one key.
struct State {
  float x;
  float y;
  int axis;
};

bool operator==(const State& a, const State& b) {
  return a.x == b.x && a.y == b.y && a.axis == b.axis;
}

float plain(float v) {
  return v == 0 ? 0.0f : v;
}

struct StateHash {
  size_t operator()(const State& s) const {
    std::uint32_t x, y;
    float px = plain(s.x), py = plain(s.y);
    std::memcpy(&x, &px, sizeof x);
    std::memcpy(&y, &py, sizeof y);
    std::uint64_t k = (static_cast<std::uint64_t>(x) << 32 | y) * 2 +
                      static_cast<std::uint64_t>(s.axis);
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdULL;
    k ^= k >> 33;
    return static_cast<size_t>(k);
  }
};

double distance(float ax, float ay, float bx, float by) {
  return std::fabs(static_cast<double>(ax) - bx) +
         std::fabs(static_cast<double>(ay) - by);
}

// A node of a search: a point, its -0 made 0 (plain).
using Node = std::pair<float, float>;

struct NodeHash {
  size_t operator()(const Node& p) const {
    return StateHash()(State{p.first, p.second, 0});
  }
};

// A point waiting in a search: its length from the start, then the point.
using Queued = std::tuple<double, float, float>;

// Up to this many rectangles, sight limits are found pair by pair.
const size_t kFewRects = 24;

}  // namespace

std::array<float, 4> fewSightAt(const std::vector<ObstacleIndex::Rect>& rects,
                                float x,
                                float y) {
  std::array<float, 4> out;
  out[seeRight] = inf;
  out[seeLeft] = -inf;
  out[seeUp] = inf;
  out[seeDown] = -inf;
  for (const ObstacleIndex::Rect& r : rects) {
    if (!(r.xlo < r.xhi && r.ylo < r.yhi)) {
      continue;  // no interior
    }
    if (r.ylo < y && y < r.yhi) {
      if (r.xlo >= x) {
        out[seeRight] = std::min(out[seeRight], r.xlo);
      }
      if (r.xhi <= x) {
        out[seeLeft] = std::max(out[seeLeft], r.xhi);
      }
    }
    if (r.xlo < x && x < r.xhi) {
      if (r.ylo >= y) {
        out[seeUp] = std::min(out[seeUp], r.ylo);
      }
      if (r.yhi <= y) {
        out[seeDown] = std::max(out[seeDown], r.yhi);
      }
    }
  }
  return out;
}

std::array<std::vector<float>, 4> fewSightLimits(
    const std::vector<ObstacleIndex::Rect>& rects,
    const std::vector<float>& xs,
    const std::vector<float>& ys) {
  std::array<std::vector<float>, 4> out;
  for (std::vector<float>& o : out) {
    o.resize(xs.size());
  }
  for (size_t i = 0; i < xs.size(); ++i) {
    std::array<float, 4> at = fewSightAt(rects, xs[i], ys[i]);
    for (int d = 0; d < 4; ++d) {
      out[d][i] = at[d];
    }
  }
  return out;
}

void EscapeGraph::Tracks::build(std::vector<Track> tracks, bool linesOnly) {
  std::sort(tracks.begin(), tracks.end(), [](const Track& a, const Track& b) {
    return std::tie(a.at, a.lo, a.hi) < std::tie(b.at, b.lo, b.hi);
  });
  tracks.erase(std::unique(tracks.begin(), tracks.end(),
                           [](const Track& a, const Track& b) {
                             return a.at == b.at && a.lo == b.lo &&
                                    a.hi == b.hi;
                           }),
               tracks.end());
  byLine_ = std::move(tracks);
  if (linesOnly) {
    return;
  }
  std::vector<float> ends;
  for (const Track& t : byLine_) {
    ends.push_back(t.lo);
    ends.push_back(t.hi);
  }
  ends_ = BoundLeaves<float>(std::move(ends));
  lines_ = SegmentLists<float>(
      ends_.leaves(), byLine_.size(),
      [&](size_t i) { return ends_.within(byLine_[i].lo, byLine_[i].hi); },
      [&](size_t i) { return byLine_[i].at; });
  for (size_t k = 0; k < lines_.nodes(); ++k) {
    std::sort(lines_.begin(k), lines_.end(k));
  }
}

const EscapeGraph::Track* EscapeGraph::Tracks::holding(float at,
                                                       float t) const {
  // The last track on the line that starts at or before t.
  auto it = std::upper_bound(
      byLine_.begin(), byLine_.end(), std::make_pair(at, t),
      [](const std::pair<float, float>& p, const Track& k) {
        return p.first < k.at || (p.first == k.at && p.second < k.lo);
      });
  if (it == byLine_.begin()) {
    return nullptr;
  }
  --it;
  return it->at == at && it->lo <= t && t <= it->hi ? &*it : nullptr;
}

float EscapeGraph::Tracks::next(float c, float t, bool up) const {
  float best = up ? inf : -inf;
  long p = ends_.leafOf(c);
  if (!ends_.holds(p)) {
    return best;
  }
  lines_.shape().path(static_cast<size_t>(p), [&](size_t k) {
    const float* from = lines_.begin(k);
    const float* to = lines_.end(k);
    if (up) {
      auto n = std::upper_bound(from, to, t);
      if (n != to) {
        best = std::min(best, *n);
      }
    } else {
      auto n = std::lower_bound(from, to, t);
      if (n != from) {
        best = std::max(best, *(n - 1));
      }
    }
    return false;
  });
  return best;
}

EscapeGraph::EscapeGraph(const ObstacleIndex& index, bool linesOnly)
    : index_(index) {
  // Sized up front: on a net's few rectangles the growing would cost more
  // than the rest.
  std::vector<ObstacleIndex::Rect> solid;
  solid.reserve(index.rects().size());
  for (const ObstacleIndex::Rect& r : index.rects()) {
    if (r.xlo < r.xhi && r.ylo < r.yhi) {
      solid.push_back(r);
    }
  }
  std::vector<float> xs, ys;
  xs.reserve(4 * solid.size());
  ys.reserve(4 * solid.size());
  for (std::vector<float>& s : sides_) {
    s.reserve(solid.size());
  }
  for (const ObstacleIndex::Rect& r : solid) {
    for (float x : {r.xlo, r.xhi}) {
      for (float y : {r.ylo, r.yhi}) {
        if (!index.holds(x, y)) {
          xs.push_back(x);
          ys.push_back(y);
        }
      }
    }
    sides_[seeRight].push_back(r.xlo);
    sides_[seeLeft].push_back(r.xhi);
    sides_[seeUp].push_back(r.ylo);
    sides_[seeDown].push_back(r.yhi);
  }
  for (std::vector<float>& s : sides_) {
    std::sort(s.begin(), s.end());
    s.erase(std::unique(s.begin(), s.end()), s.end());
  }
  std::vector<Track> along[2];
  along[0].reserve(xs.size());
  along[1].reserve(xs.size());
  // Few rectangles: each corner against each is cheaper than the sweeps.
  if (solid.size() <= kFewRects) {
    for (size_t i = 0; i < xs.size(); ++i) {
      std::array<float, 4> sight = fewSightAt(solid, xs[i], ys[i]);
      along[0].push_back({ys[i], sight[seeLeft], sight[seeRight]});
      along[1].push_back({xs[i], sight[seeDown], sight[seeUp]});
    }
  } else {
    std::array<std::vector<float>, 4> sight = sightLimits(solid, xs, ys);
    for (size_t i = 0; i < xs.size(); ++i) {
      along[0].push_back({ys[i], sight[seeLeft][i], sight[seeRight][i]});
      along[1].push_back({xs[i], sight[seeDown][i], sight[seeUp][i]});
    }
  }
  for (int k = 0; k < 2; ++k) {
    tracks_[k].build(std::move(along[k]), linesOnly);
  }
}

// A look to the right ends at the least xlo at or beyond p.x among the
// rectangles across p.y. A piece from p to t is blocked exactly when t lies
// beyond that end, so the end is the last side, in the look's direction,
// to which the piece is free; a binary search over the sides finds it.
float EscapeGraph::shoot(RoutePoint p, SightDir d) const {
  bool alongX = d == seeRight || d == seeLeft;
  bool ahead = d == seeRight || d == seeUp;
  float from = alongX ? p.x : p.y;
  float at = alongX ? p.y : p.x;
  auto blocked = [&](float to) {
    return alongX ? index_.blocksHorizontal(at, from, to)
                  : index_.blocksVertical(at, from, to);
  };
  const std::vector<float>& s = sides_[d];
  if (ahead) {
    size_t l = static_cast<size_t>(std::lower_bound(s.begin(), s.end(), from) -
                                   s.begin());
    size_t r = s.size();
    if (l == r) {
      return inf;
    }
    // s[l] is never blocked: no side nearer than the end can block; find
    // the farthest side that is not.
    while (r - l > 1) {
      size_t m = l + (r - l) / 2;
      if (blocked(s[m])) {
        r = m;
      } else {
        l = m;
      }
    }
    if (r < s.size() || blocked(std::nextafter(s[l], inf))) {
      return s[l];
    }
    return inf;
  }
  size_t r = static_cast<size_t>(std::upper_bound(s.begin(), s.end(), from) -
                                 s.begin());
  if (r == 0) {
    return -inf;
  }
  // s[r - 1] is never blocked; find the farthest side that is not.
  size_t l = 0;
  --r;
  while (l < r) {
    size_t m = l + (r - l) / 2;
    if (blocked(s[m])) {
      l = m + 1;
    } else {
      r = m;
    }
  }
  if (l > 0 || blocked(std::nextafter(s[l], -inf))) {
    return s[l];
  }
  return -inf;
}

std::vector<RoutePoint> EscapeGraph::route(RoutePoint a, RoutePoint b) const {
  // The lines through the ends, as far as each sees: [axis][end].
  Track rays[2][2];
  const RoutePoint ends[2] = {a, b};
  for (int e = 0; e < 2; ++e) {
    RoutePoint p = ends[e];
    rays[0][e] = {p.y, shoot(p, seeLeft), shoot(p, seeRight)};
    rays[1][e] = {p.x, shoot(p, seeDown), shoot(p, seeUp)};
  }
  // The stretch along `axis` through (x, y), which must be on one.
  auto stretchAt = [&](int axis, float x, float y) -> Track {
    float at = axis == 0 ? y : x;
    float t = axis == 0 ? x : y;
    if (const Track* k = tracks_[axis].holding(at, t)) {
      return *k;
    }
    for (const Track& k : rays[axis]) {
      if (k.at == at && k.lo <= t && t <= k.hi) {
        return k;
      }
    }
    return {at, t, t};
  };
  // The next node from (x, y) along `axis`, forwards or back; false at the
  // end of the stretch.
  auto step = [&](float x, float y, int axis, bool forward, State& to) {
    Track k = stretchAt(axis, x, y);
    float t = axis == 0 ? x : y;
    float c = axis == 0 ? y : x;
    int across = 1 - axis;
    float n = tracks_[across].next(c, t, forward);
    for (const Track& r : rays[across]) {
      if (r.lo <= c && c <= r.hi && (forward ? r.at > t : r.at < t)) {
        n = forward ? std::min(n, r.at) : std::max(n, r.at);
      }
    }
    if (forward ? n > k.hi : n < k.lo) {
      return false;
    }
    to = axis == 0 ? State{n, y, axis} : State{x, n, axis};
    return true;
  };

  struct Label {
    double len;
    int bends;
    State parent;
    bool root;
  };
  std::unordered_map<State, Label, StateHash> best;
  using Entry = std::tuple<double, int, float, float, int>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
  auto bound = [&](float x, float y) { return distance(x, y, b.x, b.y); };
  for (int axis = 0; axis < 2; ++axis) {
    State s{plain(a.x), plain(a.y), axis};
    best[s] = {0, 0, s, true};
    open.emplace(bound(a.x, a.y), 0, s.x, s.y, axis);
  }

  // A plain flood from b, one node per node the search takes: when b's part
  // is used up without meeting a, the two are apart, and the search stops
  // after about as many steps as that part has nodes.
  std::unordered_set<Node, NodeHash> flooded;
  std::deque<Node> frontier;
  bool flooding = true;
  flooded.insert({plain(b.x), plain(b.y)});
  frontier.emplace_back(plain(b.x), plain(b.y));

  const State none{0, 0, -1};
  State reached = none;
  while (!open.empty() && reached.axis < 0) {
    if (flooding) {
      if (frontier.empty()) {
        if (!flooded.count({plain(a.x), plain(a.y)})) {
          return {};
        }
        flooding = false;
      } else {
        Node p = frontier.front();
        frontier.pop_front();
        for (int axis = 0; axis < 2; ++axis) {
          for (bool forward : {true, false}) {
            State to;
            if (step(p.first, p.second, axis, forward, to) &&
                flooded.insert({to.x, to.y}).second) {
              frontier.emplace_back(to.x, to.y);
            }
          }
        }
      }
    }
    auto [f, bends, x, y, axis] = open.top();
    open.pop();
    State cur{x, y, axis};
    const Label here = best[cur];
    if (here.bends != bends || here.len + bound(x, y) != f) {
      continue;
    }
    if (x == plain(b.x) && y == plain(b.y)) {
      reached = cur;
      break;
    }
    for (int along = 0; along < 2; ++along) {
      for (bool forward : {true, false}) {
        State to;
        if (!step(x, y, along, forward, to)) {
          continue;
        }
        double nl =
            here.len + (along == 0 ? std::fabs(static_cast<double>(to.x) - x)
                                   : std::fabs(static_cast<double>(to.y) - y));
        int nb = bends + (along == axis ? 0 : 1);
        auto it = best.find(to);
        if (it != best.end() &&
            std::make_pair(it->second.len, it->second.bends) <=
                std::make_pair(nl, nb)) {
          continue;
        }
        best[to] = {nl, nb, cur, false};
        open.emplace(nl + bound(to.x, to.y), nb, to.x, to.y, along);
      }
    }
  }
  std::vector<RoutePoint> pts;
  if (reached.axis < 0) {
    return pts;
  }
  // Back from b, keeping the nodes where the route turns.
  int out = -1;
  for (State s = reached;; s = best[s].parent) {
    if (out < 0 || best[s].root || s.axis != out) {
      pts.push_back({s.x, s.y});
    }
    out = s.axis;
    if (best[s].root) {
      break;
    }
  }
  if (pts.size() == 1) {
    pts.push_back(pts[0]);
  }
  std::reverse(pts.begin(), pts.end());
  pts.front() = a;
  pts.back() = b;
  return pts;
}

class EscapeGraph::Search {
 public:
  // Over the tracks and the lines through a and every target, as far as
  // each sees.
  Search(const EscapeGraph& graph,
         RoutePoint a,
         const std::vector<RoutePoint>& targets)
      : graph_(graph), root_{plain(a.x), plain(a.y)} {
    std::vector<RoutePoint> ends(1, a);
    ends.insert(ends.end(), targets.begin(), targets.end());
    std::vector<Track> along[2];
    for (const RoutePoint& p : ends) {
      along[0].push_back(
          {p.y, graph_.shoot(p, seeLeft), graph_.shoot(p, seeRight)});
      along[1].push_back(
          {p.x, graph_.shoot(p, seeDown), graph_.shoot(p, seeUp)});
    }
    for (int k = 0; k < 2; ++k) {
      rays_[k].build(std::move(along[k]), false);
    }
    for (size_t i = 0; i < targets.size(); ++i) {
      wanted_[{plain(targets[i].x), plain(targets[i].y)}].push_back(i);
    }
  }

  // Nearest point first, calls at(x, y, len, indices) at each target's
  // place (indices: the targets there, ascending) until every place is met
  // or at returns true. Leaves best: the distance from a of each point met.
  template <class AtTarget>
  void run(AtTarget&& at) {
    size_t left = wanted_.size();
    std::priority_queue<Queued, std::vector<Queued>, std::greater<Queued>> open;
    best[root_] = 0;
    open.emplace(0.0, root_.first, root_.second);
    while (!open.empty() && left > 0) {
      auto [len, x, y] = open.top();
      open.pop();
      if (best[{x, y}] != len) {
        continue;
      }
      auto w = wanted_.find({x, y});
      if (w != wanted_.end()) {
        if (at(x, y, len, w->second)) {
          return;
        }
        wanted_.erase(w);
        --left;
      }
      for (int axis = 0; axis < 2; ++axis) {
        for (bool forward : {true, false}) {
          State to;
          if (!step(x, y, axis, forward, to)) {
            continue;
          }
          double nl = len + distance(x, y, to.x, to.y);
          auto [it, fresh] = best.try_emplace({to.x, to.y}, nl);
          if (!fresh) {
            if (it->second <= nl) {
              continue;
            }
            it->second = nl;
          }
          open.emplace(nl, to.x, to.y);
        }
      }
    }
  }

  // The next node from (x, y) along axis, forward or back, into to; false
  // where the free stretch ends first.
  bool step(float x, float y, int axis, bool forward, State& to) const {
    Track k = stretchAt(axis, x, y);
    float t = axis == 0 ? x : y;
    float c = axis == 0 ? y : x;
    int across = 1 - axis;
    float n = graph_.tracks_[across].next(c, t, forward);
    float r = rays_[across].next(c, t, forward);
    n = forward ? std::min(n, r) : std::max(n, r);
    if (forward ? n > k.hi : n < k.lo) {
      return false;
    }
    to = axis == 0 ? State{n, y, axis} : State{x, n, axis};
    return true;
  }

  Node root() const { return root_; }

  std::unordered_map<Node, double, NodeHash> best;

 private:
  Track stretchAt(int axis, float x, float y) const {
    float at = axis == 0 ? y : x;
    float t = axis == 0 ? x : y;
    Track s{at, t, t};
    const Tracks* both[2] = {&graph_.tracks_[axis], &rays_[axis]};
    for (const Tracks* ts : both) {
      // Two stretches on one line that both hold t are one free stretch
      // seen from two points: take their union.
      if (const Track* k = ts->holding(at, t)) {
        s.lo = std::min(s.lo, k->lo);
        s.hi = std::max(s.hi, k->hi);
      }
    }
    return s;
  }

  const EscapeGraph& graph_;
  Node root_;
  Tracks rays_[2];
  // Targets by place; a place may stand for several.
  std::unordered_map<Node, std::vector<size_t>, NodeHash> wanted_;
};

void EscapeGraph::reach(
    RoutePoint a,
    const std::vector<RoutePoint>& targets,
    const std::function<bool(size_t, double)>& reached) const {
  if (targets.empty()) {
    return;
  }
  Search search(*this, a, targets);
  search.run([&](float, float, double len, const std::vector<size_t>& at) {
    for (size_t i : at) {
      if (reached(i, len)) {
        return true;
      }
    }
    return false;
  });
}

std::vector<double> EscapeGraph::distances(
    RoutePoint a, const std::vector<RoutePoint>& targets) const {
  std::vector<double> out(targets.size(),
                          std::numeric_limits<double>::infinity());
  reach(a, targets, [&out](size_t i, double len) {
    out[i] = len;
    return false;
  });
  return out;
}

void EscapeGraph::shortestTree(
    RoutePoint a,
    const std::vector<RoutePoint>& targets,
    std::vector<double>& dist,
    std::vector<std::vector<RoutePoint>>& paths,
    std::vector<std::pair<RoutePoint, RoutePoint>>* grid,
    size_t gridNodes) const {
  if (grid) {
    grid->clear();
  }
  dist.assign(targets.size(), std::numeric_limits<double>::infinity());
  paths.clear();
  if (targets.empty()) {
    return;
  }
  // The targets' places in the order reached.
  Search search(*this, a, targets);
  std::vector<Node> reached;
  search.run([&](float x, float y, double len, const std::vector<size_t>& at) {
    for (size_t i : at) {
      dist[i] = len;
    }
    reached.push_back({x, y});
    return false;
  });
  auto& best = search.best;
  Node root = search.root();
  if (grid && best.size() <= gridNodes) {
    // In the order of the points, so that the same input gives the same
    // list whatever the hashing.
    std::vector<Node> met;
    met.reserve(best.size());
    for (const auto& [u, len] : best) {
      met.push_back(u);
    }
    std::sort(met.begin(), met.end());
    for (const Node& u : met) {
      for (int dir = 0; dir < 2; ++dir) {
        State to;
        if (search.step(u.first, u.second, dir, true, to) &&
            best.count({to.x, to.y})) {
          grid->push_back({{u.first, u.second}, {to.x, to.y}});
        }
      }
    }
    return;
  }
  // Each target back along the steps that lie on a shortest route (the
  // step's length makes up the difference of the distances), farthest from
  // a first, to the first point of the tree so far.
  std::unordered_set<Node, NodeHash> onTree{root};
  std::unordered_map<Node, Node, NodeHash> toward;  // the step back to p
  std::priority_queue<Queued> back;
  for (const Node& p : reached) {
    if (onTree.count(p)) {
      continue;
    }
    toward.clear();
    back = {};
    toward[p] = p;
    back.emplace(best[p], p.first, p.second);
    Node found = root;
    bool met = false;
    while (!back.empty()) {
      auto [len, x, y] = back.top();
      back.pop();
      Node here{x, y};
      if (onTree.count(here)) {
        found = here;
        met = true;
        break;
      }
      for (int dir = 0; dir < 2; ++dir) {
        for (bool forward : {true, false}) {
          State to;
          if (!search.step(x, y, dir, forward, to)) {
            continue;
          }
          Node u{to.x, to.y};
          auto it = best.find(u);
          if (it == best.end() || toward.count(u)) {
            continue;
          }
          double gap = len - it->second;
          double piece = distance(x, y, to.x, to.y);
          if (std::fabs(gap - piece) > 1e-9 * std::max(1.0, len)) {
            continue;
          }
          toward[u] = here;
          back.emplace(it->second, u.first, u.second);
        }
      }
    }
    if (!met) {
      // Lengths summed in other orders that the slack above did not
      // cover: a route of its own.
      paths.push_back(route(a, {p.first, p.second}));
      continue;
    }
    // From the tree to p, keeping the bends.
    std::vector<RoutePoint> pts{{found.first, found.second}};
    for (Node u = found; !(u == p);) {
      Node v = toward[u];
      onTree.insert(v);
      if (pts.size() >= 2) {
        const RoutePoint& q = pts[pts.size() - 2];
        const RoutePoint& r = pts.back();
        bool straight =
            (q.x == r.x && r.x == v.first) || (q.y == r.y && r.y == v.second);
        if (straight) {
          pts.back() = {v.first, v.second};
          u = v;
          continue;
        }
      }
      pts.push_back({v.first, v.second});
      u = v;
    }
    paths.push_back(std::move(pts));
  }
}

bool EscapeGraph::lines(const std::vector<RoutePoint>& through,
                        size_t crossings,
                        std::vector<std::pair<RoutePoint, RoutePoint>>& out,
                        bool whole) const {
  out.clear();
  if (through.empty()) {
    return true;
  }
  // The box of the points, grown to hold every rectangle whose interior
  // it meets: its sides are then free, and a route that leaves it is no
  // shorter than the same route with each coordinate clamped to it.
  float xlo = through[0].x, xhi = xlo, ylo = through[0].y, yhi = ylo;
  for (const RoutePoint& p : through) {
    xlo = std::min(xlo, p.x), xhi = std::max(xhi, p.x);
    ylo = std::min(ylo, p.y), yhi = std::max(yhi, p.y);
  }
  for (const ObstacleIndex::Rect& r : index_.rects()) {
    if (whole) {
      xlo = std::min(xlo, r.xlo), xhi = std::max(xhi, r.xhi);
      ylo = std::min(ylo, r.ylo), yhi = std::max(yhi, r.yhi);
    }
  }
  for (bool grew = !whole; grew;) {
    grew = false;
    for (const ObstacleIndex::Rect& r : index_.rects()) {
      bool meets = r.xlo < xhi && xlo < r.xhi && r.ylo < yhi && ylo < r.yhi &&
                   r.xlo < r.xhi && r.ylo < r.yhi;
      if (meets && (r.xlo < xlo || r.xhi > xhi || r.ylo < ylo || r.yhi > yhi)) {
        xlo = std::min(xlo, r.xlo), xhi = std::max(xhi, r.xhi);
        ylo = std::min(ylo, r.ylo), yhi = std::max(yhi, r.yhi);
        grew = true;
      }
    }
  }
  size_t across[2] = {through.size(), through.size()};
  for (int axis = 0; axis < 2; ++axis) {
    float lo = axis == 0 ? ylo : xlo, hi = axis == 0 ? yhi : xhi;
    for (const Track& t : tracks_[axis].all()) {
      across[axis] += lo <= t.at && t.at <= hi;
    }
  }
  if (across[0] * across[1] > crossings) {
    return false;
  }
  auto draw = [&](int axis, const Track& t) {
    if (t.at < (axis == 0 ? ylo : xlo) || t.at > (axis == 0 ? yhi : xhi)) {
      return;
    }
    float lo = std::max(t.lo, axis == 0 ? xlo : ylo);
    float hi = std::min(t.hi, axis == 0 ? xhi : yhi);
    if (lo > hi) {
      return;
    }
    out.push_back(
        axis == 0 ? std::make_pair(RoutePoint{lo, t.at}, RoutePoint{hi, t.at})
                  : std::make_pair(RoutePoint{t.at, lo}, RoutePoint{t.at, hi}));
  };
  for (int axis = 0; axis < 2; ++axis) {
    for (const Track& t : tracks_[axis].all()) {
      draw(axis, t);
    }
  }
  // Few rectangles, each with an interior: a point outside every interior
  // sees up to the nearest side across its line, as the corners do, found
  // pair by pair for less than the sides' searches cost. A point inside
  // one (or a rectangle without an interior, which blocks too) is shot.
  const std::vector<ObstacleIndex::Rect>& rects = index_.rects();
  bool few = rects.size() <= kFewRects;
  for (size_t k = 0; few && k < rects.size(); ++k) {
    few = rects[k].xlo < rects[k].xhi && rects[k].ylo < rects[k].yhi;
  }
  if (few) {
    for (const RoutePoint& p : through) {
      bool inside = false;
      for (const ObstacleIndex::Rect& r : rects) {
        inside = inside ||
                 (r.xlo < p.x && p.x < r.xhi && r.ylo < p.y && p.y < r.yhi);
      }
      if (inside) {
        draw(0, {p.y, shoot(p, seeLeft), shoot(p, seeRight)});
        draw(1, {p.x, shoot(p, seeDown), shoot(p, seeUp)});
      } else {
        std::array<float, 4> sight = fewSightAt(rects, p.x, p.y);
        draw(0, {p.y, sight[seeLeft], sight[seeRight]});
        draw(1, {p.x, sight[seeDown], sight[seeUp]});
      }
    }
    return true;
  }
  for (const RoutePoint& p : through) {
    draw(0, {p.y, shoot(p, seeLeft), shoot(p, seeRight)});
    draw(1, {p.x, shoot(p, seeDown), shoot(p, seeUp)});
  }
  return true;
}
