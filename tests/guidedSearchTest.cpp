#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

#include "geometry/obstacleRects.h"
#include "geometry/segment.h"
#include "options/exactSteiner.h"
#include "options/guidedSearch.h"
#include "options/improveTree.h"
#include "options/localSearch.h"
#include "router/router.h"
#include "tests/legalTree.h"
#include "tests/scene.h"

namespace {

const double kAll = std::numeric_limits<double>::infinity();

// Penalties against a unit-by-unit count: on whole coordinates a piece's
// extra cost is weight times, per unit step of it, the number of
// penalised wires on its line covering that step.
TEST(GuidedSearchTest, PenaltiesCountEachCoveredUnit) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> at(0, 12);
  for (int trial = 0; trial < 300; ++trial) {
    std::vector<Wire> marked;
    for (int k = 0; k < 6; ++k) {
      float line = static_cast<float>(at(rng) % 3), a = at(rng), b = at(rng);
      marked.push_back(k % 2 ? Wire{a, line, b, line} : Wire{line, a, line, b});
    }
    Penalties penalties;
    penalties.weight = 0.5;
    penalties.add(marked);
    penalties.add({marked[0]});  // counted twice
    penalties.sorted();
    bool horizontal = trial % 2 == 1;
    double line = at(rng) % 3, a = at(rng), b = at(rng);
    double lo = std::min(a, b), hi = std::max(a, b);
    double units = 0;
    for (double x = lo; x < hi; ++x) {
      for (size_t k = 0; k <= marked.size(); ++k) {
        const Wire& w = marked[k == marked.size() ? 0 : k];
        bool h = w.y1 == w.y2 && w.x1 != w.x2;
        double wl = h ? std::min(w.x1, w.x2) : std::min(w.y1, w.y2);
        double wh = h ? std::max(w.x1, w.x2) : std::max(w.y1, w.y2);
        units += h == horizontal && (h ? w.y1 : w.x1) == line && wl <= x &&
                 x + 1 <= wh;
      }
    }
    EXPECT_EQ(penalties.extra(horizontal, line, lo, hi), 0.5 * units);
    Noise noise;
    noise.penalties = &penalties;
    double cost = horizontal ? noise.cost(a, line, b, line)
                             : noise.cost(line, a, line, b);
    EXPECT_EQ(cost, hi - lo + 0.5 * units);
  }
}

// Two pins at opposite corners, two shortest L-shaped ways: penalising the
// one the tree takes moves the search onto the other.
TEST(GuidedSearchTest, PenaltiesMoveTheSearchOffTheirWay) {
  std::vector<RoutePoint> pins{{0, 0}, {10, 10}};
  std::vector<Wire> low{{0, 0, 10, 0}, {10, 0, 10, 10}};
  ObstacleIndex none;
  Penalties penalties;
  penalties.weight = 0.2;
  penalties.add(low);
  penalties.sorted();
  Noise noise;
  noise.penalties = &penalties;
  WirePlanScratch plan;
  WorkBudget budget{kAll};
  std::vector<Wire> out =
      localSearchTree(low, pins, none, budget, plan, SearchGraph::grid, false,
                      false, {}, noise);
  EXPECT_EQ(wireLength(out), 20);
  for (const Wire& w : out) {
    EXPECT_EQ(noise.length(w), wireLength({w})) << "still on a penalised way";
  }
}

// Random small nets among obstacles: the guided search's tree is legal,
// joins the pins as the start does, is never longer than the start nor
// shorter than the exact solver's optimum, and is the same when run again.
TEST(GuidedSearchTest, RandomNetsLegalNoLongerRepeatable) {
  for (unsigned seed = 1; seed <= 30; ++seed) {
    SCOPED_TRACE(seed);
    Scene s;
    s.addRandomRects(static_cast<int>(seed % 9), seed, 40, 10);
    s.addRandomPins(7 + static_cast<int>(seed % 5), seed + 1000, 40);
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
    Guidance guidance;
    guidance.rounds = 3;
    guidance.share = 0.3;
    guidance.iterate = seed % 2 == 0;
    std::vector<std::vector<Wire>> others{start};
    if (seed % 3 == 0) {
      guidance.others = &others;
      guidance.away = 0.05;
    }
    WirePlanScratch plan;
    FlatScratch flat;
    ExactScratch exact;
    std::vector<Wire> out = guidedSearchTree(start, pins, index, guidance, 1e6,
                                             6, plan, flat, exact);
    std::vector<Wire> twice = guidedSearchTree(start, pins, index, guidance,
                                               1e6, 6, plan, flat, exact);
    ASSERT_EQ(out.size(), twice.size());
    for (size_t k = 0; k < out.size(); ++k) {
      EXPECT_TRUE(out[k].x1 == twice[k].x1 && out[k].y1 == twice[k].y1 &&
                  out[k].x2 == twice[k].x2 && out[k].y2 == twice[k].y2);
    }
    EXPECT_LE(wireLength(out), wireLength(start));
    EXPECT_EQ(countPinParts(out, pins), countPinParts(start, pins));
    if (r.pinPartCount == 1) {
      expectLegalTree(pins, rects, out);
    }
    WorkBudget all{kAll};
    ExactTree best = solveExactTree(pins, index, {-20, -20, 60, 60}, all);
    if (best.status == ExactStatus::solved) {
      EXPECT_GE(wireLength(out), best.length - 1e-9);
    }
  }
}

}  // namespace
