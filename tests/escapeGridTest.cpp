#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <queue>
#include <utility>
#include <vector>

#include "geometry/obstacleRects.h"
#include "options/escapeGrid.h"
#include "options/exactSteiner.h"
#include "tests/denseNet.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();

// The shortest tree in the graph joining the terminals, by the Dreyfus-
// Wagner recursion: per set of terminals and node, the shortest tree that
// joins them and the node.
double graphSteiner(const EscapeGrid& e, const std::vector<int>& terms) {
  int n = static_cast<int>(e.size());
  int k = static_cast<int>(terms.size());
  std::vector<std::vector<double>> best(1u << k, std::vector<double>(n, kInf));
  auto relax = [&](std::vector<double>& d) {
    using Entry = std::pair<double, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> q;
    for (int v = 0; v < n; ++v) {
      if (d[v] < kInf) {
        q.push({d[v], v});
      }
    }
    while (!q.empty()) {
      auto [dv, v] = q.top();
      q.pop();
      if (dv > d[v]) {
        continue;
      }
      for (int dir = 0; dir < 4; ++dir) {
        int u = e.step(v, dir);
        if (u >= 0 && dv + e.length(v, 0, 0, dir) < d[u]) {
          d[u] = dv + e.length(v, 0, 0, dir);
          q.push({d[u], u});
        }
      }
    }
  };
  for (unsigned s = 1; s < (1u << k); ++s) {
    std::vector<double>& d = best[s];
    if ((s & (s - 1)) == 0) {
      int t = 0;
      while (!(s >> t & 1)) {
        ++t;
      }
      d[terms[t]] = 0;
    } else {
      for (unsigned a = (s - 1) & s; a > 0; a = (a - 1) & s) {
        if (a < (s ^ a)) {
          continue;  // each split once
        }
        for (int v = 0; v < n; ++v) {
          d[v] = std::min(d[v], best[a][v] + best[s ^ a][v]);
        }
      }
    }
    relax(d);
  }
  return best[(1u << k) - 1][terms[0]];
}

// The escape graph of the pins and of every run of every obstacle side and
// box side holds a shortest tree: on small nets among many touching and
// overlapping obstacles, in the pins' box grown by every obstacle that
// meets it (so that others cross its sides), the graph's shortest tree
// has the exact solver's length over the whole box.
TEST(EscapeGridTest, HoldsAShortestTree) {
  int solved = 0;
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE(seed);
    DenseNet net = denseNet(30 + static_cast<int>(seed % 5) * 10,
                            3 + static_cast<int>(seed % 4), seed, 28);
    const std::vector<RoutePoint>& pins = net.pins;
    const ObstacleIndex& index = net.index;
    const ObstacleIndex::Rect& grown = net.box;
    WorkBudget all{kInf};
    ExactTree exact = solveExactTree(pins, index, grown, all);
    if (exact.status != ExactStatus::solved) {
      continue;  // walled apart
    }
    EscapeGrid e;
    WorkBudget work{kInf};
    ASSERT_TRUE(buildEscape(e, {{grown.xlo, grown.ylo}, {grown.xhi, grown.yhi}},
                            pins, index, work, true));
    std::vector<int> terms;
    for (const RoutePoint& p : pins) {
      terms.push_back(e.at(p.x, p.y));
      ASSERT_GE(terms.back(), 0);
    }
    EXPECT_EQ(graphSteiner(e, terms), exact.length);
    ++solved;
  }
  EXPECT_GT(solved, 40);
}

}  // namespace
