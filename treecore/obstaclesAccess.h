#pragma once
#include "spatial/obstacleIndex.h"
#include "treecore/obstacles.h"

namespace treecore::detail {

// The library's own way to an Obstacles' index, which its users never see:
// this header is not installed.
struct ObstaclesAccess {
  static const ObstacleIndex& index(const Obstacles& o);
};

}  // namespace treecore::detail
