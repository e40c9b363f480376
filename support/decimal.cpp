#include "support/decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "support/formatCoord.h"

namespace {

// The token's significant digits (from the first non-zero one to the last
// one written, less zeros that end a fraction: "%f" pads with them) and the
// decimal exponent of the first of them; no digits for a zero. False when
// the token is not a decimal number.
bool splitDecimal(std::string_view tok, std::string& digits, long& exponent) {
  size_t i = 0;
  if (i < tok.size() && (tok[i] == '+' || tok[i] == '-')) {
    ++i;
  }
  long before = 0;     // digits before the point
  size_t padding = 0;  // zeros ending the fraction so far
  bool point = false, any = false;
  digits.clear();
  for (; i < tok.size(); ++i) {
    char c = tok[i];
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      any = true;
      before += point ? 0 : 1;
      if (c != '0' || !digits.empty()) {
        digits += c;
        padding = point && c == '0' ? padding + 1 : 0;
      } else {
        --before;  // a leading zero moves nothing
      }
    } else {
      break;
    }
  }
  if (!any) {
    return false;
  }
  digits.resize(digits.size() - padding);
  long e = 0;
  if (i < tok.size() && (tok[i] == 'e' || tok[i] == 'E')) {
    ++i;
    bool minus = i < tok.size() && tok[i] == '-';
    if (i < tok.size() && (tok[i] == '+' || tok[i] == '-')) {
      ++i;
    }
    if (i == tok.size()) {
      return false;
    }
    for (; i < tok.size() && tok[i] >= '0' && tok[i] <= '9'; ++i) {
      e = std::min(e * 10 + (tok[i] - '0'), 1000000L);
    }
    e = minus ? -e : e;
  }
  if (i != tok.size()) {
    return false;
  }
  // Leading zeros after the point shift the first significant digit down.
  exponent = before - 1 + e;
  if (digits.empty()) {
    exponent = 0;
  }
  return true;
}

// The significant digits of |v|'s exact value, or 99 for more than nine
// (never fewer than one).
int exactDigits(float v) {
  int e = 0;
  double m = std::frexp(std::fabs(static_cast<double>(v)), &e);
  auto odd = static_cast<std::uint64_t>(std::ldexp(m, 24));
  e -= 24;
  if (odd == 0) {
    return 1;
  }
  while ((odd & 1) == 0) {
    odd >>= 1;
    ++e;
  }
  std::uint64_t n = odd;
  if (e >= 0) {
    // Past 2^39 the power of two alone leaves ten digits after any zeros
    // the odd part's fives can end it with.
    if (e > 39) {
      return 99;
    }
    n <<= e;
    while (n % 10 == 0) {
      n /= 10;
    }
  } else {
    // odd * 2^e = odd * 5^-e / 10^-e; 5^13 alone has ten digits.
    if (e < -12) {
      return 99;
    }
    for (int k = 0; k < -e; ++k) {
      n *= 5;
    }
  }
  int digits = 0;
  for (; n != 0; n /= 10) {
    ++digits;
  }
  return digits > 9 ? 99 : digits;
}

// Whether formatCoord writes v's exact value, and with how many digits.
bool exactForm(float v, int& precision) {
  int digits = exactDigits(v);
  if (digits <= 9) {
    precision = std::max(6, digits);
    return true;
  }
  if (std::fabs(v) < 1e10f && v == std::nearbyint(v)) {
    precision = 10;
    return true;
  }
  return false;
}

// The digits of a decimal's value less the zeros ending them, and the
// exponent of the first; false for no number.
bool valueOf(std::string_view tok, std::string& digits, long& exponent) {
  if (!splitDecimal(tok, digits, exponent)) {
    return false;
  }
  while (!digits.empty() && digits.back() == '0') {
    digits.pop_back();
  }
  if (digits.empty()) {
    exponent = 0;
  }
  return true;
}

