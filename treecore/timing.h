#pragma once
#include <vector>

namespace treecore {

struct Tree;

// The electrical model of the delay figures: wire of unit resistance and
// unit capacitance per unit of length, a driver resistance at the first pin
// and a load at every other pin.
struct TimingModel {
  double driverResistance = 0;
  double pinCapacitance = 0;
};

// How the tree serves its first pin, the driver. Per pin, in input order;
// NaN for a pin that the tree does not join to the first pin (a forest's
// other parts).
struct Timing {
  // False until the figures are computed (RouteOptions::timing).
  bool computed = false;
  // Along the tree from the first pin.
  std::vector<double> pathLength;
  // The shortest obstacle-avoiding route from the first pin, among the
  // obstacles the tree was routed around.
  std::vector<double> shortest;
  // pathLength over shortest; 1 where both are 0.
  std::vector<double> stretch;
  // The Elmore delay from the driver's source to the pin.
  std::vector<double> elmoreDelay;
  // Over the pins joined to the first, the first pin excepted; 1 when there
  // is none.
  double maxStretch = 1;
  double meanStretch = 1;
  // The longest pathLength.
  double radius = 0;
};

// The figures of a tree with nodes and edges, given each pin's shortest
// distance from the first pin.
Timing timingOf(const Tree& tree,
                const std::vector<double>& shortest,
                const TimingModel& model);

}  // namespace treecore
