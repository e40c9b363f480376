// Small nets, one at a time, one thread: processor time per net and length
// against the optimum, for the default pipeline (formSMT) and --optimize
// (formOptimizedSMT), each on a fresh Router per net, and for the exact
// solver alone. 2 to 16 pins, without obstacles and with ten in the pins'
// box. Times are taken over a thousand distinct nets per row: a dozen nets
// run again and again let the branch predictor learn them, which halves a
// 10-pin net's time and is nothing like routing a design. Configured with
// -DTREECORE_BENCH_BEFORE=DIR (DIR holding the sources of an older commit, e.g.
// from git archive), the same nets also run through that commit's library in
// the same process, and the tables set both side by side. Prints Google
// Benchmark's lines, then the tables.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "options/exactSteiner.h"
#include "spatial/obstacleIndex.h"

extern "C" double afterRunNet(const float* pins,
                              int pinCount,
                              const float* rects,
                              int rectCount,
                              int optimize);
#ifdef TREECORE_HAVE_BEFORE
extern "C" double beforeRunNet(const float* pins,
                               int pinCount,
                               const float* rects,
                               int rectCount,
                               int optimize);
#endif

namespace {

const int kNets = 12;         // per pin count and obstacle setting, for lengths
const int kTimedNets = 1000;  // per row, for times
const int kObstacles = 10;
const double kInf = std::numeric_limits<double>::infinity();

struct Net {
  std::vector<float> pins;   // x, y
  std::vector<float> rects;  // xlo, ylo, xhi, yhi
  std::vector<RoutePoint> points;
  std::vector<ObstacleIndex::Rect> boxes;
  ObstacleIndex::Rect grown;  // the pins' box grown by the obstacles
  double optimum = kInf;
};

// Distinct pins with integer coordinates in [0, 1000]; with obstacles, ten
// rectangles inside the pins' box, of 2 to 12 percent of its width and
// height, neither overlapping each other nor holding a pin inside.
Net makeNet(int pins, bool obstacles, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> coord(0, 1000);
  Net n;
  while (static_cast<int>(n.points.size()) < pins) {
    RoutePoint p{static_cast<float>(coord(rng)),
                 static_cast<float>(coord(rng))};
    if (std::find(n.points.begin(), n.points.end(), p) == n.points.end()) {
      n.points.push_back(p);
    }
  }
  float xlo = n.points[0].x, xhi = xlo, ylo = n.points[0].y, yhi = ylo;
  for (const RoutePoint& p : n.points) {
    xlo = std::min(xlo, p.x), xhi = std::max(xhi, p.x);
    ylo = std::min(ylo, p.y), yhi = std::max(yhi, p.y);
  }
  std::uniform_real_distribution<float> unit(0, 1);
  for (int tries = 0; obstacles && tries < 100000 &&
                      static_cast<int>(n.boxes.size()) < kObstacles;
       ++tries) {
    float w =
        std::max(1.0f, std::round((xhi - xlo) * (0.02f + 0.1f * unit(rng))));
    float h =
        std::max(1.0f, std::round((yhi - ylo) * (0.02f + 0.1f * unit(rng))));
    float x = std::round(xlo + (xhi - xlo - w) * unit(rng));
    float y = std::round(ylo + (yhi - ylo - h) * unit(rng));
    ObstacleIndex::Rect r{x, y, x + w, y + h};
    bool clear = true;
    for (const RoutePoint& p : n.points) {
      clear =
          clear && !(r.xlo < p.x && p.x < r.xhi && r.ylo < p.y && p.y < r.yhi);
    }
    for (const ObstacleIndex::Rect& o : n.boxes) {
      clear = clear && !(r.xlo < o.xhi && o.xlo < r.xhi && r.ylo < o.yhi &&
                         o.ylo < r.yhi);
    }
    if (clear) {
      n.boxes.push_back(r);
    }
  }
  for (const RoutePoint& p : n.points) {
    n.pins.insert(n.pins.end(), {p.x, p.y});
  }
  for (const ObstacleIndex::Rect& r : n.boxes) {
    n.rects.insert(n.rects.end(), {r.xlo, r.ylo, r.xhi, r.yhi});
  }
  // Every obstacle lies in the pins' box, so the box needs no growing.
  n.grown = {xlo, ylo, xhi, yhi};
  return n;
}

enum class Mode { pipeline, optimize, solver };
enum class Version { before, after };

using RunNet = double (*)(const float*, int, const float*, int, int);

RunNet runnerOf(Version v) {
#ifdef TREECORE_HAVE_BEFORE
  if (v == Version::before) {
    return beforeRunNet;
  }
#endif
  (void)v;
  return afterRunNet;
}

struct Class {
  int pins;
  bool obstacles;
  std::vector<Net> nets;   // with their optimum
  std::vector<Net> timed;  // others, only timed
};

std::vector<Class> classes;

double solveAlone(const Net& n, const ObstacleIndex& index) {
  WorkBudget unbounded{kInf};
  return solveExactTree(n.points, index, n.grown, unbounded).length;
}

void timeNets(benchmark::State& state, const Class* c, Mode mode, Version v) {
  std::vector<ObstacleIndex> indexes;
  for (const Net& n : c->timed) {
    indexes.emplace_back(n.boxes);
  }
  RunNet run = runnerOf(v);
  size_t k = 0;
  for (auto _ : state) {
    const Net& n = c->timed[k];
    double len = mode == Mode::solver
                     ? solveAlone(n, indexes[k])
                     : run(n.pins.data(), static_cast<int>(n.points.size()),
                           n.rects.data(), static_cast<int>(n.boxes.size()),
                           mode == Mode::optimize);
    benchmark::DoNotOptimize(len);
    k = (k + 1) % c->timed.size();
  }
}

std::string nameOf(const Class& c, Mode mode, Version v) {
  const char* m = mode == Mode::pipeline   ? "default"
                  : mode == Mode::optimize ? "optimize"
                                           : "solver";
  return std::string("smallNets/") + m + "/" +
         (v == Version::before ? "before" : "after") + "/" +
         std::to_string(c.pins) + (c.obstacles ? "/obstacles" : "/open");
}

// Processor time per iteration, by benchmark name, in microseconds.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      std::string name = r.benchmark_name();
      micros[name.substr(0, name.find("/iterations:"))] =
          r.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> micros;
};

