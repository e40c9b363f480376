#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/netDesign.h"
#include "tests/programRun.h"
#include "treecore/route.h"
#include "treecore/treeText.h"

// Nets with integer coordinates no float holds route in a frame of their
// own: each tree is the tree of the same net at the origin, moved by hand.
namespace {

using netDesign::Ring;
using treecore::Form;
using treecore::Net;
using treecore::Point;
using treecore::Tree;

// Offsets that put coordinates just past 2^24, around 2^30, up to
// 2^31 - 1 and down to -2^31; odd, so that most moved values are no floats.
const double kOffsets[] = {16777217.0 - 40, 1073741823.0, 2147483647.0 - 60,
                           -2147483648.0 + 1};

// A design in [0, 60)^2 whose every net has a pin at the origin, so that
// its grown box's lower-left corner is there.
netDesign::Design baseDesign(unsigned seed) {
  netDesign::Design d = netDesign::randomDesign(seed, 6, 5, 7);
  std::vector<Ring> kept;
  for (const Ring& r : d.rings) {
    bool atOrigin = false;
    for (const Point& p : r) {
      atOrigin = atOrigin || (p.x == 0 && p.y == 0);
    }
    double xlo = std::min(r[0].x, r[2].x), ylo = std::min(r[0].y, r[2].y);
    // Off the origin's open neighbourhood, so the pin there stays outside.
    if (!atOrigin && !(xlo <= 0 && ylo <= 0)) {
      kept.push_back(r);
    }
  }
  d.rings = kept;
  for (Net& n : d.nets) {
    n.insert(n.begin(), Point{0, 0});
  }
  return d;
}

Point moved(const Point& p, double by) {
  return {p.x + by, p.y + by};
}

Net movedNet(const Net& n, double by) {
  Net out;
  for (const Point& p : n) {
    out.push_back(moved(p, by));
  }
  return out;
}

std::vector<Ring> movedRings(const std::vector<Ring>& rings, double by) {
  std::vector<Ring> out;
  for (const Ring& r : rings) {
    out.push_back(
        {moved(r[0], by), moved(r[1], by), moved(r[2], by), moved(r[3], by)});
  }
  return out;
}

// The tree moved by hand, every coordinate in double precision.
Tree movedTree(Tree t, double by) {
  for (auto& n : t.nodes) {
    n.at = moved(n.at, by);
  }
  for (auto& e : t.edges) {
    for (Point& p : e.path) {
      p = moved(p, by);
    }
  }
  for (auto& s : t.segments) {
    s = {moved(s.a, by), moved(s.b, by)};
  }
  return t;
}

std::string json(const Tree& t) {
  std::string s;
  treecore::appendJson(s, t, 1);
  return s;
}

// A program's output with each "x<TAB>y" line as the values it reads as,
// moved by `by`, and every integer written as its digits.
std::string movedOutput(const std::string& text, double by) {
  std::istringstream in(text);
  std::string line, out;
  while (std::getline(in, line)) {
    size_t tab = line.find('\t');
    if (line.empty() || line[0] == '#' || tab == std::string::npos) {
      out += line + "\n";
      continue;
    }
    double x = std::strtod(line.substr(0, tab).c_str(), nullptr) + by;
    double y = std::strtod(line.substr(tab + 1).c_str(), nullptr) + by;
    out += std::to_string(static_cast<long long>(x)) + "\t" +
           std::to_string(static_cast<long long>(y)) + "\n";
  }
  return out;
}

const Form kForms[] = {Form::spanningTree, Form::unrefinedSteinerTree,
                       Form::steinerTree, Form::optimizedSteinerTree};

TEST(FramesTest, LibraryTreesAreTheTreesAtTheOriginMoved) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    netDesign::Design d = baseDesign(seed);
    auto at = treecore::Obstacles::fromCorners(d.rings);
    for (double by : kOffsets) {
      auto far = treecore::Obstacles::fromCorners(movedRings(d.rings, by));
      for (Form form : kForms) {
        for (bool every : {false, true}) {
          treecore::RouteOptions o;
          o.form = form;
          o.everyObstacle = every;
          for (const Net& n : d.nets) {
            Tree want = movedTree(treecore::routeNet(at, n, o), by);
            Tree got = treecore::routeNet(far, movedNet(n, by), o);
            ASSERT_EQ(json(got), json(want)) << "seed " << seed << " by " << by;
          }
        }
      }
    }
  }
}

