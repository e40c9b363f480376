#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "check/checkTree.h"
#include "geometry/edge.h"
#include "geometry/vertex.h"
#include "router/router.h"
#include "spatial/freeRoute.h"
#include "spatial/obstacleIndex.h"
#include "spatial/wirePlan.h"

// The pins of r, in order.
inline std::vector<Point> pinsOf(const Router& r) {
  std::vector<Point> out;
  for (const Vertex* v : r.vertices) {
    if (v && v->isAPin()) {
      out.push_back({v->x, v->y});
    }
  }
  return out;
}

// The obstacles of r: the box of each corner ring, walked from its first
// corner in vertices.
inline std::vector<::Rect> obstaclesOf(const Router& r) {
  std::vector<::Rect> out;
  std::set<const Vertex*> seen;
  for (const Vertex* c : r.vertices) {
    if (!c || !c->isACorner() || seen.count(c)) {
      continue;
    }
    ::Rect b{c->x, c->y, c->x, c->y};
    const Vertex* v = c;
    do {
      seen.insert(v);
      b = {std::min<double>(b.xlo, v->x), std::min<double>(b.ylo, v->y),
           std::max<double>(b.xhi, v->x), std::max<double>(b.yhi, v->y)};
      v = v->pNextCorner;
    } while (v && v != c);
    out.push_back(b);
  }
  return out;
}

// The product's tree checks on wires drawn over pins and obstacles: no
// diagonal piece and none through an obstacle's interior; with parts at
// most 1, every pin on one tree at least as long as half the perimeter of
// the pins' box; otherwise a forest in at most that many parts.
inline TreeCheck expectLegalTree(const std::vector<Point>& pins,
                                 const std::vector<::Rect>& rects,
                                 const std::vector<Wire>& wires,
                                 int parts = 1) {
  std::vector<Piece> pieces;
  for (const Wire& w : wires) {
    pieces.push_back({w.x1, w.y1, w.x2, w.y2});
  }
  TreeCheck c = checkTree(pins, rects, pieces);
  EXPECT_EQ(c.diagonalPieces, 0) << "a diagonal piece";
  EXPECT_EQ(c.crossings, 0) << "a piece through an obstacle";
  if (parts > 1) {
    EXPECT_LE(c.pinParts, parts) << "a forest in more parts";
    return c;
  }
  EXPECT_EQ(c.pinsOffTree, 0) << "a pin off the tree";
  EXPECT_EQ(c.pinParts, pins.empty() ? 0 : 1) << "the tree in parts";
  if (pins.size() > 1) {
    double xlo = pins[0].x, xhi = xlo, ylo = pins[0].y, yhi = ylo;
    for (const Point& p : pins) {
      xlo = std::min(xlo, p.x), xhi = std::max(xhi, p.x);
      ylo = std::min(ylo, p.y), yhi = std::max(yhi, p.y);
    }
    EXPECT_GE(c.wireLength, (xhi - xlo) + (yhi - ylo))
        << "shorter than the pins' half perimeter";
  }
  return c;
}

inline TreeCheck expectLegalTree(const std::vector<RoutePoint>& pins,
                                 const std::vector<ObstacleIndex::Rect>& rects,
                                 const std::vector<Wire>& wires) {
  std::vector<Point> points;
  for (const RoutePoint& p : pins) {
    points.push_back({p.x, p.y});
  }
  std::vector<::Rect> boxes;
  for (const ObstacleIndex::Rect& o : rects) {
    boxes.push_back({o.xlo, o.ylo, o.xhi, o.yhi});
  }
  return expectLegalTree(points, boxes, wires);
}

// The same over r's pins and obstacles, a forest allowed where
// r.pinPartCount says so; without obstacles, also no longer than r's
// spanning tree.
inline TreeCheck expectLegalTree(const Router& r,
                                 const std::vector<Wire>& wires) {
  std::vector<::Rect> rects = obstaclesOf(r);
  TreeCheck c = expectLegalTree(pinsOf(r), rects, wires, r.pinPartCount);
  double spanning = 0;
  for (const Edge* m : r.mstEdges) {
    spanning += m->mstEdgeLen();
  }
  if (r.pinPartCount <= 1 && rects.empty() && !r.mstEdges.empty()) {
    EXPECT_LE(c.wireLength, spanning * (1 + 1e-6))
        << "longer than the spanning tree";
  }
  return c;
}

// The finished tree r's last pipeline entry or stage left.
inline TreeCheck expectLegalTree(const Router& r) {
  return expectLegalTree(r, r.drawnPieces());
}
