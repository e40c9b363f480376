#pragma once
#include <cstddef>
#include <functional>

namespace treecore {

// The thread count to use for a request: threads itself when positive,
// else one per core (at least one).
int threadsFor(int threads);

// Runs work(i) for every i below count on `threads` threads (0: one per
// core; the calling thread is one of them), and deliver(i) on the calling
// thread in order of i, each after work(i) has returned. work(i) starts
// only once deliver(i - window) has returned, so results can be kept in
// `window` slots indexed by i % window. With one thread, work and deliver
// simply alternate. An exception from either stops the run and is
// rethrown here.
void runInOrder(size_t count,
                int threads,
                size_t window,
                const std::function<void(size_t)>& work,
                const std::function<void(size_t)>& deliver);

}  // namespace treecore
