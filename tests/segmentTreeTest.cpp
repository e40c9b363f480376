#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "support/segmentTree.h"

namespace {

// Runs check(rng, n) for 40 seeds, each with 1 to 50 leaves.
template <class Check>
void onSeeds(Check check) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    check(rng, 1 + rng() % 50);
  }
}

std::pair<size_t, size_t> randomRange(std::mt19937& rng, size_t n) {
  size_t a = rng() % n, b = rng() % n;
  return {std::min(a, b), std::max(a, b)};
}

TEST(SegmentTreeTest, FoldsPrefixesAsAScanOfTheLeaves) {
  onSeeds([](std::mt19937& rng, size_t n) {
    SegmentTree<int, Most> tree(n, -1);
    std::vector<int> leaf(n, -1);
    for (int step = 0; step < 200; ++step) {
      size_t i = rng() % n;
      leaf[i] = static_cast<int>(rng() % 1000);
      tree.set(i, leaf[i]);
      size_t count = rng() % (n + 1);
      int want = -1;
      for (size_t k = 0; k < count; ++k) {
        want = std::max(want, leaf[k]);
      }
      ASSERT_EQ(tree.prefix(count), want) << count;
    }
  });
}

TEST(SegmentTreeTest, GathersEveryValueSpreadOverTheLeaf) {
  onSeeds([](std::mt19937& rng, size_t n) {
    SegmentTree<int, Least> tree(n, 1000);
    std::vector<int> leaf(n, 1000);
    for (int step = 0; step < 50; ++step) {
      auto [from, to] = randomRange(rng, n);
      int v = static_cast<int>(rng() % 1000);
      tree.spread(from, to, v);
      for (size_t i = from; i <= to; ++i) {
        leaf[i] = std::min(leaf[i], v);
      }
      for (size_t i = 0; i < n; ++i) {
        ASSERT_EQ(tree.gather(i), leaf[i]) << "leaf " << i;
      }
    }
  });
}

TEST(SegmentTreeTest, FindsTheNearestLeafWithASmallEnoughValue) {
  onSeeds([](std::mt19937& rng, size_t n) {
    SegmentTree<int, Least> tree(n, 1000);
    std::vector<int> leaf(n, 1000);
    for (int step = 0; step < 200; ++step) {
      size_t i = rng() % n;
      leaf[i] = static_cast<int>(rng() % 100);
      tree.set(i, leaf[i]);
      size_t at = rng() % (n + 1);
      int t = static_cast<int>(rng() % 100);
      auto ok = [t](int v) { return v <= t; };
      long first = -1, last = -1;
      for (size_t k = at; k < n && first < 0; ++k) {
        first = ok(leaf[k]) ? static_cast<long>(k) : -1;
      }
      for (size_t k = std::min(at, n - 1) + 1; k-- > 0 && last < 0;) {
        last = ok(leaf[k]) ? static_cast<long>(k) : -1;
      }
      ASSERT_EQ(tree.firstFrom(at, ok), first) << at << " " << t;
      ASSERT_EQ(tree.lastUpTo(at, ok), last) << at << " " << t;
    }
  });
}

// Every item on a leaf's path covers the leaf, and every item covering it
// is on the path exactly once.
TEST(SegmentListsTest, ALeafsPathHoldsTheItemsCoveringIt) {
  onSeeds([](std::mt19937& rng, size_t n) {
    std::vector<std::pair<size_t, size_t>> ranges(rng() % 60);
    for (auto& r : ranges) {
      r = randomRange(rng, n);
      if (rng() % 8 == 0) {
        std::swap(r.first, r.second);  // empty unless a single leaf
      }
    }
    SegmentLists<int> lists(
        n, ranges.size(), [&](size_t k) { return ranges[k]; },
        [](size_t k) { return static_cast<int>(k); });
    for (size_t leaf = 0; leaf < n; ++leaf) {
      std::vector<int> got, want;
      lists.shape().path(leaf, [&](size_t k) {
        got.insert(got.end(), lists.begin(k), lists.end(k));
        return false;
      });
      for (size_t k = 0; k < ranges.size(); ++k) {
        if (ranges[k].first <= leaf && leaf <= ranges[k].second) {
          want.push_back(static_cast<int>(k));
        }
      }
      std::sort(got.begin(), got.end());
      ASSERT_EQ(got, want) << "leaf " << leaf;
    }
  });
}

TEST(BoundLeavesTest, LeavesAlternateBoundsAndGaps) {
  BoundLeaves<float> b({7, 3, 1, 3});
  EXPECT_EQ(b.leaves(), 5u);
  const float at[] = {0, 1, 2, 3, 5, 7, 8};
  const long want[] = {-1, 0, 1, 2, 3, 4, 5};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(b.leafOf(at[i]), want[i]) << at[i];
  }
  EXPECT_FALSE(b.holds(b.leafOf(8)));
  EXPECT_EQ(b.inside(1, 7), std::make_pair(size_t{1}, size_t{3}));
  EXPECT_EQ(b.within(3, 7), std::make_pair(size_t{2}, size_t{4}));
  EXPECT_GT(b.inside(3, 3).first, b.inside(3, 3).second);
  EXPECT_EQ(BoundLeaves<float>().leaves(), 0u);
}

}  // namespace
