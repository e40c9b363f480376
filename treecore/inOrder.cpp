#include "treecore/inOrder.h"

#include <algorithm>
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
                const std::function<void(size_t)>& deliver) {
  threads = threadsFor(threads);
  window = std::max<size_t>(window, 1);
  if (threads == 1 || count <= 1) {
    for (size_t i = 0; i < count; ++i) {
      work(i);
      deliver(i);
    }
    return;
  }

  std::mutex m;
  std::condition_variable canStart;  // workers wait for room in the window
  std::condition_variable canDeliver;
  size_t next = 0;
  size_t delivered = 0;
  std::vector<char> done(window, 0);
  bool stop = false;
  std::exception_ptr error;
  auto fail = [&](std::exception_ptr e) {
    std::lock_guard<std::mutex> lock(m);
    if (!error) {
      error = e;
    }
    stop = true;
  };

  auto worker = [&] {
    for (;;) {
      size_t i;
      {
        std::unique_lock<std::mutex> lock(m);
        canStart.wait(lock, [&] {
          return stop || next >= count || next < delivered + window;
        });
        if (stop || next >= count) {
          return;
        }
        i = next++;
      }
      try {
        work(i);
      } catch (...) {
        fail(std::current_exception());
        canStart.notify_all();
        canDeliver.notify_all();
        return;
      }
      {
        std::lock_guard<std::mutex> lock(m);
        done[i % window] = 1;
      }
      canDeliver.notify_one();
    }
  };
  std::vector<std::thread> pool;
  auto joinAll = [&] {
    for (std::thread& t : pool) {
      t.join();
    }
  };
  try {
    for (size_t t = 0; t < std::min<size_t>(threads, count); ++t) {
      pool.emplace_back(worker);
    }
  } catch (...) {
    fail(std::current_exception());
    canStart.notify_all();
    joinAll();
    throw;
  }

  for (size_t i = 0; i < count; ++i) {
    {
      std::unique_lock<std::mutex> lock(m);
      canDeliver.wait(lock, [&] { return stop || done[i % window]; });
      if (stop) {
        break;
      }
      done[i % window] = 0;
    }
    try {
      deliver(i);
    } catch (...) {
      fail(std::current_exception());
      canStart.notify_all();
      break;
    }
    {
      std::lock_guard<std::mutex> lock(m);
      delivered = i + 1;
    }
    canStart.notify_one();
  }
  joinAll();
  if (error) {
    std::rethrow_exception(error);
  }
}

}  // namespace treecore
