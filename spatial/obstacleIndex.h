#pragma once
#include <cstddef>
#include <vector>

#include "support/boxTree.h"
#include "support/plane.h"
#include "support/segmentTree.h"

// The rectangles' open interiors, indexed so that a horizontal or vertical
// piece is tested against all of them in O(log^2 n); a handful are scanned
// instead (kScanMost). Running along a side, or ending on one, does not meet
// an interior.
class ObstacleIndex {
 public:
  using Rect = treecore::plane::Box<float>;

  // Up to this many rectangles are scanned, not indexed: a scan then costs
  // about what a query of the trees does, and building them is saved.
  static constexpr size_t kScanMost = 64;

  ObstacleIndex() = default;
  // Every answer is the same whether the rectangles are scanned or indexed.
  explicit ObstacleIndex(std::vector<Rect> rects, size_t scanMost = kScanMost);

  // The horizontal piece at y from x1 to x2 (either order); a piece of zero
  // length is a point.
  bool blocksHorizontal(float y, float x1, float x2) const;
  bool blocksVertical(float x, float y1, float y2) const;
  // Either piece of an axis-parallel connection; a diagonal one is refused.
  bool blocksPiece(float x1, float y1, float x2, float y2) const;
  // A rectangle whose open interior holds the point, or -1.
  int containing(float x, float y) const;
  // Whether one does: no name to find where rectangles overlap.
  bool holds(float x, float y) const;
  // Every rectangle whose open interior meets the open box, each once, in
  // index order.
  std::vector<int> meeting(float xlo, float ylo, float xhi, float yhi) const;
  // Calls visit(k) for each of them, in no set order, until it returns
  // true; returns whether it did.
  template <class Visit>
  bool forMeeting(
      float xlo, float ylo, float xhi, float yhi, Visit visit) const;
  // Whether more than `most` of them do; stops counting there.
  bool meetsMoreThan(
      float xlo, float ylo, float xhi, float yhi, size_t most) const;
  // Grows the box by every rectangle whose open interior meets it until
  // none sticks out of it, and returns the rectangles that meet it then, in
  // index order. No other interior meets the grown box, so a shortest
  // obstacle-avoiding path between two of its points stays inside it.
  std::vector<int> growBox(Rect& box) const;

  bool empty() const { return rects_.empty(); }
  const std::vector<Rect>& rects() const { return rects_; }

 private:
  // A segment tree over one axis's bounds: each rectangle sits at the nodes
  // that cover its open interval on this axis, with its interval on the
  // other axis; every node keeps those sorted by low end with running
  // maxima of the high end.
  class Axis {
   public:
    void build(const std::vector<Rect>& rects, bool alongX);
    // A rectangle whose open interval here holds t and whose open interval
    // on the other axis meets (a, b), or holds a when a == b; else -1.
    int stab(float t, float a, float b) const;

   private:
    struct Item {
      float lo;
      float hi;
      int rect;
    };

    BoundLeaves<float> bounds_;
    SegmentLists<Item> items_;  // per node, sorted by lo
    std::vector<float> maxHi_;  // beside items_.items()
  };

  std::vector<Rect> rects_;
  bool indexed_ = false;  // else every query scans rects_
  Axis byY_;              // serves horizontal pieces: stabbed at their y
  Axis byX_;              // serves vertical pieces
  // The rectangles by centre, y first then x, as the box tree numbers
  // them: it splits equal centres by number, and nested frames, whose walls
  // share a centre on one axis, would otherwise be split in no spatial way
  // and leave every node meeting every query inside them.
  std::vector<int> boxOrder_;
  BoxTree<float> boxes_;  // serves box queries
};

template <class Visit>
bool ObstacleIndex::forMeeting(
    float xlo, float ylo, float xhi, float yhi, Visit visit) const {
  // An open interval, or the single point when it has no length.
  auto meets = [](float lo, float hi, float rlo, float rhi) {
    return lo == hi ? rlo < lo && lo < rhi : rlo < hi && lo < rhi;
  };
  if (!indexed_) {
    for (size_t k = 0; k < rects_.size(); ++k) {
      const Rect& r = rects_[k];
      if (meets(xlo, xhi, r.xlo, r.xhi) && meets(ylo, yhi, r.ylo, r.yhi) &&
          visit(static_cast<int>(k))) {
        return true;
      }
    }
    return false;
  }
  return boxes_.query(Rect{xlo, ylo, xhi, yhi}, [&](long i) {
    int k = boxOrder_[static_cast<size_t>(i)];
    const Rect& r = rects_[k];
    return meets(xlo, xhi, r.xlo, r.xhi) && meets(ylo, yhi, r.ylo, r.yhi) &&
           visit(k);
  });
}
