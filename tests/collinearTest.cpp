#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "check/checkTree.h"
#include "geometry/vertex.h"
#include "router/router.h"
#include "support/formatCoord.h"
#include "tests/netDesign.h"
#include "tests/programRun.h"
#include "treecore/route.h"

// Pins on one line far from the origin with fractional coordinates along
// it: the keys x + y of the sweeps round there, and sums of coordinates
// land between the floats the input holds.

namespace {

using treecore::Status;
using treecore::Tree;

// The forms by number, the spanning tree first, the optimized one last.
constexpr int kForms = 4;

// The points of a plain tree file, read back as the floats they stand for.
std::vector<std::pair<float, float>> pointsOf(const std::string& text) {
  std::vector<std::pair<float, float>> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    char* end = nullptr;
    double x = std::strtod(line.c_str(), &end);
    double y = std::strtod(end, nullptr);
    out.emplace_back(static_cast<float>(x), static_cast<float>(y));
  }
  return out;
}

// Whichever program or mode: one tree, written as such, every point at the
// pins' x and at one of their y.
TEST(CollinearTest, ThreePinsAtLargeXAreOneTreeInEveryProgram) {
  ProgramRun run;
  run.write("p", "4000000 0.125 pin\n4000000 0 pin\n4000000 0.01 pin\n");
  run.write("none.obst", "-1 -1 corner\n");
  const std::set<float> ys = {0.125f, 0.0f, 0.01f};
  const std::pair<const char*, const char*> runs[] = {
      {OAMST_PATH, "p none.obst -"},
      {ZORVANE_PATH, "--no-refine p none.obst -"},
      {ZORVANE_PATH, "p none.obst -"},
      {OAMST_PATH, "--nets p none.obst -"},
      {ZORVANE_PATH, "--no-refine --nets p none.obst -"},
      {ZORVANE_PATH, "--nets p none.obst -"},
  };
  for (const auto& [program, args] : runs) {
    SCOPED_TRACE(std::string(program) + " " + args);
    EXPECT_EQ(run.run(program, args), 0) << run.err;
    EXPECT_EQ(run.err.find("parts"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("# status"), std::string::npos);
    std::vector<std::pair<float, float>> points = pointsOf(run.out);
    EXPECT_FALSE(points.empty());
    for (const auto& [x, y] : points) {
      EXPECT_EQ(x, 4e6f);
      EXPECT_EQ(ys.count(y), 1u) << "y " << y;
    }
  }
}

// The value interface on four pins at x = 10^6: one tree, one root, and
// no point at a y that no pin has.
TEST(CollinearTest, FourPinsAtLargeXAreOneTreeOfTheirOwnPlaces) {
  const treecore::Net net = {{1e6, 0.01}, {1e6, 0}, {1e6, 3.75}, {1e6, 0.001}};
  const std::set<double> ys = {0.01, 0, 3.75, 0.001};
  for (int f = 0; f < kForms; ++f) {
    SCOPED_TRACE(f);
    treecore::RouteOptions o;
    o.form = static_cast<treecore::Form>(f);
    Tree t = treecore::routeNet(treecore::Obstacles(), net, o);
    EXPECT_EQ(t.status, Status::ok) << t.message;
    ASSERT_EQ(t.nodes.size(), 4u);
    EXPECT_EQ(t.nodes[0].parent, -1);
    for (size_t i = 1; i < t.nodes.size(); ++i) {
      EXPECT_GE(t.nodes[i].parent, 0) << "node " << i;
    }
    for (const treecore::Segment& s : t.segments) {
      EXPECT_TRUE(ys.count(s.a.y) && ys.count(s.b.y)) << s.a.y << " " << s.b.y;
    }
  }
}

// The sweeps meet places whose keys round alike in their true order.
TEST(CollinearTest, SweepOrderIsTheExactOrderOfTheSums) {
  std::vector<Vertex*> vs = {new Vertex(4e6f, 0.125f, "pin"),
                             new Vertex(4e6f, 0.0f, "pin"),
                             new Vertex(4e6f, 0.01f, "pin")};
  {
    Router r(vs);
    EXPECT_EQ(r.sortVerPointers("x+y"),
              (std::vector<Vertex*>{vs[1], vs[2], vs[0]}));
    EXPECT_EQ(r.sortVerPointers("-x-y"),
              (std::vector<Vertex*>{vs[0], vs[2], vs[1]}));
    EXPECT_EQ(r.sortVerPointers("x-y"),
              (std::vector<Vertex*>{vs[0], vs[2], vs[1]}));
  }
  for (Vertex* v : vs) {
    delete v;
  }
}

// A line of pins at x = X from 10^6 to 10^8 (some an ulp or two off it),
// with y from a few fractions; horizontal when turned, y and x swapped.
// With an obstacle, a thin one across the line that the tree must pass
// round; a pin that would lie inside moves onto its side.
struct LineNet {
  treecore::Net net;
  std::vector<treecore::Rect> rects;
};

LineNet lineNet(std::mt19937_64& rng, bool turned, bool obstacle) {
  const float inf = std::numeric_limits<float>::infinity();
  std::uniform_real_distribution<double> exponent(6, 8);
  const float x = std::floor(static_cast<float>(std::pow(10.0, exponent(rng))));
  const float steps[] = {0.01f, 0.001f, 0.125f, 0.1f};
  const float ylo = 1.005f, yhi = 1.5f;
  LineNet l;
  int n = 3 + static_cast<int>(rng() % 6);
  for (int i = 0; i < n; ++i) {
    float px = x;
    for (int k = rng() % 4 == 0 ? 1 + static_cast<int>(rng() % 2) : 0; k > 0;
         --k) {
      px = std::nextafter(px, inf);
    }
    float py = static_cast<float>(rng() % 400) * steps[rng() % 4];
    if (obstacle && px == x && ylo < py && py < yhi) {
      py = ylo;
    }
    // As a file would give them: the decimals that stand for the floats.
    l.net.push_back({canonicalDouble(px), canonicalDouble(py)});
  }
  if (obstacle) {
    l.rects.push_back(
        {canonicalDouble(std::nextafter(x, -inf)), canonicalDouble(ylo),
         canonicalDouble(std::nextafter(x, inf)), canonicalDouble(yhi)});
  }
  if (turned) {
    for (treecore::Point& p : l.net) {
      std::swap(p.x, p.y);
    }
    for (treecore::Rect& r : l.rects) {
      r = {r.ylo, r.xlo, r.yhi, r.xhi};
    }
  }
  return l;
}

// In every form: the status, the part count and the roots of the nodes as
// the checker finds the parts of the drawing, and every point of the
// drawing, the nodes and the edges at an x and a y that the input holds.
TEST(CollinearTest, LinesAtLargeCoordinatesAreTreesOfInputPlaces) {
  std::mt19937_64 rng(31);
  for (int k = 0; k < 240; ++k) {
    bool turned = k % 2, obstacle = k % 4 >= 2;
    LineNet l = lineNet(rng, turned, obstacle);
    treecore::Obstacles obs(l.rects);
    std::set<double> xs, ys;
    for (const treecore::Point& p : l.net) {
      xs.insert(p.x);
      ys.insert(p.y);
    }
    for (const treecore::Rect& r : l.rects) {
      xs.insert({r.xlo, r.xhi});
      ys.insert({r.ylo, r.yhi});
    }
    auto placed = [&](treecore::Point p) {
      return xs.count(p.x) && ys.count(p.y);
    };
    for (int f = 0; f < kForms; ++f) {
      SCOPED_TRACE("net " + std::to_string(k) + " form " + std::to_string(f));
      treecore::RouteOptions o;
      o.form = static_cast<treecore::Form>(f);
      o.exactGraph = k % 3 == 0;
      Tree t = treecore::routeNet(obs, l.net, o);
      ASSERT_NE(t.status, Status::pinInsideObstacle) << t.message;
      TreeCheck c = netDesign::checkOf(t, l.net, obs);
      EXPECT_EQ(t.status == Status::ok, c.pinParts == 1) << t.message;
      EXPECT_EQ(t.parts, c.pinParts);
      EXPECT_EQ(c.pinsOffTree, 0);
      EXPECT_EQ(c.crossings, 0);
      int roots = 0;
      for (const treecore::Node& n : t.nodes) {
        roots += n.parent < 0;
        EXPECT_TRUE(placed(n.at)) << n.at.x << " " << n.at.y;
      }
      EXPECT_EQ(roots, t.parts);
      for (const treecore::Segment& s : t.segments) {
        EXPECT_TRUE(placed(s.a) && placed(s.b))
            << s.a.x << " " << s.a.y << " " << s.b.x << " " << s.b.y;
      }
      for (const treecore::Edge& e : t.edges) {
        for (const treecore::Point& p : e.path) {
          EXPECT_TRUE(placed(p)) << p.x << " " << p.y;
        }
      }
    }
  }
}

}  // namespace
