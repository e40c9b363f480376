#pragma once
#include <vector>

#include "options/flatSteiner.h"
#include "treecore/route.h"

namespace treecore::detail {

// The optimized form's tree of a net that no obstacle comes near, routed
// where it is (no frame), without a Router and without the drawing graph
// routeNet builds for a Router's tree: the same nodes, edges, segments,
// parts, length and bound. Reads the pins in the net's order and the
// options' form, drawingOnly, measureLength, bound, timing and pathBound;
// leaves t. False, t untouched, where it does not take the net: another
// form, timing or a path bound asked for, or more positions than its
// solver takes.
bool routeFlatNet(const std::vector<RoutePoint>& pins,
                  const RouteOptions& options,
                  FlatScratch& scratch,
                  Tree& t);

// routeFlatNet's tree of other clean wires over the pins (cleanWires:
// every pin at a wire's end, wires meeting only at shared ends), which
// routeNet's drawing graph gives them too: nodes and edges (unless
// options.drawingOnly), segments, parts, the length where measured; with
// options.bound, the wires' own length as the bound, so only for shortest
// wires. Reads the pins, the wires, their grid in scratch.grid where it
// is valid (as solveFlatTreeTo and breakFlatTreeTo leave it) and those
// options; leaves t.
void flatTreeOf(const std::vector<RoutePoint>& pins,
                const std::vector<Wire>& wires,
                const RouteOptions& options,
                FlatScratch& scratch,
                Tree& t);

}  // namespace treecore::detail
