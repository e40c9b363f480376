#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "legal/obstacleIndex.h"
#include "options/exactSteiner.h"
#include "options/flatSteiner.h"
#include "options/improveTree.h"
#include "tests/legalTree.h"

namespace {

// Pins on a grid of the given size, scaled and shifted: small grids give
// duplicates, shared coordinates and collinear pins.
std::vector<RoutePoint> randomPins(
    std::mt19937& rng, int pins, int grid, float scale, float shift) {
  std::uniform_int_distribution<int> coord(0, grid);
  std::vector<RoutePoint> out;
  for (int k = 0; k < pins; ++k) {
    out.push_back({coord(rng) * scale + shift, coord(rng) * scale + shift});
  }
  return out;
}

double optimumOf(const std::vector<RoutePoint>& pins) {
  ObstacleIndex none(std::vector<ObstacleIndex::Rect>{});
  float xlo = pins[0].x, xhi = xlo, ylo = pins[0].y, yhi = ylo;
  for (const RoutePoint& p : pins) {
    xlo = std::min(xlo, p.x), xhi = std::max(xhi, p.x);
    ylo = std::min(ylo, p.y), yhi = std::max(yhi, p.y);
  }
  WorkBudget unbounded{std::numeric_limits<double>::infinity()};
  ExactTree t = solveExactTree(pins, none, {xlo, ylo, xhi, yhi}, unbounded);
  EXPECT_EQ(t.status, ExactStatus::solved);
  return t.length;
}

// Against the grid programme on nets of 2 to 9 pins of every kind: small
// grids (duplicates, shared lines), large and negative coordinates,
// fractions; each tree legal, clean, and the same for the pins reordered.
TEST(FlatSteinerTest, IsAsShortAsTheExactSolver) {
  struct Kind {
    int grid;
    float scale;
    float shift;
  };
  const Kind kinds[] = {{3, 1, 0},        {6, 1, 0},        {20, 1, 0},
                        {1000, 1, 0},     {1000, 1, -5e5f}, {100, 1e4f, 3e6f},
                        {1000, 0.01f, 0}, {50, 0.37f, -9}};
  int nets = 0;
  for (const Kind& kind : kinds) {
    for (int pins = 2; pins <= kFlatExactPins; ++pins) {
      int count = pins <= 7 ? 60 : 25;
      for (int k = 0; k < count; ++k) {
        unsigned seed = 1000u * pins + k + 7919u * kind.grid;
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        std::vector<RoutePoint> p =
            randomPins(rng, pins, kind.grid, kind.scale, kind.shift);
        std::vector<Wire> wires = solveFlatTree(p);
        double best = optimumOf(p);
        double len = wireLength(wires);
        ASSERT_NEAR(len, best, 1e-9 * std::max(1.0, std::fabs(best)));
        expectLegalTree(p, {}, wires);
        EXPECT_EQ(cleanWires(wires, p), wires) << "wires not clean";
        std::shuffle(p.begin(), p.end(), rng);
        EXPECT_EQ(solveFlatTree(p), wires) << "another order, another tree";
        ++nets;
      }
    }
  }
  EXPECT_GT(nets, 3000);
}

TEST(FlatSteinerTest, LeavesOnePlaceAndTooManyPlacesEmpty) {
  EXPECT_TRUE(solveFlatTree({{2, 3}, {2, 3}}).empty());
  std::vector<RoutePoint> many;
  for (int k = 0; k <= kFlatExactPins; ++k) {
    many.push_back({static_cast<float>(k), static_cast<float>(k * k % 7)});
  }
  EXPECT_TRUE(solveFlatTree(many).empty());
}

}  // namespace
