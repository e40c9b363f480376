#pragma once
#include <vector>

#include "spatial/wirePlan.h"

// The wires form a clean tree: no collinear overlap, no contact other than
// at the shared end of wires, no cycle; zero-length wires are passed over.
inline bool formCleanTree(const std::vector<Wire>& wires) {
  return cleanTreePinParts(wires, {}) >= 0;
}
