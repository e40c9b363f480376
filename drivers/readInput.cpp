#include "drivers/readInput.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "geometry/vertex.h"
#include "support/decimal.h"
#include "support/escapeBytes.h"
#include "support/formatCoord.h"
#include "treecore/geometry.h"

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' ||
         c == '\f';
}

// A line ends at LF, CRLF (counted at its LF) or a lone CR, so files with
// Unix, DOS and old Mac line ends number their lines alike.
bool endsLine(std::string_view text, size_t i) {
  return text[i] == '\n' ||
         (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
}

// Whitespace-separated tokens with the line each starts on.
class Tokens {
 public:
  explicit Tokens(std::string_view text) : text_(text) {}

  // False at the end of the text.
  bool next(std::string_view& tok, int& line) {
    while (pos_ < text_.size() && isBlank(text_[pos_])) {
      line_ += endsLine(text_, pos_) ? 1 : 0;
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
  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
};

std::string quoted(std::string_view tok) {
  const size_t kMax = 40;
  std::string s = escapeBytes(tok.substr(0, kMax));
  if (tok.size() > kMax) {
    s += "...";
  }
  return "'" + s + "'";
}

template <class T>
const char* precisionName() {
  return std::is_same<T, float>::value ? "single" : "double";
}

// An optional minus and at most seven digits: exact in either type, and
// read without the cost of the general rule.
template <class T>
bool readSmallInteger(std::string_view tok, T& v) {
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
  T m = static_cast<T>(n);
  v = minus ? -m : m;
  return true;
}

// What an inexact token would have become: for a float, the decimal that
// the writers give it, which a reader takes.
std::string nearestText(std::string_view, float v) {
  return formatCoord(v);
}

std::string nearestText(std::string_view tok, double v) {
  return formatLikeToken(tok, v);
}

// A coordinate token; false with what is wrong with it.
template <class T>
bool readCoord(std::string_view tok,
               const char* field,
               T& v,
               std::string& why) {
  if (readSmallInteger(tok, v)) {
    return true;
  }
  switch (readDecimal(tok, v)) {
    case Decimal::exact:
      return true;
    case Decimal::notANumber:
      why = quoted(tok) + " is not a number (" + field + ")";
      return false;
    case Decimal::notFinite:
      why = quoted(tok) + " is not a finite coordinate (" + field + ")";
      return false;
    case Decimal::inexact:
      why = quoted(tok) + " (" + field + ") cannot be held exactly in " +
            precisionName<T>() + " precision: it would become " +
            nearestText(tok, v);
      return false;
  }
  return false;
}

// A program's coordinate: a float's decimal, or else an integer that only
// its net's own frame holds exactly.
bool readCoord(std::string_view tok,
               const char* field,
               DesignCoord& v,
               std::string& why) {
  float f;
  if (readSmallInteger(tok, f)) {
    v = canonicalDouble(f);
    return true;
  }
  Decimal d = readDecimal(tok, f);
  if (d == Decimal::exact) {
    v = canonicalDouble(f);
    return true;
  }
  double w;
  if (d == Decimal::inexact && readDecimal(tok, w) == Decimal::exact &&
      treecore::isWideInteger(w)) {
    v = w;
    return true;
  }
  return readCoord(tok, field, f, why);
}

template <class T>
struct Record {
  T x = 0;
  T y = 0;
  std::string_view type;
  int line = 0;
};

enum class Read { ok, endOfText, endMarker, bad };

// One record "x y type". An x of exactly -1 is the end marker, whatever
// follows it. where() names the record in messages; it is called only for
// one.
template <class T, class Where>
Read readRecord(Tokens& toks,
                const Where& where,
                bool markerAllowed,
                Record<T>& rec,
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
      rec.type = tok;
      return Read::ok;
    }
    T v;
    std::string why;
    if (!readCoord(tok, fields[f], v, why)) {
      error = where() + ", line " + std::to_string(line) + ": " + why;
      return Read::bad;
    }
    if (f == 0) {
      rec.x = v;
      if (markerAllowed && v == -1) {
        return Read::endMarker;
      }
    } else {
      rec.y = v;
    }
  }
  return Read::ok;
}

// Consecutive corners share exactly one coordinate, alternately y and x,
// which makes the four the corners of a rectangle of positive width and
// height given in order around it, in either direction.
template <class T>
bool isRectangleRing(const Record<T> c[4]) {
  bool firstHorizontal = c[0].y == c[1].y;
  for (int i = 0; i < 4; ++i) {
    const Record<T>& a = c[i];
    const Record<T>& b = c[(i + 1) % 4];
    bool horizontal = (i % 2 == 0) == firstHorizontal;
    bool ok =
        horizontal ? (a.y == b.y && a.x != b.x) : (a.x == b.x && a.y != b.y);
    if (!ok) {
      return false;
    }
  }
  return true;
}

// The line of a NUL byte and the bytes around it, for a message.
std::string nulAt(std::string_view text, size_t at, int& line) {
  line = 1;
  for (size_t i = 0; i < at; ++i) {
    line += endsLine(text, i) ? 1 : 0;
  }
  size_t from = at, to = at;
  while (from > 0 && !isBlank(text[from - 1]) && at - from < 20) {
    --from;
  }
  while (to < text.size() && !isBlank(text[to]) && to - at < 20) {
    ++to;
  }
  return "a NUL byte in " + quoted(text.substr(from, to - from)) +
         "; the file must be plain text";
}

// The index of the whitespace-separated token holding offset at.
long tokenAt(std::string_view text, size_t at) {
  Tokens toks(text);
  std::string_view tok;
  int line;
  long index = -1;
  while (toks.next(tok, line) &&
         static_cast<size_t>(tok.data() - text.data()) <= at) {
    ++index;
  }
  return index;
}

template <class T>
void dropFrom(Input<T>& in, size_t pins, size_t rects) {
  in.pins.resize(pins);
  in.pinLines.resize(pins);
  in.rects.resize(rects);
  in.rectLines.resize(rects);
}

const char* const kStpAlone =
    "which holds the pins and the obstacles: give it alone in place of both "
    "files";

std::string stpMisplaced(const std::string& where) {
  return where + ", line 1: the file is an STP file, " + kStpAlone;
}

bool startsWithWord(std::string_view line, std::string_view word) {
  if (line.size() < word.size()) {
    return false;
  }
  for (size_t i = 0; i < word.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(line[i])) !=
        std::tolower(static_cast<unsigned char>(word[i]))) {
      return false;
    }
  }
  return line.size() == word.size() || isBlank(line[word.size()]);
}