// Percent above the optimum on average, and how many nets are optimal.
std::string against(const Class& c, Mode mode, Version v) {
  RunNet run = runnerOf(v);
  double above = 0;
  int optimal = 0;
  for (const Net& n : c.nets) {
    double len =
        run(n.pins.data(), static_cast<int>(n.points.size()), n.rects.data(),
            static_cast<int>(n.boxes.size()), mode == Mode::optimize);
    above += 100 * (len - n.optimum) / n.optimum;
    optimal += len <= n.optimum * (1 + 1e-9);
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f%% (%d/%zu)", above / c.nets.size(),
                optimal, c.nets.size());
  return buf;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::vector<Version> versions;
#ifdef TREECORE_HAVE_BEFORE
  versions.push_back(Version::before);
#endif
  versions.push_back(Version::after);
  for (bool obstacles : {false, true}) {
    for (int pins = 2; pins <= 16; ++pins) {
      Class c{pins, obstacles, {}, {}};
      unsigned seed = 1;
      for (; static_cast<int>(c.nets.size()) < kNets; ++seed) {
        Net n = makeNet(pins, obstacles, seed * 1000 + pins);
        ObstacleIndex index(n.boxes);
        n.optimum = solveAlone(n, index);
        if (n.optimum < kInf) {
          c.nets.push_back(std::move(n));
        }
      }
      while (static_cast<int>(c.timed.size()) < kTimedNets) {
        c.timed.push_back(makeNet(pins, obstacles, seed++ * 1000 + pins));
      }
      classes.push_back(std::move(c));
    }
  }
  for (const Class& c : classes) {
    for (Mode mode : {Mode::pipeline, Mode::optimize, Mode::solver}) {
      for (Version v : versions) {
        if (mode == Mode::solver && v == Version::before) {
          continue;
        }
        // Enough distinct nets to take a few tenths of a second, at
        // least a dozen.
        auto* b = benchmark::RegisterBenchmark(nameOf(c, mode, v).c_str(),
                                               timeNets, &c, mode, v);
        double start = std::clock();
        int done = 0;
        do {
          const Net& n = c.timed[done % c.timed.size()];
          if (mode == Mode::solver) {
            solveAlone(n, ObstacleIndex(n.boxes));
          } else {
            runnerOf(v)(n.pins.data(), static_cast<int>(n.points.size()),
                        n.rects.data(), static_cast<int>(n.boxes.size()),
                        mode == Mode::optimize);
          }
          ++done;
        } while ((std::clock() - start) / CLOCKS_PER_SEC < 0.05);
        double perNet = (std::clock() - start) / CLOCKS_PER_SEC / done;
        int iterations =
            std::clamp(static_cast<int>(0.3 / perNet), kNets, 100 * kTimedNets);
        b->Iterations(iterations)->Unit(benchmark::kMicrosecond);
      }
    }
  }
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  for (bool obstacles : {false, true}) {
    std::printf(
        "\n%s: processor time per net in microseconds; length above "
        "the optimum on average (nets at the optimum)\n\n",
        obstacles ? "Ten obstacles in the pins' box" : "No obstacles");
    std::printf(
        "| pins | default before | default after | default length "
        "before | after | --optimize before | --optimize after | "
        "--optimize length before | after | solver alone |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const Class& c : classes) {
      if (c.obstacles != obstacles) {
        continue;
      }
      bool timed = false;
      for (Mode mode : {Mode::pipeline, Mode::optimize, Mode::solver}) {
        for (Version v : versions) {
          timed = timed || reporter.micros.count(nameOf(c, mode, v));
        }
      }
      if (!timed) {
        continue;  // filtered out
      }
      auto time = [&](Mode mode, Version v) {
        auto it = reporter.micros.find(nameOf(c, mode, v));
        char buf[32];
        if (it == reporter.micros.end()) {
          return std::string("-");
        }
        std::snprintf(buf, sizeof buf, "%.1f", it->second);
        return std::string(buf);
      };
      bool before = versions.size() == 2;
      std::printf(
          "| %d | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", c.pins,
          time(Mode::pipeline, Version::before).c_str(),
          time(Mode::pipeline, Version::after).c_str(),
          before ? against(c, Mode::pipeline, Version::before).c_str() : "-",
          against(c, Mode::pipeline, Version::after).c_str(),
          time(Mode::optimize, Version::before).c_str(),
          time(Mode::optimize, Version::after).c_str(),
          before ? against(c, Mode::optimize, Version::before).c_str() : "-",
          against(c, Mode::optimize, Version::after).c_str(),
          time(Mode::solver, Version::after).c_str());
    }
  }
  return 0;
}
