#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "tests/netDesign.h"
#include "treecore/route.h"
#include "treecore/treeText.h"

namespace {

using netDesign::Design;
using treecore::Form;
using treecore::Net;
using treecore::NodeKind;
using treecore::Obstacles;
using treecore::RouteOptions;
using treecore::Status;
using treecore::Tree;

const Form kForms[] = {Form::spanningTree, Form::unrefinedSteinerTree,
                       Form::steinerTree, Form::optimizedSteinerTree};

std::string formName(Form f) {
  const char* names[] = {"spanning", "unrefined", "steiner", "optimized"};
  return names[static_cast<int>(f)];
}

std::string blocksOf(const Tree& t) {
  std::string s;
  treecore::appendBlocks(s, t);
  return s;
}

std::string jsonOf(const Tree& t, long net = 1) {
  std::string s;
  treecore::appendJson(s, t, net);
  return s;
}

// Unit steps of wire on the integer grid, each once.
using Unit = std::tuple<double, double, double, double>;

void addUnits(std::set<Unit>& units, treecore::Point a, treecore::Point b) {
  ASSERT_TRUE(a.x == b.x || a.y == b.y) << "a diagonal step";
  for (double x = std::min(a.x, b.x); x < std::max(a.x, b.x); ++x) {
    units.insert({x, a.y, x + 1, a.y});
  }
  for (double y = std::min(a.y, b.y); y < std::max(a.y, b.y); ++y) {
    units.insert({a.x, y, a.x, y + 1});
  }
}

// What every tree must be, checked from its values alone: the pins first
// and in order; one edge per node but each part's first, from its parent,
// along axis-parallel steps between the two nodes; parents that lead to
// the first node of the part; Steiner points where three or more edges
// meet; the edges' paths covering exactly the segments' wire; and the
// product's checker agreeing on the parts and the wire length.
void expectSoundTree(const Tree& t, const Net& net, const Obstacles& obs) {
  ASSERT_TRUE(t.status == Status::ok || t.status == Status::forest)
      << t.message;
  ASSERT_GE(t.nodes.size(), net.size());
  for (size_t i = 0; i < t.nodes.size(); ++i) {
    bool pin = i < net.size();
    EXPECT_EQ(t.nodes[i].kind, pin ? NodeKind::pin : NodeKind::steinerPoint);
    if (pin) {
      EXPECT_EQ(t.nodes[i].at, net[i]) << "pin " << i;
    }
  }
  std::vector<int> degree(t.nodes.size(), 0);
  std::set<Unit> drawn, covered;
  for (size_t e = 0; e < t.edges.size(); ++e) {
    const treecore::Edge& edge = t.edges[e];
    ASSERT_TRUE(edge.to >= 0 && edge.to < static_cast<int>(t.nodes.size()));
    EXPECT_TRUE(e == 0 || t.edges[e - 1].to < edge.to) << "edge order";
    EXPECT_EQ(t.nodes[edge.to].parent, edge.from);
    EXPECT_EQ(t.nodes[edge.to].edge, static_cast<int>(e));
    ASSERT_GE(edge.path.size(), 2u);
    EXPECT_EQ(edge.path.front(), t.nodes[edge.from].at);
    EXPECT_EQ(edge.path.back(), t.nodes[edge.to].at);
    for (size_t k = 1; k < edge.path.size(); ++k) {
      addUnits(covered, edge.path[k - 1], edge.path[k]);
    }
    ++degree[edge.from];
    ++degree[edge.to];
  }
  int roots = 0;
  for (size_t i = 0; i < t.nodes.size(); ++i) {
    const treecore::Node& n = t.nodes[i];
    if (n.parent < 0) {
      ++roots;
      EXPECT_EQ(n.edge, -1);
    }
    int steps = 0;
    for (int u = static_cast<int>(i);
         t.nodes[u].parent >= 0 && steps <= static_cast<int>(t.nodes.size());
         u = t.nodes[u].parent) {
      ++steps;
    }
    EXPECT_LE(steps, static_cast<int>(t.nodes.size())) << "a parent cycle";
    if (n.kind == NodeKind::steinerPoint) {
      EXPECT_GE(degree[i], 3) << "Steiner point " << i;
    }
  }
  EXPECT_EQ(static_cast<size_t>(roots), t.nodes.size() - t.edges.size());
  for (const treecore::Segment& s : t.segments) {
    addUnits(drawn, s.a, s.b);
  }
  EXPECT_TRUE(drawn == covered) << "the edges cover other wire";
  TreeCheck c = netDesign::checkOf(t, net, obs);
  EXPECT_EQ(c.pinParts, t.parts);
  EXPECT_EQ(c.wireLength, t.wireLength);
  EXPECT_EQ(c.crossings, 0);
  EXPECT_EQ(t.status == Status::forest, t.parts > 1);
  if (t.status == Status::ok && !net.empty()) {
    EXPECT_EQ(roots, 1);
  }
}

TEST(RouteNetTest, EveryObstacleGivesTheSingleNetProgramsBytes) {
  for (unsigned seed = 1; seed <= 30; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Design d = netDesign::randomDesign(seed, 1, 8, seed <= 10 ? 8 : 25);
    Obstacles obs = Obstacles::fromCorners(d.rings);
    for (Form form : kForms) {
      if (form == Form::optimizedSteinerTree && seed > 10) {
        continue;  // optimizing is slow; ten nets show it
      }
      SCOPED_TRACE(formName(form));
      RouteOptions o;
      o.form = form;
      o.everyObstacle = true;
      o.exactGraph = seed % 3 == 0;
      Tree t = treecore::routeNet(obs, d.nets[0], o);
      EXPECT_EQ(
          netDesign::banner(form) + blocksOf(t),
          netDesign::programOutput(d.nets[0], d.rings, form, o.exactGraph));
    }
  }
}

// The net taken over and the segments handed on in runs: joined, the runs
// are the programs' blocks, past several runs and at a run's last segment,
// whether they stream from the pipeline or come from the whole tree.
TEST(RouteNetTest, SegmentsHandedOnInRunsAreTheProgramsBytes) {
  for (unsigned seed = 1; seed <= 3; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Design d = netDesign::randomDesign(seed, 1, seed == 1 ? 0 : 30, 300);
    if (seed == 1) {
      std::mt19937 rng(seed);
      d.nets[0].clear();
      for (int i = 0; i < 2600; ++i) {
        d.nets[0].push_back({1.0 * (rng() % 1000), 1.0 * (rng() % 1000)});
      }
    }
    Obstacles obs = Obstacles::fromCorners(d.rings);
    for (Form form : {Form::spanningTree, Form::steinerTree}) {
      for (bool measured : {false, true}) {
        SCOPED_TRACE(formName(form) + (measured ? " measured" : ""));
        RouteOptions o;
        o.form = form;
        o.everyObstacle = true;
        o.drawingOnly = true;
        o.measureLength = measured;
        Tree whole = treecore::routeNet(obs, d.nets[0], o);
        Net net = d.nets[0];
        Tree run;
        std::string text;
        size_t runs = 0;
        Tree t = treecore::routeNet(
            obs, std::move(net), o,
            [&](const std::vector<treecore::Segment>& segments) {
              run.segments = segments;
              treecore::appendBlocks(text, run);
              ++runs;
            });
        EXPECT_TRUE(net.empty());
        EXPECT_TRUE(t.segments.empty());
        EXPECT_EQ(t.status, whole.status);
        EXPECT_EQ(t.parts, whole.parts);
        EXPECT_EQ(t.wireLength, whole.wireLength);
        EXPECT_EQ(text, blocksOf(whole));
        EXPECT_EQ(runs, (whole.segments.size() + 4095) / 4096);
        EXPECT_EQ(netDesign::banner(form) + text,
                  netDesign::programOutput(d.nets[0], d.rings, form));
        if (seed == 1 && form == Form::spanningTree) {
          EXPECT_GT(whole.segments.size(), 4096u);
        }
      }
    }
  }
}

// Every placing of one or two pins on a small grid, with no obstacle: the
// quick way round the pipeline must give its bytes.
TEST(RouteNetTest, OneOrTwoPinsWithoutObstaclesAreThePipelines) {
  Obstacles none;
  std::vector<Net> nets;
  for (int a = 0; a < 16; ++a) {
    nets.push_back({{a % 4 * 1.5, a / 4 * 2.0}});
    for (int b = 0; b < 16; ++b) {
      nets.push_back({{a % 4 * 1.5, a / 4 * 2.0}, {b % 4 * 1.5, b / 4 * 2.0}});
    }
  }
  for (Form form :
       {Form::spanningTree, Form::unrefinedSteinerTree, Form::steinerTree}) {
    for (bool exact : {false, true}) {
      SCOPED_TRACE(formName(form) + (exact ? " exact" : ""));
      RouteOptions o;
      o.form = form;
      o.exactGraph = exact;
      for (const Net& net : nets) {
        Tree t = treecore::routeNet(none, net, o);
        ASSERT_EQ(netDesign::banner(form) + blocksOf(t),
                  netDesign::programOutput(net, {}, form, exact))
            << net[0].x << " " << net[0].y << " " << net.back().x << " "
            << net.back().y;
        expectSoundTree(t, net, none);
      }
    }
  }
}

// Wide nets among a few obstacles: the grown box takes them all.
TEST(RouteNetTest, NearObstaclesGiveTheProgramsBytesWhereTheyAreAll) {
  int all = 0, some = 0;
  for (unsigned seed = 100; seed < 160; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Design d = netDesign::randomDesign(seed, 1, 3, 12);
    Obstacles obs = Obstacles::fromCorners(d.rings);
    bool every = obs.near(d.nets[0]).size() == obs.size();
    ++(every ? all : some);
    for (Form form : {Form::spanningTree, Form::steinerTree}) {
      RouteOptions o;
      o.form = form;
      Tree t = treecore::routeNet(obs, d.nets[0], o);
      expectSoundTree(t, d.nets[0], obs);
      if (every) {
        EXPECT_EQ(netDesign::banner(form) + blocksOf(t),
                  netDesign::programOutput(d.nets[0], d.rings, form));
      }
    }
  }
  EXPECT_GT(all, 20);
  EXPECT_GT(some, 5);
}

TEST(RouteNetTest, TreesAreSoundInEveryForm) {
  for (unsigned seed = 200; seed < 240; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Design d = netDesign::randomDesign(seed, 3, 10, seed % 2 ? 6 : 30);
    Obstacles obs = Obstacles::fromCorners(d.rings);
    for (Form form : kForms) {
      if (form == Form::optimizedSteinerTree && seed % 2 == 0) {
        continue;
      }
      SCOPED_TRACE(formName(form));
      RouteOptions o;
      o.form = form;
      o.exactGraph = seed % 3 == 0;
      for (const Net& net : d.nets) {
        Tree t = treecore::routeNet(obs, net, o);
        expectSoundTree(t, net, obs);
        // The drawing alone is the same drawing.
        o.drawingOnly = true;
        Tree drawing = treecore::routeNet(obs, net, o);
        o.drawingOnly = false;
        EXPECT_TRUE(drawing.nodes.empty() && drawing.edges.empty());
        t.nodes.clear();
        t.edges.clear();
        EXPECT_EQ(jsonOf(drawing), jsonOf(t));
      }
    }
  }
}

TEST(RouteNetTest, PinsAtOnePlaceAreJoinedByEdgesOfNoLength) {
  Obstacles obs({{4, 4, 6, 6}});
  Net net = {{0, 0}, {10, 10}, {0, 0}, {10, 0}, {10, 10}};
  for (Form form : kForms) {
    SCOPED_TRACE(formName(form));
    RouteOptions o;
    o.form = form;
    Tree t = treecore::routeNet(obs, net, o);
    expectSoundTree(t, net, obs);
    EXPECT_EQ(t.nodes[2].parent, 0);
    EXPECT_EQ(t.nodes[4].parent, 1);
    EXPECT_EQ(t.edges[t.nodes[2].edge].length(), 0);
    EXPECT_EQ(t.edges[t.nodes[2].edge].path.size(), 2u);
  }
}

// A connection between pins at one place is not written; the plain
// file's block of no length at (10, 0) is the end of the L from (0, 0) to
// (10, 0), whose ends share y, and the edges end there too. The edge to
// the second pin at (0, 0) is its two equal points at (0, 0).
TEST(RouteNetTest, PinsAtOnePlaceAreJoinedWhereTheyStand) {
  Obstacles none;
  Net net = {{0, 0}, {10, 0}, {20, 5}, {0, 0}};
  RouteOptions o;
  o.form = Form::spanningTree;
  Tree t = treecore::routeNet(none, net, o);
  expectSoundTree(t, net, none);
  EXPECT_EQ(blocksOf(t),
            "10\t0\n20\t0\n\n20\t0\n20\t5\n\n0\t0\n10\t0\n\n10\t0\n10\t0\n\n");
  ASSERT_EQ(t.nodes.size(), 4u);
  EXPECT_EQ(t.nodes[3].parent, 0);
  EXPECT_EQ(t.edges[t.nodes[3].edge].path,
            (std::vector<treecore::Point>{{0, 0}, {0, 0}}));
  EXPECT_EQ(t.nodes[1].parent, 0);
  EXPECT_EQ(t.edges[t.nodes[1].edge].path.back(), (treecore::Point{10, 0}));
}

// The middle pin lies inside the one segment the refined forms draw.
TEST(RouteNetTest, APinInsideASegmentIsANodeOnIt) {
  Obstacles none;
  Net net = {{0, 0}, {5, 0}, {10, 0}, {10, 0}};
  for (Form form : kForms) {
    SCOPED_TRACE(formName(form));
    RouteOptions o;
    o.form = form;
    Tree t = treecore::routeNet(none, net, o);
    expectSoundTree(t, net, none);
    ASSERT_EQ(t.nodes.size(), 4u);
    EXPECT_EQ(t.nodes[1].parent, 0);
    EXPECT_EQ(t.nodes[2].parent, 1);
    EXPECT_EQ(t.nodes[3].parent, 2);
    EXPECT_EQ(t.wireLength, 10);
  }
}

TEST(RouteNetTest, SmallNets) {
  Obstacles obs({{4, 4, 6, 6}});
  Tree none = treecore::routeNet(obs, {});
  EXPECT_EQ(none.status, Status::ok);
  EXPECT_EQ(none.parts, 0);
  EXPECT_TRUE(none.nodes.empty());
  Tree one = treecore::routeNet(obs, {{1, 2}});
  EXPECT_EQ(one.status, Status::ok);
  EXPECT_EQ(one.parts, 1);
  ASSERT_EQ(one.nodes.size(), 1u);
  EXPECT_EQ(one.nodes[0].parent, -1);
  EXPECT_TRUE(one.edges.empty());
  // Both Ls are blocked: a staircase along the block's sides, one edge with
  // its bends.
  Tree two = treecore::routeNet(obs, {{0, 5}, {5, 0}});
  ASSERT_EQ(two.edges.size(), 1u);
  EXPECT_EQ(two.wireLength, 10);
  EXPECT_EQ(two.edges[0].path.size(), 5u);
  EXPECT_EQ(two.edges[0].from, 0);
}

TEST(RouteNetTest, PinInsideAnObstacleIsRefused) {
  Obstacles obs({{0, 0, 10, 10}, {20, 0, 30, 10}});
  Tree t = treecore::routeNet(obs, {{-5, 5}, {25, 5}, {40, 5}});
  EXPECT_EQ(t.status, Status::pinInsideObstacle);
  EXPECT_EQ(t.message,
            "pin 2 (25, 5) lies strictly inside obstacle 2 (20, 0)-(30, 10); "
            "no obstacle-avoiding tree exists");
  EXPECT_TRUE(t.nodes.empty() && t.segments.empty());
  EXPECT_EQ(t.parts, 0);
  // On a side is fine.
  EXPECT_EQ(treecore::routeNet(obs, {{-5, 5}, {20, 5}}).status, Status::ok);
  // Among many obstacles the index finds it.
  std::vector<treecore::Rect> row;
  for (int i = 0; i < 100; ++i) {
    row.push_back({10.0 * i, 0, 10.0 * i + 5, 5});
  }
  RouteOptions every;
  every.everyObstacle = true;
  Tree many =
      treecore::routeNet(Obstacles(row), {{0, 10}, {512, 2}, {990, 10}}, every);
  EXPECT_EQ(many.status, Status::pinInsideObstacle);
  EXPECT_EQ(many.message.substr(0, 48),
            "pin 2 (512, 2) lies strictly inside obstacle 52 ");
  EXPECT_EQ(many.badPin, 1);
  EXPECT_EQ(many.badObstacle, 51);
}

// A pin inside overlapping obstacles: few near obstacles are scanned, many
// are searched through the index, and both must name the same one of one
// design. Far obstacles make every obstacle many while the near ones stay
// few. The oracle for the status is the brute-force list of the obstacles
// that hold the pin, which must hold the one named.
class PinInsideTwinsTest : public ::testing::TestWithParam<int> {};

TEST_P(PinInsideTwinsTest, ScannedAndIndexedNameOneObstacle) {
  std::mt19937 rng(static_cast<unsigned>(GetParam()));
  std::uniform_int_distribution<int> at(0, 20);
  for (int round = 0; round < 30; ++round) {
    std::vector<treecore::Rect> rects;
    for (int k = 0; k < 6; ++k) {
      double x = at(rng), y = at(rng);
      rects.push_back({x, y, x + 1 + at(rng), y + 1 + at(rng)});
    }
    Net net = {{-50, -50}, {at(rng) + 0.5, at(rng) + 0.5}};
    std::vector<int> holding;
    for (size_t k = 0; k < rects.size(); ++k) {
      const treecore::Rect& r = rects[k];
      const treecore::Point& p = net[1];
      if (r.xlo < p.x && p.x < r.xhi && r.ylo < p.y && p.y < r.yhi) {
        holding.push_back(static_cast<int>(k));
      }
    }
    for (int k = 0; k < 100; ++k) {
      rects.push_back({1000.0 + 10 * k, 1000, 1005.0 + 10 * k, 1005});
    }
    Obstacles obs(rects);
    std::vector<int> named;
    for (bool every : {false, true}) {
      RouteOptions options;
      options.everyObstacle = every;
      Tree t = treecore::routeNet(obs, net, options);
      EXPECT_EQ(t.status,
                holding.empty() ? Status::ok : Status::pinInsideObstacle);
      named.push_back(t.badObstacle);
    }
    EXPECT_EQ(named[0], named[1]);
    if (!holding.empty()) {
      EXPECT_NE(std::find(holding.begin(), holding.end(), named[0]),
                holding.end());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, PinInsideTwinsTest, ::testing::Values(1, 2, 3));

// Without its length a tree is drawn the same; with it, the length is the
// union of the segments, here brute-forced on the unit grid.
TEST(RouteNetTest, UnmeasuredTreesAreDrawnTheSame) {
  Obstacles obs({{2, 2, 6, 6}});
  Net net = {{0, 0}, {8, 8}, {0, 8}, {4, 0}};
  for (Form form :
       {Form::spanningTree, Form::unrefinedSteinerTree, Form::steinerTree}) {
    RouteOptions measured;
    measured.form = form;
    RouteOptions unmeasured = measured;
    unmeasured.measureLength = false;
    Tree a = treecore::routeNet(obs, net, measured);
    Tree b = treecore::routeNet(obs, net, unmeasured);
    std::string ta, tb;
    treecore::appendBlocks(ta, a);
    treecore::appendBlocks(tb, b);
    EXPECT_EQ(ta, tb);
    EXPECT_EQ(b.wireLength, 0);
    std::set<std::tuple<int, int, int, int>> unit;
    for (const treecore::Segment& s : a.segments) {
      int x1 = static_cast<int>(std::min(s.a.x, s.b.x));
      int x2 = static_cast<int>(std::max(s.a.x, s.b.x));
      int y1 = static_cast<int>(std::min(s.a.y, s.b.y));
      int y2 = static_cast<int>(std::max(s.a.y, s.b.y));
      for (int x = x1; x < x2; ++x) {
        unit.insert({x, y1, x + 1, y1});
      }
      for (int y = y1; y < y2; ++y) {
        unit.insert({x1, y, x1, y + 1});
      }
    }
    EXPECT_EQ(a.wireLength, static_cast<double>(unit.size()));
  }
}

// The check before routing says what routeNet would refuse, and nothing of
// a net it routes.
TEST(RouteNetTest, CheckNetRefusesWhatRouteNetRefuses) {
  Obstacles obs({{0, 0, 10, 10}, {20, 0, 30, 10}});
  const treecore::Net nets[] = {{{-5, 5}, {25, 5}, {40, 5}},
                                {{-5, 5}, {20, 5}},
                                {{-5, 5}, {16777217.5, 5}},
                                {}};
  for (bool every : {false, true}) {
    RouteOptions options;
    options.everyObstacle = every;
    for (const treecore::Net& net : nets) {
      Tree routed = treecore::routeNet(obs, net, options);
      Tree checked = treecore::checkNet(obs, net, options);
      bool refused = routed.status == Status::pinInsideObstacle ||
                     routed.status == Status::badCoordinate;
      EXPECT_EQ(checked.status, refused ? routed.status : Status::ok);
      EXPECT_EQ(checked.message, refused ? routed.message : "");
      EXPECT_EQ(checked.badPin, routed.badPin);
      EXPECT_EQ(checked.badObstacle, routed.badObstacle);
      EXPECT_TRUE(checked.segments.empty());
    }
  }
  EXPECT_EQ(treecore::checkNet(obs, nets[0]).badPin, 1);
  EXPECT_EQ(treecore::checkNet(obs, nets[0]).badObstacle, 1);
  EXPECT_EQ(treecore::checkNet(obs, nets[2]).badPin, 1);
  EXPECT_EQ(treecore::checkNet(obs, nets[2]).badObstacle, -1);
}

// Four overlapping rectangles round the hole (2, 4) x (2, 4).
TEST(RouteNetTest, AWalledInPinMakesAForest) {
  std::vector<netDesign::Ring> ring = {{{{0, 0}, {6, 0}, {6, 2}, {0, 2}}},
                                       {{{0, 4}, {6, 4}, {6, 6}, {0, 6}}},
                                       {{{0, 1}, {2, 1}, {2, 5}, {0, 5}}},
                                       {{{4, 1}, {6, 1}, {6, 5}, {4, 5}}}};
  Obstacles obs = Obstacles::fromCorners(ring);
  Net net = {{10, 10}, {3, 3}, {8, 0}};
  for (Form form : kForms) {
    SCOPED_TRACE(formName(form));
    RouteOptions o;
    o.form = form;
    Tree t = treecore::routeNet(obs, net, o);
    EXPECT_EQ(t.status, Status::forest);
    EXPECT_EQ(t.parts, 2);
    EXPECT_EQ(t.message, "obstacles keep the 3 pins in 2 separate parts");
    EXPECT_EQ(t.nodes[1].parent, -1);
    EXPECT_EQ(t.nodes[2].parent, 0);
    expectSoundTree(t, net, obs);
  }
}

TEST(RouteNetTest, CoordinatesSinglePrecisionCannotHoldAreRefused) {
  Obstacles obs;
  Tree t = treecore::routeNet(obs, {{0, 0}, {3, 16777217.5}});
  EXPECT_EQ(t.status, Status::badCoordinate);
  EXPECT_EQ(t.message,
            "pin 2: y 16777217.5 is not a single-precision value: it would "
            "become 16777218");
  EXPECT_EQ(treecore::routeNet(obs, {{0.1, 0}, {3, 0}}).status, Status::ok);
  EXPECT_EQ(treecore::routeNet(obs, {{0, 0}, {1.0 / 0.0, 0}}).status,
            Status::badCoordinate);
}

TEST(RouteNetsTest, EveryThreadCountGivesEachNetItsOwnTree) {
  Design d = netDesign::randomDesign(7, 300, 12, 12);
  d.nets[5] = {{1000, 1000}};  // far from everything
  Obstacles obs = Obstacles::fromCorners(d.rings);
  RouteOptions o;
  std::vector<std::string> alone;
  for (const Net& net : d.nets) {
    alone.push_back(jsonOf(treecore::routeNet(obs, net, o)));
  }
  for (int threads : {1, 2, 4}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    std::vector<Tree> trees = treecore::routeNets(obs, d.nets, o, threads);
    ASSERT_EQ(trees.size(), d.nets.size());
    std::vector<std::string> got;
    treecore::routeNets(
        obs, d.nets, o,
        [&](size_t i, Tree&& t) {
          EXPECT_EQ(i, got.size());
          got.push_back(jsonOf(t));
        },
        threads);
    std::vector<Tree> viaIterator;
    treecore::routeNetsTo(obs, d.nets, o, std::back_inserter(viaIterator),
                          threads);
    for (size_t i = 0; i < d.nets.size(); ++i) {
      EXPECT_EQ(jsonOf(trees[i]), alone[i]) << "net " << i;
      EXPECT_EQ(got[i], alone[i]) << "net " << i;
      EXPECT_EQ(jsonOf(viaIterator[i]), alone[i]) << "net " << i;
    }
  }
}

TEST(TreeTextTest, JsonNamesEveryField) {
  Obstacles obs({{4, 4, 6, 6}});
  Tree t = treecore::routeNet(obs, {{0, 5}, {5, 0}});
  EXPECT_EQ(jsonOf(t, 7),
            "{\"net\":7,\"status\":\"ok\",\"message\":\"\",\"parts\":1,"
            "\"wireLength\":10,\"nodes\":[{\"x\":0,\"y\":5,\"kind\":\"pin\","
            "\"parent\":-1,\"edge\":-1},{\"x\":5,\"y\":0,\"kind\":\"pin\","
            "\"parent\":0,\"edge\":0}],\"edges\":[{\"from\":0,\"to\":1,"
            "\"path\":[[0,5],[4,5],[4,4],[5,4],[5,0]]}],\"segments\":[[0,5,"
            "4,5],[5,0,5,4],[4,4,5,4],[4,4,4,5]]}");
  Tree bad = treecore::routeNet(obs, {{5, 5}});
  EXPECT_NE(jsonOf(bad).find("\"status\":\"pinInsideObstacle\",\"message\":"
                             "\"pin 1 (5, 5) lies strictly inside"),
            std::string::npos);
}

}  // namespace
