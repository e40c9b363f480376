#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "check/checkTree.h"
#include "tests/routedRun.h"
#include "tools/instance.h"

// Inputs where the quadrant sweeps alone would join pins through an
// obstacle: pins walled in by obstacles, and obstacles overlapping so that
// a corner of one lies inside another. The programs must write trees that
// avoid every interior, a forest with status 4 where no tree can.
namespace {

// A ring of four overlapping rectangles round the open hole (2, 4) x (2, 4);
// no seam between them leads out.
const char* const kRing =
    "0 0 corner\n6 0 corner\n6 2 corner\n0 2 corner\n"
    "0 4 corner\n6 4 corner\n6 6 corner\n0 6 corner\n"
    "0 1 corner\n2 1 corner\n2 5 corner\n0 5 corner\n"
    "4 1 corner\n6 1 corner\n6 5 corner\n4 5 corner\n";

class WalledInTest : public ::testing::Test {
 protected:
  Outcome route(const char* program,
                const std::string& pins,
                const std::string& obsts) {
    return routeFiles(run, program, pins, obsts);
  }

  ProgramRun run;
};

// The pin in the hole stays alone; the two outside are joined.
TEST_F(WalledInTest, LonePinInAHoleIsAPartOfItsOwn) {
  for (const char* program : {OAMST_PATH, ZORVANE_PATH}) {
    SCOPED_TRACE(program);
    Outcome o = route(program, "10 10 pin\n3 3 pin\n8 0 pin\n", kRing);
    EXPECT_EQ(o.status, 4);
    EXPECT_NE(o.err.find("warning"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("3 pins in 2 separate parts"), std::string::npos)
        << o.err;
    EXPECT_EQ(o.check.crossings, 0);
    EXPECT_EQ(o.check.pinParts, 2);
    EXPECT_EQ(o.check.pinsOffTree, 1);  // (3, 3): no piece can reach it
    EXPECT_EQ(o.check.wireLength, 12);
  }
}

// Two pins on the hole's sides are joined across it, apart from the rest.
TEST_F(WalledInTest, PinsInAHoleFormATreeOfTheirOwn) {
  for (const char* program : {OAMST_PATH, ZORVANE_PATH}) {
    SCOPED_TRACE(program);
    Outcome o = route(program, "10 10 pin\n2 3 pin\n8 0 pin\n4 3 pin\n", kRing);
    EXPECT_EQ(o.status, 4);
    EXPECT_NE(o.err.find("4 pins in 2 separate parts"), std::string::npos)
        << o.err;
    EXPECT_EQ(o.check.crossings, 0);
    EXPECT_EQ(o.check.pinParts, 2);
    EXPECT_EQ(o.check.pinsOffTree, 0);
    EXPECT_EQ(o.check.wireLength, 14);
  }
}

// Each rectangle holds a corner of the other; the sweeps used to join the
// pins straight through both.
TEST_F(WalledInTest, OverlappingObstaclesAreGoneRound) {
  const char* overlap =
      "0 0 corner\n6 0 corner\n6 4 corner\n0 4 corner\n"
      "4 2 corner\n10 2 corner\n10 8 corner\n4 8 corner\n";
  // A plus sign of two bars.
  const char* plus =
      "0 3 corner\n8 3 corner\n8 5 corner\n0 5 corner\n"
      "3 0 corner\n5 0 corner\n5 8 corner\n3 8 corner\n";
  for (const char* program : {OAMST_PATH, ZORVANE_PATH}) {
    SCOPED_TRACE(program);
    Outcome o = route(program, "2 6 pin\n8 0 pin\n", overlap);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(o.check.legal()) << formatReport(o.check);
    EXPECT_EQ(o.check.wireLength, 16);  // round the lower left of the first
    o = route(program, "1 1 pin\n7 7 pin\n", plus);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(o.check.legal()) << formatReport(o.check);
    EXPECT_EQ(o.check.wireLength, 16);  // round one arm
  }
}

}  // namespace
