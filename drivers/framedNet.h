#pragma once
#include <string>

#include "drivers/driver.h"
#include "drivers/readInput.h"
#include "treecore/route.h"

// One net with a coordinate no float holds, routed by the library in its
// own frame over every obstacle, as the program routes any other net, and
// written to outPath as the program writes a tree. Reads the instance,
// leaves the file and returns the program's status; messages go to
// standard error under `name`.
int writeFramedNet(const char* name,
                   Program program,
                   treecore::RouteOptions options,
                   const Input<DesignCoord>& in,
                   const std::string& outPath);
