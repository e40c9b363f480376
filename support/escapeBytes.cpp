#include "support/escapeBytes.h"

namespace {

// The length of the valid UTF-8 sequence starting at s[i], or 0.
size_t utf8Length(std::string_view s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n = c >= 0xf0 && c <= 0xf4   ? 4
             : c >= 0xe0 && c <= 0xef ? 3
             : c >= 0xc2 && c <= 0xdf ? 2
                                      : 0;
  if (n == 0 || i + n > s.size()) {
    return 0;
  }
  unsigned long code = c & (0x7f >> n);
  for (size_t k = 1; k < n; ++k) {
    unsigned char t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xc0) != 0x80) {
      return 0;
    }
    code = (code << 6) | (t & 0x3f);
  }
  bool overlong = (n == 3 && code < 0x800) || (n == 4 && code < 0x10000);
  bool surrogate = code >= 0xd800 && code <= 0xdfff;
  bool invisible = code <= 0x9f || code == 0xfeff;
  if (overlong || surrogate || code > 0x10ffff || invisible) {
    return 0;
  }
  return n;
}

}  // namespace

std::string escapeBytes(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c >= 0x20 && c < 0x7f) || c == '\t') {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    size_t n = c >= 0x80 ? utf8Length(text, i) : 0;
    if (n > 0) {
      out.append(text, i, n);
      i += n;
      continue;
    }
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 15];
    ++i;
  }
  return out;
}
