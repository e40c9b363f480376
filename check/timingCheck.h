#pragma once
#include <string>
#include <vector>

#include "check/checkTree.h"

// How a tree file serves its first pin, computed from the file alone. Per
// pin in input order; NaN for a pin that no wire joins to the first pin.
struct TimingCheck {
  // Along the drawn wire from the first pin (the shortest way along it, the
  // one way in a tree).
  std::vector<double> pathLength;
  // The shortest route from the first pin that meets no obstacle's open
  // interior.
  std::vector<double> shortest;
  // pathLength over shortest; 1 where both are 0.
  std::vector<double> stretch;
  // Elmore delay over the wire: unit resistance and capacitance per unit
  // of length, the driver's resistance, a load at every pin but the first.
  std::vector<double> elmoreDelay;
  // Over the joined pins but the first; 1 when there is none.
  double maxStretch = 1;
  double meanStretch = 1;
  double radius = 0;
};

// False with a message when the grid of lines through the obstacles' sides
// and the pins, on which the shortest routes are found, would exceed
// maxGridPoints.
bool checkTiming(const std::vector<Point>& pins,
                 const std::vector<Rect>& rects,
                 const std::vector<Piece>& pieces,
                 double driverResistance,
                 double pinCapacitance,
                 TimingCheck& out,
                 std::string& error,
                 double maxGridPoints = 1e7);

// "max stretch: V" and the like, then one line per pin; or as one JSON
// object (the fields the programs' JSON gives under "timing").
std::string formatTiming(const TimingCheck& t);
std::string formatTimingJson(const TimingCheck& t);
