#include "drivers/driver.h"

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <ctime>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "check/checkTree.h"
#include "drivers/batch.h"
#include "drivers/commandLine.h"
#include "drivers/framedNet.h"
#include "drivers/programMain.h"
#include "drivers/readInput.h"
#include "router/fileBanner.h"
#include "support/escapeBytes.h"
#include "support/formatCoord.h"
#include "support/outputFile.h"
#include "treecore/obstacles.h"
#include "treecore/route.h"
#include "treecore/tree.h"
#include "treecore/treeText.h"

namespace {

struct Options {
  bool noRefine = false;
  bool exactGraph = false;
  bool optimize = false;
  long effort = 0;  // 0: not given
  bool bound = false;
  bool stageTimes = false;
};

// Each level spends four times the one below: twenty is far beyond any
// wait.
const long kMostEffort = 20;

const char* programName(Program p) {
  return p == Program::oamst ? "oamst" : "zorvane";
}

// The options of one program in its table, with their help.
void addOptions(Program p, CommandLine& cl, Options& opt) {
  if (p == Program::zorvane) {
    cl.addFlag("--no-refine",
               "stop after Steiner point insertion and write the tree's "
               "connections, each drawn with a free route",
               opt.noRefine);
    cl.addFlag("--optimize",
               "make the tree as short as the work budget allows, never "
               "longer than without it (at effort 1 but rarely on "
               "obstacle-free nets of ten positions): small nets exactly, "
               "larger ones improved window by window (slower)",
               opt.optimize);
    cl.addValue("--effort", "N",
                "with --optimize: the level of work, an integer from 1 to 20 "
                "(1); each level spends a fixed multiple of the work of the "
                "one below and its tree is never longer",
                [&opt](const std::string& value, std::string& why) {
                  why = "an integer from 1 to 20";
                  return parseInteger(value, 1, kMostEffort, opt.effort);
                });
    cl.addFlag("--bound",
               "with --optimize: also prove a lower bound on the shortest "
               "tree's length, and write it and the tree's gap above it to "
               "standard error (with --format json, as fields of each net)",
               opt.bound);
  }
  cl.addFlag("--exact-graph",
             "build the tree over a graph that holds a shortest "
             "obstacle-avoiding route between every two pins, so the "
             "spanning tree is the exact obstacle-avoiding minimal spanning "
             "tree",
             opt.exactGraph);
  cl.addFlag("--stage-times",
             "write each stage's processor time and the peak memory so far "
             "to standard error",
             opt.stageTimes);
}

CommandLine makeCommandLine(Program p) {
  std::string self = std::string("./") + programName(p);
  std::string about =
      p == Program::oamst
          ? "Builds the obstacle-avoiding rectilinear minimal spanning tree "
            "of the pins and writes its connections to OUTPUT_FILE, each as "
            "an L where one is free of the obstacles, else a staircase or "
            "the shortest way round them."
          : "Builds the obstacle-avoiding rectilinear Steiner tree of the "
            "pins and writes its horizontal and vertical segments to "
            "OUTPUT_FILE.";
  about +=
      "\n\nThe pins and obstacles come from a pin file and an obstacle file, "
      "or from one STP file with an Obstacles section. A file named - is "
      "standard input, or standard output for OUTPUT_FILE (the "
      "execution-time line then goes to standard error). Coordinates must "
      "be exact in single precision (integers up to 16777216 in magnitude "
      "always are) or integers up to 2147483648 in magnitude, which route "
      "exactly in their net's own frame where its grown box spans at most "
      "16777216; others are refused.\n\nWith --nets the pins come from a "
      "nets file instead, many nets in one, and each net is routed among "
      "the obstacles near it.";
  CommandLine cl(programName(p),
                 {self + " PIN_POS_FILE RECT_OBSTS_FILE OUTPUT_FILE",
                  self + " [options] PIN_POS_FILE RECT_OBSTS_FILE OUTPUT_FILE",
                  self + " [options] STP_FILE OUTPUT_FILE",
                  self + " [options] --nets NETS_FILE RECT_OBSTS_FILE "
                         "OUTPUT_FILE"},
                 about);
  cl.usageOnStandardOutput = true;
  cl.epilogue =
      "Exit status: 0 done, 1 usage, 2 unreadable or invalid input, 3 output "
      "not written, 4 pins that could not all be joined (the forest is "
      "written); with --nets, 4 some nets not one tree (pins walled apart "
      "or a pin inside an obstacle; the others written).";
  return cl;
}

// With --stage-times, one line per stage on standard error: its name, its
// processor time in seconds and the peak resident memory so far in KiB.
class StageClock {
 public:
  explicit StageClock(bool on) : on_(on), last_(std::clock()) {}

