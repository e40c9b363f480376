#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>

#include "check/checkTree.h"
#include "geometry/segment.h"
#include "programRun.h"
#include "scene.h"
#include "support/formatCoord.h"

namespace {

std::string banner(const std::string& title) {
  std::string rule = "# " + std::string(title.size() - 4, '-') + " #\n";
  return rule + title + "\n" + rule;
}

const std::string kSmt =
    "#     This file contains the connections of the Steiner Minimal Tree     "
    "#";

void link(Vertex* a, Vertex* b) {
  a->mstNbrs.push_back(b);
  b->mstNbrs.push_back(a);
}

TEST(FormatCoordTest, WritesWhatTheStreamWritesWhereThatIsExact) {
  EXPECT_EQ(formatCoord(3), "3");
  EXPECT_EQ(formatCoord(0.5f), "0.5");
  EXPECT_EQ(formatCoord(2.25e7f), "2.25e+07");
  EXPECT_EQ(formatCoord(-1.5f), "-1.5");
  EXPECT_EQ(formatCoord(3e8f), "3e+08");
  EXPECT_EQ(formatCoord(1e-5f), "1e-05");
  EXPECT_EQ(formatCoord(999999), "999999");
  EXPECT_EQ(formatCoord(-0.0f), "-0");
  EXPECT_EQ(formatCoord(0.1f), "0.1");
}

// Six digits turned 1234567 into 1234570: the tree no longer met its pins.
TEST(FormatCoordTest, EveryFloatReadsBackExactly) {
  for (float v : {1234567.0f, 16777216.0f, 0.1f, 123456.7f, -7654321.0f,
                  3.14159274f, 1e-7f, 33554430.0f}) {
    SCOPED_TRACE(v);
    EXPECT_EQ(std::strtof(formatCoord(v).c_str(), nullptr), v);
  }
  EXPECT_EQ(formatCoord(1234567), "1234567");
  EXPECT_EQ(formatCoord(123456.7f), "123456.7");
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> d(-1e8f, 1e8f);
  for (int i = 0; i < 20000; ++i) {
    float v = d(rng) / static_cast<float>(1 << (i % 20));
    ASSERT_EQ(std::strtof(formatCoord(v).c_str(), nullptr), v) << v;
  }
}

// The float's exact value, from the C library's exact conversion, with its
// significant digits less the zeros that end them.
std::string exactDigits(float v, long& exponent) {
  char buf[200];
  std::snprintf(buf, sizeof buf, "%.120e", static_cast<double>(std::fabs(v)));
  std::string digits = std::string(1, buf[0]) + (buf + 2);
  size_t e = digits.find('e');
  exponent = std::strtol(digits.c_str() + e + 1, nullptr, 10);
  digits.resize(e);
  while (digits.size() > 1 && digits.back() == '0') {
    digits.pop_back();
  }
  return digits;
}

// 99992016 used to come back as 9.999202e+07 (99992020), another number
// that reads as the same float.
TEST(FormatCoordTest, WritesTheFloatsValueWhereNineDigitsHoldIt) {
  EXPECT_EQ(formatCoord(99992016.0f), "99992016");
  EXPECT_EQ(formatCoord(100000008.0f), "100000008");
  EXPECT_EQ(formatCoord(1000000064.0f), "1000000064");
  EXPECT_EQ(formatCoord(8589973504.0f), "8589973504");
  EXPECT_EQ(formatCoord(0.30000001f), "0.3");
  EXPECT_EQ(formatCoord(1e-45f), "1.4013e-45");
  EXPECT_EQ(formatCoord(3e10f), "3e+10");
  EXPECT_EQ(formatCoord(0.000244140625f), "0.000244140625");
  EXPECT_EQ(formatCoord(-1234567.125f), "-1234567.1");
  EXPECT_EQ(canonicalDouble(0.1f), 0.1);
  EXPECT_EQ(canonicalDouble(99992016.0f), 99992016.0);
  EXPECT_EQ(canonicalDouble(1e38f), 1e38);
}

// Every float, drawn over its bit patterns: exact where its value has at
// most nine significant digits or is an integer below 10^10; otherwise the
// fewest digits from six up that read back, and never exact.
TEST(FormatCoordTest, TheDecimalOfEveryFloatIsExactOrTheShortestReadBack) {
  std::mt19937 rng(31);
  for (int i = 0; i < 40000; ++i) {
    uint32_t bits = static_cast<uint32_t>(rng());
    // Half the draws among the floats near integers and short fractions.
    if (i % 2) {
      bits = (bits & 0x807fffffu) | ((100u + rng() % 60u) << 23);
      bits &= ~((1u << (rng() % 24)) - 1);
    }
    float v;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) {
      continue;
    }
    std::string text = formatCoord(v);
    SCOPED_TRACE(text);
    ASSERT_EQ(std::strtof(text.c_str(), nullptr), v);
    ASSERT_EQ(static_cast<float>(canonicalDouble(v)), v);
    ASSERT_EQ(canonicalDouble(v), std::strtod(text.c_str(), nullptr));
    long e = 0;
    std::string exact = exactDigits(v, e);
    bool integral = v == std::nearbyint(v) && std::fabs(v) < 1e10f;
    char buf[64];
    if (exact.size() <= 9 || integral) {
      int p = std::max<int>(6, static_cast<int>(exact.size()));
      std::snprintf(buf, sizeof buf, "%.*g", p, static_cast<double>(v));
      ASSERT_EQ(text, buf);
      continue;
    }
    int p = 6;
    for (;; ++p) {
      std::snprintf(buf, sizeof buf, "%.*g", p, static_cast<double>(v));
      if (std::strtof(buf, nullptr) == v) {
        break;
      }
    }
    ASSERT_EQ(text, buf);
  }
}

