#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "geometry/obstacleRects.h"
#include "geometry/segment.h"
#include "options/exactSteiner.h"
#include "options/improveTree.h"
#include "options/localSearch.h"
#include "options/recombine.h"
#include "router/router.h"
#include "tests/legalTree.h"
#include "tests/scene.h"

namespace {

const double kAll = std::numeric_limits<double>::infinity();

bool sameWires(const std::vector<Wire>& a, const std::vector<Wire>& b) {
  return std::equal(
      a.begin(), a.end(), b.begin(), b.end(), [](const Wire& u, const Wire& v) {
        return u.x1 == v.x1 && u.y1 == v.y1 && u.x2 == v.x2 && u.y2 == v.y2;
      });
}

// Three pins on a line, two trees of 30 each detouring between another
// pair: the union's two cycles meet at the middle pin, and taking each
// cycle's straight side from the tree that has it gives the optimum, 20.
TEST(RecombineTest, TakesEachBlockFromTheTreeShortestThere) {
  std::vector<RoutePoint> pins{{0, 0}, {10, 0}, {20, 0}};
  std::vector<Wire> upper{
      {0, 0, 10, 0}, {10, 0, 10, 5}, {10, 5, 20, 5}, {20, 0, 20, 5}};
  std::vector<Wire> lower{
      {0, -5, 0, 0}, {0, -5, 10, -5}, {10, -5, 10, 0}, {10, 0, 20, 0}};
  WirePlanScratch plan;
  WorkBudget budget{kAll};
  std::vector<Wire> out = recombineTrees({upper, lower}, pins, budget, plan);
  EXPECT_EQ(wireLength(out), 20);
  expectLegalTree(pins, {}, out);
  // No work, no tree.
  WorkBudget none{0};
  EXPECT_TRUE(recombineTrees({upper, lower}, pins, none, plan).empty());
}

// Random small nets among obstacles, with trees from several starts and
// searches: the recombined tree is legal, never longer than the shortest
// of them, never shorter than the exact solver's optimum, and the same
// when run again.
TEST(RecombineTest, RandomNetsLegalNoLongerThanTheTrees) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE(seed);
    int grid = seed % 2 ? 40 : 100;
    std::vector<std::vector<Wire>> trees;
    std::vector<RoutePoint> pins;
    std::vector<ObstacleIndex::Rect> rects;
    bool forest = false;
    WirePlanScratch plan;
    // From both spanning graphs' trees, searched, and searched with
    // kicks: local optima that differ here and there.
    for (bool exactGraph : {false, true}) {
      Scene s;
      s.addRandomRects(static_cast<int>(seed % 9) * grid / 40, seed, grid,
                       grid / 4);
      s.addRandomPins(6 + static_cast<int>(seed % 13) * grid / 40, seed + 1000,
                      grid);
      Router& r = s.router();
      r.options.exactGraph = exactGraph;
      r.formSMT();
      forest = forest || r.pinPartCount != 1;
      std::vector<Wire> start;
      for (const Segment* g : r.segments) {
        start.push_back({g->x1, g->y1, g->x2, g->y2});
      }
      pins.clear();
      for (const Vertex* p : s.pins) {
        pins.push_back({p->x, p->y});
      }
      rects = collectObstacleRects(s.corners);
      ObstacleIndex index(rects);
      for (int k = 0; k < 2; ++k) {
        Kicks kicks;
        kicks.count = 4 * k;
        WorkBudget all{kAll};
        trees.push_back(localSearchTree(start, pins, index, all, plan,
                                        SearchGraph::grid, k > 0, false,
                                        kicks));
      }
    }
    if (forest) {
      continue;
    }
    ObstacleIndex index(rects);
    double shortest = kAll;
    for (const auto& t : trees) {
      shortest = std::min(shortest, wireLength(t));
    }
    WorkBudget budget{kAll}, again{kAll};
    std::vector<Wire> out = recombineTrees(trees, pins, budget, plan);
    ASSERT_FALSE(out.empty());
    expectLegalTree(pins, rects, out);
    EXPECT_LE(wireLength(out), shortest);
    EXPECT_TRUE(sameWires(out, recombineTrees(trees, pins, again, plan)));
    EXPECT_EQ(budget.left, again.left);
    if (pins.size() > 9) {
      continue;
    }
    WorkBudget all{kAll};
    ExactTree best = solveExactTree(pins, index, {-20, -20, 60, 60}, all);
    if (best.status == ExactStatus::solved) {
      EXPECT_GE(wireLength(out), best.length);
    }
  }
}

}  // namespace
