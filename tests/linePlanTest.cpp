#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "spatial/escapeGraph.h"
#include "spatial/linePlan.h"
#include "spatial/sightLimits.h"
#include "spatial/wirePlan.h"

namespace {

// Wires on a small grid so that they meet, overlap and touch often: long
// lines across, short pieces, some of no length.
std::vector<Wire> randomWires(std::mt19937& rng, int count, int size) {
  std::uniform_int_distribution<int> at(0, size), kind(0, 3);
  std::vector<Wire> wires;
  for (int k = 0; k < count; ++k) {
    float line = static_cast<float>(at(rng));
    float a = static_cast<float>(at(rng)), b = static_cast<float>(at(rng));
    if (kind(rng) == 0) {
      a = 0, b = static_cast<float>(size);
    }
    if (k % 2) {
      wires.push_back({a, line, b, line});
    } else {
      wires.push_back({line, a, line, b});
    }
  }
  return wires;
}

// Whether the piece's midpoint lies on one of the wires along its axis.
bool covered(const RoutePoint& p,
             const RoutePoint& q,
             const std::vector<Wire>& wires) {
  double mx = (static_cast<double>(p.x) + q.x) / 2;
  double my = (static_cast<double>(p.y) + q.y) / 2;
  bool horizontal = p.y == q.y;
  for (const Wire& w : wires) {
    bool wh = w.y1 == w.y2 && w.x1 != w.x2;
    bool wv = w.x1 == w.x2 && w.y1 != w.y2;
    if (horizontal && wh && w.y1 == p.y && std::min(w.x1, w.x2) <= mx &&
        mx <= std::max(w.x1, w.x2)) {
      return true;
    }
    if (!horizontal && wv && w.x1 == p.x && std::min(w.y1, w.y2) <= my &&
        my <= std::max(w.y1, w.y2)) {
      return true;
    }
  }
  return false;
}

TEST(LinePlanTest, PlansAsTheGeneralPlannerDoesAndMarksTheCoveredPieces) {
  std::mt19937 rng(7);
  LinePlanScratch scratch;
  WirePlan plan;
  std::vector<char> marked;
  for (int trial = 0; trial < 400; ++trial) {
    int size = 4 + trial % 12;
    std::vector<Wire> lines = randomWires(rng, 1 + trial % 17, size);
    std::vector<Wire> tree = randomWires(rng, trial % 9, size);
    std::uniform_int_distribution<int> at(0, size);
    std::vector<RoutePoint> pins;
    for (int k = 0; k < trial % 7; ++k) {
      pins.push_back(
          {static_cast<float>(at(rng)), static_cast<float>(at(rng))});
    }
    std::vector<LineStretch> h, v;
    addStretches(lines, false, h, v);
    addStretches(tree, true, h, v);
    planLines(h, v, pins, plan, &marked, scratch);
    std::vector<Wire> all = lines;
    all.insert(all.end(), tree.begin(), tree.end());
    WirePlan want = planWires(all, pins);
    ASSERT_EQ(plan.nodes, want.nodes) << trial;
    ASSERT_EQ(plan.pieces, want.pieces) << trial;
    ASSERT_EQ(marked.size(), plan.pieces.size());
    for (size_t k = 0; k < plan.pieces.size(); ++k) {
      EXPECT_EQ(marked[k] != 0,
                covered(plan.nodes[plan.pieces[k].first],
                        plan.nodes[plan.pieces[k].second], tree))
          << trial << " piece " << k;
    }
  }
}

// Lines given as their unit steps (upper ends then come in order), some
// with a longer stretch over them and pins along them: the same plan.
TEST(LinePlanTest, PlansLinesGivenStepByStep) {
  std::mt19937 rng(11);
  LinePlanScratch scratch;
  WirePlan plan;
  for (int trial = 0; trial < 200; ++trial) {
    int size = 4 + trial % 10;
    std::vector<Wire> lines = randomWires(rng, 1 + trial % 11, size);
    std::vector<Wire> steps;
    for (const Wire& w : lines) {
      bool horizontal = w.y1 == w.y2;
      float a = horizontal ? std::min(w.x1, w.x2) : std::min(w.y1, w.y2);
      float b = horizontal ? std::max(w.x1, w.x2) : std::max(w.y1, w.y2);
      for (float t = a; t < b; ++t) {
        steps.push_back(horizontal ? Wire{t, w.y1, t + 1, w.y1}
                                   : Wire{w.x1, t, w.x1, t + 1});
      }
    }
    std::vector<Wire> over = randomWires(rng, trial % 4, size);
    std::uniform_int_distribution<int> at(0, size);
    std::vector<RoutePoint> pins;
    for (int k = 0; k < trial % 6; ++k) {
      pins.push_back(
          {static_cast<float>(at(rng)), static_cast<float>(at(rng))});
    }
    std::vector<LineStretch> h, v;
    addStretches(over, true, h, v);
    addStretches(steps, false, h, v);
    planLines(h, v, pins, plan, nullptr, scratch);
    std::vector<Wire> all = steps;
    all.insert(all.end(), over.begin(), over.end());
    WirePlan want = planWires(all, pins);
    ASSERT_EQ(plan.nodes, want.nodes) << trial;
    ASSERT_EQ(plan.pieces, want.pieces) << trial;
  }
}

// Rectangles on a small grid, touching and overlapping, some flat; the
// points on the same grid, corners among them.
TEST(SightLimitsTest, PairByPairAgreesWithTheSweep) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 300; ++trial) {
    int size = 3 + trial % 10;
    std::uniform_int_distribution<int> at(0, size);
    std::vector<ObstacleIndex::Rect> rects;
    for (int k = 0; k < 1 + trial % 9; ++k) {
      float x1 = static_cast<float>(at(rng)), x2 = static_cast<float>(at(rng));
      float y1 = static_cast<float>(at(rng)), y2 = static_cast<float>(at(rng));
      rects.push_back({std::min(x1, x2), std::min(y1, y2), std::max(x1, x2),
                       std::max(y1, y2)});
    }
    std::vector<float> xs, ys;
    for (int k = 0; k < 20; ++k) {
      xs.push_back(static_cast<float>(at(rng)));
      ys.push_back(static_cast<float>(at(rng)));
    }
    EXPECT_EQ(fewSightLimits(rects, xs, ys), sightLimits(rects, xs, ys))
        << trial;
  }
}

}  // namespace