class ExportTest : public ::testing::Test {
 protected:
  std::string path(const char* name) { return run.path(name); }
  std::string read(const char* name) { return run.read(name); }
  ProgramRun run;
  Scene scene;
};

TEST_F(ExportTest, PinsInOrderWithoutEmptyLines) {
  scene.addPin(1, 2);
  scene.addPin(0.5f, 3e8f);
  scene.addRect(0, 0, 4, 2);
  Router& r = scene.router();
  ASSERT_TRUE(r.exportPins(path("p.txt").c_str()));
  EXPECT_EQ(read("p.txt"),
            banner("#     This file contains the positions of the Pins     #") +
                "1\t2\n0.5\t3e+08\n");
  r.vertices[0] = nullptr;
  ASSERT_TRUE(r.exportPins(path("p.txt").c_str()));
  EXPECT_EQ(read("p.txt"),
            banner("#     This file contains the positions of the Pins     #") +
                "0.5\t3e+08\n");
}

TEST_F(ExportTest, EachCornerWalksItsWholeRing) {
  scene.addRect(0, 0, 4, 2);
  ASSERT_TRUE(scene.router().exportObsts(path("o.txt").c_str()));
  std::string title =
      "#     This file contains the connections of the Obstacles     #";
  std::string first =
      "0\t0\n4\t0\n\n4\t0\n4\t2\n\n4\t2\n0\t2\n\n0\t2\n0\t0\n\n";
  std::string second =
      "4\t0\n4\t2\n\n4\t2\n0\t2\n\n0\t2\n0\t0\n\n0\t0\n4\t0\n\n";
  std::string text = read("o.txt");
  ASSERT_EQ(text.rfind(banner(title) + first + second, 0), 0u);
  EXPECT_EQ(text.size(), banner(title).size() + 4 * first.size());
}

TEST_F(ExportTest, SpanningTreeConnectionsAsLsFromTheLowerEnd) {
  Vertex* a = scene.addPin(0, 0);
  Vertex* b = scene.addPin(3, 2);
  Vertex* c = scene.addPin(2, 5);
  Vertex* d = scene.addPin(2, 1);
  link(a, b);
  link(c, d);
  a->mstNbrs.push_back(nullptr);
  const std::string body =
      "0\t0\n3\t0\n\n3\t0\n3\t2\n\n2\t1\n2\t1\n\n2\t1\n2\t5\n\n";
  ASSERT_TRUE(scene.router().exportMST(path("m.txt").c_str()));
  EXPECT_EQ(read("m.txt"),
            banner("#     This file contains the connections of the Minimal "
                   "Spanning Tree     #") +
                body);
  ASSERT_TRUE(scene.router().exportSMT(path("s.txt").c_str()));
  EXPECT_EQ(read("s.txt"), banner(kSmt) + body);
}

TEST_F(ExportTest, SpanningGraphFromBothEnds) {
  Vertex* a = scene.addPin(0, 0);
  Vertex* b = scene.addPin(1, 1);
  scene.router().connectSgEdge(a, b);
  ASSERT_TRUE(scene.router().exportSG(path("g.txt").c_str()));
  EXPECT_EQ(read("g.txt"),
            banner("#     This file contains the connections of the Spanning "
                   "Graph     #") +
                "0\t0\n1\t1\n\n1\t1\n0\t0\n\n");
}

