#pragma once
#include <string>
#include <vector>

#include "check/checkTree.h"

// An SVG picture: obstacles filled, the tree over them, crossing and
// diagonal pieces in red, Steiner points as squares, pins as dots, and a
// caption: the heading (the files and the program, when given), then the
// wire length, the counts and whether the tree is legal, or what makes it
// not, wrapped to stay inside the picture. Stroke widths and dot sizes
// follow the spacing of the pins, and obstacles are drawn at least a few
// pixels wide; pins are numbered only when few. size is the longer side of
// the drawing in pixels, 0 to choose it from the counts.
std::string plotSvg(const std::vector<Point>& pins,
                    const std::vector<Rect>& rects,
                    const std::vector<Piece>& pieces,
                    const TreeCheck& check,
                    const std::vector<Point>& steinerPoints,
                    long size,
                    const std::string& heading = "",
                    const std::vector<double>* stretch = nullptr);

// With stretch (one per pin), each pin's dot is coloured by it: green at
// 1, through yellow, to red at kRedStretch and beyond; grey for a pin
// without one (NaN). The caption then gives the largest.
const double kRedStretch = 2;
// The colour of a stretch, "#rrggbb".
std::string stretchColour(double stretch);

// Pins numbered at most this many.
const long kMaxLabelledPins = 50;
