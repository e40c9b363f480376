#include "geometry/segment.h"

#include "spatial/obstacleIndex.h"

namespace {

bool startsAt(const Segment* n, float x, float y) {
  return n->x1 == x && n->y1 == y;
}

// A leg's end at (x, y) is its first end when that lies there, as in move().
bool endFixedAt(const Segment* n, float x, float y) {
  return startsAt(n, x, y) ? n->startFixed : n->endFixed;
}

// Of a zero-length leg both ends lie at (x, y) and the first would be taken;
// such a leg gives the move no side, so it is never dragged.
void dragEnd(Segment* n, float x, float y, bool alongY, float to) {
  bool first = startsAt(n, x, y);
  float& c = alongY ? (first ? n->y1 : n->y2) : (first ? n->x1 : n->x2);
  c = to;
}

// Across the segment, where the leg with its end at (x, y) ends on its
// other side.
float farEnd(const Segment* n, float x, float y, bool alongY) {
  bool first = startsAt(n, x, y);
  return alongY ? (first ? n->y2 : n->y1) : (first ? n->x2 : n->x1);
}

// Where a move takes the segment's line: the shorter leg's far end,
// exactly; false for no move.
bool moveTarget(const Segment& s, float& to) {
  if (s.plusSideBlocked && s.minusSideBlocked) {
    return false;
  }
  if (s.startNbrs.size() != 1 || s.endNbrs.size() != 1) {
    return false;
  }
  const Segment* a = s.startNbrs[0];
  const Segment* b = s.endNbrs[0];
  if (s.startFixed || s.endFixed || endFixedAt(a, s.x1, s.y1) ||
      endFixedAt(b, s.x2, s.y2)) {
    return false;
  }
  bool alongY = s.horizontal();
  if (!alongY && !s.vertical()) {
    return false;
  }
  // Compared, not subtracted: the segment lands exactly on the shorter
  // leg's far end, a place the tree already holds.
  float at = alongY ? s.y1 : s.x1;
  float fa = farEnd(a, s.x1, s.y1, alongY);
  float fb = farEnd(b, s.x2, s.y2, alongY);
  if (fa > at && fb > at) {
    to = fa < fb ? fa : fb;
  } else if (fa < at && fb < at) {
    to = fa > fb ? fa : fb;
  } else {
    return false;
  }
  return true;
}

}  // namespace

float Segment::moveDist() const {
  float to = 0;
  if (!moveTarget(*this, to)) {
    return 0;
  }
  return to - (horizontal() ? y1 : x1);
}

void Segment::move() {
  float to = 0;
  if (!moveTarget(*this, to)) {
    return;
  }
  bool alongY = horizontal();
  float at = alongY ? y1 : x1;
  if ((to > at && plusSideBlocked) || (to < at && minusSideBlocked)) {
    return;
  }
  // The legs only shrink within their old extent, so only the segment's
  // new place could meet an obstacle.
  if (pObstIndex && (alongY ? pObstIndex->blocksPiece(x1, to, x2, to)
                            : pObstIndex->blocksPiece(to, y1, to, y2))) {
    return;
  }
  // The legs are found by this segment's position before the move.
  dragEnd(startNbrs[0], x1, y1, alongY, to);
  dragEnd(endNbrs[0], x2, y2, alongY, to);
  if (alongY) {
    y1 = to;
    y2 = to;
  } else {
    x1 = to;
    x2 = to;
  }
}
