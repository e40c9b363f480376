#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <iostream>
#include <new>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "drivers/programMain.h"
#include "programRun.h"
#include "support/outputFile.h"
#include "toolRun.h"

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

// The usage line stays as it is on standard output; what is wrong goes to
// standard error.
TEST_F(DriverTest, UsageErrorSaysWhatIsWrong) {
  const char* const usage =
      "Usage: ./zorvane PIN_POS_FILE RECT_OBSTS_FILE OUTPUT_FILE\n";
  EXPECT_EQ(run.run(ZORVANE_PATH, "pins.txt obst.txt"), 1);
  EXPECT_EQ(run.out, usage);
  const std::string help = "Try 'zorvane --help' for more information.\n";
  EXPECT_EQ(run.err,
            "zorvane: pins.txt is not an STP file (its first line does not "
            "start with 33D32945); give a pin file and an obstacle file, or "
            "an STP file\n" +
                help);
  EXPECT_EQ(run.run(ZORVANE_PATH, "a b c d"), 1);
  EXPECT_EQ(run.out, usage);
  EXPECT_EQ(run.err,
            "zorvane: 4 files given; give PIN_POS_FILE RECT_OBSTS_FILE "
            "OUTPUT_FILE, or STP_FILE OUTPUT_FILE\n" +
                help);
  EXPECT_EQ(run.run(ZORVANE_PATH, "--exact-graph=yes pins.txt obst.txt o"), 1);
  EXPECT_EQ(run.err, "zorvane: --exact-graph takes no value\n" + help);
  EXPECT_EQ(run.run(ZORVANE_PATH, "- - out.txt"), 1);
  EXPECT_NE(run.err.find("standard input"), std::string::npos);
  EXPECT_FALSE(run.exists("out.txt"));
}

// A near miss names the option meant: one edit or a swap away (two for
// longer names), or the start of it; a far one gets no guess.
TEST_F(DriverTest, UnknownOptionGetsTheNearestOneSuggested) {
  const std::pair<const char*, const char*> cases[] = {
      {"--optimise", "--optimise; did you mean --optimize?"},
      {"--exatc-graph", "--exatc-graph; did you mean --exact-graph?"},
      {"--no-refine-please", "--no-refine-please; did you mean --no-refine?"},
      {"--stage", "--stage; did you mean --stage-times?"},
      {"-nets", "-nets; did you mean --nets?"},
      {"--hlep", "--hlep; did you mean --help?"},
      {"--thread=2", "--thread; did you mean --threads?"},
      {"--frobnicate", "--frobnicate"},
      {"--fo", "--fo"}};
  for (const auto& [option, said] : cases) {
    SCOPED_TRACE(option);
    EXPECT_EQ(run.run(ZORVANE_PATH,
                      std::string(option) + " pins.txt obst.txt out.txt"),
              1);
    EXPECT_EQ(run.err, std::string("zorvane: unknown option ") + said +
                           "\nTry 'zorvane --help' for more information.\n");
    EXPECT_EQ(run.out,
              "Usage: ./zorvane PIN_POS_FILE RECT_OBSTS_FILE OUTPUT_FILE\n");
  }
  EXPECT_FALSE(run.exists("out.txt"));
}

// "--nets --exact-graph" used to read the flag as the nets file, and a
// second --nets replaced the first without a word. A flag twice is harmless.
TEST_F(DriverTest, OptionValuesAreNeitherOptionsNorGivenTwice) {
  const std::pair<const char*, const char*> cases[] = {
      {"--nets --exact-graph obst.txt out.txt",
       "--nets needs a file; --exact-graph is an option"},
      {"--nets pins.txt --threads --format=json obst.txt out.txt",
       "--threads needs a value (N); --format is an option"},
      {"--nets --help obst.txt out.txt",
       "--nets needs a file; --help is an option"},
      {"--nets pins.txt --nets pins.txt obst.txt out.txt",
       "--nets is given twice; give it once"},
      {"--nets=pins.txt --format plain --format=json obst.txt out.txt",
       "--format is given twice; give it once"},
      {"obst.txt out.txt --nets", "--nets needs a file"}};
  for (const auto& [args, said] : cases) {
    SCOPED_TRACE(args);
    EXPECT_EQ(run.run(ZORVANE_PATH, args), 1);
    EXPECT_EQ(run.err, std::string("zorvane: ") + said +
                           "\nTry 'zorvane --help' for more information.\n");
  }
  EXPECT_FALSE(run.exists("out.txt"));
  // A dash is a file, and so is a value after "=".
  EXPECT_EQ(run.run(OAMST_PATH, "--nets - obst.txt out.txt <pins.txt"), 0)
      << run.err;
  run.write("--odd", kPins);
  EXPECT_EQ(run.run(OAMST_PATH, "--nets=--odd obst.txt odd.txt"), 0) << run.err;
  EXPECT_EQ(run.read("odd.txt"), run.read("out.txt"));
  EXPECT_EQ(run.run(OAMST_PATH,
                    "--exact-graph --exact-graph pins.txt obst.txt out.txt"),
            0);
}

