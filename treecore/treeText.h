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

// The timing figures as one JSON object: maxStretch, meanStretch, radius,
// then per pin pathLength, shortest, stretch and elmoreDelay (null for a
// pin the tree does not join to the first).
void appendTimingJson(std::string& out, const Timing& timing);

// One net of the many-nets plain format, numbered `net`: "# net K", then
// "# status NAME: MESSAGE" when the net is not one tree, then its blocks.
void appendNetText(std::string& out, const Tree& tree, long net);

}  // namespace treecore
