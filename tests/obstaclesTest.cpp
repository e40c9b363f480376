#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "treecore/obstacles.h"
#include "treecore/obstaclesAccess.h"

namespace {

using treecore::Obstacles;
using treecore::Point;
using treecore::Rect;

TEST(ToSingleTest, TakesWhatAFloatHoldsAndDecimalsItStandsFor) {
  float f = 0;
  EXPECT_TRUE(treecore::toSingle(12.5, f));
  EXPECT_EQ(f, 12.5f);
  EXPECT_TRUE(treecore::toSingle(16777216.0, f));
  EXPECT_TRUE(treecore::toSingle(-0.0, f));
  EXPECT_TRUE(std::signbit(f));
  // Written as 0.1, read as the float nearest to it.
  EXPECT_TRUE(treecore::toSingle(0.1, f));
  EXPECT_EQ(f, 0.1f);
  EXPECT_TRUE(treecore::toSingle(1e-3, f));
  EXPECT_EQ(f, 1e-3f);
  EXPECT_TRUE(treecore::toSingle(99992016.0, f));
  EXPECT_EQ(f, 99992016.0f);
  EXPECT_TRUE(treecore::toSingle(3.4028235e38, f));
  EXPECT_EQ(f, FLT_MAX);
}

TEST(ToSingleTest, RefusesWhatWouldBeRounded) {
  float f = 7;
  std::string why;
  EXPECT_FALSE(treecore::toSingle(16777217.0, f, &why));
  EXPECT_EQ(why,
            "16777217 is not a single-precision value: it would become "
            "16777216");
  // As the readers say it: the decimal the float is written as.
  EXPECT_FALSE(treecore::toSingle(1.0 / 3, f, &why));
  EXPECT_EQ(why,
            "0.3333333333333333 is not a single-precision value: it would "
            "become 0.33333334");
  EXPECT_FALSE(treecore::toSingle(0.1 + 1e-12, f));
  // Each stands for a float the writers print as another number.
  EXPECT_FALSE(treecore::toSingle(static_cast<double>(0.1f), f, &why));
  EXPECT_EQ(why,
            "0.10000000149011612 is not a single-precision value: it would "
            "become 0.1");
  EXPECT_FALSE(treecore::toSingle(99992020.0, f, &why));
  EXPECT_EQ(why,
            "99992020 is not a single-precision value: it would become "
            "99992016");
  EXPECT_FALSE(treecore::toSingle(0.30000001, f));
  EXPECT_FALSE(treecore::toSingle(1e-45, f));
  EXPECT_FALSE(treecore::toSingle(FLT_MAX, f));
  EXPECT_FALSE(treecore::toSingle(3.4028236e38, f, &why));
  EXPECT_EQ(why, "is beyond single precision");
  EXPECT_FALSE(treecore::toSingle(-0.99999999, f));
  EXPECT_FALSE(treecore::toSingle(1e39, f, &why));
  EXPECT_EQ(why, "is beyond single precision");
  EXPECT_FALSE(treecore::toSingle(std::nan(""), f, &why));
  EXPECT_EQ(why, "is not a finite number");
  EXPECT_FALSE(treecore::toSingle(HUGE_VAL, f));
  EXPECT_EQ(f, 7);
}

std::string refusal(const std::vector<Rect>& rects) {
  try {
    Obstacles obs(rects);
  } catch (const std::invalid_argument& e) {
    return e.what();
  }
  return "";
}

TEST(ObstaclesTest, RefusesRectanglesWithoutAreaOrExactCorners) {
  EXPECT_EQ(refusal({{0, 0, 1, 1}, {2, 2, 2, 5}}),
            "obstacle 2: [2, 2] x [2, 5] is not a box of positive width and "
            "height");
  EXPECT_EQ(refusal({{0, 0, 1, 1}, {3, 0, 1, 1}}),
            "obstacle 2: [3, 1] x [0, 1] is not a box of positive width and "
            "height");
  EXPECT_EQ(refusal({{0, 0, 2147483649.0, 1}}),
            "obstacle 1: xhi 2147483649 is not a single-precision value: it "
            "would become 2147483648");
  EXPECT_EQ(refusal({{0, 0, 16777217.5, 1}}),
            "obstacle 1: xhi 16777217.5 is not a single-precision value: it "
            "would become 16777218");
  EXPECT_EQ(refusal({{0, std::nan(""), 1, 1}}),
            "obstacle 1: ylo is not a finite number");
  EXPECT_EQ(refusal({{0, 0, 1, 1}, {0.5, 0.5, 3, 3}}), "");
}

TEST(ObstaclesTest, CornersKeepTheirOrderAndGiveTheBox) {
  std::vector<std::array<Point, 4>> rings = {
      {{{4, 2}, {4, 0}, {0, 0}, {0, 2}}}};
  Obstacles obs = Obstacles::fromCorners(rings);
  ASSERT_EQ(obs.size(), 1u);
  EXPECT_EQ(obs.corners()[0][0], (Point{4, 2}));
  EXPECT_EQ(obs.corners()[0][1], (Point{4, 0}));
  EXPECT_EQ(obs.rects()[0].xhi, 4);
  EXPECT_EQ(obs.rects()[0].ylo, 0);
  // Not in order round the rectangle: a diagonal between neighbours.
  rings[0] = {{{0, 0}, {4, 2}, {4, 0}, {0, 2}}};
  EXPECT_THROW(Obstacles::fromCorners(rings), std::invalid_argument);
  Obstacles copy = obs;
  EXPECT_EQ(&treecore::detail::ObstaclesAccess::index(copy),
            &treecore::detail::ObstaclesAccess::index(obs));
}

// The design is kept only as the index's boxes and each ring's turn:
// every ring, from each corner and either way round, comes back exactly as
// given, decimals that stand for floats, wide integers and zeros' signs
// too, and so do the boxes.
TEST(ObstaclesTest, RingsComeBackAsGiven) {
  const double xs[][2] = {
      {0.1, 2.5}, {-0.0, 3}, {16777217, 16777230}, {-7, 1e-3}, {1.005, 1.5}};
  std::vector<std::array<Point, 4>> rings;
  std::vector<Rect> boxes;
  for (const auto& x : xs) {
    for (const auto& y : xs) {
      Point around[4] = {
          {x[0], y[0]}, {x[1], y[0]}, {x[1], y[1]}, {x[0], y[1]}};
      for (int first = 0; first < 4; ++first) {
        for (int step : {1, 3}) {
          std::array<Point, 4> ring;
          for (int k = 0; k < 4; ++k) {
            ring[k] = around[(first + step * k) % 4];
          }
          rings.push_back(ring);
          boxes.push_back({x[0], y[0], x[1], y[1]});
        }
      }
    }
  }
  Obstacles obs = Obstacles::fromCorners(rings);
  ASSERT_EQ(obs.size(), rings.size());
  for (size_t r = 0; r < rings.size(); ++r) {
    SCOPED_TRACE("ring " + std::to_string(r));
    for (int k = 0; k < 4; ++k) {
      for (int axis = 0; axis < 2; ++axis) {
        double given = axis ? rings[r][k].y : rings[r][k].x;
        double back = axis ? obs.corners()[r][k].y : obs.corners()[r][k].x;
        EXPECT_EQ(given, back);
        EXPECT_EQ(std::signbit(given), std::signbit(back));
      }
    }
    const Rect& b = obs.rects()[r];
    EXPECT_EQ(b.xlo, boxes[r].xlo);
    EXPECT_EQ(b.ylo, boxes[r].ylo);
    EXPECT_EQ(b.xhi, boxes[r].xhi);
    EXPECT_EQ(b.yhi, boxes[r].yhi);
    int i = static_cast<int>(r);
    Rect exact = treecore::detail::ObstaclesAccess::rect(obs, i);
    EXPECT_EQ(exact.xlo, b.xlo);
    EXPECT_EQ(exact.yhi, b.yhi);
    EXPECT_EQ(treecore::detail::ObstaclesAccess::ring(obs, i)[2].x,
              rings[r][2].x);
  }
}

// The least box that holds the pins and every rectangle whose interior
// meets it, by passes over all rectangles until none adds anything.
std::vector<int> nearByScan(const std::vector<Rect>& rects,
                            const std::vector<Point>& pins) {
  if (pins.empty()) {
    return {};
  }
  Rect b{pins[0].x, pins[0].y, pins[0].x, pins[0].y};
  for (const Point& p : pins) {
    b = {std::min(b.xlo, p.x), std::min(b.ylo, p.y), std::max(b.xhi, p.x),
         std::max(b.yhi, p.y)};
  }
  // Open intervals meet; a box of no width meets where its line is inside.
  auto meets = [](double lo, double hi, double rlo, double rhi) {
    return lo == hi ? rlo < lo && lo < rhi : rlo < hi && lo < rhi;
  };
  std::vector<char> in(rects.size(), 0);
  for (bool grew = true; grew;) {
    grew = false;
    for (size_t i = 0; i < rects.size(); ++i) {
      const Rect& r = rects[i];
      if (!in[i] && meets(b.xlo, b.xhi, r.xlo, r.xhi) &&
          meets(b.ylo, b.yhi, r.ylo, r.yhi)) {
        in[i] = 1;
        grew = true;
        b = {std::min(b.xlo, r.xlo), std::min(b.ylo, r.ylo),
             std::max(b.xhi, r.xhi), std::max(b.yhi, r.yhi)};
      }
    }
  }
  std::vector<int> out;
  for (size_t i = 0; i < rects.size(); ++i) {
    if (in[i]) {
      out.push_back(static_cast<int>(i));
    }
  }
  return out;
}

TEST(ObstaclesTest, NearIsTheLeastClosedBoxsRectangles) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    auto below = [&rng](int n) { return static_cast<double>(rng() % n); };
    std::vector<Rect> rects;
    for (int i = 0, n = 1 + static_cast<int>(below(40)); i < n; ++i) {
      double x = below(100), y = below(100);
      rects.push_back({x, y, x + 1 + below(12), y + 1 + below(12)});
    }
    std::vector<Point> pins;
    for (int i = 0, n = static_cast<int>(below(4)); i < n; ++i) {
      pins.push_back({below(110), below(110)});
    }
    EXPECT_EQ(Obstacles(rects).near(pins), nearByScan(rects, pins));
  }
}

}  // namespace

