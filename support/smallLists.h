#pragma once
#include <cstddef>
#include <vector>

#include "support/inlineList.h"

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

// A list that keeps its first entries inside itself needs no first room.
template <class T, size_t n>
void pushSmall(InlineList<T, n>& list, const T& x, size_t = 0) {
  list.push_back(x);
}

// Per-thread working lists that a stage fills and empties on every call:
// they keep their storage from one small net to the next, and give it back
// after a large one instead of holding it for the thread's life.
template <class List>
void releaseLarge(List& list, size_t keep = 4096) {
  list.clear();
  if (list.capacity() > keep) {
    List().swap(list);
  }
}
