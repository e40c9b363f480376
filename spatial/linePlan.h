#pragma once
#include <utility>
#include <vector>

#include "spatial/freeRoute.h"
#include "spatial/wirePlan.h"

// A closed stretch [lo, hi] (lo < hi) of a horizontal line (at y = line) or
// a vertical one (x = line); marked stretches mark the pieces they cover.
struct LineStretch {
  float line;
  float lo;
  float hi;
  bool marked;
};

// The working lists of planLines, kept by a caller that plans many times
// on one thread; each call clears what it uses.
struct LinePlanScratch {
  std::vector<LineStretch> h, v;
  std::vector<LineStretch> hRuns, vRuns, buffer;
  std::vector<int> hFirst, vFirst, vStart, hStart, vNode, hNode, vCursor;
  std::vector<std::pair<int, float>> hPins, vPins;
  std::vector<float> ends, low, high, hAt;
  std::vector<int> hMeets;
  std::vector<RoutePoint> vPts;
  std::vector<std::pair<RoutePoint, int>> extra;
};

// The stretches in h and v as planWires plans the same wires: its nodes
// and pieces in its order (the horizontal runs by line, then along; then
// the vertical), found by sweeping the sorted runs, not by a general
// intersection. Reads h and v (their stretches, in any order), the pins;
// leaves plan.nodes and plan.pieces (plan.pinAt empty), and in marked (when
// given) per piece whether a marked stretch covers it, and in runs (when
// given) each run's nodes along it, run after run, in the pieces' order,
// with one more node entry per run: -1 after each run's last. Reuses the
// scratch's lists and plan's storage.
void planLines(const std::vector<LineStretch>& h,
               const std::vector<LineStretch>& v,
               const std::vector<RoutePoint>& pins,
               WirePlan& plan,
               std::vector<char>* marked,
               LinePlanScratch& s,
               std::vector<int>* runs = nullptr);

// Appends the wires that have length to h and v, marked as given.
void addStretches(const std::vector<Wire>& wires,
                  bool marked,
                  std::vector<LineStretch>& h,
                  std::vector<LineStretch>& v);
