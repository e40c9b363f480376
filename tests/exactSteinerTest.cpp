#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "options/exactSteiner.h"
#include "spatial/obstacleIndex.h"
#include "tests/bruteSteiner.h"
#include "tests/gridSteiner.h"
#include "tests/legalTree.h"

namespace {

using Rect = ObstacleIndex::Rect;

const double kInf = std::numeric_limits<double>::infinity();

struct Net {
  std::vector<RoutePoint> pins;
  std::vector<Rect> rects;
};

// Rectangles with integer corners in [0, grid] that may touch and overlap;
// pins outside their open interiors, a third of them moved onto a side or
// a corner of one.
Net randomNet(unsigned seed, int pins, int rects, int grid) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> coord(0, grid), side(1, grid / 3 + 1);
  Net n;
  for (int r = 0; r < rects; ++r) {
    float x = coord(rng), y = coord(rng);
    n.rects.push_back({x, y, x + side(rng), y + side(rng)});
  }
  auto inside = [&](float x, float y) {
    for (const Rect& r : n.rects) {
      if (r.xlo < x && x < r.xhi && r.ylo < y && y < r.yhi) {
        return true;
      }
    }
    return false;
  };
  while (static_cast<int>(n.pins.size()) < pins) {
    float x = coord(rng), y = coord(rng);
    if (!n.rects.empty() && rng() % 3 == 0) {
      const Rect& r = n.rects[rng() % n.rects.size()];
      x = rng() % 2 ? r.xlo : r.xhi;
      y = r.ylo +
          static_cast<float>(rng() % static_cast<int>(r.yhi - r.ylo + 1));
    }
    if (!inside(x, y)) {
      n.pins.push_back({x, y});
    }
  }
  return n;
}

// Everything that holds the pins and rectangles.
Rect boxOf(const Net& n) {
  Rect b{n.pins[0].x, n.pins[0].y, n.pins[0].x, n.pins[0].y};
  for (const RoutePoint& p : n.pins) {
    b = {std::min(b.xlo, p.x), std::min(b.ylo, p.y), std::max(b.xhi, p.x),
         std::max(b.yhi, p.y)};
  }
  for (const Rect& r : n.rects) {
    b = {std::min(b.xlo, r.xlo), std::min(b.ylo, r.ylo), std::max(b.xhi, r.xhi),
         std::max(b.yhi, r.yhi)};
  }
  return b;
}

ExactTree solve(const Net& n, const Rect& box, double budget = kInf) {
  ObstacleIndex index(n.rects);
  WorkBudget b{budget};
  return solveExactTree(n.pins, index, box, b);
}

// The tree joins every pin, avoids every open interior, stays in the box,
// and its pieces add up to its length.
void expectLegal(const Net& n, const Rect& box, const ExactTree& t) {
  double sum = 0;
  for (const Wire& w : t.wires) {
    sum += std::fabs(w.x2 - w.x1) + std::fabs(w.y2 - w.y1);
    EXPECT_TRUE(
        box.xlo <= std::min(w.x1, w.x2) && std::max(w.x1, w.x2) <= box.xhi &&
        box.ylo <= std::min(w.y1, w.y2) && std::max(w.y1, w.y2) <= box.yhi);
  }
  expectLegalTree(n.pins, n.rects, t.wires);
  EXPECT_DOUBLE_EQ(sum, t.length);
}

void expectOptimal(const Net& n, const Rect& box, double best) {
  ExactTree t = solve(n, box);
  if (std::isinf(best)) {
    EXPECT_EQ(t.status, ExactStatus::apart);
    return;
  }
  ASSERT_EQ(t.status, ExactStatus::solved);
  EXPECT_EQ(t.length, best);
  expectLegal(n, box, t);
}

// The plain dynamic programme over the whole grid of the box, without
// bounds: infinite when some pin cannot reach another.
double unboundedOptimum(const Net& n, const Rect& box) {
  std::vector<GridSteiner::Point> pts;
  for (const RoutePoint& p : n.pins) {
    pts.push_back({p.x, p.y});
  }
  ObstacleIndex index(n.rects);
  GridSteiner g(pts, index, box.xlo, box.ylo, box.xhi, box.yhi);
  std::vector<GridSteiner::Piece> tree;
  double best = kInf;
  return g.solve(tree, best) ? best : kInf;
}

TEST(ExactSteinerTest, MatchesBruteForceUpToFivePins) {
  for (unsigned seed = 1; seed <= 120; ++seed) {
    SCOPED_TRACE(seed);
    int pins = 2 + seed % 4, rects = seed % 5;
    Net n = randomNet(seed, pins, rects, pins == 5 ? 8 : 12);
    expectOptimal(n, boxOf(n), bruteForce(n.pins, n.rects));
  }
}

