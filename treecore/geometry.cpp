#include "treecore/geometry.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "support/formatCoord.h"

namespace treecore {

bool toSingle(double v, float& out, std::string* why) {
  if (!std::isfinite(v) || std::fabs(v) > FLT_MAX) {
    if (why) {
      *why = std::isfinite(v) ? "is beyond single precision"
                              : "is not a finite number";
    }
    return false;
  }
  float f = static_cast<float>(v);
  if (static_cast<double>(f) == v) {
    out = f;
    return true;
  }
  char dec[40];
  *std::to_chars(dec, dec + sizeof dec - 1, v).ptr = '\0';
  f = std::strtof(dec, nullptr);
  int digits = 0;
  bool leading = true;
  for (const char* c = dec; *c && *c != 'e'; ++c) {
    if (*c >= '0' && *c <= '9') {
      leading = leading && *c == '0';
      digits += leading ? 0 : 1;
    }
  }
  char back[48];
  std::snprintf(back, sizeof back, "%.*g", digits, static_cast<double>(f));
  if (std::isfinite(f) && std::strtod(back, nullptr) == v) {
    out = f;
    return true;
  }
  if (why) {
    *why = std::string(dec) +
           " is not a single-precision value: it would become " +
           formatCoord(f);
  }
  return false;
}

}  // namespace treecore
