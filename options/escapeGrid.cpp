#include "options/escapeGrid.h"

#include <utility>

#include "options/gridLines.h"

namespace {

// The escape graph is built from a grid of up to this many nodes, at these
// units per grid node, per piece its lines cover and per node it keeps.
const double kMostCells = 4e7;
const double kUnitsPerCell = 0.1;
const double kUnitsPerLine = 0.5;
const double kUnitsPerNode = 0.5;

void sortUnique(std::vector<double>& c) {
  std::sort(c.begin(), c.end());
  c.erase(std::unique(c.begin(), c.end()), c.end());
}

}  // namespace

std::vector<int> gridLines(LineGrid& g,
                           const std::vector<RoutePoint>& points,
                           const std::vector<RoutePoint>& pins,
                           const ObstacleIndex& obstacles) {
  double xlo = points[0].x, xhi = xlo, ylo = points[0].y, yhi = ylo;
  for (const RoutePoint& p : points) {
    xlo = std::min<double>(xlo, p.x), xhi = std::max<double>(xhi, p.x);
    ylo = std::min<double>(ylo, p.y), yhi = std::max<double>(yhi, p.y);
  }
  for (const RoutePoint& p : points) {
    g.xs.push_back(p.x);
    g.ys.push_back(p.y);
  }
  for (const RoutePoint& p : pins) {
    if (xlo <= p.x && p.x <= xhi && ylo <= p.y && p.y <= yhi) {
      g.xs.push_back(p.x);
      g.ys.push_back(p.y);
    }
  }
  std::vector<int> rects =
      obstacles.meeting(static_cast<float>(xlo), static_cast<float>(ylo),
                        static_cast<float>(xhi), static_cast<float>(yhi));
  for (int r : rects) {
    const ObstacleIndex::Rect& o = obstacles.rects()[r];
    for (double x : {o.xlo, o.xhi}) {
      if (xlo < x && x < xhi) {
        g.xs.push_back(x);
      }
    }
    for (double y : {o.ylo, o.yhi}) {
      if (ylo < y && y < yhi) {
        g.ys.push_back(y);
      }
    }
  }
  sortUnique(g.xs);
  sortUnique(g.ys);
  g.nx = static_cast<int>(g.xs.size());
  g.ny = static_cast<int>(g.ys.size());
  return rects;
}

void shutPieces(LineGrid& g,
                const std::vector<int>& rects,
                const ObstacleIndex& obstacles) {
  g.shut.assign(g.size(), 0);
  // Every obstacle's sides inside the box lie on grid lines: a piece meets
  // an open interior when it runs strictly inside one of its spans and
  // inside or across the other.
  for (int r : rects) {
    const ObstacleIndex::Rect& o = obstacles.rects()[r];
    auto [i1, i2] = linesStrictlyInside(g.xs, o.xlo, o.xhi);
    auto [j1, j2] = linesStrictlyInside(g.ys, o.ylo, o.yhi);
    int h1 = std::max(0, i1 - 1), h2 = std::min(g.nx - 2, i2);
    int v1 = std::max(0, j1 - 1), v2 = std::min(g.ny - 2, j2);
    for (int j = j1; j <= j2; ++j) {
      for (int i = h1; i <= h2; ++i) {
        g.shut[g.node(i, j)] |= 1;
      }
    }
    for (int i = i1; i <= i2; ++i) {
      for (int j = v1; j <= v2; ++j) {
        g.shut[g.node(i, j)] |= 2;
      }
    }
  }
}

