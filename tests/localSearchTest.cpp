#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

#include "geometry/obstacleRects.h"
#include "geometry/segment.h"
#include "options/exactSteiner.h"
#include "options/improveTree.h"
#include "options/localSearch.h"
#include "router/router.h"
#include "tests/legalTree.h"
#include "tests/scene.h"

namespace {

const double kAll = std::numeric_limits<double>::infinity();

// A hand-made detour: the pin at (0, 10) hangs off (10, 0) by way of
// (10, 10); exchanging that key path for the straight one from (0, 0)
// gives the optimum, 20.
TEST(LocalSearchTest, ExchangesALongKeyPath) {
  std::vector<RoutePoint> pins{{0, 0}, {10, 0}, {0, 10}};
  std::vector<Wire> tree{{0, 0, 10, 0}, {10, 0, 10, 10}, {0, 10, 10, 10}};
  ObstacleIndex none;
  WorkBudget budget{kAll};
  std::vector<Wire> out = localSearchTree(tree, pins, none, budget);
  EXPECT_EQ(wireLength(out), 20);
  expectLegalTree(pins, {}, out);
}

// A branch point that is no pin, badly placed: the star from (5, 5) to
// the three pins gives way to joins between them.
TEST(LocalSearchTest, EliminatesABadBranchPoint) {
  std::vector<RoutePoint> pins{{0, 0}, {10, 0}, {0, 10}};
  std::vector<Wire> tree{
      {0, 5, 5, 5}, {0, 0, 0, 5}, {5, 0, 5, 5}, {5, 0, 10, 0}, {0, 5, 0, 10}};
  // Above, (0, 5) and (5, 0) are branch points; the tree is 25 long.
  ObstacleIndex none;
  WorkBudget budget{kAll};
  std::vector<Wire> out = localSearchTree(tree, pins, none, budget);
  EXPECT_EQ(wireLength(out), 20);
  expectLegalTree(pins, {}, out);
}

// Random small nets among obstacles that touch and overlap: the result is
// legal, never longer than the pipeline's tree it starts from, never
// shorter than the exact solver's optimum, and the same when run again.
// Over the grid and over its escape graph alike.
class LocalSearchGraphTest : public testing::TestWithParam<SearchGraph> {};

TEST_P(LocalSearchGraphTest, RandomNetsLegalNoLongerNeverBelowTheOptimum) {
  const SearchGraph graph = GetParam();
  int gained = 0, solved = 0;
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE(seed);
    Scene s;
    s.addRandomRects(static_cast<int>(seed % 9), seed, 40, 10);
    s.addRandomPins(4 + static_cast<int>(seed % 5), seed + 1000, 40);
    Router& r = s.router();
    r.formSMT();
    std::vector<Wire> start;
    for (const Segment* g : r.segments) {
      start.push_back({g->x1, g->y1, g->x2, g->y2});
    }
    std::vector<RoutePoint> pins;
    for (const Vertex* p : s.pins) {
      pins.push_back({p->x, p->y});
    }
    std::vector<ObstacleIndex::Rect> rects = collectObstacleRects(s.corners);
    ObstacleIndex index(rects);
    WorkBudget budget{kAll}, again{kAll};
    std::vector<Wire> out = localSearchTree(start, pins, index, budget, graph);
    std::vector<Wire> twice = localSearchTree(start, pins, index, again, graph);
    ASSERT_EQ(out.size(), twice.size());
    for (size_t i = 0; i < out.size(); ++i) {
      EXPECT_TRUE(out[i].x1 == twice[i].x1 && out[i].y1 == twice[i].y1 &&
                  out[i].x2 == twice[i].x2 && out[i].y2 == twice[i].y2);
    }
    EXPECT_EQ(budget.left, again.left);
    EXPECT_EQ(countPinParts(out, pins), countPinParts(start, pins));
    if (r.pinPartCount == 1) {
      expectLegalTree(pins, rects, out);
    }
    double len = wireLength(out), before = wireLength(start);
    EXPECT_LE(len, before);
    // Iterated, from the same descent: never longer, as legal, the same
    // when run again.
    WirePlanScratch plan;
    WorkBudget more{kAll}, more2{kAll};
    std::vector<Wire> kicked =
        localSearchTree(start, pins, index, more, plan, graph, true);
    EXPECT_LE(wireLength(kicked), len);
    EXPECT_EQ(countPinParts(kicked, pins), countPinParts(start, pins));
    if (r.pinPartCount == 1) {
      expectLegalTree(pins, rects, kicked);
    }
    EXPECT_EQ(wireLength(localSearchTree(start, pins, index, more2, plan, graph,
                                         true)),
              wireLength(kicked));
    // With branch points inserted: as legal, as many parts, no longer than
    // the start.
    WorkBudget ins{kAll};
    std::vector<Wire> inserted =
        localSearchTree(start, pins, index, ins, plan, graph, false, true);
    EXPECT_LE(wireLength(inserted), before);
    EXPECT_EQ(countPinParts(inserted, pins), countPinParts(start, pins));
    if (r.pinPartCount == 1) {
      expectLegalTree(pins, rects, inserted);
    }
    // A budget that runs out part way leaves a tree between the two.
    WorkBudget some{2000.0 * seed};
    std::vector<Wire> part = localSearchTree(start, pins, index, some, graph);
    EXPECT_EQ(countPinParts(part, pins), countPinParts(start, pins));
    if (r.pinPartCount == 1) {
      expectLegalTree(pins, rects, part);
    }
    EXPECT_LE(wireLength(part), before);
    gained += len < before;
    float xlo = 0, ylo = 0, xhi = 40, yhi = 40;
    for (const ObstacleIndex::Rect& o : rects) {
      xlo = std::min(xlo, o.xlo), ylo = std::min(ylo, o.ylo);
      xhi = std::max(xhi, o.xhi), yhi = std::max(yhi, o.yhi);
    }
    WorkBudget all{kAll};
    ExactTree best = solveExactTree(pins, index, {xlo, ylo, xhi, yhi}, all);
    if (best.status == ExactStatus::solved) {
      ++solved;
      EXPECT_GE(len, best.length);
      EXPECT_GE(wireLength(kicked), best.length);
      EXPECT_GE(wireLength(inserted), best.length);
    }
  }
  EXPECT_GT(solved, 40);
  EXPECT_GT(gained, 5) << "the search should often shorten the pipeline's tree";
}

