#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "legal/checkTree.h"
#include "tools/instance.h"
#include "tools/treePlot.h"

namespace {

void printUsage() {
  std::cout << "Usage: ./treeplot [--size PX] PIN_POS_FILE RECT_OBSTS_FILE "
               "TREE_FILE OUT.svg"
            << std::endl;
}

void printHelp() {
  printUsage();
  std::cout
      << "\nDraws a tree file written by oamst or zorvane as an SVG picture: "
         "obstacles\nfilled grey, the tree in blue, crossing pieces in red, "
         "Steiner points as\norange squares, pins as black dots (numbered in "
         "file order when there are\nat most "
      << kMaxLabelledPins
      << "), and a caption with the wire length and the counts.\n\n"
         "Options:\n"
         "  --size PX     longer side of the drawing in pixels (from 800 to "
         "4000 by\n                the pin count)\n"
         "  -h, --help    show this help and exit\n"
         "\nExit status: 0 written, 1 usage, 2 unreadable input, 3 output not "
         "written.\n";
}

}  // namespace

int main(int argc, char** argv) {
  long size = 0;
  bool optionsDone = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (optionsDone || a.size() < 2 || a[0] != '-') {
      files.push_back(a);
    } else if (a == "--") {
      optionsDone = true;
    } else if (a == "-h" || a == "--help") {
      printHelp();
      return 0;
    } else if (a == "--size" && i + 1 < argc) {
      char* end = nullptr;
      size = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || size < 16 || size > 100000) {
        std::cerr << "treeplot: bad value '" << argv[i]
                  << "' for --size; give 16 to 100000 pixels" << std::endl;
        return 1;
      }
    } else {
      std::cerr << "treeplot: unknown option " << a << std::endl;
      printUsage();
      return 1;
    }
  }
  if (files.size() != 4) {
    printUsage();
    return 1;
  }
  std::vector<Point> pins;
  std::vector<Rect> rects;
  std::vector<Piece> pieces;
  std::string error;
  if (!readInstanceAndTree(files[0], files[1], files[2], pins, rects, pieces,
                           error)) {
    std::cerr << "treeplot: " << error << std::endl;
    return 2;
  }
  TreeCheck check = checkTree(pins, rects, pieces);
  std::string svg = plotSvg(pins, rects, pieces, check,
                            findSteinerPoints(pins, pieces), size);
  std::FILE* f = std::fopen(files[3].c_str(), "wb");
  bool ok = f && std::fwrite(svg.data(), 1, svg.size(), f) == svg.size();
  ok = f && std::fclose(f) == 0 && ok;
  if (!ok) {
    std::cerr << "treeplot: cannot write " << files[3] << ": "
              << std::strerror(errno) << std::endl;
    return 3;
  }
  return 0;
}
