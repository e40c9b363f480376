#include "options/lowerBound.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <queue>
#include <utility>

#include "options/gridLines.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();
// Work units per node or edge a step visits.
const double kUnitsPerVisit = 0.5;
// Grids larger than this are not built: the half perimeter stands.
const double kMostNodes = 4e6;
// Rounding in the reduced costs can overstate the sum by a few parts in
// 10^13 of it; the bound gives up more than that.
const double kRoundingSlack = 1e-9;

void sortUnique(std::vector<double>& c) {
  std::sort(c.begin(), c.end());
  c.erase(std::unique(c.begin(), c.end()), c.end());
}

int indexOf(const std::vector<double>& c, double v) {
  return static_cast<int>(std::lower_bound(c.begin(), c.end(), v) - c.begin());
}

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
  std::vector<double> xs{bxlo, bxhi}, ys{bylo, byhi};
  for (const RoutePoint& p : pins) {
    xs.push_back(p.x);
    ys.push_back(p.y);
  }
  std::vector<int> rects =
      obstacles.meeting(static_cast<float>(bxlo), static_cast<float>(bylo),
                        static_cast<float>(bxhi), static_cast<float>(byhi));
  for (int r : rects) {
    const ObstacleIndex::Rect& o = obstacles.rects()[r];
    for (double x : {o.xlo, o.xhi}) {
      if (bxlo < x && x < bxhi) {
        xs.push_back(x);
      }
    }
    for (double y : {o.ylo, o.yhi}) {
      if (bylo < y && y < byhi) {
        ys.push_back(y);
      }
    }
  }
  sortUnique(xs);
  sortUnique(ys);
  int nx = static_cast<int>(xs.size()), ny = static_cast<int>(ys.size());
  if (static_cast<double>(nx) * ny > kMostNodes) {
    return perimeter;
  }
  int n = nx * ny;
  auto node = [nx](int i, int j) { return j * nx + i; };
  // Each node's four arcs out (right, up, left, down), as reduced costs;
  // the arc from u in direction d meets the arc into u from direction d of
  // its neighbour. Infinite where blocked.
  std::vector<double> cost(4 * static_cast<size_t>(n), kInf);
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i + 1 < nx; ++i) {
      double w = xs[i + 1] - xs[i];
      cost[4 * node(i, j) + 0] = w;
      cost[4 * node(i + 1, j) + 2] = w;
    }
  }
  for (int j = 0; j + 1 < ny; ++j) {
    for (int i = 0; i < nx; ++i) {
      double w = ys[j + 1] - ys[j];
      cost[4 * node(i, j) + 1] = w;
      cost[4 * node(i, j + 1) + 3] = w;
    }
  }
  // Every obstacle's sides lie on grid lines: a piece meets its open
  // interior when it runs strictly inside both of its spans on one axis
  // and inside or across on the other.
  for (int r : rects) {
    const ObstacleIndex::Rect& o = obstacles.rects()[r];
    auto [i1, i2] = linesStrictlyInside(xs, o.xlo, o.xhi);
    auto [j1, j2] = linesStrictlyInside(ys, o.ylo, o.yhi);
    int h1 = std::max(0, i1 - 1), h2 = std::min(nx - 2, i2);
    int v1 = std::max(0, j1 - 1), v2 = std::min(ny - 2, j2);
    for (int j = j1; j <= j2; ++j) {
      for (int i = h1; i <= h2; ++i) {
        cost[4 * node(i, j) + 0] = kInf;
        cost[4 * node(i + 1, j) + 2] = kInf;
      }
    }
    for (int i = i1; i <= i2; ++i) {
      for (int j = v1; j <= v2; ++j) {
        cost[4 * node(i, j) + 1] = kInf;
        cost[4 * node(i, j + 1) + 3] = kInf;
      }
    }
  }
  budget.left -= kUnitsPerVisit * 4 * n;
  const int step[4] = {1, nx, -1, -nx};

  std::vector<int> terms;
  for (const RoutePoint& p : pins) {
    terms.push_back(node(indexOf(xs, p.x), indexOf(ys, p.y)));
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
        int u = v + step[d];
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
  // The smallest cut first: sizes only grow, so a stale size is a floor.
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
    if (!queue.empty() && members.size() > queue.top().first) {
      queue.push({members.size(), t});
      continue;
    }
    double least = kInf;
    for (int v : members) {
      for (int d = 0; d < 4; ++d) {
        if (cost[4 * v + d] == kInf) {
          continue;
        }
        int u = v + step[d];
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
        int u = v + step[d];
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
  for (double c : xs) {
    integral = integral && c == std::floor(c);
  }
  for (double c : ys) {
    integral = integral && c == std::floor(c);
  }
  if (integral) {
    bound = std::ceil(bound);
  }
  return std::max(perimeter, bound);
}
