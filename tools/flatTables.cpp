#include "tools/flatTables.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <thread>
#include <tuple>

namespace flatTables {

namespace {

using positionSequence::kAlongY;
using positionSequence::Seq;

const std::uint64_t kHigh = 0x8080808080808080ull;

int lane(std::uint64_t v, int i) {
  return static_cast<int>(v >> (8 * i) & 0xff);
}

std::uint64_t withLane(std::uint64_t v, int i, int value) {
  return v | static_cast<std::uint64_t>(value) << (8 * i);
}

int totalOf(const ClassTree& t) {
  int sum = 0;
  for (int i = 0; i < 8; ++i) {
    sum += lane(t.across, i) + lane(t.along, i);
  }
  return sum;
}

// a crosses no gap more often than b.
bool dominates(const ClassTree& a, const ClassTree& b) {
  return (((b.across | kHigh) - a.across) & kHigh) == kHigh &&
         (((b.along | kHigh) - a.along) & kHigh) == kHigh;
}

// Crossings per gap of the spine tree of the pins at ranks[], along its
// own axis (each gap of the span once) and across it (at each gap, as
// many legs as pins lie on its smaller side: the spine on a median line).
std::uint64_t spineLanes(const std::vector<int>& ranks) {
  std::uint64_t v = 0;
  int lo = *std::min_element(ranks.begin(), ranks.end());
  int hi = *std::max_element(ranks.begin(), ranks.end());
  for (int g = lo; g < hi; ++g) {
    int below = 0;
    for (int r : ranks) {
      below += r <= g;
    }
    v = withLane(v, g, std::min(below, static_cast<int>(ranks.size()) - below));
  }
  return v;
}

std::uint64_t spanLanes(const std::vector<int>& ranks) {
  std::uint64_t v = 0;
  int lo = *std::min_element(ranks.begin(), ranks.end());
  int hi = *std::max_element(ranks.begin(), ranks.end());
  for (int g = lo; g < hi; ++g) {
    v = withLane(v, g, 1);
  }
  return v;
}

// Lane k of a subnet's vector covers the net's gaps from at[k] to
// at[k + 1].
std::uint64_t expandLanes(std::uint64_t v, const std::vector<int>& at) {
  std::uint64_t out = 0;
  for (size_t k = 0; k + 1 < at.size(); ++k) {
    for (int g = at[k]; g < at[k + 1]; ++g) {
      out = withLane(out, g, lane(v, static_cast<int>(k)));
    }
  }
  return out;
}

// Lanes between ranks a and b, once each.
std::uint64_t spanBetween(int a, int b) {
  std::uint64_t v = 0;
  for (int g = std::min(a, b); g < std::max(a, b); ++g) {
    v = withLane(v, g, 1);
  }
  return v;
}

// The corner tree (positionSequence::Part) with its main spine along v, on
// the u line of pin `line`; u and v are the pins' ranks across and along
// it.
std::pair<std::uint64_t, std::uint64_t> cornerLanes(const std::vector<int>& u,
                                                    const std::vector<int>& v,
                                                    int end,
                                                    int leg,
                                                    int line) {
  std::uint64_t across = 0, along = 0;
  int lo = v[end], hi = v[end];
  for (int t = 0; t < static_cast<int>(u.size()); ++t) {
    if (t != end && t != leg) {
      across += spanBetween(u[t], u[line]);
      lo = std::min(lo, v[t]);
      hi = std::max(hi, v[t]);
    }
  }
  along += spanBetween(lo, hi);
  across += spanBetween(std::min({u[line], u[end], u[leg]}),
                        std::max({u[line], u[end], u[leg]}));
  along += spanBetween(v[end], v[leg]);
  return {across, along};
}

struct Candidate {
  ClassTree tree;  // parts filled in only for the survivors
  int total;
  // -1, -2: the spine tree along x, along y; -3: corner tree firstTree;
  // else a subset.
  int first;
  int firstTree;
  int second;
  int secondTree;
  Move move;
};

// Fewest moves (first by code among equals) that make between them every
// kept tree; made[k] lists the moves that make tree k.
std::vector<Move> coverOf(const std::vector<std::vector<Move>>& made) {
  std::vector<Move> all;
  for (const auto& m : made) {
    all.insert(all.end(), m.begin(), m.end());
  }
  std::sort(all.begin(), all.end());
  all.erase(std::unique(all.begin(), all.end()), all.end());
  std::vector<char> covered(made.size(), 0);
  std::vector<Move> out;
  for (size_t left = made.size(); left > 0;) {
    Move best = 0;
    size_t most = 0;
    for (Move m : all) {
      size_t count = 0;
      for (size_t k = 0; k < made.size(); ++k) {
        count += !covered[k] &&
                 std::binary_search(made[k].begin(), made[k].end(), m);
      }
      if (count > most) {
        most = count;
        best = m;
      }
    }
    for (size_t k = 0; k < made.size(); ++k) {
      if (!covered[k] &&
          std::binary_search(made[k].begin(), made[k].end(), best)) {
        covered[k] = 1;
        --left;
      }
    }
    out.push_back(best);
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The trees of every subset of the net, mapped into its gaps.
struct Subsets {
  std::vector<std::vector<ClassTree>> trees;  // by mask
  std::vector<std::vector<int>> xs;           // the subset's x ranks
};

Subsets subsetsOf(const Seq& seq, int n, const TreesOfFewer& fewer) {
  int full = (1 << n) - 1;
  Subsets s;
  s.trees.resize(full);
  s.xs.resize(full);
  for (int m = 1; m < full; ++m) {
    std::vector<int> xs, ys;
    for (int i = 0; i < n; ++i) {
      if (m >> i & 1) {
        xs.push_back(i);
        ys.push_back(seq[i]);
      }
    }
    int k = static_cast<int>(xs.size());
    if (k < 2) {
      continue;
    }
    Seq sub{};
    std::vector<int> sorted = ys;
    std::sort(sorted.begin(), sorted.end());
    for (int j = 0; j < k; ++j) {
      sub[j] = static_cast<std::int8_t>(
          std::lower_bound(sorted.begin(), sorted.end(), ys[j]) -
          sorted.begin());
    }
    const std::vector<ClassTree>& from = fewer(sub, k);
    for (const ClassTree& t : from) {
      ClassTree e;
      e.across = expandLanes(t.across, xs);
      e.along = expandLanes(t.along, sorted);
      for (Part p : t.parts) {
        e.parts.push_back(positionSequence::renamePins(p, xs.data(), false));
      }
      s.trees[m].push_back(std::move(e));
    }
    s.xs[m] = std::move(xs);
  }
  return s;
}

}  // namespace

std::vector<ClassTree> treesOf(const Seq& seq,
                               int n,
                               const TreesOfFewer& fewer,
                               std::vector<Move>* moves) {
  int full = (1 << n) - 1;
  std::vector<Candidate> cands;
  std::vector<int> xs(n), ys(n);
  std::iota(xs.begin(), xs.end(), 0);
  for (int i = 0; i < n; ++i) {
    ys[i] = seq[i];
  }
  ClassTree alongX{spanLanes(xs), spineLanes(ys), {}};
  ClassTree alongY{spineLanes(xs), spanLanes(ys), {}};
  cands.push_back({alongX, totalOf(alongX), -1, 0, 0, 0, kSpineMove});
  cands.push_back(
      {alongY, totalOf(alongY), -2, 0, 0, 0, kSpineMove | kMoveAlongY});
  // Corner trees, the main spine along x (u the y ranks) or along y.
  std::vector<Part> corners;
  for (int swap = 0; swap < 2 && n > 2; ++swap) {
    for (int end = 0; end < n; ++end) {
      for (int leg = 0; leg < n; ++leg) {
        for (int line = 0; line < n && leg != end; ++line) {
          auto [u, v] = swap ? cornerLanes(xs, ys, end, leg, line)
                             : cornerLanes(ys, xs, end, leg, line);
          ClassTree t{swap ? u : v, swap ? v : u, {}};
          cands.push_back(
              {t, totalOf(t), -3, static_cast<int>(corners.size()), 0, 0,
               static_cast<Move>(kCornerMove | (swap ? kMoveAlongY : 0) |
                                 end << 8 | leg << 4 | line)});
          corners.push_back(
              positionSequence::cornerPart(full, swap, end, leg, line));
        }
      }
    }
  }
  if (n > 2) {
    Subsets subs = subsetsOf(seq, n, fewer);
    // Split at pin p: the first part holds the lowest other pin, so that
    // each split comes once.
    for (int p = 0; p < n; ++p) {
      int rest = full & ~(1 << p);
      int low = rest & -rest;
      int free = rest & ~low;
      for (int a = free;; a = (a - 1) & free) {
        int first = a | low | 1 << p;
        int second = (free & ~a) | 1 << p;
        if (second != 1 << p) {
          const auto& ta = subs.trees[first];
          const auto& tb = subs.trees[second];
          for (size_t i = 0; i < ta.size(); ++i) {
            for (size_t j = 0; j < tb.size(); ++j) {
              ClassTree t{
                  ta[i].across + tb[j].across, ta[i].along + tb[j].along, {}};
              cands.push_back({t, totalOf(t), first, static_cast<int>(i),
                               second, static_cast<int>(j),
                               static_cast<Move>(kSplitMove | p << 9 | first)});
            }
          }
        }
        if (a == 0) {
          break;
        }
      }
    }
    std::stable_sort(cands.begin(), cands.end(),
                     [](const Candidate& x, const Candidate& y) {
                       return std::tie(x.total, x.tree.across, x.tree.along) <
                              std::tie(y.total, y.tree.across, y.tree.along);
                     });
    std::vector<ClassTree> kept;
    std::vector<std::vector<Move>> made;  // per kept tree, the moves to it
    for (size_t g = 0, h = 0; g < cands.size(); g = h) {
      const Candidate& c = cands[g];
      for (h = g; h < cands.size() && cands[h].tree.across == c.tree.across &&
                  cands[h].tree.along == c.tree.along;
           ++h) {
      }
      bool beaten = false;
      for (const ClassTree& k : kept) {
        beaten = beaten || dominates(k, c.tree);
      }
      if (beaten) {
        continue;
      }
      made.emplace_back();
      for (size_t i = g; i < h; ++i) {
        made.back().push_back(cands[i].move);
      }
      ClassTree t = c.tree;
      if (c.first == -3) {
        t.parts = {corners[c.firstTree]};
      } else if (c.first == -1 || c.first == -2) {
        t.parts = {static_cast<Part>(full | (c.first == -2 ? kAlongY : 0))};
      } else {
        t.parts = subs.trees[c.first][c.firstTree].parts;
        const auto& more = subs.trees[c.second][c.secondTree].parts;
        t.parts.insert(t.parts.end(), more.begin(), more.end());
        std::sort(t.parts.begin(), t.parts.end());
      }
      kept.push_back(std::move(t));
    }
    if (moves) {
      for (auto& m : made) {
        std::sort(m.begin(), m.end());
      }
      *moves = coverOf(made);
    }
    return kept;
  }
  // Two pins: both spine trees are the box.
  alongX.parts = {static_cast<Part>(full)};
  if (moves) {
    *moves = {kSpineMove};
  }
  return {alongX};
}

namespace {

// doAt(i) for i from 0 to count - 1, spread over `threads` threads.
template <class Do>
void forEachOn(int threads, size_t count, const Do& doAt) {
  auto work = [&](size_t from) {
    for (size_t i = from; i < count; i += threads) {
      doAt(i);
    }
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) {
    pool.emplace_back(work, t);
  }
  work(0);
  for (std::thread& t : pool) {
    t.join();
  }
}

}  // namespace

TreesOfFewer fromTables(const AllTrees& all) {
  return [&all](const Seq& seq, int k) -> const std::vector<ClassTree>& {
    return all[k][positionSequence::rankOf(seq, k)];
  };
}

AllTrees buildTables(int maxPins, int threads, bool leastAtTop) {
  AllTrees all(maxPins + 1);
  for (int n = 2; n <= maxPins; ++n) {
    std::vector<Seq> seqs;
    Seq seq{};
    std::iota(seq.begin(), seq.begin() + n, 0);
    do {
      seqs.push_back(seq);
    } while (std::next_permutation(seq.begin(), seq.begin() + n));
    all[n].resize(seqs.size());
    bool leastOnly = leastAtTop && n == maxPins;
    forEachOn(threads, seqs.size(), [&](size_t r) {
      std::uint32_t least;
      positionSequence::canonicalSymmetry(seqs[r], n, least);
      if (!leastOnly || least == r) {
        all[n][r] = treesOf(seqs[r], n, fromTables(all));
      }
    });
  }
  return all;
}

// Fields of `bits` bits, packed into 64-bit words from the low end, each
// list on words of its own, so that the library reads them in place.
class Words {
 public:
  void add(const std::vector<std::uint64_t>& values, int bits) {
    int per = 64 / bits;
    for (size_t i = 0; i < values.size(); i += per) {
      std::uint64_t w = 0;
      for (int k = 0; k < per && i + k < values.size(); ++k) {
        w |= values[i + k] << (bits * k);
      }
      words_.push_back(w);
    }
  }

  // As the definitions of kNAMEWords and kNAMEData.
  std::string source(const std::string& name) const {
    // Six words a line, as written, not as clang-format would lay them.
    std::string out = "// clang-format off\nconst std::size_t k" + name +
                      "Words = " + std::to_string(words_.size()) +
                      ";\nconst std::uint64_t k" + name + "Data[] = {";
    char buf[32];
    for (size_t w = 0; w < words_.size(); ++w) {
      std::snprintf(buf, sizeof buf, "%s0x%llx", w % 6 ? ", " : ",\n    ",
                    static_cast<unsigned long long>(words_[w]));
      out += w == 0 ? buf + 1 : buf;  // no comma before the first
    }
    return out + "};\n// clang-format on\n";
  }

 private:
  std::vector<std::uint64_t> words_;
};

std::string movesSource(const AllTrees& full, int n, int threads) {
  std::vector<Seq> least;
  Seq seq{};
  std::iota(seq.begin(), seq.begin() + n, 0);
  std::uint32_t r = 0;
  std::vector<std::uint32_t> ranks;
  do {
    std::uint32_t rank;
    positionSequence::canonicalSymmetry(seq, n, rank);
    if (rank == r) {
      least.push_back(seq);
      ranks.push_back(r);
    }
    ++r;
  } while (std::next_permutation(seq.begin(), seq.begin() + n));
  std::vector<std::vector<Move>> moves(least.size());
  forEachOn(threads, least.size(), [&](size_t c) {
    treesOf(least[c], n, fromTables(full), &moves[c]);
  });
  // The classes' count; their least ranks (32 bits); the first move of
  // each (32 bits, one more at the end); the moves (16 bits).
  Words words;
  words.add({least.size()}, 64);
  words.add(std::vector<std::uint64_t>(ranks.begin(), ranks.end()), 32);
  std::vector<std::uint64_t> first{0}, all;
  for (const auto& m : moves) {
    first.push_back(first.back() + m.size());
    all.insert(all.end(), m.begin(), m.end());
  }
  words.add(first, 32);
  words.add(all, 16);
  return "// Made by flatTableGen --moves from tools/flatTables.cpp; not to be "
         "edited.\n#include \"options/flatTableData.h\"\n\nnamespace "
         "flatTableData {\n\nconst int kMovesPins = " +
         std::to_string(n) + ";\n" + words.source("Moves") +
         "\n}  // namespace flatTableData\n";
}

std::string tableSource(const AllTrees& all, int fromPins) {
  // For each size: the counts of classes, trees and parts (64 bits); per
  // sequence rank, its class << 3 | the symmetry to it (16 bits); per
  // class, its first tree (32 bits, one more at the end); per tree, its
  // vector as sixteen four-bit lanes (64 bits); per tree, its first part
  // (32 bits, one more at the end); the parts (32 bits).
  Words words;
  int maxPins = static_cast<int>(all.size()) - 1;
  for (int n = fromPins; n <= maxPins; ++n) {
    std::vector<std::uint32_t> least;
    Seq seq{};
    std::iota(seq.begin(), seq.begin() + n, 0);
    std::vector<int> sym(all[n].size());
    std::vector<std::uint32_t> to(all[n].size());
    for (std::uint32_t r = 0; r < all[n].size(); ++r) {
      std::uint32_t rank;
      sym[r] = positionSequence::canonicalSymmetry(seq, n, rank);
      to[r] = rank;
      if (rank == r) {
        least.push_back(r);
      }
      std::next_permutation(seq.begin(), seq.begin() + n);
    }
    std::vector<std::uint64_t> classOf, treeStart{0}, lanes, partStart{0},
        parts;
    for (std::uint32_t r = 0; r < all[n].size(); ++r) {
      auto c =
          std::lower_bound(least.begin(), least.end(), to[r]) - least.begin();
      classOf.push_back(static_cast<std::uint64_t>(c) << 3 | sym[r]);
    }
    for (std::uint32_t r : least) {
      treeStart.push_back(treeStart.back() + all[n][r].size());
      for (const ClassTree& t : all[n][r]) {
        std::uint64_t v = 0;
        for (int g = 0; g < n - 1; ++g) {
          v |= static_cast<std::uint64_t>(lane(t.across, g)) << (4 * g);
          v |= static_cast<std::uint64_t>(lane(t.along, g)) << (4 * (8 + g));
        }
        lanes.push_back(v);
        partStart.push_back(partStart.back() + t.parts.size());
        parts.insert(parts.end(), t.parts.begin(), t.parts.end());
      }
    }
    words.add({least.size(), lanes.size(), parts.size()}, 64);
    words.add(classOf, 16);
    words.add(treeStart, 32);
    words.add(lanes, 64);
    words.add(partStart, 32);
    words.add(parts, 32);
  }
  return "// Made by flatTableGen from tools/flatTables.cpp; not to be "
         "edited.\n#include \"options/flatTableData.h\"\n\nnamespace "
         "flatTableData {\n\nconst int kFromPins = " +
         std::to_string(fromPins) +
         ";\nconst int kToPins = " + std::to_string(maxPins) + ";\n" +
         words.source("Table") + "\n}  // namespace flatTableData\n";
}

}  // namespace flatTables
