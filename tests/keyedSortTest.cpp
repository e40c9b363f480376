#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "support/keyedSort.h"

namespace {

struct Record {
  float key;
  int id;
};

// Every order std::sort gives, equal keys included: arrays of every small
// length, with keys from a few values to nearly all distinct, shuffled,
// ascending and descending.
TEST(KeyedSortTest, OrdersAsStdSort) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20000; ++round) {
    int n = static_cast<int>(rng() % 129);
    int values = 1 + static_cast<int>(rng() % (round % 3 == 0   ? 4
                                               : round % 3 == 1 ? 60
                                                                : 100000));
    std::vector<Record> a(n);
    for (int i = 0; i < n; ++i) {
      float k = static_cast<float>(static_cast<int>(rng() % values));
      a[i] = {rng() % 7 == 0 ? -k : k, i};
    }
    auto byKey = [](const Record& x, const Record& y) { return x.key < y.key; };
    if (round % 11 == 0) {
      std::sort(a.begin(), a.end(), byKey);
    } else if (round % 13 == 0) {
      std::sort(a.begin(), a.end(),
                [](const Record& x, const Record& y) { return x.key > y.key; });
    }
    std::vector<Record> b = a;
    std::sort(a.begin(), a.end(), byKey);
    KeyedSort<Record>::sort<128>(b.data(), b.size());
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(a[i].id, b[i].id) << "round " << round << " n " << n;
    }
  }
}

}  // namespace