bool buildEscape(EscapeGrid& e,
                 const std::vector<RoutePoint>& points,
                 const std::vector<RoutePoint>& pins,
                 const ObstacleIndex& obstacles,
                 WorkBudget& budget,
                 bool everyRun) {
  LineGrid g;
  std::vector<int> rects = gridLines(g, points, pins, obstacles);
  double cells = static_cast<double>(g.nx) * g.ny;
  if (cells > kMostCells || kUnitsPerCell * cells > budget.left) {
    return false;
  }
  budget.left -= kUnitsPerCell * cells;
  shutPieces(g, rects, obstacles);
  // Bits of shut beyond the grid's: 4, the piece to the right is on a line;
  // 8, the piece up is; 16, a node is kept here whatever its pieces.
  std::vector<unsigned char>& m = g.shut;
  double walked = 0;
  // A line through a point covers the free run of pieces holding it: once
  // one of a run's pieces is on a line, all are.
  auto across = [&](int i, int j) {
    for (int k = i; k + 1 < g.nx; ++k) {
      unsigned char& b = m[g.node(k, j)];
      if (b & 5) {
        break;
      }
      b |= 4;
      ++walked;
    }
    for (int k = i; k > 0; --k) {
      unsigned char& b = m[g.node(k - 1, j)];
      if (b & 5) {
        break;
      }
      b |= 4;
      ++walked;
    }
  };
  auto along = [&](int i, int j) {
    for (int k = j; k + 1 < static_cast<int>(g.ys.size()); ++k) {
      unsigned char& b = m[g.node(i, k)];
      if (b & 10) {
        break;
      }
      b |= 8;
      ++walked;
    }
    for (int k = j; k > 0; --k) {
      unsigned char& b = m[g.node(i, k - 1)];
      if (b & 10) {
        break;
      }
      b |= 8;
      ++walked;
    }
  };
  auto index = [](const std::vector<double>& c, double v) {
    auto k = std::lower_bound(c.begin(), c.end(), v) - c.begin();
    return k < static_cast<long>(c.size()) && c[k] == v ? static_cast<int>(k)
                                                        : -1;
  };
  auto through = [&](const RoutePoint& p) {
    int i = index(g.xs, p.x), j = index(g.ys, p.y);
    if (i >= 0 && j >= 0) {
      m[g.node(i, j)] |= 16;
      across(i, j);
      along(i, j);
    }
  };
  for (const RoutePoint& p : points) {
    through(p);
  }
  for (const RoutePoint& p : pins) {
    through(p);
  }
  // Where obstacles overlap, or leave the box, a side (the box's too)
  // falls into several free runs, each of which carries a line: every piece
  // along it is looked at.
  auto row = [&](int j, int a, int b) {
    for (int k = a; k < b; ++k) {
      ++walked;
      if (!(m[g.node(k, j)] & 5)) {
        across(k, j);
      }
    }
  };
  auto column = [&](int i, int a, int b) {
    for (int k = a; k < b; ++k) {
      ++walked;
      if (!(m[g.node(i, k)] & 10)) {
        along(i, k);
      }
    }
  };
  // The lines' indices from the first at or past lo to the last at or
  // before hi.
  auto span = [](const std::vector<double>& c, double lo, double hi) {
    int a =
        static_cast<int>(std::lower_bound(c.begin(), c.end(), lo) - c.begin());
    int b =
        static_cast<int>(std::upper_bound(c.begin(), c.end(), hi) - c.begin()) -
        1;
    return std::make_pair(a, b);
  };
  if (everyRun) {
    row(0, 0, g.nx - 1);
    row(g.ny - 1, 0, g.nx - 1);
    column(0, 0, g.ny - 1);
    column(g.nx - 1, 0, g.ny - 1);
    for (int r : rects) {
      const ObstacleIndex::Rect& o = obstacles.rects()[r];
      auto [a, b] = span(g.xs, o.xlo, o.xhi);
      for (double y : {o.ylo, o.yhi}) {
        int j = index(g.ys, y);
        if (j >= 0) {
          row(j, a, b);
        }
      }
      auto [c, d] = span(g.ys, o.ylo, o.yhi);
      for (double x : {o.xlo, o.xhi}) {
        int i = index(g.xs, x);
        if (i >= 0) {
          column(i, c, d);
        }
      }
    }
  } else {
    // An obstacle side's line from the first grid line of the side's span
    // (the side may leave the box).
    auto first = [](const std::vector<double>& c, double lo, double hi) {
      auto k = std::lower_bound(c.begin(), c.end(), lo) - c.begin();
      return k < static_cast<long>(c.size()) && c[k] <= hi ? static_cast<int>(k)
                                                           : -1;
    };
    for (int r : rects) {
      const ObstacleIndex::Rect& o = obstacles.rects()[r];
      int i = first(g.xs, o.xlo, o.xhi);
      for (double y : {o.ylo, o.yhi}) {
        int j = index(g.ys, y);
        if (i >= 0 && j >= 0) {
          across(i, j);
        }
      }
      int j = first(g.ys, o.ylo, o.yhi);
      for (double x : {o.xlo, o.xhi}) {
        int k = index(g.xs, x);
        if (j >= 0 && k >= 0) {
          along(k, j);
        }
      }
    }
  }
  budget.left -= kUnitsPerLine * walked;
  // Nodes in grid order: a node's neighbour to the left is the node before
  // it, and the one below the last node met in its column.
  e.xs = g.xs;
  e.ys = g.ys;
  e.nx = g.nx;
  std::vector<int> below(g.nx, -1);
  for (int j = 0; j < g.ny; ++j) {
    for (int i = 0; i < g.nx; ++i) {
      int c = g.node(i, j);
      bool right = m[c] & 4, left = i > 0 && (m[c - 1] & 4);
      bool up = m[c] & 8, down = j > 0 && (m[c - g.nx] & 8);
      if (!(right || left || up || down)) {
        continue;
      }
      bool straight =
          (right && left && !up && !down) || (up && down && !right && !left);
      if (straight && !(m[c] & 16)) {
        continue;
      }
      int id = static_cast<int>(e.px.size());
      e.px.push_back(g.xs[i]);
      e.py.push_back(g.ys[j]);
      e.cellOf.push_back(c);
      e.arcs.insert(e.arcs.end(), 4, -1);
      if (left) {
        e.arcs[4 * static_cast<size_t>(id) + 2] = id - 1;
        e.arcs[4 * static_cast<size_t>(id - 1)] = id;
      }
      if (down) {
        int b = below[i];
        e.arcs[4 * static_cast<size_t>(id) + 3] = b;
        e.arcs[4 * static_cast<size_t>(b) + 1] = id;
      }
      below[i] = id;
    }
  }
  budget.left -= kUnitsPerNode * static_cast<double>(e.size());
  return true;
}
