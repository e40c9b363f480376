#pragma once
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/tempTemplate.h"

// A scratch folder for one test, and the programs run in it with their
// standard output and error caught.
class ProgramRun {
 public:
  ProgramRun() {
    std::string tmpl = tempTemplate("treecore");
    dir = mkdtemp(tmpl.data());
  }
  ~ProgramRun() { std::system(("rm -rf '" + dir + "'").c_str()); }
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  std::string path(const std::string& name) const { return dir + "/" + name; }

  void write(const std::string& name, const std::string& text) const {
    std::ofstream(path(name)) << text;
  }

  std::string read(const std::string& name) const {
    return readPath(path(name));
  }

  static std::string readPath(const std::string& file) {
    std::ifstream in(file);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  // The folder's names, sorted, one a line, without the caught streams;
  // read in place, so that no listing file stands beside them.
  std::string listing() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
      std::string name = e.path().filename().string();
      if (name != "stdout.txt" && name != "stderr.txt") {
        names.push_back(name);
      }
    }
    std::sort(names.begin(), names.end());
    std::string out;
    for (const std::string& n : names) {
      out += n + "\n";
    }
    return out;
  }

  bool exists(const std::string& name) const {
    struct stat st;
    return stat(path(name).c_str(), &st) == 0;
  }

  // Runs program with args (a shell fragment, run inside the folder);
  // returns the exit status and leaves out and err.
  int run(const std::string& program, const std::string& args) {
    std::string cmd = "cd '" + dir + "' && '" + program + "' " + args +
                      " >stdout.txt 2>stderr.txt";
    int status = std::system(cmd.c_str());
    out = read("stdout.txt");
    err = read("stderr.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string dir;
  std::string out;
  std::string err;
};
