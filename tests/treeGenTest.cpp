#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "drivers/readInput.h"
#include "geometry/vertex.h"
#include "tests/toolRun.h"
#include "tools/families.h"
#include "tools/treeGen.h"

namespace {

Instance generate(const GenOptions& opt) {
  Instance inst;
  std::string err;
  EXPECT_TRUE(generateInstance(opt, inst, err)) << err;
  return inst;
}

GenOptions crowded(ObstacleContact contact, PinContact pins) {
  GenOptions o;
  o.pins = 3000;
  o.obstacles = 3000;
  o.xMax = o.yMax = 3000;
  o.seed = 11;
  o.obstacleContact = contact;
  o.pinContact = pins;
  return o;
}

struct Contacts {
  long touching = 0;
  long overlapping = 0;
};

// Pair by pair: closed boxes that meet, and of those the ones whose
// interiors meet.
Contacts contacts(const std::vector<Rect>& r) {
  Contacts c;
  for (size_t i = 0; i < r.size(); ++i) {
    for (size_t j = i + 1; j < r.size(); ++j) {
      const Rect& a = r[i];
      const Rect& b = r[j];
      if (a.xlo <= b.xhi && b.xlo <= a.xhi && a.ylo <= b.yhi &&
          b.ylo <= a.yhi) {
        bool inner =
            a.xlo < b.xhi && b.xlo < a.xhi && a.ylo < b.yhi && b.ylo < a.yhi;
        ++(inner ? c.overlapping : c.touching);
      }
    }
  }
  return c;
}

struct PinPlaces {
  long inside = 0;
  long onSide = 0;
};

PinPlaces pinPlaces(const Instance& inst) {
  PinPlaces p;
  for (const Point& q : inst.pins) {
    bool in = false, side = false;
    for (const Rect& r : inst.rects) {
      bool closed =
          r.xlo <= q.x && q.x <= r.xhi && r.ylo <= q.y && q.y <= r.yhi;
      bool open = r.xlo < q.x && q.x < r.xhi && r.ylo < q.y && q.y < r.yhi;
      in = in || open;
      side = side || (closed && !open);
    }
    p.inside += in ? 1 : 0;
    p.onSide += side ? 1 : 0;
  }
  return p;
}

TEST(TreeGenTest, SameSeedSameBytesOtherSeedOtherInstance) {
  GenOptions o;
  o.pins = 500;
  o.obstacles = 200;
  o.layout = PinLayout::clustered;
  o.cornerOrder = CornerOrder::mixed;
  Instance a = generate(o), b = generate(o);
  EXPECT_EQ(formatPinFile(a), formatPinFile(b));
  EXPECT_EQ(formatObstacleFile(a), formatObstacleFile(b));
  o.seed = 2;
  Instance c = generate(o);
  EXPECT_NE(formatPinFile(a), formatPinFile(c));
  EXPECT_NE(formatObstacleFile(a), formatObstacleFile(c));
}

TEST(TreeGenTest, PinOptionsLeaveTheObstaclesAsTheyWere) {
  GenOptions o;
  o.obstacles = 100;
  std::string obstacles = formatObstacleFile(generate(o));
  o.pins = 700;
  o.layout = PinLayout::lattice;
  o.pinContact = PinContact::sides;
  EXPECT_EQ(formatObstacleFile(generate(o)), obstacles);
}

TEST(TreeGenTest, ObstaclesNeverTouchByDefault) {
  Instance inst = generate(crowded(ObstacleContact::none, PinContact::none));
  ASSERT_EQ(inst.rects.size(), 3000u);
  Contacts c = contacts(inst.rects);
  EXPECT_EQ(c.touching, 0);
  EXPECT_EQ(c.overlapping, 0);
}

TEST(TreeGenTest, TouchingObstaclesMayShareSidesButNeverOverlap) {
  GenOptions o = crowded(ObstacleContact::touch, PinContact::none);
  o.sideMin = 2;
  o.sideMax = 4;
  o.xMax = o.yMax = 300;
  Contacts c = contacts(generate(o).rects);
  EXPECT_GT(c.touching, 0) << "a crowded box must show some touching";
  EXPECT_EQ(c.overlapping, 0);
}

TEST(TreeGenTest, OverlappingObstaclesDoOverlap) {
  Contacts c = contacts(
      generate(crowded(ObstacleContact::overlap, PinContact::none)).rects);
  EXPECT_GT(c.overlapping, 0);
}

TEST(TreeGenTest, PinsStayOutsideEveryObstacleByDefault) {
  for (PinLayout layout :
       {PinLayout::uniform, PinLayout::clustered, PinLayout::lattice}) {
    SCOPED_TRACE(static_cast<int>(layout));
    GenOptions o = crowded(ObstacleContact::none, PinContact::none);
    o.layout = layout;
    Instance inst = generate(o);
    ASSERT_EQ(inst.pins.size(), 3000u);
    PinPlaces p = pinPlaces(inst);
    EXPECT_EQ(p.inside, 0);
    EXPECT_EQ(p.onSide, 0);
  }
}

TEST(TreeGenTest, PinsOnSidesButNeverInside) {
  for (ObstacleContact contact :
       {ObstacleContact::none, ObstacleContact::overlap}) {
    SCOPED_TRACE(static_cast<int>(contact));
    Instance inst = generate(crowded(contact, PinContact::sides));
    PinPlaces p = pinPlaces(inst);
    EXPECT_EQ(p.inside, 0);
    EXPECT_GT(p.onSide, 0);
  }
}

TEST(TreeGenTest, PinsAreDistinctAndEverythingLiesInTheBox) {
  for (PinLayout layout :
       {PinLayout::uniform, PinLayout::clustered, PinLayout::lattice}) {
    SCOPED_TRACE(static_cast<int>(layout));
    GenOptions o;
    o.pins = 2000;
    o.obstacles = 50;
    o.xMin = 100;
    o.yMin = 200;
    o.xMax = 300;
    o.yMax = 260;
    o.sideMin = 3;
    o.sideMax = 9;
    o.layout = layout;
    o.pinContact = PinContact::sides;
    Instance inst = generate(o);
    std::set<std::pair<float, float>> seen;
    for (const Point& q : inst.pins) {
      EXPECT_TRUE(seen.emplace(q.x, q.y).second) << q.x << " " << q.y;
      EXPECT_TRUE(100 <= q.x && q.x <= 300 && 200 <= q.y && q.y <= 260);
    }
    for (const Rect& r : inst.rects) {
      EXPECT_TRUE(100 <= r.xlo && r.xhi <= 300 && 200 <= r.ylo && r.yhi <= 260);
      EXPECT_TRUE(3 <= r.xhi - r.xlo && r.xhi - r.xlo <= 9);
      EXPECT_TRUE(3 <= r.yhi - r.ylo && r.yhi - r.ylo <= 9);
    }
  }
}

TEST(TreeGenTest, LatticeWithoutObstaclesIsRegular) {
  GenOptions o;
  o.pins = 12;
  o.obstacles = 0;
  o.xMax = 400;
  o.yMax = 300;
  o.layout = PinLayout::lattice;
  Instance inst = generate(o);
  std::set<float> xs, ys;
  for (const Point& q : inst.pins) {
    xs.insert(q.x);
    ys.insert(q.y);
  }
  EXPECT_EQ(xs, (std::set<float>{50, 150, 250, 350}));
  EXPECT_EQ(ys, (std::set<float>{50, 150, 250}));
}

double signedArea(const std::array<Point, 4>& c) {
  double a = 0;
  for (int k = 0; k < 4; ++k) {
    a += static_cast<double>(c[k].x) * c[(k + 1) % 4].y -
         static_cast<double>(c[(k + 1) % 4].x) * c[k].y;
  }
  return a;
}

TEST(TreeGenTest, CornerOrders) {
  GenOptions o;
  o.obstacles = 40;
  for (CornerOrder order : {CornerOrder::ccw, CornerOrder::cw}) {
    o.cornerOrder = order;
    Instance inst = generate(o);
    for (size_t i = 0; i < inst.rects.size(); ++i) {
      const auto& c = inst.corners[i];
      EXPECT_EQ(signedArea(c) > 0, order == CornerOrder::ccw);
      EXPECT_EQ(c[0].x, inst.rects[i].xlo) << "starts at the lower left";
      EXPECT_EQ(c[0].y, inst.rects[i].ylo);
    }
  }
  o.cornerOrder = CornerOrder::mixed;
  Instance inst = generate(o);
  std::set<bool> directions;
  std::set<std::pair<bool, bool>> starts;
  for (size_t i = 0; i < inst.rects.size(); ++i) {
    const auto& c = inst.corners[i];
    directions.insert(signedArea(c) > 0);
    starts.emplace(c[0].x == inst.rects[i].xlo, c[0].y == inst.rects[i].ylo);
  }
  EXPECT_EQ(directions.size(), 2u);
  EXPECT_EQ(starts.size(), 4u);
}

TEST(TreeGenTest, TheProgramsReadersTakeTheFiles) {
  GenOptions o;
  o.pins = 300;
  o.obstacles = 80;
  o.cornerOrder = CornerOrder::mixed;
  o.obstacleContact = ObstacleContact::overlap;
  Instance inst = generate(o);
  std::vector<Vertex*> vs;
  std::string err;
  ASSERT_TRUE(parsePins(formatPinFile(inst), "pins", vs, err)) << err;
  ASSERT_TRUE(parseObstacles(formatObstacleFile(inst), "obstacles", vs, err))
      << err;
  ASSERT_EQ(vs.size(), 300u + 4 * 80u);
  EXPECT_EQ(vs[0]->x, inst.pins[0].x);
  EXPECT_EQ(vs[300]->x, inst.corners[0][0].x);
  EXPECT_EQ(vs[300]->pNextCorner->y, inst.corners[0][1].y);
  for (Vertex* v : vs) {
    delete v;
  }
}

TEST(TreeGenTest, WritesRecordsAndAnEndMarker) {
  Instance inst;
  inst.pins = {{1, 2}, {30000, 0.5f}};
  inst.corners = {{{{0, 0}, {4, 0}, {4, 2}, {0, 2}}}};
  EXPECT_EQ(formatPinFile(inst), "1 2 pin\n30000 0.5 pin\n-1 -1 pin\n");
  EXPECT_EQ(formatObstacleFile(inst),
            "0 0 corner\n4 0 corner\n4 2 corner\n0 2 corner\n-1 -1 corner\n");
}

TEST(TreeGenTest, RefusesWhatCannotBeMet) {
  Instance inst;
  std::string err;
  GenOptions o;
  o.obstacles = 1000;
  o.xMax = o.yMax = 50;
  o.sideMin = 10;
  o.sideMax = 20;
  EXPECT_FALSE(generateInstance(o, inst, err));
  EXPECT_NE(err.find("cannot fit in a 50 x 50 box"), std::string::npos) << err;
  // Room enough by area, not for random placement.
  o.obstacles = 105;
  o.xMax = o.yMax = 20;
  o.sideMin = o.sideMax = 1;
  EXPECT_FALSE(generateInstance(o, inst, err));
  EXPECT_NE(err.find("could place only"), std::string::npos) << err;
  o = GenOptions{};
  o.pins = 200;
  o.obstacles = 0;
  o.xMax = o.yMax = 10;  // 121 grid points
  EXPECT_FALSE(generateInstance(o, inst, err));
  EXPECT_NE(err.find("distinct pins"), std::string::npos) << err;
  o.layout = PinLayout::lattice;
  EXPECT_FALSE(generateInstance(o, inst, err));
  o = GenOptions{};
  o.xMin = 5;
  o.xMax = 5;
  EXPECT_FALSE(generateInstance(o, inst, err));
  EXPECT_NE(err.find("the box must"), std::string::npos);
  o = GenOptions{};
  o.xMax = kMaxGenCoord + 1;
  EXPECT_FALSE(generateInstance(o, inst, err));
  o = GenOptions{};
  o.sideMin = 1;
  o.sideMax = 2000;
  EXPECT_FALSE(generateInstance(o, inst, err));
  EXPECT_NE(err.find("does not fit"), std::string::npos);
}

TEST(TreegenProgramTest, SameSeedWritesByteIdenticalFiles) {
  std::vector<std::string> files;
  for (const char* run : {"a", "b", "c"}) {
    files.push_back(tempPath(std::string(run) + ".pins"));
    files.push_back(tempPath(std::string(run) + ".obstacles"));
  }
  std::vector<std::string> args = {"--pins",         "400",
                                   "--obstacles",    "300",
                                   "--layout",       "clustered",
                                   "--corner-order", "mixed",
                                   "--box",          "10,20,5000,6000",
                                   "--seed"};
  for (int run = 0; run < 3; ++run) {
    std::vector<std::string> a = args;
    a.push_back(run < 2 ? "42" : "43");
    a.push_back(files[2 * run]);
    a.push_back(files[2 * run + 1]);
    ToolRun r = runTool(TREEGEN_PATH, a);
    ASSERT_EQ(r.status, 0) << r.err;
  }
  EXPECT_EQ(readFile(files[0]), readFile(files[2]));
  EXPECT_EQ(readFile(files[1]), readFile(files[3]));
  EXPECT_NE(readFile(files[0]), readFile(files[4]));
  // The library writes the same bytes.
  GenOptions o;
  o.pins = 400;
  o.obstacles = 300;
  o.layout = PinLayout::clustered;
  o.cornerOrder = CornerOrder::mixed;
  o.xMin = 10;
  o.yMin = 20;
  o.xMax = 5000;
  o.yMax = 6000;
  o.seed = 42;
  EXPECT_EQ(readFile(files[0]), formatPinFile(generate(o)));
}

// The STP form reaches the programs as the same instance as the two files.
TEST(TreegenProgramTest, WritesAnStpFileThatTheProgramsRead) {
  std::string pins = tempPath("pins"), obst = tempPath("obst"),
              stp = tempPath("net.stp"), a = tempPath("a"), b = tempPath("b");
  std::vector<std::string> opts = {"--pins", "60", "--obstacles",    "20",
                                   "--seed", "9",  "--corner-order", "ccw"};
  std::vector<std::string> two = opts, one = opts;
  two.insert(two.end(), {pins, obst});
  one.insert(one.end(), {"--stp", stp});
  ASSERT_EQ(runTool(TREEGEN_PATH, two).status, 0);
  ToolRun r = runTool(TREEGEN_PATH, one);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readFile(stp).rfind("33D32945 STP File", 0), 0u);
  ASSERT_EQ(runTool(ZORVANE_PATH, {pins, obst, a}).status, 0);
  ASSERT_EQ(runTool(ZORVANE_PATH, {stp, b}).status, 0);
  EXPECT_EQ(readFile(a), readFile(b));
  EXPECT_EQ(runTool(TREEGEN_PATH, {"--stp", pins, obst}).status, 1);
}