// Two pins among random obstacles, the way between them the pipeline's
// tree of them and a third pin: the one key path gives way to a shortest way,
// which the escape graph holds as the grid does (the exact solver's length).
// A U through three pins: no key path's exchange gains (each pin's
// nearest way to the rest is as long as its path) and no branch point is
// there to eliminate; a branch point put in at (5, 0), with the ways to
// the three pins, gives the optimum, 15.
TEST_P(LocalSearchGraphTest, InsertsABranchPoint) {
  std::vector<RoutePoint> pins{{0, 0}, {10, 0}, {5, 5}};
  std::vector<Wire> tree{{0, 0, 0, 5}, {0, 5, 10, 5}, {10, 5, 10, 0}};
  ObstacleIndex none;
  WorkBudget budget{kAll};
  WirePlanScratch plan;
  std::vector<Wire> out =
      localSearchTree(tree, pins, none, budget, plan, GetParam(), false, true);
  EXPECT_EQ(wireLength(out), 15);
  expectLegalTree(pins, {}, out);
}

TEST_P(LocalSearchGraphTest, TwoPinsGetAShortestWay) {
  const SearchGraph graph = GetParam();
  int checked = 0, shortened = 0;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    Scene s;
    s.addRandomRects(3 + static_cast<int>(seed % 6), seed, 40, 10);
    // The pipeline joins a third pin too; without it, its branch is
    // pruned and the way between the two bends to where it was.
    s.addRandomPins(3, seed + 500, 40);
    std::vector<RoutePoint> pins;
    for (const Vertex* p : s.pins) {
      pins.push_back({p->x, p->y});
    }
    pins.pop_back();
    std::vector<ObstacleIndex::Rect> rects = collectObstacleRects(s.corners);
    ObstacleIndex index(rects);
    Router& r = s.router();
    r.formSMT();
    if (r.pinPartCount != 1 || pins[0].x == pins[1].x ||
        pins[0].y == pins[1].y) {
      continue;
    }
    std::vector<Wire> start;
    for (const Segment* g : r.segments) {
      start.push_back({g->x1, g->y1, g->x2, g->y2});
    }
    float xlo = 0, ylo = 0, xhi = 40, yhi = 40;
    for (const ObstacleIndex::Rect& o : rects) {
      xlo = std::min(xlo, o.xlo), ylo = std::min(ylo, o.ylo);
      xhi = std::max(xhi, o.xhi), yhi = std::max(yhi, o.yhi);
    }
    WorkBudget budget{kAll}, all{kAll};
    std::vector<Wire> out = localSearchTree(start, pins, index, budget, graph);
    expectLegalTree(pins, rects, out);
    ExactTree best = solveExactTree(pins, index, {xlo, ylo, xhi, yhi}, all);
    ASSERT_EQ(best.status, ExactStatus::solved);
    EXPECT_GE(wireLength(out), best.length);
    EXPECT_LE(wireLength(out), wireLength(start));
    checked += wireLength(out) == best.length;
    shortened += wireLength(out) < wireLength(cleanWires(start, pins));
  }
  EXPECT_GT(checked, 20);
  EXPECT_GT(shortened, 5);
}

