#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drivers/readInput.h"
#include "geometry/vertex.h"
#include "tools/treeGen.h"

// A generated instance read as the programs read it: the vertices of one
// Router, freed with the net.
struct GeneratedNet {
  explicit GeneratedNet(const Instance& inst) {
    std::string error;
    EXPECT_TRUE(parsePins(formatPinFile(inst), "pins", vs, error) &&
                parseObstacles(formatObstacleFile(inst), "obst", vs, error))
        << error;
  }
  ~GeneratedNet() {
    for (Vertex* v : vs) {
      delete v;
    }
  }
  GeneratedNet(const GeneratedNet&) = delete;
  GeneratedNet& operator=(const GeneratedNet&) = delete;
  std::vector<Vertex*> vs;
};
