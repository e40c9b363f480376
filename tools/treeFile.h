#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "legal/checkTree.h"

// Reads a file written by the programs' export operations: comment lines
// starting with '#' (the banner), then blocks of two point lines "x<TAB>y",
// each ended by an empty line (the last block's may be missing). Appends the
// pieces in file order. On a malformed file appends nothing, returns false
// and leaves in error a message naming the file and the line.
bool readTreeFile(const std::string& path,
                  std::vector<Piece>& out,
                  std::string& error);

// The same over text in memory; name stands for the file in messages.
bool parseTreeFile(std::string_view text,
                   const std::string& name,
                   std::vector<Piece>& out,
                   std::string& error);
