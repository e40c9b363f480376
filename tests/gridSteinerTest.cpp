#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "legal/obstacleIndex.h"
#include "options/gridSteiner.h"
#include "tests/bruteSteiner.h"

namespace {

using Point = GridSteiner::Point;
using Rect = ObstacleIndex::Rect;

struct Solved {
  bool ok;
  double length;
  std::vector<GridSteiner::Piece> tree;
};

Solved solve(const std::vector<Point>& pins, const std::vector<Rect>& rects) {
  ObstacleIndex idx(rects);
  float xlo = pins[0].x, xhi = xlo, ylo = pins[0].y, yhi = ylo;
  for (const Point& p : pins) {
    xlo = std::min(xlo, p.x), xhi = std::max(xhi, p.x);
    ylo = std::min(ylo, p.y), yhi = std::max(yhi, p.y);
  }
  for (const Rect& r : rects) {
    xlo = std::min(xlo, r.xlo), xhi = std::max(xhi, r.xhi);
    ylo = std::min(ylo, r.ylo), yhi = std::max(yhi, r.yhi);
  }
  GridSteiner g(pins, idx, xlo, ylo, xhi, yhi);
  Solved s;
  s.ok = g.solve(s.tree, s.length);
  return s;
}

TEST(GridSteinerTest, TwoPinsCostTheirDistance) {
  Solved s = solve({{0, 0}, {3, 4}}, {});
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(s.length, 7);
}

// One grid column: the neighbours above and below are one index apart.
TEST(GridSteinerTest, PinsOnOneVerticalLine) {
  Solved s = solve({{7, 7}, {7, 11}}, {});
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(s.length, 4);
  ASSERT_EQ(s.tree.size(), 1u);
  EXPECT_EQ(s.tree[0].y2, 11);
}

TEST(GridSteinerTest, ThreePinsMeetAtTheMedian) {
  Solved s = solve({{0, 0}, {10, 2}, {4, 8}}, {});
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(s.length, 18);
}

// The wall between the pins forces the tree round its nearer end.
TEST(GridSteinerTest, GoesRoundAWall) {
  Solved s = solve({{0, 5}, {10, 5}}, {{4, 1, 6, 20}});
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(s.length, 10 + 2 * 4);
}

TEST(GridSteinerTest, WalledInPinCannotBeJoined) {
  std::vector<Rect> ring = {
      {0, 0, 10, 2}, {0, 8, 10, 10}, {0, 0, 2, 10}, {8, 0, 10, 10}};
  EXPECT_FALSE(solve({{5, 5}, {20, 5}}, ring).ok);
  EXPECT_TRUE(solve({{5, 5}, {6, 6}}, ring).ok);
}

TEST(GridSteinerTest, PinInsideAnObstacleCannotBeJoined) {
  EXPECT_FALSE(solve({{0, 0}, {5, 5}}, {{4, 4, 6, 6}}).ok);
}

TEST(GridSteinerTest, PiecesAreStraightFreeAndMeetOnlyAtTheirEnds) {
  std::vector<Rect> rects = {{3, 3, 6, 5}};
  std::vector<Point> pins = {{0, 0}, {8, 8}, {0, 8}, {8, 0}, {4, 6}};
  Solved s = solve(pins, rects);
  ASSERT_TRUE(s.ok);
  ObstacleIndex idx(rects);
  double sum = 0;
  for (const auto& p : s.tree) {
    EXPECT_TRUE(p.x1 == p.x2 || p.y1 == p.y2);
    EXPECT_FALSE(idx.blocksPiece(p.x1, p.y1, p.x2, p.y2));
    sum += std::fabs(p.x2 - p.x1) + std::fabs(p.y2 - p.y1);
  }
  EXPECT_EQ(sum, s.length);
}

TEST(GridSteinerTest, MatchesBruteForceOnSmallNets) {
  for (unsigned seed = 1; seed <= 150; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> c(0, 12), side(1, 5);
    std::vector<Rect> rects;
    for (int r = 0, nr = rng() % 4; r < nr; ++r) {
      float x = c(rng), y = c(rng);
      rects.push_back({x, y, x + side(rng), y + side(rng)});
    }
    std::vector<Point> pins;
    int k = 2 + rng() % 3;
    while (static_cast<int>(pins.size()) < k) {
      float x = c(rng), y = c(rng);
      bool in = false;
      for (const Rect& r : rects) {
        in = in || (r.xlo < x && x < r.xhi && r.ylo < y && y < r.yhi);
      }
      if (!in) {
        pins.push_back({x, y});
      }
    }
    Solved s = solve(pins, rects);
    double expect = bruteForce(pins, rects);
    if (std::isinf(expect)) {
      EXPECT_FALSE(s.ok);
    } else {
      ASSERT_TRUE(s.ok);
      EXPECT_EQ(s.length, expect);
    }
  }
}

}  // namespace
