#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "drivers/batch.h"
#include "tests/netDesign.h"
#include "tests/programRun.h"
#include "tools/netsGen.h"
#include "treecore/route.h"
#include "treecore/treeText.h"

// Both programs with --nets, and treecheck --nets on what they write.
namespace {

using netDesign::Design;
using treecore::Form;
using treecore::Net;
using treecore::Obstacles;
using treecore::RouteOptions;

std::string netsText(const std::vector<Net>& nets) {
  std::string s;
  for (const Net& net : nets) {
    s += netDesign::pinText(net);
  }
  return s;
}

class BatchTest : public ::testing::Test {
 protected:
  void write(const Design& d) {
    run.write("nets.txt", netsText(d.nets));
    run.write("obst.txt", netDesign::obstacleText(d.rings));
  }

  // The batch file the value interface's trees make, plain or JSON.
  static std::string expected(const Design& d, Form form, bool json) {
    Obstacles obs = Obstacles::fromCorners(d.rings);
    RouteOptions o;
    o.form = form;
    std::string s = json ? "" : netDesign::banner(form);
    for (size_t i = 0; i < d.nets.size(); ++i) {
      treecore::Tree t = treecore::routeNet(obs, d.nets[i], o);
      if (json) {
        treecore::appendJson(s, t, static_cast<long>(i) + 1);
        s += "\n";
        continue;
      }
      s += "# net " + std::to_string(i + 1) + "\n";
      if (t.status != treecore::Status::ok) {
        s += "# status " + std::string(treecore::statusName(t.status)) + ": " +
             t.message + "\n";
      }
      treecore::appendBlocks(s, t);
    }
    return s;
  }