// A full disk used to leave truncated files behind.
TEST(TreegenProgramTest, AFailedWriteLeavesTheOldFile) {
  std::string pins = tempPath("pins"), obst = tempPath("obst");
  writeFile(pins, "old");
  ToolRun r =
      runTool("sh", {"-c", "trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\"",
                     TREEGEN_PATH, "--pins", "1000", pins, obst});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("treegen: cannot write " + pins + ": File too large"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(readFile(pins), "old");
}

// Thirty million nets under a limit on memory used to end in an uncaught
// std::bad_alloc.
TEST(TreegenProgramTest, AMemoryShortageIsStatusThreeAndWritesNothing) {
  const char* limited = "ulimit -v 100000 && exec \"$0\" \"$@\"";
  if (runTool("sh", {"-c", limited, TREEGEN_PATH, "--version"}).status != 0) {
    GTEST_SKIP() << "the build does not run under a limit on address space";
  }
  std::string nets = tempPath("nets"), obst = tempPath("obst");
  writeFile(obst, "old");
  ToolRun r = runTool(
      "sh", {"-c", limited, TREEGEN_PATH, "--nets", "30000000", nets, obst});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err, "treegen: out of memory\n");
  EXPECT_EQ(readFile(obst), "old");
  EXPECT_FALSE(std::filesystem::exists(nets));
  namespace fs = std::filesystem;
  for (const auto& e : fs::directory_iterator(fs::path(obst).parent_path())) {
    for (const std::string& path : {nets, obst}) {
      std::string temp = "." + fs::path(path).filename().string() + ".";
      EXPECT_NE(e.path().filename().string().rfind(temp, 0), 0u)
          << "a temporary file left: " << e.path();
    }
  }
  std::remove(obst.c_str());
}