std::vector<std::string_view> splitBlanks(std::string_view line) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isBlank(line[i])) {
      ++i;
    }
    size_t start = i;
    while (i < line.size() && !isBlank(line[i])) {
      ++i;
    }
    if (i > start) {
      out.push_back(line.substr(start, i - start));
    }
  }
  return out;
}

}  // namespace

template <class T>
std::string Input<T>::pinName(size_t k) const {
  std::string file = escapeBytes(pinFile);
  std::string line = std::to_string(pinLines[k]);
  if (stp) {
    return file + ", line " + line + " (DD " + std::to_string(k + 1) + ")";
  }
  return file + ": record " + std::to_string(k + 1) + ", line " + line;
}

template <class T>
std::string Input<T>::rectName(size_t r) const {
  std::string file = escapeBytes(obstacleFile);
  std::string line = std::to_string(rectLines[r]);
  if (stp) {
    return file + ", line " + line + " (RR " + std::to_string(r + 1) + ")";
  }
  return file + ": rectangle " + std::to_string(r + 1) + " (records " +
         std::to_string(4 * r + 1) + " to " + std::to_string(4 * r + 4) +
         ", line " + line + ")";
}

std::string_view nextLine(std::string_view text, size_t& pos) {
  size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
  std::string_view line = text.substr(pos, end - pos);
  pos = text.substr(end, 2) == "\r\n" ? end + 2 : end + 1;
  return line;
}

std::string_view skipByteOrderMark(std::string_view text) {
  if (text.substr(0, 3) == "\xef\xbb\xbf") {
    text.remove_prefix(3);
  }
  return text;
}

