#pragma once
#include <string>
#include <string_view>

#include "drivers/driver.h"
#include "drivers/readInput.h"
#include "treecore/timing.h"

class CommandLine;
template <class T>
struct Input;
namespace treecore {
class Obstacles;
enum class Form;
struct RouteOptions;
}  // namespace treecore

// Many nets in one run: each net of the nets file routed among the
// obstacles near it, on a pool of threads, written in the nets' order.
struct BatchRequest {
  bool given = false;  // --nets
  bool tuned = false;  // --threads, --format or --shard
  Program program = Program::zorvane;
  std::string netsPath;
  std::string obstaclePath;
  std::string outputPath;
  bool exactGraph = false;
  bool noRefine = false;
  bool optimize = false;
  int effort = 1;      // --effort
  bool bound = false;  // --bound
  int threads = 0;     // 0: one per core
  bool json = false;
  // --shard K/N: the nets K, K + N, K + 2N, ... (from 1), numbered as in
  // the whole run.
  long shard = 1;
  long shards = 1;
  // --timing, --driver-resistance R, --pin-capacitance C: the figures of
  // each tree (with --nets, in the JSON output).
  bool timing = false;
  bool modelGiven = false;
  treecore::TimingModel timingModel;
  // --path-bound EPS; negative without it.
  double pathBound = -1;
};

// --timing, --driver-resistance R, --pin-capacitance C and --path-bound EPS
// in the program's table, filling the request.
void addTimingOptions(CommandLine& cl, BatchRequest& request);

// The route options a request names.
treecore::RouteOptions routeOptionsOf(const BatchRequest& request);

// The text of a batch run's obstacle file, named path, checked as the value
// interface takes it; false with a message naming the file and the record
// otherwise.
bool parseBatchObstacles(std::string_view text,
                         const std::string& path,
                         treecore::Obstacles& out,
                         std::string& error);

// The rectangles the readers took from the obstacle file named path, as
// the value interface takes them; false with a message naming the file and
// the rectangle otherwise.
bool toObstacles(const Input<DesignCoord>& in,
                 const std::string& path,
                 treecore::Obstacles& out,
                 std::string& error);

// The tree a program writes: oamst the spanning tree, zorvane the Steiner
// tree its options name.
treecore::Form formOf(Program program, bool noRefine, bool optimize);

// --nets NETS_FILE, --threads N (0 for one per core, up to 4096),
// --format plain|json and --shard K/N in the program's table, filling the
// request.
void addBatchOptions(CommandLine& cl, BatchRequest& request);

// A fraction as a percentage to three decimals: "1.250 %".
std::string formatPercent(double fraction);

// Exit status: 0 every net one tree; 2 an input file unreadable or invalid
// (nothing written); 3 output not written; 4 some nets' pins walled apart
// (forests written); 5 some nets refused (a pin inside an obstacle), the
// others written; 5 takes precedence over 4.
int runBatch(const BatchRequest& request);
