#pragma once
#include <string>
#include <vector>

#include "legal/checkTree.h"

// An SVG picture: obstacles filled, the tree over them, crossing pieces in
// red, Steiner points as squares, pins as dots, and a caption with the wire
// length, the counts and what makes the tree illegal. Stroke widths and dot
// sizes follow the spacing of the pins; pins are numbered only when few.
// size is the longer side of the drawing in pixels, 0 to choose it from the
// counts.
std::string plotSvg(const std::vector<Point>& pins,
                    const std::vector<Rect>& rects,
                    const std::vector<Piece>& pieces,
                    const TreeCheck& check,
                    const std::vector<Point>& steinerPoints,
                    long size);

// Pins numbered at most this many.
const long kMaxLabelledPins = 50;
