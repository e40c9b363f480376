#include "options/lowerBound.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <queue>
#include <utility>

#include "options/escapeGrid.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();
// Work units per node or edge a step visits.
const double kUnitsPerVisit = 0.5;
// Rounding in the reduced costs can overstate the sum by a few parts in
// 10^13 of it; the bound gives up more than that.
const double kRoundingSlack = 1e-9;
// A cut is raised while it holds at most this many times the nodes of the
// smallest cut queued (a stale floor): strictly smallest first spends most
// of the work growing cuts again only to queue them (RC08: two grows in
// three); any cut apart from the root keeps the bound proven.
const size_t kMostGrowth = 2;

}  // namespace

double steinerLowerBound(const std::vector<RoutePoint>& pins,
                         const ObstacleIndex& obstacles,
                         const ObstacleIndex::Rect& box,
                         WorkBudget& budget) {
  if (pins.empty()) {
    return 0;
  }
  double pxlo = pins[0].x, pxhi = pxlo, pylo = pins[0].y, pyhi = pylo;
  for (const RoutePoint& p : pins) {
    pxlo = std::min(pxlo, static_cast<double>(p.x));
    pxhi = std::max(pxhi, static_cast<double>(p.x));
    pylo = std::min(pylo, static_cast<double>(p.y));
    pyhi = std::max(pyhi, static_cast<double>(p.y));
  }
  // The tree's shadows on the axes cover the pins' spans.
  double perimeter = (pxhi - pxlo) + (pyhi - pylo);

  double bxlo = std::min<double>(box.xlo, pxlo),
         bxhi = std::max<double>(box.xhi, pxhi);
  double bylo = std::min<double>(box.ylo, pylo),
         byhi = std::max<double>(box.yhi, pyhi);
  // The escape graph of the pins and of every obstacle side and box side
  // inside the box holds a shortest tree inside the box, so the cut
  // formulation over it has the same optimum as over the whole grid, and a
  // relaxation no weaker; on obstacle-dense nets it has a thirtieth of the
  // grid's nodes.
  std::vector<RoutePoint> corners{
      {static_cast<float>(bxlo), static_cast<float>(bylo)},
      {static_cast<float>(bxhi), static_cast<float>(byhi)}};
  EscapeGrid e;
  if (!buildEscape(e, corners, pins, obstacles, budget, true)) {
    return perimeter;
  }
  int n = static_cast<int>(e.size());
  const std::vector<int>& next = e.arcs;
  // Each node's four arcs out (right, up, left, down), as reduced costs;
  // the arc from u in direction d meets the arc into u from direction d of
  // its neighbour. Infinite where there is none.
  std::vector<double> cost(4 * static_cast<size_t>(n), kInf);
  for (int u = 0; u < n; ++u) {
    for (int d = 0; d < 4; ++d) {
      if (next[4 * u + d] >= 0) {
        cost[4 * u + d] = e.length(u, 0, 0, d);
      }
    }
  }
  budget.left -= kUnitsPerVisit * 4 * n;

  std::vector<int> terms;
  for (const RoutePoint& p : pins) {
    int t = e.at(p.x, p.y);
    if (t < 0) {
      return perimeter;  // a pin walled in on every side
    }
    terms.push_back(t);
  }
  std::sort(terms.begin() + 1, terms.end());
  terms.erase(std::unique(terms.begin() + 1, terms.end()), terms.end());
  int root = terms[0];
  terms.erase(std::remove(terms.begin() + 1, terms.end(), root), terms.end());

  // mark[v] == stamp: v reaches the cut's terminal over spent arcs.
  std::vector<int> mark(n, 0);
  int stamp = 0;
  std::vector<int> members;
  // Grows the cut of t by spent arcs; false when it holds the root.
  auto grow = [&](int t) {
    ++stamp;
    members.assign(1, t);
    mark[t] = stamp;
    for (size_t k = 0; k < members.size(); ++k) {
      int v = members[k];
      for (int d = 0; d < 4; ++d) {
        // The arc into v from its neighbour in direction d runs the other
        // way: out of u in direction d ^ 2.
        if (cost[4 * v + d] == kInf) {
          continue;
        }
        int u = next[4 * v + d];
        if (mark[u] != stamp && cost[4 * u + (d ^ 2)] == 0) {
          if (u == root) {
            return false;
          }
          mark[u] = stamp;
          members.push_back(u);
        }
      }
    }
    budget.left -= kUnitsPerVisit * 5 * static_cast<double>(members.size());
    return true;
  };

  double bound = 0;
  // About the smallest cut first: sizes only grow, so a stale size is a
  // floor.
  using Entry = std::pair<size_t, int>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> queue;
  for (size_t k = 1; k < terms.size(); ++k) {
    queue.push({1, terms[k]});
  }
  while (!queue.empty() && budget.left > 0) {
    auto [size, t] = queue.top();
    queue.pop();
    if (!grow(t)) {
      continue;  // the root reaches t
    }
    if (!queue.empty() && members.size() > kMostGrowth * queue.top().first) {
      queue.push({members.size(), t});
      continue;
    }
    double least = kInf;
    for (int v : members) {
      for (int d = 0; d < 4; ++d) {
        if (cost[4 * v + d] == kInf) {
          continue;
        }
        int u = next[4 * v + d];
        if (mark[u] != stamp) {
          least = std::min(least, cost[4 * u + (d ^ 2)]);
        }
      }
    }
    if (least == kInf) {
      break;  // walled apart: no tree at all
    }
    bound += least;
    for (int v : members) {
      for (int d = 0; d < 4; ++d) {
        if (cost[4 * v + d] == kInf) {
          continue;
        }
        int u = next[4 * v + d];
        double& c = cost[4 * u + (d ^ 2)];
        if (mark[u] != stamp) {
          c = c - least <= 0 ? 0 : c - least;
        }
      }
    }
    queue.push({members.size(), t});
  }
  bound *= 1 - kRoundingSlack;
  // On integer lines every tree's length is an integer.
  bool integral = true;
  for (double c : e.xs) {
    integral = integral && c == std::floor(c);
  }
  for (double c : e.ys) {
    integral = integral && c == std::floor(c);
  }
  if (integral) {
    bound = std::ceil(bound);
  }
  return std::max(perimeter, bound);
}
