#pragma once
#include "support/inlineList.h"
#include "support/objectPool.h"

class ObstacleIndex;

// One horizontal or vertical piece of the refined tree, linked to the pieces
// that meet it at each end.
class Segment {
 public:
  Segment() = default;
  Segment(float x1, float y1, float x2, float y2)
      : x1(x1), y1(y1), x2(x2), y2(y2) {}
  // Storage comes back from the thread's last deleted segments
  // (FreeList): a small net makes a few dozen of them.
  static void* operator new(size_t) { return FreeList<Segment>::take(); }
  static void* operator new(size_t, void* at) { return at; }
  static void operator delete(void* p) { FreeList<Segment>::give(p); }

  // A zero-length segment counts as horizontal.
  bool horizontal() const { return y1 == y2; }
  bool vertical() const { return x1 == x2; }
  // Signed distance across the segment's own direction towards the side both
  // legs leave to, by the shorter leg; 0 for no move. Only a segment with
  // exactly one leg at each end and no fixed end moves: every other segment
  // meeting it would be left at the old position.
  float moveDist() const;
  // Moves by moveDist() unless a flag forbids it or, with an obstacle
  // index, the segment or a dragged leg would then meet an obstacle's
  // interior, dragging the single segment attached at each end.
  void move();

  float x1 = 0;
  float y1 = 0;
  float x2 = 0;
  float y2 = 0;
  bool plusSideBlocked = false;
  bool minusSideBlocked = false;
  // The end must stay where it is: a pin lies there.
  bool startFixed = false;
  bool endFixed = false;
  // Mostly one leg at an end, two where a segment ends on another's side.
  InlineList<Segment*, 2> startNbrs;
  InlineList<Segment*, 2> endNbrs;
  // The obstacles a move must keep clear of; none when null.
  const ObstacleIndex* pObstIndex = nullptr;
};
