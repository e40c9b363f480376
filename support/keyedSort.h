#pragma once
#include <algorithm>
#include <cstddef>
#include <limits>
#include <utility>

// Sorts records by ascending float member key into exactly the order
// std::sort (libstdc++: introsort, median of three, final insertion sort)
// gives them, equal keys included, with far fewer data-dependent branches
// for the small arrays of one net. Keys must not be NaN.
//
// It takes std::sort's steps, but a partition counts where the scans from
// both ends would stop instead of scanning: the left scan stops at the
// k-th key not below the pivot and the right scan at the k-th key not
// above it, as long as the two have not crossed, so the swaps and the cut
// follow from the two lists and one count. The final insertion sort moves
// no record across a cut (a cut's left holds keys at most the pivot, its
// right keys at least it), so it is a stable sort of each piece the
// partitions leave, done here by counting ranks.
template <class Record>
class KeyedSort {
 public:
  // At most N records.
  template <size_t N>
  static void sort(Record* a, size_t n) {
    if (n == 0) {
      return;
    }
    KeyedSort s;
    int list[2 * N + 2];
    // std::__lg(n) * 2
    int depth = 2 * (63 - __builtin_clzll(static_cast<unsigned long long>(n)));
    s.loop(a, 0, static_cast<int>(n), depth, list);
  }

 private:
  static bool less(const Record& x, const Record& y) { return x.key < y.key; }

  // std::__introsort_loop, with its leaves sorted as the final pass would.
  void loop(Record* a, int first, int last, int depth, int* list) {
    while (last - first > kThreshold) {
      if (depth == 0) {
        std::partial_sort(a + first, a + last, a + last, less);
        return;
      }
      --depth;
      int cut = partition(a, first, last, list);
      loop(a, cut, last, depth, list);
      last = cut;
    }
    stablePiece(a + first, last - first);
  }

  static void swapAt(Record* a, int i, int j) { std::swap(a[i], a[j]); }

  // std::__unguarded_partition_pivot.
  static int partition(Record* a, int first, int last, int* list) {
    int mid = first + (last - first) / 2;
    int x = first + 1, y = mid, z = last - 1;
    if (less(a[x], a[y])) {
      if (less(a[y], a[z])) {
        swapAt(a, first, y);
      } else if (less(a[x], a[z])) {
        swapAt(a, first, z);
      } else {
        swapAt(a, first, x);
      }
    } else if (less(a[x], a[z])) {
      swapAt(a, first, x);
    } else if (less(a[y], a[z])) {
      swapAt(a, first, z);
    } else {
      swapAt(a, first, y);
    }
    float p = a[first].key;
    int m = last - first;
    // up: where the left scan may stop, ascending; down: where the right
    // scan may stop, descending. Each is padded past its end with a
    // position that never swaps.
    int* up = list;
    int* down = list + m + 1;
    int nu = 0, nd = 0;
    for (int i = first + 1, j = last - 1; i < last; ++i, --j) {
      up[nu] = i;
      nu += !(a[i].key < p);
      down[nd] = j;
      nd += !(p < a[j].key);
    }
    up[nu] = last;
    down[nd] = first;
    // The k-th stops swap while they have not crossed; up rises and down
    // falls, so those k form a prefix.
    int lim = std::min(nu, nd);
    int swaps = 0;
    for (int k = 0; k < lim; ++k) {
      swaps += up[k] < down[k];
    }
    for (int k = 0; k < swaps; ++k) {
      swapAt(a, up[k], down[k]);
    }
    // The left scan after the last swap stops at the next key not below the
    // pivot, or at the key just swapped to the right.
    return swaps == 0 ? up[0] : std::min(up[swaps], down[swaps - 1]);
  }

  // A stable sort of at most kThreshold records: each one's rank counts the
  // keys below it and the equal keys before it, all ranks at once in lanes
  // of four, so that the counting has no branches.
  static void stablePiece(Record* a, int m) {
    using F4 = float __attribute__((vector_size(16)));
    using I4 = int __attribute__((vector_size(16)));
    constexpr int kLanes = kThreshold / 4;
    float key[kThreshold] = {};
    Record tmp[kThreshold];
    for (int j = 0; j < m; ++j) {
      key[j] = a[j].key;
      tmp[j] = a[j];
    }
    F4 keys[kLanes];
    I4 index[kLanes];
    I4 rank[kLanes];
    for (int q = 0; q < kLanes; ++q) {
      keys[q] = F4{key[4 * q], key[4 * q + 1], key[4 * q + 2], key[4 * q + 3]};
      index[q] = I4{4 * q, 4 * q + 1, 4 * q + 2, 4 * q + 3};
      rank[q] = I4{};
    }
    for (int j = 0; j < m; ++j) {
      F4 x = F4{} + key[j];
      I4 before = I4{} + j;
      for (int q = 0; q < kLanes; ++q) {
        // true lanes are -1
        rank[q] -= (x < keys[q]) | ((x == keys[q]) & (before < index[q]));
      }
    }
    int at[kThreshold];
    for (int q = 0; q < kLanes; ++q) {
      for (int l = 0; l < 4; ++l) {
        at[4 * q + l] = rank[q][l];
      }
    }
    for (int i = 0; i < m; ++i) {
      a[at[i]] = tmp[i];
    }
  }

  static constexpr int kThreshold = 16;
};
