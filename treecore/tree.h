#pragma once
#include <string>
#include <vector>

#include "treecore/geometry.h"
#include "treecore/timing.h"

namespace treecore {

enum class NodeKind {
  pin,
  // Where three or more edges meet and no pin stands.
  steinerPoint,
};

enum class Status {
  // One tree joins every pin (or there are no pins).
  ok,
  // Obstacles wall the pins apart: one tree per part, as the programs
  // write it (their exit status 4).
  forest,
  // A pin lies strictly inside an obstacle: no tree avoids it, none is
  // made.
  pinInsideObstacle,
  // A pin coordinate that single precision does not hold (see toSingle)
  // and is no wide integer (isWideInteger), or a net with a wide integer
  // whose grown box spans more than kWidestFrame: refused, not rounded; no
  // tree is made.
  badCoordinate,
};

struct Node {
  Point at;
  NodeKind kind;
  // The next node on the way to the first pin; in a part that does not
  // hold the first pin, on the way to that part's first node. -1 at the
  // first pin and at each such part's first node.
  int parent;
  // The edge to the parent, or -1.
  int edge;
};

// A stretch of the drawn tree between two nodes that passes through no
// other node.
struct Edge {
  int from;  // the parent
  int to;    // the child
  // From `from` to `to`: axis-parallel steps, every inner point a bend. Two
  // equal points for pins at one place.
  std::vector<Point> path;
  // Rectilinear, |dx| + |dy| over the steps.
  double length() const;
};

struct Segment {
  Point a;
  Point b;
};

// One net's tree as values. Coordinates are the single-precision values
// the pipeline used, widened.
struct Tree {
  Status status = Status::ok;
  // Says what went wrong, naming pins and obstacles counted from 1; empty
  // when status is ok.
  std::string message;
  // The pins in input order (pins at one place each get a node), then the
  // Steiner points.
  std::vector<Node> nodes;
  // One per node but the first of each part, ordered by the child node.
  std::vector<Edge> edges;
  // The drawn pieces exactly as the programs write them, in their order:
  // for a spanning tree and the unrefined form, each connection's L or
  // route, zero-length pieces included; otherwise the segments.
  std::vector<Segment> segments;
  // The length of the segments' union: wire drawn twice counts once.
  double wireLength = 0;
  // The parts that hold pins: 1 for a tree, more for a forest, 0 without
  // pins or when no tree was made.
  int parts = 0;
  // With pinInsideObstacle, the pin and the obstacle the message names,
  // counted from 0, so that a caller can name them in its own terms; with
  // badCoordinate, the pin. -1 otherwise.
  int badPin = -1;
  int badObstacle = -1;
  // How the tree serves its first pin; computed only on request
  // (RouteOptions::timing).
  Timing timing;
  // With RouteOptions::bound on the optimized form: a length no tree over
  // the pins that avoids the obstacles undercuts, so the tree is at most
  // wireLength / lowerBound - 1 above the shortest. Negative otherwise.
  double lowerBound = -1;
};

// How far above the shortest a tree of this length can be, as a fraction,
// given a lower bound on the shortest: 0 when the bound is 0.
inline double boundGap(double length, double lowerBound) {
  return lowerBound > 0 ? length / lowerBound - 1 : 0;
}

// "ok", "forest", "pinInsideObstacle", "badCoordinate".
const char* statusName(Status s);
// "pin", "steinerPoint".
const char* kindName(NodeKind k);

}  // namespace treecore
