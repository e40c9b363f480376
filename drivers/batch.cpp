#include "drivers/batch.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <stdexcept>
#include <vector>

#include "check/checkTree.h"
#include "drivers/commandLine.h"
#include "drivers/programMain.h"
#include "drivers/readInput.h"
#include "router/fileBanner.h"
#include "support/escapeBytes.h"
#include "support/formatCoord.h"
#include "support/outputFile.h"
#include "treecore/inOrder.h"
#include "treecore/route.h"
#include "treecore/treeText.h"

bool parseBatchObstacles(std::string_view text,
                         const std::string& path,
                         treecore::Obstacles& out,
                         std::string& error) {
  Input<DesignCoord> in;
  if (isStpText(text)) {
    error = escapeBytes(path) +
            ", line 1: the file is an STP file; with --nets the obstacles "
            "come from an obstacle file";
    return false;
  }
  return parseObstacleText(text, path, in, error) &&
         toObstacles(in, path, out, error);
}

bool toObstacles(const Input<DesignCoord>& in,
                 const std::string& path,
                 treecore::Obstacles& out,
                 std::string& error) {
  std::vector<std::array<treecore::Point, 4>> rings;
  rings.reserve(in.rects.size());
  for (const auto& ring : in.rects) {
    std::array<treecore::Point, 4> exact;
    for (int k = 0; k < 4; ++k) {
      exact[k] = {ring[k].x.v, ring[k].y.v};
    }
    rings.push_back(exact);
  }
  try {
    out = treecore::Obstacles::fromCorners(rings);
  } catch (const std::invalid_argument& e) {
    error = escapeBytes(path) + ": " + e.what();
    return false;
  }
  return true;
}

treecore::Form formOf(Program program, bool noRefine, bool optimize) {
  if (program == Program::oamst) {
    return treecore::Form::spanningTree;
  }
  return noRefine   ? treecore::Form::unrefinedSteinerTree
         : optimize ? treecore::Form::optimizedSteinerTree
                    : treecore::Form::steinerTree;
}

std::string formatPercent(double fraction) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f %%", 100 * fraction);
  return text;
}

namespace {

using treecore::Status;

// Far more shards than any job array has tasks.
const long kMostShards = 1000000000;

bool refused(Status s) {
  return s == Status::pinInsideObstacle || s == Status::badCoordinate;
}

}  // namespace

void addBatchOptions(CommandLine& cl, BatchRequest& r) {
  cl.addValue("--nets", "NETS_FILE",
              "route every net of NETS_FILE (pin records, each net ended by "
              "its end record) among the obstacles near it, and write each "
              "net's pieces under a '# net K' line",
              [&r](const std::string& value, std::string&) {
                r.given = true;
                r.netsPath = value;
                return true;
              });
  cl.addValue("--threads", "N",
              "with --nets: N threads from 1 to 4096, or 0 for one per core "
              "(0)",
              [&r](const std::string& value, std::string& why) {
                long n;
                r.tuned = true;
                why = "0 (one per core) to 4096";
                if (!parseInteger(value, 0, 4096, n)) {
                  return false;
                }
                r.threads = static_cast<int>(n);
                return true;
              });
  cl.addValue("--format", "F",
              "with --nets: plain, or json for one JSON object per net and "
              "line (plain)",
              [&r](const std::string& value, std::string& why) {
                r.tuned = true;
                r.json = value == "json";
                why = "plain or json";
                return value == "json" || value == "plain";
              });
  cl.addValue("--shard", "K/N",
              "with --nets: route only the nets K, K + N, K + 2N, ... (K "
              "from 1 to N), numbered as in the whole run, for a job array "
              "(1/1)",
              [&r](const std::string& value, std::string& why) {
                r.tuned = true;
                why = "K/N with 1 <= K <= N <= " + std::to_string(kMostShards);
                size_t slash = value.find('/');
                long k, n;
                if (slash == std::string::npos ||
                    !parseInteger(value.substr(0, slash), 1, kMostShards, k) ||
                    !parseInteger(value.substr(slash + 1), 1, kMostShards, n) ||
                    k > n) {
                  return false;
                }
                r.shard = k;
                r.shards = n;
                return true;
              });
}

void addTimingOptions(CommandLine& cl, BatchRequest& r) {
  cl.addFlag("--timing",
             "report how the tree serves its first pin: each pin's path "
             "length along the tree, its stretch over the shortest "
             "obstacle-avoiding distance, the radius and each pin's Elmore "
             "delay (with --nets, in the JSON output; else one JSON line "
             "after the execution time)",
             r.timing);
  auto model = [&r](double& field) {
    return [&r, &field](const std::string& value, std::string& why) {
      r.modelGiven = true;
      why = "a number from 0 to 1e30";
      return parseReal(value, 0, 1e30, field);
    };
  };
  cl.addValue("--driver-resistance", "R",
              "with --timing: the driver's resistance, in the wire's unit "
              "resistance per unit of length times a unit of length (0)",
              model(r.timingModel.driverResistance));
  cl.addValue("--pin-capacitance", "C",
              "with --timing: each pin's load but the first pin's, in the "
              "wire's unit capacitance per unit of length times a unit of "
              "length (0)",
              model(r.timingModel.pinCapacitance));
  cl.addValue("--path-bound", "EPS",
              "make every pin's path along the tree from the first pin at "
              "most 1 + EPS times its shortest obstacle-avoiding distance "
              "from it (0 for a shortest-path tree), the tree otherwise as "
              "short as the work allows",
              [&r](const std::string& value, std::string& why) {
                why = "a number from 0 to 1e30";
                return parseReal(value, 0, 1e30, r.pathBound);
              });
}