template <class T>
Decimal readAs(std::string_view tok, T& v) {
  std::string digits;
  long exponent;
  std::string s(tok);
  if (!splitDecimal(tok, digits, exponent)) {
    // "inf" and "nan" are numbers to strtod, but no coordinates.
    char* end = nullptr;
    double d = std::strtod(s.c_str(), &end);
    bool whole = !s.empty() && *end == '\0';
    return whole && !std::isfinite(d) ? Decimal::notFinite
                                      : Decimal::notANumber;
  }
  v = sizeof(T) == sizeof(float)
          ? static_cast<T>(std::strtof(s.c_str(), nullptr))
          : static_cast<T>(std::strtod(s.c_str(), nullptr));
  if (!std::isfinite(v)) {
    return Decimal::notFinite;
  }
  if (digits.empty()) {
    return Decimal::exact;
  }
  if constexpr (sizeof(T) == sizeof(float)) {
    // Only the decimal the writers give this float is its token.
    std::string canon = formatCoord(static_cast<float>(v)), canonDigits;
    long canonExponent = 0;
    std::string tokDigits;
    long tokExponent = 0;
    valueOf(canon, canonDigits, canonExponent);
    valueOf(tok, tokDigits, tokExponent);
    return canonDigits == tokDigits && canonExponent == tokExponent
               ? Decimal::exact
               : Decimal::inexact;
  }
  // So many digits survive the round trip through a normal value.
  if (digits.size() <= static_cast<size_t>(std::numeric_limits<T>::digits10) &&
      std::fabs(v) >= std::numeric_limits<T>::min()) {
    return Decimal::exact;
  }
  int precision = static_cast<int>(digits.size()) - 1;
  std::string back(digits.size() + 32, '\0');
  int n = std::snprintf(&back[0], back.size(), "%.*e", precision,
                        static_cast<double>(std::fabs(v)));
  back.resize(static_cast<size_t>(n));
  size_t e = back.find('e');
  std::string backDigits = back.substr(0, 1) + back.substr(2, e - 2);
  if (precision == 0) {
    backDigits = back.substr(0, 1);
  }
  long backExponent = std::strtol(back.c_str() + e + 1, nullptr, 10);
  return backDigits == digits && backExponent == exponent ? Decimal::exact
                                                          : Decimal::inexact;
}

}  // namespace

Decimal readDecimal(std::string_view tok, float& v) {
  return readAs(tok, v);
}

Decimal readDecimal(std::string_view tok, double& v) {
  return readAs(tok, v);
}

std::string formatCoord(float v) {
  char buf[48];
  // Integers below 10^6 print as their digits either way; this path only
  // saves the work.
  if (std::fabs(v) < 1e6f && v == std::nearbyint(v) &&
      !(v == 0 && std::signbit(v))) {
    auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long>(v));
    return std::string(buf, r.ptr);
  }
  int precision = 6;
  double d = static_cast<double>(v);
  if (exactForm(v, precision)) {
    std::snprintf(buf, sizeof buf, "%.*g", precision, d);
    return buf;
  }
  // Read back through a double too, as the library keeps it: seventeen
  // digits come back as d itself, so the loop ends.
  for (; precision <= 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*g", precision, d);
    if (std::strtof(buf, nullptr) == v &&
        static_cast<float>(std::strtod(buf, nullptr)) == v) {
      break;
    }
  }
  return buf;
}

double canonicalDouble(float v) {
  if (std::fabs(v) < 1e10f && v == std::nearbyint(v)) {
    return static_cast<double>(v);
  }
  int precision = 0;
  if (!std::isfinite(v) || exactForm(v, precision)) {
    return static_cast<double>(v);
  }
  return std::strtod(formatCoord(v).c_str(), nullptr);
}

std::string formatLikeToken(std::string_view tok, double v) {
  std::string digits;
  long exponent;
  int precision = 6;
  if (splitDecimal(tok, digits, exponent) && !digits.empty()) {
    precision = static_cast<int>(std::min<size_t>(digits.size(), 40));
  }
  char buf[96];
  std::snprintf(buf, sizeof buf, "%.*g", precision, v);
  return buf;
}
