// Wire length against the largest stretch for one instance: the tree under
// --path-bound EPS for each EPS, and the Prim-Dijkstra blend for alpha 0 to
// 1 over the same obstacle-avoiding routes, one line per point:
//   bound EPS length L maxStretch S seconds T
//   blend ALPHA length L maxStretch S
//   atBlend ALPHA eps E length L maxStretch S blendLength B
// The last lines set the bound to each blend point's largest stretch.
// The default tree's line has EPS "none". Times are per tree, the least of
// three runs of as many trees as take 20 ms, without the timing figures.
//
//   pathBoundCurve [--optimize] [--effort N] PIN_POS_FILE RECT_OBSTS_FILE
//                  [EPS...]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <limits>
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
  while (argc > 1 && argv[1][0] == '-' && argv[1][1] == '-') {
    std::string flag = argv[1];
    if (flag == "--optimize") {
      form = treecore::Form::optimizedSteinerTree;
    } else if (flag == "--effort" && argc > 2) {
      effort = std::atoi(argv[2]);
      --argc, ++argv;
    } else {
      break;
    }
    --argc, ++argv;
  }
  if (argc < 3 || effort < 1) {
    std::cerr << "usage: pathBoundCurve [--optimize] [--effort N] "
                 "PIN_POS_FILE RECT_OBSTS_FILE [EPS...]"
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
  for (double e : eps) {
    treecore::RouteOptions o;
    o.everyObstacle = true;
    o.pathBound = e;
    o.effort = effort;
    o.form = form;
    // Timed without the figures, whose own search is no part of the cost.
    treecore::Tree t;
    double s = secondsOf([&] { t = treecore::routeNet(obstacles, net, o); });
    o.timing = true;
    t = treecore::routeNet(obstacles, net, o);
    std::printf("bound %s length %.10g maxStretch %.6f seconds %.7f\n",
                e < 0 ? "none" : std::to_string(e).c_str(), t.wireLength,
                t.timing.maxStretch, s);
  }
  // The blend: Prim from the first pin, each pin joined where alpha times
  // the way back to the first pin plus the route to it is least.
  ObstacleIndex index(rects);
  EscapeGraph graph(index);
  size_t n = pins.size();
  std::vector<std::vector<double>> d(n);
  for (size_t i = 0; i < n; ++i) {
    d[i] = graph.distances(pins[i], pins);
  }
  std::vector<std::tuple<double, double, double>> blend;
  for (int a = 0; a <= 10; ++a) {
    double alpha = a / 10.0;
    std::vector<double> path(n, 0),
        key(n, std::numeric_limits<double>::infinity());
    std::vector<int> from(n, -1);
    std::vector<char> in(n, 0);
    key[0] = 0;
    for (size_t step = 0; step < n; ++step) {
      size_t u = n;
      for (size_t v = 0; v < n; ++v) {
        if (!in[v] && (u == n || key[v] < key[u])) {
          u = v;
        }
      }
      if (!std::isfinite(key[u])) {
        break;
      }
      in[u] = 1;
      if (from[u] >= 0) {
        path[u] = path[from[u]] + d[from[u]][u];
      }
      for (size_t v = 0; v < n; ++v) {
        double k = alpha * path[u] + d[u][v];
        if (!in[v] && k < key[v]) {
          key[v] = k;
          from[v] = static_cast<int>(u);
        }
      }
    }
    std::vector<Wire> wires;
    for (size_t v = 0; v < n; ++v) {
      if (from[v] < 0) {
        continue;
      }
      std::vector<RoutePoint> r = graph.route(pins[from[v]], pins[v]);
      for (size_t k = 1; k < r.size(); ++k) {
        wires.push_back({r[k - 1].x, r[k - 1].y, r[k].x, r[k].y});
      }
    }
    // Generous to the blend: each pin's way along the drawn wire, which may
    // be shorter than along its connections.
    std::vector<double> along = wireDistances(wires, pins);
    double worst = 1;
    for (size_t v = 1; v < n; ++v) {
      if (d[0][v] > 0 && std::isfinite(d[0][v])) {
        worst = std::max(worst, std::min(along[v], path[v]) / d[0][v]);
      }
    }
    double blendLength = unionLength(wires, pins);
    std::printf("blend %.1f length %.10g maxStretch %.6f\n", alpha, blendLength,
                worst);
    blend.push_back({alpha, blendLength, worst});
  }
  // The bound set to each blend point's largest stretch.
  for (const auto& [alpha, blendLength, worst] : blend) {
    treecore::RouteOptions o;
    o.everyObstacle = true;
    o.pathBound = worst - 1;
    o.effort = effort;
    o.form = form;
    o.timing = true;
    treecore::Tree t = treecore::routeNet(obstacles, net, o);
    std::printf(
        "atBlend %.1f eps %.6f length %.10g maxStretch %.6f blendLength "
        "%.10g\n",
        alpha, worst - 1, t.wireLength, t.timing.maxStretch, blendLength);
  }
  return 0;
}
