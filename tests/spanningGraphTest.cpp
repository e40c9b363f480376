#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "geometry/edge.h"
#include "geometry/vertex.h"
#include "router/router.h"
#include "scene.h"
#include "tests/referenceSweep.h"

namespace {

// The spanning graph built stage by stage, as formSG builds it.
struct Layers {
  Edges obst;
  Edges quad[4];
};

Edges takeFrom(const Router& r, size_t from) {
  Edges out;
  for (size_t k = from; k < r.sgEdges.size(); ++k) {
    out.emplace_back(r.sgEdges[k]->pStart, r.sgEdges[k]->pEnd);
  }
  return out;
}

// Sweep n, 0 for the first.
void runSweep(Router& r, int n) {
  switch (n) {
    case 0:
      r.connectQuad1();
      break;
    case 1:
      r.connectQuad2();
      break;
    case 2:
      r.connectQuad3();
      break;
    default:
      r.connectQuad4();
  }
}

Layers buildLayers(Router& r) {
  Layers l;
  size_t from = r.sgEdges.size();
  r.connectObstEdges();
  l.obst = takeFrom(r, from);
  for (int n = 0; n < 4; ++n) {
    from = r.sgEdges.size();
    runSweep(r, n);
    l.quad[n] = takeFrom(r, from);
  }
  return l;
}

// Every sgNbrs list holds the other end of each edge at its vertex, in the
// order the edges were made.
void expectNbrsFollowEdges(const Router& r) {
  for (Vertex* v : r.vertices) {
    std::vector<Vertex*> want;
    for (const Edge* e : r.sgEdges) {
      if (e->pStart == v) {
        want.push_back(e->pEnd);
      }
      if (e->pEnd == v) {
        want.push_back(e->pStart);
      }
    }
    EXPECT_EQ(v->sgNbrs, want);
  }
}

// Quadrant n (0 for the first) of d, closed: upper right, lower right,
// lower left, upper left.
bool inQuadrant(int n, const Vertex* p, const Vertex* d) {
  bool right = n < 2;
  bool up = n == 0 || n == 3;
  bool xOk = right ? p->x >= d->x : p->x <= d->x;
  bool yOk = up ? p->y >= d->y : p->y <= d->y;
  return xOk && yOk;
}

double sweepKey(int n, const Vertex* v) {
  double x = v->x, y = v->y;
  const double keys[4] = {x + y, x - y, -x - y, y - x};
  return keys[n];
}

struct Frame {
  double x, y, unit;
};

// Grid points in one frame; all sums and differences stay exact floats.
std::pair<float, float> place(const Frame& fr, int gx, int gy) {
  return {static_cast<float>(fr.x + gx * fr.unit),
          static_cast<float>(fr.y + gy * fr.unit)};
}

const Frame kFrames[] = {
    {0, 0, 1},
    {-5e5, -5e5, 1},
    {3e6, -5e5, 1},
    {0x1p100, -0x1p100, 0x1p80},
    {-0x1p100, 0x1p100, 0x1p80},
};

std::vector<Vertex*> sorted(Router& r, const char* key) {
  return r.sortVerPointers(key);
}

TEST(SortVerPointersTest, EmptyListGivesEmptyOrders) {
  Scene s;
  for (const char* key : {"x", "y", "x+y", "x-y", "-x-y", "-x+y"}) {
    EXPECT_TRUE(sorted(s.router(), key).empty()) << key;
  }
}

TEST(SortVerPointersTest, UnknownKeyNamesGiveEmptyOrders) {
  Scene s;
  s.addPin(1, 2);
  s.addPin(3, 4);
  for (const char* key : {"y+x", "X", "x+y ", " x-y", "x - y", "", "-y-x",
                          "+x+y", "y-x", "x+y\n"}) {
    EXPECT_TRUE(sorted(s.router(), key).empty()) << '"' << key << '"';
  }
  EXPECT_EQ(sorted(s.router(), "x").size(), 2u);
}

TEST(SortVerPointersTest, OrdersByEachDiagonal) {
  Scene s;
  Vertex* a = s.addPin(0, 5);
  Vertex* b = s.addPin(3, 3);
  Vertex* c = s.addPin(4, 0);
  Router& r = s.router();
  EXPECT_EQ(sorted(r, "x-y"), (std::vector<Vertex*>{a, b, c}));
  EXPECT_EQ(sorted(r, "-x+y"), (std::vector<Vertex*>{c, b, a}));
  EXPECT_EQ(sorted(r, "x+y"), (std::vector<Vertex*>{c, a, b}));
  EXPECT_EQ(sorted(r, "-x-y"), (std::vector<Vertex*>{b, a, c}));
  EXPECT_EQ(sorted(r, "x"), (std::vector<Vertex*>{a, b, c}));
  EXPECT_EQ(sorted(r, "y"), (std::vector<Vertex*>{c, b, a}));
}

TEST(SortVerPointersTest, KeepsEqualKeysAndEveryType) {
  Scene s;
  Vertex* p = s.addPin(1, 1);
  Vertex* q = s.addPin(0, 2);  // same x+y as p
  std::vector<Vertex*> ring = s.addRect(5, 5, 6, 7);
  std::vector<Vertex*> got = sorted(s.router(), "x+y");
  ASSERT_EQ(got.size(), 6u);
  EXPECT_TRUE((got[0] == p && got[1] == q) || (got[0] == q && got[1] == p));
  EXPECT_EQ(got[2], ring[0]);
  EXPECT_EQ(std::set<Vertex*>(got.begin(), got.end()).size(), 6u);
  EXPECT_TRUE(s.router().sgEdges.empty());
}

// The key is the float sum: 2^24 + 1 rounds to 2^24, so these two tie
// rather than order by their exact sums.
TEST(SortVerPointersTest, KeyIsTheRoundedFloatValue) {
  Scene s;
  Vertex* a = s.addPin(16777216.0f, 1);
  Vertex* b = s.addPin(16777216.0f, 0);
  Vertex* c = s.addPin(16777214.0f, 0);
  std::vector<Vertex*> got = sorted(s.router(), "x+y");
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0], c);
  EXPECT_EQ(std::set<Vertex*>({got[1], got[2]}), std::set<Vertex*>({a, b}));
}

