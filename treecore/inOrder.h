#pragma once
#include <chrono>
#include <cstddef>
#include <functional>
#include <thread>

namespace treecore {

// The thread count to use for a request: threads itself when positive,
// else one per core (at least one).
int threadsFor(int threads);

// What a run does besides its items: a way for the caller to stop it while
// it waits, and how its helper threads are made.
struct RunControl {
  // Runs on the calling thread about every pollEvery (between items, and
  // in slices while it waits); an exception from it stops the run as one
  // from deliver does. Empty: the caller waits without slices.
  std::function<void()> poll;
  std::chrono::milliseconds pollEvery{50};
  // Starts each helper thread on its function; empty: std::thread.
  std::function<std::thread(std::function<void()>)> startThread;
};

// Runs work(i) for every i below count on `threads` threads (0: one per
// core; the calling thread is one of them), and deliver(i) on the calling
// thread in order of i, each after work(i) has returned. work(i) starts
// only once deliver(i - window) has returned, so results can be kept in
// `window` slots indexed by i % window. With one thread, work and deliver
// simply alternate. An exception from work, deliver, control.poll or a
// helper that cannot start (std::system_error) stops the run: no item
// starts after it, the helpers finish the items they hold and are joined,
// and it is rethrown here.
void runInOrder(size_t count,
                int threads,
                size_t window,
                const std::function<void(size_t)>& work,
                const std::function<void(size_t)>& deliver,
                const RunControl& control = {});

}  // namespace treecore