  ProgramRun run;
};

TEST_F(BatchTest, EachNetIsTheValueInterfacesTree) {
  Design d = netDesign::randomDesign(5, 40, 10, 15);
  write(d);
  struct Case {
    const char* program;
    const char* options;
    Form form;
  };
  const Case cases[] = {
      {OAMST_PATH, "", Form::spanningTree},
      {ZORVANE_PATH, "--no-refine ", Form::unrefinedSteinerTree},
      {ZORVANE_PATH, "", Form::steinerTree}};
  for (const Case& c : cases) {
    for (bool json : {false, true}) {
      SCOPED_TRACE(std::string(c.program) + " " + c.options +
                   (json ? "json" : "plain"));
      std::string format = json ? "--format=json " : "";
      int status = run.run(c.program, std::string(c.options) + format +
                                          "--nets nets.txt obst.txt out.txt");
      EXPECT_EQ(status, 0) << run.err;
      EXPECT_NE(run.out.find("Execution Time = "), std::string::npos);
      EXPECT_EQ(run.read("out.txt"), expected(d, c.form, json));
    }
  }
}

// Few obstacles and wide nets: where a net's grown box takes every
// obstacle, its blocks are the single-net program's.
TEST_F(BatchTest, NetsWhoseBoxTakesEveryObstacleAreTheSingleNetPrograms) {
  Design d = netDesign::randomDesign(9, 12, 2, 30);
  write(d);
  ASSERT_EQ(run.run(ZORVANE_PATH, "--nets nets.txt obst.txt out.txt"), 0)
      << run.err;
  std::string out = run.read("out.txt");
  Obstacles obs = Obstacles::fromCorners(d.rings);
  int compared = 0;
  for (size_t i = 0; i < d.nets.size(); ++i) {
    if (obs.near(d.nets[i]).size() != obs.size()) {
      continue;
    }
    SCOPED_TRACE("net " + std::to_string(i + 1));
    ++compared;
    run.write("pins.txt", netDesign::pinText(d.nets[i]));
    ASSERT_EQ(run.run(ZORVANE_PATH, "pins.txt obst.txt one.txt"), 0);
    std::string single = run.read("one.txt");
    std::string head = "# net " + std::to_string(i + 1) + "\n";
    size_t from = out.find(head) + head.size();
    size_t to = out.find("# net ", from);
    EXPECT_EQ(
        netDesign::banner(Form::steinerTree) + out.substr(from, to - from),
        single);
  }
  EXPECT_GE(compared, 6);
}

TEST_F(BatchTest, EveryThreadCountWritesTheSameBytes) {
  GenOptions o;
  o.obstacles = 40;
  o.seed = 3;
  o.xMax = o.yMax = netsBoxSide(400);
  NetsInstance design;
  std::string error;
  ASSERT_TRUE(generateNets(o, 400, design, error)) << error;
  run.write("nets.txt", formatNetsFile(design));
  run.write("obst.txt", formatObstacleFile(design.obstacles));
  for (const char* format : {"plain", "json"}) {
    for (const char* program : {OAMST_PATH, ZORVANE_PATH}) {
      SCOPED_TRACE(std::string(program) + " " + format);
      std::string first;
      // 0 is one thread per core.
      for (int threads : {1, 2, 4, 0}) {
        std::string args = "--format " + std::string(format) + " --threads " +
                           std::to_string(threads) +
                           " --nets nets.txt obst.txt out.txt";
        ASSERT_EQ(run.run(program, args), 0) << run.err;
        std::string out = run.read("out.txt");
        if (threads == 1) {
          first = out;
        } else {
          EXPECT_TRUE(out == first) << threads << " threads";
        }
      }
      EXPECT_GT(first.size(), 10000u);
    }
  }
}

// A ring of four overlapping rectangles round the hole (12, 14) x (12, 14),
// and a block at (30, 0)-(40, 10).
const char* const kObstacles =
    "10 10 corner\n16 10 corner\n16 12 corner\n10 12 corner\n"
    "10 14 corner\n16 14 corner\n16 16 corner\n10 16 corner\n"
    "10 11 corner\n12 11 corner\n12 15 corner\n10 15 corner\n"
    "14 11 corner\n16 11 corner\n16 15 corner\n14 15 corner\n"
    "30 0 corner\n40 0 corner\n40 10 corner\n30 10 corner\n"
    "-1 -1 corner\n";

TEST_F(BatchTest, FailingNetsGetAStatusAndTheOthersGoOn) {
  run.write("obst.txt", kObstacles);
  run.write("nets.txt",
            "0 0 pin\n5 5 pin\n-1 -1 pin\n"
            "0 0 pin\n35 5 pin\n-1 -1 pin\n"
            "20 20 pin\n13 13 pin\n0 20 pin\n-1 -1 pin\n"
            "-1 -1 pin\n"
            "50 0 pin\n50 9 pin\n");
  for (const char* program : {OAMST_PATH, ZORVANE_PATH}) {
    SCOPED_TRACE(program);
    EXPECT_EQ(run.run(program, "--nets nets.txt obst.txt out.txt"), 4);
    std::string out = run.read("out.txt");
    EXPECT_NE(out.find("# net 2\n# status pinInsideObstacle: pin 2 (35, 5) "
                       "lies strictly inside obstacle 5 (30, 0)-(40, 10); no "
                       "obstacle-avoiding tree exists\n# net 3\n# status "
                       "forest: obstacles keep the 3 pins in 2 separate "
                       "parts\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("# net 4\n# net 5\n50\t0\n"), std::string::npos) << out;
    EXPECT_NE(run.err.find("net 2: pin 2 (35, 5) lies strictly inside"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("warning: net 3: obstacles keep the 3 pins in 2 "
                           "separate parts; one tree per part written"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("1 of 5 nets refused"), std::string::npos);
  }
  run.write("nets.txt", "20 20 pin\n13 13 pin\n-1 -1 pin\n1 1 pin\n");
  EXPECT_EQ(run.run(ZORVANE_PATH, "--nets nets.txt obst.txt out.txt"), 4);
  EXPECT_NE(run.err.find("obstacles keep the pins of 1 of 2 nets apart"),
            std::string::npos)
      << run.err;
}

// The failing scene's nets and two more, so that every shard of three
// holds a net of another status.
const char* const kShardedNets =
    "0 0 pin\n5 5 pin\n-1 -1 pin\n"
    "0 0 pin\n35 5 pin\n-1 -1 pin\n"
    "20 20 pin\n13 13 pin\n0 20 pin\n-1 -1 pin\n"
    "-1 -1 pin\n"
    "50 0 pin\n50 9 pin\n-1 -1 pin\n"
    "1 20 pin\n8 25 pin\n-1 -1 pin\n"
    "45 3 pin\n45 20 pin\n20 2 pin\n";

TEST_F(BatchTest, JoinedShardsAreTheWholeRun) {
#ifndef JOINSHARDS_PATH
  GTEST_SKIP() << "no Python 3 interpreter was found to run the joiner";
#else
  run.write("obst.txt", kObstacles);
  run.write("nets.txt", kShardedNets);
  for (const char* program : {OAMST_PATH, ZORVANE_PATH}) {
    for (const char* format : {"plain", "json"}) {
      std::string options =
          std::string("--format ") + format + " --nets nets.txt obst.txt ";
      ASSERT_EQ(run.run(program, options + "whole.txt"), 4);
      // 9: more shards than nets, the last two without any.
      for (int n : {1, 2, 3, 9}) {
        SCOPED_TRACE(std::string(program) + " " + format + " " +
                     std::to_string(n) + " shards");
        std::string files;
        for (int k = 1; k <= n; ++k) {
          std::string shard =
              std::to_string(k) + "-" + std::to_string(n) + "." + format;
          run.run(program, "--shard " + std::to_string(k) + "/" +
                               std::to_string(n) + " " + options + shard);
          files += " " + shard;
        }
        ASSERT_EQ(run.run(PYTHON3_PATH,
                          JOINSHARDS_PATH " --output joined.txt" + files),
                  0)
            << run.err;
        EXPECT_TRUE(run.read("joined.txt") == run.read("whole.txt"));
      }
    }
  }
  // A shard missing, given twice or out of order writes nothing.
  for (const char* files :
       {"1-3.plain 2-3.plain", "1-3.plain 1-3.plain 3-3.plain",
        "2-3.plain 1-3.plain 3-3.plain", "1-3.plain 2-3.json 3-3.plain",
        "1-3.json 3-3.json 2-3.json"}) {
    SCOPED_TRACE(files);
    EXPECT_EQ(run.run(PYTHON3_PATH, std::string(JOINSHARDS_PATH) +
                                        " --output bad.txt " + files),
              2);
    EXPECT_NE(run.err.find("joinShards.py: "), std::string::npos);
    EXPECT_FALSE(run.exists("bad.txt"));
  }
#endif
}

// Net 2 is refused, net 3 a forest, the others trees.
TEST_F(BatchTest, AShardEndsAsAWholeRunOverItsNets) {
  run.write("obst.txt", kObstacles);
  run.write("nets.txt", kShardedNets);
  struct Case {
    const char* shard;
    int status;
    const char* said;
  };
  const Case cases[] = {
      {"1/3", 0, ""},
      {"2/3", 4, "net 2: pin 2 (35, 5) lies strictly inside"},
      {"3/3", 4, "warning: net 3: obstacles keep the 3 pins in 2"},
      {"2/2", 4, "1 of 3 nets refused"},
      {"7/7", 0, ""},
      {"9/9", 0, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shard);
    EXPECT_EQ(run.run(ZORVANE_PATH, std::string("--shard ") + c.shard +
                                        " --nets nets.txt obst.txt out.txt"),
              c.status);
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
  }
  EXPECT_EQ(run.read("out.txt"), netDesign::banner(Form::steinerTree))
      << "shard 9/9 holds no net of 7";
}

TEST_F(BatchTest, APinFileIsANetsFileOfOneNet) {
  std::string pins = EXAMPLES_DIR "/pins.txt",
              obst = EXAMPLES_DIR "/obstacles.txt";
  ASSERT_EQ(run.run(ZORVANE_PATH, pins + " " + obst + " one.txt"), 0);
  ASSERT_EQ(run.run(ZORVANE_PATH, "--nets " + pins + " " + obst + " out.txt"),
            0);
  std::string single = run.read("one.txt");
  std::string banner = netDesign::banner(Form::steinerTree);
  EXPECT_EQ(run.read("out.txt"),
            banner + "# net 1\n" + single.substr(banner.size()));
}

TEST_F(BatchTest, BadFilesStopAtOnceNamingFileRecordAndLine) {
  run.write("obst.txt", kObstacles);
  run.write("nets.txt", "0 0 pin\n5 5 pin\n-1 -1 pin\n3 x pin\n");
  EXPECT_EQ(run.run(ZORVANE_PATH, "--nets nets.txt obst.txt out.txt"), 2);
  EXPECT_EQ(run.err,
            "zorvane: nets.txt: record 4, line 4: 'x' is not a number (y "
            "coordinate)\n");
  EXPECT_FALSE(run.exists("out.txt"));
  run.write("nets.txt", "0 0 pin\n");
  run.write("obst.txt", "0 0 corner\n1 0 corner\n1 1 corner\n");
  EXPECT_EQ(run.run(OAMST_PATH, "--nets nets.txt obst.txt out.txt"), 2);
  EXPECT_NE(run.err.find("obst.txt: rectangle 1"), std::string::npos);
  EXPECT_FALSE(run.exists("out.txt"));
  EXPECT_EQ(run.run(OAMST_PATH, "--nets none.txt obst.txt out.txt"), 2);
}

TEST_F(BatchTest, UsageErrors) {
  run.write("obst.txt", kObstacles);
  run.write("nets.txt", "0 0 pin\n");
  const char* wrong[] = {"--threads 2 nets.txt obst.txt out.txt",
                         "--format json nets.txt obst.txt out.txt",
                         "--threads -1 --nets nets.txt obst.txt out.txt",
                         "--threads=two --nets nets.txt obst.txt out.txt",
                         "--format xml --nets nets.txt obst.txt out.txt",
                         "--nets nets.txt nets.txt obst.txt out.txt",
                         "--stage-times --nets nets.txt obst.txt out.txt",
                         "--nets - - out.txt < nets.txt",
                         "obst.txt out.txt --nets",
                         "--shard 1/2 nets.txt obst.txt out.txt",
                         "--shard 0/2 --nets nets.txt obst.txt out.txt",
                         "--shard 3/2 --nets nets.txt obst.txt out.txt",
                         "--shard 1/0 --nets nets.txt obst.txt out.txt",
                         "--shard 2 --nets nets.txt obst.txt out.txt",
                         "--shard 1/2/3 --nets nets.txt obst.txt out.txt"};
  for (const char* args : wrong) {
    SCOPED_TRACE(args);
    EXPECT_EQ(run.run(ZORVANE_PATH, args), 1);
    EXPECT_FALSE(run.exists("out.txt"));
  }
  EXPECT_EQ(run.run(ZORVANE_PATH, "--nets nets.txt nets.txt obst.txt out.txt"),
            1);
  EXPECT_EQ(run.err,
            "zorvane: 3 files given; give RECT_OBSTS_FILE OUTPUT_FILE with "
            "--nets\nTry 'zorvane --help' for more information.\n");
  EXPECT_EQ(run.out,
            "Usage: ./zorvane PIN_POS_FILE RECT_OBSTS_FILE OUTPUT_FILE\n");
  EXPECT_EQ(
      run.run(ZORVANE_PATH, "--nets=nets.txt --threads=3 obst.txt out.txt"), 0);
  EXPECT_EQ(run.run(ZORVANE_PATH, "--help"), 0);
  EXPECT_NE(run.out.find("--nets NETS_FILE RECT_OBSTS_FILE OUTPUT_FILE"),
            std::string::npos);
}

TEST_F(BatchTest, StandardStreamsStandForFiles) {
  run.write("obst.txt", kObstacles);
  run.write("nets.txt", "0 0 pin\n5 5 pin\n-1 -1 pin\n20 0 pin\n20 5 pin\n");
  ASSERT_EQ(run.run(ZORVANE_PATH, "--nets nets.txt obst.txt out.txt"), 0);
  std::string expected = run.read("out.txt");
  ASSERT_EQ(run.run(ZORVANE_PATH, "--nets - obst.txt - < nets.txt"), 0);
  EXPECT_EQ(run.out, expected);
  EXPECT_NE(run.err.find("Execution Time = "), std::string::npos);
  ASSERT_EQ(run.run(ZORVANE_PATH, "--nets nets.txt - out.txt < obst.txt"), 0);
  EXPECT_EQ(run.read("out.txt"), expected);
}

TEST_F(BatchTest, UnwritableOutputIsStatusThree) {
  run.write("obst.txt", kObstacles);
  run.write("nets.txt", "0 0 pin\n5 5 pin\n");
  EXPECT_EQ(run.run(ZORVANE_PATH, "--nets nets.txt obst.txt no/out.txt"), 3);
  EXPECT_NE(run.err.find("cannot write no/out.txt"), std::string::npos);
  EXPECT_EQ(run.out, "") << "found before any net is routed";
  if (run.exists("/dev/full")) {
    EXPECT_EQ(run.run(ZORVANE_PATH, "--nets nets.txt obst.txt /dev/full"), 3);
    // What stood at the path stays: here a link to the device.
    ASSERT_EQ(symlink("/dev/full", run.path("full.txt").c_str()), 0);
    EXPECT_EQ(run.run(ZORVANE_PATH, "--nets nets.txt obst.txt full.txt"), 3);
    EXPECT_NE(run.err.find("cannot write full.txt: No space left on device"),
              std::string::npos)
        << run.err;
    struct stat st;
    EXPECT_EQ(lstat(run.path("full.txt").c_str(), &st), 0);
  }
  // A bad input file leaves an earlier output as it was.
  run.write("out.txt", "earlier\n");
  run.write("nets.txt", "0 0 pin\n5 x pin\n");
  EXPECT_EQ(run.run(ZORVANE_PATH, "--nets nets.txt obst.txt out.txt"), 2);
  EXPECT_EQ(run.read("out.txt"), "earlier\n");
}

// Threads that could not start used to end the run in an uncaught
// exception, status 134, with its temporary file left beside the output.
TEST_F(BatchTest, AThreadShortageIsStatusThreeAndLeavesTheOutput) {
  const std::string limit =
      "ulimit -s 8192 && ulimit -v 8000000 && exec '" ZORVANE_PATH "' ";
  if (run.run("sh", "-c \"" + limit + "--version\"") != 0) {
    GTEST_SKIP() << "the build does not run under a limit on address space";
  }
  std::string nets;
  for (int i = 0; i < 1000; ++i) {
    nets += std::to_string(i) + " 0 pin\n" + std::to_string(i) +
            " 7 pin\n-1 -1 pin\n";
  }
  run.write("nets.txt", nets);
  run.write("obst.txt", kObstacles);
  run.write("out.txt", "old");
  EXPECT_EQ(run.run("sh", "-c \"" + limit +
                              "--threads 1000 --nets nets.txt obst.txt "
                              "out.txt\""),
            3);
  EXPECT_EQ(run.err.rfind("zorvane: out of threads or memory: ", 0), 0u)
      << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
  EXPECT_EQ(run.read("out.txt"), "old");
  EXPECT_EQ(run.listing(), "nets.txt\nobst.txt\nout.txt\n");
}

class TreecheckNetsTest : public BatchTest {
 protected:
  void SetUp() override {
    d = netDesign::randomDesign(21, 30, 8, 10);
    write(d);
    ASSERT_EQ(run.run(ZORVANE_PATH, "--nets nets.txt obst.txt out.txt"), 0);
    out = run.read("out.txt");
  }

  Design d;
  std::string out;
};

TEST_F(TreecheckNetsTest, EveryNetOfAWrittenFileIsLegal) {
  EXPECT_EQ(run.run(TREECHECK_PATH, "--nets nets.txt obst.txt out.txt"), 0)
      << run.err;
  EXPECT_NE(run.out.find("\nnets: 30\nlegal nets: 30\n"), std::string::npos);
  EXPECT_EQ(run.out.substr(0, 7), "net 1: ");
  EXPECT_EQ(run.run(TREECHECK_PATH, "--json --nets nets.txt obst.txt out.txt"),
            0);
  EXPECT_EQ(run.out.substr(0, 24), "{\"net\":1,\"status\":\"ok\",\"");
}

TEST_F(TreecheckNetsTest, AMissingBlockMakesItsNetIllegal) {
  // Net 2's first block goes.
  size_t at = out.find("# net 2\n") + 8;
  std::string cut = out;
  cut.erase(at, cut.find("\n\n", at) + 2 - at);
  run.write("cut.txt", cut);
  EXPECT_EQ(run.run(TREECHECK_PATH, "--nets nets.txt obst.txt cut.txt"), 4);
  EXPECT_NE(run.out.find("legal nets: 29\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("net 2: "), std::string::npos);
  EXPECT_NE(run.out.substr(run.out.find("net 2: ")).find("legal: no"),
            std::string::npos);
}

TEST_F(TreecheckNetsTest, AFileThatDoesNotMatchItsNetsIsRefused) {
  run.write("short.txt", out.substr(0, out.find("# net 30\n")));
  EXPECT_EQ(run.run(TREECHECK_PATH, "--nets nets.txt obst.txt short.txt"), 2);
  EXPECT_NE(run.err.find("holds 29 nets where nets.txt has 30"),
            std::string::npos)
      << run.err;
  std::string skipped = out;
  skipped.replace(skipped.find("# net 3\n"), 8, "# net 4\n");
  run.write("skip.txt", skipped);
  EXPECT_EQ(run.run(TREECHECK_PATH, "--nets nets.txt obst.txt skip.txt"), 2);
  EXPECT_NE(run.err.find("'# net 4' where '# net 3' was due"),
            std::string::npos)
      << run.err;
  // A bad point line is named by its line in the whole file.
  std::string bad = out;
  size_t at = bad.find("# net 5\n") + 8;
  long line =
      1 + static_cast<long>(std::count(bad.begin(), bad.begin() + at, '\n'));
  bad.insert(at, "1 2 3\n");
  run.write("bad.txt", bad);
  EXPECT_EQ(run.run(TREECHECK_PATH, "--nets nets.txt obst.txt bad.txt"), 2);
  EXPECT_NE(run.err.find("bad.txt, line " + std::to_string(line) + ": "),
            std::string::npos)
      << run.err;
}

}  // namespace

namespace {

// A figure of a treecheck --json report.
double figure(const std::string& report, const std::string& name) {
  size_t at = report.find("\"" + name + "\":");
  EXPECT_NE(at, std::string::npos) << report;
  return at == std::string::npos
             ? -1
             : std::strtod(report.c_str() + at + name.size() + 3, nullptr);
}

// 99992016 used to be written as 9.999202e+07 (99992020): a pin off the
// tree, two crossings, and a JSON wire length of 111 over coordinates whose
// tree is 58 long.
TEST(CoordinatesTest, EveryProgramWritesTheCoordinatesItRead) {
  ProgramRun run;
  run.write("p", "99992000 5 pin\n99992048 5 pin\n");
  run.write("o",
            "99992016 0 corner\n99992032 0 corner\n99992032 10 corner\n"
            "99992016 10 corner\n");
  for (const char* program : {OAMST_PATH, ZORVANE_PATH}) {
    for (const char* mode :
         {"", "--no-refine ", "--nets ", "--no-refine --nets "}) {
      if (program == std::string(OAMST_PATH) &&
          std::string(mode).find("no-refine") != std::string::npos) {
        continue;
      }
      SCOPED_TRACE(std::string(program) + " " + mode);
      ASSERT_EQ(run.run(program, std::string(mode) + "p o t"), 0) << run.err;
      std::string tree = run.read("t");
      EXPECT_NE(tree.find("99992016\t"), std::string::npos) << tree;
      EXPECT_EQ(tree.find("e+07\t0"), std::string::npos) << tree;
      ASSERT_EQ(run.run(TREECHECK_PATH, "--json p o t"), 0) << run.out;
      EXPECT_EQ(figure(run.out, "pinsOffTree"), 0);
      EXPECT_EQ(figure(run.out, "obstacleCrossings"), 0);
      EXPECT_EQ(figure(run.out, "wireLength"), 58);
    }
  }
  ASSERT_EQ(run.run(ZORVANE_PATH, "--format json --nets p o j"), 0);
  EXPECT_EQ(figure(run.read("j"), "wireLength"), 58);
  EXPECT_NE(run.read("j").find("[99992016,0]"), std::string::npos);
}

TEST(CoordinatesTest, TokensAFloatWouldWriteBackOtherwiseAreRefused) {
  ProgramRun run;
  run.write("o", "-1 -1 corner\n");
  const std::pair<const char*, const char*> cases[] = {
      {"0.30000001", "0.3"},
      {"1e-45", "1.4013e-45"},
      {"99992019.5", "99992016"}};
  for (const auto& [token, becomes] : cases) {
    run.write("p", std::string("0 0 pin\n") + token + " 1 pin\n");
    for (const char* mode : {"", "--nets "}) {
      SCOPED_TRACE(std::string(token) + " " + mode);
      EXPECT_EQ(run.run(ZORVANE_PATH, std::string(mode) + "p o t"), 2);
      EXPECT_NE(run.err.find("p: record 2, line 2: '" + std::string(token) +
                             "' (x coordinate) cannot be held exactly in "
                             "single precision: it would become " +
                             becomes + "\n"),
                std::string::npos)
          << run.err;
      EXPECT_FALSE(run.exists("t"));
    }
  }
}

}  // namespace
