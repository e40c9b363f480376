#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "check/timingCheck.h"
#include "options/pathBound.h"
#include "spatial/escapeGraph.h"
#include "spatial/wirePlan.h"
#include "tests/legalTree.h"
#include "tests/programRun.h"
#include "treecore/route.h"
#include "treecore/treeText.h"

namespace {

using treecore::Form;
using treecore::RouteOptions;
using treecore::Tree;

// A small design on the integer grid: rectangles that may touch and
// overlap, pins outside every open interior (on sides and corners too).
struct Scene {
  std::vector<treecore::Rect> rects;
  std::vector<treecore::Point> pins;
};

bool strictlyInside(const treecore::Rect& r, double x, double y) {
  return r.xlo < x && x < r.xhi && r.ylo < y && y < r.yhi;
}

Scene randomScene(std::mt19937& rng, int pins, int rects) {
  std::uniform_int_distribution<int> at(0, 12), size(1, 5);
  Scene s;
  for (int k = 0; k < rects; ++k) {
    double x = at(rng), y = at(rng);
    s.rects.push_back({x, y, x + size(rng), y + size(rng)});
  }
  while (static_cast<int>(s.pins.size()) < pins) {
    double x = at(rng), y = at(rng);
    bool free = true;
    for (const auto& r : s.rects) {
      free = free && !strictlyInside(r, x, y);
    }
    if (free) {
      s.pins.push_back({x, y});
    }
  }
  return s;
}

// Brute force on the unit grid: a step is free unless its midpoint lies in
// an open interior.
const int kLo = -2, kHi = 20, kW = kHi - kLo + 1;

int cell(double x, double y) {
  return static_cast<int>((x - kLo) * kW + (y - kLo));
}

std::vector<double> bfsShortest(const Scene& s) {
  std::vector<int> d(kW * kW, -1);
  std::vector<int> queue{cell(s.pins[0].x, s.pins[0].y)};
  d[queue[0]] = 0;
  for (size_t q = 0; q < queue.size(); ++q) {
    int c = queue[q];
    double x = c / kW + kLo, y = c % kW + kLo;
    const double step[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (const auto& st : step) {
      double nx = x + st[0], ny = y + st[1];
      if (nx < kLo || nx > kHi || ny < kLo || ny > kHi) {
        continue;
      }
      bool blocked = false;
      for (const auto& r : s.rects) {
        blocked = blocked || strictlyInside(r, (x + nx) / 2, (y + ny) / 2);
      }
      int n = cell(nx, ny);
      if (!blocked && d[n] < 0) {
        d[n] = d[c] + 1;
        queue.push_back(n);
      }
    }
  }
  std::vector<double> out;
  for (const auto& p : s.pins) {
    int v = d[cell(p.x, p.y)];
    out.push_back(v < 0 ? INFINITY : v);
  }
  return out;
}

// The drawn wire as unit steps; from the first pin, the path and the
// Elmore delay of each grid point, unit piece by unit piece.
struct UnitTree {
  std::vector<double> path, delay;
};

UnitTree unitTree(const Scene& s, const Tree& t, double rd, double cp) {
  std::map<int, std::set<int>> adj;
  for (const auto& g : t.segments) {
    double x1 = std::min(g.a.x, g.b.x), x2 = std::max(g.a.x, g.b.x);
    double y1 = std::min(g.a.y, g.b.y), y2 = std::max(g.a.y, g.b.y);
    for (double x = x1; x < x2; ++x) {
      adj[cell(x, y1)].insert(cell(x + 1, y1));
      adj[cell(x + 1, y1)].insert(cell(x, y1));
    }
    for (double y = y1; y < y2; ++y) {
      adj[cell(x1, y)].insert(cell(x1, y + 1));
      adj[cell(x1, y + 1)].insert(cell(x1, y));
    }
  }
  std::vector<int> parent(kW * kW, -2), order{cell(s.pins[0].x, s.pins[0].y)};
  parent[order[0]] = -1;
  for (size_t q = 0; q < order.size(); ++q) {
    for (int n : adj[order[q]]) {
      if (parent[n] == -2) {
        parent[n] = order[q];
        order.push_back(n);
      }
    }
  }
  std::vector<double> depth(kW * kW, 0), load(kW * kW, 0), delay(kW * kW, 0);
  for (size_t i = 1; i < s.pins.size(); ++i) {
    load[cell(s.pins[i].x, s.pins[i].y)] += cp;
  }
  for (size_t q = order.size(); q-- > 1;) {
    load[parent[order[q]]] += load[order[q]] + 1;
  }
  delay[order[0]] = rd * load[order[0]];
  for (size_t q = 1; q < order.size(); ++q) {
    int v = order[q];
    depth[v] = depth[parent[v]] + 1;
    delay[v] = delay[parent[v]] + 0.5 + load[v];
  }
  UnitTree u;
  for (const auto& p : s.pins) {
    int c = cell(p.x, p.y);
    bool joined = parent[c] != -2;
    u.path.push_back(joined ? depth[c] : NAN);
    u.delay.push_back(joined ? delay[c] : NAN);
  }
  return u;
}

void expectSame(double want, double got, const std::string& what) {
  if (std::isnan(want)) {
    EXPECT_TRUE(std::isnan(got)) << what << ": " << got;
  } else if (std::isinf(want)) {
    EXPECT_TRUE(std::isinf(got)) << what << ": " << got;
  } else {
    EXPECT_NEAR(want, got, 1e-9 * std::max(1.0, std::fabs(want))) << what;
  }
}

std::vector<Piece> piecesOf(const Tree& t) {
  std::vector<Piece> out;
  for (const auto& g : t.segments) {
    out.push_back({g.a.x, g.a.y, g.b.x, g.b.y});
  }
  return out;
}

TEST(TimingTest, FiguresMatchBruteForceOnRandomNets) {
  std::mt19937 rng(33);
  const double rd = 3, cp = 2;
  for (int trial = 0; trial < 60; ++trial) {
    Scene s = randomScene(rng, 2 + trial % 9, trial % 7);
    treecore::Obstacles obstacles(s.rects);
    std::vector<double> shortest = bfsShortest(s);
    for (Form form :
         {Form::spanningTree, Form::steinerTree, Form::optimizedSteinerTree}) {
      RouteOptions o;
      o.form = form;
      o.timing = true;
      o.timingModel = {rd, cp};
      Tree t = treecore::routeNet(obstacles, s.pins, o);
      ASSERT_TRUE(t.timing.computed);
      std::string where = "trial " + std::to_string(trial) + " form " +
                          std::to_string(static_cast<int>(form));
      std::vector<Point> pins;
      for (const auto& p : s.pins) {
        pins.push_back({p.x, p.y});
      }
      std::vector<Rect> rects;
      for (const auto& r : s.rects) {
        rects.push_back({r.xlo, r.ylo, r.xhi, r.yhi});
      }
      TimingCheck c;
      std::string error;
      ASSERT_TRUE(checkTiming(pins, rects, piecesOf(t), rd, cp, c, error))
          << error;
      for (size_t i = 0; i < s.pins.size(); ++i) {
        std::string at = where + " pin " + std::to_string(i + 1);
        expectSame(shortest[i], t.timing.shortest[i], at + " shortest");
        expectSame(shortest[i], c.shortest[i], at + " checker shortest");
        // A spanning tree's connections may share wire; along its drawing
        // the way is the same only where the drawing is a tree.
        if (form == Form::spanningTree) {
          continue;
        }
        UnitTree u = unitTree(s, t, rd, cp);
        expectSame(u.path[i], t.timing.pathLength[i], at + " path");
        expectSame(u.path[i], c.pathLength[i], at + " checker path");
        expectSame(u.delay[i], t.timing.elmoreDelay[i], at + " delay");
        expectSame(u.delay[i], c.elmoreDelay[i], at + " checker delay");
        if (!std::isnan(u.path[i])) {
          double stretch =
              u.path[i] == shortest[i] ? 1 : u.path[i] / shortest[i];
          expectSame(stretch, t.timing.stretch[i], at + " stretch");
        }
      }
      if (form != Form::spanningTree) {
        expectSame(c.maxStretch, t.timing.maxStretch, where + " max");
        expectSame(c.meanStretch, t.timing.meanStretch, where + " mean");
        expectSame(c.radius, t.timing.radius, where + " radius");
      }
      EXPECT_GE(t.timing.maxStretch, 1.0) << where;
    }
  }
}

TEST(TimingTest, PinsWalledApartHaveNoFigures) {
  // A ring of overlapping rectangles round the first pin and one more pin
  // (touching ones leave their shared sides free to run along).
  std::vector<treecore::Rect> ring = {
      {0, 0, 10, 2}, {0, 8, 10, 10}, {0, 0, 2, 10}, {8, 0, 10, 10}};
  RouteOptions o;
  o.timing = true;
  Tree t = treecore::routeNet(treecore::Obstacles(ring),
                              {{5, 5}, {20, 5}, {6, 7}}, o);
  ASSERT_EQ(t.status, treecore::Status::forest);
  EXPECT_EQ(t.timing.pathLength[0], 0);
  EXPECT_EQ(t.timing.pathLength[2], 3);
  EXPECT_TRUE(std::isnan(t.timing.pathLength[1]));
  EXPECT_TRUE(std::isinf(t.timing.shortest[1]));
  EXPECT_TRUE(std::isnan(t.timing.elmoreDelay[1]));
  EXPECT_EQ(t.timing.maxStretch, 1);
  EXPECT_EQ(t.timing.radius, 3);
}

TEST(TimingTest, PinsAtTheDriversPlaceLoadIt) {
  // Delay at the driver is its resistance times every load; a second pin
  // at its place is one of them.
  RouteOptions o;
  o.timing = true;
  o.timingModel = {10, 1};
  Tree t =
      treecore::routeNet(treecore::Obstacles(), {{0, 0}, {0, 0}, {4, 0}}, o);
  // Loads: two pins and four units of wire.
  EXPECT_EQ(t.timing.elmoreDelay[0], 60);
  EXPECT_EQ(t.timing.elmoreDelay[1], 60);
  EXPECT_EQ(t.timing.elmoreDelay[2], 60 + 4 * (2 + 1));
  EXPECT_EQ(t.timing.stretch[1], 1);
}

TEST(TimingTest, ProgramsWriteFiguresOnlyWhenAsked) {
  ProgramRun run;
  run.write("pins.txt", "0 0 pin\n6 0 pin\n3 5 pin\n-1 -1 pin\n");
  run.write("obst.txt", "2 -1 corner\n4 -1 corner\n4 2 corner\n2 2 corner\n");
  run.write("nets.txt", "0 0 pin\n6 0 pin\n-1 -1 pin\n3 5 pin\n1 1 pin\n");
  std::string files = run.path("pins.txt") + " " + run.path("obst.txt") + " ";
  ASSERT_EQ(run.run(ZORVANE_PATH, files + run.path("plain.txt")), 0);
  ASSERT_EQ(run.run(ZORVANE_PATH, "--timing " + files + run.path("t.txt")), 0);
  EXPECT_EQ(run.read("plain.txt"), run.read("t.txt"));
  EXPECT_NE(run.out.find("{\"timing\":{\"maxStretch\":"), std::string::npos)
      << run.out;
  std::string nets =
      "--nets " + run.path("nets.txt") + " " + run.path("obst.txt") + " ";
  ASSERT_EQ(run.run(ZORVANE_PATH, nets + "--format json " + run.path("a.json")),
            0);
  EXPECT_EQ(run.read("a.json").find("timing"), std::string::npos);
  ASSERT_EQ(run.run(ZORVANE_PATH, nets +
                                      "--format json --timing "
                                      "--pin-capacitance 2 " +
                                      run.path("b.json")),
            0);
  EXPECT_NE(run.read("b.json").find(",\"timing\":{\"maxStretch\":1,"),
            std::string::npos)
      << run.read("b.json");
  EXPECT_EQ(run.run(ZORVANE_PATH, nets + "--timing " + run.path("c.txt")), 1);
  EXPECT_EQ(
      run.run(ZORVANE_PATH, "--pin-capacitance 1 " + files + run.path("d.txt")),
      1);
  EXPECT_EQ(run.run(OAMST_PATH, "--timing --driver-resistance -1 " + files +
                                    run.path("e.txt")),
            1);
  // The bound: single net and batch, both programs.
  for (const char* program : {ZORVANE_PATH, OAMST_PATH}) {
    ASSERT_EQ(run.run(program,
                      "--timing --path-bound 0 " + files + run.path("f.txt")),
              0);
    EXPECT_NE(run.out.find("{\"timing\":{\"maxStretch\":1,"), std::string::npos)
        << run.out;
    ASSERT_EQ(run.run(program, nets + "--path-bound 0 --format json --timing " +
                                   run.path("g.json")),
              0);
    EXPECT_NE(run.read("g.json").find("\"maxStretch\":1,"), std::string::npos);
  }
  EXPECT_EQ(
      run.run(ZORVANE_PATH, "--path-bound -0.5 " + files + run.path("h.txt")),
      1);
}

std::vector<Wire> wiresOf(const Tree& t) {
  std::vector<Wire> out;
  for (const auto& g : t.segments) {
    out.push_back({static_cast<float>(g.a.x), static_cast<float>(g.a.y),
                   static_cast<float>(g.b.x), static_cast<float>(g.b.y)});
  }
  return out;
}

TEST(PathBoundTest, EveryPinWithinTheBoundOnRandomNets) {
  std::mt19937 rng(7);
  const double kEps[] = {0, 0.05, 0.1, 0.2, 0.5, 1};
  for (int trial = 0; trial < 40; ++trial) {
    Scene s = randomScene(rng, 3 + trial % 10, trial % 9);
    treecore::Obstacles obstacles(s.rects);
    std::vector<double> shortest = bfsShortest(s);
    std::vector<Point> pins;
    for (const auto& p : s.pins) {
      pins.push_back({p.x, p.y});
    }
    std::vector<Rect> rects;
    for (const auto& r : s.rects) {
      rects.push_back({r.xlo, r.ylo, r.xhi, r.yhi});
    }
    for (Form form :
         {Form::spanningTree, Form::steinerTree, Form::optimizedSteinerTree}) {
      RouteOptions plain;
      plain.form = form;
      double unbounded =
          treecore::routeNet(obstacles, s.pins, plain).wireLength;
      for (double eps : kEps) {
        RouteOptions o = plain;
        o.pathBound = eps;
        o.timing = true;
        Tree t = treecore::routeNet(obstacles, s.pins, o);
        std::string where = "trial " + std::to_string(trial) + " form " +
                            std::to_string(static_cast<int>(form)) + " eps " +
                            std::to_string(eps);
        SCOPED_TRACE(where);
        if (t.status == treecore::Status::forest) {
          expectLegalTree(pins, rects, wiresOf(t), t.parts);
        } else {
          ASSERT_EQ(t.status, treecore::Status::ok) << t.message;
          expectLegalTree(pins, rects, wiresOf(t));
        }
        UnitTree u = unitTree(s, t, 0, 0);
        for (size_t i = 0; i < s.pins.size(); ++i) {
          if (std::isinf(shortest[i])) {
            continue;
          }
          ASSERT_FALSE(std::isnan(u.path[i])) << "pin " << i + 1;
          EXPECT_LE(u.path[i], (1 + eps) * shortest[i] + 1e-9)
              << "pin " << i + 1;
          if (eps == 0) {
            EXPECT_EQ(u.path[i], shortest[i]) << "pin " << i + 1;
            EXPECT_EQ(t.timing.stretch[i], 1) << "pin " << i + 1;
          }
        }
        // A pin's way is never shorter than its distance: the tree cannot
        // be shorter than the unbounded one by much either way, but it may
        // not be longer than the unbounded tree plus every pin's route.
        double routes = 0;
        for (double d : shortest) {
          routes += std::isfinite(d) ? d : 0;
        }
        EXPECT_LE(t.wireLength, unbounded + routes + 1e-9);
      }
    }
  }
}

TEST(PathBoundTest, SameBytesOnOneAndThreeThreads) {
  std::mt19937 rng(11);
  std::vector<treecore::Rect> rects;
  for (int k = 0; k < 30; ++k) {
    std::uniform_int_distribution<int> at(0, 200), size(2, 25);
    double x = at(rng), y = at(rng);
    rects.push_back({x, y, x + size(rng), y + size(rng)});
  }
  treecore::Obstacles obstacles(rects);
  std::vector<treecore::Net> nets;
  std::uniform_int_distribution<int> at(0, 230);
  while (nets.size() < 40) {
    treecore::Net net;
    while (net.size() < 2 + nets.size() % 12) {
      double x = at(rng), y = at(rng);
      bool free = true;
      for (const auto& r : rects) {
        free = free && !strictlyInside(r, x, y);
      }
      if (free) {
        net.push_back({x, y});
      }
    }
    nets.push_back(net);
  }
  for (double eps : {0.0, 0.1}) {
    RouteOptions o;
    o.pathBound = eps;
    o.timing = true;
    std::string one, three;
    auto a = treecore::routeNets(obstacles, nets, o, 1);
    auto b = treecore::routeNets(obstacles, nets, o, 3);
    for (size_t i = 0; i < nets.size(); ++i) {
      treecore::appendJson(one, a[i], static_cast<long>(i));
      treecore::appendJson(three, b[i], static_cast<long>(i));
      EXPECT_LE(a[i].timing.maxStretch, 1 + eps + 1e-9) << "net " << i;
    }
    EXPECT_EQ(one, three);
  }
}

TEST(PathBoundTest, AWideBoundKeepsTheTree) {
  std::mt19937 rng(5);
  for (int trial = 0; trial < 10; ++trial) {
    Scene s = randomScene(rng, 8, 5);
    treecore::Obstacles obstacles(s.rects);
    RouteOptions o;
    std::string plain, bounded;
    treecore::appendJson(plain, treecore::routeNet(obstacles, s.pins, o), 1);
    o.pathBound = 1e9;
    treecore::appendJson(bounded, treecore::routeNet(obstacles, s.pins, o), 1);
    EXPECT_EQ(plain, bounded);
  }
}

// Scenes with one pin in a pocket walled in by touching rectangles, so
// that some pins are apart from the first.
Scene walledScene(std::mt19937& rng, int pins, int rects) {
  Scene s = randomScene(rng, pins, rects);
  bool open = true;
  for (const auto& r : s.rects) {
    open = open && !strictlyInside(r, 16, 16);
  }
  if (open && rng() % 3 == 0) {
    s.rects.push_back({14, 14, 18, 15});
    s.rects.push_back({14, 17, 18, 18});
    s.rects.push_back({14, 15, 15, 17});
    s.rects.push_back({17, 15, 18, 17});
    s.pins.push_back({16, 16});
  }
  return s;
}

std::vector<RoutePoint> routePins(const Scene& s) {
  std::vector<RoutePoint> out;
  for (const auto& p : s.pins) {
    out.push_back({static_cast<float>(p.x), static_cast<float>(p.y)});
  }
  return out;
}

std::vector<ObstacleIndex::Rect> indexRects(const Scene& s) {
  std::vector<ObstacleIndex::Rect> out;
  for (const auto& r : s.rects) {
    out.push_back({static_cast<float>(r.xlo), static_cast<float>(r.ylo),
                   static_cast<float>(r.xhi), static_cast<float>(r.yhi)});
  }
  return out;
}

// The shortest-route tree from one search: every distance the lattice's,
// the paths drawn make a legal tree (no loop) in which every target lies
// at its distance from the first pin; the graph's lines drawn give the
// same distances along them.
TEST(PathBoundTest, OneSearchGivesAShortestRouteTree) {
  std::mt19937 rng(3);
  for (int trial = 0; trial < 60; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    Scene s = walledScene(rng, 2 + trial % 12, trial % 10);
    std::vector<double> want = bfsShortest(s);
    std::vector<RoutePoint> pins = routePins(s);
    ObstacleIndex index(indexRects(s));
    EscapeGraph graph(index);
    std::vector<double> dist;
    std::vector<std::vector<RoutePoint>> paths;
    graph.shortestTree(pins[0], pins, dist, paths);
    std::vector<Wire> wires;
    for (const auto& path : paths) {
      for (size_t k = 1; k < path.size(); ++k) {
        wires.push_back({path[k - 1].x, path[k - 1].y, path[k].x, path[k].y});
      }
    }
    std::vector<Point> points;
    std::vector<Rect> rects;
    for (const auto& p : s.pins) {
      points.push_back({p.x, p.y});
    }
    for (const auto& r : s.rects) {
      rects.push_back({r.xlo, r.ylo, r.xhi, r.yhi});
    }
    TreeCheck c = checkTree(points, rects, [&] {
      std::vector<Piece> out;
      for (const Wire& w : wires) {
        out.push_back({w.x1, w.y1, w.x2, w.y2});
      }
      return out;
    }());
    EXPECT_EQ(c.crossings, 0);
    EXPECT_EQ(c.diagonalPieces, 0);
    EXPECT_EQ(planWires(wires, pins).loops(), 0);
    std::vector<double> along = wireDistances(wires, pins);
    std::vector<std::pair<RoutePoint, RoutePoint>> lines;
    ASSERT_TRUE(graph.lines(pins, 1u << 20, lines));
    std::vector<Wire> grid;
    for (auto [a, b] : lines) {
      grid.push_back({a.x, a.y, b.x, b.y});
    }
    std::vector<double> overLines = wireDistances(grid, pins);
    for (size_t i = 0; i < pins.size(); ++i) {
      SCOPED_TRACE("pin " + std::to_string(i + 1));
      expectSame(want[i], dist[i], "distance");
      expectSame(want[i], overLines[i], "over the lines");
      if (std::isfinite(want[i])) {
        expectSame(want[i], along[i], "along the tree");
      }
    }
    // Too many crossings: nothing drawn.
    EXPECT_FALSE(graph.lines(pins, 3, lines) && pins.size() > 1);
  }
}

// More effort, from the same tree: never longer, the bound kept; the same
// wires from a scratch kept over many nets as from a fresh one.
TEST(PathBoundTest, MoreEffortNeverLongerAndScratchKeepsNothing) {
  std::mt19937 rng(13);
  PathBoundScratch kept;
  for (int trial = 0; trial < 40; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    Scene s = walledScene(rng, 4 + trial % 14, trial % 8);
    treecore::Obstacles obstacles(s.rects);
    Tree t = treecore::routeNet(obstacles, s.pins, RouteOptions());
    std::vector<Wire> tree = wiresOf(t);
    std::vector<RoutePoint> pins = routePins(s);
    ObstacleIndex index(indexRects(s));
    std::vector<double> want = bfsShortest(s);
    for (double eps : {0.0, 0.1, 0.5}) {
      double last = INFINITY;
      for (int effort = 1; effort <= 4; ++effort) {
        std::vector<Wire> out, again;
        if (!boundPathTree(pins, index, tree, eps, out, true, effort, kept)) {
          continue;
        }
        PathBoundScratch fresh;
        ASSERT_TRUE(
            boundPathTree(pins, index, tree, eps, again, true, effort, fresh));
        EXPECT_EQ(out, again);
        double len = 0;
        for (const Wire& w : out) {
          len += std::fabs(w.x2 - w.x1) + std::fabs(w.y2 - w.y1);
        }
        EXPECT_LE(len, last + 1e-9) << "eps " << eps << " effort " << effort;
        last = len;
        std::vector<double> along = wireDistances(out, pins);
        for (size_t i = 1; i < pins.size(); ++i) {
          if (std::isfinite(want[i])) {
            EXPECT_LE(along[i], (1 + eps) * want[i] + 1e-9)
                << "pin " << i + 1 << " eps " << eps;
          }
        }
      }
    }
  }
}

// Nets of many pins, where the moves may hang a subtree from any of its
// points and leave out searches already made on the same tree: every pin
// within its bound of the grid's shortest distance, and the same wires from
// a scratch kept over many nets as from a fresh one.
TEST(PathBoundTest, ManyPinsKeepTheBoundAndScratchKeepsNothing) {
  std::mt19937 rng(29);
  PathBoundScratch kept;
  for (int trial = 0; trial < 12; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    Scene s = walledScene(rng, 20 + trial % 16, 2 + trial % 6);
    treecore::Obstacles obstacles(s.rects);
    std::vector<Wire> tree =
        wiresOf(treecore::routeNet(obstacles, s.pins, RouteOptions()));
    std::vector<RoutePoint> pins = routePins(s);
    ObstacleIndex index(indexRects(s));
    std::vector<double> want = bfsShortest(s);
    for (double eps : {0.0, 0.1, 0.3}) {
      for (int effort = 1; effort <= 2; ++effort) {
        std::vector<Wire> out, again;
        ASSERT_TRUE(
            boundPathTree(pins, index, tree, eps, out, true, effort, kept));
        PathBoundScratch fresh;
        ASSERT_TRUE(
            boundPathTree(pins, index, tree, eps, again, true, effort, fresh));
        EXPECT_EQ(out, again);
        std::vector<double> along = wireDistances(out, pins);
        for (size_t i = 1; i < pins.size(); ++i) {
          if (std::isfinite(want[i])) {
            EXPECT_LE(along[i], (1 + eps) * want[i] + 1e-9)
                << "pin " << i + 1 << " eps " << eps;
          }
        }
      }
    }
  }
}

// Nets of many pins, which also take the start grown from the first pin
// and the moves that hang a subtree from any of its points: a legal tree,
// every pin within its bound along the drawn wire (unit steps against the
// lattice's distances), with no loop.
TEST(PathBoundTest, ManyPinsKeepTheBound) {
  std::mt19937 rng(17);
  for (int trial = 0; trial < 24; ++trial) {
    Scene s = randomScene(rng, 20 + trial % 17, trial % 7);
    treecore::Obstacles obstacles(s.rects);
    std::vector<double> shortest = bfsShortest(s);
    std::vector<Point> pins;
    for (const auto& p : s.pins) {
      pins.push_back({p.x, p.y});
    }
    std::vector<Rect> rects;
    for (const auto& r : s.rects) {
      rects.push_back({r.xlo, r.ylo, r.xhi, r.yhi});
    }
    for (double eps : {0.0, 0.1, 0.3}) {
      SCOPED_TRACE("trial " + std::to_string(trial) + " eps " +
                   std::to_string(eps));
      RouteOptions o;
      o.pathBound = eps;
      Tree t = treecore::routeNet(obstacles, s.pins, o);
      if (t.status == treecore::Status::forest) {
        expectLegalTree(pins, rects, wiresOf(t), t.parts);
      } else {
        ASSERT_EQ(t.status, treecore::Status::ok) << t.message;
        expectLegalTree(pins, rects, wiresOf(t));
      }
      EXPECT_EQ(planWires(wiresOf(t), routePins(s)).loops(), 0);
      UnitTree u = unitTree(s, t, 0, 0);
      for (size_t i = 0; i < s.pins.size(); ++i) {
        if (std::isfinite(shortest[i])) {
          ASSERT_FALSE(std::isnan(u.path[i])) << "pin " << i + 1;
          EXPECT_LE(u.path[i], (1 + eps) * shortest[i] + 1e-9)
              << "pin " << i + 1;
        }
      }
    }
  }
}

}  // namespace
