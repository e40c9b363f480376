#include "treecore/inOrder.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace treecore {

int threadsFor(int threads) {
  if (threads > 0) {
    return threads;
  }
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void runInOrder(size_t count,
                int threads,
                size_t window,
                const std::function<void(size_t)>& work,
                const std::function<void(size_t)>& deliver,
                const RunControl& control) {
  threads = threadsFor(threads);
  window = std::max<size_t>(window, 1);
  using Clock = std::chrono::steady_clock;
  // Due pollEvery after the last poll ended, so that a slow poll cannot
  // take the caller's whole time.
  Clock::time_point pollDue = Clock::now() + control.pollEvery;
  auto pollIfDue = [&] {
    if (control.poll && Clock::now() >= pollDue) {
      control.poll();
      pollDue = Clock::now() + control.pollEvery;
    }
  };
  if (threads == 1 || count <= 1) {
    for (size_t i = 0; i < count; ++i) {
      pollIfDue();
      work(i);
      deliver(i);
    }
    return;
  }

  // The calling thread works too and delivers whatever is next and done;
  // threads - 1 helpers only work. Each side sleeps only when it has
  // nothing to do, and is woken only when it sleeps.
  std::mutex m;
  std::condition_variable helperCv;  // room in the window, or stop
  std::condition_variable callerCv;  // an item done, or stop
  size_t next = 0;
  size_t delivered = 0;
  std::vector<char> done(window, 0);
  bool stop = false;
  bool callerWaits = false;
  int helpersWaiting = 0;
  std::exception_ptr error;
  auto claimable = [&] { return next < count && next < delivered + window; };
  auto fail = [&](std::exception_ptr e) {
    {
      std::lock_guard<std::mutex> lock(m);
      if (!error) {
        error = e;
      }
      stop = true;
    }
    helperCv.notify_all();
    callerCv.notify_all();
  };
  // Runs work(i) and marks it done; false when it threw.
  auto runWork = [&](size_t i) {
    try {
      work(i);
    } catch (...) {
      fail(std::current_exception());
      return false;
    }
    bool wake;
    {
      std::lock_guard<std::mutex> lock(m);
      done[i % window] = 1;
      wake = callerWaits;
    }
    if (wake) {
      callerCv.notify_one();
    }
    return true;
  };

  auto helper = [&] {
    for (;;) {
      size_t i;
      {
        std::unique_lock<std::mutex> lock(m);
        ++helpersWaiting;
        helperCv.wait(lock,
                      [&] { return stop || next >= count || claimable(); });
        --helpersWaiting;
        if (stop || next >= count) {
          return;
        }
        i = next++;
      }
      if (!runWork(i)) {
        return;
      }
    }
  };
  std::vector<std::thread> pool;
  auto joinAll = [&] {
    for (std::thread& t : pool) {
      t.join();
    }
  };
  try {
    // Reserved first, so that a started thread is never dropped unjoined.
    pool.reserve(std::min<size_t>(threads, count) - 1);
    for (size_t t = 1; t < std::min<size_t>(threads, count); ++t) {
      pool.push_back(control.startThread ? control.startThread(helper)
                                         : std::thread(helper));
    }
  } catch (...) {
    fail(std::current_exception());
    joinAll();
    throw;
  }

  for (;;) {
    try {
      pollIfDue();
    } catch (...) {
      fail(std::current_exception());
      break;
    }
    std::unique_lock<std::mutex> lock(m);
    if (stop || delivered == count) {
      break;
    }
    if (done[delivered % window]) {
      done[delivered % window] = 0;
      size_t i = delivered;
      lock.unlock();
      try {
        deliver(i);
      } catch (...) {
        fail(std::current_exception());
        break;
      }
      lock.lock();
      delivered = i + 1;
      bool wake = helpersWaiting > 0;
      lock.unlock();
      if (wake) {
        helperCv.notify_all();
      }
    } else if (claimable()) {
      size_t i = next++;
      lock.unlock();
      if (!runWork(i)) {
        break;
      }
    } else {
      callerWaits = true;
      auto ready = [&] { return stop || done[delivered % window] != 0; };
      if (control.poll) {
        callerCv.wait_until(lock, pollDue, ready);
      } else {
        callerCv.wait(lock, ready);
      }
      callerWaits = false;
    }
  }
  joinAll();
  if (error) {
    std::rethrow_exception(error);
  }
}

}  // namespace treecore
