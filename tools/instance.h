#pragma once
#include <string>
#include <vector>

#include "legal/checkTree.h"
#include "tools/treeFile.h"

// Reads a pin file and an obstacle file with the programs' own readers.
// False with a message naming the file, the record and its line when
// either cannot be read.
bool readInstance(const std::string& pinPath,
                  const std::string& obstaclePath,
                  std::vector<Point>& pins,
                  std::vector<Rect>& rects,
                  std::string& error);

// The same, then a tree file.
bool readInstanceAndTree(const std::string& pinPath,
                         const std::string& obstaclePath,
                         const std::string& treePath,
                         std::vector<Point>& pins,
                         std::vector<Rect>& rects,
                         std::vector<Piece>& pieces,
                         std::string& error);