TEST(SpanningGraphTest, EmptyInputGivesAnEmptyGraph) {
  Scene s;
  s.router().formSG();
  EXPECT_TRUE(s.router().sgEdges.empty());
}

TEST(SpanningGraphTest, PinsOnlyHaveNoObstacleEdges) {
  Scene s;
  s.addPin(0, 0);
  s.addPin(1, 7);
  s.router().connectObstEdges();
  EXPECT_TRUE(s.router().sgEdges.empty());
}

// (3,4) lies upper right of (0,0): the first sweep joins them from (3,4),
// the third from (0,0); the other two find nothing.
TEST(SpanningGraphTest, TwoPinsAreJoinedByTheFirstAndThirdSweeps) {
  Scene s;
  Vertex* a = s.addPin(0, 0);
  Vertex* b = s.addPin(3, 4);
  Layers l = buildLayers(s.router());
  EXPECT_TRUE(l.obst.empty());
  EXPECT_EQ(l.quad[0], (Edges{{b, a}}));
  EXPECT_TRUE(l.quad[1].empty());
  EXPECT_EQ(l.quad[2], (Edges{{a, b}}));
  EXPECT_TRUE(l.quad[3].empty());
  EXPECT_EQ(a->sgNbrs, (std::vector<Vertex*>{b, b}));
  EXPECT_EQ(b->sgNbrs, (std::vector<Vertex*>{a, a}));
}

