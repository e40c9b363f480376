#pragma once
#include <algorithm>
#include <cstdlib>
#include <queue>
#include <vector>

#include "check/checkTree.h"

// A legal tree by construction, for instances on the integer grid: the
// union of the grid paths from every pin to the first one in a breadth-first
// tree that never enters an obstacle. Far from short, but every pin is on
// it, it is one part unless obstacles wall a pin in, and it crosses nothing.
inline std::vector<Piece> gridTree(const std::vector<Point>& pins,
                                   const std::vector<Rect>& rects,
                                   long w,
                                   long h) {
  long nx = w + 1, ny = h + 1;
  auto at = [&](long x, long y) { return y * nx + x; };
  // Nodes strictly inside an obstacle, and unit steps whose middle is.
  std::vector<char> inside(nx * ny, 0), hBlock(nx * ny, 0), vBlock(nx * ny, 0);
  for (const Rect& r : rects) {
    long x1 = static_cast<long>(r.xlo), x2 = static_cast<long>(r.xhi);
    long y1 = static_cast<long>(r.ylo), y2 = static_cast<long>(r.yhi);
    for (long y = y1; y <= y2; ++y) {
      for (long x = x1; x <= x2; ++x) {
        bool inY = y1 < y && y < y2, inX = x1 < x && x < x2;
        if (inX && inY) {
          inside[at(x, y)] = 1;
        }
        if (inY && x < x2) {
          hBlock[at(x, y)] = 1;  // step from (x, y) to (x + 1, y)
        }
        if (inX && y < y2) {
          vBlock[at(x, y)] = 1;  // step from (x, y) to (x, y + 1)
        }
      }
    }
  }
  std::vector<long> pred(nx * ny, -1);
  std::vector<Piece> pieces;
  if (pins.empty()) {
    return pieces;
  }
  long root = at(static_cast<long>(pins[0].x), static_cast<long>(pins[0].y));
  pred[root] = root;
  std::queue<long> q;
  q.push(root);
  while (!q.empty()) {
    long u = q.front();
    q.pop();
    long x = u % nx, y = u / nx;
    const long next[4][3] = {{x + 1, y, x < w && !hBlock[u]},
                             {x - 1, y, x > 0 && !hBlock[u - 1]},
                             {x, y + 1, y < h && !vBlock[u]},
                             {x, y - 1, y > 0 && !vBlock[u - nx]}};
    for (const auto& n : next) {
      if (!n[2]) {
        continue;
      }
      long v = at(n[0], n[1]);
      if (pred[v] < 0 && !inside[v]) {
        pred[v] = u;
        q.push(v);
      }
    }
  }
  // Steps used by some pin's path, kept by their lower or left end.
  std::vector<char> hUsed(nx * ny, 0), vUsed(nx * ny, 0), done(nx * ny, 0);
  done[root] = 1;
  for (const Point& p : pins) {
    long u = at(static_cast<long>(p.x), static_cast<long>(p.y));
    if (pred[u] < 0) {
      continue;
    }
    while (!done[u]) {
      done[u] = 1;
      long v = pred[u];
      long lo = std::min(u, v);
      (std::labs(u - v) == 1 ? hUsed : vUsed)[lo] = 1;
      u = v;
    }
  }
  for (long y = 0; y < ny; ++y) {
    for (long x = 0; x < nx; ++x) {
      if (hUsed[at(x, y)] && (x == 0 || !hUsed[at(x - 1, y)])) {
        long e = x;
        while (e < w && hUsed[at(e, y)]) {
          ++e;
        }
        pieces.push_back({static_cast<float>(x), static_cast<float>(y),
                          static_cast<float>(e), static_cast<float>(y)});
      }
      if (vUsed[at(x, y)] && (y == 0 || !vUsed[at(x, y - 1)])) {
        long e = y;
        while (e < h && vUsed[at(x, e)]) {
          ++e;
        }
        pieces.push_back({static_cast<float>(x), static_cast<float>(y),
                          static_cast<float>(x), static_cast<float>(e)});
      }
    }
  }
  return pieces;
}
