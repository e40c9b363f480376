#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "spatial/wirePlan.h"
#include "tests/cleanTree.h"

// Found by argument lookup, so beside Wire.
namespace treecore::plane {

std::ostream& operator<<(std::ostream& o, const Wire<float>& w) {
  return o << "(" << w.x1 << "," << w.y1 << ")-(" << w.x2 << "," << w.y2 << ")";
}

std::ostream& operator<<(std::ostream& o, const Point<float>& p) {
  return o << "(" << p.x << "," << p.y << ")";
}

}  // namespace treecore::plane

namespace {

// The length of the union of the wires, the slow way: unit steps of wires
// with integer ends.
double unionLength(const std::vector<Wire>& wires) {
  std::vector<std::tuple<int, int, int>> steps;  // x, y, 0 right / 1 up
  for (const Wire& w : wires) {
    int x1 = static_cast<int>(std::min(w.x1, w.x2));
    int x2 = static_cast<int>(std::max(w.x1, w.x2));
    int y1 = static_cast<int>(std::min(w.y1, w.y2));
    int y2 = static_cast<int>(std::max(w.y1, w.y2));
    for (int x = x1; x < x2; ++x) {
      steps.emplace_back(x, y1, 0);
    }
    for (int y = y1; y < y2; ++y) {
      steps.emplace_back(x1, y, 1);
    }
  }
  std::sort(steps.begin(), steps.end());
  return static_cast<double>(std::unique(steps.begin(), steps.end()) -
                             steps.begin());
}

// Which pins share a part of the wire, as a label per pin: the smallest
// index of a pin in its part. The slow way, for wires with integer ends:
// lattice points joined by the unit steps of the wires. A pin on no wire is
// joined only to pins at its point.
std::vector<int> pinParts(const std::vector<Wire>& wires,
                          const std::vector<RoutePoint>& pins) {
  std::map<std::pair<int, int>, std::pair<int, int>> up;
  std::function<std::pair<int, int>(std::pair<int, int>)> root =
      [&](std::pair<int, int> p) {
        auto it = up.find(p);
        return it == up.end() || it->second == p ? p : root(it->second);
      };
  auto joinSteps = [&](int x1, int y1, int x2, int y2) {
    for (int x = std::min(x1, x2); x < std::max(x1, x2); ++x) {
      up.emplace(std::make_pair(x, y1), std::make_pair(x, y1));
      up[root({x, y1})] = root({x + 1, y1});
    }
    for (int y = std::min(y1, y2); y < std::max(y1, y2); ++y) {
      up.emplace(std::make_pair(x1, y), std::make_pair(x1, y));
      up[root({x1, y})] = root({x1, y + 1});
    }
  };
  std::set<std::pair<int, int>> onWire;
  for (const Wire& w : wires) {
    int x1 = static_cast<int>(w.x1), y1 = static_cast<int>(w.y1);
    int x2 = static_cast<int>(w.x2), y2 = static_cast<int>(w.y2);
    joinSteps(x1, y1, x2, y2);
    if (x1 == x2 && y1 == y2) {
      continue;  // draws nothing
    }
    for (int x = std::min(x1, x2); x <= std::max(x1, x2); ++x) {
      for (int y = std::min(y1, y2); y <= std::max(y1, y2); ++y) {
        onWire.insert({x, y});
      }
    }
  }
  std::vector<int> label(pins.size());
  for (size_t k = 0; k < pins.size(); ++k) {
    std::pair<int, int> pk(static_cast<int>(pins[k].x),
                           static_cast<int>(pins[k].y));
    label[k] = static_cast<int>(k);
    for (size_t j = 0; j < k; ++j) {
      std::pair<int, int> pj(static_cast<int>(pins[j].x),
                             static_cast<int>(pins[j].y));
      if (pj == pk ||
          (onWire.count(pk) && onWire.count(pj) && root(pj) == root(pk))) {
        label[k] = label[j];
        break;
      }
    }
  }
  return label;
}

int countLabels(const std::vector<int>& labels) {
  return static_cast<int>(std::set<int>(labels.begin(), labels.end()).size());
}

// Pair by pair: collinear wires share at most an end point, crossing ones
// only an end of both; then no cycle over the ends.
bool cleanByPairs(const std::vector<Wire>& all) {
  std::vector<Wire> wires;
  for (const Wire& w : all) {
    if (w.x1 != w.x2 || w.y1 != w.y2) {
      wires.push_back(w);
    }
  }
  auto lo = [](float a, float b) { return std::min(a, b); };
  auto hi = [](float a, float b) { return std::max(a, b); };
  for (size_t i = 0; i < wires.size(); ++i) {
    for (size_t j = i + 1; j < wires.size(); ++j) {
      const Wire& a = wires[i];
      const Wire& b = wires[j];
      bool ah = a.y1 == a.y2, bh = b.y1 == b.y2;
      if (ah == bh) {
        bool sameLine = ah ? a.y1 == b.y1 : a.x1 == b.x1;
        float s = ah ? hi(lo(a.x1, a.x2), lo(b.x1, b.x2))
                     : hi(lo(a.y1, a.y2), lo(b.y1, b.y2));
        float e = ah ? lo(hi(a.x1, a.x2), hi(b.x1, b.x2))
                     : lo(hi(a.y1, a.y2), hi(b.y1, b.y2));
        if (sameLine && s < e) {
          return false;
        }
        continue;
      }
      const Wire& h = ah ? a : b;
      const Wire& v = ah ? b : a;
      float x = v.x1, y = h.y1;
      if (lo(h.x1, h.x2) <= x && x <= hi(h.x1, h.x2) && lo(v.y1, v.y2) <= y &&
          y <= hi(v.y1, v.y2) &&
          !((x == h.x1 || x == h.x2) && (y == v.y1 || y == v.y2))) {
        return false;
      }
    }
  }
  return planWires(wires, {}).loops() == 0;
}

TEST(FormCleanTreeTest, AcceptsTreesMeetingAtEnds) {
  EXPECT_TRUE(formCleanTree({}));
  EXPECT_TRUE(formCleanTree({{0, 0, 4, 0}, {4, 0, 4, 3}}));
  // A tee and a cross, split where they meet; collinear end to end.
  EXPECT_TRUE(formCleanTree({{0, 0, 2, 0}, {2, 0, 4, 0}, {2, 0, 2, 3}}));
  EXPECT_TRUE(
      formCleanTree({{0, 0, 2, 0}, {2, 0, 4, 0}, {2, -2, 2, 0}, {2, 0, 2, 2}}));
  // Zero-length wires draw nothing.
  EXPECT_TRUE(formCleanTree({{0, 0, 4, 0}, {4, 0, 4, 0}, {2, 0, 2, 0}}));
}

TEST(FormCleanTreeTest, FindsEachFault) {
  EXPECT_FALSE(formCleanTree({{0, 0, 4, 0}, {0, 0, 4, 0}}));  // twice
  EXPECT_FALSE(formCleanTree({{0, 0, 4, 0}, {4, 0, 0, 0}}));
  EXPECT_FALSE(formCleanTree({{0, 0, 4, 0}, {3, 0, 6, 0}}));  // overlap
  EXPECT_FALSE(formCleanTree({{0, 0, 9, 0}, {2, 0, 3, 0}, {5, 0, 6, 0}}));
  EXPECT_FALSE(formCleanTree({{0, 0, 4, 0}, {2, 0, 2, 3}}));   // end inside
  EXPECT_FALSE(formCleanTree({{0, 0, 4, 0}, {2, -1, 2, 3}}));  // crossing
  EXPECT_FALSE(formCleanTree(
      {{0, 0, 4, 0}, {4, 0, 4, 4}, {0, 4, 4, 4}, {0, 0, 0, 4}}));  // loop
}

TEST(PlanWiresTest, SplitsAtContactsAndPins) {
  std::vector<Wire> wires = {{0, 0, 4, 0}, {2, -1, 2, 3}, {0, 0, 4, 0}};
  WirePlan plan = planWires(wires, {{1, 0}, {9, 9}});
  EXPECT_EQ(plan.nodes, (std::vector<RoutePoint>{
                            {0, 0}, {1, 0}, {2, -1}, {2, 0}, {2, 3}, {4, 0}}));
  EXPECT_EQ(plan.pinAt, (std::vector<char>{0, 1, 0, 0, 0, 0}));
  EXPECT_EQ(plan.pieces.size(), 5u);  // the doubled wire once
  EXPECT_EQ(plan.loops(), 0);
}

TEST(PlanWiresTest, CountsLoops) {
  std::vector<Wire> square = {
      {0, 0, 4, 0}, {4, 0, 4, 4}, {0, 4, 4, 4}, {0, 0, 0, 4}};
  EXPECT_EQ(planWires(square, {}).loops(), 1);
  // Three by three lines of a lattice: four cells.
  std::vector<Wire> lattice;
  for (float k = 0; k <= 2; ++k) {
    lattice.push_back({0, k, 2, k});
    lattice.push_back({k, 0, k, 2});
  }
  EXPECT_EQ(planWires(lattice, {}).loops(), 4);
}

TEST(CleanWiresTest, DoubledWireOnce) {
  std::vector<Wire> out =
      cleanWires({{0, 0, 4, 0}, {4, 0, 0, 0}, {4, 0, 4, 2}}, {{0, 0}, {4, 2}});
  EXPECT_EQ(out, (std::vector<Wire>{{0, 0, 4, 0}, {4, 0, 4, 2}}));
}

// A square with pins at two opposite corners: one side goes, and the side
// left dangling from a corner without a pin goes too.
TEST(CleanWiresTest, LoopOpenedAndDanglingSidePruned) {
  std::vector<Wire> square = {
      {0, 0, 4, 0}, {4, 0, 4, 4}, {0, 4, 4, 4}, {0, 0, 0, 4}};
  std::vector<Wire> out = cleanWires(square, {{0, 0}, {4, 4}});
  EXPECT_TRUE(formCleanTree(out));
  EXPECT_EQ(unionLength(out), 8);
  EXPECT_EQ(pinParts(out, {{0, 0}, {4, 4}}), (std::vector<int>{0, 0}));
}

TEST(CleanWiresTest, SplitsTeesAndCrossingsAndMergesStraightRuns) {
  // An end inside a wire, and a wire in three collinear pieces.
  std::vector<Wire> out =
      cleanWires({{0, 0, 4, 0}, {2, 0, 2, 3}, {4, 0, 5, 0}, {5, 0, 7, 0}},
                 {{0, 0}, {2, 3}, {7, 0}});
  EXPECT_EQ(out, (std::vector<Wire>{{0, 0, 2, 0}, {2, 0, 2, 3}, {2, 0, 7, 0}}));
  // A pin in the middle of a straight run keeps its point.
  out = cleanWires({{0, 0, 4, 0}, {4, 0, 8, 0}}, {{0, 0}, {4, 0}, {8, 0}});
  EXPECT_EQ(out, (std::vector<Wire>{{0, 0, 4, 0}, {4, 0, 8, 0}}));
  out = cleanWires({{0, 0, 4, 0}, {2, -2, 2, 2}},
                   {{0, 0}, {4, 0}, {2, -2}, {2, 2}});
  EXPECT_EQ(out, (std::vector<Wire>{
                     {0, 0, 2, 0}, {2, -2, 2, 0}, {2, 0, 2, 2}, {2, 0, 4, 0}}));
}

TEST(CleanWiresTest, SpurWithoutAPinGoes) {
  std::vector<Wire> out =
      cleanWires({{0, 0, 4, 0}, {2, 0, 2, 3}, {2, 3, 5, 3}}, {{0, 0}, {4, 0}});
  EXPECT_EQ(out, (std::vector<Wire>{{0, 0, 4, 0}}));
  EXPECT_TRUE(cleanWires({{0, 0, 4, 0}}, {}).empty());
}

// Random wires on a small lattice, with pins at some of their ends: the
// cleaned wire is a clean tree, joins the same pins, draws no wire that was
// not drawn, and cleaning it again changes nothing.
TEST(CleanWiresTest, RandomWiresKeepTheirPinsJoined) {
  for (unsigned seed = 1; seed <= 600; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 rng(seed);
    int grid = 3 + static_cast<int>(rng() % 6);
    std::uniform_int_distribution<int> c(0, grid);
    std::vector<Wire> wires;
    std::vector<RoutePoint> pins;
    // Every tenth set large enough that contacts are found by the sweep,
    // not pair by pair.
    int n = seed % 10 == 0 ? 40 + static_cast<int>(rng() % 20)
                           : 1 + static_cast<int>(rng() % 14);
    for (int k = 0; k < n; ++k) {
      float x = static_cast<float>(c(rng)), y = static_cast<float>(c(rng));
      float t = static_cast<float>(c(rng));
      Wire w = rng() % 2 ? Wire{x, y, t, y} : Wire{x, y, x, t};
      wires.push_back(w);
      if (rng() % 3 == 0) {
        pins.push_back({w.x1, w.y1});
      }
      if (rng() % 3 == 0) {
        pins.push_back({w.x2, w.y2});
      }
    }
    if (rng() % 3 == 0) {
      pins.push_back({static_cast<float>(c(rng)), static_cast<float>(c(rng))});
    }
    EXPECT_EQ(formCleanTree(wires), cleanByPairs(wires));
    int parts = countLabels(pinParts(wires, pins));
    EXPECT_EQ(countPinParts(wires, pins), parts);
    EXPECT_EQ(cleanTreePinParts(wires, pins), cleanByPairs(wires) ? parts : -1);
    int cleanedParts = -1;
    std::vector<Wire> out = cleanWires(wires, pins, &cleanedParts);
    EXPECT_EQ(cleanedParts, parts);
    EXPECT_EQ(cleanTreePinParts(out, pins), parts);
    EXPECT_TRUE(formCleanTree(out));
    EXPECT_TRUE(cleanByPairs(out));
    // One wire more from a random end of the clean tree.
    if (!out.empty()) {
      std::vector<Wire> grown = out;
      const Wire& w = out[rng() % out.size()];
      float t = static_cast<float>(c(rng));
      grown.push_back(rng() % 2 ? Wire{w.x2, w.y2, t, w.y2}
                                : Wire{w.x2, w.y2, w.x2, t});
      EXPECT_EQ(formCleanTree(grown), cleanByPairs(grown));
    }
    EXPECT_EQ(planWires(out, pins).loops(), 0);
    EXPECT_EQ(pinParts(out, pins), pinParts(wires, pins));
    EXPECT_LE(unionLength(out), unionLength(wires));
    std::vector<Wire> both = wires;
    both.insert(both.end(), out.begin(), out.end());
    EXPECT_EQ(unionLength(both), unionLength(wires));
    EXPECT_EQ(cleanWires(out, pins), out);
    for (const Wire& w : out) {
      EXPECT_TRUE(w.x1 < w.x2 || (w.x1 == w.x2 && w.y1 < w.y2)) << w;
    }
  }
}

// One scratch kept over sets of every size, a large one among them (its
// storage given back), gives what a fresh one gives: nothing a call leaves
// reaches the next.
TEST(CleanWiresTest, KeptScratchGivesWhatAFreshOneGives) {
  WirePlanScratch kept;
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 rng(seed);
    int grid = seed % 50 == 0 ? 200 : 3 + static_cast<int>(rng() % 6);
    std::uniform_int_distribution<int> c(0, grid);
    int n = seed % 50 == 0 ? 3000 : 1 + static_cast<int>(rng() % 30);
    std::vector<Wire> wires;
    std::vector<RoutePoint> pins;
    for (int k = 0; k < n; ++k) {
      float x = static_cast<float>(c(rng)), y = static_cast<float>(c(rng));
      float t = static_cast<float>(c(rng));
      wires.push_back(rng() % 2 ? Wire{x, y, t, y} : Wire{x, y, x, t});
      if (rng() % 3 == 0) {
        pins.push_back({wires.back().x2, wires.back().y2});
      }
    }
    int freshParts = -1, keptParts = -1;
    EXPECT_EQ(cleanWires(wires, pins, kept, &keptParts),
              cleanWires(wires, pins, &freshParts));
    EXPECT_EQ(keptParts, freshParts);
    EXPECT_EQ(countPinParts(wires, pins, kept), countPinParts(wires, pins));
    EXPECT_EQ(cleanTreePinParts(wires, pins, kept),
              cleanTreePinParts(wires, pins));
    WirePlan a = planWires(wires, pins, kept), b = planWires(wires, pins);
    EXPECT_EQ(a.nodes, b.nodes);
    EXPECT_EQ(a.pinAt, b.pinAt);
    EXPECT_EQ(a.pieces, b.pieces);
  }
}

}  // namespace