TEST(FramesTest, ObstaclesNearAWideNetAreChosenExactly) {
  // Near 2^30 floats are 128 apart, so both obstacles round onto the
  // pins; only the one that meets their box exactly joins it.
  double b = 1073741824.0;
  auto obstacles = treecore::Obstacles(std::vector<treecore::Rect>{
      {b + 5, b + 10, b + 9, b + 20},    // right of both nets
      {b - 9, b + 10, b + 3, b + 20}});  // across the second net only
  Net net{{b + 4, b}, {b + 4, b + 30}};
  EXPECT_EQ(obstacles.near(net), std::vector<int>{});
  Net across{{b + 2, b}, {b + 2, b + 30}};
  EXPECT_EQ(obstacles.near(across), std::vector<int>{1});
  Tree t = treecore::routeNet(obstacles, across);
  EXPECT_EQ(t.status, treecore::Status::ok) << t.message;
  EXPECT_EQ(t.wireLength, 30 + 2 * 1);  // round the second obstacle's edge
}

TEST(FramesTest, ANetWiderThanItsFrameIsRefused) {
  Tree t = treecore::routeNet({}, {{0, 0}, {16777217, 5}});
  EXPECT_EQ(t.status, treecore::Status::badCoordinate);
  EXPECT_NE(t.message.find("spans 16777217 in x"), std::string::npos)
      << t.message;
  EXPECT_NE(t.message.find("at most 16777216"), std::string::npos);
  // As wide, but every coordinate a float: routed where it is.
  EXPECT_EQ(treecore::routeNet({}, {{0, 0}, {16777218, 5}}).status,
            treecore::Status::ok);
  // Wide, but the integer beyond 2^31 is refused as any inexact value.
  Tree big = treecore::routeNet({}, {{2147483649.0, 0}});
  EXPECT_EQ(big.status, treecore::Status::badCoordinate);
}

class FramesProgramTest : public ::testing::Test {
 protected:
  ProgramRun run;
};

// Coordinates as a design writes them: integers, all digits.
std::string pinDigits(const Net& n) {
  std::string s;
  for (const Point& p : n) {
    s += std::to_string(static_cast<long long>(p.x)) + " " +
         std::to_string(static_cast<long long>(p.y)) + " pin\n";
  }
  return s + "-1 -1 pin\n";
}

std::string ringDigits(const std::vector<Ring>& rings) {
  std::string s;
  for (const Ring& r : rings) {
    for (const Point& p : r) {
      s += std::to_string(static_cast<long long>(p.x)) + " " +
           std::to_string(static_cast<long long>(p.y)) + " corner\n";
    }
  }
  return s;
}

