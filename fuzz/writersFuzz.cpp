// Small nets over coordinates drawn from the fuzzer's bytes as floats of
// every kind (a few ulps apart, halves and tenths, large and tiny), written
// as the readers take them and routed: every output, plain and JSON, and
// the single-net program's file, is read back in double precision and held
// to the input. A pin lands where the input put it, and the lengths are
// those of the coordinates written.
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "check/checkTree.h"
#include "drivers/driver.h"
#include "drivers/readInput.h"
#include "fuzz/fuzzCheck.h"
#include "support/formatCoord.h"
#include "support/tempTemplate.h"
#include "tools/treeFile.h"
#include "treecore/route.h"
#include "treecore/treeText.h"

namespace {

constexpr int kMaxPins = 8;
constexpr int kMaxRects = 2;
constexpr int kValues = 6;

struct Bytes {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  uint8_t next() { return at < size ? data[at++] : 0; }
  uint32_t word() {
    uint32_t w = 0;
    for (int k = 0; k < 4; ++k) {
      w = w << 8 | next();
    }
    return w;
  }
};

// A base float and steps from it: the values of one axis, ascending. The
// base stays below 10^15, where sums of a few coordinates stay finite.
std::array<float, kValues> axisValues(Bytes& b) {
  uint8_t kind = b.next();
  float base = 0;
  switch (kind % 4) {
    case 0: {  // any float of moderate size
      uint32_t bits = b.word();
      bits = (bits & 0x807fffffu) | ((90u + (bits >> 23) % 76u) << 23);
      std::memcpy(&base, &bits, sizeof base);
      break;
    }
    case 1:  // a large integer
      base = static_cast<float>(b.word() % 2000000000u);
      break;
    case 2:  // tenths and hundredths
      base = static_cast<float>(b.word() % 100000u) / 100.0f;
      break;
    default:  // a denormal or tiny value
      base = std::ldexp(static_cast<float>(b.word() % 1000u), -140);
      break;
  }
  std::array<float, kValues> v;
  v[0] = base;
  const float inf = INFINITY;
  for (int k = 1; k < kValues; ++k) {
    uint8_t step = b.next();
    float f = v[k - 1];
    if (step % 2) {  // a few ulps on
      for (int u = 0; u <= step / 64; ++u) {
        f = std::nextafter(f, inf);
      }
    } else {  // a short decimal step at the base's scale
      float unit = std::fabs(base) > 0 ? std::fabs(base) / 64 : 1;
      f = f + unit * static_cast<float>(1 + step % 16);
      if (!(f > v[k - 1])) {
        f = std::nextafter(v[k - 1], inf);
      }
    }
    v[k] = f;
  }
  return v;
}

struct Instance {
  std::vector<std::array<float, 2>> pins;
  std::vector<std::array<float, 4>> rects;  // xlo, ylo, xhi, yhi
};

Instance decode(const uint8_t* data, size_t size) {
  Bytes b{data, size};
  std::array<float, kValues> xs = axisValues(b), ys = axisValues(b);
  Instance in;
  int rects = b.next() % (kMaxRects + 1);
  for (int i = 0; i < rects; ++i) {
    uint8_t x = b.next(), y = b.next();
    int x1 = x % kValues, x2 = x / kValues % kValues;
    int y1 = y % kValues, y2 = y / kValues % kValues;
    if (x1 == x2 || y1 == y2) {
      continue;
    }
    in.rects.push_back({xs[std::min(x1, x2)], ys[std::min(y1, y2)],
                        xs[std::max(x1, x2)], ys[std::max(y1, y2)]});
  }
  int pins = 1 + b.next() % kMaxPins;
  for (int i = 0; i < pins; ++i) {
    uint8_t p = b.next();
    float x = xs[p % kValues], y = ys[p / kValues % kValues];
    bool inside = false;
    for (const auto& r : in.rects) {
      inside = inside || (r[0] < x && x < r[2] && r[1] < y && y < r[3]);
    }
    if (!inside) {
      in.pins.push_back({x, y});
    }
  }
  return in;
}

std::string pinText(const Instance& in) {
  std::string s;
  for (const auto& p : in.pins) {
    s += formatCoord(p[0]) + " " + formatCoord(p[1]) + " pin\n";
  }
  return s + "-1 -1 pin\n";
}

std::string obstacleText(const Instance& in) {
  std::string s;
  for (const auto& r : in.rects) {
    const float ring[4][2] = {
        {r[0], r[1]}, {r[2], r[1]}, {r[2], r[3]}, {r[0], r[3]}};
    for (const auto& c : ring) {
      s += formatCoord(c[0]) + " " + formatCoord(c[1]) + " corner\n";
    }
  }
  return s + "-1 -1 corner\n";
}

// The numbers in text from `from` to the first `until` after it.
std::vector<double> numbersIn(const std::string& text,
                              const std::string& from,
                              const std::string& until) {
  std::vector<double> out;
  size_t at = text.find(from);
  FUZZ_CHECK(at != std::string::npos, from + " in " + text);
  at += from.size();
  size_t end = text.find(until, at);
  FUZZ_CHECK(end != std::string::npos, until + " in " + text);
  while (at < end) {
    char c = text[at];
    if (c == '-' || (c >= '0' && c <= '9')) {
      char* stop = nullptr;
      out.push_back(std::strtod(text.c_str() + at, &stop));
      at = static_cast<size_t>(stop - text.c_str());
    } else {
      ++at;
    }
  }
  return out;
}

std::vector<Piece> piecesOf(const std::vector<double>& v) {
  std::vector<Piece> out;
  for (size_t k = 0; k + 3 < v.size(); k += 4) {
    out.push_back({v[k], v[k + 1], v[k + 2], v[k + 3]});
  }
  return out;
}

bool samePieces(const std::vector<Piece>& a, const std::vector<Piece>& b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].x1 != b[i].x1 || a[i].y1 != b[i].y1 || a[i].x2 != b[i].x2 ||
        a[i].y2 != b[i].y2) {
      return false;
    }
  }
  return true;
}

