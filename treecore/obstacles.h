#pragma once
#include <array>
#include <memory>
#include <vector>

#include "treecore/geometry.h"

namespace treecore {

namespace detail {
struct ObstaclesAccess;
}  // namespace detail

// A design's blockages: built once, never changed, and safe to share among
// any number of threads and calls. Copies share one index.
class Obstacles {
 public:
  // No obstacles.
  Obstacles();
  // Each rectangle with positive width and height and coordinates that
  // isCoordinate accepts; touching and overlapping are fine. Corners are taken
  // counter-clockwise from the lower left. Throws std::invalid_argument
  // naming the first rectangle that is not so (counted from 1).
  explicit Obstacles(const std::vector<Rect>& rects);
  // Each rectangle as its four corners in order around it, either way and
  // from any corner, as an obstacle file gives them: the order decides
  // which sides the spanning graph's sweeps track, so a net routed over
  // these obstacles gets the tree the programs give it. Throws
  // std::invalid_argument as above.
  static Obstacles fromCorners(const std::vector<std::array<Point, 4>>& rings);

  size_t size() const;
  const std::vector<Rect>& rects() const;
  // The corners of each rectangle in the order the pipeline takes them.
  const std::vector<std::array<Point, 4>>& corners() const;

  // The obstacles that matter to pins: those that meet the pins' bounding
  // box grown by every obstacle that meets it, until none does (no shortest
  // obstacle-avoiding path between the pins leaves that box), ascending.
  // Found through the index: the cost follows the answer, not size().
  // Exact in double precision for a net or an obstacle with a wide
  // integer coordinate. Throws std::invalid_argument naming the first pin
  // (counted from 1) with a coordinate that isCoordinate refuses.
  std::vector<int> near(const std::vector<Point>& pins) const;

 private:
  friend struct detail::ObstaclesAccess;
  struct Data;
  explicit Obstacles(std::shared_ptr<const Data> data);
  std::shared_ptr<const Data> data_;
};

}  // namespace treecore