bool checkNoNul(std::string_view text,
                const std::string& name,
                std::string& error) {
  size_t at = text.find('\0');
  if (at == std::string_view::npos) {
    return true;
  }
  int line;
  std::string what = nulAt(text, at, line);
  error = escapeBytes(name) + ", line " + std::to_string(line) + ": " + what;
  return false;
}

bool isStpText(std::string_view text) {
  text = skipByteOrderMark(text);
  return startsWithWord(text, "33D32945");
}

namespace {

// What a pin or nets file is refused for before its records are read: a
// NUL byte, named by its record, or an STP file in its place.
bool checkPinText(std::string_view text,
                  const std::string& shown,
                  const std::string& stpAdvice,
                  std::string& error) {
  size_t nul = text.find('\0');
  if (nul != std::string_view::npos) {
    int line;
    std::string what = nulAt(text, nul, line);
    error = shown + ": record " + std::to_string(tokenAt(text, nul) / 3 + 1) +
            ", line " + std::to_string(line) + ": " + what;
    return false;
  }
  if (isStpText(text)) {
    error = shown + ": record 1, line 1: the file is an STP file, " + stpAdvice;
    return false;
  }
  return true;
}

// Pin records up to an end record or the end of the text; r counts the
// records over the whole text. On bad input returns Read::bad with the
// message, the pins read so far left for the caller to drop.
template <class T>
Read readPinRecords(Tokens& toks,
                    const std::string& shown,
                    long& r,
                    std::vector<InputPoint<T>>& pins,
                    std::vector<int>* lines,
                    std::string& error) {
  for (;;) {
    Record<T> rec;
    ++r;
    auto where = [&] { return shown + ": record " + std::to_string(r); };
    Read res = readRecord(toks, where, true, rec, error);
    if (res == Read::ok && rec.type != "pin") {
      error = where() + ", line " + std::to_string(rec.line) + ": type word " +
              quoted(rec.type) + " where a pin record has 'pin'";
      res = Read::bad;
    }
    if (res != Read::ok) {
      return res;
    }
    pins.push_back({rec.x, rec.y});
    if (lines) {
      lines->push_back(rec.line);
    }
  }
}

}  // namespace

template <class T>
bool parsePinText(std::string_view text,
                  const std::string& name,
                  Input<T>& in,
                  std::string& error) {
  text = skipByteOrderMark(text);
  std::string shown = escapeBytes(name);
  if (!checkPinText(text, shown, kStpAlone, error)) {
    return false;
  }
  Tokens toks(text);
  size_t pins = in.pins.size(), rects = in.rects.size();
  long r = 0;
  if (readPinRecords(toks, shown, r, in.pins, &in.pinLines, error) ==
      Read::bad) {
    dropFrom(in, pins, rects);
    return false;
  }
  return true;
}

template <class T>
bool parseNetsText(std::string_view text,
                   const std::string& name,
                   std::vector<InputPoint<T>>& pins,
                   std::vector<size_t>& netEnds,
                   std::string& error) {
  text = skipByteOrderMark(text);
  std::string shown = escapeBytes(name);
  if (!checkPinText(text, shown,
                    "not a nets file: give its obstacles in an obstacle file "
                    "and its pins as the one net of a nets file",
                    error)) {
    return false;
  }
  Tokens toks(text);
  size_t pinsFrom = pins.size(), netsFrom = netEnds.size();
  size_t netStart = pins.size();
  for (long r = 0;;) {
    Read res = readPinRecords(toks, shown, r, pins, nullptr, error);
    if (res == Read::bad) {
      pins.resize(pinsFrom);
      netEnds.resize(netsFrom);
      return false;
    }
    if (res == Read::endOfText) {
      if (pins.size() > netStart) {
        netEnds.push_back(pins.size());
      }
      return true;
    }
    // The end record's y and type word are passed over, as a pin file's
    // are.
    std::string_view tok;
    int line;
    toks.next(tok, line) && toks.next(tok, line);
    netEnds.push_back(pins.size());
    netStart = pins.size();
  }
}

