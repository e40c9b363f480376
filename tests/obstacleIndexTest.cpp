#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "geometry/obstacleRects.h"
#include "scene.h"
#include "spatial/obstacleIndex.h"

namespace {

using Rect = ObstacleIndex::Rect;

// The obvious test: does the closed piece's relative interior (the point,
// for zero length) meet the rectangle's open interior?
bool meets(const Rect& r, float x1, float y1, float x2, float y2) {
  float lx = std::min(x1, x2), hx = std::max(x1, x2);
  float ly = std::min(y1, y2), hy = std::max(y1, y2);
  bool xs = lx == hx ? (r.xlo < lx && lx < r.xhi) : (r.xlo < hx && lx < r.xhi);
  bool ys = ly == hy ? (r.ylo < ly && ly < r.yhi) : (r.ylo < hy && ly < r.yhi);
  return xs && ys;
}

TEST(ObstacleIndexTest, SidesAndCornersAreFree) {
  ObstacleIndex idx({{0, 0, 4, 2}});
  EXPECT_FALSE(idx.blocksHorizontal(0, -1, 5));  // along the bottom side
  EXPECT_FALSE(idx.blocksHorizontal(2, 0, 4));
  EXPECT_FALSE(idx.blocksVertical(4, -3, 3));
  EXPECT_FALSE(idx.blocksHorizontal(1, -2, 0));  // ends on the left side
  EXPECT_TRUE(idx.blocksHorizontal(1, -2, 0.5f));
  EXPECT_TRUE(idx.blocksVertical(2, -1, 3));
  EXPECT_TRUE(idx.blocksVertical(2, 1, 1));  // a point inside
  EXPECT_FALSE(idx.blocksVertical(0, 1, 1));
  EXPECT_EQ(idx.containing(1, 1), 0);
  EXPECT_EQ(idx.containing(4, 1), -1);
  EXPECT_TRUE(idx.blocksPiece(0, 0, 1, 1));  // diagonal: never free
}

TEST(ObstacleIndexTest, TouchingRectanglesLeaveTheirSharedSideFree) {
  ObstacleIndex idx({{0, 0, 2, 2}, {2, 0, 4, 2}});
  EXPECT_FALSE(idx.blocksVertical(2, 0, 2));
  EXPECT_TRUE(idx.blocksHorizontal(1, 1.5f, 2.5f));
}

TEST(ObstacleIndexTest, RectanglesFromCornerRingsInFileOrder) {
  Scene scene;
  scene.addPin(9, 9);
  scene.addRect(5, 5, 6, 7, true);
  scene.addRect(0, 0, 2, 1);
  Router& r = scene.router();
  std::vector<Rect> rects = collectObstacleRects(r.vertices);
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(rects[0].xlo, 5);
  EXPECT_EQ(rects[0].yhi, 7);
  EXPECT_EQ(rects[1].xhi, 2);
}

TEST(ObstacleIndexTest, AgreesWithAScanOfAllRectangles) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> c(0, 40), side(1, 12);
    std::vector<Rect> rects;
    int n = 1 + seed % 25;
    for (int i = 0; i < n; ++i) {
      float x = c(rng), y = c(rng);
      rects.push_back({x, y, x + side(rng), y + side(rng)});
    }
    // The trees on even seeds, a scan on odd ones.
    ObstacleIndex idx(rects, seed % 2 == 0 ? 0 : ObstacleIndex::kScanMost);
    for (int q = 0; q < 400; ++q) {
      float x1 = c(rng) * 1.25f - 2, y1 = c(rng) * 1.25f - 2;
      float len = static_cast<float>(c(rng) % 15);
      bool horizontal = rng() % 2 == 0;
      float x2 = horizontal ? x1 + len : x1, y2 = horizontal ? y1 : y1 + len;
      bool expected = false;
      int inside = -1;
      for (int k = 0; k < n; ++k) {
        expected = expected || meets(rects[k], x1, y1, x2, y2);
        if (inside < 0 && meets(rects[k], x1, y1, x1, y1)) {
          inside = k;
        }
      }
      ASSERT_EQ(idx.blocksPiece(x1, y1, x2, y2), expected)
          << x1 << "," << y1 << " " << x2 << "," << y2;
      int got = idx.containing(x1, y1);
      ASSERT_EQ(got >= 0, inside >= 0);
      ASSERT_EQ(idx.holds(x1, y1), inside >= 0);
      if (got >= 0) {
        ASSERT_TRUE(meets(rects[got], x1, y1, x1, y1));
      }
      float bx2 = x1 + c(rng) % 9, by2 = y1 + c(rng) % 9;
      std::vector<int> expectMeet;
      for (int k = 0; k < n; ++k) {
        const Rect& r = rects[k];
        bool xs =
            x1 == bx2 ? r.xlo < x1 && x1 < r.xhi : r.xlo < bx2 && x1 < r.xhi;
        bool ys =
            y1 == by2 ? r.ylo < y1 && y1 < r.yhi : r.ylo < by2 && y1 < r.yhi;
        if (xs && ys) {
          expectMeet.push_back(k);
        }
      }
      ASSERT_EQ(idx.meeting(x1, y1, bx2, by2), expectMeet);
    }
  }
}

