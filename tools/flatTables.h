#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "options/positionSequence.h"

// The potentially optimal trees of obstacle-free nets by position sequence.
// Every full component of a shortest rectilinear tree is a straight spine
// with straight legs, or one with a corner at one end whose arm carries one
// leg (Hwang's theorem); a straight spine is never longer on the
// terminals' median line. So a shortest tree of n pins, whatever the gaps,
// is a spine or corner tree of all of them, or two shortest trees of fewer
// pins that share one pin. Each tree is kept as its wirelength vector (how
// often it crosses each gap between consecutive x ranks, then y ranks) and
// its full components; a tree whose vector another's dominates is dropped.
namespace flatTables {

using positionSequence::Part;

struct ClassTree {
  // Crossings per gap, eight bits a gap: x gaps in across, y gaps in along.
  std::uint64_t across = 0;
  std::uint64_t along = 0;
  std::vector<Part> parts;
};

// The library's tables cover these pin counts; fewer pins take closed
// forms.
const int kFirstTablePins = 5;
const int kTablePins = 8;

// How a kept tree is made at the top: a spine tree of all pins, a corner
// tree of all (its end, leg and line pins in four bits each), or a split at
// pin p into a first part of the given mask and the rest with p.
using Move = std::uint16_t;
const Move kSpineMove = 0 << 13;
const Move kCornerMove = 1 << 13;
const Move kSplitMove = 2 << 13;
const Move kMoveAlongY = 1 << 12;

// The trees of sequences of fewer pins.
using TreesOfFewer = std::function<const std::vector<ClassTree>&(
    const positionSequence::Seq&, int)>;

// Trees by pin count, then by sequence rank.
using AllTrees = std::vector<std::vector<std::vector<ClassTree>>>;

// Every sequence's trees for 2 to maxPins - 1 pins; for maxPins, only those
// of least rank in their class (the others left empty), on `threads`
// threads. Trees come by total crossings, then by vector: the first of the
// shortest wins ties.
// With leastAtTop false, every sequence's trees for maxPins too.
AllTrees buildTables(int maxPins, int threads, bool leastAtTop = true);

// The trees of one sequence of n pins, from the trees of fewer; and, when
// moves is given, few moves (a greedy cover) that make all of them.
std::vector<ClassTree> treesOf(const positionSequence::Seq& seq,
                               int n,
                               const TreesOfFewer& fewer,
                               std::vector<Move>* moves = nullptr);

TreesOfFewer fromTables(const AllTrees& all);

// The source of the library's table data (flatTableData.h): for fromPins
// to the largest, the classes' least sequences and their trees.
std::string tableSource(const AllTrees& all, int fromPins);

// The source of the moves to the trees of the classes of n pins, from
// every sequence's trees for fewer (full), on `threads` threads.
std::string movesSource(const AllTrees& full, int n, int threads);

}  // namespace flatTables
