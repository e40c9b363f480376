#pragma once
#include <array>
#include <cstdint>

// A net of n pins at distinct x ranks and distinct y ranks is, up to its
// gaps, the sequence seq[i] = the y rank of the pin of x rank i. The eight
// symmetries of the square act on it; the tables hold one sequence of each
// class, the one of least rank.
namespace positionSequence {

const int kMaxPins = 9;
using Seq = std::array<std::int8_t, kMaxPins>;

// The count of each mask's bits, for masks of up to kMaxPins bits: one
// look-up, where without a popcount instruction the builtin is a call.
struct BitCounts {
  unsigned char of[1 << kMaxPins];
};
constexpr BitCounts bitCounts() {
  BitCounts b{};
  for (int m = 1; m < (1 << kMaxPins); ++m) {
    b.of[m] = static_cast<unsigned char>(b.of[m >> 1] + (m & 1));
  }
  return b;
}
inline constexpr BitCounts kBitCounts = bitCounts();

// The Lehmer rank among the n! sequences of n.
inline std::uint32_t rankOf(const Seq& seq, int n) {
  std::uint32_t rank = 0;
  unsigned left = (1u << n) - 1;  // the values not yet taken
  for (int i = 0; i < n; ++i) {
    // The values below seq[i] not yet taken.
    std::uint32_t count = kBitCounts.of[left & ((1u << seq[i]) - 1)];
    rank = rank * static_cast<std::uint32_t>(n - i) + count;
    left &= ~(1u << seq[i]);
  }
  return rank;
}

// Symmetry s (0 to 7) maps the pin at ranks (x, y) to (x', y'): first
// swapped when s & 4, then x reversed when s & 1 and y when s & 2.
inline void mapRanks(int s, int n, int x, int y, int& mx, int& my) {
  if (s & 4) {
    int t = x;
    x = y;
    y = t;
  }
  mx = s & 1 ? n - 1 - x : x;
  my = s & 2 ? n - 1 - y : y;
}

inline Seq mapSeq(const Seq& seq, int n, int s) {
  Seq out{};
  for (int i = 0; i < n; ++i) {
    int mx, my;
    mapRanks(s, n, i, seq[i], mx, my);
    out[mx] = static_cast<std::int8_t>(my);
  }
  return out;
}

// The symmetry that takes seq to its class's sequence of least rank (the
// first such), and that rank.
inline int canonicalSymmetry(const Seq& seq, int n, std::uint32_t& rank) {
  int best = 0;
  rank = rankOf(seq, n);
  for (int s = 1; s < 8; ++s) {
    std::uint32_t r = rankOf(mapSeq(seq, n, s), n);
    if (r < rank) {
      rank = r;
      best = s;
    }
  }
  return best;
}

// canonicalSymmetry's answer without ranking every image: ranks order as
// the sequences do, term by term, so the images are compared from their
// first term on until one is least (or all that remain are equal), and
// only that one is ranked.
inline int leastSymmetry(const Seq& seq, int n, std::uint32_t& rank) {
  int inverse[kMaxPins];  // the x rank of each y rank
  for (int i = 0; i < n; ++i) {
    inverse[seq[i]] = i;
  }
  unsigned alive = 0xff;
  for (int i = 0; i < n && (alive & (alive - 1)); ++i) {
    // Term i of image s, as mapRanks places it.
    int least = n;
    unsigned keep = 0;
    for (unsigned m = alive; m; m &= m - 1) {
      int s = __builtin_ctz(m);
      int from = s & 1 ? n - 1 - i : i;
      int v = s & 4 ? inverse[from] : seq[from];
      v = s & 2 ? n - 1 - v : v;
      keep = v < least ? 0 : keep;
      least = v < least ? v : least;
      keep |= v == least ? 1u << s : 0;
    }
    alive = keep;
  }
  int best = __builtin_ctz(alive);
  rank = rankOf(mapSeq(seq, n, best), n);
  return best;
}

// A full component of a table's tree, over pins named by x rank. A spine
// tree: the mask of its pins, kAlongY when its spine runs along y, at its
// pins' median. A corner tree (kCorner): a main spine along x (or y, with
// kAlongY) on the line of pin `line`, every pin of the mask but two joined
// to it by a straight leg, and at the spine's end a corner arm across it,
// on the line of pin `end`, which carries the leg of pin `leg`.
using Part = std::uint32_t;
const Part kAlongY = 1 << kMaxPins;
const Part kCorner = 2 << kMaxPins;

inline int maskOf(Part p) {
  return static_cast<int>(p & (kAlongY - 1));
}
inline int endOf(Part p) {
  return static_cast<int>(p >> 11 & 15);
}
inline int legOf(Part p) {
  return static_cast<int>(p >> 15 & 15);
}
inline int lineOf(Part p) {
  return static_cast<int>(p >> 19 & 15);
}

inline Part cornerPart(int mask, bool alongY, int end, int leg, int line) {
  return static_cast<Part>(mask) | (alongY ? kAlongY : 0) | kCorner |
         static_cast<Part>(end) << 11 | static_cast<Part>(leg) << 15 |
         static_cast<Part>(line) << 19;
}

// The same part with pin i renamed to[i], its axes swapped when swap.
inline Part renamePins(Part p, const int* to, bool swap) {
  int mask = 0;
  for (int m = maskOf(p); m; m &= m - 1) {
    mask |= 1 << to[__builtin_ctz(static_cast<unsigned>(m))];
  }
  bool alongY = ((p & kAlongY) != 0) != swap;
  if (p & kCorner) {
    return cornerPart(mask, alongY, to[endOf(p)], to[legOf(p)], to[lineOf(p)]);
  }
  return static_cast<Part>(mask) | (alongY ? kAlongY : 0);
}

}  // namespace positionSequence