// The straight join is blocked: the exchange runs round the obstacle, to
// the optimum the exact solver finds (23: up x = 3 to the pins' path).
TEST_P(LocalSearchGraphTest, ExchangeRunsRoundAnObstacle) {
  std::vector<RoutePoint> pins{{0, 0}, {10, 0}, {0, 10}};
  std::vector<ObstacleIndex::Rect> rects{{-2, 4, 3, 6}};
  ObstacleIndex index(rects);
  std::vector<Wire> tree{{0, 0, 10, 0}, {10, 0, 10, 10}, {0, 10, 10, 10}};
  WorkBudget budget{kAll}, all{kAll};
  std::vector<Wire> out =
      localSearchTree(tree, pins, index, budget, GetParam());
  expectLegalTree(pins, rects, out);
  ExactTree best = solveExactTree(pins, index, {-2, 0, 10, 10}, all);
  ASSERT_EQ(best.status, ExactStatus::solved);
  EXPECT_EQ(best.length, 23);
  EXPECT_EQ(wireLength(out), best.length);
}

// Pins walled apart: each part is searched, none is joined or split.
TEST(LocalSearchTest, WalledInPinsStayAForest) {
  // A ring of four obstacles round (5, 5); two pins inside, two outside.
  std::vector<ObstacleIndex::Rect> rects{
      {2, 2, 8, 3}, {2, 7, 8, 8}, {2, 3, 3, 7}, {7, 3, 8, 7}};
  ObstacleIndex index(rects);
  std::vector<RoutePoint> pins{{4, 4}, {6, 6}, {0, 0}, {10, 10}};
  std::vector<Wire> tree{
      {4, 4, 6, 4}, {6, 4, 6, 6}, {0, 0, 0, 10}, {0, 10, 10, 10}};
  ASSERT_EQ(countPinParts(tree, pins), 2);
  WorkBudget budget{kAll};
  std::vector<Wire> out = localSearchTree(tree, pins, index, budget);
  EXPECT_EQ(countPinParts(out, pins), 2);
  EXPECT_LE(wireLength(out), wireLength(tree));
  EXPECT_EQ(wireLength(out), 24);  // each part is already shortest
}

TEST(LocalSearchTest, FitsSaysWhetherAPassIsPaidFor) {
  std::vector<RoutePoint> pins{{0, 0}, {10, 0}, {0, 10}};
  std::vector<Wire> tree{{0, 0, 10, 0}, {0, 0, 0, 10}};
  ObstacleIndex none;
  EXPECT_TRUE(localSearchFits(tree, pins, none, kAll));
  EXPECT_FALSE(localSearchFits(tree, pins, none, 0));
  EXPECT_FALSE(localSearchFits({}, pins, none, kAll));
}

// No budget: the input, cleaned.
TEST(LocalSearchTest, NoBudgetChangesNothing) {
  std::vector<RoutePoint> pins{{0, 0}, {10, 0}, {0, 10}};
  std::vector<Wire> tree{{0, 0, 10, 0}, {10, 0, 10, 10}, {0, 10, 10, 10}};
  ObstacleIndex none;
  WorkBudget budget{0};
  EXPECT_EQ(wireLength(localSearchTree(tree, pins, none, budget)), 30);
}

// A piece's perturbed cost is per unit of length on its line inside the
// box: cut anywhere, the parts cost what the whole does; it is never below
// the length nor above 1 + amount times it, and outside the box it is the
// length.
TEST(LocalSearchTest, NoiseCostsAPieceTheSameHoweverCut) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> at(0, 100);
  for (int trial = 0; trial < 400; ++trial) {
    Noise noise{0.4, static_cast<unsigned>(trial)};
    noise.xlo = at(rng) - 10, noise.xhi = noise.xlo + 50;
    noise.ylo = at(rng) - 10, noise.yhi = noise.ylo + 50;
    double a = at(rng), b = at(rng), c = at(rng), line = at(rng);
    double lo = std::min(a, b), hi = std::max(a, b);
    double cut = std::min(hi, std::max(lo, c));
    bool horizontal = trial % 2 == 0;
    auto cost = [&](double u, double v) {
      return horizontal ? noise.cost(u, line, v, line)
                        : noise.cost(line, u, line, v);
    };
    double whole = cost(a, b);
    EXPECT_NEAR(cost(lo, cut) + cost(cut, hi), whole, 1e-9 * (1 + whole));
    EXPECT_GE(whole, hi - lo);
    EXPECT_LE(whole, (hi - lo) * 1.4 + 1e-9);
    bool inside = horizontal ? noise.ylo <= line && line <= noise.yhi
                             : noise.xlo <= line && line <= noise.xhi;
    if (!inside) {
      EXPECT_EQ(whole, hi - lo);
    }
  }
  Noise none;
  EXPECT_EQ(none.cost(0, 0, 10, 0), 10);
}

