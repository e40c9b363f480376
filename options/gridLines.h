#pragma once
#include <algorithm>
#include <utility>
#include <vector>

// The first and last index of the sorted grid coordinates c that lie
// strictly between lo and hi (first > last when none does): the lines that
// cross an obstacle's open interior.
inline std::pair<int, int> linesStrictlyInside(const std::vector<double>& c,
                                               double lo,
                                               double hi) {
  int a =
      static_cast<int>(std::upper_bound(c.begin(), c.end(), lo) - c.begin());
  int b =
      static_cast<int>(std::lower_bound(c.begin(), c.end(), hi) - c.begin()) -
      1;
  return {a, b};
}
