// Time of formSG for random and lattice pins, with and without blocks, from
// a thousand to a hundred thousand vertices.
#include <benchmark/benchmark.h>

#include "bench/benchInput.h"
#include "router/router.h"

namespace {

using bench::Input;
using bench::Layout;

void formSG(benchmark::State& state, Layout layout, bool blocks) {
  Input in(layout, blocks, static_cast<int>(state.range(0)));
  size_t edges = 0;
  for (auto _ : state) {
    Router* r = new Router(in.vertices);
    r->formSG();
    state.PauseTiming();
    edges = r->sgEdges.size();
    delete r;
    in.clearGraph();
    state.ResumeTiming();
  }
  state.counters["vertices"] = static_cast<double>(in.vertices.size());
  state.counters["edges"] = static_cast<double>(edges);
}

void sizes(benchmark::internal::Benchmark* b) {
  for (int n : {1000, 3000, 10000, 30000, 100000}) {
    b->Arg(n);
  }
  b->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK_CAPTURE(formSG, uniform, Layout::uniform, false)->Apply(sizes);
BENCHMARK_CAPTURE(formSG, uniformBlocks, Layout::uniform, true)->Apply(sizes);
BENCHMARK_CAPTURE(formSG, lattice, Layout::lattice, false)->Apply(sizes);
BENCHMARK_CAPTURE(formSG, latticeBlocks, Layout::lattice, true)->Apply(sizes);

BENCHMARK_MAIN();
