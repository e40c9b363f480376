#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "geometry/obstacleIndex.h"
#include "steiner/gridSteiner.h"

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

// The brute force: every Steiner point set of up to k - 2 grid nodes, and
// the spanning tree of pins and those nodes under shortest grid distances.
double bruteForce(const std::vector<Point>& pins,
                  const std::vector<Rect>& rects) {
  std::vector<float> xs, ys;
  for (const Point& p : pins) {
    xs.push_back(p.x);
    ys.push_back(p.y);
  }
  for (const Rect& r : rects) {
    xs.insert(xs.end(), {r.xlo, r.xhi});
    ys.insert(ys.end(), {r.ylo, r.yhi});
  }
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  int nx = xs.size(), ny = ys.size(), n = nx * ny;
  auto inside = [&](float x, float y) {
    for (const Rect& r : rects) {
      if (r.xlo < x && x < r.xhi && r.ylo < y && y < r.yhi) {
        return true;
      }
    }
    return false;
  };
  const double inf = std::numeric_limits<double>::infinity();
  // Floyd over the grid; a grid piece is free when its midpoint is outside
  // every open interior (grid lines run along every side).
  std::vector<double> d(n * n, inf);
  for (int v = 0; v < n; ++v) {
    d[v * n + v] = 0;
  }
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) {
      int v = j * nx + i;
      if (i + 1 < nx && !inside((xs[i] + xs[i + 1]) / 2, ys[j]) &&
          !inside(xs[i], ys[j]) && !inside(xs[i + 1], ys[j])) {
        d[v * n + v + 1] = d[(v + 1) * n + v] = xs[i + 1] - xs[i];
      }
      if (j + 1 < ny && !inside(xs[i], (ys[j] + ys[j + 1]) / 2) &&
          !inside(xs[i], ys[j]) && !inside(xs[i], ys[j + 1])) {
        d[v * n + v + nx] = d[(v + nx) * n + v] = ys[j + 1] - ys[j];
      }
    }
  }
  for (int k = 0; k < n; ++k) {
    for (int a = 0; a < n; ++a) {
      for (int b = 0; b < n; ++b) {
        d[a * n + b] = std::min(d[a * n + b], d[a * n + k] + d[k * n + b]);
      }
    }
  }
  std::vector<int> term;
  for (const Point& p : pins) {
    int i = std::lower_bound(xs.begin(), xs.end(), p.x) - xs.begin();
    int j = std::lower_bound(ys.begin(), ys.end(), p.y) - ys.begin();
    term.push_back(j * nx + i);
  }
  auto mst = [&](const std::vector<int>& nodes) {
    std::vector<double> key(nodes.size(), inf);
    std::vector<bool> in(nodes.size(), false);
    key[0] = 0;
    double total = 0;
    for (size_t it = 0; it < nodes.size(); ++it) {
      int u = -1;
      for (size_t a = 0; a < nodes.size(); ++a) {
        if (!in[a] && (u < 0 || key[a] < key[u])) {
          u = a;
        }
      }
      in[u] = true;
      total += key[u];
      for (size_t a = 0; a < nodes.size(); ++a) {
        key[a] = std::min(key[a], d[nodes[u] * n + nodes[a]]);
      }
    }
    return total;
  };
  double best = mst(term);
  int k = pins.size();
  for (int a = 0; a < n && k >= 3; ++a) {
    std::vector<int> nodes = term;
    nodes.push_back(a);
    best = std::min(best, mst(nodes));
    for (int b = a + 1; b < n && k >= 4; ++b) {
      nodes.push_back(b);
      best = std::min(best, mst(nodes));
      nodes.pop_back();
    }
  }
  return best;
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
