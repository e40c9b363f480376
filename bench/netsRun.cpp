// Nets through the value interface, as a user routes a design: routeNets
// on one thread, no obstacles. Compiled once against this tree's library
// and, for comparisons, once more against an older one under another name
// (NETS_RUN), so that both run the same steps.
#include <ctime>
#include <vector>

#include "treecore/route.h"

#ifndef NETS_RUN
#define NETS_RUN afterRunNets
#endif

// Net i holds the points xy[2 k], xy[2 k + 1] for k from starts[i] to
// starts[i + 1]. Fills lengths[i] with its tree's length; returns the
// processor seconds the routing took.
extern "C" __attribute__((visibility("default"))) double NETS_RUN(
    const double* xy,
    const int* starts,
    int count,
    int optimize,
    double* lengths) {
  std::vector<treecore::Net> nets(count);
  for (int i = 0; i < count; ++i) {
    for (int k = starts[i]; k < starts[i + 1]; ++k) {
      nets[i].push_back({xy[2 * k], xy[2 * k + 1]});
    }
  }
  treecore::Obstacles none;
  treecore::RouteOptions options;
  options.form = optimize ? treecore::Form::optimizedSteinerTree
                          : treecore::Form::steinerTree;
  std::clock_t start = std::clock();
  std::vector<treecore::Tree> trees =
      treecore::routeNets(none, nets, options, 1);
  double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  for (int i = 0; i < count; ++i) {
    lengths[i] = trees[i].wireLength;
  }
  return seconds;
}
