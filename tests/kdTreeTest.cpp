#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "support/kdTree.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

// Against a scan of the remaining points in number order, on a small grid
// so that points coincide and box edges fall on them; some boxes open.
TEST(KdTreeTest, FindsTheFirstRemainingPointInABoxAsAScan) {
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    int n = 1 + static_cast<int>(rng() % 80);
    std::vector<float> xs(n), ys(n);
    for (int i = 0; i < n; ++i) {
      xs[i] = static_cast<float>(rng() % 12);
      ys[i] = static_cast<float>(rng() % 12);
    }
    int from = static_cast<int>(rng() % 3 == 0 ? rng() % n : 0);
    KdTree kd(xs, ys, from);
    for (int i = 0; i < n; ++i) {
      for (int q = 0; q < 10; ++q) {
        float b[4];
        for (float& v : b) {
          v = static_cast<float>(rng() % 14) - 1;
        }
        if (rng() % 4 == 0) {
          b[1 + 2 * (rng() % 2)] = kInf;
        }
        int want = KdTree::kNone;
        for (int k = std::max(i, from); k < n && want == KdTree::kNone; ++k) {
          if (b[0] <= xs[k] && xs[k] <= b[1] && b[2] <= ys[k] &&
              ys[k] <= b[3]) {
            want = k;
          }
        }
        ASSERT_EQ(kd.first(b[0], b[1], b[2], b[3]), want) << "after " << i;
      }
      kd.drop(i);
    }
  }
}

}  // namespace
