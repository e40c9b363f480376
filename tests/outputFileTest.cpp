#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "programRun.h"
#include "support/escapeBytes.h"
#include "support/outputFile.h"

namespace {

mode_t modeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st.st_mode;
}

bool write(const std::string& path, const std::string& text) {
  OutputFile out(path);
  out.write(text);
  return out.commit();
}

// Files may grow to one block at most while the test runs; a write past it
// fails with EFBIG instead of ending the process.
class SmallFileLimit {
 public:
  SmallFileLimit() {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old_;
    small.rlim_cur = 512;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~SmallFileLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_;
  sighandler_t oldHandler_;
};

TEST(OutputFileTest, ReplacesARegularFileKeepingItsPermissions) {
  ProgramRun run;
  run.write("out.txt", "old");
  chmod(run.path("out.txt").c_str(), 0640);
  ASSERT_TRUE(write(run.path("out.txt"), "new\n"));
  EXPECT_EQ(run.read("out.txt"), "new\n");
  EXPECT_EQ(modeOf(run.path("out.txt")) & 07777, 0640u);
  EXPECT_EQ(run.listing(), "out.txt\n") << "no temporary file is left";
}

TEST(OutputFileTest, ANewFileGetsTheUsualPermissions) {
  ProgramRun run;
  mode_t old = umask(027);
  bool ok = write(run.path("new.txt"), "x");
  umask(old);
  ASSERT_TRUE(ok);
  EXPECT_EQ(modeOf(run.path("new.txt")) & 07777, 0640u);
}

TEST(OutputFileTest, FollowsSymbolicLinksToTheirTarget) {
  ProgramRun run;
  run.write("target.txt", "old");
  ASSERT_EQ(symlink("target.txt", run.path("link").c_str()), 0);
  ASSERT_EQ(symlink("link", run.path("link2").c_str()), 0);
  ASSERT_TRUE(write(run.path("link2"), "new"));
  EXPECT_EQ(run.read("target.txt"), "new");
  struct stat st;
  ASSERT_EQ(lstat(run.path("link").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link itself stays";
  // A dangling link gets its target made.
  ASSERT_EQ(symlink("later.txt", run.path("dangling").c_str()), 0);
  ASSERT_TRUE(write(run.path("dangling"), "made"));
  EXPECT_EQ(run.read("later.txt"), "made");
}

// A failed write used to remove the file it was writing.
TEST(OutputFileTest, AFailedWriteLeavesTheOldFileAndNoTemporary) {
  ProgramRun run;
  run.write("out.txt", "old");
  std::string error;
  {
    SmallFileLimit limit;
    EXPECT_FALSE(
        writeOutputFile(run.path("out.txt"), std::string(4096, 'x'), error));
  }
  EXPECT_EQ(error, "cannot write " + run.path("out.txt") + ": " +
                       std::strerror(EFBIG));
  EXPECT_EQ(run.read("out.txt"), "old");
  EXPECT_EQ(run.listing(), "out.txt\n");
  EXPECT_FALSE(writeOutputFile(run.dir, "x", error)) << "a folder";
  EXPECT_NE(error.find(std::strerror(EISDIR)), std::string::npos) << error;
}

// Run as root with /dev/full as the output, the programs used to delete it.
TEST(OutputFileTest, WritesADeviceInPlaceAndNeverRemovesIt) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "making a device node needs root";
  }
  ProgramRun run;
  std::string full = run.path("full"), null = run.path("null");
  ASSERT_EQ(mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
  ASSERT_EQ(mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
  OutputFile out(full);
  out.write("tree");
  EXPECT_FALSE(out.commit());
  EXPECT_EQ(errno, ENOSPC);
  EXPECT_EQ(out.error(), "cannot write " + full + ": " + std::strerror(ENOSPC));
  EXPECT_TRUE(S_ISCHR(modeOf(full)));
  EXPECT_TRUE(write(null, "tree"));
  EXPECT_TRUE(S_ISCHR(modeOf(null)));
  EXPECT_EQ(run.listing(), "full\nnull\n");
}

// A path naming an open descriptor used to be replaced by a new file where
// the descriptor's file showed through the link, and refused for a pipe.
TEST(OutputFileTest, WritesAnOpenDescriptorThroughItAppendingWhereItAppends) {
  ProgramRun run;
  run.write("log.txt", "first\n");
  int fd = open(run.path("log.txt").c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(fd, 0);
  struct stat before;
  ASSERT_EQ(stat(run.path("log.txt").c_str(), &before), 0);
  std::string n = std::to_string(fd);
  ASSERT_EQ(symlink(("/proc/self/fd/" + n).c_str(), run.path("link").c_str()),
            0);
  for (const std::string& path : {"/dev/fd/" + n, run.path("link")}) {
    SCOPED_TRACE(path);
    OutputFile out(path);
    ASSERT_TRUE(out.opened()) << out.error();
    EXPECT_FALSE(out.onStandardOutput());
    out.write("tree\n");
    EXPECT_TRUE(out.commit()) << out.error();
  }
  EXPECT_GE(fcntl(fd, F_GETFL), 0) << "the descriptor stays open";
  close(fd);
  EXPECT_EQ(run.read("log.txt"), "first\ntree\ntree\n");
  struct stat after;
  ASSERT_EQ(stat(run.path("log.txt").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "written in place, not replaced";
  EXPECT_EQ(run.listing(), "link\nlog.txt\n");

  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  EXPECT_TRUE(write("/proc/self/fd/" + std::to_string(ends[1]), "piped"));
  close(ends[1]);
  char got[16] = {};
  EXPECT_EQ(read(ends[0], got, sizeof got), 5);
  EXPECT_STREQ(got, "piped");
  OutputFile readEnd("/dev/fd/" + std::to_string(ends[0]));
  EXPECT_FALSE(readEnd.opened());
  EXPECT_EQ(errno, EBADF);
  close(ends[0]);
}

TEST(EscapeBytesTest, ShowsOddBytesAsHexAndKeepsText) {
  EXPECT_EQ(escapeBytes(std::string("7\0garbage", 9)), "7\\x00garbage");
  EXPECT_EQ(escapeBytes("a\x1b[31mb\tc\x7f"), "a\\x1b[31mb\tc\\x7f");
  EXPECT_EQ(escapeBytes("\xef\xbb\xbf"
                        "0"),
            "\\xef\\xbb\\xbf0");
  EXPECT_EQ(escapeBytes("caf\xc3\xa9 \xe2\x80\x94"),
            "caf\xc3\xa9 \xe2\x80\x94");
  EXPECT_EQ(escapeBytes("\xc3(\xff\xc2\x85"), "\\xc3(\\xff\\xc2\\x85");
}

}  // namespace
