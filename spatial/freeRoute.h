#pragma once
#include <memory>
#include <vector>

#include "spatial/obstacleIndex.h"
#include "support/plane.h"

using RoutePoint = treecore::plane::Point<float>;

// The points without repeats and without those that lie straight between
// their neighbours (a point where the path turns back stays); two equal
// points where all are one.
std::vector<RoutePoint> bendsOnly(const std::vector<RoutePoint>& pts);

// How a route was found, in the order the kinds are tried.
enum class RouteKind { none, primaryL, otherL, staircase, detour };

// A rectilinear path that meets no obstacle's open interior.
struct FreeRoute {
  RouteKind kind = RouteKind::none;
  // From the first end to the second, both included; consecutive points
  // differ in one coordinate and every inner point is a bend. Empty when
  // there is no route.
  std::vector<RoutePoint> points;

  bool found() const { return kind != RouteKind::none; }
  // Rectilinear, summed in double.
  double length() const;
};

class EscapeGraph;

// Routes between two points over one set of rectangles. Tries, in order:
// the primary L (the horizontal leg at the left end's y, the vertical leg
// at the right end's x), the other L, a staircase inside the two points'
// bounding box with the fewest bends, and the shortest route round the
// obstacles in the way (fewest bends among the shortest). A straight
// connection is its own primary L. Deterministic: the same points give the
// same route.
class RouteFinder {
 public:
  explicit RouteFinder(const ObstacleIndex& index);
  ~RouteFinder();

  FreeRoute route(RoutePoint a, RoutePoint b) const;
  // Only routes as long as the rectilinear distance: the Ls and the
  // staircase.
  FreeRoute monotoneRoute(RoutePoint a, RoutePoint b) const;
  // Whether monotoneRoute finds one, without drawing the Ls.
  bool monotoneFree(RoutePoint a, RoutePoint b) const;

  // The primary L alone, as route() would give it, or no route.
  FreeRoute primaryL(RoutePoint a, RoutePoint b) const;
  bool primaryLFree(RoutePoint a, RoutePoint b) const;

 private:
  bool legsFree(RoutePoint a, RoutePoint corner, RoutePoint b) const;
  FreeRoute staircase(RoutePoint a, RoutePoint b) const;
  FreeRoute detour(RoutePoint a, RoutePoint b) const;

  const ObstacleIndex& index_;
  treecore::plane::Box<float> all_;  // the bounding box of every rectangle
  // Made on the first detour whose window grows too crowded, for all that
  // follow.
  mutable std::unique_ptr<EscapeGraph> escape_;
};
