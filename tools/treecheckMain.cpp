#include <iostream>
#include <string>
#include <vector>

#include "legal/checkTree.h"
#include "tools/instance.h"
#include "tools/netCheck.h"

namespace {

void printUsage() {
  std::cout << "Usage: ./treecheck [--json] PIN_POS_FILE RECT_OBSTS_FILE "
               "TREE_FILE\n"
               "       ./treecheck [--json] --nets NETS_FILE RECT_OBSTS_FILE "
               "TREE_FILE"
            << std::endl;
}

void printHelp() {
  printUsage();
  std::cout
      << "\nChecks a tree file written by oamst or zorvane against its pins "
         "and obstacles\nand reports, one 'name: value' line each: pieces, "
         "diagonal pieces, total\nlength, wire length (collinear overlaps "
         "once), pins, obstacles, pins off the\ntree, parts holding pins, "
         "obstacle crossings and their length, and whether\nthe tree is "
         "legal.\n\nOptions:\n"
         "  --json        the same figures as one JSON object\n"
         "  --nets FILE   check a file written with --nets net by net "
         "against the nets\n                of FILE: one line (or JSON "
         "object) per net, then the counts\n                of nets and "
         "of legal nets\n"
         "  -h, --help    show this help and exit\n"
         "\nExit status: 0 legal tree, 1 usage or a tree that is not legal, "
         "2 unreadable\ninput.\n";
}

}  // namespace

int main(int argc, char** argv) {
  bool json = false;
  std::string nets;
  bool byNet = false;
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
    } else if (a == "--json") {
      json = true;
    } else if (a == "--nets" && i + 1 < argc) {
      nets = argv[++i];
      byNet = true;
    } else {
      std::cerr << "treecheck: unknown option " << a << std::endl;
      printUsage();
      return 1;
    }
  }
  if (files.size() != (byNet ? 2u : 3u)) {
    printUsage();
    return 1;
  }
  if (byNet) {
    return checkNetsFile(nets, files[0], files[1], json, std::cout, std::cerr);
  }
  std::vector<Point> pins;
  std::vector<Rect> rects;
  std::vector<Piece> pieces;
  std::string error;
  if (!readInstanceAndTree(files[0], files[1], files[2], pins, rects, pieces,
                           error)) {
    std::cerr << "treecheck: " << error << std::endl;
    return 2;
  }
  TreeCheck c = checkTree(pins, rects, pieces);
  std::cout << (json ? formatReportJson(c) : formatReport(c));
  std::cout.flush();
  return c.legal() ? 0 : 1;
}