// "zorvane p o p" read its pins and then wrote its tree over them. An
// output that is an input, by any path, link or standard stream, is a
// usage error before anything is read or written.
TEST_F(DriverTest, OutputThatIsAnInputIsRefused) {
  ASSERT_EQ(symlink("pins.txt", run.path("link.txt").c_str()), 0);
  ASSERT_EQ(link(run.path("obst.txt").c_str(), run.path("hard.txt").c_str()),
            0);
  const std::pair<const char*, const char*> cases[] = {
      {"pins.txt obst.txt pins.txt",
       "pins.txt is named as an input and an output"},
      {"pins.txt obst.txt ./obst.txt",
       "obst.txt and ./obst.txt are one file, an input and an output"},
      {"pins.txt obst.txt link.txt",
       "pins.txt and link.txt are one file, an input and an output"},
      {"pins.txt obst.txt hard.txt",
       "obst.txt and hard.txt are one file, an input and an output"},
      {"- obst.txt pins.txt <pins.txt",
       "standard input (-) and pins.txt are one file, an input and an output"},
      {"--nets pins.txt obst.txt ../$(basename $PWD)/pins.txt",
       "pins.txt and ../"},
  };
  for (const auto& [args, said] : cases) {
    SCOPED_TRACE(args);
    EXPECT_EQ(run.run(ZORVANE_PATH, args), 1);
    EXPECT_EQ(run.err.rfind(std::string("zorvane: ") + said, 0), 0u) << run.err;
    EXPECT_NE(run.err.find("; write the output to another file\nTry"),
              std::string::npos);
    EXPECT_EQ(run.read("pins.txt"), kPins);
    EXPECT_EQ(run.read("obst.txt"), kObsts);
  }
  // Reading a pipe or a device loses nothing; nor does a missing input.
  EXPECT_EQ(run.run(OAMST_PATH, "pins.txt obst.txt /dev/null"), 0) << run.err;
  EXPECT_EQ(run.run(OAMST_PATH, "nope.txt obst.txt nope.txt"), 2);
}

TEST_F(DriverTest, VersionAndHelpListEveryOption) {
  EXPECT_EQ(run.run(OAMST_PATH, "--version"), 0);
  EXPECT_EQ(run.out, "oamst (treecore) " TREECORE_VERSION "\n");
  EXPECT_EQ(run.run(ZORVANE_PATH, "--help"), 0);
  for (const char* option : {"--no-refine", "--optimize", "--exact-graph",
                             "--stage-times", "--help", "--version"}) {
    EXPECT_NE(run.out.find(option), std::string::npos) << option;
  }
}

// "-" is standard input for an input file and standard output for the
// tree, which then has standard output to itself.
TEST_F(DriverTest, DashIsStandardInputOrOutput) {
  ASSERT_EQ(run.run(ZORVANE_PATH, "pins.txt obst.txt file.txt"), 0);
  EXPECT_EQ(run.run(ZORVANE_PATH, "- obst.txt - <pins.txt"), 0);
  EXPECT_EQ(run.out, run.read("file.txt"));
  EXPECT_EQ(run.err.rfind("Execution Time = ", 0), 0u);
  EXPECT_FALSE(run.exists("-"));
}

// 16777217 used to be read as 16777216, silently: the tree missed the pin.
// An integer is read now; a value past 2^24 that is none is refused.
TEST_F(DriverTest, CoordinateThatCannotBeHeldIsRefused) {
  run.write("big.txt", "0 0 pin\n16777217.5 0 pin\n-1 -1 pin\n");
  EXPECT_EQ(run.run(OAMST_PATH, "big.txt obst.txt out.txt"), 2);
  EXPECT_EQ(run.err,
            "oamst: big.txt: record 2, line 2: '16777217.5' (x coordinate) "
            "cannot be held exactly in single precision: it would become "
            "16777218\n");
  EXPECT_FALSE(run.exists("out.txt"));
}

