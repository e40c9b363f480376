#include "tools/treeFile.h"

#include <cmath>
#include <cstdlib>

#include "drivers/readInput.h"

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
  std::string q(s.substr(0, kMax));
  return "'" + q + (s.size() > kMax ? "...'" : "'");
}

// A finite number filling the whole token.
bool parseNumber(std::string_view tok, float& v) {
  std::string s(tok);
  char* end = nullptr;
  v = std::strtof(s.c_str(), &end);
  return end != s.c_str() && *end == '\0' && std::isfinite(v);
}

// "x y" with any blanks between and around; nothing else on the line.
bool parsePoint(std::string_view line, float& x, float& y) {
  size_t gap = 0;
  while (gap < line.size() && !isBlank(line[gap])) {
    ++gap;
  }
  if (gap == line.size()) {
    return false;
  }
  return parseNumber(line.substr(0, gap), x) &&
         parseNumber(trim(line.substr(gap)), y);
}

}  // namespace

bool parseTreeFile(std::string_view text,
                   const std::string& name,
                   std::vector<Piece>& out,
                   std::string& error) {
  std::vector<Piece> pieces;
  float pts[4];
  int pending = 0;  // point lines read of the current block
  long blockLine = 0;
  bool inBanner = true;
  long lineNo = 0;
  auto fail = [&](long line, const std::string& what) {
    error = name + ", line " + std::to_string(line) + ": " + what;
    return false;
  };
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) {
      nl = text.size();
    }
    std::string_view line = trim(text.substr(pos, nl - pos));
    pos = nl + 1;
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
      if (!inBanner) {
        return fail(lineNo,
                    "a comment line after the first point line; comments "
                    "belong to the banner at the top");
      }
      continue;
    }
    inBanner = false;
    float x, y;
    if (!parsePoint(line, x, y)) {
      return fail(lineNo, quoted(line) +
                              " is not a point line (two finite numbers, "
                              "x and y)");
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
                  std::string& error) {
  std::string text;
  return readWholeFile(path, text, error) &&
         parseTreeFile(text, path, out, error);
}
