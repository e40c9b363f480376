// Small instances decoded from the fuzzer's bytes, run through both
// programs' driver (oamst, zorvane, zorvane --no-refine); the files they
// write are read back and held to what the programs promise.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

namespace {

constexpr int kMaxPins = 30;
constexpr int kMaxRects = 8;

struct Box {
  int x1, y1, x2, y2;  // x1 < x2, y1 < y2, in grid units
  int start;           // the corner written first, counter-clockwise from
                       // the lower left
  bool clockwise;
};

// Grid points become offset + scale * k, so that formatting and reading
// meet halves, large and small numbers, all exact as floats.
struct Instance {
  int grid = 0;
  float scale = 1;
  float offset = 0;
  std::vector<Box> boxes;
  std::vector<std::pair<int, int>> pins;
};

bool strictlyInside(const Box& b, int x, int y) {
  return b.x1 < x && x < b.x2 && b.y1 < y && y < b.y2;
}

// Header bytes: grid size, rectangle count, pin count, scale and offset;
// then five bytes a rectangle, two a pin. Short input makes fewer of each.
Instance decode(const uint8_t* data, size_t size) {
  const float kScales[] = {1, 0.5f, 3, 1000};
  const float kOffsets[] = {0, 5, 100000};
  size_t at = 0;
  auto next = [&](uint8_t& b) {
    if (at == size) {
      return false;
    }
    b = data[at++];
    return true;
  };
  Instance in;
  uint8_t h[4];
  for (uint8_t& b : h) {
    if (!next(b)) {
      return in;
    }
  }
  in.grid = 2 + h[0] % 15;
  int rects = h[1] % (kMaxRects + 1);
  int pins = h[2] % (kMaxPins + 1);
  in.scale = kScales[h[3] % 4];
  in.offset = kOffsets[(h[3] / 4) % 3];
  int span = in.grid + 1;
  for (int i = 0; i < rects; ++i) {
    uint8_t b[5];
    for (uint8_t& v : b) {
      if (!next(v)) {
        return in;
      }
    }
    Box box{std::min(b[0] % span, b[2] % span),
            std::min(b[1] % span, b[3] % span),
            std::max(b[0] % span, b[2] % span),
            std::max(b[1] % span, b[3] % span),
            b[4] % 4,
            (b[4] / 4) % 2 == 1};
    box.x2 += box.x1 == box.x2 ? 1 : 0;
    box.y2 += box.y1 == box.y2 ? 1 : 0;
    in.boxes.push_back(box);
  }
  for (int i = 0; i < pins; ++i) {
    uint8_t x, y;
    if (!next(x) || !next(y)) {
      return in;
    }
    int px = x % span, py = y % span;
    if (std::none_of(in.boxes.begin(), in.boxes.end(),
                     [&](const Box& b) { return strictlyInside(b, px, py); })) {
      in.pins.emplace_back(px, py);
    }
  }
  return in;
}

float coord(const Instance& in, int k) {
  return in.offset + in.scale * static_cast<float>(k);
}

std::string pinText(const Instance& in) {
  std::string s;
  for (const auto& p : in.pins) {
    s += formatCoord(coord(in, p.first)) + " " +
         formatCoord(coord(in, p.second)) + " pin\n";
  }
  return s + "-1 -1 pin\n";
}

std::string obstacleText(const Instance& in) {
  std::string s;
  for (const Box& b : in.boxes) {
    int xs[4] = {b.x1, b.x2, b.x2, b.x1};
    int ys[4] = {b.y1, b.y1, b.y2, b.y2};
    for (int k = 0; k < 4; ++k) {
      int c = (b.start + (b.clockwise ? 4 - k : k)) % 4;
      s += formatCoord(coord(in, xs[c])) + " " + formatCoord(coord(in, ys[c])) +
           " corner\n";
    }
  }
  return s + "-1 -1 corner\n";
}

// How the free space (the plane without the rectangles' open interiors)
// groups the pins, found by a flood fill of the grid at half steps: every
// point, open unit stretch and open unit square of the grid is wholly
// inside some interior or wholly outside all, and one margin step round the
// grid lets paths go round everything.
struct FreeSpace {
  int classes = 0;   // parts of the free space that hold a pin
  int lonePins = 0;  // pins whose part holds no other pin position
};

FreeSpace groupPins(const Instance& in) {
  int n = 2 * (in.grid + 3) + 1;  // half steps over [-1, grid + 2]
  auto blocked = [&](int a, int b) {
    int x2 = a - 2, y2 = b - 2;  // twice the grid coordinate
    for (const Box& box : in.boxes) {
      if (2 * box.x1 < x2 && x2 < 2 * box.x2 && 2 * box.y1 < y2 &&
          y2 < 2 * box.y2) {
        return true;
      }
    }
    return false;
  };
  std::vector<int> part(n * n, -1);
  int parts = 0;
  for (int s = 0; s < n * n; ++s) {
    if (part[s] >= 0 || blocked(s % n, s / n)) {
      continue;
    }
    std::vector<int> stack{s};
    part[s] = parts;
    while (!stack.empty()) {
      int c = stack.back();
      stack.pop_back();
      int a = c % n, b = c / n;
      const int da[] = {1, -1, 0, 0}, db[] = {0, 0, 1, -1};
      for (int d = 0; d < 4; ++d) {
        int a2 = a + da[d], b2 = b + db[d];
        if (a2 < 0 || b2 < 0 || a2 >= n || b2 >= n) {
          continue;
        }
        int c2 = b2 * n + a2;
        if (part[c2] < 0 && !blocked(a2, b2)) {
          part[c2] = parts;
          stack.push_back(c2);
        }
      }
    }
    ++parts;
  }
  std::vector<std::vector<std::pair<int, int>>> positions(parts);
  std::vector<int> pinPart;
  for (const auto& p : in.pins) {
    int k = part[(2 * p.second + 2) * n + 2 * p.first + 2];
    pinPart.push_back(k);
    positions[k].push_back(p);
  }
  FreeSpace f;
  for (auto& ps : positions) {
    std::sort(ps.begin(), ps.end());
    ps.erase(std::unique(ps.begin(), ps.end()), ps.end());
    f.classes += ps.empty() ? 0 : 1;
  }
  for (int k : pinPart) {
    f.lonePins += positions[k].size() == 1 ? 1 : 0;
  }
  return f;
}

std::string folder;

void removeFolder() {
  for (const char* f : {"pins.txt", "obst.txt", "out.txt", "again.txt"}) {
    std::remove((folder + "/" + f).c_str());
  }
  rmdir(folder.c_str());
}

// The driver's messages are caught, to be shown with a failure.
std::ostringstream driverErrors;

int runProgram(Program program, bool noRefine, const std::string& out) {
  std::string pins = folder + "/pins.txt", obst = folder + "/obst.txt";
  std::vector<std::string> args = {program == Program::oamst ? "oamst"
                                                             : "zorvane"};
  if (noRefine) {
    args.push_back("--no-refine");
  }
  args.insert(args.end(), {pins, obst, out});
  std::vector<char*> argv;
  for (std::string& a : args) {
    argv.push_back(a.data());
  }
  argv.push_back(nullptr);
  driverErrors.str("");
  return runDriver(program, static_cast<int>(args.size()), argv.data());
}

std::string readFile(const std::string& path) {
  std::string text, error;
  FUZZ_CHECK(readWholeFile(path, text, error), error);
  return text;
}

// Runs one program and checks what it wrote; returns the figures of the
// tree.
TreeCheck checkRun(const Instance& in,
                   const FreeSpace& free,
                   Program program,
                   bool noRefine) {
  std::string name = program == Program::oamst ? "oamst"
                     : noRefine                ? "zorvane --no-refine"
                                               : "zorvane";
  std::string out = folder + "/out.txt";
  int status = runProgram(program, noRefine, out);
  std::string text = readFile(out);
  std::string context = name + ", status " + std::to_string(status) + "\n" +
                        driverErrors.str() + "pins:\n" + pinText(in) +
                        "obstacles:\n" + obstacleText(in) + "output:\n" + text;
  FUZZ_CHECK(status == 0 || status == 4, context);
  std::vector<Piece> pieces;
  std::string error;
  FUZZ_CHECK(parseTreeFile(text, out, pieces, error), error + "\n" + context);

  std::vector<Point> pins;
  for (const auto& p : in.pins) {
    pins.push_back({coord(in, p.first), coord(in, p.second)});
  }
  std::vector<Rect> rects;
  for (const Box& b : in.boxes) {
    rects.push_back(
        {coord(in, b.x1), coord(in, b.y1), coord(in, b.x2), coord(in, b.y2)});
  }
  TreeCheck c = checkTree(pins, rects, pieces);
  context += formatReport(c) +
             "free-space parts holding pins: " + std::to_string(free.classes) +
             "\n";
  FUZZ_CHECK(c.diagonalPieces == 0, context);
  // Only a pin whose part of the free space holds no other position may
  // stand off the tree.
  FUZZ_CHECK(c.pinsOffTree <= free.lonePins, context);
  FUZZ_CHECK(status != 0 || c.pinsOffTree == 0, context);
  // Status 0 promises one tree, status 4 a forest; the parts are exactly
  // those of the free space, and no piece crosses an obstacle.
  FUZZ_CHECK(c.crossings == 0, context);
  FUZZ_CHECK(c.pinParts == free.classes, context);
  FUZZ_CHECK(status == (free.classes > 1 ? 4 : 0), context);
  if (program == Program::zorvane && !noRefine) {
    std::string again = folder + "/again.txt";
    runProgram(program, noRefine, again);
    FUZZ_CHECK(readFile(again) == text, "a second run differs\n" + context);
  }
  return c;
}

void writeFile(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  FUZZ_CHECK(f && std::fwrite(text.data(), 1, text.size(), f) == text.size() &&
                 std::fclose(f) == 0,
             "cannot write " + path);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string tmpl = tempTemplate("pipelineFuzz");
  FUZZ_CHECK(mkdtemp(tmpl.data()) != nullptr, "no scratch folder");
  folder = tmpl;
  std::atexit(removeFolder);
  std::cout.setstate(std::ios::badbit);  // the execution-time lines
  std::cerr.rdbuf(driverErrors.rdbuf());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Instance in = decode(data, size);
  writeFile(folder + "/pins.txt", pinText(in));
  writeFile(folder + "/obst.txt", obstacleText(in));
  FreeSpace free = groupPins(in);
  checkRun(in, free, Program::oamst, false);
  TreeCheck unrefined = checkRun(in, free, Program::zorvane, true);
  TreeCheck refined = checkRun(in, free, Program::zorvane, false);
  // Refinement straightens and slides connections: it never splits a part.
  FUZZ_CHECK(refined.pinParts <= unrefined.pinParts,
             "refinement split the tree\npins:\n" + pinText(in) +
                 "obstacles:\n" + obstacleText(in) + formatReport(unrefined) +
                 formatReport(refined));
  return 0;
}
