#include "treecore/geometry.h"

#include <cfloat>
#include <charconv>
#include <cmath>

#include "support/decimal.h"

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
  // The shortest decimal that reads back as v, taken as a file's token is.
  char dec[40];
  std::string_view tok(dec, std::to_chars(dec, dec + sizeof dec, v).ptr - dec);
  if (readDecimal(tok, f) == Decimal::exact) {
    out = f;
    return true;
  }
  if (why) {
    *why = std::string(tok) +
           " is not a single-precision value: it would become " +
           formatLikeToken(tok, f);
  }
  return false;
}

}  // namespace treecore
