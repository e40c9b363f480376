// Wire length against the largest stretch for one instance: the tree under
// --path-bound EPS for each EPS, and the Prim-Dijkstra blend for alpha 0 to
// 1 over the same obstacle-avoiding routes, one line per point:
//   bound EPS length L maxStretch S seconds T
//   blend ALPHA length L maxStretch S
//   atBlend ALPHA eps E length L maxStretch S blendLength B
// The last lines set the bound to each blend point's largest stretch.
// The default tree's line has EPS "none". Times are per tree, the least of
// three runs of as many trees as take 20 ms (a tree that takes a second or
// more: one run). A stretch is the path along the drawn wire over the
// distance from the first pin.
//
//   pathBoundCurve [--optimize] [--effort N] [--blend ALPHA]... [--no-at-blend]
//                  PIN_POS_FILE RECT_OBSTS_FILE [EPS...]
// --blend picks blend points (else 0 to 1 by 0.1); --no-at-blend leaves out
// the atBlend lines (a bound tree each, minutes on a net of 1000 pins).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <queue>
#include <string>
#include <tuple>
#include <vector>

#include "drivers/readInput.h"
#include "options/pathBound.h"
#include "spatial/escapeGraph.h"
#include "spatial/wirePlan.h"
#include "treecore/obstacles.h"
#include "treecore/route.h"

namespace {

double secondsOf(const std::function<void()>& f) {
  double best = std::numeric_limits<double>::infinity();
  for (int k = 0; k < 3; ++k) {
    auto t0 = std::chrono::steady_clock::now();
    int runs = 0;
    double took = 0;
    do {
      f();
      ++runs;
      took =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - t0)
              .count();
    } while (took < 0.02);
    best = std::min(best, took / runs);
  }
  return best;
}

double unionLength(const std::vector<Wire>& wires,
                   const std::vector<RoutePoint>& pins) {
  WirePlan plan = planWires(wires, pins);
  double len = 0;
  for (auto [a, b] : plan.pieces) {
    len += std::fabs(static_cast<double>(plan.nodes[a].x) - plan.nodes[b].x) +
           std::fabs(static_cast<double>(plan.nodes[a].y) - plan.nodes[b].y);
  }
  return len;
}

}  // namespace

