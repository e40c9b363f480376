#pragma once
#include <cstdint>

// a when `first`, else b, by a mask on the addresses. Where the choice
// follows no pattern, a conditional the compiler turns into a branch
// mispredicts about every other time.
template <class T>
T* pick(bool first, T* a, T* b) {
  const auto ai = reinterpret_cast<std::uintptr_t>(a);
  const auto bi = reinterpret_cast<std::uintptr_t>(b);
  const std::uintptr_t mask =
      std::uintptr_t{0} - static_cast<std::uintptr_t>(first);
  return reinterpret_cast<T*>(bi ^ ((ai ^ bi) & mask));
}
