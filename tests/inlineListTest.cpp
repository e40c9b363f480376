#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/inlineList.h"

namespace {

template <size_t n>
void expectSame(const InlineList<int, n>& list, const std::vector<int>& want) {
  ASSERT_EQ(list.size(), want.size());
  EXPECT_EQ(list.empty(), want.empty());
  EXPECT_EQ(std::vector<int>(list.begin(), list.end()), want);
}

}  // namespace

// Random pushes, pops, clears, copies and assignments, inside and past the
// inline room, against std::vector.
TEST(InlineListTest, MatchesVectorAcrossGrowth) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    InlineList<int, 2> list;
    std::vector<int> want;
    for (int step = 0; step < 200; ++step) {
      int op = static_cast<int>(rng() % 10);
      if (op < 6) {
        int x = static_cast<int>(rng() % 1000);
        list.push_back(x);
        want.push_back(x);
      } else if (op == 6 && !want.empty()) {
        list.pop_back();
        want.pop_back();
      } else if (op == 7 && rng() % 8 == 0) {
        list.clear();
        want.clear();
      } else if (op == 8) {
        InlineList<int, 2> copy(list);
        expectSame(copy, want);
        InlineList<int, 2> assigned{7};
        assigned = list;
        EXPECT_TRUE(assigned == list);
        list = assigned;  // through a copy
      } else if (op == 9 && !want.empty()) {
        size_t i = rng() % want.size();
        list[i] = static_cast<int>(step);
        want[i] = step;
        EXPECT_EQ(list.front(), want.front());
        EXPECT_EQ(list.back(), want.back());
      }
      expectSame(list, want);
      EXPECT_GE(list.capacity(), list.size());
    }
  }
}

TEST(InlineListTest, AssignsFromBraces) {
  InlineList<int, 2> list;
  list = {1, 2, 3, 4, 5};
  expectSame(list, {1, 2, 3, 4, 5});
  list = {9};
  expectSame(list, {9});
  list = {};
  expectSame(list, {});
  InlineList<int, 2> other{4, 5, 6};
  expectSame(other, {4, 5, 6});
  EXPECT_TRUE(other != list);
}
