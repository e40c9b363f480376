#pragma once
#include <limits>
#include <memory>
#include <vector>

#include "spatial/obstacleIndex.h"
#include "spatial/wirePlan.h"

// Work a solve may spend, counted rather than timed so that the same input
// always gives the same tree: about ten nanoseconds a unit on a current
// machine. An infinite amount never runs out.
struct WorkBudget {
  double left = 0;
};

enum class ExactStatus {
  solved,
  apart,       // some terminal cannot reach another inside the box
  overBudget,  // stopped when the budget ran out: no tree
  noneWithin,  // every tree is longer than the bound asked for
};

struct ExactTree {
  ExactStatus status = ExactStatus::apart;
  // Maximal horizontal and vertical pieces that meet only at their ends,
  // each from its lower (by x, then y) end.
  std::vector<Wire> wires;
  double length = 0;
};

// The exact solver's working storage, for a caller that solves many nets
// on one thread to keep and pass: its grids and value fields keep their
// storage between small nets. Made on first use; the overload without one
// makes its own.
struct ExactScratch {
  std::unique_ptr<void, void (*)(void*)> solver{nullptr, nullptr};
};

// A shortest rectilinear tree that joins the terminals (those at one
// position count once), stays inside box (grown to hold every terminal)
// and meets no obstacle's open interior: it may run along sides and
// between touching obstacles. Dynamic programming over the subsets of the
// terminals on the grid of the terminals', the box's and the obstacles'
// coordinates, which holds a shortest tree; every subset's values are kept
// only where a lower bound on a whole tree through that point stays within
// an upper bound (the shorter of greedy trees of shortest paths and
// within), so that work goes where the tree can be. It starts among none of
// the obstacles and takes in those its tree crosses until it crosses none,
// so the grid holds only obstacles that matter.
// The work done is taken from budget, which may end below zero by at most
// one subset's share; an infinite budget never stops the solve. The time
// grows about as 3^k for k terminals: up to about a dozen is quick.
ExactTree solveExactTree(
    const std::vector<RoutePoint>& terminals,
    const ObstacleIndex& obstacles,
    const ObstacleIndex::Rect& box,
    WorkBudget& budget,
    double within = std::numeric_limits<double>::infinity());
ExactTree solveExactTree(
    const std::vector<RoutePoint>& terminals,
    const ObstacleIndex& obstacles,
    const ObstacleIndex::Rect& box,
    WorkBudget& budget,
    ExactScratch& scratch,
    double within = std::numeric_limits<double>::infinity());