int main(int argc, char** argv) {
  treecore::Form form = treecore::Form::steinerTree;
  int effort = 1;
  std::vector<int> tenths;
  bool atBlend = true;
  while (argc > 1 && argv[1][0] == '-' && argv[1][1] == '-') {
    std::string flag = argv[1];
    if (flag == "--optimize") {
      form = treecore::Form::optimizedSteinerTree;
    } else if (flag == "--effort" && argc > 2) {
      effort = std::atoi(argv[2]);
      --argc, ++argv;
    } else if (flag == "--blend" && argc > 2) {
      // Tenths only: any other value is refused, not rounded to one.
      char* end = nullptr;
      double t = 10 * std::strtod(argv[2], &end);
      bool whole = end != argv[2] && *end == '\0' &&
                   std::fabs(t - std::round(t)) <= 1e-9;
      tenths.push_back(whole ? static_cast<int>(std::lround(t)) : -1);
      --argc, ++argv;
    } else if (flag == "--no-at-blend") {
      atBlend = false;
    } else {
      break;
    }
    --argc, ++argv;
  }
  bool tenthsOk = std::all_of(tenths.begin(), tenths.end(),
                              [](int t) { return t >= 0 && t <= 10; });
  if (argc < 3 || effort < 1 || !tenthsOk) {
    std::cerr << "usage: pathBoundCurve [--optimize] [--effort N] "
                 "[--blend ALPHA]... [--no-at-blend] PIN_POS_FILE "
                 "RECT_OBSTS_FILE [EPS...]"
              << std::endl;
    return 1;
  }
  Input<float> in;
  std::string error;
  if (!readInput({argv[1], argv[2]}, in, error)) {
    std::cerr << error << std::endl;
    return 2;
  }
  std::vector<double> eps = {-1, 0, 0.05, 0.1, 0.2, 0.5, 1};
  if (argc > 3) {
    eps.assign(1, -1);
    for (int k = 3; k < argc; ++k) {
      eps.push_back(std::atof(argv[k]));
    }
  }
  std::vector<std::array<treecore::Point, 4>> rings;
  std::vector<ObstacleIndex::Rect> rects;
  for (const auto& r : in.rects) {
    rings.push_back({});
    float xlo = r[0].x, xhi = r[0].x, ylo = r[0].y, yhi = r[0].y;
    for (int k = 0; k < 4; ++k) {
      rings.back()[k] = {r[k].x, r[k].y};
      xlo = std::min(xlo, r[k].x), xhi = std::max(xhi, r[k].x);
      ylo = std::min(ylo, r[k].y), yhi = std::max(yhi, r[k].y);
    }
    rects.push_back({xlo, ylo, xhi, yhi});
  }
  treecore::Obstacles obstacles = treecore::Obstacles::fromCorners(rings);
  treecore::Net net;
  std::vector<RoutePoint> pins;
  for (const auto& p : in.pins) {
    net.push_back({p.x, p.y});
    pins.push_back({p.x, p.y});
  }
  // Each pin's distance from the first, from one search: the stretch of
  // every tree below is its path along the drawn wire over this, without
  // the figures' own search per tree (minutes on a net of 1000 pins among
  // 10^4 obstacles).
  ObstacleIndex index(rects);
  EscapeGraph graph(index);
  size_t n = pins.size();
  std::vector<double> d0 = graph.distances(pins[0], pins);
  auto stretchOf = [&](const std::vector<Wire>& wires,
                       const std::vector<double>& path) {
    std::vector<double> along = wireDistances(wires, pins);
    double worst = 1;
    for (size_t v = 1; v < n; ++v) {
      if (d0[v] > 0 && std::isfinite(d0[v])) {
        worst = std::max(worst, std::min(along[v], path[v]) / d0[v]);
      }
    }
    return worst;
  };
  // The tree's length and largest stretch, and where seconds is given its
  // time (a tree that takes a second or more is timed once).
  auto routed = [&](const treecore::RouteOptions& o, double* seconds) {
    auto t0 = std::chrono::steady_clock::now();
    treecore::Tree t = treecore::routeNet(obstacles, net, o);
    if (seconds) {
      *seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - t0)
              .count();
      if (*seconds < 1) {
        *seconds = secondsOf([&] { treecore::routeNet(obstacles, net, o); });
      }
    }
    std::vector<Wire> wires;
    for (const treecore::Segment& g : t.segments) {
      wires.push_back({static_cast<float>(g.a.x), static_cast<float>(g.a.y),
                       static_cast<float>(g.b.x), static_cast<float>(g.b.y)});
    }
    std::vector<double> none(n, std::numeric_limits<double>::infinity());
    return std::make_pair(t.wireLength, stretchOf(wires, none));
  };
  for (double e : eps) {
    treecore::RouteOptions o;
    o.everyObstacle = true;
    o.pathBound = e;
    o.effort = effort;
    o.form = form;
    double seconds = 0;
    auto [length, stretch] = routed(o, &seconds);
    std::printf("bound %s length %.10g maxStretch %.6f seconds %.7f\n",
                e < 0 ? "none" : std::to_string(e).c_str(), length, stretch,
                seconds);
    std::fflush(stdout);
  }
  // The blend: Prim from the first pin, each pin joined where alpha times
  // the way back to the first pin plus the route to it is least (ties to
  // the lower pin, then to the pin joined first). Every pair's distance is
  // at least its rectilinear one, so the pairs wait in one queue under that
  // bound and only those that come to its front are searched, each pin's
  // search stopped once past the pin asked for and twice its last reach:
  // the same trees as from a whole search from every pin, which is what
  // made nets of 1000 pins take hours.
  struct Reached {
    double radius = 0;
    bool whole = false;
    std::vector<double> d;
  };
  std::vector<Reached> near(n);
  const double kInf = std::numeric_limits<double>::infinity();
  auto distance = [&](size_t u, size_t v) {
    if (u == 0) {
      return d0[v];
    }
    Reached& r = near[u];
    if (!r.d.empty() && (r.whole || std::isfinite(r.d[v]))) {
      return r.d[v];
    }
    double reach = 2 * r.radius;
    r.d.assign(n, kInf);
    r.whole = true;
    graph.reach(pins[u], pins, [&](size_t i, double len) {
      r.d[i] = len;
      r.radius = len;
      if (std::isfinite(r.d[v]) && len > reach) {
        r.whole = false;
        return true;
      }
      return false;
    });
    return r.d[v];
  };
  // A waiting join: its key (exact, or a bound just below the exact one),
  // the pin, the order in which its tree pin joined, and that tree pin.
  struct Join {
    double key;
    size_t v;
    size_t order;
    size_t u;
    bool exact;
    bool operator>(const Join& o) const {
      return std::tie(key, v, order) > std::tie(o.key, o.v, o.order);
    }
  };
  std::vector<std::tuple<double, double, double>> blend;
  if (tenths.empty()) {
    for (int a = 0; a <= 10; ++a) {
      tenths.push_back(a);
    }
  }
  for (int a : tenths) {
    double alpha = a / 10.0;
    std::vector<double> path(n, 0);
    std::vector<int> from(n, -1);
    std::vector<char> in(n, 0);
    std::priority_queue<Join, std::vector<Join>, std::greater<Join>> queue;
    size_t joined = 0;
    auto join = [&](size_t u) {
      in[u] = 1;
      size_t order = joined++;
      for (size_t v = 0; v < n; ++v) {
        if (in[v]) {
          continue;
        }
        if (u == 0) {
          if (std::isfinite(d0[v])) {
            queue.push({alpha * path[u] + d0[v], v, order, u, true});
          }
          continue;
        }
        if (!std::isfinite(d0[v])) {
          continue;  // nor from u, which the first pin reaches
        }
        // The route is at least the rectilinear distance and, by the
        // triangle, the difference of the two distances from the first pin.
        // A join whose key cannot fall below d0[v] loses to the first pin's
        // own (joined first, on a tie it wins): at alpha 1 every one, which
        // spares the searches from every pin that made alpha 1 take hours
        // on 1000 pins.
        double flat = std::fabs(static_cast<double>(pins[u].x) - pins[v].x) +
                      std::fabs(static_cast<double>(pins[u].y) - pins[v].y);
        double bound =
            alpha * path[u] + std::max(flat, std::fabs(d0[v] - d0[u]));
        if (bound >= d0[v]) {
          continue;
        }
        queue.push({bound - 1e-9 * (1 + bound), v, order, u, false});
      }
    };
    join(0);
    while (!queue.empty()) {
      Join j = queue.top();
      queue.pop();
      if (in[j.v]) {
        continue;
      }
      if (!j.exact) {
        double dist = distance(j.u, j.v);
        if (std::isfinite(dist)) {
          queue.push({alpha * path[j.u] + dist, j.v, j.order, j.u, true});
        }
        continue;
      }
      from[j.v] = static_cast<int>(j.u);
      path[j.v] = path[j.u] + distance(j.u, j.v);
      join(j.v);
    }
    // Each pin's connections drawn from one search from it: a tree of
    // shortest routes to the pins it joins, sharing what wire it can.
    std::vector<std::vector<size_t>> children(n);
    for (size_t v = 0; v < n; ++v) {
      if (from[v] >= 0) {
        children[from[v]].push_back(v);
      }
    }
    std::vector<Wire> wires;
    for (size_t u = 0; u < n; ++u) {
      if (children[u].empty()) {
        continue;
      }
      std::vector<RoutePoint> targets;
      for (size_t v : children[u]) {
        targets.push_back(pins[v]);
      }
      std::vector<double> dist;
      std::vector<std::vector<RoutePoint>> ways;
      graph.shortestTree(pins[u], targets, dist, ways);
      for (const std::vector<RoutePoint>& r : ways) {
        for (size_t k = 1; k < r.size(); ++k) {
          wires.push_back({r[k - 1].x, r[k - 1].y, r[k].x, r[k].y});
        }
      }
    }
    // Generous to the blend: each pin's way along the drawn wire, which may
    // be shorter than along its connections.
    double worst = stretchOf(wires, path);
    double blendLength = unionLength(wires, pins);
    std::printf("blend %.1f length %.10g maxStretch %.6f\n", alpha, blendLength,
                worst);
    std::fflush(stdout);
    blend.push_back({alpha, blendLength, worst});
  }
  // The bound set to each blend point's largest stretch.
  for (const auto& [alpha, blendLength, worst] :
       atBlend ? blend : decltype(blend)()) {
    treecore::RouteOptions o;
    o.everyObstacle = true;
    o.pathBound = worst - 1;
    o.effort = effort;
    o.form = form;
    auto [length, stretch] = routed(o, nullptr);
    std::printf(
        "atBlend %.1f eps %.6f length %.10g maxStretch %.6f blendLength "
        "%.10g\n",
        alpha, worst - 1, length, stretch, blendLength);
    std::fflush(stdout);
  }
  return 0;
}
