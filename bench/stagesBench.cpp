// Time of every pipeline stage on its own: the stages before it run untimed
// on a fresh instance, then the stage is timed. Names are
// stage/<stage>/<layout>[Blocks]/<vertices>; filter with
// --benchmark_filter, e.g. 'stage/extendedKruskal/eighths/'.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/benchInput.h"
#include "router/router.h"

namespace {

using bench::Input;
using bench::Layout;

struct Stage {
  const char* name;
  void (*run)(Router&);
};

// The stages of formSMT in their order.
const Stage kStages[] = {
    {"connectObstEdges", [](Router& r) { r.connectObstEdges(); }},
    {"connectQuad1", [](Router& r) { r.connectQuad1(); }},
    {"connectQuad2", [](Router& r) { r.connectQuad2(); }},
    {"connectQuad3", [](Router& r) { r.connectQuad3(); }},
    {"connectQuad4", [](Router& r) { r.connectQuad4(); }},
    {"extendedDijkstraForPinForest",
     [](Router& r) { r.extendedDijkstraForPinForest(); }},
    {"extendedKruskal", [](Router& r) { r.extendedKruskal(); }},
    {"gainComputation", [](Router& r) { r.gainComputation(); }},
    {"addSteinerPoints", [](Router& r) { r.addSteinerPoints(); }},
    {"legalizeTree", [](Router& r) { r.legalizeTree(); }},
    {"rectilinearizeSMT", [](Router& r) { r.rectilinearizeSMT(); }},
    {"rmRedundentVers", [](Router& r) { r.rmRedundentVers(); }},
    {"moveSegments", [](Router& r) { r.moveSegments(); }},
    {"cleanSegments", [](Router& r) { r.cleanSegments(); }},
};

void runStage(benchmark::State& state, int k, Layout layout, bool blocks) {
  int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto in = std::make_unique<Input>(layout, blocks, n);
    auto r = std::make_unique<Router>(in->vertices);
    for (int i = 0; i < k; ++i) {
      kStages[i].run(*r);
    }
    state.ResumeTiming();
    kStages[k].run(*r);
    state.PauseTiming();
    r.reset();
    in.reset();
    state.ResumeTiming();
  }
}

}  // namespace

int main(int argc, char** argv) {
  struct Kind {
    const char* name;
    Layout layout;
    bool blocks;
  };
  const Kind kinds[] = {
      {"uniform", Layout::uniform, false},
      {"eighths", Layout::eighths, false},
      {"lattice", Layout::lattice, false},
      {"eighthsBlocks", Layout::eighths, true},
  };
  for (int k = 0; k < static_cast<int>(std::size(kStages)); ++k) {
    for (const Kind& kind : kinds) {
      std::string name =
          std::string("stage/") + kStages[k].name + "/" + kind.name;
      benchmark::RegisterBenchmark(name.c_str(), runStage, k, kind.layout,
                                   kind.blocks)
          ->Arg(1000)
          ->Arg(10000)
          ->Arg(100000)
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
