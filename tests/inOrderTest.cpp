#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <system_error>
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

// Waits up to ten seconds for flag; false when it never came.
bool awaitFlag(const std::atomic<bool>& flag) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!flag.load()) {
    if (std::chrono::steady_clock::now() > end) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  return true;
}

// As when the system has no room for another thread's stack: a helper
// left unjoined would end the process.
TEST(RunInOrderTest, AHelperThatCannotStartStopsTheRunAndIsRethrown) {
  std::atomic<int> starts{0}, exited{0}, working{0};
  long delivered = 0;
  treecore::RunControl control;
  control.startThread = [&](std::function<void()> f) {
    if (++starts == 3) {
      throw std::system_error(
          std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    return std::thread([f, &exited] {
      f();
      ++exited;
    });
  };
  EXPECT_THROW(treecore::runInOrder(
                   1000, 8, 16,
                   [&](size_t i) {
                     ++working;
                     unevenWork(i);
                     --working;
                   },
                   [&](size_t) { ++delivered; }, control),
               std::system_error);
  EXPECT_EQ(starts.load(), 3);
  EXPECT_EQ(exited.load(), 2);
  EXPECT_EQ(working.load(), 0);
  EXPECT_EQ(delivered, 0);
}

TEST(RunInOrderTest, APollThatThrowsStopsTheRunBetweenItems) {
  for (int threads : {1, 3}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    std::atomic<long> started{0};
    long delivered = 0, startedAtStop = -1;
    treecore::RunControl control;
    control.pollEvery = std::chrono::milliseconds(0);
    control.poll = [&] {
      if (delivered == 40) {
        startedAtStop = started.load();
        throw std::runtime_error("interrupted");
      }
    };
    EXPECT_THROW(treecore::runInOrder(
                     1000, threads, 8,
                     [&](size_t i) {
                       ++started;
                       unevenWork(i);
                     },
                     [&](size_t) { ++delivered; }, control),
                 std::runtime_error);
    EXPECT_EQ(delivered, 40);
    // Helpers may start items until they see the stop, but never beyond the
    // window past the last delivery; one thread starts nothing after it.
    if (threads == 1) {
      EXPECT_EQ(started.load(), startedAtStop);
    }
    EXPECT_LE(started.load(), delivered + 8);
  }
}

// The caller has nothing left but to wait for an item that a helper holds
// until the poll runs: only a caller that waits in slices gets there.
TEST(RunInOrderTest, PollRunsWhileTheCallerWaits) {
  std::thread::id caller = std::this_thread::get_id();
  std::atomic<bool> helperHolds{false}, released{false}, timedOut{false};
  treecore::RunControl control;
  control.pollEvery = std::chrono::milliseconds(5);
  control.poll = [&] {
    if (helperHolds.load()) {
      released = true;
    }
  };
  treecore::runInOrder(
      4, 2, 4,
      [&](size_t) {
        bool ok;
        if (std::this_thread::get_id() == caller) {
          ok = awaitFlag(helperHolds);
        } else {
          helperHolds = true;
          ok = awaitFlag(released);
        }
        if (!ok) {
          timedOut = true;
        }
      },
      [](size_t) {}, control);
  EXPECT_FALSE(timedOut.load());
  EXPECT_TRUE(released.load());
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
