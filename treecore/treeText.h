#pragma once
#include <string>

#include "treecore/tree.h"

namespace treecore {

// The tree's segments as the programs write them: per piece two point lines
// "x<TAB>y" and an empty line.
void appendBlocks(std::string& out, const Tree& tree);

// The tree as one JSON object on one line, without the newline, numbered
// `net` (see the README for the fields).
void appendJson(std::string& out, const Tree& tree, long net);

// One net of the many-nets plain format, numbered `net`: "# net K", then
// "# status NAME: MESSAGE" when the net is not one tree, then its blocks.
void appendNetText(std::string& out, const Tree& tree, long net);

}  // namespace treecore
