#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "geometry/edge.h"
#include "geometry/vertex.h"
#include "support/smallLists.h"

// Edge::length and Edge::mstEdgeLen, the same operations in the same order,
// where the compiler can see them: they run once or more per candidate.
inline float pieceLength(const Edge* d) {
  return std::fabs(d->pStart->x - d->pEnd->x) +
         std::fabs(d->pStart->y - d->pEnd->y);
}

// The lengths of the partial edges of one spanning-tree edge, at the inner
// vertices asked for, without making them: each as Edge::mstEdgeLen would sum
// the partial edge's pieces, in path order from zero, so the value is the
// same to the last bit. The path is walked once. A stretch from the pStart
// end is a prefix of that sum. One to the pEnd end is the total less a
// prefix wherever every sum of consecutive pieces is exact in float (the
// lengths multiples of one power of two, the total below 2^24 of them), as
// with integer coordinates; otherwise it is summed piece by piece. Kept
// from edge to edge, so that its lists keep their storage (in a Router's
// scratch, from net to net).
class PartialLengths {
 public:
  void reset(const Edge* e, const std::vector<const Vertex*>& inner) {
    size_t count = e->subEdges.size();
    at_.clear();
    for (const Vertex* v : inner) {
      at_.push_back({v, {count, 0}});
    }
    // By address, only to find a vertex's place: no result depends on it.
    // A few are scanned instead, repeats and all: the first one answers.
    sorted_ = at_.size() > scanned;
    if (sorted_) {
      std::sort(at_.begin(), at_.end(), [](const Keyed& a, const Keyed& b) {
        return std::less<const Vertex*>()(a.v, b.v);
      });
      at_.erase(std::unique(
                    at_.begin(), at_.end(),
                    [](const Keyed& a, const Keyed& b) { return a.v == b.v; }),
                at_.end());
    }
    lens_.clear();
    prefix_.assign(1, 0.0f);
    exact_.assign(1, 0.0);
    int low = std::numeric_limits<int>::max();
    size_t i = 0;
    for (const Edge* d : e->subEdges) {
      float len = pieceLength(d);
      lens_.push_back(len);
      prefix_.push_back(prefix_.back() + len);
      exact_.push_back(exact_.back() + len);
      if (len > 0) {
        low = std::min(low, lowestBit(len));
      }
      if (Place* first = find(d->pStart)) {
        first->firstStart = std::min(first->firstStart, i);
      }
      if (Place* last = find(d->pEnd)) {
        last->afterLastEnd = i + 1;
      }
      ++i;
    }
    sumsExact_ = low == std::numeric_limits<int>::max() ||
                 exact_.back() < powerOfTwo(24 + low);
    if (!sumsExact_) {
      summed_.assign(count + 1, std::numeric_limits<float>::quiet_NaN());
    }
  }

  float fromStart(const Vertex* v) { return prefix_[find(v)->firstStart]; }

  void release() {
    releaseLarge(at_);
    releaseLarge(lens_);
    releaseLarge(prefix_);
    releaseLarge(exact_);
    releaseLarge(summed_);
  }

  float toEnd(const Vertex* v) {
    size_t j = find(v)->afterLastEnd;
    if (sumsExact_) {
      return static_cast<float>(exact_.back() - exact_[j]);
    }
    if (std::isnan(summed_[j])) {
      float len = 0;
      for (size_t k = j; k < lens_.size(); ++k) {
        len += lens_[k];
      }
      summed_[j] = len;
    }
    return summed_[j];
  }

 private:
  // The exponent of the lowest set bit of a positive float, read from its
  // bits: what frexp, the significand scaled to 24 bits and its trailing
  // zeros give, without the library calls.
  static int lowestBit(float len) {
    std::uint32_t bits;
    std::memcpy(&bits, &len, sizeof bits);
    auto biased = static_cast<int>((bits >> 23) & 0xffu);
    std::uint32_t significand = bits & 0x7fffffu;
    if (biased == 0) {
      return -149 + __builtin_ctz(significand);
    }
    return biased - 150 + __builtin_ctz(significand | 0x800000u);
  }

  // 2^k for the k the sums can ask for (-125 to 152), exactly, as ldexp.
  static double powerOfTwo(int k) {
    auto bits = static_cast<std::uint64_t>(1023 + k) << 52;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  }

  struct Place {
    size_t firstStart;    // of a piece that starts at the vertex, or the count
    size_t afterLastEnd;  // one past a piece that ends there, or 0
  };
  struct Keyed {
    const Vertex* v;
    Place place;
  };
  // Null for a vertex not asked for.
  Place* find(const Vertex* v) {
    if (!sorted_) {
      for (Keyed& k : at_) {
        if (k.v == v) {
          return &k.place;
        }
      }
      return nullptr;
    }
    auto it = std::lower_bound(at_.begin(), at_.end(), v,
                               [](const Keyed& a, const Vertex* b) {
                                 return std::less<const Vertex*>()(a.v, b);
                               });
    return it != at_.end() && it->v == v ? &it->place : nullptr;
  }

  static constexpr size_t scanned = 16;
  std::vector<Keyed> at_;
  bool sorted_ = false;
  std::vector<float> lens_;
  std::vector<float> prefix_;
  std::vector<double> exact_;
  bool sumsExact_ = false;
  std::vector<float> summed_;  // by first piece; NaN until summed
};