// A byte-order mark used to read as part of the first number; a NUL ended
// a number where it stood.
TEST_F(DriverTest, ByteOrderMarkIsSkippedAndNulRefused) {
  run.write("bom.txt", std::string("\xef\xbb\xbf") + kPins);
  ASSERT_EQ(run.run(OAMST_PATH, "pins.txt obst.txt plain.txt"), 0);
  EXPECT_EQ(run.run(OAMST_PATH, "bom.txt obst.txt out.txt"), 0) << run.err;
  EXPECT_EQ(run.read("out.txt"), run.read("plain.txt"));
  run.write("nul.txt", std::string("0 0 pin\n7\0garbage 1 pin\n", 24));
  EXPECT_EQ(run.run(OAMST_PATH, "nul.txt obst.txt nul.out"), 2);
  EXPECT_EQ(run.err,
            "oamst: nul.txt: record 2, line 2: a NUL byte in '7\\x00garbage'; "
            "the file must be plain text\n");
  run.write("esc.txt", "0 0 pin\n1 \x1b[2J pin\n");
  EXPECT_EQ(run.run(OAMST_PATH, "esc.txt obst.txt esc.out"), 2);
  EXPECT_NE(run.err.find("'\\x1b[2J' is not a number"), std::string::npos)
      << run.err;
}

// An STP file with old Mac line ends (CR alone) used to read as one line:
// "no Coordinates section". CR, LF and CRLF now give the same tree, and
// messages count lines alike.
TEST_F(DriverTest, StpLineEndsMayBeCrLfOrCrlf) {
  const std::string stp =
      "33D32945 STP File\n\nSECTION Coordinates\nDD 1 0 0\nDD 2 6 4\n"
      "DD 3 9 0\nEND\n\nSECTION Obstacles\nRR 2 1 4 3\nEND\n\nEOF\n";
  run.write("lf.stp", stp);
  ASSERT_EQ(run.run(ZORVANE_PATH, "lf.stp lf.txt"), 0) << run.err;
  for (const char* end : {"\r", "\r\n"}) {
    SCOPED_TRACE(end == std::string("\r") ? "CR" : "CRLF");
    std::string text;
    for (char c : stp) {
      text += c == '\n' ? std::string(end) : std::string(1, c);
    }
    run.write("other.stp", text);
    ASSERT_EQ(run.run(ZORVANE_PATH, "other.stp other.txt"), 0) << run.err;
    EXPECT_EQ(run.read("other.txt"), run.read("lf.txt"));
    text.replace(text.find("DD 3 9 0"), 8, "DD 3 9");
    run.write("bad.stp", text);
    EXPECT_EQ(run.run(ZORVANE_PATH, "bad.stp bad.txt"), 2);
    EXPECT_EQ(run.err,
              "zorvane: bad.stp, line 6: expected 'DD INDEX X Y', a pin\n");
  }
}

