#include "spatial/wirePlan.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <tuple>

#include "support/indexParts.h"
#include "support/smallLists.h"

namespace {

using Run = WireRun;

// Orders as objects, not function pointers, so that sorts inline them.
const auto byLineThenLo = [](const Run& a, const Run& b) {
  return std::tie(a.line, a.lo, a.hi, a.id) <
         std::tie(b.line, b.lo, b.hi, b.id);
};

// Horizontal and vertical stretches of the wires that have length.
void splitWires(const std::vector<Wire>& wires,
                std::vector<Run>& h,
                std::vector<Run>& v) {
  // Each wire is written to both lists and kept in the one it belongs to,
  // if any: which one is random to the predictor.
  h.resize(wires.size());
  v.resize(wires.size());
  size_t nh = 0;
  size_t nv = 0;
  for (int i = 0; i < static_cast<int>(wires.size()); ++i) {
    const Wire& w = wires[i];
    bool across = (w.y1 == w.y2) & (w.x1 != w.x2);
    bool along = (!across) & (w.x1 == w.x2) & (w.y1 != w.y2);
    h[nh] = {w.y1, std::min(w.x1, w.x2), std::max(w.x1, w.x2), i};
    v[nv] = {w.x1, std::min(w.y1, w.y2), std::max(w.y1, w.y2), i};
    nh += across;
    nv += along;
  }
  h.resize(nh);
  v.resize(nv);
}

// Maximal unions of stretches that overlap or touch on one line, sorted;
// sorts s and gives each stretch its run's place as its id.
void mergeRuns(std::vector<Run>& s, std::vector<Run>& runs) {
  std::sort(s.begin(), s.end(), byLineThenLo);
  runs.clear();
  for (Run& t : s) {
    if (!runs.empty() && runs.back().line == t.line && t.lo <= runs.back().hi) {
      runs.back().hi = std::max(runs.back().hi, t.hi);
    } else {
      runs.push_back({t.line, t.lo, t.hi, static_cast<int>(runs.size())});
    }
    t.id = runs.back().id;
  }
}

// Among stretches sorted by line, then lo, that do not overlap: the place
// of the one on `line` that holds `at`, or -1. Runs sit at their ids.
int findRun(const std::vector<Run>& runs, float line, float at) {
  // std::upper_bound's place, by the same test as the tuples' order, with
  // the halving done by a select.
  auto before = [&](const Run& r) {
    return (line < r.line) | ((!(r.line < line)) & (at < r.lo));
  };
  if (runs.empty()) {
    return -1;
  }
  const Run* base = runs.data();
  size_t len = runs.size();
  while (len > 1) {
    size_t half = len / 2;
    size_t step = half & (static_cast<size_t>(before(base[half - 1])) - 1);
    base += step;
    len -= half;
  }
  size_t place = static_cast<size_t>(base - runs.data()) + !before(*base);
  if (place == 0) {
    return -1;
  }
  const Run& r = runs[place - 1];
  return r.line == line && at <= r.hi ? static_cast<int>(place - 1) : -1;
}

// Calls meet(h, v) for every horizontal stretch h and vertical stretch v
// that share a point, both closed; stops early when meet returns false.
template <class F>
bool forEachContact(const std::vector<Run>& h,
                    const std::vector<Run>& v,
                    F meet) {
  // A few wires: testing each pair beats sorting events and a tree's
  // allocations.
  if (h.size() * v.size() <= 256) {
    for (const Run& a : h) {
      for (const Run& b : v) {
        if (a.lo <= b.line && b.line <= a.hi && b.lo <= a.line &&
            a.line <= b.hi && !meet(a, b)) {
          return false;
        }
      }
    }
    return true;
  }
  // Opens, then queries, then closes at one x.
  std::vector<std::tuple<float, int, int>> events;
  events.reserve(2 * h.size() + v.size());
  for (int i = 0; i < static_cast<int>(h.size()); ++i) {
    events.emplace_back(h[i].lo, 0, i);
    events.emplace_back(h[i].hi, 2, i);
  }
  for (int i = 0; i < static_cast<int>(v.size()); ++i) {
    events.emplace_back(v[i].line, 1, i);
  }
  std::sort(events.begin(), events.end());
  std::multimap<float, int> active;
  std::vector<std::multimap<float, int>::iterator> where(h.size());
  for (const auto& [at, kind, i] : events) {
    if (kind == 0) {
      where[i] = active.emplace(h[i].line, i);
    } else if (kind == 2) {
      active.erase(where[i]);
    } else {
      for (auto it = active.lower_bound(v[i].lo);
           it != active.end() && it->first <= v[i].hi; ++it) {
        if (!meet(h[it->second], v[i])) {
          return false;
        }
      }
    }
  }
  return true;
}

const auto lessPoint = [](const RoutePoint& a, const RoutePoint& b) {
  return a.x < b.x || (a.x == b.x && a.y < b.y);
};

// The place of p among sorted distinct points, or -1.
int findPoint(const std::vector<RoutePoint>& points, const RoutePoint& p) {
  auto it = std::lower_bound(points.begin(), points.end(), p, lessPoint);
  return it != points.end() && *it == p ? static_cast<int>(it - points.begin())
                                        : -1;
}

// Gives back the scratch lists named on leaving a scope, after
// a large net (releaseLarge); they keep their storage between small ones.
template <class... Lists>
struct Released {
  explicit Released(Lists&... l) : lists(l...) {}
  ~Released() {
    std::apply([](auto&... l) { (releaseLarge(l), ...); }, lists);
  }
  Released(const Released&) = delete;
  Released& operator=(const Released&) = delete;
  std::tuple<Lists&...> lists;
};

// The parts of the pins, given each pin's part on the wire (below
// partCount) or -1 for none: pins on no wire are told apart by their points.
int distinctParts(const std::vector<RoutePoint>& pins,
                  const std::vector<int>& partOf,
                  size_t partCount,
                  WirePlanScratch& s) {
  std::vector<char>& seen = s.seen;
  std::vector<RoutePoint>& off = s.off;
  Released done{seen, off};
  off.clear();
  seen.assign(partCount, 0);
  int parts = 0;
  for (size_t k = 0; k < pins.size(); ++k) {
    if (partOf[k] < 0) {
      off.push_back(pins[k]);
    } else if (!seen[partOf[k]]) {
      seen[partOf[k]] = 1;
      ++parts;
    }
  }
  std::sort(off.begin(), off.end(), lessPoint);
  return parts +
         static_cast<int>(std::unique(off.begin(), off.end()) - off.begin());
}

// The parts of the pins on a plan whose pieces parts has joined.
// find(n) gives node n's part, below plan.nodes.size().
template <class Find>
int planPinParts(const WirePlan& plan,
                 Find find,
                 const std::vector<RoutePoint>& pins,
                 WirePlanScratch& s) {
  std::vector<int>& partOf = s.partOf;
  Released done{partOf};
  partOf.clear();
  partOf.reserve(pins.size());
  for (const RoutePoint& p : pins) {
    int n = findPoint(plan.nodes, p);
    partOf.push_back(n >= 0 ? find(n) : -1);
  }
  return distinctParts(pins, partOf, plan.nodes.size(), s);
}

}  // namespace

