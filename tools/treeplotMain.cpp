#include <iostream>
#include <string>
#include <vector>

#include "check/checkTree.h"
#include "check/timingCheck.h"
#include "drivers/commandLine.h"
#include "drivers/programMain.h"
#include "support/outputFile.h"
#include "tools/instance.h"
#include "tools/treePlot.h"

namespace {

std::string baseName(const std::string& path) {
  if (path == "-") {
    return "standard input";
  }
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The program that writes files under the banner's title.
std::string writerOf(const std::string& title) {
  if (title == "Steiner Minimal Tree") {
    return "zorvane";
  }
  if (title == "Minimal Spanning Tree") {
    return "oamst";
  }
  return "";
}

int run(int argc, char** argv) {
  long size = 0;
  CommandLine cl(
      "treeplot",
      {"./treeplot [--size PX] PIN_POS_FILE RECT_OBSTS_FILE TREE_FILE OUT.svg",
       "./treeplot [--size PX] STP_FILE TREE_FILE OUT.svg"},
      "Draws a tree file written by oamst or zorvane as an SVG picture: "
      "obstacles filled grey, the tree in blue, crossing and diagonal pieces "
      "in red, Steiner points as orange squares, pins as black dots "
      "(numbered in file order when there are at most " +
          std::to_string(kMaxLabelledPins) +
          "), and a caption naming the files and the program that wrote the "
          "tree, with the wire length, the counts and whether the tree is "
          "legal. A file named - is standard input, or standard output for "
          "OUT.svg.");
  cl.addValue("--size", "PX",
              "longer side of the drawing in pixels, 16 to 100000 (from 800 "
              "to 4000 by the pin count)",
              [&size](const std::string& v, std::string& why) {
                why = "give 16 to 100000 pixels";
                return parseInteger(v, 16, 100000, size);
              });
  bool timing = false;
  cl.addFlag("--timing",
             "colour each pin by its stretch, its path along the tree from "
             "the first pin over its shortest obstacle-avoiding distance "
             "(as treecheck --timing computes it): green at 1 to red at 2 "
             "and beyond",
             timing);
  cl.epilogue =
      "Exit status: 0 written, 1 usage, 2 unreadable input, 3 output not "
      "written.";
  int status = 0;
  if (!cl.parse(argc, argv, status)) {
    return status;
  }
  if (!cl.checkOperands({4, 3},
                        "PIN_POS_FILE RECT_OBSTS_FILE TREE_FILE OUT.svg, or "
                        "STP_FILE TREE_FILE OUT.svg",
                        1)) {
    return 1;
  }
  std::vector<std::string> files = cl.operands;
  std::string outPath = files.back();
  files.pop_back();
  std::string treePath = files.back();
  files.pop_back();
  std::vector<Point> pins;
  std::vector<Rect> rects;
  std::vector<Piece> pieces;
  std::string error, title;
  {
    ReadingInput reading;
    bool notStp = false;
    if (!readInstance(files, pins, rects, error, &notStp)) {
      if (notStp) {
        cl.usageError(error);
        return 1;
      }
      std::cerr << "treeplot: " << error << std::endl;
      return 2;
    }
    if (!readTreeFile(treePath, pieces, error, &title)) {
      std::cerr << "treeplot: " << error << std::endl;
      return 2;
    }
  }
  // Opened before the drawing is made, so that a path that cannot be
  // written is reported at once.
  OutputFile out(outPath);
  if (!out.opened()) {
    std::cerr << "treeplot: " << out.error() << std::endl;
    return 3;
  }
  std::string writer = writerOf(title);
  std::string heading = baseName(treePath) +
                        (writer.empty() ? "" : " by " + writer) + " over " +
                        baseName(files[0]);
  if (files.size() > 1) {
    heading += " and " + baseName(files[1]);
  }
  TreeCheck check = checkTree(pins, rects, pieces);
  TimingCheck figures;
  if (timing) {
    std::string error;
    if (!checkTiming(pins, rects, pieces, 0, 0, figures, error)) {
      std::cerr << "treeplot: " << error << std::endl;
      return 2;
    }
  }
  std::string svg =
      plotSvg(pins, rects, pieces, check, findSteinerPoints(pins, pieces), size,
              heading, timing ? &figures.stretch : nullptr);
  out.write(svg);
  if (!out.commit()) {
    std::cerr << "treeplot: " << out.error() << std::endl;
    return 3;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return runMain("treeplot", [&] { return run(argc, argv); });
}
