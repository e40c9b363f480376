#include "tools/treeFile.h"

#include "drivers/readInput.h"
#include "support/decimal.h"
#include "support/escapeBytes.h"

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) {
    s.remove_prefix(1);
  }
  while (!s.empty() && isBlank(s.back())) {
    s.remove_suffix(1);
  }
  return s;
}

std::string quoted(std::string_view s) {
  const size_t kMax = 40;
  std::string q = escapeBytes(s.substr(0, kMax));
  return "'" + q + (s.size() > kMax ? "...'" : "'");
}

// "x y" with any blanks between and around; nothing else on the line. False
// with what is wrong.
bool parsePoint(std::string_view line, double& x, double& y, std::string& why) {
  size_t gap = 0;
  while (gap < line.size() && !isBlank(line[gap])) {
    ++gap;
  }
  std::string_view toks[2] = {line.substr(0, gap), trim(line.substr(gap))};
  double* v[2] = {&x, &y};
  for (int k = 0; k < 2; ++k) {
    Decimal d =
        toks[k].empty() ? Decimal::notANumber : readDecimal(toks[k], *v[k]);
    if (d == Decimal::inexact) {
      why = quoted(toks[k]) +
            " cannot be held exactly in double precision: it would "
            "become " +
            formatLikeToken(toks[k], *v[k]);
      return false;
    }
    if (d != Decimal::exact) {
      why = quoted(line) + " is not a point line (two finite numbers, x and y)";
      return false;
    }
  }
  return true;
}

}  // namespace

bool parseTreeFile(std::string_view text,
                   const std::string& name,
                   std::vector<Piece>& out,
                   std::string& error,
                   std::string* title) {
  text = skipByteOrderMark(text);
  if (!checkNoNul(text, name, error)) {
    return false;
  }
  if (title) {
    title->clear();
  }
  std::vector<Piece> pieces;
  double pts[4];
  int pending = 0;  // point lines read of the current block
  long blockLine = 0;
  bool inBanner = true;
  long lineNo = 0;
  auto fail = [&](long line, const std::string& what) {
    error = escapeBytes(name) + ", line " + std::to_string(line) + ": " + what;
    return false;
  };
  size_t pos = 0;
  while (pos < text.size()) {
    std::string_view line = trim(nextLine(text, pos));
    ++lineNo;
    if (line.empty()) {
      if (pending == 1) {
        return fail(lineNo,
                    "a block ends after one point line; each block is two "
                    "point lines and an empty line");
      }
      if (pending == 2) {
        pieces.push_back({pts[0], pts[1], pts[2], pts[3]});
        pending = 0;
      }
      continue;
    }
    if (line.front() == '#') {
      // The banner's middle line names what the file holds.
      const std::string_view kTitle =
          "This file contains the connections of the ";
      size_t at = line.find(kTitle);
      if (title && inBanner && at != std::string_view::npos) {
        *title = std::string(trim(line.substr(at + kTitle.size())));
        while (!title->empty() &&
               (title->back() == '#' || isBlank(title->back()))) {
          title->pop_back();
        }
      }
      if (!inBanner) {
        return fail(lineNo,
                    "a comment line after the first point line; comments "
                    "belong to the banner at the top");
      }
      continue;
    }
    inBanner = false;
    double x, y;
    std::string why;
    if (!parsePoint(line, x, y, why)) {
      return fail(lineNo, why);
    }
    if (pending == 2) {
      return fail(lineNo,
                  "a third point line in the block that starts on line " +
                      std::to_string(blockLine) +
                      "; each block is two point lines and an empty line");
    }
    if (pending == 0) {
      blockLine = lineNo;
    }
    pts[2 * pending] = x;
    pts[2 * pending + 1] = y;
    ++pending;
  }
  if (pending == 1) {
    return fail(lineNo, "the file ends inside the block that starts on line " +
                            std::to_string(blockLine));
  }
  if (pending == 2) {
    pieces.push_back({pts[0], pts[1], pts[2], pts[3]});
  }
  out.insert(out.end(), pieces.begin(), pieces.end());
  return true;
}

bool readTreeFile(const std::string& path,
                  std::vector<Piece>& out,
                  std::string& error,
                  std::string* title) {
  std::string text;
  return readWholeFile(path, text, error) &&
         parseTreeFile(text, path, out, error, title);
}