// The closed quadrants make two pins on one line each other's partners in
// every sweep.
TEST(SpanningGraphTest, PinsOnOneLineGiveFourParallelEdges) {
  for (bool vertical : {false, true}) {
    SCOPED_TRACE(vertical ? "vertical" : "horizontal");
    Scene s;
    Vertex* a = s.addPin(0, 0);
    Vertex* b = vertical ? s.addPin(0, 5) : s.addPin(5, 0);
    Layers l = buildLayers(s.router());
    if (vertical) {
      EXPECT_EQ(l.quad[0], (Edges{{b, a}}));
      EXPECT_EQ(l.quad[1], (Edges{{a, b}}));
      EXPECT_EQ(l.quad[2], (Edges{{a, b}}));
      EXPECT_EQ(l.quad[3], (Edges{{b, a}}));
    } else {
      EXPECT_EQ(l.quad[0], (Edges{{b, a}}));
      EXPECT_EQ(l.quad[1], (Edges{{b, a}}));
      EXPECT_EQ(l.quad[2], (Edges{{a, b}}));
      EXPECT_EQ(l.quad[3], (Edges{{a, b}}));
    }
  }
}

// A long flat block between (10,0) and (12,10): no sweep joins the pins,
// yet a pin level with the block's tracked side still reaches past it.
class WallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    p1 = scene.addPin(10, 0);
    p2 = scene.addPin(12, 10);
    std::vector<Vertex*> r =
        scene.addCorners({{0, 4}, {30, 4}, {30, 6}, {0, 6}});
    a = r[0], b = r[1], c = r[2], d = r[3];
  }
  Scene scene;
  Vertex *p1, *p2, *a, *b, *c, *d;
};

TEST_F(WallTest, EachSweepGivesItsHandWorkedEdges) {
  Layers l = buildLayers(scene.router());
  EXPECT_EQ(l.obst, (Edges{{a, b}, {b, c}, {c, d}, {d, a}}));
  // (30,4) reaches (10,0) although the bottom side is tracked: it is level
  // with that side.
  EXPECT_EQ(l.quad[0], (Edges{{d, a}, {p2, d}, {b, p1}, {c, b}}));
  EXPECT_EQ(l.quad[1], (Edges{{a, d}, {p1, a}, {c, p2}, {b, c}}));
  EXPECT_EQ(l.quad[2], (Edges{{b, c}, {p1, b}, {d, p2}, {a, d}}));
  EXPECT_EQ(l.quad[3], (Edges{{c, b}, {p2, c}, {a, p1}, {d, a}}));
  expectNbrsFollowEdges(scene.router());
}

TEST_F(WallTest, FormSGBuildsTheSameGraph) {
  Scene stages;
  stages.addPin(10, 0);
  stages.addPin(12, 10);
  stages.addCorners({{0, 4}, {30, 4}, {30, 6}, {0, 6}});
  buildLayers(stages.router());
  scene.router().formSG();
  const std::vector<Edge*>& got = scene.router().sgEdges;
  const std::vector<Edge*>& want = stages.router().sgEdges;
  ASSERT_EQ(got.size(), want.size());
  for (size_t k = 0; k < got.size(); ++k) {
    EXPECT_EQ(got[k]->pStart->x, want[k]->pStart->x);
    EXPECT_EQ(got[k]->pStart->y, want[k]->pStart->y);
    EXPECT_EQ(got[k]->pEnd->x, want[k]->pEnd->x);
    EXPECT_EQ(got[k]->pEnd->y, want[k]->pEnd->y);
  }
  for (const Edge* e : got) {
    bool pins = e->pStart->isAPin() && e->pEnd->isAPin();
    EXPECT_FALSE(pins) << "the pins were joined through the block";
  }
}

