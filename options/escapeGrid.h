#pragma once
#include <algorithm>
#include <cmath>
#include <vector>

#include "options/exactSteiner.h"
#include "spatial/obstacleIndex.h"
#include "spatial/wirePlan.h"

// The grid of given points' lines, and of the pins' and the obstacles'
// sides inside the points' box, with the pieces that meet an obstacle's
// open interior marked.
struct LineGrid {
  std::vector<double> xs, ys;
  int nx = 0, ny = 0;
  // Per node: bit 0, the piece to the right meets an obstacle's interior;
  // bit 1, the piece up does.
  std::vector<unsigned char> shut;

  int node(int i, int j) const { return j * nx + i; }
  size_t size() const { return static_cast<size_t>(nx) * ny; }
  void cell(int u, int& i, int& j) const { i = u % nx, j = u / nx; }
  int step(int u, int d) const {
    switch (d) {
      case 0:
        return u + 1;
      case 1:
        return u + nx;
      case 2:
        return u - 1;
      default:
        return u - nx;
    }
  }
  // Whether the piece from u, at column i and row j, in direction d is on
  // the grid and free.
  bool open(int u, int i, int j, int d) const {
    switch (d) {
      case 0:
        return i + 1 < nx && !(shut[u] & 1);
      case 1:
        return j + 1 < ny && !(shut[u] & 2);
      case 2:
        return i > 0 && !(shut[u - 1] & 1);
      default:
        return j > 0 && !(shut[u - nx] & 2);
    }
  }
  double length(int, int i, int j, int d) const {
    switch (d) {
      case 0:
        return xs[i + 1] - xs[i];
      case 1:
        return ys[j + 1] - ys[j];
      case 2:
        return xs[i] - xs[i - 1];
      default:
        return ys[j] - ys[j - 1];
    }
  }
  RoutePoint point(int u) const {
    return {static_cast<float>(xs[u % nx]), static_cast<float>(ys[u / nx])};
  }
  int at(double x, double y) const {
    auto i = std::lower_bound(xs.begin(), xs.end(), x) - xs.begin();
    auto j = std::lower_bound(ys.begin(), ys.end(), y) - ys.begin();
    if (i == nx || j == ny || xs[i] != x || ys[j] != y) {
      return -1;
    }
    return node(static_cast<int>(i), static_cast<int>(j));
  }
};

// Reads the points (at least one), the pins and the obstacles; leaves in g
// the sorted lines of the points, and of the pins and the obstacles' sides
// inside the points' box (shut untouched), and returns the obstacles that
// meet that box.
std::vector<int> gridLines(LineGrid& g,
                           const std::vector<RoutePoint>& points,
                           const std::vector<RoutePoint>& pins,
                           const ObstacleIndex& obstacles);

// Reads g's lines and the obstacles rects (those meeting g's box); leaves
// g.shut marking the pieces that meet an obstacle's open interior.
void shutPieces(LineGrid& g,
                const std::vector<int>& rects,
                const ObstacleIndex& obstacles);

// The escape graph: the grid's free pieces on the lines through the given
// points, the pins and the obstacles' sides, each line stopped where an
// obstacle's interior blocks it. Its nodes are the lines' crossings, ends
// and bends, and the points and the pins; a run of grid nodes that a line
// only passes straight through is one arc.
struct EscapeGrid {
  std::vector<double> xs, ys;  // the grid's lines
  int nx = 0;
  std::vector<double> px, py;     // per node
  std::vector<long long> cellOf;  // per node its grid node, ascending
  std::vector<int> arcs;  // per node and direction: the next node, or -1

  size_t size() const { return px.size(); }
  void cell(int, int& i, int& j) const { i = j = 0; }
  int step(int u, int d) const { return arcs[4 * static_cast<size_t>(u) + d]; }
  bool open(int u, int, int, int d) const { return step(u, d) >= 0; }
  double length(int u, int, int, int d) const {
    int v = step(u, d);
    return d % 2 == 0 ? std::abs(px[v] - px[u]) : std::abs(py[v] - py[u]);
  }
  RoutePoint point(int u) const {
    return {static_cast<float>(px[u]), static_cast<float>(py[u])};
  }
  int at(double x, double y) const {
    auto i = std::lower_bound(xs.begin(), xs.end(), x) - xs.begin();
    auto j = std::lower_bound(ys.begin(), ys.end(), y) - ys.begin();
    if (i == static_cast<long>(xs.size()) ||
        j == static_cast<long>(ys.size()) || xs[i] != x || ys[j] != y) {
      return -1;
    }
    long long c = static_cast<long long>(j) * nx + i;
    auto k = std::lower_bound(cellOf.begin(), cellOf.end(), c);
    return k != cellOf.end() && *k == c ? static_cast<int>(k - cellOf.begin())
                                        : -1;
  }
};

// Reads the points (at least one), the pins and the obstacles; leaves in e
// the escape graph over the grid of gridLines, with its work taken from
// budget, and returns true; false, with nothing spent, where the grid is
// too large or the budget does not pay for it. An obstacle side's line
// starts from the first grid line of the side's span. With everyRun, every
// free run of every obstacle side inside the box and of the box's four
// sides carries a line too, so that the lines are at least those the
// escape-graph theorem asks for: then the graph holds a shortest
// obstacle-avoiding tree of the pins inside the box.
bool buildEscape(EscapeGrid& e,
                 const std::vector<RoutePoint>& points,
                 const std::vector<RoutePoint>& pins,
                 const ObstacleIndex& obstacles,
                 WorkBudget& budget,
                 bool everyRun = false);
