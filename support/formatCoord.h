#pragma once
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

// A coordinate as the standard stream writes it (six significant digits),
// unless that does not read back as the same float: then the fewest further
// digits that do. Nine always suffice.
inline std::string formatCoord(float v) {
  char buf[32];
  // Integers below 10^6 print as their digits either way; this path only
  // saves the round trip.
  if (std::fabs(v) < 1e6f && v == std::nearbyint(v) &&
      !(v == 0 && std::signbit(v))) {
    auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long>(v));
    return std::string(buf, r.ptr);
  }
  for (int prec = 6; prec <= 9; ++prec) {
    std::snprintf(buf, sizeof buf, "%.*g", prec, static_cast<double>(v));
    if (std::strtof(buf, nullptr) == v) {
      break;
    }
  }
  return buf;
}

// A point as the messages name it: "(x, y)".
inline std::string formatPoint(float x, float y) {
  return "(" + formatCoord(x) + ", " + formatCoord(y) + ")";
}
