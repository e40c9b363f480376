#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "check/checkTree.h"
#include "tests/legalTree.h"
#include "tests/routedRun.h"
#include "tests/scene.h"
#include "tools/instance.h"

// Inputs at the edges of what the programs accept, each with the result they
// are held to: through both programs, and through the Router where the
// result is clearer there.
namespace {

const char* const kSquare = "0 0 corner\n4 0 corner\n4 4 corner\n0 4 corner\n";

class DegenerateInputTest : public ::testing::Test {
 protected:
  Outcome route(const char* program,
                const std::string& pins,
                const std::string& obsts) {
    return routeFiles(run, program, pins, obsts);
  }

  // Both programs succeed silently with a legal tree of the given union
  // length.
  void expectLegal(const std::string& pins,
                   const std::string& obsts,
                   double wireLength) {
    for (const char* program : {OAMST_PATH, ZORVANE_PATH}) {
      SCOPED_TRACE(program);
      Outcome o = route(program, pins, obsts);
      EXPECT_EQ(o.status, 0);
      EXPECT_EQ(o.err, "");
      EXPECT_TRUE(o.check.legal()) << formatReport(o.check);
      EXPECT_EQ(o.check.wireLength, wireLength);
    }
  }

  // Both programs succeed silently and write the banner alone.
  void expectNoPieces(const std::string& pins, const std::string& obsts) {
    for (const char* program : {OAMST_PATH, ZORVANE_PATH}) {
      SCOPED_TRACE(program);
      Outcome o = route(program, pins, obsts);
      EXPECT_EQ(o.status, 0);
      EXPECT_EQ(o.err, "");
      ASSERT_TRUE(o.written);
      EXPECT_TRUE(o.pieces.empty());
      std::string text = run.read("out.txt");
      std::istringstream lines(text);
      int banner = 0;
      for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(line.rfind("# ", 0), 0u) << line;
        ++banner;
      }
      EXPECT_EQ(banner, 3);
    }
  }

  ProgramRun run;
};

TEST_F(DegenerateInputTest, NoPinsWriteTheBannerAlone) {
  expectNoPieces("", "");
  expectNoPieces("-1 -1 pin\n", "-1 -1 corner\n");
  Scene scene;
  scene.router().formSMT();
  expectLegalTree(scene.router());
  EXPECT_TRUE(scene.router().sgEdges.empty());
  EXPECT_TRUE(scene.router().segments.empty());
  EXPECT_EQ(scene.router().pinPartCount, 0);
}

TEST_F(DegenerateInputTest, ObstaclesOnlyWriteTheBannerAlone) {
  expectNoPieces("-1 -1 pin\n", std::string(kSquare) +
                                    "6 0 corner\n6 4 corner\n9 4 corner\n"
                                    "9 0 corner\n");
  Scene scene;
  scene.addRect(0, 0, 4, 4);
  scene.addRect(6, 0, 9, 4, true);
  scene.router().formSMT();
  expectLegalTree(scene.router());
  EXPECT_GE(scene.router().sgEdges.size(), 8u);  // at least the sides
  EXPECT_TRUE(scene.router().mstEdges.empty());
  EXPECT_TRUE(scene.router().segments.empty());
  EXPECT_EQ(scene.router().pinPartCount, 0);
}

// One pin is a tree already: nothing to draw, and one part.
TEST_F(DegenerateInputTest, OnePinIsATreeWithoutPieces) {
  expectNoPieces("3 5 pin\n", "");
  expectNoPieces("0 0 pin\n", kSquare);  // on a corner
  Scene scene;
  scene.addPin(3, 5);
  scene.addRect(0, 0, 2, 2);
  scene.router().formSMT();
  expectLegalTree(scene.router());
  EXPECT_TRUE(scene.router().mstEdges.empty());
  EXPECT_EQ(scene.router().pinPartCount, 1);
}

// Pins at one point are joined by connections of length zero, which are
// not drawn: the tree is that point.
TEST_F(DegenerateInputTest, PinsAtOnePointAreOnePartWithoutPieces) {
  expectNoPieces("2 6 pin\n2 6 pin\n2 6 pin\n2 6 pin\n", kSquare);
  Scene scene;
  for (int i = 0; i < 4; ++i) {
    scene.addPin(4, 4);  // on a corner
  }
  scene.addRect(0, 0, 4, 4);
  scene.router().formSMT();
  expectLegalTree(scene.router());
  EXPECT_EQ(scene.router().mstEdges.size(), 3u);
  EXPECT_EQ(scene.router().pinPartCount, 1);
  for (const Edge* e : scene.router().mstEdges) {
    EXPECT_EQ(e->pStart->x, e->pEnd->x);
    EXPECT_EQ(e->pStart->y, e->pEnd->y);
  }
}

// A repeated pin adds a connection of length zero: the spanning tree keeps
// its length, and the Steiner tree stays legal (its length may differ, as
// the repeat changes the order in which candidates are met).
TEST_F(DegenerateInputTest, DuplicatePinsKeepTheSpanningTreesLength) {
  std::string base =
      "10 80 pin\n25 95 pin\n45 70 pin\n70 90 pin\n"
      "92 75 pin\n15 40 pin\n50 45 pin\n";
  std::string obsts = run.readPath(EXAMPLES_DIR "/obstacles.txt");
  Outcome alone = route(OAMST_PATH, base, obsts);
  ASSERT_EQ(alone.status, 0);
  for (std::string pins : {base + "10 80 pin\n", "45 70 pin\n" + base,
                           base + "50 45 pin\n50 45 pin\n"}) {
    SCOPED_TRACE(pins);
    Outcome o = route(OAMST_PATH, pins, obsts);
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err, "");
    EXPECT_TRUE(o.check.legal()) << formatReport(o.check);
    EXPECT_EQ(o.check.totalLength, alone.check.totalLength);
    Outcome s = route(ZORVANE_PATH, pins, obsts);
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.err, "");
    EXPECT_TRUE(s.check.legal()) << formatReport(s.check);
    EXPECT_LE(s.check.wireLength, o.check.totalLength);
  }
}

