#include "treecore/geometry.h"

#include <cfloat>
#include <charconv>
#include <cmath>

#include "support/formatCoord.h"

namespace treecore {

bool toSingle(double v, float& out, std::string* why) {
  // The usual coordinate, an integer a float holds, is its own decimal.
  if (std::fabs(v) < 1e9 && v == static_cast<double>(static_cast<long>(v)) &&
      static_cast<double>(static_cast<float>(v)) == v) {
    out = static_cast<float>(v);
    return true;
  }
  // The decimal of the greatest float, 3.4028235e38, lies just above it.
  const double kGreatest = 3.4028235e38;
  if (!std::isfinite(v) || std::fabs(v) > kGreatest) {
    if (why) {
      *why = std::isfinite(v) ? "is beyond single precision"
                              : "is not a finite number";
    }
    return false;
  }
  // v stands for a float when it is the double of that float's decimal,
  // the one every writer prints: 0.1 for 0.1f, not 0.1f widened.
  float f = static_cast<float>(v);
  if (canonicalDouble(f) == v) {
    out = f;
    return true;
  }
  if (why) {
    char dec[40];
    std::string_view tok(dec,
                         std::to_chars(dec, dec + sizeof dec, v).ptr - dec);
    *why = std::string(tok) +
           " is not a single-precision value: it would become " +
           formatCoord(f);
  }
  return false;
}

bool isWideInteger(double v) {
  float f;
  return std::fabs(v) <= kWidestInteger && v == std::floor(v) &&
         !toSingle(v, f);
}

bool isCoordinate(double v, std::string* why) {
  float f;
  return toSingle(v, f, why) || isWideInteger(v);
}

std::string coordText(double v) {
  if (isWideInteger(v)) {
    char dec[24];
    return std::string(
        dec,
        std::to_chars(dec, dec + sizeof dec, static_cast<long long>(v)).ptr);
  }
  return formatCoord(static_cast<float>(v));
}

}  // namespace treecore
