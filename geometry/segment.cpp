#include "geometry/segment.h"

float Segment::moveDist() const {
  return 0;
}

void Segment::move() {}
