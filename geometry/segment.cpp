#include "geometry/segment.h"

namespace {

bool startsAt(const Segment* n, float x, float y) {
  return n->x1 == x && n->y1 == y;
}

// A leg's end at (x, y) is its first end when that lies there, as in move().
bool endFixedAt(const Segment* n, float x, float y) {
  return startsAt(n, x, y) ? n->startFixed : n->endFixed;
}

// Of a zero-length leg both ends lie at (x, y) and the first would be taken;
// such a leg gives moveDist() no side, so it is never dragged.
void dragEnd(Segment* n, float x, float y, bool alongY, float d) {
  bool first = startsAt(n, x, y);
  float& c = alongY ? (first ? n->y1 : n->y2) : (first ? n->x1 : n->x2);
  c += d;
}

}  // namespace

float Segment::moveDist() const {
  if (plusSideBlocked && minusSideBlocked) {
    return 0;
  }
  if (startNbrs.size() != 1 || endNbrs.size() != 1) {
    return 0;
  }
  const Segment* a = startNbrs[0];
  const Segment* b = endNbrs[0];
  if (startFixed || endFixed || endFixedAt(a, x1, y1) ||
      endFixedAt(b, x2, y2)) {
    return 0;
  }
  float da = 0;
  float db = 0;
  if (horizontal()) {
    da = (a->y1 + a->y2) - (y1 + y2);
    db = (b->y1 + b->y2) - (y1 + y2);
  } else if (vertical()) {
    da = (a->x1 + a->x2) - (x1 + x2);
    db = (b->x1 + b->x2) - (x1 + x2);
  } else {
    return 0;
  }
  // Signs, not the product, so that tiny extents cannot underflow to "no
  // side"; on equal extents the start leg's is taken.
  if ((da > 0 && db > 0) || (da < 0 && db < 0)) {
    float ma = da < 0 ? -da : da;
    float mb = db < 0 ? -db : db;
    return ma <= mb ? da : db;
  }
  return 0;
}

void Segment::move() {
  float d = moveDist();
  if (d == 0 || (d > 0 && plusSideBlocked) || (d < 0 && minusSideBlocked)) {
    return;
  }
  bool alongY = horizontal();
  if (!alongY && !vertical()) {
    return;
  }
  // The legs are found by this segment's position before the move.
  if (startNbrs.size() == 1) {
    dragEnd(startNbrs[0], x1, y1, alongY, d);
  }
  if (endNbrs.size() == 1) {
    dragEnd(endNbrs[0], x2, y2, alongY, d);
  }
  if (alongY) {
    y1 += d;
    y2 += d;
  } else {
    x1 += d;
    x2 += d;
  }
}
