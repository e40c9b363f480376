#pragma once
#include <cstddef>
#include <tuple>
#include <utility>
#include <vector>

#include "spatial/freeRoute.h"
#include "support/indexParts.h"
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

// A closed stretch [lo, hi] of the line at `line`: y for horizontal
// stretches, x for vertical ones.
struct WireRun {
  float line;
  float lo;
  float hi;
  int id;
};

// The working lists of the functions below. Whoever calls them many times
// on one thread keeps one and passes it, so that small nets reuse storage;
// each call clears what it uses and gives a large net's storage back
// (releaseLarge). The overloads without one make their own.
struct WirePlanScratch {
  // Split points along runs, as (run, place) pairs: one flat list, sorted
  // once, where a list per run would cost an allocation for each of 10^6
  // runs.
  using Cuts = std::vector<std::pair<int, float>>;

  std::vector<WireRun> h, v, hRuns, vRuns;
  Cuts hCuts, vCuts;
  std::vector<char> seen;
  std::vector<RoutePoint> off;
  std::vector<int> partOf;
  IndexParts up;
  WirePlan plan;
  std::vector<std::tuple<double, std::pair<int, int>, size_t>> order;
  std::vector<int> degree, start, at, fill, leaves;
  std::vector<char> kept, done;
};

WirePlan planWires(const std::vector<Wire>& wires,
                   const std::vector<RoutePoint>& pins);
WirePlan planWires(const std::vector<Wire>& wires,
                   const std::vector<RoutePoint>& pins,
                   WirePlanScratch& scratch);

// The parts the wires make of the pins (countPinParts) when they form a
// clean tree (no collinear overlap, no contact other than at the shared end
// of wires, no cycle; zero-length wires passed over), else -1; without
// planning them. O(n log n).
int cleanTreePinParts(const std::vector<Wire>& wires,
                      const std::vector<RoutePoint>& pins);
int cleanTreePinParts(const std::vector<Wire>& wires,
                      const std::vector<RoutePoint>& pins,
                      WirePlanScratch& scratch);

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
std::vector<Wire> cleanWires(const std::vector<Wire>& wires,
                             const std::vector<RoutePoint>& pins,
                             WirePlanScratch& scratch,
                             int* pinParts = nullptr);

// The parts the wires make of the pins: pins on wires that meet are in one
// part; a pin on no wire is a part of its own, shared with pins at its point.
int countPinParts(const std::vector<Wire>& wires,
                  const std::vector<RoutePoint>& pins);
int countPinParts(const std::vector<Wire>& wires,
                  const std::vector<RoutePoint>& pins,
                  WirePlanScratch& scratch);