// One rectangle alone: every sweep joins corners along its sides only.
TEST(SpanningGraphTest, LoneRectangleGivesSixteenSideEdges) {
  for (bool clockwise : {false, true}) {
    SCOPED_TRACE(clockwise ? "clockwise" : "counter-clockwise");
    Scene s;
    std::vector<Vertex*> ring = s.addRect(0, 0, 2, 1, clockwise);
    Layers l = buildLayers(s.router());
    Edges sides;
    for (int k = 0; k < 4; ++k) {
      sides.emplace_back(ring[k], ring[(k + 1) % 4]);
    }
    EXPECT_EQ(l.obst, sides);
    for (int n = 0; n < 4; ++n) {
      EXPECT_EQ(l.quad[n].size(), 3u) << "sweep " << n + 1;
    }
    EXPECT_EQ(s.router().sgEdges.size(), 16u);
    for (const Edge* e : s.router().sgEdges) {
      EXPECT_TRUE(e->pStart->x == e->pEnd->x || e->pStart->y == e->pEnd->y);
    }
    for (Vertex* v : ring) {
      EXPECT_EQ(v->sgNbrs.size(), 8u);
      EXPECT_EQ(std::set<Vertex*>(v->sgNbrs.begin(), v->sgNbrs.end()).size(),
                2u);
    }
    expectNbrsFollowEdges(s.router());
  }
}

// Sweep n's scene, mirrored from the first sweep's: f looks for partners
// past d1 (blocked by the tracked long side) to d2, gap to the side of d1.
// The first sweep steps the bound by 0.01, the others by 0.1, so only the
// first reaches d2 at a gap of 0.05.
TEST(SpanningGraphTest, BoundStepDecidesWhetherANearXIsExamined) {
  for (int n = 0; n < 4; ++n) {
    for (float gap : {0.05f, 0.2f}) {
      SCOPED_TRACE("sweep " + std::to_string(n + 1) + ", gap " +
                   std::to_string(gap));
      bool flipX = n >= 2, flipY = n == 1 || n == 2;
      auto mx = [&](float x) { return flipX ? 40 - x : x; };
      auto my = [&](float y) { return flipY ? 10 - y : y; };
      Scene s;
      s.addPin(mx(11), my(0));
      Vertex* d2 = s.addPin(mx(11) + (flipX ? gap : -gap), my(2));
      Vertex* f = s.addPin(mx(13), my(5));
      float x1 = mx(5), x2 = mx(30), y1 = my(1), y2 = my(1.5f);
      s.addRect(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2),
                std::max(y1, y2));
      Router& r = s.router();
      runSweep(r, n);
      bool joined = false;
      for (const Edge* e : r.sgEdges) {
        joined = joined || (e->pStart == f && e->pEnd == d2);
      }
      EXPECT_EQ(joined, n == 0 || gap > 0.1f);
    }
  }
}

// d1 is blocked from f by the tracked long side; the bound then moves past
// d1's x, so f never examines d2 at that same x although nothing blocks it.
// Beyond 2^18 the 0.01 step rounds away and the next float below d1's x is
// examined instead; before, a rejected d1 was found again and again.
TEST(SpanningGraphTest, BoundMovesJustPastTheCandidateX) {
  for (float x : {10.0f, 3e6f}) {
    for (bool sharedX : {true, false}) {
      for (bool withD1 : {true, false}) {
        SCOPED_TRACE("x " + std::to_string(x) + (sharedX ? ", shared" : "") +
                     (withD1 ? ", with d1" : ""));
        Scene s;
        if (withD1) {
          s.addPin(x, 0);
        }
        Vertex* d2 = s.addPin(sharedX ? x : std::nextafter(x, 0.0f), 2);
        Vertex* f = s.addPin(x + 3, 5);
        s.addRect(x - 5, 1, x + 20, 1.5f);
        Router& r = s.router();
        r.connectQuad1();
        bool joined = false;
        for (const Edge* e : r.sgEdges) {
          joined = joined || (e->pStart == f && e->pEnd == d2);
        }
        EXPECT_EQ(joined, !withD1 || (!sharedX && x > 262144));
      }
    }
  }
}

