#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "support/disjointSet.h"
#include "support/indexParts.h"

namespace {

struct Elem {
  Elem* dsParent = nullptr;
  int dsRank = -1;
};

TEST(DisjointSetTest, EqualRanksLeaveSecondRoot) {
  Elem u, v;
  DisjointSet<Elem> s;
  s.makeSet(&u);
  s.makeSet(&v);
  s.setUnion(&u, &v);
  EXPECT_EQ(s.findSet(&u), &v);
  EXPECT_EQ(v.dsRank, 1);
  EXPECT_EQ(u.dsRank, 0);
}

TEST(DisjointSetTest, HigherRankStaysRoot) {
  Elem u, v, w;
  DisjointSet<Elem> s;
  s.makeSet(&u);
  s.makeSet(&v);
  s.setUnion(&u, &v);
  s.makeSet(&w);
  s.setUnion(&v, &w);
  EXPECT_EQ(w.dsParent, &v);
  EXPECT_EQ(s.findSet(&w), &v);
  EXPECT_EQ(v.dsRank, 1);
}

TEST(DisjointSetTest, UnionWithItselfRaisesRank) {
  Elem u;
  DisjointSet<Elem> s;
  s.makeSet(&u);
  s.setUnion(&u, &u);
  EXPECT_EQ(u.dsParent, &u);
  EXPECT_EQ(u.dsRank, 1);
}

// The shortest-path searches rely on this: a source united with itself
// first keeps every later singleton under it.
TEST(DisjointSetTest, SingletonJoinsUnderRankedRoot) {
  Elem src, a, b;
  DisjointSet<Elem> s;
  s.makeSet(&src);
  s.makeSet(&a);
  s.makeSet(&b);
  s.setUnion(&src, &src);
  s.setUnion(&a, &src);
  s.setUnion(&b, &a);
  EXPECT_EQ(s.findSet(&a), &src);
  EXPECT_EQ(s.findSet(&b), &src);
  EXPECT_EQ(src.dsRank, 1);
}

TEST(DisjointSetTest, FindSetFlattensChain) {
  std::vector<Elem> e(8);
  DisjointSet<Elem> s;
  for (Elem& x : e) {
    s.makeSet(&x);
  }
  // Pairs, then pairs of pairs, then the two halves: 0 -> 1 -> 3 -> 7.
  for (int k = 0; k < 8; k += 2) {
    s.linkSet(&e[k], &e[k + 1]);
  }
  s.linkSet(&e[1], &e[3]);
  s.linkSet(&e[5], &e[7]);
  s.linkSet(&e[3], &e[7]);
  ASSERT_EQ(e[0].dsParent, &e[1]);
  ASSERT_EQ(e[1].dsParent, &e[3]);
  EXPECT_EQ(s.findSet(&e[0]), &e[7]);
  EXPECT_EQ(e[0].dsParent, &e[7]);
  EXPECT_EQ(e[1].dsParent, &e[7]);
  EXPECT_EQ(e[3].dsParent, &e[7]);
  EXPECT_EQ(e[7].dsRank, 3);
}

TEST(DisjointSetTest, ClearKeepsUnionsUntilMakeSet) {
  Elem u, v;
  DisjointSet<Elem> s;
  s.makeSet(&u);
  s.makeSet(&v);
  s.setUnion(&u, &v);
  s.clear();
  EXPECT_TRUE(s.members.empty());
  EXPECT_EQ(s.findSet(&u), &v);
  s.makeSet(&u);
  EXPECT_EQ(s.findSet(&u), &u);
  EXPECT_EQ(u.dsRank, 0);
}

// Random unions against plain component labels relabelled on every union.
TEST(DisjointSetTest, MatchesLabelsOnRandomUnions) {
  for (unsigned seed = 1; seed <= 30; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    const int n = 40;
    std::vector<Elem> e(n);
    std::vector<int> label(n);
    DisjointSet<Elem> s;
    for (int i = 0; i < n; ++i) {
      s.makeSet(&e[i]);
      label[i] = i;
    }
    for (int step = 0; step < 60; ++step) {
      int a = static_cast<int>(rng() % n);
      int b = static_cast<int>(rng() % n);
      s.setUnion(&e[a], &e[b]);
      int from = label[a];
      for (int& l : label) {
        if (l == from) {
          l = label[b];
        }
      }
      for (int i = 0; i < n; ++i) {
        Elem* r = s.findSet(&e[i]);
        ASSERT_EQ(r->dsParent, r) << "findSet returned a non-root";
        ASSERT_EQ(e[i].dsParent, r) << "path of " << i << " not compressed";
        for (int j = 0; j < i; ++j) {
          ASSERT_EQ(r == s.findSet(&e[j]), label[i] == label[j])
              << "elements " << i << " and " << j;
        }
      }
    }
  }
}

// Against labels relabelled by hand on every join: the same parts, each
// known by its smallest index, and join tells a new union from a repeat.
TEST(IndexPartsTest, MatchesLabelsAndKeepsTheSmallestIndex) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    const int n = 60;
    IndexParts parts(n - 10);
    while (static_cast<int>(parts.size()) < n) {
      parts.add();
    }
    std::vector<int> label(n);
    for (int k = 0; k < n; ++k) {
      label[k] = k;
    }
    for (int step = 0; step < 80; ++step) {
      int a = static_cast<int>(rng() % n), b = static_cast<int>(rng() % n);
      int from = label[a], to = label[b];
      EXPECT_EQ(parts.join(a, b), from != to);
      for (int& l : label) {
        if (l == from || l == to) {
          l = std::min(from, to);
        }
      }
      for (int k = 0; k < n; ++k) {
        ASSERT_EQ(parts.find(k), label[k]) << "index " << k;
      }
    }
  }
}

// A reset reuses the storage of an earlier, larger use: what that use
// joined must not show through, nor its size.
TEST(IndexPartsTest, ResetForgetsEveryJoin) {
  IndexParts parts(8);
  for (int k = 1; k < 8; ++k) {
    parts.join(k - 1, k);
  }
  parts.reset(5);
  ASSERT_EQ(parts.size(), 5u);
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(parts.find(k), k);
  }
  EXPECT_TRUE(parts.join(4, 2));
  EXPECT_EQ(parts.find(4), 2);
  parts.reset(9);
  for (int k = 0; k < 9; ++k) {
    EXPECT_EQ(parts.find(k), k);
  }
}

TEST(DisjointSetTest, AForgottenElementIsHeldByNoSet) {
  Elem u, v;
  DisjointSet<Elem> s;
  s.makeSet(&u);
  s.makeSet(&v);
  s.setUnion(&u, &v);
  s.forget(&u);
  EXPECT_FALSE(s.holds(&u));
  EXPECT_TRUE(s.holds(&v));
  s.makeSet(&u);
  EXPECT_TRUE(s.holds(&u));
  EXPECT_EQ(s.findSet(&u), &u);
}

}  // namespace
