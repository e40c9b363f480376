#pragma once
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// Files under the test's temporary directory, named after the test and the
// process, so that two checkouts testing at once do not meet.
inline std::string tempPath(const std::string& name) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return ::testing::TempDir() + info->test_suite_name() + "." + info->name() +
         "." + std::to_string(getpid()) + "." + name;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string shellQuoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return q + "'";
}

// Runs a program with its output and errors caught in files.
inline ToolRun runTool(const std::string& program,
                       const std::vector<std::string>& args) {
  std::string out = tempPath("stdout"), err = tempPath("stderr");
  std::string cmd = shellQuoted(program);
  for (const std::string& a : args) {
    cmd += " " + shellQuoted(a);
  }
  cmd += " >" + shellQuoted(out) + " 2>" + shellQuoted(err) + " </dev/null";
  int raw = std::system(cmd.c_str());
  ToolRun r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = readFile(out);
  r.err = readFile(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return r;
}

// Whether a program of that name is on the PATH.
inline bool onPath(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}
