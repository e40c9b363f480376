#include "drivers/driver.h"

#include <sys/resource.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "drivers/readInput.h"
#include "geometry/vertex.h"
#include "legal/obstacleIndex.h"
#include "router/router.h"
#include "support/formatCoord.h"

namespace {

struct Options {
  bool help = false;
  bool noRefine = false;
  bool exactGraph = false;
  bool optimize = false;
  bool stageTimes = false;
  std::vector<std::string> files;
};

const char* programName(Program p) {
  return p == Program::oamst ? "oamst" : "zorvane";
}

void printUsage(Program p) {
  std::cout << "Usage: ./" << programName(p)
            << " PIN_POS_FILE RECT_OBSTS_FILE OUTPUT_FILE" << std::endl;
}

void printHelp(Program p) {
  printUsage(p);
  std::cout << "\n";
  if (p == Program::oamst) {
    std::cout << "Builds the obstacle-avoiding rectilinear minimal spanning "
                 "tree of the pins and\nwrites its connections to OUTPUT_FILE, "
                 "each as an L where one is free of\nthe obstacles, else a "
                 "staircase or the shortest way round them.\n";
  } else {
    std::cout << "Builds the obstacle-avoiding rectilinear Steiner tree of "
                 "the pins and writes\nits horizontal and vertical segments "
                 "to OUTPUT_FILE.\n";
  }
  std::cout << "\nOptions:\n";
  if (p == Program::zorvane) {
    std::cout << "  --no-refine   stop after Steiner point insertion and "
                 "write the tree's\n                connections, each drawn "
                 "with a free route\n";
    std::cout << "  --optimize    make the tree as short as the work budget "
                 "allows, never\n                longer than without it: "
                 "small nets exactly, larger ones\n                improved "
                 "window by window (slower)\n";
  }
  std::cout << "  --exact-graph build the tree over a graph that holds a "
               "shortest obstacle-\n                avoiding route between "
               "every two pins, so the spanning tree\n                is the "
               "exact obstacle-avoiding minimal spanning tree\n";
  std::cout << "  --stage-times write each stage's processor time and the "
               "peak memory so far\n                to standard error\n"
               "  -h, --help    show this help and exit\n"
               "\nExit status: 0 done, 1 usage, 2 unreadable or invalid "
               "input, 3 output not written,\n4 pins that could not all be "
               "joined (the forest is written).\n";
}

// False on an unknown option, with a message.
bool parseOptions(Program p, int argc, char** argv, Options& opt) {
  bool optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (optionsDone || a.size() < 2 || a[0] != '-') {
      opt.files.push_back(a);
    } else if (a == "--") {
      optionsDone = true;
    } else if (a == "-h" || a == "--help") {
      opt.help = true;
    } else if (a == "--exact-graph") {
      opt.exactGraph = true;
    } else if (p == Program::zorvane && a == "--no-refine") {
      opt.noRefine = true;
    } else if (p == Program::zorvane && a == "--optimize") {
      opt.optimize = true;
    } else if (a == "--stage-times") {
      opt.stageTimes = true;
    } else {
      std::cerr << programName(p) << ": unknown option " << a << std::endl;
      return false;
    }
  }
  if (opt.optimize && opt.noRefine) {
    std::cerr << programName(p)
              << ": --optimize makes the refined tree; it does not go with "
                 "--no-refine"
              << std::endl;
    return false;
  }
  return true;
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

void freeAll(std::vector<Vertex*>& vertices) {
  for (Vertex* v : vertices) {
    delete v;
  }
  vertices.clear();
}

// The line on which a reader's record (from 1) starts: records are three
// whitespace-separated tokens, as the readers take them.
int lineOfRecord(const std::string& text, long record) {
  long skip = 3 * (record - 1);
  int line = 1;
  size_t i = 0;
  for (;;) {
    while (i < text.size() &&
           std::isspace(static_cast<unsigned char>(text[i]))) {
      line += text[i] == '\n' ? 1 : 0;
      ++i;
    }
    if (i == text.size() || skip == 0) {
      return line;
    }
    while (i < text.size() &&
           !std::isspace(static_cast<unsigned char>(text[i]))) {
      ++i;
    }
    --skip;
  }
}

// No tree avoids an obstacle whose open interior holds a pin. True, with a
// message naming the first such pin and an obstacle holding it, when there
// is one. The readers leave the pins first and the rectangles in file order.
bool findPinInsideObstacle(const std::vector<Vertex*>& vertices,
                           const Options& opt,
                           const std::string& pinText,
                           const std::string& obstText,
                           std::string& error) {
  ObstacleIndex index(ObstacleIndex::rectsOf(vertices));
  long pin = 0;
  for (const Vertex* v : vertices) {
    if (index.empty() || !v->isAPin()) {
      return false;
    }
    ++pin;
    int r = index.containing(v->x, v->y);
    if (r < 0) {
      continue;
    }
    long first = 4L * r + 1;
    error = opt.files[0] + ": record " + std::to_string(pin) + ", line " +
            std::to_string(lineOfRecord(pinText, pin)) + ": pin (" +
            formatCoord(v->x) + ", " + formatCoord(v->y) +
            ") lies strictly inside " + opt.files[1] + ": rectangle " +
            std::to_string(r + 1) + " (records " + std::to_string(first) +
            " to " + std::to_string(first + 3) + ", line " +
            std::to_string(lineOfRecord(obstText, first)) +
            "); no obstacle-avoiding tree exists";
    return true;
  }
  return false;
}

}  // namespace

