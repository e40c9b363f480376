#pragma once
#include <vector>

#include "spatial/obstacleIndex.h"

class Vertex;

// One rectangle per corner ring, in the order of each ring's first corner
// in vertices; other vertices are passed over.
std::vector<ObstacleIndex::Rect> collectObstacleRects(
    const std::vector<Vertex*>& vertices);
