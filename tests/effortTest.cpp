#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "geometry/obstacleRects.h"
#include "geometry/segment.h"
#include "options/exactSteiner.h"
#include "options/lowerBound.h"
#include "router/router.h"
#include "tests/denseNet.h"
#include "tests/gridSteiner.h"
#include "tests/legalTree.h"
#include "tests/programRun.h"
#include "tests/scene.h"

namespace {

double lengthOf(const std::vector<Segment*>& segs) {
  double len = 0;
  for (const Segment* g : segs) {
    len += std::fabs(static_cast<double>(g->x2) - g->x1) +
           std::fabs(static_cast<double>(g->y2) - g->y1);
  }
  return len;
}

std::vector<Wire> wiresOf(const std::vector<Segment*>& segs) {
  std::vector<Wire> w;
  for (const Segment* g : segs) {
    w.push_back({g->x1, g->y1, g->x2, g->y2});
  }
  return w;
}

void randomNet(Scene& s, unsigned seed, int pins, int rects, int grid) {
  s.addRandomRects(rects, seed, grid, grid / 4);
  s.addRandomPins(pins, seed + 1000, grid);
}

// Levels 1 to top of one net: each legal, never longer than the one below,
// as many parts, the same wires when run again, and a bound, when asked,
// never above its tree.
void expectLevels(unsigned seed, int pins, int rects, int grid, int top = 3) {
  double below = std::numeric_limits<double>::infinity();
  int parts = -1;
  for (int effort = 1; effort <= top; ++effort) {
    SCOPED_TRACE(effort);
    Scene a, b;
    randomNet(a, seed, pins, rects, grid);
    randomNet(b, seed, pins, rects, grid);
    a.router().options.effort = effort;
    b.router().options.effort = effort;
    b.router().options.bound = true;
    a.router().formOptimizedSMT();
    b.router().formOptimizedSMT();
    expectLegalTree(a.router());
    double len = lengthOf(a.router().segments);
    EXPECT_LE(len, below);
    below = len;
    if (parts >= 0) {
      EXPECT_EQ(a.router().pinPartCount, parts);
    }
    parts = a.router().pinPartCount;
    // The bound changes nothing of the tree.
    std::vector<Wire> wa = wiresOf(a.router().segments);
    std::vector<Wire> wb = wiresOf(b.router().segments);
    ASSERT_EQ(wa.size(), wb.size());
    for (size_t i = 0; i < wa.size(); ++i) {
      EXPECT_TRUE(wa[i].x1 == wb[i].x1 && wa[i].y1 == wb[i].y1 &&
                  wa[i].x2 == wb[i].x2 && wa[i].y2 == wb[i].y2)
          << i;
    }
    EXPECT_LT(a.router().lowerBound, 0) << "not asked";
    if (parts == 1) {
      EXPECT_GE(b.router().lowerBound, 0);
      EXPECT_LE(b.router().lowerBound, len);
    }
  }
}

TEST(EffortTest, SmallNetsEveryLevelLegalAndNoLonger) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    expectLevels(seed, 10 + static_cast<int>(seed % 7),
                 1 + static_cast<int>(seed % 6), 40);
  }
}

TEST(EffortTest, LargerNetsEveryLevelLegalAndNoLonger) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    expectLevels(seed, 20 + static_cast<int>(seed) * 8,
                 static_cast<int>(seed % 4) * 10, 80);
  }
}

// Up to the first level whose search kicks nets with some obstacles too.
TEST(EffortTest, KickingLevelNoLonger) {
  expectLevels(2, 60, 12, 80, 5);
}

// Effort 1 on nets either side of 50 positions, where the local search
// runs before the windows or not at all: legal, and never longer than the
// default pipeline's tree of the same net, its start.
TEST(EffortTest, LevelOneNoLongerThanTheDefault) {
  for (unsigned seed = 1; seed <= 8; ++seed) {
    SCOPED_TRACE(seed);
    int pins = 40 + static_cast<int>(seed) * 3;
    int rects = 5 + static_cast<int>(seed % 3) * 10;
    Scene plain, opt;
    randomNet(plain, seed, pins, rects, 80);
    randomNet(opt, seed, pins, rects, 80);
    plain.router().formSMT();
    opt.router().options.effort = 1;
    opt.router().formOptimizedSMT();
    expectLegalTree(opt.router());
    EXPECT_EQ(opt.router().pinPartCount, plain.router().pinPartCount);
    EXPECT_LE(lengthOf(opt.router().segments),
              lengthOf(plain.router().segments));
  }
}

