#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <deque>
#include <random>
#include <tuple>
#include <vector>

#include "spatial/escapeGraph.h"
#include "spatial/freeRoute.h"

namespace {

using Rect = ObstacleIndex::Rect;

// The obvious test of one straight piece against every rectangle.
bool pieceFree(const std::vector<Rect>& rects, RoutePoint p, RoutePoint q) {
  float lx = std::min(p.x, q.x), hx = std::max(p.x, q.x);
  float ly = std::min(p.y, q.y), hy = std::max(p.y, q.y);
  for (const Rect& r : rects) {
    bool xs = lx == hx ? r.xlo < lx && lx < r.xhi : r.xlo < hx && lx < r.xhi;
    bool ys = ly == hy ? r.ylo < ly && ly < r.yhi : r.ylo < hy && ly < r.yhi;
    if (xs && ys) {
      return false;
    }
  }
  return true;
}

// Ends in place, axis-parallel pieces, each free, no bend that is not one.
void expectSound(const FreeRoute& r,
                 const std::vector<Rect>& rects,
                 RoutePoint a,
                 RoutePoint b) {
  ASSERT_TRUE(r.found());
  ASSERT_GE(r.points.size(), 2u);
  EXPECT_EQ(r.points.front(), a);
  EXPECT_EQ(r.points.back(), b);
  for (size_t k = 1; k < r.points.size(); ++k) {
    RoutePoint p = r.points[k - 1], q = r.points[k];
    EXPECT_TRUE(p.x == q.x || p.y == q.y) << "diagonal piece " << k;
    EXPECT_TRUE(pieceFree(rects, p, q)) << "piece " << k << " is blocked";
    if (k >= 2) {
      RoutePoint o = r.points[k - 2];
      EXPECT_FALSE((o.x == p.x && p.x == q.x) || (o.y == p.y && p.y == q.y))
          << "point " << k - 1 << " is no bend";
    }
  }
}

int bendsOf(const FreeRoute& r) {
  return static_cast<int>(r.points.size()) - 2;
}

struct Scene {
  explicit Scene(std::vector<Rect> rs)
      : rects(rs), index(std::move(rs)), finder(index) {}
  std::vector<Rect> rects;
  ObstacleIndex index;
  RouteFinder finder;
};

TEST(RouteFinderTest, PrimaryLWhenFreeFromEitherEnd) {
  Scene s({{10, 10, 12, 12}});
  FreeRoute r = s.finder.route({0, 0}, {4, 3});
  EXPECT_EQ(r.kind, RouteKind::primaryL);
  EXPECT_EQ(r.points, (std::vector<RoutePoint>{{0, 0}, {4, 0}, {4, 3}}));
  // The corner is the right end's x and the left end's y in both orders.
  FreeRoute back = s.finder.route({4, 3}, {0, 0});
  EXPECT_EQ(back.points, (std::vector<RoutePoint>{{4, 3}, {4, 0}, {0, 0}}));
  FreeRoute down = s.finder.route({0, 3}, {4, 0});
  EXPECT_EQ(down.points, (std::vector<RoutePoint>{{0, 3}, {4, 3}, {4, 0}}));
  FreeRoute straight = s.finder.route({0, 1}, {0, 5});
  EXPECT_EQ(straight.kind, RouteKind::primaryL);
  EXPECT_EQ(straight.points, (std::vector<RoutePoint>{{0, 1}, {0, 5}}));
}

TEST(RouteFinderTest, OtherLWhenThePrimaryIsBlocked) {
  Scene s({{1, -1, 3, 1}});  // across the horizontal leg at y = 0
  EXPECT_FALSE(s.finder.primaryLFree({0, 0}, {4, 3}));
  FreeRoute r = s.finder.route({0, 0}, {4, 3});
  EXPECT_EQ(r.kind, RouteKind::otherL);
  EXPECT_EQ(r.points, (std::vector<RoutePoint>{{0, 0}, {0, 3}, {4, 3}}));
}

TEST(RouteFinderTest, LegAlongASideOrEndingOnOneIsFree) {
  Scene s({{0, -2, 4, 0}, {4, 1, 6, 3}});
  FreeRoute r = s.finder.route({0, 0}, {4, 3});
  EXPECT_EQ(r.kind, RouteKind::primaryL);
}

// Both Ls blocked, a way through the middle: one horizontal run between
// the two blocks.
TEST(RouteFinderTest, StaircaseWhenBothLsAreBlocked) {
  std::vector<Rect> rects = {{2, -1, 8, 2}, {-1, 4, 2, 8}};
  Scene s(rects);
  FreeRoute r = s.finder.route({0, 0}, {6, 6});
  EXPECT_EQ(r.kind, RouteKind::staircase);
  expectSound(r, rects, {0, 0}, {6, 6});
  EXPECT_EQ(r.length(), 12);
  EXPECT_EQ(bendsOf(r), 2);
  EXPECT_EQ(s.finder.monotoneRoute({0, 0}, {6, 6}).points, r.points);
}

// A block across a straight connection: round it on the nearer side, with
// two bends rather than four.
TEST(RouteFinderTest, BlockedStraightConnectionGoesRound) {
  std::vector<Rect> rects = {{2, -2, 4, 3}};
  Scene s(rects);
  EXPECT_FALSE(s.finder.monotoneRoute({0, 0}, {6, 0}).found());
  FreeRoute r = s.finder.route({0, 0}, {6, 0});
  EXPECT_EQ(r.kind, RouteKind::detour);
  EXPECT_EQ(r.points,
            (std::vector<RoutePoint>{{0, 0}, {0, -2}, {6, -2}, {6, 0}}));
}

// A wall across the whole box, much taller than the connection is long: the
// window must grow several times.
TEST(RouteFinderTest, DiagonalRoundATallWall) {
  std::vector<Rect> rects = {{2, -50, 4, 60}};
  Scene s(rects);
  FreeRoute r = s.finder.route({0, 0}, {6, 1});
  EXPECT_EQ(r.kind, RouteKind::detour);
  expectSound(r, rects, {0, 0}, {6, 1});
  EXPECT_EQ(r.length(), 107);
}

// A wall, and a bar overlapping its foot: the way round below must go
// round the bar's far end, still two shorter than over the wall.
TEST(RouteFinderTest, DetourGoesRoundTheWholeGroup) {
  std::vector<Rect> rects = {{2, -3, 4, 30}, {-10, -5, 20, -2.5f}};
  Scene s(rects);
  FreeRoute r = s.finder.route({0, 0}, {6, 0});
  expectSound(r, rects, {0, 0}, {6, 0});
  EXPECT_EQ(r.length(), 64);
}

TEST(RouteFinderTest, EndInsideAnObstacleHasNoRoute) {
  Scene s({{0, 0, 4, 4}});
  EXPECT_FALSE(s.finder.route({2, 2}, {9, 9}).found());
  EXPECT_FALSE(s.finder.route({9, 9}, {2, 2}).found());
  EXPECT_FALSE(s.finder.route({2, 2}, {2, 2}).found());
  EXPECT_TRUE(s.finder.route({4, 4}, {4, 4}).found());
}

// Four overlapping walls round (5, 5).
TEST(RouteFinderTest, WalledInPointHasNoRoute) {
  Scene s({{0, 0, 10, 2}, {0, 8, 10, 10}, {0, 0, 2, 10}, {8, 0, 10, 10}});
  EXPECT_FALSE(s.finder.route({5, 5}, {20, 5}).found());
  EXPECT_FALSE(s.finder.route({20, 5}, {5, 5}).found());
  EXPECT_FALSE(s.finder.route({5, 5}, {50, -40}).found());
  EXPECT_TRUE(s.finder.route({5, 5}, {3, 7}).found());
}

// The same walls only touching: a wire may run along the shared sides.
TEST(RouteFinderTest, TouchingWallsLeaveAWayOut) {
  std::vector<Rect> rects = {
      {0, 0, 10, 2}, {0, 8, 10, 10}, {0, 2, 2, 8}, {8, 2, 10, 8}};
  Scene s(rects);
  FreeRoute r = s.finder.route({5, 5}, {20, 5});
  expectSound(r, rects, {5, 5}, {20, 5});
  EXPECT_EQ(r.length(), 21);
}

TEST(RouteFinderTest, NoObstaclesNoSearch) {
  Scene s({});
  EXPECT_EQ(s.finder.route({0, 0}, {-3, 7}).kind, RouteKind::primaryL);
}

// Brute force on the unit lattice of a box round everything: the integer
// corners put a shortest path on it, and every fewest-bend path can be slid
// onto it.
class Lattice {
 public:
  Lattice(const std::vector<Rect>& rects, RoutePoint a, RoutePoint b)
      : rects_(rects) {
    x0_ = static_cast<int>(std::min(a.x, b.x)) - 2;
    y0_ = static_cast<int>(std::min(a.y, b.y)) - 2;
    x1_ = static_cast<int>(std::max(a.x, b.x)) + 2;
    y1_ = static_cast<int>(std::max(a.y, b.y)) + 2;
    for (const Rect& r : rects) {
      x0_ = std::min(x0_, static_cast<int>(r.xlo) - 2);
      y0_ = std::min(y0_, static_cast<int>(r.ylo) - 2);
      x1_ = std::max(x1_, static_cast<int>(r.xhi) + 2);
      y1_ = std::max(y1_, static_cast<int>(r.yhi) + 2);
    }
  }