namespace {

std::string nearRefusal(const Obstacles& obs, const std::vector<Point>& pins) {
  try {
    obs.near(pins);
  } catch (const std::invalid_argument& e) {
    return e.what();
  }
  return "taken";
}

}  // namespace

// A NaN pin kept the grown box from ever equalling itself: near never
// returned. Infinite and out-of-range pins gave no obstacles, silently.
TEST(ObstaclesTest, NearRefusesPinsNoFloatHolds) {
  for (const Obstacles& obs :
       {Obstacles(), Obstacles({{0, 0, 2, 2}, {4, 0, 6, 2}})}) {
    EXPECT_EQ(nearRefusal(obs, {{1, 3}, {std::nan(""), 0}}),
              "pin 2: x is not a finite number");
    EXPECT_EQ(nearRefusal(obs, {{0, HUGE_VAL}}),
              "pin 1: y is not a finite number");
    EXPECT_EQ(nearRefusal(obs, {{1e39, 0}}),
              "pin 1: x is beyond single precision");
    EXPECT_EQ(nearRefusal(obs, {{0.30000001, 0}}),
              "pin 1: x 0.30000001 is not a single-precision value: it "
              "would become 0.3");
  }
  EXPECT_EQ(Obstacles({{0, 0, 2, 2}}).near({{0.1, 3}, {0.3, 1}}),
            std::vector<int>{0});
}
