// Obstacle-free nets of 5 to 100 pins through routeNets on one thread:
// processor time per net for the default pipeline and --optimize, and the
// lengths against --optimize of an older commit (or of this one). A
// thousand distinct nets per row (--nets N for another count), pins with
// integer coordinates in [0, 1000], distinct; --pins P for one row only;
// --only-optimize runs --optimize alone (for an instruction profile).
// Configured with -DTREECORE_BENCH_BEFORE=DIR, the older commit runs in the
// same process (see smallNetsBench); its --optimize is then the reference.
// Prints one table.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

extern "C" double afterRunNets(const double* xy,
                               const int* starts,
                               int count,
                               int optimize,
                               double* lengths);
#ifdef TREECORE_HAVE_BEFORE
extern "C" double beforeRunNets(const double* xy,
                                const int* starts,
                                int count,
                                int optimize,
                                double* lengths);
#endif

namespace {

struct Nets {
  std::vector<double> xy;
  std::vector<int> starts{0};
};

Nets makeNets(int pins, int count) {
  Nets n;
  for (int i = 0; i < count; ++i) {
    std::mt19937 rng(1000u * static_cast<unsigned>(i) + pins);
    std::uniform_int_distribution<int> coord(0, 1000);
    std::set<std::pair<int, int>> seen;
    while (static_cast<int>(seen.size()) < pins) {
      int x = coord(rng), y = coord(rng);
      if (seen.insert({x, y}).second) {
        n.xy.push_back(x);
        n.xy.push_back(y);
      }
    }
    n.starts.push_back(n.starts.back() + pins);
  }
  return n;
}

struct Run {
  double micros = 0;  // per net
  std::vector<double> lengths;
};

using RunNets = double (*)(const double*, const int*, int, int, double*);

Run runOf(RunNets run, const Nets& n, bool optimize) {
  Run r;
  int count = static_cast<int>(n.starts.size()) - 1;
  r.lengths.resize(count);
  r.micros =
      1e6 *
      run(n.xy.data(), n.starts.data(), count, optimize, r.lengths.data()) /
      count;
  return r;
}

// Percent by which the lengths together exceed the reference's.
double excess(const Run& r, const Run& reference) {
  double a = 0, b = 0;
  for (size_t i = 0; i < r.lengths.size(); ++i) {
    a += r.lengths[i];
    b += reference.lengths[i];
  }
  return 100 * (a - b) / b;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 1000;
  std::vector<int> rows{5, 9, 10, 20, 50, 100};
  bool onlyOptimize = false;
  for (int i = 1; i < argc; ++i) {
    onlyOptimize = onlyOptimize || std::strcmp(argv[i], "--only-optimize") == 0;
  }
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--nets") == 0) {
      count = std::atoi(argv[i + 1]);
    }
    if (std::strcmp(argv[i], "--pins") == 0) {
      rows = {std::atoi(argv[i + 1])};
    }
  }
  bool before = false;
#ifdef TREECORE_HAVE_BEFORE
  before = true;
#endif
  std::printf(
      "Obstacle-free nets through routeNets, one thread: processor time per "
      "net in microseconds; total length over %s --optimize. %d nets a "
      "row.\n\n",
      before ? "the older commit's" : "this commit's", count);
  std::printf(
      "| pins | default before | default after | default length | "
      "--optimize before | --optimize after | --optimize length | "
      "nets longer than default after (worst) |\n");
  std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  for (int pins : rows) {
    Nets n = makeNets(pins, count);
    if (onlyOptimize) {
      Run r = runOf(afterRunNets, n, true);
      std::printf("| %d | --optimize | %.2f |\n", pins, r.micros);
      continue;
    }
    Run defaultAfter = runOf(afterRunNets, n, false);
    Run optimizeAfter = runOf(afterRunNets, n, true);
    Run defaultBefore, optimizeBefore = optimizeAfter;
#ifdef TREECORE_HAVE_BEFORE
    defaultBefore = runOf(beforeRunNets, n, false);
    optimizeBefore = runOf(beforeRunNets, n, true);
#endif
    int longer = 0;
    double worst = 0;
    for (int i = 0; i < count; ++i) {
      double over = optimizeAfter.lengths[i] / defaultAfter.lengths[i] - 1;
      longer += over > 1e-12;
      worst = std::max(worst, 100 * over);
    }
    auto time = [before](const Run& r) {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.2f", r.micros);
      return before || r.micros > 0 ? std::string(buf) : std::string("-");
    };
    std::printf(
        "| %d | %s | %s | %+.2f %% | %s | %s | %+.3f %% | %d (%.2f %%) |\n",
        pins, time(defaultBefore).c_str(), time(defaultAfter).c_str(),
        excess(defaultAfter, optimizeBefore),
        before ? time(optimizeBefore).c_str() : "-",
        time(optimizeAfter).c_str(), excess(optimizeAfter, optimizeBefore),
        longer, worst);
  }
  return 0;
}
