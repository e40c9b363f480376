#include "drivers/readInput.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "geometry/vertex.h"

namespace {

// Whitespace-separated tokens with the line each starts on.
class Tokens {
 public:
  explicit Tokens(std::string_view text) : text_(text) {}

  // False at the end of the text.
  bool next(std::string_view& tok, int& line) {
    while (pos_ < text_.size() && isBlank(text_[pos_])) {
      if (text_[pos_] == '\n') {
        ++line_;
      }
      ++pos_;
    }
    if (pos_ == text_.size()) {
      return false;
    }
    size_t start = pos_;
    while (pos_ < text_.size() && !isBlank(text_[pos_])) {
      ++pos_;
    }
    tok = text_.substr(start, pos_ - start);
    line = line_;
    return true;
  }

  int line() const { return line_; }

 private:
  static bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' ||
           c == '\f';
  }

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
};

std::string quoted(std::string_view tok) {
  const size_t kMax = 40;
  std::string s(tok.substr(0, kMax));
  if (tok.size() > kMax) {
    s += "...";
  }
  return "'" + s + "'";
}

struct Record {
  float x = 0;
  float y = 0;
  std::string type;
  int line = 0;
};

// An optional minus and at most seven digits: exactly the float that strtof
// gives (every such integer is a float), without its cost.
bool readSmallInteger(std::string_view tok, float& v) {
  bool minus = !tok.empty() && tok[0] == '-';
  std::string_view digits = tok.substr(minus ? 1 : 0);
  if (digits.empty() || digits.size() > 7) {
    return false;
  }
  long n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') {
      return false;
    }
    n = n * 10 + (c - '0');
  }
  float m = static_cast<float>(n);
  v = minus ? -m : m;
  return true;
}

enum class Read { ok, endOfText, endMarker, bad };

// One record "x y type". An x of exactly -1 is the end marker, whatever
// follows it. where() names the record in messages; it is called only for
// one.
template <class Where>
Read readRecord(Tokens& toks,
                const Where& where,
                bool markerAllowed,
                Record& rec,
                std::string& error) {
  std::string_view tok;
  int line = toks.line();
  const char* fields[] = {"x coordinate", "y coordinate", "type word"};
  for (int f = 0; f < 3; ++f) {
    if (!toks.next(tok, line)) {
      if (f == 0) {
        rec.line = toks.line();
        return Read::endOfText;
      }
      error = where() + ", line " + std::to_string(rec.line) +
              ": the file ends before the record's " + fields[f];
      return Read::bad;
    }
    if (f == 0) {
      rec.line = line;
    }
    if (f == 2) {
      rec.type = std::string(tok);
      return Read::ok;
    }
    float v;
    if (!readSmallInteger(tok, v)) {
      std::string s(tok);
      char* end = nullptr;
      v = std::strtof(s.c_str(), &end);
      if (end == s.c_str() || *end != '\0') {
        error = where() + ", line " + std::to_string(line) + ": " +
                quoted(tok) + " is not a number (" + fields[f] + ")";
        return Read::bad;
      }
    }
    if (!std::isfinite(v)) {
      error = where() + ", line " + std::to_string(line) + ": " + quoted(tok) +
              " is not a finite coordinate (" + fields[f] + ")";
      return Read::bad;
    }
    if (f == 0) {
      rec.x = v;
      if (markerAllowed && v == -1.0f) {
        return Read::endMarker;
      }
    } else {
      rec.y = v;
    }
  }
  return Read::ok;
}

void freeFrom(std::vector<Vertex*>& out, size_t from) {
  for (size_t i = from; i < out.size(); ++i) {
    delete out[i];
  }
  out.resize(from);
}

// Consecutive corners share exactly one coordinate, alternately y and x,
// which makes the four the corners of a rectangle of positive width and
// height given in order around it, in either direction.
bool isRectangleRing(const Record c[4]) {
  bool firstHorizontal = c[0].y == c[1].y;
  for (int i = 0; i < 4; ++i) {
    const Record& a = c[i];
    const Record& b = c[(i + 1) % 4];
    bool horizontal = (i % 2 == 0) == firstHorizontal;
    bool ok =
        horizontal ? (a.y == b.y && a.x != b.x) : (a.x == b.x && a.y != b.y);
    if (!ok) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool readWholeFile(const std::string& path,
                   std::string& text,
                   std::string& error) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  text.clear();
  char buf[1 << 16];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    text.append(buf, n);
  }
  bool bad = std::ferror(f);
  int err = errno;
  std::fclose(f);
  if (bad) {
    error = "cannot read " + path + ": " + std::strerror(err);
    return false;
  }
  return true;
}