treecore::RouteOptions routeOptionsOf(const BatchRequest& r) {
  treecore::RouteOptions options;
  options.form = formOf(r.program, r.noRefine, r.optimize);
  options.exactGraph = r.exactGraph;
  options.timing = r.timing;
  options.timingModel = r.timingModel;
  options.pathBound = r.pathBound;
  options.effort = r.effort;
  options.bound = r.bound;
  return options;
}

int runBatch(const BatchRequest& r) {
  const char* name = r.program == Program::oamst ? "oamst" : "zorvane";
  treecore::Obstacles obstacles;
  std::vector<InputPoint<DesignCoord>> pins;
  std::vector<size_t> netEnds;
  {
    ReadingInput reading;
    std::string text, error;
    if (!readWholeFile(r.obstaclePath, text, error) ||
        !parseBatchObstacles(text, r.obstaclePath, obstacles, error) ||
        !readWholeFile(r.netsPath, text, error) ||
        !parseNetsText(text, r.netsPath, pins, netEnds, error)) {
      std::cerr << name << ": " << error << std::endl;
      return 2;
    }
  }

  // Opened before the nets are routed, so that a path that cannot be
  // written is reported at once.
  OutputFile out(r.outputPath);
  if (!out.opened()) {
    std::cerr << name << ": " << out.error() << std::endl;
    return 3;
  }
  if (!r.json) {
    out.write(fileBanner(r.program == Program::oamst ? kMstTitle : kSmtTitle));
  }
  treecore::RouteOptions options = routeOptionsOf(r);
  // The plain format writes the drawing alone.
  options.drawingOnly = !r.json;
  int threads = treecore::threadsFor(r.threads);
  size_t first = static_cast<size_t>(r.shard - 1);
  size_t step = static_cast<size_t>(r.shards);
  size_t count =
      netEnds.size() > first ? (netEnds.size() - first - 1) / step + 1 : 0;
  // Room for a slow net to finish while the others run on.
  size_t window = std::min<size_t>(4096 * threads, count);
  struct Slot {
    std::string text;
    Status status;
    std::string message;
    double length;
    double lowerBound;
  };
  double lengths = 0, bounds = 0;
  std::vector<Slot> slots(window);
  long forests = 0, refusals = 0;
  // A net too wide for its frame makes the input invalid: the first is
  // reported and nothing is written.
  std::string invalid;
  const long kShown = 10;

  std::clock_t start = std::clock();
  treecore::runInOrder(
      count, threads, window,
      [&](size_t j) {
        size_t i = first + j * step;
        size_t from = i == 0 ? 0 : netEnds[i - 1];
        treecore::Net net;
        net.reserve(netEnds[i] - from);
        for (size_t k = from; k < netEnds[i]; ++k) {
          net.push_back({pins[k].x.v, pins[k].y.v});
        }
        treecore::Tree tree = treecore::routeNet(obstacles, net, options);
        Slot& slot = slots[j % window];
        slot.text.clear();
        long k = static_cast<long>(i) + 1;
        if (r.json) {
          treecore::appendJson(slot.text, tree, k);
          slot.text += '\n';
        } else {
          treecore::appendNetText(slot.text, tree, k);
        }
        slot.status = tree.status;
        slot.length = tree.wireLength;
        slot.lowerBound = tree.lowerBound;
        slot.message = std::move(tree.message);
      },
      [&](size_t j) {
        const Slot& slot = slots[j % window];
        if (slot.status == Status::badCoordinate) {
          if (invalid.empty()) {
            invalid = escapeBytes(r.netsPath) + ": net " +
                      std::to_string(first + j * step + 1) + ": " +
                      slot.message;
          }
          return;
        }
        if (slot.status != Status::ok) {
          bool no = refused(slot.status);
          if (++(no ? refusals : forests) <= kShown) {
            std::cerr << name << ": " << (no ? "" : "warning: ") << "net "
                      << first + j * step + 1 << ": " << slot.message
                      << (no ? "; no tree written"
                             : "; one tree per part written")
                      << std::endl;
          }
        }
        out.write(slot.text);
        if (slot.lowerBound >= 0) {
          lengths += slot.length;
          bounds += slot.lowerBound;
        }
      });
  std::clock_t end = std::clock();
  // With the trees on standard output, the time line steps aside.
  (out.onStandardOutput() ? std::cerr : std::cout)
      << "Execution Time = "
      << static_cast<double>(end - start) / CLOCKS_PER_SEC << " sec"
      << std::endl;

  if (!invalid.empty()) {
    std::cerr << name << ": " << invalid << std::endl;
    return 2;
  }
  if (!out.commit()) {
    std::cerr << name << ": " << out.error() << std::endl;
    return 3;
  }
  long nets = static_cast<long>(count);
  if (r.bound) {
    std::cerr << name << ": lower bound " << formatLength(bounds)
              << " over the nets' trees, trees " << formatLength(lengths)
              << ", gap " << formatPercent(treecore::boundGap(lengths, bounds))
              << std::endl;
  }
  if (refusals > 0) {
    std::cerr << name << ": " << refusals << " of " << nets
              << " nets refused, each with a pin inside an obstacle; "
              << escapeBytes(r.outputPath) << " gives each its status"
              << std::endl;
  }
  if (forests > 0) {
    std::cerr << name << ": warning: obstacles keep the pins of " << forests
              << " of " << nets << " nets apart; " << escapeBytes(r.outputPath)
              << " holds a forest for each" << std::endl;
  }
  return refusals > 0 || forests > 0 ? 4 : 0;
}
