#pragma once
#include <cstdint>
#include <cstring>

#include "spatial/freeRoute.h"

// The drawing graphs' point keys, shared so that the fast obstacle-free
// tree and the Router's tree number their points alike.
namespace treecore::detail {

// A coordinate's bits, with -0 taken as 0, arranged so that keys order as
// the floats do.
inline std::uint32_t orderedBits(float v) {
  v = v == 0 ? 0.0f : v;
  std::uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b & 0x80000000u ? ~b : b | 0x80000000u;
}

// Keys order as points do by x, then y.
inline std::uint64_t keyOf(RoutePoint p) {
  return static_cast<std::uint64_t>(orderedBits(p.x)) << 32 | orderedBits(p.y);
}

inline float floatOf(std::uint32_t k) {
  std::uint32_t b = k & 0x80000000u ? k & 0x7fffffffu : ~k;
  float v;
  std::memcpy(&v, &b, sizeof v);
  return v;
}

inline RoutePoint pointOf(std::uint64_t key) {
  return {floatOf(static_cast<std::uint32_t>(key >> 32)),
          floatOf(static_cast<std::uint32_t>(key))};
}

}  // namespace treecore::detail
