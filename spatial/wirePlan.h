#pragma once
#include <utility>
#include <vector>

#include "spatial/freeRoute.h"
#include "support/plane.h"

// One straight horizontal or vertical stretch of wire; a zero-length one
// draws nothing.
using Wire = treecore::plane::Wire<float>;

// The wires as a plane graph: a node at every wire end, every point where
// wires touch or cross, and every pin on a wire; a piece between each two
// nodes that follow each other along a line of wire. Collinear overlaps
// become one run, so each stretch of wire is one piece however often it
// was drawn.
struct WirePlan {
  std::vector<RoutePoint> nodes;            // sorted by x, then y
  std::vector<char> pinAt;                  // per node
  std::vector<std::pair<int, int>> pieces;  // node indexes, the lower first

  // Independent cycles: pieces - nodes + parts.
  long loops() const;
};

WirePlan planWires(const std::vector<Wire>& wires,
                   const std::vector<RoutePoint>& pins);

// The parts the wires make of the pins (countPinParts) when they form a
// clean tree (no collinear overlap, no contact other than at the shared end
// of wires, no cycle; zero-length wires passed over), else -1; without
// planning them. O(n log n).
int cleanTreePinParts(const std::vector<Wire>& wires,
                      const std::vector<RoutePoint>& pins);

// The same wire as a clean tree: a shortest spanning forest of the plan's
// pieces (ties by position) that joins whatever the wires joined, with the
// pieces that end at no pin pruned, and every straight run through points
// of degree two that hold no pin merged into one wire. Each wire runs from
// its end with the smaller x (then y), and the wires are sorted so. When
// pinParts is given, it receives the parts the pins form, from the same
// plan.
std::vector<Wire> cleanWires(const std::vector<Wire>& wires,
                             const std::vector<RoutePoint>& pins,
                             int* pinParts = nullptr);

// The parts the wires make of the pins: pins on wires that meet are in one
// part; a pin on no wire is a part of its own, shared with pins at its point.
int countPinParts(const std::vector<Wire>& wires,
                  const std::vector<RoutePoint>& pins);