long WirePlan::loops() const {
  IndexParts parts(nodes.size());
  long cycles = 0;
  for (const auto& [a, b] : pieces) {
    if (!parts.join(a, b)) {
      ++cycles;
    }
  }
  return cycles;
}

namespace {

using Cuts = WirePlanScratch::Cuts;

void sortCuts(Cuts& c) {
  std::sort(c.begin(), c.end());
  c.erase(std::unique(c.begin(), c.end()), c.end());
}

}  // namespace

namespace {

// Fills plan, whose lists keep their storage when it is reused.
void planInto(const std::vector<Wire>& wires,
              const std::vector<RoutePoint>& pins,
              WirePlan& plan,
              WirePlanScratch& s) {
  std::vector<Run>& h = s.h;
  std::vector<Run>& v = s.v;
  std::vector<Run>& hRuns = s.hRuns;
  std::vector<Run>& vRuns = s.vRuns;
  Cuts& hCuts = s.hCuts;
  Cuts& vCuts = s.vCuts;
  Released done{h, v, hRuns, vRuns, hCuts, vCuts};
  splitWires(wires, h, v);
  mergeRuns(h, hRuns);
  mergeRuns(v, vRuns);
  // Split points along each run: its wires' ends, its contacts with runs
  // of the other direction, and the pins on it.
  hCuts.clear();
  vCuts.clear();
  hCuts.reserve(2 * h.size() + v.size() + pins.size());
  vCuts.reserve(2 * v.size() + h.size() + pins.size());
  for (const Run& s : h) {
    hCuts.emplace_back(s.id, s.lo);
    hCuts.emplace_back(s.id, s.hi);
  }
  for (const Run& s : v) {
    vCuts.emplace_back(s.id, s.lo);
    vCuts.emplace_back(s.id, s.hi);
  }
  forEachContact(hRuns, vRuns, [&](const Run& a, const Run& b) {
    hCuts.emplace_back(a.id, b.line);
    vCuts.emplace_back(b.id, a.line);
    return true;
  });
  for (const RoutePoint& p : pins) {
    int r = findRun(hRuns, p.y, p.x);
    if (r >= 0) {
      hCuts.emplace_back(r, p.x);
    }
    r = findRun(vRuns, p.x, p.y);
    if (r >= 0) {
      vCuts.emplace_back(r, p.y);
    }
  }
  sortCuts(hCuts);
  sortCuts(vCuts);

  plan.nodes.clear();
  plan.pieces.clear();
  plan.nodes.reserve(hCuts.size() + vCuts.size());
  for (const auto& [r, x] : hCuts) {
    plan.nodes.push_back({x, hRuns[r].line});
  }
  for (const auto& [r, y] : vCuts) {
    plan.nodes.push_back({vRuns[r].line, y});
  }
  std::sort(plan.nodes.begin(), plan.nodes.end(), lessPoint);
  plan.nodes.erase(std::unique(plan.nodes.begin(), plan.nodes.end()),
                   plan.nodes.end());
  plan.pieces.reserve(hCuts.size() + vCuts.size());
  auto nodeAt = [&](RoutePoint p) {
    return static_cast<int>(
        std::lower_bound(plan.nodes.begin(), plan.nodes.end(), p, lessPoint) -
        plan.nodes.begin());
  };
  for (size_t k = 1; k < hCuts.size(); ++k) {
    auto [r, x] = hCuts[k];
    if (hCuts[k - 1].first == r) {
      plan.pieces.emplace_back(nodeAt({hCuts[k - 1].second, hRuns[r].line}),
                               nodeAt({x, hRuns[r].line}));
    }
  }
  for (size_t k = 1; k < vCuts.size(); ++k) {
    auto [r, y] = vCuts[k];
    if (vCuts[k - 1].first == r) {
      plan.pieces.emplace_back(nodeAt({vRuns[r].line, vCuts[k - 1].second}),
                               nodeAt({vRuns[r].line, y}));
    }
  }
  plan.pinAt.assign(plan.nodes.size(), 0);
  for (const RoutePoint& p : pins) {
    int n = nodeAt(p);
    if (n < static_cast<int>(plan.nodes.size()) && plan.nodes[n] == p) {
      plan.pinAt[n] = 1;
    }
  }
}

}  // namespace

