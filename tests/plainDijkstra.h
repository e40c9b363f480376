#pragma once
#include <cmath>
#include <limits>
#include <vector>

// Distances from root by the textbook Dijkstra (a scan for the nearest
// unsettled node, no heap), slow and plain, as an oracle for the searches
// under test. arcs(u, relax) calls relax(v, length) for each arc out of u
// that may be used.
template <class Arcs>
std::vector<double> plainDistances(size_t n, int root, Arcs arcs) {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> d(n, inf);
  std::vector<char> done(n, 0);
  d[root] = 0;
  for (;;) {
    int u = -1;
    for (size_t v = 0; v < n; ++v) {
      if (!done[v] && std::isfinite(d[v]) && (u < 0 || d[v] < d[u])) {
        u = static_cast<int>(v);
      }
    }
    if (u < 0) {
      return d;
    }
    done[u] = 1;
    arcs(u, [&](int v, double len) { d[v] = std::min(d[v], d[u] + len); });
  }
}
