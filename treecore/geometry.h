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
// file: v is read as its shortest decimal form (0.1 as "0.1"), and accepted
// when the float nearest to that decimal, written back with as many
// significant digits, gives the same value. Every double that a float holds
// exactly is accepted as itself; 0.1 gives 0.1f; 16777217 and 1/3.0 are
// refused rather than rounded. False, with a message saying what v would
// have become, for those and for values that are not finite.
bool toSingle(double v, float& out, std::string* why = nullptr);

}  // namespace treecore
