#include "drivers/batch.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <stdexcept>
#include <vector>

#include "drivers/readInput.h"
#include "geometry/vertex.h"
#include "treecore/inOrder.h"
#include "treecore/route.h"
#include "treecore/treeText.h"

namespace {

using treecore::Status;

// Written as the nets come, so that a million nets are never held at once;
// removed again when any write fails, so that no half-written file is left.
class StreamOut {
 public:
  explicit StreamOut(const std::string& path) : path_(path) {
    f_ = std::fopen(path.c_str(), "w");
    error_ = f_ ? 0 : errno;
  }
  ~StreamOut() {
    if (f_) {
      std::fclose(f_);
      std::remove(path_.c_str());
    }
  }
  StreamOut(const StreamOut&) = delete;
  StreamOut& operator=(const StreamOut&) = delete;

  bool opened() const { return f_ != nullptr; }

  void write(const std::string& text) {
    buf_ += text;
    if (buf_.size() >= (1u << 20)) {
      flush();
    }
  }

  // False, the file removed, when anything failed; errno-style code in
  // error().
  bool close() {
    flush();
    bool ok = error_ == 0 && std::fclose(f_) == 0;
    if (!ok && error_ == 0) {
      error_ = errno;
    }
    f_ = nullptr;
    if (!ok) {
      std::remove(path_.c_str());
    }
    return ok;
  }

  int error() const { return error_; }

 private:
  void flush() {
    if (!buf_.empty() && error_ == 0 &&
        std::fwrite(buf_.data(), 1, buf_.size(), f_) != buf_.size()) {
      error_ = errno ? errno : EIO;
    }
    buf_.clear();
  }

  std::string path_;
  std::FILE* f_;
  std::string buf_;
  int error_ = 0;
};

bool readObstacles(const std::string& path,
                   treecore::Obstacles& out,
                   std::string& error) {
  std::string text;
  std::vector<Vertex*> corners;
  if (!readWholeFile(path, text, error) ||
      !parseObstacles(text, path, corners, error)) {
    return false;
  }
  // The reader keeps each rectangle's corners together, in file order.
  std::vector<std::array<treecore::Point, 4>> rings(corners.size() / 4);
  for (size_t i = 0; i < corners.size(); ++i) {
    rings[i / 4][i % 4] = {corners[i]->x, corners[i]->y};
    delete corners[i];
  }
  try {
    out = treecore::Obstacles::fromCorners(rings);
  } catch (const std::invalid_argument& e) {
    error = path + ": " + e.what();
    return false;
  }
  return true;
}

treecore::Form formOf(const BatchRequest& r) {
  if (r.program == Program::oamst) {
    return treecore::Form::spanningTree;
  }
  return r.noRefine   ? treecore::Form::unrefinedSteinerTree
         : r.optimize ? treecore::Form::optimizedSteinerTree
                      : treecore::Form::steinerTree;
}

bool refused(Status s) {
  return s == Status::pinInsideObstacle || s == Status::badCoordinate;
}

}  // namespace

bool isBatchOption(const std::string& arg) {
  for (const char* o : {"--nets", "--threads", "--format"}) {
    size_t n = std::strlen(o);
    if (arg.compare(0, n, o) == 0 && (arg.size() == n || arg[n] == '=')) {
      return true;
    }
  }
  return false;
}

bool parseBatchOption(
    const char* program, int argc, char** argv, int& i, BatchRequest& r) {
  std::string arg = argv[i];
  size_t eq = arg.find('=');
  std::string key = arg.substr(0, eq);
  std::string value;
  if (eq != std::string::npos) {
    value = arg.substr(eq + 1);
  } else if (i + 1 < argc) {
    value = argv[++i];
  } else {
    std::cerr << program << ": " << key << " needs a value" << std::endl;
    return false;
  }
  if (key == "--nets") {
    r.given = true;
    r.netsPath = value;
    return true;
  }
  r.tuned = true;
  if (key == "--format") {
    r.json = value == "json";
    if (value == "json" || value == "plain") {
      return true;
    }
  } else {
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(value.c_str(), &end, 10);
    if (!value.empty() && *end == '\0' && errno == 0 && n >= 1 && n <= 4096) {
      r.threads = static_cast<int>(n);
      return true;
    }
  }
  std::cerr << program << ": bad value '" << value << "' for " << key
            << (key == "--format" ? " (plain or json)" : " (1 to 4096)")
            << std::endl;
  return false;
}

