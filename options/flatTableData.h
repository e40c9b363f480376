#pragma once
#include <cstddef>
#include <cstdint>

// Tables of potentially optimal obstacle-free trees by position sequence,
// made at build time by flatTableGen (tools/flatTables.h says what they
// hold and tools/flatTables.cpp, tableSource, how they are laid out); and
// the moves to those of nine pins, which take minutes to make, kept in
// flatMoves.cpp (flatTableGen --moves, movesSource).
namespace flatTableData {

extern const int kFromPins;
extern const int kToPins;
extern const std::size_t kTableWords;
extern const std::uint64_t kTableData[];

extern const int kMovesPins;
extern const std::size_t kMovesWords;
extern const std::uint64_t kMovesData[];

}  // namespace flatTableData