TEST(TreegenProgramTest, UsageErrorsAndUnwritableOutput) {
  std::string pins = tempPath("pins"), obstacles = tempPath("obstacles");
  EXPECT_EQ(runTool(TREEGEN_PATH, {pins}).status, 1);
  ToolRun r = runTool(TREEGEN_PATH, {"--layout", "spiral", pins, obstacles});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("bad value 'spiral' for --layout"), std::string::npos);
  r = runTool(TREEGEN_PATH, {"--pins", "-3", pins, obstacles});
  EXPECT_EQ(r.status, 1);
  r = runTool(TREEGEN_PATH, {"--box", "0,0,10", pins, obstacles});
  EXPECT_EQ(r.status, 1);
  r = runTool(TREEGEN_PATH, {"--seed", "-1", pins, obstacles});
  EXPECT_EQ(r.status, 1);
  r = runTool(TREEGEN_PATH,
              {"--obstacles", "99999", "--box", "0,0,20,20", pins, obstacles});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("99999 obstacles with sides of at least 1 cannot fit"),
            std::string::npos)
      << r.err;
  r = runTool(TREEGEN_PATH, {pins, "/nonexistent/dir/obstacles"});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("cannot write /nonexistent/dir/obstacles"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(pins)) << "both opened before drawing";
  r = runTool(TREEGEN_PATH, {"-h"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--obstacle-contact"), std::string::npos);
}

// "treegen --pins 3 a.p a.p" wrote both files onto one path. Two outputs
// that are one file, by any path or link, are a usage error and nothing is
// written.
TEST(TreegenProgramTest, TwoOutputsMustBeTwoFiles) {
  std::string a = tempPath("a.p"), b = tempPath("b.p");
  std::string dir = a.substr(0, a.rfind('/')), name = a.substr(a.rfind('/'));
  std::string link = tempPath("link.p"), dangling = tempPath("dangling.p");
  writeFile(b, "old");
  ASSERT_EQ(symlink(b.c_str(), link.c_str()), 0);
  ASSERT_EQ(symlink(a.c_str(), dangling.c_str()), 0);
  const std::vector<std::vector<std::string>> cases = {
      {"--pins", "3", a, a},
      {a, dir + "/." + name},
      {b, link},
      {dangling, a},
      {"--nets", "2", link, b}};
  for (const auto& args : cases) {
    SCOPED_TRACE(args.back());
    ToolRun r = runTool(TREEGEN_PATH, args);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("two outputs; each output needs a file of its "
                         "own\nUsage: ./treegen"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("Try 'treegen --help' for more information.\n"),
              std::string::npos);
    EXPECT_EQ(readFile(b), "old");
    EXPECT_EQ(access(a.c_str(), F_OK), -1);
  }
  EXPECT_EQ(runTool(TREEGEN_PATH, {a, b}).status, 0);
}

// "treegen --family bogus" complained about the size.
TEST(TreegenProgramTest, UnknownFamilyIsNamedWithTheKnownOnes) {
  std::string pins = tempPath("pins"), obst = tempPath("obst");
  ToolRun r = runTool(TREEGEN_PATH, {"--family", "bogus", pins, obst});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("treegen: bad value 'bogus' for --family: the "
                        "families are ",
                        0),
            0u)
      << r.err;
  Instance inst;
  std::string err;
  EXPECT_FALSE(generateFamily("bogus", 0, inst, err));
  EXPECT_EQ(err.rfind("unknown family 'bogus'; the families are ", 0), 0u)
      << err;
  for (const std::string& name : familyNames()) {
    EXPECT_NE(r.err.find(name), std::string::npos) << name;
    EXPECT_NE(err.find(name), std::string::npos) << name;
  }
  EXPECT_EQ(r.err.find("size"), std::string::npos);
  r = runTool(TREEGEN_PATH, {"--nets", "3", "--family", "spiral", pins, obst});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "treegen: --nets and --family cannot go together\n"
            "Usage: ./treegen [options] PIN_POS_FILE RECT_OBSTS_FILE\n"
            "Try 'treegen --help' for more information.\n");
  r = runTool(TREEGEN_PATH, {"--obstacle-sise", "1,2", pins, obst});
  EXPECT_NE(r.err.find("--obstacle-sise; did you mean --obstacle-size?"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(access(pins.c_str(), F_OK), -1);
}

}  // namespace

namespace {

// 2e+06 and 1.6e+07 were the same values, but not as a design writes them.
TEST(TreeGenTest, IntegersAreWrittenAsTheirDigits) {
  Instance inst;
  inst.pins = {{2000000, 16000000}, {16777216, 0.5}, {-3000000, 1e-5}};
  EXPECT_EQ(formatPinFile(inst),
            "2000000 16000000 pin\n16777216 0.5 pin\n-3000000 1e-05 pin\n"
            "-1 -1 pin\n");
}

}  // namespace