// Two pins at opposite corners: both L-shaped ways are shortest, and the
// perturbed search must end on the one its weights make cheaper, whichever
// it starts on.
TEST_P(LocalSearchGraphTest, NoiseChoosesTheCheaperOfTwoShortestWays) {
  std::vector<RoutePoint> pins{{0, 0}, {10, 10}};
  std::vector<Wire> low{{0, 0, 10, 0}, {10, 0, 10, 10}};
  std::vector<Wire> high{{0, 0, 0, 10}, {0, 10, 10, 10}};
  ObstacleIndex none;
  int flipped = 0;
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE(seed);
    Noise noise{0.5, seed};
    auto cost = [&](const std::vector<Wire>& t) {
      return noise.length(t[0]) + noise.length(t[1]);
    };
    double best = std::min(cost(low), cost(high));
    for (const auto* start : {&low, &high}) {
      WirePlanScratch plan;
      WorkBudget budget{kAll};
      std::vector<Wire> out =
          localSearchTree(*start, pins, none, budget, plan, GetParam(), false,
                          false, {}, noise);
      EXPECT_EQ(wireLength(out), 20);
      double got = 0;
      for (const Wire& w : out) {
        got += noise.length(w);
      }
      EXPECT_NEAR(got, best, 1e-9);
      flipped += got < cost(*start) - 1e-9;
    }
  }
  EXPECT_GT(flipped, 5);
}

// Random small nets among obstacles, searched under perturbed weights:
// legal, as many parts, never below the optimum, never costlier by those
// weights than the start, the same when run again, and often another tree
// than the search under the true weights finds.
TEST_P(LocalSearchGraphTest, NoisyNetsLegalAndNoCostlier) {
  int other = 0;
  for (unsigned seed = 1; seed <= 30; ++seed) {
    SCOPED_TRACE(seed);
    Scene s;
    s.addRandomRects(static_cast<int>(seed % 9), seed, 40, 10);
    s.addRandomPins(6 + static_cast<int>(seed % 5), seed + 1000, 40);
    Router& r = s.router();
    r.formSMT();
    std::vector<Wire> start;
    for (const Segment* g : r.segments) {
      start.push_back({g->x1, g->y1, g->x2, g->y2});
    }
    std::vector<RoutePoint> pins;
    for (const Vertex* p : s.pins) {
      pins.push_back({p->x, p->y});
    }
    std::vector<ObstacleIndex::Rect> rects = collectObstacleRects(s.corners);
    ObstacleIndex index(rects);
    Noise noise{0.3, seed};
    noise.xlo = 0, noise.ylo = 0, noise.xhi = 30, noise.yhi = 30;
    WirePlanScratch plan;
    WorkBudget budget{kAll}, again{kAll}, plain{kAll};
    std::vector<Wire> out = localSearchTree(start, pins, index, budget, plan,
                                            GetParam(), false, true, {}, noise);
    std::vector<Wire> twice = localSearchTree(
        start, pins, index, again, plan, GetParam(), false, true, {}, noise);
    std::vector<Wire> truth = localSearchTree(start, pins, index, plain, plan,
                                              GetParam(), false, true);
    EXPECT_EQ(wireLength(out), wireLength(twice));
    EXPECT_EQ(countPinParts(out, pins), countPinParts(start, pins));
    if (r.pinPartCount == 1) {
      expectLegalTree(pins, rects, out);
    }
    auto cost = [&](const std::vector<Wire>& t) {
      double sum = 0;
      for (const Wire& w : t) {
        sum += noise.length(w);
      }
      return sum;
    };
    EXPECT_LE(cost(out), cost(start) + 1e-9 * cost(start));
    other += wireLength(out) != wireLength(truth);
    WorkBudget all{kAll};
    ExactTree best = solveExactTree(pins, index, {-20, -20, 60, 60}, all);
    if (best.status == ExactStatus::solved) {
      EXPECT_GE(wireLength(out), best.length - 1e-9);
    }
  }
  EXPECT_GT(other, 2) << "the noise should lead elsewhere";
}

INSTANTIATE_TEST_SUITE_P(Graphs,
                         LocalSearchGraphTest,
                         testing::Values(SearchGraph::grid,
                                         SearchGraph::escape));

}  // namespace
