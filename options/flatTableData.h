#pragma once
#include <cstddef>
#include <cstdint>

// Tables of potentially optimal obstacle-free trees by position sequence,
// made at build time by flatTableGen (tools/flatTables.h says what they
// hold and tools/flatTables.cpp, tableSource, how they are laid out).
namespace flatTableData {

extern const int kFromPins;
extern const int kToPins;
extern const std::size_t kWords;
extern const std::uint64_t kData[];

}  // namespace flatTableData