WirePlan planWires(const std::vector<Wire>& wires,
                   const std::vector<RoutePoint>& pins) {
  WirePlanScratch s;
  return planWires(wires, pins, s);
}

WirePlan planWires(const std::vector<Wire>& wires,
                   const std::vector<RoutePoint>& pins,
                   WirePlanScratch& s) {
  WirePlan plan;
  planInto(wires, pins, plan, s);
  return plan;
}

int cleanTreePinParts(const std::vector<Wire>& wires,
                      const std::vector<RoutePoint>& pins) {
  WirePlanScratch s;
  return cleanTreePinParts(wires, pins, s);
}

int cleanTreePinParts(const std::vector<Wire>& wires,
                      const std::vector<RoutePoint>& pins,
                      WirePlanScratch& s) {
  std::vector<Run>& h = s.h;
  std::vector<Run>& v = s.v;
  IndexParts& up = s.up;
  std::vector<int>& partOf = s.partOf;
  Released done{h, v, up, partOf};
  splitWires(wires, h, v);
  // The wire ends as parts: 2 * place, plus 1 at hi, the vertical stretches
  // after the horizontal ones. Ends at one point are joined first, which
  // makes each point one part; then each wire joins its two ends, and one
  // that finds them joined already closes a loop.
  const int vEnds = static_cast<int>(2 * h.size());
  up.reset(2 * (h.size() + v.size()));
  for (std::vector<Run>* s : {&h, &v}) {
    std::sort(s->begin(), s->end(), byLineThenLo);
    const int first = s == &h ? 0 : vEnds;
    for (size_t k = 1; k < s->size(); ++k) {
      const Run& a = (*s)[k - 1];
      const Run& b = (*s)[k];
      // Sorted by lo, and the earlier ones end before b starts: only the
      // latest can reach past b's start, and only it can end where b starts.
      if (a.line == b.line && b.lo < a.hi) {
        return -1;
      }
      if (a.line == b.line && b.lo == a.hi) {
        up.join(first + 2 * static_cast<int>(k) - 1,
                first + 2 * static_cast<int>(k));
      }
    }
  }
  bool endsOnly = forEachContact(h, v, [&](const Run& a, const Run& b) {
    if (!((b.line == a.lo || b.line == a.hi) &&
          (a.line == b.lo || a.line == b.hi))) {
      return false;
    }
    int ea = 2 * static_cast<int>(&a - h.data()) + (b.line == a.lo ? 0 : 1);
    int eb =
        vEnds + 2 * static_cast<int>(&b - v.data()) + (a.line == b.lo ? 0 : 1);
    up.join(ea, eb);
    return true;
  });
  if (!endsOnly) {
    return -1;
  }
  for (size_t e = 0; e < up.size(); e += 2) {
    if (!up.join(static_cast<int>(e), static_cast<int>(e) + 1)) {
      return -1;
    }
  }
  // Wires meet only at ends: a pin lies on one wire, at whichever point of
  // it, or on none.
  partOf.clear();
  partOf.reserve(pins.size());
  for (const RoutePoint& p : pins) {
    int e = -1;
    if (int r = findRun(h, p.y, p.x); r >= 0) {
      e = 2 * r;
    } else if ((r = findRun(v, p.x, p.y)) >= 0) {
      e = vEnds + 2 * r;
    }
    partOf.push_back(e >= 0 ? up.find(e) : -1);
  }
  return distinctParts(pins, partOf, up.size(), s);
}

