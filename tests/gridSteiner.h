#pragma once
#include <cstddef>
#include <utility>
#include <vector>

#include "support/plane.h"

class ObstacleIndex;

// Optimal obstacle-avoiding rectilinear Steiner trees of small nets, by
// dynamic programming over subsets of the terminals on the grid of the
// terminals' and the obstacles' coordinates, which holds an optimal tree.
// Time grows as 3^k times the grid's size, so it serves nets of a dozen
// terminals or fewer: the tests' oracle for the exact solver, which must
// match it with far less work.
class GridSteiner {
 public:
  using Point = treecore::plane::Point<float>;
  // A horizontal or vertical piece of the tree.
  using Piece = treecore::plane::Wire<float>;

  // The grid covers the box [xlo, xhi] x [ylo, yhi], which must hold every
  // terminal; the tree stays inside it. Only the obstacles meeting the box
  // shape the grid.
  GridSteiner(const std::vector<Point>& terminals,
              const ObstacleIndex& obstacles,
              float xlo,
              float ylo,
              float xhi,
              float yhi);

  // The work solve() will do, in grid-node visits: 3^(k-1) times the grid,
  // and the tests of the grid's pieces. Known before any of it is done.
  double work() const;
  int gridNodes() const { return static_cast<int>(xs_.size() * ys_.size()); }

  // A shortest tree joining every terminal, as maximal straight pieces, and
  // its length; false when some terminal cannot be reached from another.
  bool solve(std::vector<Piece>& tree, double& length);

 private:
  int node(int i, int j) const { return j * nx_ + i; }
  void buildGrid();
  void dijkstra(double* dist, int* back);
  double* cost(int mask) {
    return cost_.data() + static_cast<size_t>(mask) * gridNodes();
  }
  int* back(int mask) {
    return back_.data() + static_cast<size_t>(mask) * gridNodes();
  }

  const ObstacleIndex& obstacles_;
  std::vector<Point> terminals_;
  std::vector<int> rects_;  // those meeting the box
  std::vector<float> xs_;
  std::vector<float> ys_;
  int nx_ = 0;
  int ny_ = 0;
  std::vector<int> termNode_;
  std::vector<char> blocked_;    // per node: strictly inside an obstacle
  std::vector<char> freeRight_;  // per node: the piece to (i+1, j) is free
  std::vector<char> freeUp_;     // per node: the piece to (i, j+1) is free
  // Per subset of the first k-1 terminals and node: the cost of the best
  // tree joining the subset and the node, and how it was reached: a node
  // index (the step came from there) or -2 - sub (the union of two trees).
  std::vector<double> cost_;
  std::vector<int> back_;
  struct HeapEntry {
    double cost;
    int node;
  };
  std::vector<HeapEntry> heap_;
  // Per node: its place in heap_, or -1 before it enters, -2 once taken.
  std::vector<int> heapAt_;
  std::vector<char> edgeUsedH_;
  std::vector<char> edgeUsedV_;
};
