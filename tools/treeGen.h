#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "check/checkTree.h"

enum class PinLayout { uniform, clustered, lattice };
// What obstacles may do to each other: keep apart, share sides, overlap.
enum class ObstacleContact { none, touch, overlap };
// Where pins may lie: outside every closed obstacle, or also on its sides.
enum class PinContact { none, sides };
// Around each rectangle from its lower-left corner, or a random start and
// direction per rectangle.
enum class CornerOrder { ccw, cw, mixed };

// All coordinates are integers, exact as floats.
struct GenOptions {
  long pins = 10;
  long obstacles = 5;
  std::uint64_t seed = 1;
  long xMin = 0;
  long yMin = 0;
  long xMax = 1000;
  long yMax = 1000;
  PinLayout layout = PinLayout::uniform;
  long clusters = 0;  // 0: about the square root of the pin count
  long sideMin = 0;   // 0 for both: sides around a fifth of the box's area
  long sideMax = 0;
  ObstacleContact obstacleContact = ObstacleContact::none;
  PinContact pinContact = PinContact::none;
  CornerOrder cornerOrder = CornerOrder::ccw;
};

// The largest coordinate: every integer up to it is a float.
const long kMaxGenCoord = 1L << 24;

struct Instance {
  std::vector<Point> pins;
  std::vector<Rect> rects;
  std::vector<std::array<Point, 4>> corners;  // each rectangle, file order
};

// The same options give the same instance on every platform: the random
// streams use no library distribution. Obstacles, pins and corner orders
// draw from separate streams, so changing the pins leaves the obstacles as
// they were. False with a message when the options are contradictory or
// cannot be met (too many obstacles for the box, say).
bool generateInstance(const GenOptions& opt, Instance& out, std::string& error);

// The input files' text: "x y pin" / "x y corner" records and an end
// marker record.
std::string formatPinFile(const Instance& inst);
std::string formatObstacleFile(const Instance& inst);

// The instance as one STP file with an Obstacles section, under the given
// name: pins in file order as DD lines, rectangles as RR lines.
std::string formatStpFile(const Instance& inst, const std::string& name);