TEST(ExactSteinerTest, MatchesBruteForceOnSixPins) {
  for (unsigned seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE(seed);
    Net n = randomNet(seed, 6, 1 + seed % 2, 6);
    expectOptimal(n, boxOf(n), bruteForce(n.pins, n.rects));
  }
}

// Up to the largest nets that always get an optimal tree.
TEST(ExactSteinerTest, MatchesTheUnboundedProgrammeUpToNinePins) {
  for (unsigned seed = 1; seed <= 16; ++seed) {
    SCOPED_TRACE(seed);
    Net n = randomNet(seed, 6 + seed % 4, seed % 2 ? 0 : 1 + seed % 5, 30);
    Rect box = boxOf(n);
    expectOptimal(n, box, unboundedOptimum(n, box));
  }
}

// A hundred obstacles, touching and overlapping, most of them far from the
// tree: the same length as the programme over all of them.
TEST(ExactSteinerTest, ManyObstaclesAsIfAllWereOnTheGrid) {
  for (unsigned seed = 1; seed <= 2; ++seed) {
    SCOPED_TRACE(seed);
    Net n = randomNet(seed, 4, 100, 120);
    for (Rect& r : n.rects) {
      r.xhi = std::min(r.xhi, r.xlo + 9), r.yhi = std::min(r.yhi, r.ylo + 9);
    }
    Rect box = boxOf(n);
    expectOptimal(n, box, unboundedOptimum(n, box));
  }
}

// A window smaller than the obstacles in it: the tree keeps to the box,
// running along its sides where obstacles cross them.
TEST(ExactSteinerTest, KeepsToTheBox) {
  for (unsigned seed = 1; seed <= 30; ++seed) {
    SCOPED_TRACE(seed);
    Net n = randomNet(seed, 2 + seed % 5, 2 + seed % 3, 16);
    Rect box{3, 2, 14, 13};
    for (RoutePoint& p : n.pins) {
      p.x = std::clamp(p.x, box.xlo, box.xhi);
      p.y = std::clamp(p.y, box.ylo, box.yhi);
    }
    n.rects.erase(std::remove_if(n.rects.begin(), n.rects.end(),
                                 [&](const Rect& r) {
                                   for (const RoutePoint& p : n.pins) {
                                     if (r.xlo < p.x && p.x < r.xhi &&
                                         r.ylo < p.y && p.y < r.yhi) {
                                       return true;
                                     }
                                   }
                                   return false;
                                 }),
                  n.rects.end());
    expectOptimal(n, box, unboundedOptimum(n, box));
  }
}

// Two pins either side of a gap between two touching blocks: the tree runs
// between them along the shared side, from a pin on a corner.
TEST(ExactSteinerTest, RunsBetweenTouchingObstacles) {
  Net n;
  n.rects = {{2, 0, 6, 4}, {2, 4, 6, 8}};
  n.pins = {{2, 4}, {8, 4}, {6, 8}};
  ExactTree t = solve(n, boxOf(n));
  ASSERT_EQ(t.status, ExactStatus::solved);
  EXPECT_EQ(t.length, 6 + 4);
  expectLegal(n, boxOf(n), t);
}

// Pieces too short to change a sum in double (1e-30 beside 5): the tree is
// still found and whole.
TEST(ExactSteinerTest, TinyPiecesBesideLongOnes) {
  Net n;
  n.pins = {{0, 0}, {1e-30f, 5}, {5, 1e-30f}, {3, 3}, {1e-30f, 1e-30f}};
  for (int withRect = 0; withRect < 2; ++withRect) {
    SCOPED_TRACE(withRect);
    ExactTree t = solve(n, boxOf(n));
    ASSERT_EQ(t.status, ExactStatus::solved);
    EXPECT_EQ(t.length, bruteForce(n.pins, n.rects));
    expectLegal(n, boxOf(n), t);
    n.rects = {{1e-31f, 1, 2, 2}};
  }
}

TEST(ExactSteinerTest, DuplicatePinsCountOnce) {
  Net once = randomNet(7, 5, 3, 12);
  Net twice = once;
  twice.pins.insert(twice.pins.end(), once.pins.begin(), once.pins.end());
  twice.pins.push_back(once.pins[2]);
  ExactTree a = solve(once, boxOf(once)), b = solve(twice, boxOf(twice));
  ASSERT_EQ(a.status, ExactStatus::solved);
  ASSERT_EQ(b.status, ExactStatus::solved);
  EXPECT_EQ(a.length, b.length);
  ASSERT_EQ(a.wires.size(), b.wires.size());
  // Sixteen pins at one place and one more elsewhere: two to join.
  Net many;
  many.pins.assign(16, {3, 3});
  many.pins.push_back({5, 9});
  ExactTree c = solve(many, boxOf(many), 1e3);
  ASSERT_EQ(c.status, ExactStatus::solved);
  EXPECT_EQ(c.length, 8);
}

