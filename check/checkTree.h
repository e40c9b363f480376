#pragma once
#include <string>
#include <vector>

#include "support/plane.h"

// The checker reads and computes in double precision, so that it tells
// apart coordinates that single precision would merge: a pin that a tree
// misses is seen as missed.

// One drawn piece of a tree file: a straight line from (x1, y1) to (x2, y2).
using Piece = treecore::plane::Wire<double>;
using Point = treecore::plane::Point<double>;

// An obstacle, xlo < xhi and ylo < yhi.
using Rect = treecore::plane::Box<double>;

// The figures of one tree over its pins and obstacles. Lengths are
// rectilinear (|dx| + |dy|, diagonal pieces too), summed in double.
struct TreeCheck {
  long pieces = 0;
  long diagonalPieces = 0;
  double totalLength = 0;
  // The union of the pieces: collinear overlaps count once.
  double wireLength = 0;
  long pins = 0;
  long obstacles = 0;
  long pinsOffTree = 0;
  // Connected parts of pieces and pins that hold at least one pin.
  long pinParts = 0;
  // Pieces whose relative interior meets the open interior of an obstacle.
  long crossings = 0;
  double crossingLength = 0;
  std::vector<long> crossingPieces;  // indexes into the pieces, ascending

  // Every pin on the tree, at most one part, no diagonal, no crossing.
  bool legal() const {
    return pinsOffTree == 0 && pinParts <= 1 && diagonalPieces == 0 &&
           crossings == 0;
  }
};

// Pieces meet where they share a point: an end on another piece, a
// collinear overlap or touch, a horizontal piece crossing a vertical one. A
// diagonal piece meets another piece or a pin only where an end of one
// lies on the other. A pin belongs to the parts of the pieces it lies on;
// with no pieces at all the tree is the pins alone, none off it, one part
// per distinct position.
TreeCheck checkTree(const std::vector<Point>& pins,
                    const std::vector<Rect>& rects,
                    const std::vector<Piece>& pieces);

// The wire length of the pieces (collinear overlaps once), summed exactly as
// checkTree sums it.
double unionLength(const std::vector<Piece>& pieces);

// Points where the tree leaves in three or more directions (a T, a cross, or
// more) and no pin stands, sorted by x then y.
std::vector<Point> findSteinerPoints(const std::vector<Point>& pins,
                                     const std::vector<Piece>& pieces);

// The report as "name: value" lines, or as one JSON object on one line.
std::string formatReport(const TreeCheck& c);
std::string formatReportJson(const TreeCheck& c);

// A length as the reports write it: up to 15 significant digits, so sums
// of integer coordinates print exactly.
std::string formatLength(double v);
