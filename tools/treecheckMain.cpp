#include <iostream>
#include <string>
#include <vector>

#include "check/checkTree.h"
#include "check/timingCheck.h"
#include "drivers/commandLine.h"
#include "drivers/programMain.h"
#include "tools/instance.h"
#include "tools/netCheck.h"

namespace {

int run(int argc, char** argv) {
  bool json = false;
  std::string netsPath;
  bool byNet = false;
  CommandLine cl(
      "treecheck",
      {"./treecheck [--json] PIN_POS_FILE RECT_OBSTS_FILE TREE_FILE",
       "./treecheck [--json] STP_FILE TREE_FILE",
       "./treecheck [--json] --nets NETS_FILE RECT_OBSTS_FILE TREE_FILE"},
      "Checks a tree file written by oamst or zorvane against its pins and "
      "obstacles (a pin file and an obstacle file, or one STP file) and "
      "reports, one 'name: value' line each: pieces, diagonal pieces, total "
      "length, wire length (collinear overlaps once), pins, obstacles, pins "
      "off the tree, parts holding pins, obstacle crossings and their "
      "length, and whether the tree is legal. Coordinates are read in double "
      "precision; a file named - is standard input.");
  cl.addFlag("--json", "the same figures as one JSON object", json);
  bool timing = false, modelGiven = false;
  double driverResistance = 0, pinCapacitance = 0;
  cl.addFlag("--timing",
             "also how the tree serves its first pin, computed from the "
             "files alone: the maximum and mean stretch, the radius, and per "
             "pin its path along the wire, its shortest obstacle-avoiding "
             "distance, their ratio and its Elmore delay (in JSON under "
             "\"timing\")",
             timing);
  auto model = [&modelGiven](double& field) {
    return [&modelGiven, &field](const std::string& value, std::string& why) {
      modelGiven = true;
      why = "a number from 0 to 1e30";
      return parseReal(value, 0, 1e30, field);
    };
  };
  cl.addValue("--driver-resistance", "R",
              "with --timing: the driver's resistance (0)",
              model(driverResistance));
  cl.addValue("--pin-capacitance", "C",
              "with --timing: the load at every pin but the first (0)",
              model(pinCapacitance));
  cl.addValue("--nets", "NETS_FILE",
              "check a file written with --nets net by net against the nets "
              "of NETS_FILE: one line (or JSON object) per net, then the "
              "counts of nets and of legal nets",
              [&](const std::string& value, std::string&) {
                netsPath = value;
                byNet = true;
                return true;
              });
  cl.epilogue =
      "Exit status: 0 legal tree, 1 usage, 2 unreadable input, 3 report not "
      "written, 4 a tree that is not legal (with --nets: some net's).";
  int status = 0;
  if (!cl.parse(argc, argv, status)) {
    return status;
  }
  if (modelGiven && !timing) {
    cl.usageError("--driver-resistance and --pin-capacitance go with --timing");
    return 1;
  }
  if (byNet && timing) {
    cl.usageError("--timing checks one tree; it does not go with --nets");
    return 1;
  }
  if (byNet) {
    if (!cl.checkOperands({2}, "RECT_OBSTS_FILE TREE_FILE with --nets", 0,
                          {netsPath})) {
      return 1;
    }
    return checkNetsFile(netsPath, cl.operands[0], cl.operands[1], json,
                         std::cout, std::cerr);
  }
  if (!cl.checkOperands(
          {3, 2},
          "PIN_POS_FILE RECT_OBSTS_FILE TREE_FILE, or STP_FILE TREE_FILE", 0)) {
    return 1;
  }
  std::vector<std::string> files = cl.operands;
  std::string treePath = files.back();
  files.pop_back();
  std::vector<Point> pins;
  std::vector<Rect> rects;
  std::vector<Piece> pieces;
  {
    ReadingInput reading;
    std::string error;
    bool notStp = false;
    if (!readInstance(files, pins, rects, error, &notStp)) {
      if (notStp) {
        cl.usageError(error);
        return 1;
      }
      std::cerr << "treecheck: " << error << std::endl;
      return 2;
    }
    if (!readTreeFile(treePath, pieces, error)) {
      std::cerr << "treecheck: " << error << std::endl;
      return 2;
    }
  }
  TreeCheck c = checkTree(pins, rects, pieces);
  std::string report = json ? formatReportJson(c) : formatReport(c);
  if (timing) {
    TimingCheck t;
    std::string error;
    if (!checkTiming(pins, rects, pieces, driverResistance, pinCapacitance, t,
                     error)) {
      std::cerr << "treecheck: " << error << std::endl;
      return 2;
    }
    if (json) {
      report.resize(report.size() - 2);  // the closing brace and newline
      report += ",\"timing\":" + formatTimingJson(t) + "}\n";
    } else {
      report += formatTiming(t);
    }
  }
  std::cout << report;
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "treecheck: cannot write the report to standard output"
              << std::endl;
    return 3;
  }
  return c.legal() ? 0 : 4;
}

}  // namespace

int main(int argc, char** argv) {
  return runMain("treecheck", [&] { return run(argc, argv); });
}
