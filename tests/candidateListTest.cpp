#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "geometry/candidateList.h"

namespace {

// Entries only compared, never read through.
SteinerCandidate* fake(unsigned k) {
  return reinterpret_cast<SteinerCandidate*>(static_cast<uintptr_t>(8 * k + 8));
}

void expectSame(const CandidateList& list,
                const std::vector<SteinerCandidate*>& want) {
  ASSERT_EQ(list.size(), want.size());
  EXPECT_EQ(list.empty(), want.empty());
  EXPECT_EQ(std::vector<SteinerCandidate*>(list), want);
}

}  // namespace

// Random pushes (from the heap and from a shared block), reserves, pops,
// clears, copies and assignments over several lists, against std::vector:
// borrowed runs must neither overlap nor be lost on regrowth.
TEST(CandidateListTest, MatchesVectorWithBorrowedStorage) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    CandidateBlock block;
    std::vector<CandidateList> lists(5);
    std::vector<std::vector<SteinerCandidate*>> want(5);
    for (int step = 0; step < 3000; ++step) {
      size_t i = rng() % lists.size();
      int op = static_cast<int>(rng() % 20);
      if (op < 8) {
        SteinerCandidate* c = fake(rng() % 1000);
        lists[i].push_back(c, block);
        want[i].push_back(c);
      } else if (op < 12) {
        SteinerCandidate* c = fake(rng() % 1000);
        lists[i].push_back(c);
        want[i].push_back(c);
      } else if (op == 12) {
        lists[i].reserve(lists[i].size() + rng() % 50, block);
      } else if (op == 13 && !want[i].empty()) {
        lists[i].pop_back();
        want[i].pop_back();
      } else if (op == 14 && rng() % 8 == 0) {
        lists[i].clear();
        want[i].clear();
      } else if (op == 15) {
        size_t j = rng() % lists.size();
        lists[i] = lists[j];
        want[i] = want[j];
      } else if (op == 16) {
        size_t j = rng() % lists.size();
        CandidateList copy(lists[j]);
        expectSame(copy, want[j]);
      }
      ASSERT_NO_FATAL_FAILURE(expectSame(lists[i], want[i]));
    }
    for (size_t i = 0; i < lists.size(); ++i) {
      expectSame(lists[i], want[i]);
    }
  }
}