template <class T>
bool parseObstacleText(std::string_view text,
                       const std::string& name,
                       Input<T>& in,
                       std::string& error) {
  text = skipByteOrderMark(text);
  std::string shown = escapeBytes(name);
  auto rect = [&](long g) {
    return shown + ": rectangle " + std::to_string(g);
  };
  size_t nul = text.find('\0');
  if (nul != std::string_view::npos) {
    int line;
    std::string what = nulAt(text, nul, line);
    long r = tokenAt(text, nul) / 3 + 1;
    error = rect((r + 3) / 4) + " (record " + std::to_string(r) + "), line " +
            std::to_string(line) + ": " + what;
    return false;
  }
  if (isStpText(text)) {
    error = stpMisplaced(rect(1) + " (record 1)");
    return false;
  }
  Tokens toks(text);
  size_t pins = in.pins.size(), rects = in.rects.size();
  for (long g = 1;; ++g) {
    Record<T> c[4];
    for (int k = 0; k < 4; ++k) {
      long r = 4 * (g - 1) + k + 1;
      auto where = [&] {
        return rect(g) + " (record " + std::to_string(r) + ")";
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
        dropFrom(in, pins, rects);
        return false;
      }
      if (c[k].type != "corner") {
        error = where() + ", line " + std::to_string(c[k].line) +
                ": type word " + quoted(c[k].type) +
                " where a corner record has 'corner'";
        dropFrom(in, pins, rects);
        return false;
      }
    }
    if (!isRectangleRing(c)) {
      error = rect(g) + " (records " + std::to_string(4 * g - 3) + " to " +
              std::to_string(4 * g) + ", line " + std::to_string(c[0].line) +
              "): the four corners are not those of an axis-parallel "
              "rectangle of positive width and height, given in order "
              "around it";
      dropFrom(in, pins, rects);
      return false;
    }
    in.rects.push_back({{{c[0].x, c[0].y},
                         {c[1].x, c[1].y},
                         {c[2].x, c[2].y},
                         {c[3].x, c[3].y}}});
    in.rectLines.push_back(c[0].line);
  }
}

