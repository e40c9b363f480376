#pragma once
#include <string>

#include "support/plane.h"

namespace treecore {

// Coordinates are taken as doubles for convenience; the pipeline computes
// in single precision, so each must be a value a float holds (see
// toSingle). Rect is the closed box [xlo, xhi] x [ylo, yhi].
using Point = plane::Point<double>;
using Rect = plane::Box<double>;

// The float that v stands for, as the readers take a number written in a
// file: v is accepted when it is the double nearest the decimal that the
// writers print for the float nearest v (see formatCoord), so a tree gives
// back every coordinate as it came. 0.1 gives 0.1f and 99992016 itself;
// 16777217, 1/3.0, 0.30000001 (0.3) and 0.1f widened (0.1) are refused
// rather than rounded. False, with a message saying what v would have
// become, for those and for values that are not finite or beyond single
// precision.
bool toSingle(double v, float& out, std::string* why = nullptr);

// The most an integer coordinate that no float holds may be in magnitude,
// and the most the grown box of a net with such a coordinate may span:
// such a net is routed shifted by its box's lower-left corner, where every
// integer it spans is a float.
constexpr double kWidestInteger = 2147483648.0;  // 2^31
constexpr double kWidestFrame = 16777216.0;      // 2^24

// Whether v is an integer no greater than kWidestInteger in magnitude that
// toSingle refuses (16777217, 2^30 + 1).
bool isWideInteger(double v);

// Whether v is a coordinate the library takes: toSingle accepts it or it
// is a wide integer. False with toSingle's message otherwise.
bool isCoordinate(double v, std::string* why = nullptr);

// The decimal a writer prints for a coordinate: formatCoord's for a float,
// the digits of a wide integer.
std::string coordText(double v);

}  // namespace treecore