TEST(ExactSteinerTest, OnePlaceNeedsNoWire) {
  Net n;
  n.pins = {{4, 4}, {4, 4}};
  ExactTree t = solve(n, boxOf(n));
  EXPECT_EQ(t.status, ExactStatus::solved);
  EXPECT_TRUE(t.wires.empty());
  EXPECT_EQ(t.length, 0);
}

TEST(ExactSteinerTest, ReportsWalledInPins) {
  Net n;
  n.rects = {{0, 0, 10, 2}, {0, 8, 10, 10}, {0, 0, 2, 10}, {8, 0, 10, 10}};
  n.pins = {{5, 5}, {20, 5}, {6, 6}};
  EXPECT_EQ(solve(n, boxOf(n)).status, ExactStatus::apart);
  n.pins = {{5, 5}, {5, 6}};
  EXPECT_EQ(solve(n, boxOf(n)).status, ExactStatus::solved);
  n.pins = {{5, 5}, {1, 1}};  // inside an obstacle
  EXPECT_EQ(solve(n, boxOf(n)).status, ExactStatus::apart);
}

TEST(ExactSteinerTest, StopsWhenTheBudgetRunsOut) {
  Net n = randomNet(3, 12, 6, 60);
  ObstacleIndex index(n.rects);
  WorkBudget ample{1e9};
  EXPECT_EQ(solveExactTree(n.pins, index, boxOf(n), ample).status,
            ExactStatus::solved);
  double spent = 1e9 - ample.left;
  EXPECT_GT(spent, 0);
  WorkBudget half{spent * 3 / 4};  // runs out on the way
  ExactTree t = solveExactTree(n.pins, index, boxOf(n), half);
  EXPECT_EQ(t.status, ExactStatus::overBudget);
  EXPECT_TRUE(t.wires.empty());
  EXPECT_LT(half.left, 0);
  WorkBudget none{100};  // not even the grid fits: nothing is spent
  EXPECT_EQ(solveExactTree(n.pins, index, boxOf(n), none).status,
            ExactStatus::overBudget);
  EXPECT_EQ(none.left, 100);
}

// A bound below the optimum finds nothing; one at it finds the optimum.
TEST(ExactSteinerTest, FindsNothingBelowTheBound) {
  Net n = randomNet(5, 7, 3, 20);
  ObstacleIndex index(n.rects);
  WorkBudget b{kInf};
  ExactTree best = solveExactTree(n.pins, index, boxOf(n), b);
  ASSERT_EQ(best.status, ExactStatus::solved);
  ExactTree below =
      solveExactTree(n.pins, index, boxOf(n), b, best.length - 0.5);
  EXPECT_EQ(below.status, ExactStatus::noneWithin);
  ExactTree at = solveExactTree(n.pins, index, boxOf(n), b, best.length);
  ASSERT_EQ(at.status, ExactStatus::solved);
  EXPECT_EQ(at.length, best.length);
}

// Storage kept from an earlier solve must not leak into a later one.
TEST(ExactSteinerTest, SameInputSameTree) {
  Net big = randomNet(11, 11, 8, 40), small = randomNet(12, 4, 2, 10);
  ExactTree first = solve(big, boxOf(big));
  solve(small, boxOf(small));
  ExactTree again = solve(big, boxOf(big));
  ASSERT_EQ(first.wires.size(), again.wires.size());
  for (size_t i = 0; i < first.wires.size(); ++i) {
    EXPECT_EQ(first.wires[i].x1, again.wires[i].x1);
    EXPECT_EQ(first.wires[i].y1, again.wires[i].y1);
    EXPECT_EQ(first.wires[i].x2, again.wires[i].x2);
    EXPECT_EQ(first.wires[i].y2, again.wires[i].y2);
  }
}

// One scratch kept over nets of several sizes, obstacles and bounds gives
// the trees fresh ones give.
TEST(ExactSteinerTest, KeptScratchGivesWhatAFreshOneGives) {
  ExactScratch kept;
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE(seed);
    Net n = randomNet(seed, 2 + seed % 7, seed % 6, seed % 4 ? 12 : 40);
    Rect box = boxOf(n);
    ObstacleIndex index(n.rects);
    double within = seed % 5 == 0 ? 10 : kInf;
    WorkBudget a{kInf}, b{kInf};
    ExactTree withKept = solveExactTree(n.pins, index, box, a, kept, within);
    ExactTree fresh = solveExactTree(n.pins, index, box, b, within);
    EXPECT_EQ(withKept.status, fresh.status);
    EXPECT_EQ(withKept.wires, fresh.wires);
    EXPECT_EQ(withKept.length, fresh.length);
  }
}

}  // namespace