template <class T>
bool parseStpText(std::string_view text,
                  const std::string& name,
                  Input<T>& in,
                  std::string& error) {
  text = skipByteOrderMark(text);
  std::string shown = escapeBytes(name);
  if (!checkNoNul(text, name, error)) {
    return false;
  }
  size_t pins = in.pins.size(), rects = in.rects.size();
  int lineNo = 0;
  std::string record;  // " (DD 3)" on a pin's or a rectangle's line
  auto fail = [&](const std::string& what) {
    error = shown + ", line " + std::to_string(lineNo) + record + ": " + what;
    dropFrom(in, pins, rects);
    return false;
  };
  std::string section;  // open section, lower case; empty outside one
  int sectionLine = 0;
  long declared[2] = {-1, -1};  // Nodes, Obstacles of the Graph section
  int declaredLine[2] = {0, 0};
  bool seen[2] = {false, false};  // Coordinates, Obstacles sections
  size_t pos = 0;
  while (pos < text.size()) {
    std::vector<std::string_view> w = splitBlanks(nextLine(text, pos));
    ++lineNo;
    if (lineNo == 1) {
      if (w.empty() || w[0] != "33D32945") {
        return fail("an STP file starts with the line '33D32945 STP File'");
      }
      continue;
    }
    if (w.empty()) {
      continue;
    }
    if (section.empty()) {
      if (startsWithWord(w[0], "EOF")) {
        break;
      }
      if (!startsWithWord(w[0], "SECTION") || w.size() != 2) {
        return fail(quoted(w[0]) + " outside a section; expected 'SECTION " +
                    "NAME' or 'EOF'");
      }
      section = std::string(w[1]);
      for (char& c : section) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      }
      sectionLine = lineNo;
      if (section == "terminals") {
        return fail(
            "a Terminals section: only files whose every node is a pin "
            "are read");
      }
      int k = section == "coordinates" ? 0 : section == "obstacles" ? 1 : -1;
      if (k >= 0) {
        if (seen[k]) {
          return fail("a second " + std::string(w[1]) + " section");
        }
        seen[k] = true;
      }
      continue;
    }
    if (startsWithWord(w[0], "END")) {
      section.clear();
      continue;
    }
    if (section == "graph") {
      int k = startsWithWord(w[0], "Nodes")       ? 0
              : startsWithWord(w[0], "Obstacles") ? 1
                                                  : -1;
      if (k < 0) {
        continue;
      }
      char* end = nullptr;
      std::string count = w.size() == 2 ? std::string(w[1]) : "";
      declared[k] = std::strtol(count.c_str(), &end, 10);
      if (count.empty() || *end != '\0' || declared[k] < 0) {
        return fail("expected '" + std::string(w[0]) + " COUNT'");
      }
      declaredLine[k] = lineNo;
    } else if (section == "coordinates" || section == "obstacles") {
      bool coords = section == "coordinates";
      const char* kind = coords ? "DD" : "RR";
      size_t fields = coords ? 4 : 5;
      if (w[0] != kind || w.size() != fields) {
        return fail(coords ? "expected 'DD INDEX X Y', a pin"
                           : "expected 'RR XLO YLO XHI YHI', a rectangle");
      }
      T v[4];
      const char* names[] = {"x", "y", "x", "y"};
      size_t first = coords ? 2 : 1;
      std::string index = std::to_string(coords ? in.pins.size() - pins + 1
                                                : in.rects.size() - rects + 1);
      record = std::string(" (") + kind + " " + index + ")";
      if (coords && w[1] != index) {
        return fail(quoted(w[1]) + " where pin " + index +
                    " comes next; pins are numbered from 1 in order");
      }
      for (size_t f = first; f < fields; ++f) {
        std::string why;
        std::string field = std::string(names[f - first]) + " coordinate";
        if (!readCoord(w[f], field.c_str(), v[f - first], why)) {
          return fail(why);
        }
      }
      if (coords) {
        in.pins.push_back({v[0], v[1]});
        in.pinLines.push_back(lineNo);
      } else {
        if (!(v[0] < v[2] && v[1] < v[3])) {
          return fail(
              "a rectangle needs XLO < XHI and YLO < YHI (positive width and "
              "height)");
        }
        in.rects.push_back(
            {{{v[0], v[1]}, {v[2], v[1]}, {v[2], v[3]}, {v[0], v[3]}}});
        in.rectLines.push_back(lineNo);
      }
      record.clear();
    }
  }
  if (!section.empty()) {
    lineNo = sectionLine;
    return fail("the file ends inside the section begun here");
  }
  size_t got[2] = {in.pins.size() - pins, in.rects.size() - rects};
  const char* what[2] = {"Nodes", "Obstacles"};
  const char* lines[2] = {"DD", "RR"};
  for (int k = 0; k < 2; ++k) {
    if (declared[k] >= 0 && static_cast<size_t>(declared[k]) != got[k]) {
      lineNo = declaredLine[k];
      return fail(std::string(what[k]) + " " + std::to_string(declared[k]) +
                  ", but the file holds " + std::to_string(got[k]) + " " +
                  lines[k] + " lines");
    }
  }
  if (!seen[0] && declared[0] != 0) {
    lineNo = 1;
    return fail("no Coordinates section: the file holds no pins");
  }
  return true;
}

bool readWholeFile(const std::string& path,
                   std::string& text,
                   std::string& error) {
  bool standardInput = path == "-";
  std::FILE* f = standardInput ? stdin : std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot open " + escapeBytes(path) + ": " + std::strerror(errno);
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
  if (!standardInput) {
    std::fclose(f);
  }
  if (bad) {
    error = "cannot read " + escapeBytes(path) + ": " + std::strerror(err);
    return false;
  }
  return true;
}

