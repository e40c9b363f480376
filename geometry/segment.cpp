#include "geometry/segment.h"

#include "legal/obstacleIndex.h"

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

// The leg with its end at (x, y) dragged by d, tested where it would lie.
bool draggedLegFree(const ObstacleIndex& index,
                    const Segment* n,
                    float x,
                    float y,
                    bool alongY,
                    float d) {
  float c[4] = {n->x1, n->y1, n->x2, n->y2};
  bool first = startsAt(n, x, y);
  c[(first ? 0 : 2) + (alongY ? 1 : 0)] += d;
  return !index.blocksPiece(c[0], c[1], c[2], c[3]);
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
  // The legs only shrink within their old extent, by the shorter leg's
  // length at most, so only the segment's new place could meet an
  // obstacle; the legs are tested too, against a float sum that rounds
  // past a leg's end.
  if (pObstIndex) {
    float nx1 = alongY ? x1 : x1 + d, ny1 = alongY ? y1 + d : y1;
    float nx2 = alongY ? x2 : x2 + d, ny2 = alongY ? y2 + d : y2;
    if (pObstIndex->blocksPiece(nx1, ny1, nx2, ny2) ||
        (startNbrs.size() == 1 &&
         !draggedLegFree(*pObstIndex, startNbrs[0], x1, y1, alongY, d)) ||
        (endNbrs.size() == 1 &&
         !draggedLegFree(*pObstIndex, endNbrs[0], x2, y2, alongY, d))) {
      return;
    }
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
