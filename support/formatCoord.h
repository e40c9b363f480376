#pragma once
#include <string>

// One decimal per float, shared by the readers and the writers, so that a
// coordinate leaves as the value it came in as. It is the float's exact
// value when that has at most nine significant digits, or the float is an
// integer below 10^10 (written with the fewest digits, at least six
// significant, as the standard stream would: 3, 0.5, 2.25e+07, 99992016);
// otherwise the first of six, seven, ... significant digits that reads back
// as the float (0.1). A reader takes a token only when its value is this
// decimal's.
std::string formatCoord(float v);

// The double nearest that decimal: v itself, widened, when the decimal is
// exact; 0.1 for 0.1f. It converts back to v.
double canonicalDouble(float v);

// A point as the messages name it: "(x, y)".
inline std::string formatPoint(float x, float y) {
  return "(" + formatCoord(x) + ", " + formatCoord(y) + ")";
}