bool parsePins(std::string_view text,
               const std::string& name,
               std::vector<Vertex*>& out,
               std::string& error) {
  Tokens toks(text);
  size_t from = out.size();
  for (long r = 1;; ++r) {
    Record rec;
    auto where = [&] { return name + ": record " + std::to_string(r); };
    Read res = readRecord(toks, where, true, rec, error);
    if (res == Read::endOfText || res == Read::endMarker) {
      return true;
    }
    if (res == Read::bad) {
      freeFrom(out, from);
      return false;
    }
    if (rec.type != "pin") {
      error = where() + ", line " + std::to_string(rec.line) + ": type word " +
              quoted(rec.type) + " where a pin record has 'pin'";
      freeFrom(out, from);
      return false;
    }
    out.push_back(new Vertex(rec.x, rec.y, rec.type));
  }
}

bool parseNets(std::string_view text,
               const std::string& name,
               std::vector<NetPin>& pins,
               std::vector<size_t>& netEnds,
               std::string& error) {
  Tokens toks(text);
  size_t pinsFrom = pins.size(), netsFrom = netEnds.size();
  size_t netStart = pins.size();
  for (long r = 1;; ++r) {
    Record rec;
    auto where = [&] { return name + ": record " + std::to_string(r); };
    Read res = readRecord(toks, where, true, rec, error);
    if (res == Read::endOfText) {
      if (pins.size() > netStart) {
        netEnds.push_back(pins.size());
      }
      return true;
    }
    if (res == Read::endMarker) {
      // The end record's y and type word are read and passed over, as a
      // pin file's are.
      std::string_view tok;
      int line;
      toks.next(tok, line) && toks.next(tok, line);
      netEnds.push_back(pins.size());
      netStart = pins.size();
      continue;
    }
    if (res == Read::ok && rec.type != "pin") {
      error = where() + ", line " + std::to_string(rec.line) + ": type word " +
              quoted(rec.type) + " where a pin record has 'pin'";
      res = Read::bad;
    }
    if (res == Read::bad) {
      pins.resize(pinsFrom);
      netEnds.resize(netsFrom);
      return false;
    }
    pins.push_back({rec.x, rec.y});
  }
}

bool parseObstacles(std::string_view text,
                    const std::string& name,
                    std::vector<Vertex*>& out,
                    std::string& error) {
  Tokens toks(text);
  size_t from = out.size();
  for (long g = 1;; ++g) {
    Record c[4];
    auto rect = [&] { return name + ": rectangle " + std::to_string(g); };
    for (int k = 0; k < 4; ++k) {
      long r = 4 * (g - 1) + k + 1;
      auto where = [&] {
        return rect() + " (record " + std::to_string(r) + ")";
      };
      // Only a group's first record can end the list.
      Read res = readRecord(toks, where, k == 0, c[k], error);
      if (k == 0 && (res == Read::endOfText || res == Read::endMarker)) {
        return true;
      }
      if (res == Read::endOfText) {
        error = where() + ", line " + std::to_string(c[k].line) +
                ": the file ends after " + std::to_string(k) +
                " of the rectangle's four corners";
      }
      if (res != Read::ok) {
        freeFrom(out, from);
        return false;
      }
      if (c[k].type != "corner") {
        error = where() + ", line " + std::to_string(c[k].line) +
                ": type word " + quoted(c[k].type) +
                " where a corner record has 'corner'";
        freeFrom(out, from);
        return false;
      }
    }
    if (!isRectangleRing(c)) {
      error = rect() + " (records " + std::to_string(4 * g - 3) + " to " +
              std::to_string(4 * g) + ", line " + std::to_string(c[0].line) +
              "): the four corners are not those of an axis-parallel "
              "rectangle of positive width and height, given in order "
              "around it";
      freeFrom(out, from);
      return false;
    }
    Vertex* v[4];
    for (int k = 0; k < 4; ++k) {
      v[k] = new Vertex(c[k].x, c[k].y, c[k].type);
    }
    for (int k = 0; k < 4; ++k) {
      v[k]->pNextCorner = v[(k + 1) % 4];
      v[k]->pPrevCorner = v[(k + 3) % 4];
      out.push_back(v[k]);
    }
  }
}

bool readPinFile(const std::string& path,
                 std::vector<Vertex*>& out,
                 std::string& error) {
  std::string text;
  return readWholeFile(path, text, error) && parsePins(text, path, out, error);
}

bool readObstacleFile(const std::string& path,
                      std::vector<Vertex*>& out,
                      std::string& error) {
  std::string text;
  return readWholeFile(path, text, error) &&
         parseObstacles(text, path, out, error);
}
