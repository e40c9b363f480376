#pragma once
#include <cstddef>
#include <vector>

// Appends x to a list that most often stays short (a vertex's neighbours, a
// segment's legs): the first entry reserves room for `first`, so such a
// list costs one allocation instead of one per doubling.
template <class T>
void pushSmall(std::vector<T>& list, const T& x, size_t first = 4) {
  if (list.capacity() == 0) {
    list.reserve(first);
  }
  list.push_back(x);
}
