#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "spatial/wirePlan.h"

// The working lists of solveFlatTree and breakFlatTree, for a caller that
// solves many nets on one thread to keep and pass; each call clears what it
// uses. The overloads without one make their own.
struct FlatScratch {
  std::vector<RoutePoint> cuts, flipped;
  std::vector<Wire> across, along;  // from lower ends
  std::vector<Wire> drawn;          // the solvers' pieces, before cleaning
  // solveFlatTreeTo's drawing, each piece's ends by the pins whose
  // coordinates they take (its net's order): x1 | y1 << 8 | x2 << 16 |
  // y2 << 24.
  std::vector<std::uint32_t> drawnLines;
  std::vector<int> degree;
  std::vector<char> pinAt;
  WirePlanScratch clean;  // when the drawing needs cleanWires
  // The last solveFlatTreeTo's wires on the grid of the pins' lines, where
  // its drawing lies on that grid (valid): line k of each axis in order,
  // and each wire's ends as line numbers (x1, y1, x2, y2), so that a
  // caller can number the drawing's points without sorting them.
  struct Grid {
    static const int kLines = 32;
    static const int kWires = 128;
    bool valid = false;
    int nx = 0, ny = 0;
    int wires = 0;  // the count of the wires, as ends holds them
    float xs[kLines], ys[kLines];
    std::uint8_t ends[kWires][4];
    std::vector<std::uint16_t> pinPoint;  // each pin's lines, x << 5 | y
  } grid;
  // The lists the value interface's builder of a flat net's tree uses
  // (treecore's routeFlatNet), kept here with the solver's.
  struct TreeLists {
    std::vector<std::uint64_t> keys;
    std::vector<RoutePoint> at, chainPoints, path;
    std::vector<int> pinVertex, linkA, linkB, first, items, nodeOf, vertexOf,
        chainA, chainB, aroundFirst, aroundItems, queue;
    std::vector<size_t> chainFrom;
    std::vector<char> used, reached;
    struct Found {
      int to;
      int from;
      int chain;
      bool reversed;
    };
    std::vector<Found> found;
    struct Run {
      double line;
      double lo;
      double hi;
    };
    std::vector<Run> runs;
    std::vector<Wire> wires;
  } tree;
};

// Nets of up to this many distinct pin positions get a shortest tree.
const int kFlatExactPins = 9;

// A shortest rectilinear tree over the pins' positions (pins at one place
// count once) with no obstacle anywhere, for up to kFlatExactPins
// positions: closed forms up to four, the tables of potentially optimal
// trees (flatTableData.h) from five to eight, and splits at a pin into two
// such trees for nine. Returns clean wires (cleanWires); the same
// positions, in whatever order, give the same wires. Empty for one
// position, and for more than kFlatExactPins.
std::vector<Wire> solveFlatTree(const std::vector<RoutePoint>& pins);
std::vector<Wire> solveFlatTree(const std::vector<RoutePoint>& pins,
                                FlatScratch& scratch);
// The same into out, whose storage a caller that solves many nets keeps,
// and the wires' grid into scratch.grid (not valid where the cleaning left
// the grid); false (out empty) for more than kFlatExactPins positions.
// With gridOnly, for a caller that reads the wires off a valid grid alone
// (its ends and count), out is left empty where the grid is valid.
bool solveFlatTreeTo(const std::vector<RoutePoint>& pins,
                     FlatScratch& scratch,
                     std::vector<Wire>& out,
                     bool gridOnly = false);

// Nets of up to this many positions get breakFlatTree's tree.
const size_t kFlatBreakPins = 2 * kFlatExactPins - 1;
// Up to this many positions, --optimize at effort 1 takes the break alone,
// without the default tree: over 10^5 random nets of ten positions the
// default was shorter on 0.66 % of them, 0.008 % of the length in all, for
// half the time (eleven: 1.9 % of them, 0.025 %; seventeen: 66 %, 2.5 %).
const int kFlatBreakAlonePins = kFlatExactPins + 1;

// A short obstacle-free tree over up to kFlatBreakPins positions:
// solveFlatTree's up to kFlatExactPins, else the best over every break of
// the net at a position, along x or y, into two nets of positions up to it
// and from it that solveFlatTree solves. Clean wires, the same for the same
// positions; empty beyond kFlatBreakPins.
std::vector<Wire> breakFlatTree(const std::vector<RoutePoint>& pins);
std::vector<Wire> breakFlatTree(const std::vector<RoutePoint>& pins,
                                FlatScratch& scratch);
// The same into out, and the wires' grid into scratch.grid as
// solveFlatTreeTo leaves it; false (out empty) beyond kFlatBreakPins.
bool breakFlatTreeTo(const std::vector<RoutePoint>& pins,
                     FlatScratch& scratch,
                     std::vector<Wire>& out);

// The count of distinct positions among the pins.
int flatPlaces(const std::vector<RoutePoint>& pins);
