#pragma once
#include <cmath>
#include <limits>

// The greatest float not above v and the least float not below it: a box
// in doubles rounded outwards to floats holds the exact box.
inline float floatBelow(double v) {
  float f = static_cast<float>(v);
  return f > v ? std::nextafter(f, -std::numeric_limits<float>::infinity()) : f;
}

inline float floatAbove(double v) {
  float f = static_cast<float>(v);
  return f < v ? std::nextafter(f, std::numeric_limits<float>::infinity()) : f;
}
