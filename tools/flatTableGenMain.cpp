// flatTableGen OUTPUT: writes the library's tables of potentially optimal
// obstacle-free trees (options/flatTableData.h) as C++ source.
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "tools/flatTables.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: flatTableGen OUTPUT\n");
    return 1;
  }
  int threads = static_cast<int>(std::thread::hardware_concurrency());
  flatTables::AllTrees all = flatTables::buildTables(flatTables::kTablePins,
                                                     threads < 1 ? 1 : threads);
  std::string text = flatTables::tableSource(all, flatTables::kFirstTablePins);
  std::string temp = std::string(argv[1]) + ".part";
  {
    std::ofstream out(temp, std::ios::binary);
    out << text;
    if (!out.flush()) {
      std::fprintf(stderr, "flatTableGen: cannot write %s\n", temp.c_str());
      return 3;
    }
  }
  if (std::rename(temp.c_str(), argv[1]) != 0) {
    std::fprintf(stderr, "flatTableGen: cannot write %s\n", argv[1]);
    std::remove(temp.c_str());
    return 3;
  }
  return 0;
}