// Near 3e6 and -5e5 and far beyond, d.x -+ 0.1 (0.01 in the first sweep)
// rounds back to d.x: a rejected candidate used to be found forever.
TEST(SpanningGraphTest, SweepsEndWhereTheRoundedBoundWouldNotMove) {
  for (const Frame& fr : kFrames) {
    SCOPED_TRACE(fr.x);
    Scene s;
    auto p = place(fr, 0, 10);
    Vertex* d = s.addPin(p.first, p.second);
    p = place(fr, 20, 0);
    Vertex* f = s.addPin(p.first, p.second);
    Layers l = buildLayers(s.router());
    EXPECT_TRUE(l.quad[0].empty());
    EXPECT_EQ(l.quad[1], (Edges{{f, d}}));
    EXPECT_TRUE(l.quad[2].empty());
    EXPECT_EQ(l.quad[3], (Edges{{d, f}}));
  }
}

// Without obstacles and with x, y, x+y and x-y all distinct, each sweep
// joins every vertex to its rectilinearly nearest vertex in its closed
// quadrant, swept vertex first, in sweep order and then outward in x.
TEST(SpanningGraphTest, SweepsJoinNearestInQuadrantWithoutObstacles) {
  for (const Frame& fr : kFrames) {
    for (unsigned seed = 1; seed <= 25; ++seed) {
      SCOPED_TRACE("frame x " + std::to_string(fr.x) + ", seed " +
                   std::to_string(seed));
      std::mt19937 rng(seed);
      int n = 2 + static_cast<int>(rng() % 60);
      std::uniform_int_distribution<int> coord(0, 999);
      std::set<int> xs, ys, sums, diffs;
      Scene s;
      while (static_cast<int>(s.pins.size()) < n) {
        int gx = coord(rng), gy = coord(rng);
        if (xs.count(gx) || ys.count(gy) || sums.count(gx + gy) ||
            diffs.count(gx - gy)) {
          continue;
        }
        xs.insert(gx), ys.insert(gy), sums.insert(gx + gy);
        diffs.insert(gx - gy);
        auto p = place(fr, gx, gy);
        s.addPin(p.first, p.second);
      }
      Layers l = buildLayers(s.router());
      for (int q = 0; q < 4; ++q) {
        SCOPED_TRACE("sweep " + std::to_string(q + 1));
        std::vector<
            std::pair<std::pair<double, double>, std::pair<Vertex*, Vertex*>>>
            want;
        for (Vertex* d : s.pins) {
          Vertex* best = nullptr;
          double bestDist = 0;
          for (Vertex* p : s.pins) {
            if (p == d || !inQuadrant(q, p, d)) {
              continue;
            }
            double dist = std::fabs(static_cast<double>(p->x) - d->x) +
                          std::fabs(static_cast<double>(p->y) - d->y);
            if (!best || dist < bestDist) {
              best = p, bestDist = dist;
            }
          }
          if (best) {
            double outward = q < 2 ? -d->x : d->x;
            want.push_back({{sweepKey(q, best), outward}, {best, d}});
          }
        }
        std::sort(want.begin(), want.end());
        Edges wantEdges;
        for (const auto& w : want) {
          wantEdges.push_back(w.second);
        }
        EXPECT_EQ(l.quad[q], wantEdges);
      }
    }
  }
}

// Random overlapping blocks and pins on a small grid, so that ties and every
// rule of the obstacle test occur; the sweeps against their row-by-row
// transcription.
TEST(SpanningGraphTest, SweepsMatchTheirTableWithObstacles) {
  const char* keys[4] = {"x+y", "x-y", "-x-y", "-x+y"};
  RuleCounts rules;
  for (unsigned seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Scene s;
    s.addRandomRects(3 + seed % 8, seed, 30, 10);
    s.addRandomPins(10 + seed % 30, seed + 700, 30);
    Router& r = s.router();
    std::vector<std::vector<Vertex*>> orders;
    for (const char* key : keys) {
      orders.push_back(r.sortVerPointers(key));
    }
    Layers l = buildLayers(r);
    for (int n = 0; n < 4; ++n) {
      SCOPED_TRACE("sweep " + std::to_string(n + 1));
      EXPECT_EQ(l.quad[n], referenceSweep(n, orders[n], rules));
    }
  }
  EXPECT_GT(rules.neither, 0);
  EXPECT_GT(rules.hOnly, 0);
  EXPECT_GT(rules.wOnly, 0);
  EXPECT_GT(rules.noneBetween, 0);
  EXPECT_GT(rules.bothBetween, 0);
  EXPECT_GT(rules.wBetween, 0);
  EXPECT_GT(rules.hBetween, 0);
}