  // Shortest length, then fewest bends; monotone keeps to steps towards b.
  // {INT_MAX, INT_MAX} when b cannot be reached.
  std::pair<int, int> best(RoutePoint a, RoutePoint b, bool monotone) const {
    int w = x1_ - x0_ + 1, h = y1_ - y0_ + 1;
    auto id = [&](int x, int y, int d) {
      return ((y - y0_) * w + (x - x0_)) * 2 + d;
    };
    const std::pair<int, int> inf{INT_MAX, INT_MAX};
    if (!pieceFree(rects_, a, a) || !pieceFree(rects_, b, b)) {
      return inf;
    }
    std::vector<std::pair<int, int>> cost(static_cast<size_t>(w) * h * 2, inf);
    using E = std::tuple<int, int, int, int, int>;  // len, bends, x, y, dir
    std::vector<E> heap;
    auto push = [&](E e) {
      heap.push_back(e);
      std::push_heap(heap.begin(), heap.end(), std::greater<E>());
    };
    int ax = static_cast<int>(a.x), ay = static_cast<int>(a.y);
    int bx = static_cast<int>(b.x), by = static_cast<int>(b.y);
    for (int d = 0; d < 2; ++d) {
      cost[id(ax, ay, d)] = {0, 0};
      push({0, 0, ax, ay, d});
    }
    const int dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
    while (!heap.empty()) {
      std::pop_heap(heap.begin(), heap.end(), std::greater<E>());
      auto [len, bends, x, y, d] = heap.back();
      heap.pop_back();
      if (cost[id(x, y, d)] != std::make_pair(len, bends)) {
        continue;
      }
      if (x == bx && y == by) {
        return {len, bends};
      }
      for (int k = 0; k < 4; ++k) {
        int nx = x + dx[k], ny = y + dy[k];
        if (nx < x0_ || nx > x1_ || ny < y0_ || ny > y1_) {
          continue;
        }
        if (monotone && (dx[k] * (bx - x) <= 0 && dy[k] * (by - y) <= 0)) {
          continue;
        }
        RoutePoint p{static_cast<float>(x), static_cast<float>(y)};
        RoutePoint q{static_cast<float>(nx), static_cast<float>(ny)};
        if (!pieceFree(rects_, p, q)) {
          continue;
        }
        int nd = dx[k] != 0 ? 0 : 1;
        std::pair<int, int> c{len + 1, bends + (nd == d ? 0 : 1)};
        if (c < cost[id(nx, ny, nd)]) {
          cost[id(nx, ny, nd)] = c;
          push({c.first, c.second, nx, ny, nd});
        }
      }
    }
    return inf;
  }

