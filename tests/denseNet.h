#pragma once
#include <algorithm>
#include <vector>

#include "geometry/obstacleRects.h"
#include "spatial/obstacleIndex.h"
#include "tests/scene.h"

// A small net among many small touching and overlapping obstacles, with
// the box the program passes: the pins' box grown by every obstacle that
// meets it, so that others cross its sides.
struct DenseNet {
  std::vector<RoutePoint> pins;
  ObstacleIndex index;
  ObstacleIndex::Rect box;
};

inline DenseNet denseNet(int rects, int pins, unsigned seed, int grid) {
  Scene s;
  s.addRandomRects(rects, seed, grid, 5);
  s.addRandomPins(pins, seed + 1000, grid);
  DenseNet n;
  for (const Vertex* p : s.pins) {
    n.pins.push_back({p->x, p->y});
  }
  n.index = ObstacleIndex(collectObstacleRects(s.corners));
  ObstacleIndex::Rect b{n.pins[0].x, n.pins[0].y, n.pins[0].x, n.pins[0].y};
  for (const RoutePoint& p : n.pins) {
    b.xlo = std::min(b.xlo, p.x), b.ylo = std::min(b.ylo, p.y);
    b.xhi = std::max(b.xhi, p.x), b.yhi = std::max(b.yhi, p.y);
  }
  n.box = b;
  for (int r : n.index.meeting(b.xlo, b.ylo, b.xhi, b.yhi)) {
    const ObstacleIndex::Rect& o = n.index.rects()[r];
    n.box.xlo = std::min(n.box.xlo, o.xlo),
    n.box.ylo = std::min(n.box.ylo, o.ylo);
    n.box.xhi = std::max(n.box.xhi, o.xhi),
    n.box.yhi = std::max(n.box.yhi, o.yhi);
  }
  return n;
}
