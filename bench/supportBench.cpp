// The support structures alone: the heap filled and drained, the plain
// search tree against the rank tree on keys inserted in ascending order
// (the plain tree's worst case), and the disjoint set.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "support/binaryHeap.h"
#include "support/disjointSet.h"
#include "support/rankTree.h"
#include "tests/binarySearchTree.h"

namespace {

struct Item {
  int heapIndex = -1;
  float heapKey = -1.0f;
  Item* dsParent = nullptr;
  int dsRank = -1;
};

void heapFillAndDrain(benchmark::State& state) {
  size_t n = static_cast<size_t>(state.range(0));
  std::vector<Item> items(n);
  std::vector<float> keys(n);
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> key(0, 1000);
  for (float& k : keys) {
    k = key(rng);
  }
  BinaryHeap<Item, float> heap;
  for (auto _ : state) {
    heap.clear();
    for (size_t i = 0; i < n; ++i) {
      heap.insert(&items[i], keys[i]);
    }
    while (!heap.empty()) {
      benchmark::DoNotOptimize(heap.deleteMin());
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}

// Inserts 0..n-1 in order, then asks upperInc of every key.
template <class Tree>
void sortedInsertAndQuery(Tree& tree, int n) {
  for (int i = 0; i < n; ++i) {
    tree.insert(nullptr, static_cast<float>(i));
  }
  for (int i = 0; i < n; ++i) {
    benchmark::DoNotOptimize(tree.upperInc(static_cast<float>(i)));
  }
}

void plainTreeSorted(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    BinarySearchTree<Item, Item*, float> tree;
    sortedInsertAndQuery(tree, n);
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void rankTreeSorted(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  std::vector<float> keys;
  for (int i = 0; i < n; ++i) {
    keys.push_back(static_cast<float>(i));
  }
  for (auto _ : state) {
    RankTree<Item, Item*, float> tree(keys);
    sortedInsertAndQuery(tree, n);
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void disjointSetUnions(benchmark::State& state) {
  size_t n = static_cast<size_t>(state.range(0));
  std::vector<Item> items(n);
  std::mt19937 rng(11);
  std::uniform_int_distribution<size_t> pick(0, n - 1);
  std::vector<std::pair<size_t, size_t>> pairs(n);
  for (auto& p : pairs) {
    p = {pick(rng), pick(rng)};
  }
  DisjointSet<Item> set;
  for (auto _ : state) {
    set.clear();
    for (Item& it : items) {
      set.makeSet(&it);
    }
    for (const auto& p : pairs) {
      set.setUnion(&items[p.first], &items[p.second]);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}

}  // namespace

BENCHMARK(heapFillAndDrain)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Arg(4000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(plainTreeSorted)
    ->Arg(1000)
    ->Arg(3000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(rankTreeSorted)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(disjointSetUnions)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
