#include "treecore/timing.h"

#include <cmath>
#include <limits>

#include "treecore/tree.h"

namespace treecore {

Timing timingOf(const Tree& tree,
                const std::vector<double>& shortest,
                const TimingModel& model) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Timing t;
  t.computed = true;
  size_t pins = shortest.size();
  size_t n = tree.nodes.size();
  t.shortest = shortest;
  t.pathLength.assign(pins, nan);
  t.stretch.assign(pins, nan);
  t.elmoreDelay.assign(pins, nan);
  if (n == 0 || pins == 0) {
    return t;
  }
  // The first pin's part, parents before children.
  std::vector<std::vector<int>> children(n);
  for (const Edge& e : tree.edges) {
    children[e.from].push_back(e.to);
  }
  std::vector<int> order(1, 0);
  for (size_t q = 0; q < order.size(); ++q) {
    for (int c : children[order[q]]) {
      order.push_back(c);
    }
  }
  std::vector<double> path(n, nan), edgeLen(n, 0), load(n, 0), delay(n, nan);
  path[0] = 0;
  for (size_t q = 1; q < order.size(); ++q) {
    int v = order[q];
    edgeLen[v] = tree.edges[tree.nodes[v].edge].length();
    path[v] = path[tree.nodes[v].parent] + edgeLen[v];
  }
  // Each node's load: its pin's, then, children first, the wire and the
  // loads below it.
  for (size_t q = 1; q < order.size(); ++q) {
    int v = order[q];
    if (static_cast<size_t>(v) < pins) {
      load[v] += model.pinCapacitance;
    }
  }
  for (size_t q = order.size(); q-- > 1;) {
    int v = order[q];
    load[tree.nodes[v].parent] += load[v] + edgeLen[v];
  }
  delay[0] = model.driverResistance * load[0];
  for (size_t q = 1; q < order.size(); ++q) {
    int v = order[q];
    double len = edgeLen[v];
    delay[v] = delay[tree.nodes[v].parent] + len * (len / 2 + load[v]);
  }
  double sum = 0;
  long counted = 0;
  t.maxStretch = 1;
  for (size_t i = 0; i < pins && i < n; ++i) {
    t.pathLength[i] = path[i];
    t.elmoreDelay[i] = delay[i];
    if (std::isnan(path[i])) {
      continue;
    }
    t.radius = std::max(t.radius, path[i]);
    double s =
        path[i] == shortest[i] ? 1 : path[i] / shortest[i];  // infinity over 0
    t.stretch[i] = s;
    if (i > 0) {
      t.maxStretch = std::max(t.maxStretch, s);
      sum += s;
      ++counted;
    }
  }
  t.meanStretch = counted ? sum / static_cast<double>(counted) : 1;
  return t;
}

}  // namespace treecore
