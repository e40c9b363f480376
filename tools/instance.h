#pragma once
#include <string>
#include <vector>

#include "check/checkTree.h"
#include "tools/treeFile.h"

// Reads an instance with the programs' own readers, in double precision:
// a pin file and an obstacle file, or one STP file (files holds one or
// two names; "-" is standard input). False with a message naming the file,
// the record and its line when it cannot be read; notStp, where given, is
// set when the one file named is no STP file.
bool readInstance(const std::vector<std::string>& files,
                  std::vector<Point>& pins,
                  std::vector<Rect>& rects,
                  std::string& error,
                  bool* notStp = nullptr);
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

// An obstacle file alone.
bool readObstacles(const std::string& path,
                   std::vector<Rect>& rects,
                   std::string& error);
