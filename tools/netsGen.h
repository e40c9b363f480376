#pragma once
#include <string>
#include <vector>

#include "tools/treeGen.h"

// A design's nets among macro-like obstacles: net sizes in the mix of
// placed designs (about 55 % two pins, 15 % three, 8 % four, 5 % five, 12 %
// six to ten, 4.5 % eleven to fifty, 0.5 % up to 500), each net's pins near
// one another and distinct, every pin off the obstacles (or on their sides
// with PinContact::sides). The macros sit in the slots of a floorplan grid
// of varied rows and columns, with channels between them, and cover about
// 30 % of the box; they never touch. Uses the options' seed, box, obstacle
// count, pin contact and corner order. The same options give the same
// design.
struct NetsInstance {
  Instance obstacles;
  std::vector<std::vector<Point>> nets;
};

bool generateNets(const GenOptions& opt,
                  long nets,
                  NetsInstance& out,
                  std::string& error);

// Pin records, each net ended by its end record: a pin file is a nets file
// of one net.
std::string formatNetsFile(const NetsInstance& inst);

// The box treegen --nets uses when none is given: wide enough that a net's
// pins, about one placement pitch apart, lie tens of units apart.
long netsBoxSide(long nets);
