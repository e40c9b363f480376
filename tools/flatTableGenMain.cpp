// flatTableGen [--moves] OUTPUT: writes the library's tables of potentially
// optimal obstacle-free trees (options/flatTableData.h) as C++ source; with
// --moves, the moves to the trees of nine pins instead (minutes of work:
// their source is kept in the tree as options/flatMoves.cpp).
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "tools/flatTables.h"

int main(int argc, char** argv) {
  bool moves = argc == 3 && std::string(argv[1]) == "--moves";
  if (argc != 2 && !moves) {
    std::fprintf(stderr, "usage: flatTableGen [--moves] OUTPUT\n");
    return 1;
  }
  const char* path = argv[argc - 1];
  int threads = static_cast<int>(std::thread::hardware_concurrency());
  threads = threads < 1 ? 1 : threads;
  std::string text;
  if (moves) {
    flatTables::AllTrees all =
        flatTables::buildTables(flatTables::kTablePins, threads, false);
    text = flatTables::movesSource(all, flatTables::kTablePins + 1, threads);
  } else {
    flatTables::AllTrees all =
        flatTables::buildTables(flatTables::kTablePins, threads);
    text = flatTables::tableSource(all, flatTables::kFirstTablePins);
  }
  std::string temp = std::string(path) + ".part";
  {
    std::ofstream out(temp, std::ios::binary);
    out << text;
    if (!out.flush()) {
      std::fprintf(stderr, "flatTableGen: cannot write %s\n", temp.c_str());
      return 3;
    }
  }
  if (std::rename(temp.c_str(), path) != 0) {
    std::fprintf(stderr, "flatTableGen: cannot write %s\n", path);
    std::remove(temp.c_str());
    return 3;
  }
  return 0;
}