// The restarts from the mirrored nets (levels 3 to 5), among touching and
// overlapping obstacles given in both corner orders.
TEST(EffortTest, MirroredRestartsLegalAndNoLonger) {
  for (unsigned seed = 1; seed <= 3; ++seed) {
    SCOPED_TRACE(seed);
    expectLevels(seed, 24 + static_cast<int>(seed) * 6, 12, 60, 6);
  }
}

// No obstacle near: the breaks of 10 to 17 pins and the windows beyond.
TEST(EffortTest, ObstacleFreeNetsEveryLevelLegalAndNoLonger) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    expectLevels(seed, 11 + static_cast<int>(seed) * 4, 0, 60);
  }
}

// The bound against the shortest tree, found by the exact solver on small
// nets among touching and overlapping obstacles, and by the grid oracle.
TEST(LowerBoundTest, NeverAboveTheOptimum) {
  int tight = 0, solved = 0;
  for (unsigned seed = 1; seed <= 80; ++seed) {
    SCOPED_TRACE(seed);
    Scene s;
    randomNet(s, seed, 3 + static_cast<int>(seed % 6),
              static_cast<int>(seed % 7), 24);
    std::vector<RoutePoint> pins;
    float xlo = 0, ylo = 0, xhi = 24, yhi = 24;
    for (const Vertex* p : s.pins) {
      pins.push_back({p->x, p->y});
    }
    std::vector<ObstacleIndex::Rect> rects = collectObstacleRects(s.corners);
    for (const ObstacleIndex::Rect& o : rects) {
      xlo = std::min(xlo, o.xlo), ylo = std::min(ylo, o.ylo);
      xhi = std::max(xhi, o.xhi), yhi = std::max(yhi, o.yhi);
    }
    ObstacleIndex index(rects);
    ObstacleIndex::Rect box{xlo, ylo, xhi, yhi};
    WorkBudget all{std::numeric_limits<double>::infinity()};
    ExactTree best = solveExactTree(pins, index, box, all);
    if (best.status != ExactStatus::solved) {
      continue;  // walled apart
    }
    ++solved;
    std::vector<GridSteiner::Point> pts;
    for (const RoutePoint& p : pins) {
      pts.push_back({p.x, p.y});
    }
    GridSteiner g(pts, index, xlo, ylo, xhi, yhi);
    std::vector<GridSteiner::Piece> tree;
    double oracle = 0;
    ASSERT_TRUE(g.solve(tree, oracle));
    EXPECT_EQ(best.length, oracle);
    WorkBudget work{std::numeric_limits<double>::infinity()};
    double bound = steinerLowerBound(pins, index, box, work);
    EXPECT_LE(bound, best.length);
    tight += bound == best.length;
    // A spent budget leaves a bound no higher.
    WorkBudget none{0};
    EXPECT_LE(steinerLowerBound(pins, index, box, none), bound);
  }
  EXPECT_GT(solved, 60);
  EXPECT_GT(tight, solved / 4) << "the bound should often meet the optimum";
}

// Dense nets: small nets among many small touching and overlapping
// obstacles, in the box the program passes (the pins' box grown by every
// obstacle that meets it, so that others cross its sides), against the
// exact solver's shortest tree inside that box.
TEST(LowerBoundTest, DenseNetsNeverAboveTheOptimum) {
  int tight = 0, solved = 0;
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE(seed);
    DenseNet net = denseNet(40 + static_cast<int>(seed % 5) * 10,
                            4 + static_cast<int>(seed % 6), seed, 32);
    const std::vector<RoutePoint>& pins = net.pins;
    const ObstacleIndex& index = net.index;
    const ObstacleIndex::Rect& grown = net.box;
    WorkBudget all{std::numeric_limits<double>::infinity()};
    ExactTree best = solveExactTree(pins, index, grown, all);
    if (best.status != ExactStatus::solved) {
      continue;  // walled apart
    }
    ++solved;
    WorkBudget work{std::numeric_limits<double>::infinity()};
    double bound = steinerLowerBound(pins, index, grown, work);
    EXPECT_LE(bound, best.length);
    tight += bound == best.length;
  }
  EXPECT_GT(solved, 40);
  EXPECT_GT(tight, solved / 4) << "the bound should often meet the optimum";
}