bool checkBatchOptions(const char* program, const BatchRequest& r) {
  if (r.tuned && !r.given) {
    std::cerr << program << ": --threads and --format go with --nets"
              << std::endl;
    return false;
  }
  return true;
}

int runBatch(const BatchRequest& r) {
  const char* name = r.program == Program::oamst ? "oamst" : "zorvane";
  treecore::Obstacles obstacles;
  std::vector<NetPin> pins;
  std::vector<size_t> netEnds;
  std::string text, error;
  if (!readObstacles(r.obstaclePath, obstacles, error) ||
      !readWholeFile(r.netsPath, text, error) ||
      !parseNets(text, r.netsPath, pins, netEnds, error)) {
    std::cerr << name << ": " << error << std::endl;
    return 2;
  }
  text = std::string();

  StreamOut out(r.outputPath);
  if (!out.opened()) {
    std::cerr << name << ": cannot write " << r.outputPath << ": "
              << std::strerror(out.error()) << std::endl;
    return 3;
  }
  treecore::RouteOptions options;
  options.form = formOf(r);
  if (!r.json) {
    out.write(treecore::fileBanner(options.form));
  }
  options.exactGraph = r.exactGraph;
  // The plain format writes the drawing alone.
  options.drawingOnly = !r.json;
  int threads = treecore::threadsFor(r.threads);
  // Room for a slow net to finish while the others run on.
  size_t window = std::min<size_t>(4096 * threads, netEnds.size());
  struct Slot {
    std::string text;
    Status status;
    std::string message;
  };
  std::vector<Slot> slots(window);
  long forests = 0, refusals = 0;
  const long kShown = 10;

  std::clock_t start = std::clock();
  treecore::runInOrder(
      netEnds.size(), threads, window,
      [&](size_t i) {
        size_t from = i == 0 ? 0 : netEnds[i - 1];
        treecore::Net net;
        net.reserve(netEnds[i] - from);
        for (size_t k = from; k < netEnds[i]; ++k) {
          net.push_back({pins[k].x, pins[k].y});
        }
        treecore::Tree tree = treecore::routeNet(obstacles, net, options);
        Slot& slot = slots[i % window];
        slot.text.clear();
        long k = static_cast<long>(i) + 1;
        if (r.json) {
          treecore::appendJson(slot.text, tree, k);
          slot.text += '\n';
        } else {
          treecore::appendNetText(slot.text, tree, k);
        }
        slot.status = tree.status;
        slot.message = std::move(tree.message);
      },
      [&](size_t i) {
        const Slot& slot = slots[i % window];
        if (slot.status != Status::ok) {
          bool no = refused(slot.status);
          if (++(no ? refusals : forests) <= kShown) {
            std::cerr << name << ": " << (no ? "" : "warning: ") << "net "
                      << i + 1 << ": " << slot.message
                      << (no ? "; no tree written"
                             : "; one tree per part written")
                      << std::endl;
          }
        }
        out.write(slot.text);
      });
  std::clock_t end = std::clock();
  std::cout << "Execution Time = "
            << static_cast<double>(end - start) / CLOCKS_PER_SEC << " sec"
            << std::endl;

  if (!out.close()) {
    std::cerr << name << ": cannot write " << r.outputPath << ": "
              << std::strerror(out.error()) << std::endl;
    return 3;
  }
  long nets = static_cast<long>(netEnds.size());
  if (refusals > 0) {
    std::cerr << name << ": " << refusals << " of " << nets
              << " nets refused, each with a pin inside an obstacle; "
              << r.outputPath << " gives each its status" << std::endl;
  }
  if (forests > 0) {
    std::cerr << name << ": warning: obstacles keep the pins of " << forests
              << " of " << nets << " nets apart; " << r.outputPath
              << " holds a forest for each" << std::endl;
  }
  return refusals > 0 ? 5 : forests > 0 ? 4 : 0;
}
