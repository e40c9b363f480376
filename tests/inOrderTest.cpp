#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "treecore/inOrder.h"

namespace {

// Work of uneven length, so that later items finish first.
void unevenWork(size_t i) {
  if (i % 7 == 0) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

TEST(RunInOrderTest, DeliversEachItemOnceInOrderAfterItsWork) {
  for (int threads : {1, 2, 4}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    const size_t n = 500, window = 8;
    std::vector<std::atomic<int>> worked(n);
    std::vector<size_t> order;
    std::atomic<long> started{0};
    std::atomic<size_t> lastDelivered{0};
    bool windowKept = true;
    treecore::runInOrder(
        n, threads, window,
        [&](size_t i) {
          // Item i may start only once item i - window is delivered.
          if (i >= window && lastDelivered.load() + window < i + 1) {
            windowKept = false;
          }
          ++started;
          unevenWork(i);
          ++worked[i];
        },
        [&](size_t i) {
          EXPECT_EQ(worked[i].load(), 1);
          order.push_back(i);
          lastDelivered = i + 1;
        });
    EXPECT_TRUE(windowKept);
    EXPECT_EQ(started.load(), static_cast<long>(n));
    ASSERT_EQ(order.size(), n);
    for (size_t i = 0; i < n; ++i) {
      EXPECT_EQ(order[i], i);
    }
  }
}

TEST(RunInOrderTest, AnExceptionStopsTheRunAndReachesTheCaller) {
  for (int threads : {1, 3}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    std::atomic<long> delivered{0};
    EXPECT_THROW(treecore::runInOrder(
                     1000, threads, 16,
                     [](size_t i) {
                       if (i == 100) {
                         throw std::runtime_error("net 100");
                       }
                     },
                     [&](size_t) { ++delivered; }),
                 std::runtime_error);
    EXPECT_LE(delivered.load(), 100);
    EXPECT_THROW(treecore::runInOrder(
                     50, threads, 4, [](size_t) {},
                     [](size_t i) {
                       if (i == 10) {
                         throw std::logic_error("writer");
                       }
                     }),
                 std::logic_error);
  }
}

TEST(RunInOrderTest, NothingToDo) {
  bool called = false;
  treecore::runInOrder(
      0, 4, 1, [&](size_t) { called = true; }, [&](size_t) { called = true; });
  EXPECT_FALSE(called);
  EXPECT_GE(treecore::threadsFor(0), 1);
  EXPECT_EQ(treecore::threadsFor(3), 3);
}

}  // namespace
