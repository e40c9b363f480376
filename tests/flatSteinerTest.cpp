#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "options/exactSteiner.h"
#include "options/flatSteiner.h"
#include "options/improveTree.h"
#include "spatial/obstacleIndex.h"
#include "tests/legalTree.h"
#include "treecore/route.h"

namespace {

// Pins on a grid of the given size, scaled and shifted: small grids give
// duplicates, shared coordinates and collinear pins.
std::vector<RoutePoint> randomPins(
    std::mt19937& rng, int pins, int grid, float scale, float shift) {
  std::uniform_int_distribution<int> coord(0, grid);
  std::vector<RoutePoint> out;
  for (int k = 0; k < pins; ++k) {
    out.push_back({coord(rng) * scale + shift, coord(rng) * scale + shift});
  }
  return out;
}

double optimumOf(const std::vector<RoutePoint>& pins) {
  ObstacleIndex none(std::vector<ObstacleIndex::Rect>{});
  float xlo = pins[0].x, xhi = xlo, ylo = pins[0].y, yhi = ylo;
  for (const RoutePoint& p : pins) {
    xlo = std::min(xlo, p.x), xhi = std::max(xhi, p.x);
    ylo = std::min(ylo, p.y), yhi = std::max(yhi, p.y);
  }
  WorkBudget unbounded{std::numeric_limits<double>::infinity()};
  ExactTree t = solveExactTree(pins, none, {xlo, ylo, xhi, yhi}, unbounded);
  EXPECT_EQ(t.status, ExactStatus::solved);
  return t.length;
}

// Against the grid programme on nets of 2 to 9 pins of every kind: small
// grids (duplicates, shared lines), large and negative coordinates,
// fractions; each tree legal, clean, and the same for the pins reordered.
TEST(FlatSteinerTest, IsAsShortAsTheExactSolver) {
  struct Kind {
    int grid;
    float scale;
    float shift;
  };
  const Kind kinds[] = {{3, 1, 0},        {6, 1, 0},        {20, 1, 0},
                        {1000, 1, 0},     {1000, 1, -5e5f}, {100, 1e4f, 3e6f},
                        {1000, 0.01f, 0}, {50, 0.37f, -9}};
  int nets = 0;
  for (const Kind& kind : kinds) {
    for (int pins = 2; pins <= kFlatExactPins; ++pins) {
      int count = pins <= 7 ? 60 : 25;
      for (int k = 0; k < count; ++k) {
        unsigned seed = 1000u * pins + k + 7919u * kind.grid;
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        std::vector<RoutePoint> p =
            randomPins(rng, pins, kind.grid, kind.scale, kind.shift);
        std::vector<Wire> wires = solveFlatTree(p);
        double best = optimumOf(p);
        double len = wireLength(wires);
        ASSERT_NEAR(len, best, 1e-9 * std::max(1.0, std::fabs(best)));
        expectLegalTree(p, {}, wires);
        EXPECT_EQ(cleanWires(wires, p), wires) << "wires not clean";
        std::shuffle(p.begin(), p.end(), rng);
        EXPECT_EQ(solveFlatTree(p), wires) << "another order, another tree";
        ++nets;
      }
    }
  }
  EXPECT_GT(nets, 3000);
}

TEST(FlatSteinerTest, LeavesOnePlaceAndTooManyPlacesEmpty) {
  EXPECT_TRUE(solveFlatTree({{2, 3}, {2, 3}}).empty());
  std::vector<RoutePoint> many;
  for (int k = 0; k <= kFlatExactPins; ++k) {
    many.push_back({static_cast<float>(k), static_cast<float>(k * k % 7)});
  }
  EXPECT_TRUE(solveFlatTree(many).empty());
}

// Ten to seventeen positions: the best break is a legal clean tree, never
// shorter than the optimum and close to it.
TEST(FlatSteinerTest, BreaksLargerNetsIntoExactHalves) {
  double above = 0;
  int nets = 0;
  for (int pins = 10; pins <= 17; pins += 7) {
    for (int k = 0; k < 12; ++k) {
      unsigned seed = 500u * pins + k;
      SCOPED_TRACE(seed);
      std::mt19937 rng(seed);
      std::vector<RoutePoint> p =
          randomPins(rng, pins, k % 3 ? 1000 : 12, 1, 0);
      std::vector<Wire> wires = breakFlatTree(p);
      expectLegalTree(p, {}, wires);
      EXPECT_EQ(cleanWires(wires, p), wires) << "wires not clean";
      std::shuffle(p.begin(), p.end(), rng);
      EXPECT_EQ(breakFlatTree(p), wires) << "another order, another tree";
      if (pins == 10) {
        double best = optimumOf(p);
        EXPECT_GE(wireLength(wires), best - 1e-9 * best);
        above += wireLength(wires) / best - 1;
        ++nets;
      }
    }
  }
  EXPECT_LT(above / nets, 0.005) << "breaks far from the optimum";
  std::vector<RoutePoint> many;
  for (int k = 0; k <= static_cast<int>(kFlatBreakPins); ++k) {
    many.push_back({static_cast<float>(k), static_cast<float>(k * k % 11)});
  }
  EXPECT_TRUE(breakFlatTree(many).empty());
}

treecore::Net netOf(const std::vector<RoutePoint>& pins) {
  treecore::Net net;
  for (const RoutePoint& p : pins) {
    net.push_back({p.x, p.y});
  }
  return net;
}

// Without obstacles near it, a net's --optimize tree is the same whether
// routeNet takes its obstacle-free path or a Router runs (every obstacle
// routed, one far away); beyond the exact sizes, where the far obstacle's
// corners change the pipeline's tree, it is never longer than the default
// tree.
TEST(FlatSteinerTest, RouteNetGivesTheRoutersTree) {
  treecore::Obstacles none;
  treecore::Obstacles far(
      std::vector<treecore::Rect>{{5000, 5000, 5010, 5010}});
  treecore::RouteOptions optimize;
  optimize.form = treecore::Form::optimizedSteinerTree;
  treecore::RouteOptions viaRouter = optimize;
  viaRouter.everyObstacle = true;
  for (int pins : {1, 2, 3, 6, 9, 12, 17, 25, 40}) {
    for (int k = 0; k < 4; ++k) {
      unsigned seed = 77u * pins + k;
      SCOPED_TRACE(seed);
      std::mt19937 rng(seed);
      treecore::Net net = netOf(randomPins(rng, pins, k % 2 ? 1000 : 9, 1, 0));
      treecore::Tree fast = treecore::routeNet(none, net, optimize);
      EXPECT_EQ(fast.parts, 1);
      EXPECT_EQ(fast.status, treecore::Status::ok);
      std::vector<RoutePoint> places;
      for (const treecore::Point& p : net) {
        places.push_back({static_cast<float>(p.x), static_cast<float>(p.y)});
      }
      if (flatPlaces(places) > kFlatExactPins) {
        treecore::Tree plain = treecore::routeNet(none, net);
        EXPECT_LE(fast.wireLength, plain.wireLength);
        continue;
      }
      treecore::Tree slow = treecore::routeNet(far, net, viaRouter);
      ASSERT_EQ(fast.segments.size(), slow.segments.size());
      for (size_t i = 0; i < fast.segments.size(); ++i) {
        EXPECT_EQ(fast.segments[i].a, slow.segments[i].a);
        EXPECT_EQ(fast.segments[i].b, slow.segments[i].b);
      }
      EXPECT_EQ(fast.nodes.size(), slow.nodes.size());
      EXPECT_EQ(fast.edges.size(), slow.edges.size());
    }
  }
}
// The whole value tree of routeNet's obstacle-free path (no Router, no
// drawing graph) against a Router's over the same wires (one far obstacle,
// every obstacle routed): nodes, parents, edges and their paths, segments,
// length, on nets with repeated pins, shared lines, negative zeros,
// fractions and wide values; with drawingOnly, the drawing alone. Up to
// kFlatBreakPins places: from kFlatExactPins + 1, the better of the best
// break and the pipeline's tree, each of which wins on some nets.
TEST(FlatSteinerTest, FastPathGivesTheRoutersWholeTree) {
  treecore::Obstacles none;
  treecore::Obstacles far(
      std::vector<treecore::Rect>{{9e6, 9e6, 9.1e6, 9.1e6}});
  treecore::RouteOptions optimize;
  optimize.form = treecore::Form::optimizedSteinerTree;
  treecore::RouteOptions viaRouter = optimize;
  viaRouter.everyObstacle = true;
  // A far obstacle's corners would change the pipeline's tree of a larger
  // net: there the Router runs without obstacles, as stage reports (which
  // change no tree) keep every net on it.
  treecore::RouteOptions reported = optimize;
  reported.stageDone = [](const char*, void*) {};
  int nets = 0, broken = 0, pipelines = 0;
  for (unsigned seed = 1; seed <= 900; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    int pins = 1 + static_cast<int>(seed % (kFlatBreakPins + 3));
    int grid = seed % 4 == 0 ? 2 : seed % 4 == 1 ? 5 : 1000;
    float scale = seed % 5 == 0 ? 0.25f : seed % 7 == 0 ? 1e3f : 1;
    float shift = seed % 3 == 0 ? -2 * scale : 0;
    treecore::Net net = netOf(randomPins(rng, pins, grid, scale, shift));
    for (treecore::Point& p : net) {
      p.x = p.x == 0 && seed % 2 ? -0.0 : p.x;  // -0 keeps its sign
    }
    std::vector<RoutePoint> places;
    for (const treecore::Point& p : net) {
      places.push_back({static_cast<float>(p.x), static_cast<float>(p.y)});
    }
    int distinct = flatPlaces(places);
    if (distinct > static_cast<int>(kFlatBreakPins)) {
      continue;
    }
    if (distinct > kFlatExactPins) {
      treecore::RouteOptions plain;
      bool won = treecore::routeNet(none, net, plain).wireLength <
                 wireLength(breakFlatTree(places));
      pipelines += won;
      broken += !won;
    }
    treecore::Tree fast = treecore::routeNet(none, net, optimize);
    treecore::Tree slow = distinct > kFlatExactPins
                              ? treecore::routeNet(none, net, reported)
                              : treecore::routeNet(far, net, viaRouter);
    ASSERT_EQ(fast.status, slow.status);
    EXPECT_EQ(fast.parts, slow.parts);
    EXPECT_EQ(fast.wireLength, slow.wireLength);
    ASSERT_EQ(fast.segments.size(), slow.segments.size());
    for (size_t i = 0; i < fast.segments.size(); ++i) {
      EXPECT_EQ(fast.segments[i].a, slow.segments[i].a);
      EXPECT_EQ(fast.segments[i].b, slow.segments[i].b);
    }
    ASSERT_EQ(fast.nodes.size(), slow.nodes.size());
    for (size_t i = 0; i < fast.nodes.size(); ++i) {
      const treecore::Node& a = fast.nodes[i];
      const treecore::Node& b = slow.nodes[i];
      EXPECT_EQ(a.at, b.at) << "node " << i;
      EXPECT_EQ(std::signbit(a.at.x), std::signbit(b.at.x)) << "node " << i;
      EXPECT_EQ(a.kind, b.kind) << "node " << i;
      EXPECT_EQ(a.parent, b.parent) << "node " << i;
      EXPECT_EQ(a.edge, b.edge) << "node " << i;
    }
    ASSERT_EQ(fast.edges.size(), slow.edges.size());
    for (size_t e = 0; e < fast.edges.size(); ++e) {
      EXPECT_EQ(fast.edges[e].from, slow.edges[e].from);
      EXPECT_EQ(fast.edges[e].to, slow.edges[e].to);
      ASSERT_EQ(fast.edges[e].path.size(), slow.edges[e].path.size());
      for (size_t k = 0; k < fast.edges[e].path.size(); ++k) {
        EXPECT_EQ(fast.edges[e].path[k], slow.edges[e].path[k]);
        EXPECT_EQ(std::signbit(fast.edges[e].path[k].x),
                  std::signbit(slow.edges[e].path[k].x));
      }
    }
    treecore::RouteOptions drawing = optimize;
    drawing.drawingOnly = true;
    drawing.bound = true;
    treecore::Tree bare = treecore::routeNet(none, net, drawing);
    EXPECT_TRUE(bare.nodes.empty() && bare.edges.empty());
    EXPECT_EQ(bare.segments.size(), fast.segments.size());
    EXPECT_EQ(bare.wireLength, fast.wireLength);
    if (distinct <= kFlatExactPins) {
      EXPECT_EQ(bare.lowerBound, fast.wireLength);
    }
    ++nets;
  }
  EXPECT_GT(nets, 700);
  EXPECT_GT(broken, 50);
  EXPECT_GT(pipelines, 5);
}

// Every break of the distinct positions of p tried plainly, in the order made
// (x before y, then by position): its halves' boxes, their solved lengths' sum,
// and the clean union of the halves.
struct PlainBreak {
  double box, sum;
  std::vector<Wire> tree;
};

// Empty where p has no more than kFlatExactPins distinct positions; p
// leaves them sorted by x, then y.
std::vector<PlainBreak> everyBreak(std::vector<RoutePoint>& p) {
  std::sort(p.begin(), p.end(), [](const RoutePoint& a, const RoutePoint& b) {
    return a.x < b.x || (a.x == b.x && a.y < b.y);
  });
  p.erase(std::unique(p.begin(), p.end()), p.end());
  auto boxOf = [](const std::vector<RoutePoint>& v) {
    float xlo = INFINITY, xhi = -INFINITY, ylo = INFINITY, yhi = -INFINITY;
    for (const RoutePoint& q : v) {
      xlo = std::min(xlo, q.x), xhi = std::max(xhi, q.x);
      ylo = std::min(ylo, q.y), yhi = std::max(yhi, q.y);
    }
    return (static_cast<double>(xhi) - xlo) + (static_cast<double>(yhi) - ylo);
  };
  int n = static_cast<int>(p.size());
  std::vector<PlainBreak> all;
  if (n <= kFlatExactPins) {
    return all;
  }
  for (int axis = 0; axis < 2; ++axis) {
    std::vector<RoutePoint> along = p;
    std::sort(along.begin(), along.end(),
              [axis](const RoutePoint& a, const RoutePoint& b) {
                return axis ? a.y < b.y || (a.y == b.y && a.x < b.x)
                            : a.x < b.x || (a.x == b.x && a.y < b.y);
              });
    for (int at = n - kFlatExactPins; at < kFlatExactPins; ++at) {
      std::vector<RoutePoint> up(along.begin(), along.begin() + at + 1);
      std::vector<RoutePoint> from(along.begin() + at, along.end());
      std::vector<Wire> a = solveFlatTree(up), b = solveFlatTree(from);
      double sum = wireLength(a) + wireLength(b);
      a.insert(a.end(), b.begin(), b.end());
      all.push_back({boxOf(up) + boxOf(from), sum, cleanWires(a, p)});
    }
  }
  return all;
}

// The best break against every break tried plainly: both axes, each
// position, the halves solved whole; the tree is the clean union of the
// halves of one whose sum is the least. On grids small enough for many
// equal breaks, and moved by a half (no bounded scans).
TEST(FlatSteinerTest, BreakIsTheShortestOfEveryBreak) {
  for (unsigned seed = 1; seed <= 240; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    int pins = 10 + static_cast<int>(seed % 8);
    std::vector<RoutePoint> p =
        randomPins(rng, pins, seed % 3 ? 1000 : 20, 1, seed % 4 ? 0 : 0.5f);
    std::vector<PlainBreak> all = everyBreak(p);
    if (all.empty()) {
      continue;
    }
    double best = INFINITY;
    for (const PlainBreak& b : all) {
      best = std::min(best, b.sum);
    }
    double got = wireLength(breakFlatTree(p));
    EXPECT_TRUE(std::any_of(all.begin(), all.end(),
                            [&](const PlainBreak& b) {
                              return b.sum == best && wireLength(b.tree) == got;
                            }))
        << got << " from no least break (" << best << ")";
  }
}

// Which of the equal least breaks wins: the first in the order of their
// halves' boxes (then x before y, then by position), each break's sum from
// halves solved whole and plainly, the tree that break's clean union. On
// coarse grids, where many breaks tie and solved halves bound the larger
// ones most.
TEST(FlatSteinerTest, BreakIsTheFirstShortestByTheBoxes) {
  int nets = 0, tied = 0;
  for (unsigned seed = 1; seed <= 400; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(9000u + seed);
    int pins = 10 + static_cast<int>(seed % 8);
    int grid = seed % 4 == 0 ? 1000 : seed % 2 ? 8 : 14;
    std::vector<RoutePoint> p = randomPins(rng, pins, grid, 1, 0);
    std::vector<PlainBreak> all = everyBreak(p);
    if (all.empty()) {
      continue;
    }
    std::stable_sort(
        all.begin(), all.end(),
        [](const PlainBreak& a, const PlainBreak& b) { return a.box < b.box; });
    const PlainBreak* first = &all[0];
    for (const PlainBreak& t : all) {
      first = t.sum < first->sum ? &t : first;
    }
    bool others = false;
    for (const PlainBreak& t : all) {
      others = others || (t.sum == first->sum && t.tree != first->tree);
    }
    ++nets;
    tied += others;
    EXPECT_EQ(breakFlatTree(p), first->tree);
  }
  EXPECT_GT(nets, 300);
  EXPECT_GT(tied, 60);  // equal breaks of other trees, told apart
}

// Up to kFlatBreakAlonePins places, effort 1 is the break alone, though
// the default tree is shorter on a few nets; effort 2 takes the default
// tree in again, so it is never longer than either. Beyond, effort 1 is
// the better of the two.
TEST(FlatSteinerTest, FewestBreakPlacesTakeTheBreakAloneAtEffortOne) {
  treecore::Obstacles none;
  treecore::RouteOptions plain, one, two;
  one.form = two.form = treecore::Form::optimizedSteinerTree;
  two.effort = 2;
  std::vector<treecore::Net> nets;
  std::vector<double> broken;
  for (unsigned seed = 1; seed <= 600; ++seed) {
    std::mt19937 rng(seed);
    int pins = kFlatBreakAlonePins + static_cast<int>(seed % 2);
    std::vector<RoutePoint> places = randomPins(rng, pins, 1000, 1, 0);
    if (flatPlaces(places) != pins) {
      continue;
    }
    nets.push_back(netOf(places));
    broken.push_back(wireLength(breakFlatTree(places)));
  }
  std::vector<treecore::Tree> d = treecore::routeNets(none, nets, plain, 1);
  std::vector<treecore::Tree> e1 = treecore::routeNets(none, nets, one, 1);
  std::vector<treecore::Tree> e2 = treecore::routeNets(none, nets, two, 1);
  int defaultShorter = 0;
  for (size_t i = 0; i < nets.size(); ++i) {
    SCOPED_TRACE(i);
    bool alone = nets[i].size() <= static_cast<size_t>(kFlatBreakAlonePins);
    double least = std::min(broken[i], d[i].wireLength);
    EXPECT_EQ(e1[i].wireLength, alone ? broken[i] : least);
    EXPECT_LE(e2[i].wireLength, least);
    defaultShorter += alone && d[i].wireLength < broken[i];
  }
  EXPECT_GT(nets.size(), 550u);
  EXPECT_GT(defaultShorter, 0);
}

// A caller's sink gets the drawing of a net that no obstacle comes near
// as of any other: every segment the tree without a sink holds, in order
// (the single-net programs write only what reaches it).
TEST(FlatSteinerTest, SinkGetsTheSegmentsOfAnObstacleFreeNet) {
  treecore::Obstacles none;
  treecore::RouteOptions optimize;
  optimize.form = treecore::Form::optimizedSteinerTree;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    int pins = 2 + static_cast<int>(seed % 16);
    treecore::Net net = netOf(randomPins(rng, pins, seed % 2 ? 6 : 1000, 1, 0));
    treecore::Tree whole = treecore::routeNet(none, net, optimize);
    std::vector<treecore::Segment> got;
    treecore::Net given = net;
    treecore::Tree rest =
        treecore::routeNet(none, std::move(given), optimize,
                           [&got](const std::vector<treecore::Segment>& run) {
                             got.insert(got.end(), run.begin(), run.end());
                           });
    EXPECT_TRUE(rest.segments.empty());
    EXPECT_EQ(rest.wireLength, whole.wireLength);
    ASSERT_FALSE(whole.segments.empty());
    ASSERT_EQ(got.size(), whole.segments.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].a, whole.segments[i].a);
      EXPECT_EQ(got[i].b, whole.segments[i].b);
    }
  }
}