TEST_F(FramesProgramTest, SingleNetProgramsWriteTheTreeAtTheOriginMoved) {
  netDesign::Design d = baseDesign(3);
  const char* forms[][2] = {{OAMST_PATH, ""},
                            {ZORVANE_PATH, ""},
                            {ZORVANE_PATH, "--no-refine"},
                            {ZORVANE_PATH, "--optimize"},
                            {ZORVANE_PATH, "--optimize --effort 2 --bound"},
                            {OAMST_PATH, "--timing"},
                            {ZORVANE_PATH, "--timing --path-bound 0.1"}};
  for (double by : kOffsets) {
    for (const Net& n : d.nets) {
      run.write("p0.txt", pinDigits(n));
      run.write("o0.txt", ringDigits(d.rings));
      run.write("p.txt", pinDigits(movedNet(n, by)));
      run.write("o.txt", ringDigits(movedRings(d.rings, by)));
      for (auto& f : forms) {
        std::string opt = f[1];
        ASSERT_EQ(run.run(f[0], opt + " p0.txt o0.txt t0.txt"), 0) << run.err;
        std::string bound = run.err.substr(run.err.find(':') + 1);
        // The figures do not move with the net.
        std::string figures = run.out.substr(run.out.find('\n') + 1);
        ASSERT_EQ(run.run(f[0], opt + " p.txt o.txt t.txt"), 0) << run.err;
        EXPECT_EQ(run.err.substr(run.err.find(':') + 1), bound);
        EXPECT_EQ(run.out.substr(run.out.find('\n') + 1), figures);
        EXPECT_EQ(movedOutput(run.read("t.txt"), 0),
                  movedOutput(run.read("t0.txt"), by))
            << f[0] << " " << opt << " by " << by;
      }
    }
  }
}

TEST_F(FramesProgramTest, BatchWritesTheTreesAtTheOriginMoved) {
  netDesign::Design d = baseDesign(5);
  for (double by : kOffsets) {
    std::string nets0, nets;
    for (const Net& n : d.nets) {
      nets0 += pinDigits(n);
      nets += pinDigits(movedNet(n, by));
    }
    run.write("n0.txt", nets0);
    run.write("o0.txt", ringDigits(d.rings));
    run.write("n.txt", nets);
    run.write("o.txt", ringDigits(movedRings(d.rings, by)));
    for (const char* program : {OAMST_PATH, ZORVANE_PATH}) {
      int s0 = run.run(program, "--nets n0.txt o0.txt t0.txt");
      ASSERT_EQ(run.run(program, "--nets n.txt o.txt t.txt"), s0) << run.err;
      EXPECT_EQ(movedOutput(run.read("t.txt"), 0),
                movedOutput(run.read("t0.txt"), by));
    }
  }
}

TEST_F(FramesProgramTest, AWideTreeWritesItsIntegersAsDigits) {
  run.write("p.txt", "16777217 0 pin\n16777230 20 pin\n");
  run.write("o.txt", "");
  ASSERT_EQ(run.run(ZORVANE_PATH, "p.txt o.txt t.txt"), 0) << run.err;
  EXPECT_EQ(run.read("t.txt"), netDesign::banner(Form::steinerTree) +
                                   "16777217\t0\n16777230\t0\n\n"
                                   "16777230\t0\n16777230\t20\n\n");
}

TEST_F(FramesProgramTest, ANetWiderThanItsFrameIsRefusedWithStatusTwo) {
  run.write("p.txt", "0 0 pin\n16777217 3 pin\n");
  run.write("o.txt", "");
  EXPECT_EQ(run.run(ZORVANE_PATH, "p.txt o.txt t.txt"), 2);
  EXPECT_NE(run.err.find("spans 16777217 in x"), std::string::npos) << run.err;
  EXPECT_FALSE(run.exists("t.txt"));
  run.write("n.txt", "1 1 pin\n2 2 pin\n-1 -1 pin\n0 0 pin\n3 16777217 pin\n");
  EXPECT_EQ(run.run(OAMST_PATH, "--nets n.txt o.txt t.txt"), 2);
  EXPECT_NE(run.err.find("net 2: the net's grown box spans 16777217 in y"),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(run.exists("t.txt"));
  // A wide integer is read; a value past 2^31 is refused as before.
  run.write("p.txt", "2147483649 0 pin\n");
  EXPECT_EQ(run.run(ZORVANE_PATH, "p.txt o.txt t.txt"), 2);
  EXPECT_NE(run.err.find("cannot be held exactly"), std::string::npos)
      << run.err;
}

}  // namespace
