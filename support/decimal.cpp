#include "support/decimal.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

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