// Obstacle-free nets of every size optimized side by side: the same trees
// on one thread and on three.
TEST(FlatSteinerTest, SameTreesOnOneAndThreeThreads) {
  std::vector<treecore::Net> nets;
  for (int k = 0; k < 60; ++k) {
    std::mt19937 rng(900u + k);
    nets.push_back(netOf(randomPins(rng, 2 + k % 25, 500, 1, 0)));
  }
  treecore::Obstacles none;
  treecore::RouteOptions optimize;
  optimize.form = treecore::Form::optimizedSteinerTree;
  std::vector<treecore::Tree> one =
      treecore::routeNets(none, nets, optimize, 1);
  std::vector<treecore::Tree> three =
      treecore::routeNets(none, nets, optimize, 3);
  ASSERT_EQ(one.size(), three.size());
  for (size_t i = 0; i < one.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(one[i].segments.size(), three[i].segments.size());
    for (size_t s = 0; s < one[i].segments.size(); ++s) {
      EXPECT_EQ(one[i].segments[s].a, three[i].segments[s].a);
      EXPECT_EQ(one[i].segments[s].b, three[i].segments[s].b);
    }
  }
}

// One scratch kept over nets of every size the solvers take gives the
// trees fresh ones give.
TEST(FlatSteinerTest, KeptScratchGivesWhatAFreshOneGives) {
  FlatScratch kept;
  for (unsigned seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    int pins = 2 + static_cast<int>(seed % kFlatBreakPins);
    std::vector<RoutePoint> net =
        randomPins(rng, pins, seed % 3 ? 40 : 4, 1, 0);
    EXPECT_EQ(solveFlatTree(net, kept), solveFlatTree(net));
    EXPECT_EQ(breakFlatTree(net, kept), breakFlatTree(net));
  }
}

