#pragma once
#include <vector>

#include "spatial/wirePlan.h"

// A planned tree as key nodes (pins and branch points) joined by key
// paths, chains of pieces that pass only through bends: the unit both the
// window search and the local search move.
struct KeyPaths {
  struct Path {
    int a;
    int b;
    double length;
    std::vector<int> pieces;  // in order from a
    std::vector<int> nodes;   // plan nodes from a to b, where asked for
  };
  WirePlan plan;
  std::vector<char> key;  // per plan node
  std::vector<Path> paths;
  std::vector<std::vector<int>> keyAdj;  // per plan node: its key paths

  int other(int id, int v) const {
    return paths[id].a == v ? paths[id].b : paths[id].a;
  }
};

// Reads plan, and leaves it in the result with its key nodes and paths,
// the paths in the order of their first key node, then of its pieces.
KeyPaths keyPathsOf(WirePlan plan, bool withNodes);

// A piece's rectilinear length, in double.
double pieceLength(const WirePlan& plan, int p);
