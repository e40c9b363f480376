#pragma once
#include <vector>

#include "options/exactSteiner.h"
#include "spatial/wirePlan.h"

// Solution recombination: a tree over the union of several trees' wires.
// The union of a few good trees is a small graph that holds the good parts
// of each; where they differ in several places, one may be shorter in one
// place and another in the next.
//
// The union is planned (planWires) into a plane graph and cut into its
// blocks (its largest parts that no one node's removal splits). A shortest
// tree over the union is, block by block, a shortest tree over the block
// that joins its pins and its cut nodes, since every path between two of a
// block's nodes stays in it. In each block the shortest of the trees' own
// parts there (their wires in it, the leaves that are neither pin nor cut
// node pruned) is taken, the earlier tree on ties. So the result is never
// longer than the shortest tree, and shorter where the trees' best parts
// lie in different trees. It comes back clean (cleanWires); its wires are
// pieces of the trees', so it avoids whatever they avoid.
//
// The work counted is per piece of the union and per tree looking at it.
// Where the budget runs out, or the result would join the pins into other
// parts than the first tree does, the result is empty.
std::vector<Wire> recombineTrees(const std::vector<std::vector<Wire>>& trees,
                                 const std::vector<RoutePoint>& pins,
                                 WorkBudget& budget,
                                 WirePlanScratch& plan);