// Whole coordinates take bounded table scans, the same net moved by a
// half or past 2^23 takes full ones: the trees must be the same, moved.
TEST(FlatSteinerTest, BoundedScansGiveTheTreesOfFullOnes) {
  const float shifts[] = {0.5f, -7.5f, 8388608.0f};
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    int pins = 5 + static_cast<int>(seed % 5);
    std::vector<RoutePoint> net =
        randomPins(rng, pins, seed % 4 ? 1000 : 12, 1, 0);
    std::vector<Wire> whole = solveFlatTree(net);
    for (float shift : shifts) {
      std::vector<RoutePoint> moved = net;
      for (RoutePoint& p : moved) {
        p = {p.x + shift, p.y + shift};
      }
      std::vector<Wire> back = solveFlatTree(moved);
      for (Wire& w : back) {
        w = {w.x1 - shift, w.y1 - shift, w.x2 - shift, w.y2 - shift};
      }
      EXPECT_EQ(back, whole) << shift;
    }
  }
}

// The bytes of the obstacle-free trees, as digests fixed from the code
// before the fixed-array Tree builder and the bounded breaks: routeNets'
// --optimize trees (every node, edge, path, segment, length, bound) of nets
// of up to nine places, with repeats, shared lines, -0, fractions and
// wide values, and breakFlatTree's wires from ten to seventeen positions.
std::uint64_t digestOf(const void* p, size_t n, std::uint64_t h) {
  const unsigned char* c = static_cast<const unsigned char*>(p);
  for (size_t i = 0; i < n; ++i) {
    h = (h ^ c[i]) * 1099511628211ull;
  }
  return h;
}

