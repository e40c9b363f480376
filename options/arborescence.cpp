#include "options/arborescence.h"

#include <algorithm>
#include <cmath>

namespace {

// Lengths summed in another order may differ in the last bits.
const double kSlack = 1e-9;

// The flags per node.
const char kAlive = 1;  // the root of a cluster not yet joined to another
const char kPin = 2;

}  // namespace

void steinerArborescence(const ArborescenceGraph& g,
                         const std::vector<double>& first,
                         const std::vector<int>& pinNode,
                         std::vector<char>& in,
                         ArborescenceScratch& s,
                         const std::vector<int>* settled) {
  size_t n = first.size();
  in.assign(g.pieceLen.size(), 0);
  if (pinNode.empty() || pinNode[0] < 0) {
    return;
  }
  s.alive.assign(n, 0);
  for (int v : pinNode) {
    if (v >= 0 && std::isfinite(first[v])) {
      s.alive[v] = kPin;
    }
  }
  // carry[u]: the root of the cluster that u lies on a shortest route to
  // (-1 for none), reached over entry down[u]; each node carries at most
  // one, so the routes drawn to different roots share no node, and the
  // whole work is one look at each node's pieces.
  s.carry.assign(n, -1);
  s.down.assign(n, -1);
  // One node of the sweep: it takes up, or joins, the clusters of the
  // nodes one step farther along a shortest route.
  // Read through pointers: only the list of clusters met grows.
  const int* start = g.start.data();
  const PathArc* arcs = g.arcs.data();
  const int* carry = s.carry.data();
  const char* alive = s.alive.data();
  const double* dist = first.data();
  auto sweep = [&](int z) {
    s.live.clear();
    double dz = dist[z];
    for (int e = start[z], end = start[z + 1]; e < end; ++e) {
      // The cheaper test first: most nodes carry nothing.
      int x = arcs[e].to;
      int r = carry[x];
      if (r < 0 || !(alive[r] & kAlive)) {
        continue;
      }
      double dx = dist[x];
      if (!std::isfinite(dx) ||
          !(std::fabs(dz + arcs[e].len - dx) <= kSlack * std::max(1.0, dx))) {
        continue;  // not one step further along a shortest route
      }
      bool seen = false;
      for (int q = 0; q < static_cast<int>(s.live.size()); q += 2) {
        seen = seen || s.live[q] == r;
      }
      if (!seen) {
        s.live.push_back(r);
        s.live.push_back(e);
      }
    }
    bool pin = s.alive[z] & kPin;
    if (s.live.empty() && !pin) {
      return;
    }
    if (s.live.size() == 2 && !pin) {
      s.carry[z] = s.live[0];
      s.down[z] = s.live[1];
      return;
    }
    // The clusters met here join at z: each one's route from z, back along
    // the nodes that carried it, to its root.
    for (size_t q = 0; q < s.live.size(); q += 2) {
      int r = s.live[q];
      int e = s.live[q + 1];
      for (;;) {
        in[g.arcs[e].piece] = 1;
        int x = g.arcs[e].to;
        if (x == r) {
          break;
        }
        e = s.down[x];
      }
      s.alive[r] = static_cast<char>(s.alive[r] & ~kAlive);
    }
    s.alive[z] = static_cast<char>(s.alive[z] | kAlive);
    s.carry[z] = z;
  };
  // Farthest first: a node's successors on shortest routes come before it,
  // as lengths are positive. Ties to the higher node, for a fixed order.
  if (settled) {
    for (auto it = settled->rbegin(); it != settled->rend(); ++it) {
      sweep(*it);
    }
    return;
  }
  s.order.clear();
  for (size_t u = 0; u < n; ++u) {
    if (std::isfinite(first[u])) {
      s.order.push_back({-first[u], -static_cast<int>(u)});
    }
  }
  std::sort(s.order.begin(), s.order.end());
  for (auto [key, minusZ] : s.order) {
    sweep(-minusZ);
  }
}