 private:
  std::vector<Rect> rects_;
  int x0_, y0_, x1_, y1_;
};

// Up to most - 1 rectangles with integer corners on a grid of 6 to 5 +
// spread steps, touching and overlapping as they fall, and two ends on the
// grid; with straight, one connection in four is made horizontal.
struct RandomScene {
  std::vector<Rect> rects;
  RoutePoint a;
  RoutePoint b;
};

RandomScene randomScene(unsigned seed, int spread, int most, bool straight) {
  std::mt19937 rng(seed);
  int grid = 6 + static_cast<int>(rng() % static_cast<unsigned>(spread));
  std::uniform_int_distribution<int> c(0, grid), side(1, 1 + grid / 2);
  RandomScene r;
  int n = static_cast<int>(rng() % static_cast<unsigned>(most));
  for (int k = 0; k < n; ++k) {
    float x = static_cast<float>(c(rng)), y = static_cast<float>(c(rng));
    r.rects.push_back({x, y, x + side(rng), y + side(rng)});
  }
  r.a = {static_cast<float>(c(rng)), static_cast<float>(c(rng))};
  r.b = {static_cast<float>(c(rng)), static_cast<float>(c(rng))};
  if (straight && rng() % 4 == 0) {
    r.b.y = r.a.y;
  }
  return r;
}

TEST(RouteFinderTest, AgreesWithALatticeSearch) {
  int kinds[5] = {0, 0, 0, 0, 0};
  for (unsigned seed = 1; seed <= 1000; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    RandomScene scene = randomScene(seed, 10, 9, true);
    const std::vector<Rect>& rects = scene.rects;
    RoutePoint a = scene.a, b = scene.b;
    Scene s(rects);
    Lattice lattice(rects, a, b);
    std::pair<int, int> shortest = lattice.best(a, b, false);
    std::pair<int, int> monotone = lattice.best(a, b, true);
    FreeRoute r = s.finder.route(a, b);
    FreeRoute m = s.finder.monotoneRoute(a, b);
    ++kinds[static_cast<int>(r.kind)];
    ASSERT_EQ(r.found(), shortest.first != INT_MAX);
    ASSERT_EQ(m.found(), monotone.first != INT_MAX);
    ASSERT_EQ(s.finder.monotoneFree(a, b), m.found());
    if (m.found()) {
      expectSound(m, rects, a, b);
      EXPECT_EQ(m.length(), monotone.first);
      EXPECT_EQ(r.points, m.points);
      if (m.kind == RouteKind::staircase) {
        EXPECT_EQ(bendsOf(m), monotone.second);
      }
    }
    if (r.found()) {
      expectSound(r, rects, a, b);
      EXPECT_EQ(r.length(), shortest.first);
      if (r.kind == RouteKind::detour) {
        EXPECT_EQ(bendsOf(r), shortest.second);
      }
    }
    EXPECT_EQ(s.finder.route(a, b).points, r.points);
  }
  // Every kind shows up.
  for (int k = 0; k < 5; ++k) {
    EXPECT_GT(kinds[k], 5) << "kind " << k;
  }
}

// The search over the escape graph alone, on the same kind of scenes with
// touching and overlapping rectangles: a route exactly when the lattice
// has one, as short, with as few bends, every piece free; the same route
// for the same ends, searched again.
TEST(EscapeGraphTest, AgreesWithALatticeSearch) {
  int found = 0;
  for (unsigned seed = 1; seed <= 1000; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    RandomScene scene = randomScene(seed, 12, 14, false);
    const std::vector<Rect>& rects = scene.rects;
    RoutePoint a = scene.a, b = scene.b;
    if (!pieceFree(rects, a, a) || !pieceFree(rects, b, b)) {
      continue;
    }
    ObstacleIndex index(rects);
    EscapeGraph g(index);
    std::vector<RoutePoint> pts = g.route(a, b);
    std::pair<int, int> shortest = Lattice(rects, a, b).best(a, b, false);
    ASSERT_EQ(!pts.empty(), shortest.first != INT_MAX);
    if (pts.empty()) {
      continue;
    }
    ++found;
    FreeRoute r;
    r.kind = RouteKind::detour;
    r.points = pts;
    expectSound(r, rects, a, b);
    EXPECT_EQ(r.length(), shortest.first);
    EXPECT_EQ(bendsOf(r), a == b ? 0 : shortest.second);
    EXPECT_EQ(g.route(a, b), pts);
  }
  EXPECT_GT(found, 500);
}

// A spiral of walls, each with one gap on alternate sides: from the middle
// the only way out winds through every gap.
TEST(EscapeGraphTest, WindsOutOfASpiral) {
  std::vector<Rect> rects;
  const float c = 100;
  for (int k = 1; k <= 12; ++k) {
    float lo = c - 4 * k, hi = c + 4 * k;
    bool right = k % 2 == 1;
    float gx = right ? hi - 1 : lo, wx = right ? lo : hi - 1;
    rects.push_back({lo, lo, hi, lo + 1});
    rects.push_back({lo, hi - 1, hi, hi});
    rects.push_back({wx, lo, wx + 1, hi});
    rects.push_back({gx, lo, gx + 1, c - 1});
    rects.push_back({gx, c + 1, gx + 1, hi});
  }
  ObstacleIndex index(rects);
  EscapeGraph g(index);
  RoutePoint a{c, c}, b{c, c + 60};
  std::vector<RoutePoint> pts = g.route(a, b);
  FreeRoute r;
  r.kind = RouteKind::detour;
  r.points = pts;
  expectSound(r, rects, a, b);
  std::pair<int, int> shortest = Lattice(rects, a, b).best(a, b, false);
  EXPECT_EQ(r.length(), shortest.first);
  EXPECT_EQ(bendsOf(r), shortest.second);
  RouteFinder finder(index);
  EXPECT_EQ(finder.route(a, b).points, pts) << "the window is too crowded";
}

}  // namespace
