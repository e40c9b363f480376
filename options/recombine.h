#pragma once
#include <vector>

#include "options/exactSteiner.h"
#include "spatial/wirePlan.h"

// Solution recombination: a tree over the union of several trees' wires.
// The union of a few good trees is a small graph that holds the good parts
// of each; a tree over it may join parts that no one of them has together.
//
// The union is planned (planWires) into a plane graph, and from each of
// `roots` pins (spread evenly over the pins' order) the shortest-path
// heuristic grows a tree: the pin, then again and again the pin nearest
// the tree so far joined to it by a shortest path in the graph. The pieces
// between the nodes it reached become wires, and cleanWires makes of them a
// shortest spanning tree with the leaves that are no pin pruned. The
// shortest such tree comes back, clean; ties go to the earlier root. Its
// wires are pieces of the trees', so it avoids whatever they avoid.
//
// The work counted is per node the searches settle and per piece they
// relax. Where the budget runs out before the first root's tree is done,
// or the trees do not join every pin, the result is empty.
std::vector<Wire> recombineTrees(const std::vector<std::vector<Wire>>& trees,
                                 const std::vector<RoutePoint>& pins,
                                 int roots,
                                 WorkBudget& budget,
                                 WirePlanScratch& plan);