TEST(FlatSteinerTest, TreesKeepTheirBytes) {
  std::uint64_t h = 1469598103934665603ull;
  auto add = [&h](const auto& v) { h = digestOf(&v, sizeof v, h); };
  treecore::Obstacles none;
  for (int variant = 0; variant < 2; ++variant) {
    treecore::RouteOptions o;
    o.form = treecore::Form::optimizedSteinerTree;
    o.drawingOnly = o.bound = variant == 1;
    std::vector<treecore::Net> nets;
    for (unsigned k = 0; k < 3000; ++k) {
      std::mt19937 rng(4242u + k);
      int pins = 1 + static_cast<int>(k % kFlatExactPins);
      int kind = static_cast<int>(k % 7);
      float scale = kind == 4 ? 0.37f : kind == 5 ? 1e4f : 1;
      float shift = kind == 6 ? -500 : kind == 5 ? 3e6f : 0;
      std::vector<RoutePoint> p = randomPins(rng, pins,
                                             kind == 0   ? 3
                                             : kind == 1 ? 8
                                                         : 1000,
                                             scale, shift);
      if (k % 5 == 0) {
        p.push_back(p[k % p.size()]);  // a repeat
      }
      treecore::Net net = netOf(p);
      for (treecore::Point& q : net) {
        q.x = q.x == 0 && k % 11 == 0 ? -0.0 : q.x;
      }
      nets.push_back(net);
    }
    for (const treecore::Tree& t : treecore::routeNets(none, nets, o, 1)) {
      add(t.status), add(t.parts), add(t.wireLength), add(t.lowerBound);
      for (const treecore::Node& n : t.nodes) {
        add(n.at.x), add(n.at.y), add(n.kind), add(n.parent), add(n.edge);
      }
      for (const treecore::Edge& e : t.edges) {
        add(e.from), add(e.to);
        for (const treecore::Point& q : e.path) {
          add(q.x), add(q.y);
        }
      }
      for (const treecore::Segment& g : t.segments) {
        add(g.a.x), add(g.a.y), add(g.b.x), add(g.b.y);
      }
    }
  }
  EXPECT_EQ(h, 0x8fb718d21c65c72cull) << std::hex << h;
  std::uint64_t b = 1469598103934665603ull;
  for (unsigned k = 0; k < 1000; ++k) {
    std::mt19937 rng(777u + k);
    int pins = 10 + static_cast<int>(k % 8);
    int kind = static_cast<int>(k % 4);
    std::vector<RoutePoint> p =
        randomPins(rng, pins, kind == 0 ? 12 : 1000, kind == 3 ? 0.37f : 1,
                   kind == 2 ? -300.5f : 0);
    for (const Wire& w : breakFlatTree(p)) {
      b = digestOf(&w, sizeof w, b);
    }
  }
  EXPECT_EQ(b, 0x3f21954fec07c249ull) << std::hex << b;
}

}  // namespace
