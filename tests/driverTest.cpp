#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "programRun.h"

namespace {

const char* const kPins = "0 0 pin\n3 4 pin\n-1 -1 pin\n";
const char* const kObsts = "-1 -1 corner\n";

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    run.write("pins.txt", kPins);
    run.write("obst.txt", kObsts);
  }
  ProgramRun run;
};

TEST_F(DriverTest, WrongArgumentCountPrintsOwnUsage) {
  EXPECT_EQ(run.run(OAMST_PATH, "pins.txt obst.txt"), 1);
  EXPECT_EQ(run.out,
            "Usage: ./oamst PIN_POS_FILE RECT_OBSTS_FILE OUTPUT_FILE\n");
  EXPECT_EQ(run.run(ZORVANE_PATH, "pins.txt obst.txt out.txt extra"), 1);
  EXPECT_EQ(run.out,
            "Usage: ./zorvane PIN_POS_FILE RECT_OBSTS_FILE OUTPUT_FILE\n");
  EXPECT_FALSE(run.exists("out.txt"));
}

TEST_F(DriverTest, HelpPrintsUsageAndSucceeds) {
  for (const char* flag : {"-h", "--help"}) {
    EXPECT_EQ(run.run(ZORVANE_PATH, flag), 0);
    EXPECT_EQ(run.out.rfind("Usage: ./zorvane PIN_POS_FILE", 0), 0u);
  }
}

TEST_F(DriverTest, UnknownOptionIsAUsageError) {
  EXPECT_EQ(run.run(OAMST_PATH, "--frobnicate pins.txt obst.txt out.txt"), 1);
  EXPECT_NE(run.err.find("--frobnicate"), std::string::npos);
  EXPECT_FALSE(run.exists("out.txt"));
}

// An input file that cannot be opened used to read as empty, and succeed.
TEST_F(DriverTest, MissingInputIsNamedAndWritesNothing) {
  EXPECT_EQ(run.run(ZORVANE_PATH, "nope.txt obst.txt out.txt"), 2);
  EXPECT_NE(run.err.find("nope.txt"), std::string::npos) << run.err;
  EXPECT_FALSE(run.exists("out.txt"));
  EXPECT_EQ(run.run(OAMST_PATH, "pins.txt nope.txt out.txt"), 2);
  EXPECT_FALSE(run.exists("out.txt"));
}

TEST_F(DriverTest, BadRecordIsNamedAndWritesNothing) {
  run.write("bad.txt", "0 0 pin\n1 1 pin\n2 two pin\n");
  EXPECT_EQ(run.run(OAMST_PATH, "bad.txt obst.txt out.txt"), 2);
  EXPECT_NE(run.err.find("bad.txt: record 3, line 3"), std::string::npos)
      << run.err;
  EXPECT_FALSE(run.exists("out.txt"));
  run.write("badrect.txt", "0 0 corner 1 1 corner 0 1 corner 1 0 corner\n");
  EXPECT_EQ(run.run(ZORVANE_PATH, "pins.txt badrect.txt out.txt"), 2);
  EXPECT_NE(run.err.find("rectangle 1"), std::string::npos) << run.err;
  EXPECT_FALSE(run.exists("out.txt"));
}

// An output file that could not be created used to go unnoticed, status 0.
TEST_F(DriverTest, UnwritableOutputIsStatusThreeAfterTheTimeLine) {
  EXPECT_EQ(run.run(OAMST_PATH, "pins.txt obst.txt no/such/dir/out.txt"), 3);
  EXPECT_EQ(run.out.rfind("Execution Time = ", 0), 0u);
  EXPECT_NE(run.err.find("no/such/dir/out.txt"), std::string::npos) << run.err;
}

TEST_F(DriverTest, EmptyInputWritesTheBannerOnly) {
  run.write("none.txt", "-1 -1 pin\n");
  EXPECT_EQ(run.run(OAMST_PATH, "none.txt obst.txt out.txt"), 0);
  EXPECT_EQ(run.read("out.txt"),
            "# ------------------------------------------------------------"
            "----------- #\n"
            "#     This file contains the connections of the Minimal "
            "Spanning Tree     #\n"
            "# ------------------------------------------------------------"
            "----------- #\n");
  EXPECT_NE(run.out.find(" sec\n"), std::string::npos);
}

