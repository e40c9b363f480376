#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <numeric>
#include <random>
#include <vector>

#include "options/flatTableData.h"
#include "options/positionSequence.h"
#include "tools/flatTables.h"

namespace {

using positionSequence::Seq;

// The sequence of n pins with the given Lehmer rank.
Seq seqOfRank(std::uint32_t rank, int n) {
  std::vector<int> left(n);
  std::iota(left.begin(), left.end(), 0);
  std::vector<std::uint32_t> digits(n);
  for (int i = n - 1; i >= 0; --i) {
    digits[i] = rank % static_cast<std::uint32_t>(n - i);
    rank /= static_cast<std::uint32_t>(n - i);
  }
  Seq seq{};
  for (int i = 0; i < n; ++i) {
    seq[i] = static_cast<std::int8_t>(left[digits[i]]);
    left.erase(left.begin() + digits[i]);
  }
  return seq;
}

// Field i of the 16- or 32-bit fields packed from `at`.
std::uint64_t fieldOf(const std::uint64_t* at, size_t i, int bits) {
  size_t per = 64 / bits;
  return at[i / per] >> (bits * (i % per)) & ((1ull << bits) - 1);
}

// The images compared term by term choose the symmetry and rank that
// ranking all eight images chooses: every sequence of up to eight pins,
// and a sample of nine.
TEST(FlatTablesTest, LeastSymmetryIsTheCanonicalOne) {
  std::mt19937 rng(11);
  for (int n = 1; n <= 9; ++n) {
    std::uint32_t count = 1;
    for (int k = 2; k <= n; ++k) {
      count *= static_cast<std::uint32_t>(k);
    }
    for (std::uint32_t r = 0; r < std::min<std::uint32_t>(count, 40320); ++r) {
      Seq seq = seqOfRank(n < 9 ? r : rng() % count, n);
      std::uint32_t fast = 0, slow = 0;
      int s = positionSequence::leastSymmetry(seq, n, fast);
      ASSERT_EQ(s, positionSequence::canonicalSymmetry(seq, n, slow)) << n;
      ASSERT_EQ(fast, slow) << n;
    }
  }
}

// The kept moves of nine pins regenerated for a sample of classes, the
// trees of fewer pins made as they are needed: the same moves.
TEST(FlatTablesTest, KeptMovesOfNinePinsRegenerate) {
  ASSERT_EQ(flatTableData::kMovesPins, 9);
  const std::uint64_t* at = flatTableData::kMovesData;
  size_t classes = at[0];
  const std::uint64_t* ranks = at + 1;
  const std::uint64_t* starts = ranks + (classes + 1) / 2;
  const std::uint64_t* moves = starts + (classes + 2) / 2;
  std::map<std::pair<int, std::uint32_t>, std::vector<flatTables::ClassTree>>
      made;
  flatTables::TreesOfFewer lazy;
  lazy = [&](const Seq& seq,
             int k) -> const std::vector<flatTables::ClassTree>& {
    auto key = std::make_pair(k, positionSequence::rankOf(seq, k));
    auto it = made.find(key);
    if (it == made.end()) {
      it = made.emplace(key, flatTables::treesOf(seq, k, lazy)).first;
    }
    return it->second;
  };
  std::mt19937 rng(35);
  for (int sample = 0; sample < 4; ++sample) {
    size_t c = rng() % classes;
    SCOPED_TRACE(c);
    auto rank = static_cast<std::uint32_t>(fieldOf(ranks, c, 32));
    Seq seq = seqOfRank(rank, 9);
    std::uint32_t least;
    positionSequence::canonicalSymmetry(seq, 9, least);
    EXPECT_EQ(least, rank) << "a class kept under another rank";
    std::vector<flatTables::Move> again;
    flatTables::treesOf(seq, 9, lazy, &again);
    std::vector<flatTables::Move> kept;
    for (auto k = fieldOf(starts, c, 32); k < fieldOf(starts, c + 1, 32); ++k) {
      kept.push_back(static_cast<flatTables::Move>(fieldOf(moves, k, 16)));
    }
    EXPECT_EQ(again, kept);
  }
}

}  // namespace