int runDriver(Program program, int argc, char** argv) {
  const char* name = programName(program);
  Options opt;
  if (!parseOptions(program, argc, argv, opt)) {
    printUsage(program);
    return 1;
  }
  if (opt.help) {
    printHelp(program);
    return 0;
  }
  if (opt.files.size() != 3) {
    printUsage(program);
    return 1;
  }

  StageClock stageClock(opt.stageTimes);
  std::vector<Vertex*> vertices;
  std::string pinText, obstText, error;
  if (!readWholeFile(opt.files[0], pinText, error) ||
      !readWholeFile(opt.files[1], obstText, error) ||
      !parsePins(pinText, opt.files[0], vertices, error) ||
      !parseObstacles(obstText, opt.files[1], vertices, error)) {
    std::cerr << name << ": " << error << std::endl;
    freeAll(vertices);
    return 2;
  }
  if (findPinInsideObstacle(vertices, opt, pinText, obstText, error)) {
    std::cerr << name << ": " << error << std::endl;
    freeAll(vertices);
    return 2;
  }
  pinText.clear();
  obstText.clear();
  stageClock.lap("read");

  int status = 0;
  {
    std::clock_t start = std::clock();
    Router router(vertices);
    router.options.exactGraph = opt.exactGraph;
    if (stageClock.on()) {
      router.options.pStageDone = [](const char* stage, void* clock) {
        static_cast<StageClock*>(clock)->lap(stage);
      };
      router.options.pStageData = &stageClock;
    }
    if (program == Program::oamst) {
      router.formMST();
    } else if (opt.noRefine) {
      router.formUnrefinedSMT();
    } else if (opt.optimize) {
      router.formOptimizedSMT();
    } else {
      router.formSMT();
    }
    std::clock_t end = std::clock();
    std::cout << "Execution Time = "
              << static_cast<double>(end - start) / CLOCKS_PER_SEC << " sec"
              << std::endl;

    const char* outName = opt.files[2].c_str();
    bool written = program == Program::oamst ? router.exportMST(outName)
                   : opt.noRefine            ? router.exportSMT(outName)
                                             : router.exportSMTSegs(outName);
    stageClock.lap("export");
    if (!written) {
      std::cerr << name << ": cannot write " << outName << ": "
                << std::strerror(errno) << std::endl;
      status = 3;
    } else if (router.pinPartCount > 1) {
      int pins = 0;
      for (const Vertex* v : vertices) {
        pins += v->isAPin() ? 1 : 0;
      }
      std::cerr << name << ": warning: obstacles keep the " << pins
                << " pins in " << router.pinPartCount << " separate parts; "
                << outName << " holds a forest, one tree per part" << std::endl;
      status = 4;
    }
  }
  freeAll(vertices);
  stageClock.lap("free");
  return status;
}