// A Steiner point at (5, 0) joins the three pins; each connection is drawn
// as an L from its lower end, horizontal leg first.
TEST_F(DriverTest, NoRefineWritesTheSteinerTreesConnections) {
  run.write("three.txt", "0 0 pin\n10 0 pin\n5 5 pin\n-1 -1 pin\n");
  EXPECT_EQ(run.run(ZORVANE_PATH, "--no-refine three.txt obst.txt out.txt"), 0);
  EXPECT_EQ(run.out.rfind("Execution Time = ", 0), 0u);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.read("out.txt"),
            "# ------------------------------------------------------------"
            "---------- #\n"
            "#     This file contains the connections of the Steiner "
            "Minimal Tree     #\n"
            "# ------------------------------------------------------------"
            "---------- #\n"
            "0\t0\n5\t0\n\n5\t0\n5\t0\n\n"
            "5\t0\n5\t0\n\n5\t0\n5\t5\n\n"
            "5\t0\n10\t0\n\n10\t0\n10\t0\n\n");
  EXPECT_EQ(run.run(OAMST_PATH, "--no-refine three.txt obst.txt out2.txt"), 1);
  EXPECT_FALSE(run.exists("out2.txt"));
}

TEST_F(DriverTest, OptionsEndAtDoubleDash) {
  run.write("-pins.txt", kPins);
  EXPECT_EQ(run.run(OAMST_PATH, "-- -pins.txt obst.txt out.txt"), 0);
  EXPECT_TRUE(run.exists("out.txt"));
}

// The stages run one by one under --stage-times: the same file must come
// out, with one line per stage, in pipeline order, on standard error.
TEST_F(DriverTest, StageTimesLeaveTheOutputAsItWas) {
  run.write("pins6.txt",
            "0 0 pin\n10 0 pin\n5 5 pin\n20 12 pin\n3 17 pin\n14 9 pin\n"
            "-1 -1 pin\n");
  run.write("obst1.txt",
            "6 1 corner\n9 1 corner\n9 4 corner\n6 4 corner\n-1 -1 corner\n");
  struct Case {
    const char* program;
    const char* flags;
    std::vector<std::string> stages;
  };
  const std::vector<std::string> sg = {"read",
                                       "connectObstEdges",
                                       "connectQuad1",
                                       "connectQuad2",
                                       "connectQuad3",
                                       "connectQuad4",
                                       "extendedDijkstraForPinForest",
                                       "extendedKruskal"};
  std::vector<std::string> mst = sg;
  mst.push_back("legalizeTree");
  std::vector<std::string> unrefined = sg;
  unrefined.insert(unrefined.end(),
                   {"gainComputation", "addSteinerPoints", "legalizeTree"});
  std::vector<std::string> smt = unrefined;
  smt.insert(smt.end(), {"rectilinearizeSMT", "rmRedundentVers", "moveSegments",
                         "cleanSegments"});
  const Case cases[] = {{OAMST_PATH, "", mst},
                        {ZORVANE_PATH, "--no-refine", unrefined},
                        {ZORVANE_PATH, "", smt}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.program) + " " + c.flags);
    std::string flags = std::string(c.flags) + " ";
    ASSERT_EQ(run.run(c.program, flags + "pins6.txt obst1.txt plain.txt"), 0);
    std::string plainOut = run.out;
    EXPECT_EQ(run.err, "");
    ASSERT_EQ(run.run(c.program,
                      flags + "--stage-times pins6.txt obst1.txt timed.txt"),
              0);
    EXPECT_EQ(run.read("timed.txt"), run.read("plain.txt"));
    EXPECT_EQ(run.out.rfind("Execution Time = ", 0), 0u);
    std::vector<std::string> want = c.stages;
    want.insert(want.end(), {"export", "free"});
    std::istringstream err(run.err);
    std::string word, name;
    std::vector<std::string> got;
    double seconds;
    long kib;
    while (err >> word >> name >> seconds >> kib) {
      EXPECT_EQ(word, "stage");
      EXPECT_GE(seconds, 0);
      EXPECT_GT(kib, 0);
      got.push_back(name);
    }
    EXPECT_EQ(got, want) << run.err;
  }
}

}  // namespace