// Coordinates made of grid points in a frame that keeps all of them exact.
// Moving and scaling the plane exactly must not change the graph, with
// obstacles too; the plain grid frame is the reference.
TEST(SpanningGraphTest, GraphIsTheSameInEveryExactFrame) {
  for (unsigned seed = 1; seed <= 30; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::vector<std::pair<int, int>> ref;
    for (const Frame& fr : kFrames) {
      SCOPED_TRACE("frame x " + std::to_string(fr.x));
      Scene s;
      s.addRandomRects(4, seed, 40, 8);
      s.addRandomPins(30, seed + 1000, 40);
      for (std::vector<Vertex*>* list : {&s.pins, &s.corners}) {
        for (Vertex* v : *list) {
          auto p = place(fr, static_cast<int>(v->x), static_cast<int>(v->y));
          v->x = p.first, v->y = p.second;
        }
      }
      Router& r = s.router();
      r.formSG();
      std::vector<std::pair<int, int>> got;
      auto index = [&](const Vertex* v) {
        return static_cast<int>(
            std::find(r.vertices.begin(), r.vertices.end(), v) -
            r.vertices.begin());
      };
      for (const Edge* e : r.sgEdges) {
        got.emplace_back(index(e->pStart), index(e->pEnd));
      }
      if (ref.empty()) {
        ref = got;
      } else {
        EXPECT_EQ(got, ref);
      }
    }
  }
}

// With obstacles there is no simple oracle, but every sweep edge still joins
// a waiting vertex, once, to a vertex in its quadrant swept after it.
TEST(SpanningGraphTest, SweepEdgesStayInTheirQuadrantsWithObstacles) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Scene s;
    s.addRandomRects(6, seed, 60, 12);
    s.addRandomPins(40, seed + 500, 60);
    Layers l = buildLayers(s.router());
    for (int q = 0; q < 4; ++q) {
      SCOPED_TRACE("sweep " + std::to_string(q + 1));
      std::set<Vertex*> joined;
      double lastKey = -1e300;
      for (const auto& e : l.quad[q]) {
        EXPECT_TRUE(inQuadrant(q, e.first, e.second));
        EXPECT_LE(sweepKey(q, e.second), sweepKey(q, e.first));
        EXPECT_LE(lastKey, sweepKey(q, e.first)) << "out of sweep order";
        lastKey = sweepKey(q, e.first);
        EXPECT_TRUE(joined.insert(e.second).second)
            << "a waiting vertex joined twice";
      }
    }
    expectNbrsFollowEdges(s.router());
  }
}

TEST(SpanningGraphTest, SameInputGivesTheSameGraph) {
  auto run = [](unsigned seed) {
    Scene s;
    s.addRandomRects(8, seed, 50, 10);
    s.addRandomPins(50, seed, 50);
    s.router().formSG();
    std::vector<float> out;
    for (const Edge* e : s.router().sgEdges) {
      out.insert(out.end(),
                 {e->pStart->x, e->pStart->y, e->pEnd->x, e->pEnd->y});
    }
    return out;
  };
  for (unsigned seed = 1; seed <= 5; ++seed) {
    SCOPED_TRACE(seed);
    EXPECT_EQ(run(seed), run(seed));
  }
}

}  // namespace
