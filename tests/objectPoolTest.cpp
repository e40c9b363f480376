#include <gtest/gtest.h>

#include <vector>

#include "support/objectPool.h"

namespace {

// Records its id in a shared log when destroyed.
struct Logged {
  Logged(std::vector<int>& log, int id) : log(log), id(id) {}
  ~Logged() { log.push_back(id); }
  std::vector<int>& log;
  int id;
};

}  // namespace

// Three chunks of two and a part-filled last one: every object is
// destroyed exactly once, in the order made, and stays where it was made.
TEST(ObjectPoolTest, DestroysEveryObjectOnceInOrderAcrossChunks) {
  std::vector<int> log;
  std::vector<Logged*> made;
  {
    ObjectPool<Logged, 2> pool;
    for (int k = 0; k < 7; ++k) {
      made.push_back(pool.make(log, k));
      EXPECT_EQ(pool.size(), static_cast<size_t>(k + 1));
    }
    for (int k = 0; k < 7; ++k) {
      EXPECT_EQ(made[k]->id, k) << "an object moved when a chunk was added";
    }
    EXPECT_TRUE(log.empty());
  }
  EXPECT_EQ(log, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
}

// Chunks of growing size: the objects of every chunk stay put and are
// destroyed once, in the order made.
TEST(ObjectPoolTest, KeepsObjectsAcrossGrowingChunks) {
  std::vector<int> log;
  std::vector<int> want;
  {
    ObjectPool<Logged, 256> pool;
    std::vector<Logged*> made;
    for (int k = 0; k < 1000; ++k) {
      made.push_back(pool.make(log, k));
      want.push_back(k);
    }
    EXPECT_EQ(pool.size(), 1000u);
    for (int k = 0; k < 1000; ++k) {
      ASSERT_EQ(made[k]->id, k);
    }
  }
  EXPECT_EQ(log, want);
}

// A cleared pool is empty and takes new objects; nothing is destroyed twice.
TEST(ObjectPoolTest, ClearThenReuse) {
  std::vector<int> log;
  {
    ObjectPool<Logged, 4> pool;
    pool.make(log, 1);
    pool.make(log, 2);
    pool.clear();
    EXPECT_EQ(pool.size(), 0u);
    EXPECT_EQ(log, (std::vector<int>{1, 2}));
    pool.make(log, 3);
    EXPECT_EQ(pool.size(), 1u);
  }
  EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
}

// A pool that goes leaves its chunk to the next one on the thread: the
// objects made there are new ones, each destroyed once with its own pool.
TEST(ObjectPoolTest, NextPoolTakesOverTheChunk) {
  std::vector<int> log;
  {
    ObjectPool<Logged, 64> pool;
    for (int k = 0; k < 40; ++k) {
      pool.make(log, k);
    }
  }
  ASSERT_EQ(log.size(), 40u);
  log.clear();
  {
    ObjectPool<Logged, 64> pool;
    pool.reserve(10);
    Logged* again = pool.make(log, 100);
    EXPECT_EQ(again->id, 100);
    pool.make(log, 101);
    EXPECT_TRUE(log.empty()) << "an object was destroyed when it was made";
  }
  EXPECT_EQ(log, (std::vector<int>{100, 101}));
}