std::vector<Wire> cleanWires(const std::vector<Wire>& wires,
                             const std::vector<RoutePoint>& pins,
                             int* pinParts) {
  WirePlanScratch s;
  return cleanWires(wires, pins, s, pinParts);
}

std::vector<Wire> cleanWires(const std::vector<Wire>& wires,
                             const std::vector<RoutePoint>& pins,
                             WirePlanScratch& s,
                             int* pinParts) {
  WirePlan& plan = s.plan;
  auto& order = s.order;
  IndexParts& up = s.up;
  std::vector<int>& degree = s.degree;
  std::vector<int>& start = s.start;
  std::vector<int>& at = s.at;
  std::vector<int>& fill = s.fill;
  std::vector<int>& leaves = s.leaves;
  std::vector<char>& kept = s.kept;
  std::vector<char>& done = s.done;
  Released release{plan.nodes, plan.pinAt, plan.pieces, order,  up,   degree,
                   start,      at,         fill,        leaves, kept, done};
  planInto(wires, pins, plan, s);
  const std::vector<RoutePoint>& nodes = plan.nodes;
  size_t np = plan.pieces.size();
  auto lengthOf = [&](size_t p) {
    const RoutePoint& a = nodes[plan.pieces[p].first];
    const RoutePoint& b = nodes[plan.pieces[p].second];
    return std::fabs(static_cast<double>(b.x) - a.x) +
           std::fabs(static_cast<double>(b.y) - a.y);
  };
  // Sorted with their keys alongside: the pieces and their nodes are spread
  // over memory.
  order.clear();
  order.reserve(np);
  for (size_t p = 0; p < np; ++p) {
    order.emplace_back(lengthOf(p), plan.pieces[p], p);
  }
  std::sort(order.begin(), order.end());
  up.reset(nodes.size());
  kept.assign(np, 0);
  degree.assign(nodes.size(), 0);
  for (const auto& [length, ends, p] : order) {
    if (up.join(plan.pieces[p].first, plan.pieces[p].second)) {
      kept[p] = 1;
      ++degree[plan.pieces[p].first];
      ++degree[plan.pieces[p].second];
    }
  }
  if (pinParts) {
    *pinParts = planPinParts(
        plan, [&](int n) { return up.find(n); }, pins, s);
  }

  // Pieces at each node, kept ones only, as offsets into one list.
  start.assign(nodes.size() + 1, 0);
  for (size_t p = 0; p < np; ++p) {
    if (kept[p]) {
      ++start[plan.pieces[p].first + 1];
      ++start[plan.pieces[p].second + 1];
    }
  }
  std::partial_sum(start.begin(), start.end(), start.begin());
  at.resize(start.back());
  fill.assign(start.begin(), start.end() - 1);
  for (size_t p = 0; p < np; ++p) {
    if (kept[p]) {
      at[fill[plan.pieces[p].first]++] = static_cast<int>(p);
      at[fill[plan.pieces[p].second]++] = static_cast<int>(p);
    }
  }
  auto otherEnd = [&](int p, int n) {
    return plan.pieces[p].first == n ? plan.pieces[p].second
                                     : plan.pieces[p].first;
  };

  leaves.clear();
  for (size_t n = 0; n < nodes.size(); ++n) {
    if (degree[n] == 1 && !plan.pinAt[n]) {
      leaves.push_back(static_cast<int>(n));
    }
  }
  while (!leaves.empty()) {
    int n = leaves.back();
    leaves.pop_back();
    if (degree[n] != 1) {
      continue;
    }
    for (int k = start[n]; k < start[n + 1]; ++k) {
      int p = at[k];
      if (!kept[p]) {
        continue;
      }
      kept[p] = 0;
      --degree[n];
      int m = otherEnd(p, n);
      if (--degree[m] == 1 && !plan.pinAt[m]) {
        leaves.push_back(m);
      }
      break;
    }
  }

  auto horizontal = [&](int p) {
    return nodes[plan.pieces[p].first].y == nodes[plan.pieces[p].second].y;
  };
  // The other kept piece at a node that a straight run passes through, or
  // -1 where a run ends.
  auto passOn = [&](int n, int p) {
    if (degree[n] != 2 || plan.pinAt[n]) {
      return -1;
    }
    for (int k = start[n]; k < start[n + 1]; ++k) {
      int q = at[k];
      if (kept[q] && q != p) {
        return horizontal(q) == horizontal(p) ? q : -1;
      }
    }
    return -1;
  };
  done.assign(np, 0);
  std::vector<Wire> out;
  out.reserve(np);
  for (size_t p0 = 0; p0 < np; ++p0) {
    if (!kept[p0] || done[p0]) {
      continue;
    }
    int ends[2];
    for (int side = 0; side < 2; ++side) {
      int p = static_cast<int>(p0);
      int n = side == 0 ? plan.pieces[p].first : plan.pieces[p].second;
      for (int q = passOn(n, p); q >= 0; q = passOn(n, p)) {
        done[q] = 1;
        n = otherEnd(q, n);
        p = q;
      }
      ends[side] = n;
    }
    done[p0] = 1;
    RoutePoint a = nodes[std::min(ends[0], ends[1])];
    RoutePoint b = nodes[std::max(ends[0], ends[1])];
    out.push_back({a.x, a.y, b.x, b.y});
  }
  std::sort(out.begin(), out.end(), [](const Wire& a, const Wire& b) {
    return std::tie(a.x1, a.y1, a.x2, a.y2) < std::tie(b.x1, b.y1, b.x2, b.y2);
  });
  return out;
}

int countPinParts(const std::vector<Wire>& wires,
                  const std::vector<RoutePoint>& pins) {
  WirePlanScratch s;
  return countPinParts(wires, pins, s);
}

int countPinParts(const std::vector<Wire>& wires,
                  const std::vector<RoutePoint>& pins,
                  WirePlanScratch& s) {
  WirePlan& plan = s.plan;
  IndexParts& parts = s.up;
  Released release{plan.nodes, plan.pinAt, plan.pieces, parts};
  planInto(wires, pins, plan, s);
  parts.reset(plan.nodes.size());
  for (const auto& [a, b] : plan.pieces) {
    parts.join(a, b);
  }
  return planPinParts(
      plan, [&](int n) { return parts.find(n); }, pins, s);
}