template <class T>
bool readInput(const std::vector<std::string>& files,
               Input<T>& in,
               std::string& error,
               bool* notStp) {
  std::string text;
  in.pinFile = files[0];
  in.obstacleFile = files.size() > 1 ? files[1] : files[0];
  if (!readWholeFile(files[0], text, error)) {
    return false;
  }
  if (files.size() == 1) {
    in.stp = true;
    if (!isStpText(text)) {
      if (notStp) {
        *notStp = true;
      }
      error = escapeBytes(files[0]) +
              " is not an STP file (its first line does not start with "
              "33D32945); give a pin file and an obstacle file, or an STP "
              "file";
      return false;
    }
    return parseStpText(text, files[0], in, error);
  }
  if (!parsePinText(text, files[0], in, error)) {
    return false;
  }
  return readWholeFile(files[1], text, error) &&
         parseObstacleText(text, files[1], in, error);
}

void appendVertices(const Input<float>& in, std::vector<Vertex*>& out) {
  out.reserve(out.size() + in.pins.size() + 4 * in.rects.size());
  for (const InputPoint<float>& p : in.pins) {
    out.push_back(new Vertex(p.x, p.y, "pin"));
  }
  for (const auto& ring : in.rects) {
    Vertex* v[4];
    for (int k = 0; k < 4; ++k) {
      v[k] = new Vertex(ring[k].x, ring[k].y, "corner");
    }
    for (int k = 0; k < 4; ++k) {
      v[k]->pNextCorner = v[(k + 1) % 4];
      v[k]->pPrevCorner = v[(k + 3) % 4];
      out.push_back(v[k]);
    }
  }
}

bool parsePins(std::string_view text,
               const std::string& name,
               std::vector<Vertex*>& out,
               std::string& error) {
  Input<float> in;
  if (!parsePinText(text, name, in, error)) {
    return false;
  }
  appendVertices(in, out);
  return true;
}

bool parseObstacles(std::string_view text,
                    const std::string& name,
                    std::vector<Vertex*>& out,
                    std::string& error) {
  Input<float> in;
  if (!parseObstacleText(text, name, in, error)) {
    return false;
  }
  appendVertices(in, out);
  return true;
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

bool hasWideCoordinate(const Input<DesignCoord>& in) {
  for (const auto& p : in.pins) {
    if (treecore::isWideInteger(p.x) || treecore::isWideInteger(p.y)) {
      return true;
    }
  }
  for (const auto& ring : in.rects) {
    for (const auto& p : ring) {
      if (treecore::isWideInteger(p.x) || treecore::isWideInteger(p.y)) {
        return true;
      }
    }
  }
  return false;
}

template struct Input<float>;
template struct Input<double>;
template struct Input<DesignCoord>;
template bool parsePinText(std::string_view,
                           const std::string&,
                           Input<DesignCoord>&,
                           std::string&);
template bool parseObstacleText(std::string_view,
                                const std::string&,
                                Input<DesignCoord>&,
                                std::string&);
template bool parseNetsText(std::string_view,
                            const std::string&,
                            std::vector<InputPoint<DesignCoord>>&,
                            std::vector<size_t>&,
                            std::string&);
template bool readInput(const std::vector<std::string>&,
                        Input<DesignCoord>&,
                        std::string&,
                        bool*);
template bool parsePinText(std::string_view,
                           const std::string&,
                           Input<float>&,
                           std::string&);
template bool parsePinText(std::string_view,
                           const std::string&,
                           Input<double>&,
                           std::string&);
template bool parseObstacleText(std::string_view,
                                const std::string&,
                                Input<float>&,
                                std::string&);
template bool parseObstacleText(std::string_view,
                                const std::string&,
                                Input<double>&,
                                std::string&);
template bool parseStpText(std::string_view,
                           const std::string&,
                           Input<float>&,
                           std::string&);
template bool parseNetsText(std::string_view,
                            const std::string&,
                            std::vector<InputPoint<float>>&,
                            std::vector<size_t>&,
                            std::string&);
template bool parseNetsText(std::string_view,
                            const std::string&,
                            std::vector<InputPoint<double>>&,
                            std::vector<size_t>&,
                            std::string&);
template bool parseStpText(std::string_view,
                           const std::string&,
                           Input<double>&,
                           std::string&);
template bool readInput(const std::vector<std::string>&,
                        Input<float>&,
                        std::string&,
                        bool*);
template bool readInput(const std::vector<std::string>&,
                        Input<double>&,
                        std::string&,
                        bool*);
