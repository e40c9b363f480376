#pragma once
#include <array>
#include <vector>

#include "spatial/obstacleIndex.h"

// The directions in which sightLimits looks, in the order of its results.
enum SightDir { seeRight, seeLeft, seeUp, seeDown };

// How far each point (xs[i], ys[i]) sees along each axis before it meets an
// obstacle's open interior: to the right the least xlo at or beyond its x
// among the rectangles whose open y-extent holds its y, to the left the
// greatest xhi at or before it, likewise up and down; plus or minus
// infinity where none is. A point inside an open interior gets values that
// mean nothing. O(n log n) over points and rectangles.
std::array<std::vector<float>, 4> sightLimits(
    const std::vector<ObstacleIndex::Rect>& rects,
    const std::vector<float>& xs,
    const std::vector<float>& ys);
