#pragma once
#include <array>
#include <vector>

#include "spatial/freeRoute.h"
#include "spatial/obstacleIndex.h"
#include "treecore/obstacles.h"

namespace treecore::detail {

// The library's own way to an Obstacles' index, which its users never see:
// this header is not installed.
struct ObstaclesAccess {
  static const ObstacleIndex& index(const Obstacles& o);
  // Whether rectangle r has a wide integer coordinate; whether any has.
  static bool wide(const Obstacles& o, int r);
  static bool anyWide(const Obstacles& o);
  // Rectangle r and its ring exactly, as given, without the views that
  // rects() and corners() make of the whole design.
  static Rect rect(const Obstacles& o, int r);
  static std::array<Point, 4> ring(const Obstacles& o, int r);
  // The ring in single precision, as a net routed where it is takes it.
  static std::array<RoutePoint, 4> singleRing(const Obstacles& o, int r);
  // The obstacles that meet the pins' box grown as Obstacles::near grows
  // it, ascending: the index's answer where neither a pin (widePins) nor
  // an obstacle has a wide integer coordinate, else the same growth in
  // double precision.
  static std::vector<int> grow(const Obstacles& o,
                               const Rect& pinBox,
                               bool widePins);
};

}  // namespace treecore::detail
