#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "check/checkTree.h"

// Reads a file written by the programs' export operations: comment lines
// starting with '#' (the banner), then blocks of two point lines "x<TAB>y",
// each ended by an empty line (the last block's may be missing). Appends the
// pieces in file order, coordinates in double precision exactly as written
// (or refused). A leading byte-order mark is skipped; a NUL byte is refused.
// On a malformed file appends nothing, returns false and leaves in error a
// message naming the file and the line. title, where given, receives the
// banner's title ("Steiner Minimal Tree"), or nothing without a banner.
bool readTreeFile(const std::string& path,
                  std::vector<Piece>& out,
                  std::string& error,
                  std::string* title = nullptr);

// The same over text in memory; name stands for the file in messages.
bool parseTreeFile(std::string_view text,
                   const std::string& name,
                   std::vector<Piece>& out,
                   std::string& error,
                   std::string* title = nullptr);
