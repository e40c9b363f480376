#include <gtest/gtest.h>

#include <string>

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

}  // namespace
