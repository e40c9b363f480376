#pragma once
// The shortest obstacle-avoiding rectilinear Steiner tree of a tiny net, the
// slow and obvious way, for tests of the solvers that must match it.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "spatial/obstacleIndex.h"

// Every set of up to k - 2 Steiner points among the grid nodes (the grid of
// all pin and rectangle coordinates, which holds an optimal tree; a tree of
// k pins needs at most k - 2 branch points), and the spanning tree of the
// pins and those points under shortest grid distances. Pins at one
// position count once. Infinite when some pin cannot reach another. The
// time grows as the grid's size to the power k - 2: keep grids small from
// five pins on.
template <class Point>
double bruteForce(const std::vector<Point>& pins,
                  const std::vector<ObstacleIndex::Rect>& rects) {
  std::vector<float> xs, ys;
  for (const Point& p : pins) {
    xs.push_back(p.x);
    ys.push_back(p.y);
  }
  for (const ObstacleIndex::Rect& r : rects) {
    xs.insert(xs.end(), {r.xlo, r.xhi});
    ys.insert(ys.end(), {r.ylo, r.yhi});
  }
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  int nx = xs.size(), ny = ys.size(), n = nx * ny;
  auto inside = [&](float x, float y) {
    for (const ObstacleIndex::Rect& r : rects) {
      if (r.xlo < x && x < r.xhi && r.ylo < y && y < r.yhi) {
        return true;
      }
    }
    return false;
  };
  const double inf = std::numeric_limits<double>::infinity();
  // Floyd over the grid; a grid piece is free when its midpoint is outside
  // every open interior (grid lines run along every side).
  std::vector<double> d(n * n, inf);
  for (int v = 0; v < n; ++v) {
    d[v * n + v] = 0;
  }
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) {
      int v = j * nx + i;
      if (i + 1 < nx && !inside((xs[i] + xs[i + 1]) / 2, ys[j]) &&
          !inside(xs[i], ys[j]) && !inside(xs[i + 1], ys[j])) {
        d[v * n + v + 1] = d[(v + 1) * n + v] = xs[i + 1] - xs[i];
      }
      if (j + 1 < ny && !inside(xs[i], (ys[j] + ys[j + 1]) / 2) &&
          !inside(xs[i], ys[j]) && !inside(xs[i], ys[j + 1])) {
        d[v * n + v + nx] = d[(v + nx) * n + v] = ys[j + 1] - ys[j];
      }
    }
  }
  for (int k = 0; k < n; ++k) {
    for (int a = 0; a < n; ++a) {
      for (int b = 0; b < n; ++b) {
        d[a * n + b] = std::min(d[a * n + b], d[a * n + k] + d[k * n + b]);
      }
    }
  }
  std::vector<int> term;
  for (const Point& p : pins) {
    int i = std::lower_bound(xs.begin(), xs.end(), p.x) - xs.begin();
    int j = std::lower_bound(ys.begin(), ys.end(), p.y) - ys.begin();
    term.push_back(j * nx + i);
  }
  std::sort(term.begin(), term.end());
  term.erase(std::unique(term.begin(), term.end()), term.end());
  auto mst = [&](const std::vector<int>& nodes) {
    std::vector<double> key(nodes.size(), inf);
    std::vector<bool> in(nodes.size(), false);
    key[0] = 0;
    double total = 0;
    for (size_t it = 0; it < nodes.size(); ++it) {
      int u = -1;
      for (size_t a = 0; a < nodes.size(); ++a) {
        if (!in[a] && (u < 0 || key[a] < key[u])) {
          u = a;
        }
      }
      in[u] = true;
      total += key[u];
      for (size_t a = 0; a < nodes.size(); ++a) {
        key[a] = std::min(key[a], d[nodes[u] * n + nodes[a]]);
      }
    }
    return total;
  };
  std::vector<int> free;
  for (int v = 0; v < n; ++v) {
    if (!inside(xs[v % nx], ys[v / nx])) {
      free.push_back(v);
    }
  }
  std::vector<int> nodes = term;
  double best = mst(nodes);
  int most = static_cast<int>(term.size()) - 2;
  // Sets in increasing order of their nodes' positions in free.
  auto extend = [&](auto&& self, size_t from) -> void {
    if (static_cast<int>(nodes.size() - term.size()) == most) {
      return;
    }
    for (size_t a = from; a < free.size(); ++a) {
      nodes.push_back(free[a]);
      best = std::min(best, mst(nodes));
      self(self, a + 1);
      nodes.pop_back();
    }
  };
  extend(extend, 0);
  return best;
}