// Pins on one line: the tree is the stretch between the outermost two.
TEST_F(DegenerateInputTest, CollinearPinsMakeOneStraightStretch) {
  expectLegal("0 0 pin\n5 0 pin\n2 0 pin\n9 0 pin\n", "", 9);
  expectLegal("3 7 pin\n3 1 pin\n3 4 pin\n", "", 6);
  // Along an obstacle's side.
  expectLegal("1 4 pin\n3 4 pin\n0 4 pin\n4 4 pin\n", kSquare, 4);
  for (const char* program : {OAMST_PATH, ZORVANE_PATH}) {
    Outcome o = route(program, "0 0 pin\n5 0 pin\n2 0 pin\n9 0 pin\n", "");
    for (const Piece& p : o.pieces) {
      EXPECT_EQ(p.y1, 0);
      EXPECT_EQ(p.y2, 0);
    }
    EXPECT_EQ(o.check.totalLength, 9) << program;  // no overlaps
  }
}

// Sides and corners belong to no obstacle's interior: pins there are
// joined along them.
TEST_F(DegenerateInputTest, PinsOnSidesAndCornersAreJoinedAlongTheSides) {
  // The shortest way round the square leaves out its longest gap, 6.
  expectLegal("2 0 pin\n4 2 pin\n0 4 pin\n", kSquare, 10);
  expectLegal("0 0 pin\n4 4 pin\n", kSquare, 8);
  // Clockwise from the upper right, and a pin outside.
  expectLegal("2 4 pin\n4 1 pin\n6 6 pin\n",
              "4 4 corner\n4 0 corner\n0 0 corner\n0 4 corner\n", 9);
}

// The side two obstacles share is free: a tree may run along it.
TEST_F(DegenerateInputTest, TouchingObstaclesLeaveTheirSharedSideFree) {
  std::string twoSquares =
      std::string(kSquare) + "4 0 corner\n8 0 corner\n8 4 corner\n4 4 corner\n";
  expectLegal("4 -2 pin\n4 6 pin\n", twoSquares, 8);
  // Squares meeting at one corner: the only short way passes through it.
  std::string diagonal =
      std::string(kSquare) + "4 4 corner\n8 4 corner\n8 8 corner\n4 8 corner\n";
  expectLegal("3 5 pin\n5 3 pin\n", diagonal, 4);
  // A pin on the shared side is outside both.
  expectLegal("4 2 pin\n4 6 pin\n", twoSquares, 4);
  for (const char* program : {OAMST_PATH, ZORVANE_PATH}) {
    Outcome o = route(program, "4 -2 pin\n4 6 pin\n", twoSquares);
    for (const Piece& p : o.pieces) {
      EXPECT_EQ(p.x1, 4);
      EXPECT_EQ(p.x2, 4);
    }
  }
}

// Overlapping obstacles bar the union of their interiors.
TEST_F(DegenerateInputTest, OverlappingObstaclesAreGoneRoundAsOne) {
  // One inside the other: the outer decides.
  expectLegal("0 3 pin\n10 3 pin\n",
              "1 1 corner\n9 1 corner\n9 5 corner\n1 5 corner\n"
              "3 2 corner\n7 2 corner\n7 4 corner\n3 4 corner\n",
              14);
  // Each holds a corner of the other; the path to (5, 9) runs up the left
  // of the first and steps round the upper left of the second.
  expectLegal("0 0 pin\n10 10 pin\n5 9 pin\n",
              "1 1 corner\n6 1 corner\n6 6 corner\n1 6 corner\n"
              "4 4 corner\n9 4 corner\n9 8 corner\n4 8 corner\n",
              20);
}

// No obstacle-avoiding tree exists: the driver refuses the input before
// routing and names the pin and the obstacle, each by file, record and line.
TEST_F(DegenerateInputTest, PinStrictlyInsideAnObstacleIsRefused) {
  std::string pins = "9 9 pin\n\n0 4 pin\n  2 1 pin\n3 3 pin\n";
  std::string obsts =
      "10 10 corner 12 10 corner 12 12 corner 10 12 corner\n\n"
      "4 4 corner\n4 0 corner\n0 0 corner\n0 4 corner\n";
  for (const char* program : {OAMST_PATH, ZORVANE_PATH}) {
    SCOPED_TRACE(program);
    Outcome o = route(program, pins, obsts);
    EXPECT_EQ(o.status, 2);
    EXPECT_FALSE(o.written);
    std::string name = program == std::string(OAMST_PATH) ? "oamst" : "zorvane";
    EXPECT_EQ(o.err, name +
                         ": pins.txt: record 3, line 4: pin (2, 1) lies "
                         "strictly inside obst.txt: rectangle 2 (records 5 "
                         "to 8, line 3); no obstacle-avoiding tree exists\n");
    EXPECT_EQ(run.out, "");
  }
}

// A side of one obstacle may lie inside another: a pin there is inside.
TEST_F(DegenerateInputTest, PinOnASideInsideAnotherObstacleIsRefused) {
  Outcome o = route(ZORVANE_PATH, "4 2 pin\n0 9 pin\n",
                    std::string(kSquare) +
                        "3 1 corner\n8 1 corner\n8 3 corner\n3 3 corner\n");
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("pin (4, 2) lies strictly inside obst.txt: rectangle 2 "
                       "(records 5 to 8, line 5)"),
            std::string::npos)
      << o.err;
}

}  // namespace