// The published form of the RC instances gives the trees of their
// converted files, byte for byte.
TEST_F(DriverTest, StpFileGivesTheTreesOfTheConvertedFiles) {
  for (const char* rc : {"RC01", "RC06"}) {
    SCOPED_TRACE(rc);
    std::string stp = std::string(TESTDATA_DIR "/stp/") + rc + ".stp";
    std::string golden = std::string(GOLDEN_DIR "/expected/") + rc;
    ASSERT_EQ(run.run(ZORVANE_PATH, stp + " smt.txt"), 0) << run.err;
    EXPECT_EQ(run.read("smt.txt"), ProgramRun::readPath(golden + ".smt.txt"));
    ASSERT_EQ(run.run(OAMST_PATH, "--exact-graph " + stp + " mst.txt"), 0);
    EXPECT_EQ(run.read("mst.txt"),
              ProgramRun::readPath(golden + ".mstExact.txt"));
  }
  run.write("bad.stp",
            "33D32945 STP File, STP Format Version 1.0\n\nSECTION Graph\n"
            "Nodes 2\nEND\n\nSECTION Coordinates\nDD 1 0 0\nDD 2 5\n"
            "END\n\nEOF\n");
  EXPECT_EQ(run.run(ZORVANE_PATH, "bad.stp out.txt"), 2);
  EXPECT_EQ(run.err,
            "zorvane: bad.stp, line 9: expected 'DD INDEX X Y', a pin\n");
  EXPECT_EQ(run.run(ZORVANE_PATH, std::string(TESTDATA_DIR "/stp/RC01.stp") +
                                      " obst.txt out.txt"),
            2);
  EXPECT_NE(run.err.find("RC01.stp: record 1, line 1: the file is an STP file"),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(run.exists("out.txt"));
}

// Writing used to remove the output path on failure, whatever it was: run
// as root with /dev/full as the output, the programs deleted /dev/full.
TEST_F(DriverTest, FailedWriteLeavesWhatStoodAtThePath) {
  run.write("out.txt", "old");
  std::string many;
  for (int i = 0; i < 100; ++i) {
    many +=
        std::to_string(10 * i) + " " + std::to_string(37 * i % 1000) + " pin\n";
  }
  run.write("many.txt", many);
  // Files may grow to one block at most.
  EXPECT_EQ(run.run("sh", "-c \"trap '' XFSZ; ulimit -f 1; exec '" ZORVANE_PATH
                          "' many.txt obst.txt out.txt\""),
            3);
  EXPECT_NE(run.err.find("zorvane: cannot write out.txt: File too large"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.read("out.txt"), "old");
  EXPECT_EQ(run.listing(), "many.txt\nobst.txt\nout.txt\npins.txt\n");
  if (geteuid() != 0) {
    GTEST_SKIP() << "making a device node needs root";
  }
  ASSERT_EQ(run.run("mknod", "full c 1 7"), 0);
  EXPECT_EQ(run.run(OAMST_PATH, "pins.txt obst.txt full"), 3);
  EXPECT_NE(run.err.find("oamst: cannot write full: No space left on device"),
            std::string::npos)
      << run.err;
  struct stat st;
  ASSERT_EQ(stat(run.path("full").c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST_F(DriverTest, OutputThroughASymbolicLinkReachesItsTarget) {
  run.write("target.txt", "old");
  ASSERT_EQ(symlink("target.txt", run.path("link.txt").c_str()), 0);
  EXPECT_EQ(run.run(OAMST_PATH, "pins.txt obst.txt link.txt"), 0);
  EXPECT_EQ(run.read("target.txt").rfind("# ---", 0), 0u);
  struct stat st;
  ASSERT_EQ(lstat(run.path("link.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
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

// An output file that could not be created used to go unnoticed, status 0,
// and then to be found only after the whole computation.
TEST_F(DriverTest, UnwritableOutputIsStatusThreeBeforeAnyComputation) {
  EXPECT_EQ(run.run(OAMST_PATH, "pins.txt obst.txt no/such/dir/out.txt"), 3);
  EXPECT_EQ(run.out, "") << "no execution-time line: nothing was computed";
  EXPECT_EQ(run.err,
            "oamst: cannot write no/such/dir/out.txt: No such file or "
            "directory (creating a file in its folder)\n");
}

// A write-protected file used to be replaced, status 0, and a link loop to
// become a regular file; a shell's ">" refuses both.
TEST_F(DriverTest, OutputsAShellRefusesAreRefused) {
  ASSERT_EQ(symlink("loop2", run.path("loop1").c_str()), 0);
  ASSERT_EQ(symlink("loop1", run.path("loop2").c_str()), 0);
  EXPECT_EQ(run.run(ZORVANE_PATH, "pins.txt obst.txt loop1"), 3);
  EXPECT_EQ(run.err,
            "zorvane: cannot write loop1: Too many levels of symbolic links\n");
  struct stat st;
  ASSERT_EQ(lstat(run.path("loop1").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));

  // Root may write any file; the refusal is the user's.
  std::string user;
  if (geteuid() == 0) {
    if (!onPath("setpriv")) {
      GTEST_SKIP() << "setpriv, to run as another user, is not installed";
    }
    user = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    chmod(run.dir.c_str(), 0777);
  }
  run.write("ro.txt", "old");
  chmod(run.path("ro.txt").c_str(), 0444);
  EXPECT_EQ(run.run("sh", "-c \"" + user +
                              "'" ZORVANE_PATH "' pins.txt obst.txt ro.txt\""),
            3);
  EXPECT_EQ(run.err, "zorvane: cannot write ro.txt: Permission denied\n");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.read("ro.txt"), "old");
  EXPECT_EQ(run.listing(), "loop1\nloop2\nobst.txt\npins.txt\nro.txt\n");
}

// A path naming an open descriptor used to be replaced by a new file
// (">> app.txt" lost what app.txt held) or refused (a pipe), in both modes.
TEST_F(DriverTest, APathNamingAnOpenDescriptorIsWrittenThroughIt) {
  ASSERT_EQ(run.run(ZORVANE_PATH, "pins.txt obst.txt tree.txt"), 0);
  ASSERT_EQ(run.run(ZORVANE_PATH, "--nets pins.txt obst.txt nets.txt"), 0);
  run.write("app.txt", "first\n");
  run.write("go.sh",
            "z=$1\n"
            "$z pins.txt obst.txt /dev/stdout >>app.txt; echo $?\n"
            "$z pins.txt obst.txt /dev/stdout | cat >piped.txt; "
            "echo ${PIPESTATUS[0]}\n"
            "$z pins.txt obst.txt /dev/fd/3 3>fd3.txt >/dev/null; echo $?\n"
            "$z pins.txt obst.txt /proc/self/fd/1 >self.txt; echo $?\n"
            "{ $z pins.txt obst.txt >(cat) >/dev/null; echo $? >status; } "
            "| cat >subst.txt\n"
            "$z --nets pins.txt obst.txt /dev/stdout | cat >batch.txt; "
            "echo ${PIPESTATUS[0]}\n");
  ASSERT_EQ(run.run("bash", "go.sh '" ZORVANE_PATH "'"), 0);
  EXPECT_EQ(run.out, "0\n0\n0\n0\n0\n");
  EXPECT_EQ(run.read("status"), "0\n");
  std::string tree = run.read("tree.txt");
  EXPECT_EQ(run.read("app.txt"), "first\n" + tree);
  for (const char* name : {"piped.txt", "fd3.txt", "self.txt", "subst.txt"}) {
    EXPECT_EQ(run.read(name), tree) << name;
  }
  EXPECT_EQ(run.read("batch.txt"), run.read("nets.txt"));
}

// An exception that escaped a program's body used to abort it, leaving its
// temporary file.
TEST(RunMainTest, AnEscapingExceptionIsAStatusAndOneLine) {
  ProgramRun run;
  run.write("out.txt", "old");
  std::ostringstream err;
  std::streambuf* saved = std::cerr.rdbuf(err.rdbuf());
  int threads = runMain("zorvane", [&]() -> int {
    OutputFile out(run.path("out.txt"));
    out.write("half");
    throw std::system_error(EAGAIN, std::generic_category());
  });
  int reading = runMain("oamst", []() -> int {
    ReadingInput in;
    throw std::bad_alloc();
  });
  int after = runMain("oamst", []() -> int { throw std::bad_alloc(); });
  std::cerr.rdbuf(saved);
  EXPECT_EQ(threads, 3);
  EXPECT_EQ(reading, 2);
  EXPECT_EQ(after, 3) << "the reading is over";
  EXPECT_EQ(err.str(), "zorvane: out of threads or memory: " +
                           std::string(std::strerror(EAGAIN)) +
                           "\noamst: out of memory while reading the input\n"
                           "oamst: out of memory\n");
  EXPECT_EQ(run.read("out.txt"), "old");
  EXPECT_EQ(run.listing(), "out.txt\n");
}

// An interrupted run used to leave its temporary file beside the output.
TEST_F(DriverTest, ASignalRemovesTheTemporaryFileAndStillEndsTheRun) {
  // Enough pins to keep the computation going until the signal comes.
  std::string many;
  unsigned long seed = 7;
  for (int i = 0; i < 60000; ++i) {
    seed = seed * 6364136223846793005UL + 1442695040888963407UL;
    many += std::to_string(seed >> 47) + " " +
            std::to_string((seed >> 30) & 0x1ffff) + " pin\n";
  }
  run.write("many.txt", many + "-1 -1 pin\n");
  run.write("out.txt", "old");
  for (int sig : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(strsignal(sig));
    pid_t pid = fork();
    if (pid == 0) {
      // As a user's Ctrl-C or kill finds it, whatever this test inherited.
      signal(sig, SIG_DFL);
      // Not through stdio, whose buffer holds this test's own output.
      int null = open("/dev/null", O_WRONLY);
      if (chdir(run.dir.c_str()) != 0 || dup2(null, STDOUT_FILENO) < 0) {
        _exit(127);
      }
      execl(ZORVANE_PATH, "zorvane", "many.txt", "obst.txt", "out.txt",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    ASSERT_GT(pid, 0);
    bool writing = false;
    for (int k = 0; k < 30000 && !writing; ++k) {
      writing = run.listing().find(".out.txt.") != std::string::npos;
      usleep(writing ? 0 : 1000);
    }
    EXPECT_TRUE(writing) << "no temporary file seen";
    kill(pid, sig);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    EXPECT_EQ(run.read("out.txt"), "old");
    EXPECT_EQ(run.listing(), "many.txt\nobst.txt\nout.txt\npins.txt\n");
  }
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
