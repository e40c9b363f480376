#pragma once
#include <string>

// The titles of the tree files: what exportMST, and exportSMT and
// exportSMTSegs, write above the points.
inline constexpr char kMstTitle[] =
    "#     This file contains the connections of the Minimal Spanning Tree     "
    "#";
inline constexpr char kSmtTitle[] =
    "#     This file contains the connections of the Steiner Minimal Tree     "
    "#";

// A file's banner: its title between two rules as wide as the title.
inline std::string fileBanner(const std::string& title) {
  std::string rule = "# " + std::string(title.size() - 4, '-') + " #\n";
  return rule + title + "\n" + rule;
}