  void lap(const char* stage) {
    if (!on_) {
      return;
    }
    std::clock_t now = std::clock();
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    std::cerr << "stage " << stage << " "
              << static_cast<double>(now - last_) / CLOCKS_PER_SEC << " "
              << ru.ru_maxrss << std::endl;
    last_ = std::clock();
  }

  bool on() const { return on_; }

 private:
  bool on_;
  std::clock_t last_;
};

}  // namespace

int runDriver(Program program, int argc, char** argv) {
  const char* name = programName(program);
  Options opt;
  BatchRequest batch;
  CommandLine cl = makeCommandLine(program);
  addOptions(program, cl, opt);
  addBatchOptions(cl, batch);
  addTimingOptions(cl, batch);
  int status = 0;
  if (!cl.parse(argc, argv, status)) {
    return status;
  }
  if (batch.modelGiven && !batch.timing) {
    cl.usageError("--driver-resistance and --pin-capacitance go with --timing");
    return 1;
  }
  if (batch.timing && batch.given && !batch.json) {
    cl.usageError(
        "--timing with --nets writes its figures into the JSON output; it "
        "goes with --format json");
    return 1;
  }
  bool throughRoute = batch.timing || batch.pathBound >= 0;
  if (throughRoute && opt.stageTimes) {
    cl.usageError(
        "--stage-times times the stages of the pipeline alone; it does not go "
        "with --timing or --path-bound");
    return 1;
  }
  if (opt.optimize && opt.noRefine) {
    cl.usageError(
        "--optimize makes the refined tree; it does not go with --no-refine");
    return 1;
  }
  if ((opt.effort > 0 || opt.bound) && !opt.optimize) {
    cl.usageError(std::string(opt.effort > 0 ? "--effort" : "--bound") +
                  " goes with --optimize");
    return 1;
  }
  if (batch.tuned && !batch.given) {
    cl.usageError("--threads, --format and --shard go with --nets");
    return 1;
  }
  batch.program = program;
  batch.exactGraph = opt.exactGraph;
  batch.noRefine = opt.noRefine;
  batch.optimize = opt.optimize;
  batch.effort = static_cast<int>(std::max(1L, opt.effort));
  batch.bound = opt.bound;
  if (batch.given) {
    if (opt.stageTimes) {
      cl.usageError(
          "--stage-times times the stages of one net; it does not go with "
          "--nets");
      return 1;
    }
    if (!cl.checkOperands({2}, "RECT_OBSTS_FILE OUTPUT_FILE with --nets", 1,
                          {batch.netsPath})) {
      return 1;
    }
    batch.obstaclePath = cl.operands[0];
    batch.outputPath = cl.operands[1];
    return runBatch(batch);
  }
  if (!cl.checkOperands({3, 2},
                        "PIN_POS_FILE RECT_OBSTS_FILE OUTPUT_FILE, or STP_FILE "
                        "OUTPUT_FILE",
                        1)) {
    return 1;
  }
  std::vector<std::string> files = cl.operands;
  std::string outPath = files.back();
  files.pop_back();

  StageClock stageClock(opt.stageTimes);
  treecore::Net net;
  treecore::Obstacles obstacles;
  treecore::RouteOptions options = routeOptionsOf(batch);
  // One net is routed among every obstacle of the file, and only its
  // drawing is written, without its length.
  options.everyObstacle = true;
  options.drawingOnly = true;
  options.measureLength = opt.bound;
  std::string error;
  {
    ReadingInput reading;
    Input<DesignCoord> given;
    bool notStp = false;
    if (!readInput(files, given, error, &notStp)) {
      if (notStp) {
        cl.usageError(error);
        return 1;
      }
      std::cerr << name << ": " << error << std::endl;
      return 2;
    }
    if (hasWideCoordinate(given)) {
      return writeFramedNet(name, program, routeOptionsOf(batch), given,
                            outPath);
    }
    // Without a wide integer, the coordinates read are the decimals of
    // floats, as the library takes them.
    net.reserve(given.pins.size());
    for (const InputPoint<DesignCoord>& p : given.pins) {
      net.push_back({p.x.v, p.y.v});
    }
    if (!toObstacles(given, given.obstacleFile, obstacles, error)) {
      std::cerr << name << ": " << error << std::endl;
      return 2;
    }
    // Refused before the output is opened, as any other bad input is; the
    // library's pin and obstacle named in the reader's terms.
    treecore::Tree refused = treecore::checkNet(obstacles, net, options);
    if (refused.status == treecore::Status::pinInsideObstacle) {
      const InputPoint<DesignCoord>& pin = given.pins[refused.badPin];
      std::cerr << name << ": "
                << given.pinName(static_cast<size_t>(refused.badPin))
                << ": pin "
                << formatPoint(static_cast<float>(pin.x),
                               static_cast<float>(pin.y))
                << " lies strictly inside "
                << given.rectName(static_cast<size_t>(refused.badObstacle))
                << "; no obstacle-avoiding tree exists" << std::endl;
      return 2;
    }
    if (refused.status != treecore::Status::ok) {
      std::cerr << name << ": " << refused.message << std::endl;
      return 2;
    }
  }
  stageClock.lap("read");

  // Opened before the computation, so that a path that cannot be written
  // is reported at once.
  OutputFile out(outPath);
  if (!out.opened()) {
    std::cerr << name << ": " << out.error() << std::endl;
    return 3;
  }
  if (stageClock.on()) {
    options.stageDone = [](const char* stage, void* clock) {
      static_cast<StageClock*>(clock)->lap(stage);
    };
    options.stageData = &stageClock;
  }
  {
    // The blocks are written a megabyte at a time as the tree's segments
    // come, so that a large tree's drawing and text are never held whole.
    std::string text = fileBanner(
        options.form == treecore::Form::spanningTree ? kMstTitle : kSmtTitle);
    // The execution time is the tree's alone, without this writing.
    treecore::Tree run;
    std::clock_t writing = 0;
    auto write = [&](const std::vector<treecore::Segment>& segments) {
      std::clock_t from = std::clock();
      run.segments = segments;
      treecore::appendBlocks(text, run);
      if (text.size() >= (1u << 20)) {
        out.write(text);
        text.clear();
      }
      writing += std::clock() - from;
    };
    std::clock_t start = std::clock();
    treecore::Tree tree =
        treecore::routeNet(obstacles, std::move(net), options, write);
    std::clock_t end = std::clock() - writing;
    out.write(text);
    // With the tree on standard output, the time line steps aside.
    (out.onStandardOutput() ? std::cerr : std::cout)
        << "Execution Time = "
        << static_cast<double>(end - start) / CLOCKS_PER_SEC << " sec"
        << std::endl;

    if (batch.timing) {
      std::string figures;
      treecore::appendTimingJson(figures, tree.timing);
      (out.onStandardOutput() ? std::cerr : std::cout)
          << "{\"timing\":" << figures << "}" << std::endl;
    }
    bool written = out.commit();
    stageClock.lap("export");
    if (opt.bound && tree.lowerBound >= 0) {
      std::cerr << name << ": lower bound " << formatLength(tree.lowerBound)
                << ", tree " << formatLength(tree.wireLength) << ", gap "
                << formatPercent(
                       treecore::boundGap(tree.wireLength, tree.lowerBound))
                << std::endl;
    }
    if (!written) {
      std::cerr << name << ": " << out.error() << std::endl;
      status = 3;
    } else if (tree.status == treecore::Status::forest) {
      std::cerr << name << ": warning: " << tree.message << "; "
                << escapeBytes(outPath) << " holds a forest, one tree per part"
                << std::endl;
      status = 4;
    }
  }
  net = treecore::Net();
  obstacles = treecore::Obstacles();
  stageClock.lap("free");
  return status;
}