std::string folder;

void removeFolder() {
  for (const char* f : {"pins.txt", "obst.txt", "out.txt"}) {
    std::remove((folder + "/" + f).c_str());
  }
  rmdir(folder.c_str());
}

std::ostringstream driverErrors;

void writeFile(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  FUZZ_CHECK(f && std::fwrite(text.data(), 1, text.size(), f) == text.size() &&
                 std::fclose(f) == 0,
             "cannot write " + path);
}

std::string readFile(const std::string& path) {
  std::string text, error;
  FUZZ_CHECK(readWholeFile(path, text, error), error);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string tmpl = tempTemplate("writersFuzz");
  FUZZ_CHECK(mkdtemp(tmpl.data()) != nullptr, "no scratch folder");
  folder = tmpl;
  std::atexit(removeFolder);
  std::cout.setstate(std::ios::badbit);  // the execution-time lines
  std::cerr.rdbuf(driverErrors.rdbuf());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Instance in = decode(data, size);
  std::string pinsText = pinText(in), obstText = obstacleText(in);
  std::string context = "pins:\n" + pinsText + "obstacles:\n" + obstText;

  // Every decimal the writers give is one the readers take, as that float.
  Input<float> read;
  std::string error;
  FUZZ_CHECK(parsePinText(pinsText, "pins", read, error), error + context);
  FUZZ_CHECK(parseObstacleText(obstText, "obst", read, error), error + context);
  FUZZ_CHECK(read.pins.size() == in.pins.size(), context);
  for (size_t i = 0; i < in.pins.size(); ++i) {
    FUZZ_CHECK(
        read.pins[i].x == in.pins[i][0] && read.pins[i].y == in.pins[i][1],
        context);
  }

  // The input as a reader in double precision sees it.
  std::vector<Point> pins;
  treecore::Net net;
  for (const auto& p : in.pins) {
    pins.push_back({std::strtod(formatCoord(p[0]).c_str(), nullptr),
                    std::strtod(formatCoord(p[1]).c_str(), nullptr)});
    net.push_back({pins.back().x, pins.back().y});
  }
  std::vector<Rect> rects;
  for (const auto& r : in.rects) {
    Rect box{};
    double* v[4] = {&box.xlo, &box.ylo, &box.xhi, &box.yhi};
    for (int k = 0; k < 4; ++k) {
      *v[k] = std::strtod(formatCoord(r[k]).c_str(), nullptr);
    }
    rects.push_back(box);
  }
  treecore::Obstacles obstacles(rects);

  for (int f = 0; f < 4; ++f) {
    treecore::RouteOptions o;
    o.form = static_cast<treecore::Form>(f);
    treecore::Tree t = treecore::routeNet(obstacles, net, o);
    std::string form = "form " + std::to_string(f) + "\n" + context;
    FUZZ_CHECK(t.status == treecore::Status::ok ||
                   t.status == treecore::Status::forest,
               t.message + "\n" + form);
    std::string plain;
    treecore::appendBlocks(plain, t);
    std::string json;
    treecore::appendJson(json, t, 1);
    form += plain + json + "\n";
    std::vector<Piece> pieces;
    FUZZ_CHECK(parseTreeFile(plain, "plain", pieces, error), error + form);
    TreeCheck c = checkTree(pins, rects, pieces);
    form += formatReport(c);
    FUZZ_CHECK(c.diagonalPieces == 0 && c.crossings == 0, form);
    FUZZ_CHECK(t.status != treecore::Status::ok || c.pinsOffTree == 0, form);
    FUZZ_CHECK(c.pinParts == t.parts, form);
    FUZZ_CHECK(t.wireLength == c.wireLength, form);

    // The JSON: the same pieces, every pin node where its pin is, and the
    // length of those pieces.
    FUZZ_CHECK(
        samePieces(piecesOf(numbersIn(json, "\"segments\":", "]}")), pieces),
        form);
    // The length as the checker writes its own figure.
    size_t at = json.find("\"wireLength\":") + 13;
    FUZZ_CHECK(
        json.substr(at, json.find(',', at) - at) == formatLength(c.wireLength),
        form);
    std::vector<double> nodes = numbersIn(json, "\"nodes\":", "\"edges\"");
    for (size_t i = 0; i < pins.size(); ++i) {
      // x, y, parent and edge of each node.
      FUZZ_CHECK(4 * i + 1 < nodes.size() && nodes[4 * i] == pins[i].x &&
                     nodes[4 * i + 1] == pins[i].y,
                 form);
    }
  }

  // The single-net program's own writer.
  std::string pinsPath = folder + "/pins.txt", obstPath = folder + "/obst.txt",
              out = folder + "/out.txt";
  writeFile(pinsPath, pinsText);
  writeFile(obstPath, obstText);
  std::vector<std::string> args = {"zorvane", pinsPath, obstPath, out};
  std::vector<char*> argv;
  for (std::string& a : args) {
    argv.push_back(a.data());
  }
  argv.push_back(nullptr);
  driverErrors.str("");
  int status = runDriver(Program::zorvane, 4, argv.data());
  FUZZ_CHECK(status == 0 || status == 4, driverErrors.str() + context);
  std::string text = readFile(out);
  std::vector<Piece> pieces;
  FUZZ_CHECK(parseTreeFile(text, out, pieces, error), error + context);
  TreeCheck c = checkTree(pins, rects, pieces);
  FUZZ_CHECK(status != 0 || (c.pinsOffTree == 0 && c.crossings == 0),
             text + formatReport(c) + context);
  return 0;
}