// A handful of rectangles is scanned, not indexed; messages name the
// rectangle that holds a point, so where several do, the scan must name the
// one the trees find. Overlaps, shared sides, zero-width rectangles and
// queries on sides and corners, all on a coarse grid.
TEST(ObstacleIndexTest, ScanAnswersAsTheTreesDo) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> c(0, 12), side(0, 6);
    std::vector<Rect> rects;
    int n = 1 + seed % ObstacleIndex::kScanMost;
    for (int i = 0; i < n; ++i) {
      float x = c(rng), y = c(rng);
      rects.push_back({x, y, x + side(rng), y + side(rng)});
    }
    ObstacleIndex scan(rects);
    ObstacleIndex trees(rects, 0);
    auto q = [&]() { return c(rng) * 0.5f + 1; };
    for (int k = 0; k < 300; ++k) {
      float x1 = q(), y1 = q(), x2 = q(), y2 = q();
      ASSERT_EQ(scan.containing(x1, y1), trees.containing(x1, y1))
          << x1 << "," << y1;
      ASSERT_EQ(scan.blocksHorizontal(y1, x1, x2),
                trees.blocksHorizontal(y1, x1, x2));
      ASSERT_EQ(scan.blocksVertical(x1, y1, y2),
                trees.blocksVertical(x1, y1, y2));
      float xlo = std::min(x1, x2), xhi = std::max(x1, x2);
      float ylo = std::min(y1, y2), yhi = std::max(y1, y2);
      ASSERT_EQ(scan.meeting(xlo, ylo, xhi, yhi),
                trees.meeting(xlo, ylo, xhi, yhi));
      size_t most = rng() % 4;
      ASSERT_EQ(scan.meetsMoreThan(xlo, ylo, xhi, yhi, most),
                trees.meetsMoreThan(xlo, ylo, xhi, yhi, most));
      Rect a{xlo, ylo, xhi, yhi}, b = a;
      ASSERT_EQ(scan.growBox(a), trees.growBox(b));
      ASSERT_TRUE(a == b);
    }
  }
}

TEST(ObstacleIndexTest, EmptyIndexBlocksNothing) {
  ObstacleIndex idx;
  EXPECT_FALSE(idx.blocksHorizontal(0, -1e9f, 1e9f));
  EXPECT_EQ(idx.containing(0, 0), -1);
  EXPECT_TRUE(idx.meeting(0, 0, 1, 1).empty());
}

}  // namespace

// A box with a NaN side never equals itself: growing it looped for ever.
TEST(ObstacleIndexTest, GrowingABoxWithNaNEnds) {
  std::vector<Rect> rects = {{0, 0, 2, 2}, {2, 0, 4, 2}, {10, 10, 11, 11}};
  for (size_t scanMost : {size_t{0}, ObstacleIndex::kScanMost}) {
    ObstacleIndex index(rects, scanMost);
    const float nan = std::nanf("");
    for (Rect box :
         {Rect{nan, 1, nan, 1}, Rect{1, 1, 1, nan}, Rect{nan, nan, nan, nan}}) {
      index.growBox(box);
    }
    Rect box{1, 1, 1, 1};
    EXPECT_EQ(index.growBox(box), (std::vector<int>{0}));
    EXPECT_TRUE(box == (Rect{0, 0, 2, 2}));
  }
}