TEST_F(ExportTest, PinTreeBlocksToEachPredecessor) {
  Vertex* p = scene.addPin(1, 1);
  Vertex* c = scene.addRect(2, 2, 4, 4)[0];
  p->pPinPred = p;
  c->pPinPred = p;
  ASSERT_TRUE(scene.router().exportPinTree(path("t.txt").c_str()));
  EXPECT_EQ(read("t.txt"),
            banner("#     This file contains the connections of the Pin Tree  "
                   "   #") +
                "1\t1\n1\t1\n\n2\t2\n1\t1\n\n");
}

TEST_F(ExportTest, SegmentsInListOrder) {
  Router& r = scene.router();
  r.segments.push_back(new Segment(0, 0, 3, 0));
  r.segments.push_back(new Segment(3, 0, 3, 2));
  ASSERT_TRUE(r.exportSMTSegs(path("s.txt").c_str()));
  EXPECT_EQ(read("s.txt"), banner(kSmt) + "0\t0\n3\t0\n\n3\t0\n3\t2\n\n");
}

TEST_F(ExportTest, BannersHaveTheirRuleLengths) {
  Router& r = scene.router();
  struct {
    bool (Router::*op)(const char*) const;
    size_t hyphens;
  } cases[] = {{&Router::exportPins, 52},    {&Router::exportObsts, 59},
               {&Router::exportSG, 64},      {&Router::exportMST, 71},
               {&Router::exportPinTree, 58}, {&Router::exportSMT, 70},
               {&Router::exportSMTSegs, 70}};
  for (const auto& c : cases) {
    ASSERT_TRUE((r.*c.op)(path("b.txt").c_str()));
    std::string text = read("b.txt");
    EXPECT_EQ(text.substr(0, c.hyphens + 5),
              "# " + std::string(c.hyphens, '-') + " #\n");
  }
}

TEST_F(ExportTest, UnwritableFileReportsFailureAndCreatesNothing) {
  EXPECT_FALSE(scene.router().exportMST(path("none/m.txt").c_str()));
  EXPECT_FALSE(run.exists("none"));
}

TEST_F(ExportTest, SevenDigitCoordinatesReachTheirPins) {
  Vertex* a = scene.addPin(1234567, 7654321);
  Vertex* b = scene.addPin(1234568, 7654322);
  link(a, b);
  ASSERT_TRUE(scene.router().exportMST(path("m.txt").c_str()));
  EXPECT_NE(read("m.txt").find("1234567\t7654321\n1234568\t7654321\n"),
            std::string::npos);
}

}  // namespace

namespace {

// The written segments read back as floats, and the pins they must reach.
TEST(ExactCoordinatesTest, SevenDigitTreeWrittenByZorvaneReachesEveryPin) {
  ProgramRun run;
  std::string pins;
  std::vector<Point> pts;
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> c(1000000, 9999999);
  while (pts.size() < 40) {
    float x = static_cast<float>(c(rng)), y = static_cast<float>(c(rng));
    if (1500000 <= x && x <= 2500000 && 1500000 <= y && y <= 2500000) {
      continue;  // none inside the obstacle, nor on its sides
    }
    pts.push_back({x, y});
    pins += formatCoord(x) + " " + formatCoord(y) + " pin\n";
  }
  run.write("pins.txt", pins);
  run.write("obst.txt",
            "1500000 1500000 corner 2500000 1500000 corner "
            "2500000 2500000 corner 1500000 2500000 corner\n");
  ASSERT_EQ(run.run(ZORVANE_PATH, "pins.txt obst.txt out.txt"), 0) << run.err;
  std::istringstream in(run.read("out.txt"));
  std::string line;
  std::vector<float> nums;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    std::istringstream ls(line);
    std::string a, b;
    ls >> a >> b;
    nums.push_back(std::strtof(a.c_str(), nullptr));
    nums.push_back(std::strtof(b.c_str(), nullptr));
  }
  ASSERT_EQ(nums.size() % 4, 0u);
  std::vector<Piece> pieces;
  for (size_t i = 0; i < nums.size(); i += 4) {
    pieces.push_back({nums[i], nums[i + 1], nums[i + 2], nums[i + 3]});
  }
  EXPECT_TRUE(
      checkTree(pts, {{1500000, 1500000, 2500000, 2500000}}, pieces).legal());
}

}  // namespace