// Two pins: the shortest path's length exactly, round an obstacle.
TEST(LowerBoundTest, TwoPinsRoundAnObstacleAreExact) {
  std::vector<RoutePoint> pins{{0, 5}, {10, 5}};
  ObstacleIndex index({{2, 0, 8, 9}});
  WorkBudget work{std::numeric_limits<double>::infinity()};
  EXPECT_EQ(steinerLowerBound(pins, index, {0, 0, 10, 9}, work), 18);
}

TEST(EffortProgramTest, OptionsChecked) {
  ProgramRun run;
  run.write("p.txt", "0 0 pin 10 0 pin 5 8 pin 12 12 pin\n");
  run.write("o.txt", "3 2 corner 7 2 corner 7 5 corner 3 5 corner\n");
  for (const char* bad :
       {"--effort 2 p.txt o.txt s.txt", "--bound p.txt o.txt s.txt",
        "--optimize --effort 0 p.txt o.txt s.txt",
        "--optimize --effort 1.5 p.txt o.txt s.txt",
        "--optimize --effort x p.txt o.txt s.txt"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(run.run(ZORVANE_PATH, bad), 1);
    EXPECT_FALSE(run.exists("s.txt"));
  }
  EXPECT_EQ(run.run(ZORVANE_PATH, "--optimize p.txt o.txt a.txt"), 0);
  EXPECT_EQ(run.run(ZORVANE_PATH, "--optimize --effort 1 p.txt o.txt b.txt"),
            0);
  EXPECT_TRUE(run.read("a.txt") == run.read("b.txt"));
  EXPECT_EQ(
      run.run(ZORVANE_PATH, "--optimize --effort 3 --bound p.txt o.txt c.txt"),
      0)
      << run.err;
  // Four pins are solved exactly: the bound is the tree's length.
  size_t at = run.err.find("lower bound ");
  ASSERT_NE(at, std::string::npos) << run.err;
  size_t comma = run.err.find(", tree ", at);
  size_t gap = run.err.find(", gap 0.000 %", comma);
  ASSERT_TRUE(comma != std::string::npos && gap != std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.substr(at + 12, comma - at - 12),
            run.err.substr(comma + 7, gap - comma - 7));
}

// Batch runs: the bound as JSON fields only when asked, the same bytes on
// one and three threads at a higher level.
TEST(EffortProgramTest, BatchBoundFieldsAndThreads) {
  ProgramRun run;
  std::string nets, obst;
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> at(0, 300);
  for (int net = 0; net < 8; ++net) {
    for (int p = 0; p < 6 + net * 4; ++p) {
      nets +=
          std::to_string(at(rng)) + " " + std::to_string(at(rng)) + " pin\n";
    }
    nets += "-1 -1 pin\n";
  }
  for (int o = 0; o < 30; ++o) {
    int x = at(rng), y = at(rng), w = 5 + at(rng) % 30, h = 5 + at(rng) % 30;
    obst += std::to_string(x) + " " + std::to_string(y) + " corner " +
            std::to_string(x + w) + " " + std::to_string(y) + " corner " +
            std::to_string(x + w) + " " + std::to_string(y + h) + " corner " +
            std::to_string(x) + " " + std::to_string(y + h) + " corner\n";
  }
  run.write("nets.txt", nets);
  run.write("obst.txt", obst);
  int status = run.run(ZORVANE_PATH,
                       "--optimize --format json --nets nets.txt obst.txt a");
  ASSERT_TRUE(status == 0 || status == 4) << run.err;
  EXPECT_EQ(run.read("a").find("lowerBound"), std::string::npos);
  std::string first;
  for (int threads : {1, 3}) {
    status = run.run(ZORVANE_PATH, "--optimize --effort 3 --bound --threads " +
                                       std::to_string(threads) +
                                       " --format json --nets nets.txt "
                                       "obst.txt out.txt");
    ASSERT_TRUE(status == 0 || status == 4) << run.err;
    EXPECT_NE(run.err.find("lower bound"), std::string::npos);
    if (threads == 1) {
      first = run.read("out.txt");
    } else {
      EXPECT_TRUE(run.read("out.txt") == first);
    }
  }
  // Every net that made a tree has its bound; a refused one has none.
  auto count = [&first](const std::string& what) {
    size_t n = 0;
    for (size_t at = first.find(what); at != std::string::npos;
         at = first.find(what, at + 1)) {
      ++n;
    }
    return n;
  };
  EXPECT_GT(count("\"status\":\"ok\""), 3u);
  EXPECT_EQ(count("\"lowerBound\":"),
            count("\"status\":\"ok\"") + count("\"status\":\"forest\""));
  EXPECT_NE(first.find("\"gap\":"), std::string::npos);
}

}  // namespace
