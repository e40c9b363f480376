#pragma once
#include <string>
#include <vector>

#include "tools/treeGen.h"

// Instances built to a pattern rather than drawn at random, each a family
// whose members grow with one size N and are known to stress one part of
// the pipeline. Coordinates are integers:
// - spiral: N nested square frames with one gap each, the gaps alternating
//   left and right, and one pin per corridor (N pins, 5N rectangles).
// - frames: the spiral mirrored in x = y, its gaps alternating top (odd
//   frames) and bottom.
// - chains: 10 pins among N unit squares on two diagonal chains that meet
//   at the bottom.
// - copies: N pins at one spot, two other pins and one obstacle.
// - lattice: about N pins on a square lattice with an obstacle in every
//   cell.
const std::vector<std::string>& familyNames();

// False with a message for an unknown name or a size below 1 or too large
// for the coordinates.
bool generateFamily(const std::string& name,
                    long size,
                    Instance& out,
                    std::string& error);
