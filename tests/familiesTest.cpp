#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "check/checkTree.h"
#include "tests/toolRun.h"
#include "tools/families.h"
#include "tools/instance.h"

namespace {

Instance family(const std::string& name, long size) {
  Instance inst;
  std::string err;
  EXPECT_TRUE(generateFamily(name, size, inst, err)) << err;
  return inst;
}

bool inside(const Rect& r, const Point& p) {
  return r.xlo < p.x && p.x < r.xhi && r.ylo < p.y && p.y < r.yhi;
}

// Runs every mode of both programs on one member of a family: each must
// finish with status 0 and write one legal tree by checkTree's count. A
// member kept small where the mode's work budget would make it slow.
void expectLegalInEveryMode(const std::string& name,
                            long size,
                            long optimizeSize) {
  const std::vector<std::pair<std::string, std::string>> modes = {
      {OAMST_PATH, ""},
      {OAMST_PATH, "--exact-graph"},
      {ZORVANE_PATH, ""},
      {ZORVANE_PATH, "--no-refine"},
      {ZORVANE_PATH, "--exact-graph"},
      {ZORVANE_PATH, "--optimize"}};
  for (const auto& [program, option] : modes) {
    long n = option == "--optimize" ? optimizeSize : size;
    SCOPED_TRACE(name + " " + std::to_string(n) + " " + program + " " + option);
    Instance inst = family(name, n);
    std::string pins = tempPath("pins"), obst = tempPath("obst"),
                tree = tempPath("tree");
    writeFile(pins, formatPinFile(inst));
    writeFile(obst, formatObstacleFile(inst));
    std::vector<std::string> args;
    if (!option.empty()) {
      args.push_back(option);
    }
    args.insert(args.end(), {pins, obst, tree});
    ToolRun run = runTool(program, args);
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<Point> p;
    std::vector<Rect> r;
    std::vector<Piece> pieces;
    std::string err;
    ASSERT_TRUE(readInstanceAndTree(pins, obst, tree, p, r, pieces, err))
        << err;
    TreeCheck check = checkTree(p, r, pieces);
    EXPECT_TRUE(check.legal()) << formatReport(check);
  }
}

// Large enough that a detour's window holds more rectangles than the grid
// search takes.
TEST(FamiliesTest, SpiralTreesAreLegal) {
  expectLegalInEveryMode("spiral", 16, 6);
}

TEST(FamiliesTest, FramesTreesAreLegal) {
  expectLegalInEveryMode("frames", 16, 6);
}

TEST(FamiliesTest, ChainsTreesAreLegal) {
  expectLegalInEveryMode("chains", 100, 8);
}

TEST(FamiliesTest, CopiesTreesAreLegal) {
  expectLegalInEveryMode("copies", 100, 30);
}

TEST(FamiliesTest, LatticeTreesAreLegal) {
  expectLegalInEveryMode("lattice", 100, 36);
}

// The counts the header states, every pin off every open interior, and
// integer coordinates.
TEST(FamiliesTest, MembersHaveTheStatedShape) {
  struct Want {
    const char* name;
    long size;
    size_t pins;
    size_t rects;
  };
  for (const Want& w : {Want{"spiral", 7, 7, 35}, Want{"chains", 9, 10, 9},
                        Want{"copies", 5, 7, 1}, Want{"lattice", 30, 25, 16},
                        Want{"spiral", 1, 1, 5}, Want{"chains", 1, 10, 1},
                        Want{"frames", 7, 7, 35}}) {
    SCOPED_TRACE(std::string(w.name) + " " + std::to_string(w.size));
    Instance inst = family(w.name, w.size);
    EXPECT_EQ(inst.pins.size(), w.pins);
    EXPECT_EQ(inst.rects.size(), w.rects);
    EXPECT_EQ(inst.corners.size(), inst.rects.size());
    for (const Point& p : inst.pins) {
      EXPECT_EQ(p.x, static_cast<float>(static_cast<long>(p.x)));
      EXPECT_EQ(p.y, static_cast<float>(static_cast<long>(p.y)));
      for (const Rect& r : inst.rects) {
        EXPECT_FALSE(inside(r, p)) << p.x << "," << p.y;
      }
    }
  }
  // Copies: all but two pins at one spot.
  Instance copies = family("copies", 40);
  std::set<std::pair<float, float>> spots;
  for (const Point& p : copies.pins) {
    spots.insert({p.x, p.y});
  }
  EXPECT_EQ(spots.size(), 3u);
}

// Each corridor of the spiral is closed but for the gaps: from the middle
// the only free way out winds through every frame, so the exact spanning
// tree of the pins is far longer than their half-perimeter.
TEST(FamiliesTest, SpiralIsAMaze) {
  Instance inst = family("spiral", 5);
  std::string pins = tempPath("pins"), obst = tempPath("obst"),
              tree = tempPath("tree");
  writeFile(pins, formatPinFile(inst));
  writeFile(obst, formatObstacleFile(inst));
  ToolRun run = runTool(OAMST_PATH, {"--exact-graph", pins, obst, tree});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<Point> p;
  std::vector<Rect> r;
  std::vector<Piece> pieces;
  std::string err;
  ASSERT_TRUE(readInstanceAndTree(pins, obst, tree, p, r, pieces, err)) << err;
  TreeCheck check = checkTree(p, r, pieces);
  EXPECT_TRUE(check.legal());
  // Corridor k's pin goes half-way round frame k + 1 or more: at least
  // 8k + 8 each, against 8 between neighbouring pins in a straight line.
  EXPECT_GE(check.totalLength, 8 * (1 + 2 + 3 + 4));
}

// The same maze with x and y swapped, rectangles still given by their lower
// left and upper right corners.
TEST(FamiliesTest, FramesAreTheSpiralMirrored) {
  Instance spiral = family("spiral", 9), frames = family("frames", 9);
  ASSERT_EQ(spiral.pins.size(), frames.pins.size());
  for (size_t i = 0; i < spiral.pins.size(); ++i) {
    EXPECT_EQ(frames.pins[i].x, spiral.pins[i].y);
    EXPECT_EQ(frames.pins[i].y, spiral.pins[i].x);
  }
  ASSERT_EQ(spiral.rects.size(), frames.rects.size());
  for (size_t i = 0; i < spiral.rects.size(); ++i) {
    const Rect &a = spiral.rects[i], &b = frames.rects[i];
    EXPECT_EQ(b.xlo, a.ylo);
    EXPECT_EQ(b.ylo, a.xlo);
    EXPECT_EQ(b.xhi, a.yhi);
    EXPECT_EQ(b.yhi, a.xhi);
    EXPECT_EQ(frames.corners[i][0].x, b.xlo);
    EXPECT_EQ(frames.corners[i][0].y, b.ylo);
    EXPECT_EQ(frames.corners[i][2].x, b.xhi);
    EXPECT_EQ(frames.corners[i][2].y, b.yhi);
  }
}

TEST(FamiliesTest, RefusesUnknownNamesAndBadSizes) {
  Instance inst;
  std::string err;
  EXPECT_FALSE(generateFamily("helix", 10, inst, err));
  EXPECT_NE(err.find("spiral"), std::string::npos) << err;
  EXPECT_FALSE(generateFamily("spiral", 0, inst, err));
  EXPECT_FALSE(generateFamily("lattice", -3, inst, err));
  EXPECT_FALSE(generateFamily("copies", 1L << 40, inst, err));
}

TEST(FamiliesTest, TreegenWritesAFamily) {
  std::string pins = tempPath("pins"), obst = tempPath("obst");
  ToolRun run =
      runTool(TREEGEN_PATH, {"--family", "spiral", "--size", "3", pins, obst});
  ASSERT_EQ(run.status, 0) << run.err;
  Instance inst = family("spiral", 3);
  EXPECT_EQ(readFile(pins), formatPinFile(inst));
  EXPECT_EQ(readFile(obst), formatObstacleFile(inst));
  EXPECT_EQ(
      runTool(TREEGEN_PATH, {"--family", "maze", "--size", "3", pins, obst})
          .status,
      1);
}

}  // namespace
