#include "tests/gridSteiner.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <queue>
#include <utility>

#include "spatial/obstacleIndex.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();

void addCoord(std::vector<float>& c, float v, float lo, float hi) {
  if (lo <= v && v <= hi) {
    c.push_back(v);
  }
}

void sortUnique(std::vector<float>& c) {
  std::sort(c.begin(), c.end());
  c.erase(std::unique(c.begin(), c.end()), c.end());
}

int indexOf(const std::vector<float>& c, float v) {
  return static_cast<int>(std::lower_bound(c.begin(), c.end(), v) - c.begin());
}

}  // namespace

GridSteiner::GridSteiner(const std::vector<Point>& terminals,
                         const ObstacleIndex& obstacles,
                         float xlo,
                         float ylo,
                         float xhi,
                         float yhi)
    : obstacles_(obstacles), terminals_(terminals) {
  xs_ = {xlo, xhi};
  ys_ = {ylo, yhi};
  for (const Point& t : terminals_) {
    xs_.push_back(t.x);
    ys_.push_back(t.y);
  }
  for (int r : obstacles_.meeting(xlo, ylo, xhi, yhi)) {
    rects_.push_back(r);
    const ObstacleIndex::Rect& o = obstacles_.rects()[r];
    addCoord(xs_, o.xlo, xlo, xhi);
    addCoord(xs_, o.xhi, xlo, xhi);
    addCoord(ys_, o.ylo, ylo, yhi);
    addCoord(ys_, o.yhi, ylo, yhi);
  }
  sortUnique(xs_);
  sortUnique(ys_);
  nx_ = static_cast<int>(xs_.size());
  ny_ = static_cast<int>(ys_.size());
  for (const Point& t : terminals_) {
    termNode_.push_back(node(indexOf(xs_, t.x), indexOf(ys_, t.y)));
  }
}

// The grid's free pieces, found only once a solve is wanted. Every side of
// the obstacles in the box lies on grid lines, so each obstacle blocks a
// block of nodes and pieces that index ranges name.
void GridSteiner::buildGrid() {
  int n = nx_ * ny_;
  blocked_.assign(n, 0);
  freeRight_.assign(n, 1);
  freeUp_.assign(n, 1);
  // First and last index of the coordinates strictly between lo and hi.
  auto inside = [](const std::vector<float>& c, float lo, float hi) {
    int a =
        static_cast<int>(std::upper_bound(c.begin(), c.end(), lo) - c.begin());
    int b =
        static_cast<int>(std::lower_bound(c.begin(), c.end(), hi) - c.begin()) -
        1;
    return std::make_pair(a, b);
  };
  for (int r : rects_) {
    const ObstacleIndex::Rect& o = obstacles_.rects()[r];
    auto [i1, i2] = inside(xs_, o.xlo, o.xhi);
    auto [j1, j2] = inside(ys_, o.ylo, o.yhi);
    // Pieces run between neighbouring lines: one from i to i + 1 meets the
    // open interval when it ends past its low side and starts before its
    // high side.
    int h1 = std::max(0, i1 - 1), h2 = std::min(nx_ - 2, i2);
    int v1 = std::max(0, j1 - 1), v2 = std::min(ny_ - 2, j2);
    for (int j = j1; j <= j2; ++j) {
      for (int i = i1; i <= i2; ++i) {
        blocked_[node(i, j)] = 1;
      }
      for (int i = h1; i <= h2; ++i) {
        freeRight_[node(i, j)] = 0;
      }
    }
    for (int i = i1; i <= i2; ++i) {
      for (int j = v1; j <= v2; ++j) {
        freeUp_[node(i, j)] = 0;
      }
    }
  }
}

double GridSteiner::work() const {
  int k = static_cast<int>(terminals_.size());
  // Testing the grid's pieces against the obstacles costs about as much as
  // a few dozen visits a node.
  return (std::pow(3.0, std::max(0, k - 1)) + 30) * gridNodes();
}

// Grows the trees of one subset from every node that already has a cost,
// along free grid pieces; a step that only ties keeps the earlier way.
// Nodes are taken in order of cost, then index, from a heap in which a
// cheaper step moves a node up in place, so that no node is in it twice.
void GridSteiner::dijkstra(double* dist, int* back) {
  std::vector<HeapEntry>& heap = heap_;
  std::vector<int>& at = heapAt_;
  int n = gridNodes();
  heap.clear();
  at.assign(n, -1);
  auto before = [](const HeapEntry& a, const HeapEntry& b) {
    return a.cost < b.cost || (a.cost == b.cost && a.node < b.node);
  };
  auto place = [&](int k, const HeapEntry& e) {
    heap[k] = e;
    at[e.node] = k;
  };
  auto up = [&](int k, HeapEntry e) {
    while (k > 0) {
      int p = (k - 1) / 2;
      if (!before(e, heap[p])) {
        break;
      }
      place(k, heap[p]);
      k = p;
    }
    place(k, e);
  };
  auto down = [&](int k, HeapEntry e) {
    int size = static_cast<int>(heap.size());
    for (;;) {
      int c = 2 * k + 1;
      if (c >= size) {
        break;
      }
      if (c + 1 < size && before(heap[c + 1], heap[c])) {
        ++c;
      }
      if (!before(heap[c], e)) {
        break;
      }
      place(k, heap[c]);
      k = c;
    }
    place(k, e);
  };
  // Calls f(w, length) for every free piece from v to a neighbour w.
  auto steps = [this](int v, auto&& f) {
    int i = v % nx_, j = v / nx_;
    if (i + 1 < nx_ && freeRight_[v]) {
      f(v + 1, xs_[i + 1] - xs_[i]);
    }
    if (i > 0 && freeRight_[v - 1]) {
      f(v - 1, xs_[i] - xs_[i - 1]);
    }
    if (j + 1 < ny_ && freeUp_[v]) {
      f(v + nx_, ys_[j + 1] - ys_[j]);
    }
    if (j > 0 && freeUp_[v - nx_]) {
      f(v - nx_, ys_[j] - ys_[j - 1]);
    }
  };
  // A node that makes no neighbour cheaper now, and is made cheaper by none
  // later, changes nothing when taken: only the others enter the heap.
  for (int v = 0; v < n; ++v) {
    if (!(dist[v] < kInf)) {
      continue;
    }
    bool gains = false;
    steps(v,
          [&](int w, float len) { gains = gains || dist[v] + len < dist[w]; });
    if (gains) {
      at[v] = static_cast<int>(heap.size());
      heap.push_back({dist[v], v});
    }
  }
  for (int k = static_cast<int>(heap.size()) / 2 - 1; k >= 0; --k) {
    down(k, heap[k]);
  }
  while (!heap.empty()) {
    const double d = heap[0].cost;
    const int v = heap[0].node;
    at[v] = -2;
    HeapEntry last = heap.back();
    heap.pop_back();
    if (!heap.empty()) {
      down(0, last);
    }
    // A node already taken never gains: every piece has positive length.
    steps(v, [&](int w, float len) {
      double c = d + len;
      if (c < dist[w]) {
        dist[w] = c;
        back[w] = v;
        if (at[w] == -1) {
          at[w] = static_cast<int>(heap.size());
          heap.push_back({c, w});
        }
        up(at[w], {c, w});
      }
    });
  }
}

bool GridSteiner::solve(std::vector<Piece>& tree, double& length) {
  tree.clear();
  length = 0;
  int k = static_cast<int>(terminals_.size());
  buildGrid();
  for (int t : termNode_) {
    if (blocked_[t]) {
      return false;
    }
  }
  if (k <= 1) {
    return true;
  }
  int m = k - 1;
  int full = (1 << m) - 1;
  int n = gridNodes();
  cost_.assign(static_cast<size_t>(full + 1) * n, kInf);
  back_.assign(static_cast<size_t>(full + 1) * n, -1);
  for (int mask = 1; mask <= full; ++mask) {
    double* c = cost(mask);
    int* b = back(mask);
    if ((mask & (mask - 1)) == 0) {
      int t = 0;
      while (!(mask >> t & 1)) {
        ++t;
      }
      c[termNode_[t]] = 0;
    } else {
      // Every split of the subset into two, counted once: the part holding
      // the lowest terminal is named.
      int low = mask & -mask;
      for (int sub = (mask - 1) & mask; sub > 0; sub = (sub - 1) & mask) {
        if (!(sub & low)) {
          continue;
        }
        const double* c1 = cost(sub);
        const double* c2 = cost(mask ^ sub);
        for (int v = 0; v < n; ++v) {
          double s = c1[v] + c2[v];
          if (s < c[v]) {
            c[v] = s;
            b[v] = -2 - sub;
          }
        }
      }
    }
    dijkstra(c, b);
  }
  int root = termNode_[m];
  if (!(cost(full)[root] < kInf)) {
    return false;
  }

  edgeUsedH_.assign(n, 0);
  edgeUsedV_.assign(n, 0);
  std::vector<std::pair<int, int>> stack{{full, root}};
  while (!stack.empty()) {
    auto [mask, v] = stack.back();
    stack.pop_back();
    int b = back(mask)[v];
    if (b >= 0) {
      int lo = std::min(b, v);
      (b / nx_ == v / nx_ ? edgeUsedH_ : edgeUsedV_)[lo] = 1;
      stack.emplace_back(mask, b);
    } else if (b <= -2) {
      int sub = -2 - b;
      stack.emplace_back(sub, v);
      stack.emplace_back(mask ^ sub, v);
    }
  }

  for (int v = 0; v < n; ++v) {
    if (edgeUsedH_[v]) {
      length += xs_[v % nx_ + 1] - xs_[v % nx_];
    }
    if (edgeUsedV_[v]) {
      length += ys_[v / nx_ + 1] - ys_[v / nx_];
    }
  }
  // Maximal straight runs, cut wherever a perpendicular piece or a terminal
  // meets them, so that pieces meet only at their ends.
  std::vector<char> isTerm(n, 0);
  for (int t : termNode_) {
    isTerm[t] = 1;
  }
  auto touchedV = [&](int v) {
    return edgeUsedV_[v] || (v >= nx_ && edgeUsedV_[v - nx_]);
  };
  auto touchedH = [&](int v) {
    return edgeUsedH_[v] || (v % nx_ > 0 && edgeUsedH_[v - 1]);
  };
  for (int j = 0; j < ny_; ++j) {
    for (int i = 0; i + 1 < nx_;) {
      if (!edgeUsedH_[node(i, j)]) {
        ++i;
        continue;
      }
      int e = i + 1;
      while (e + 1 < nx_ && edgeUsedH_[node(e, j)] && !touchedV(node(e, j)) &&
             !isTerm[node(e, j)]) {
        ++e;
      }
      tree.push_back({xs_[i], ys_[j], xs_[e], ys_[j]});
      i = e;
    }
  }
  for (int i = 0; i < nx_; ++i) {
    for (int j = 0; j + 1 < ny_;) {
      if (!edgeUsedV_[node(i, j)]) {
        ++j;
        continue;
      }
      int e = j + 1;
      while (e + 1 < ny_ && edgeUsedV_[node(i, e)] && !touchedH(node(i, e)) &&
             !isTerm[node(i, e)]) {
        ++e;
      }
      tree.push_back({xs_[i], ys_[j], xs_[i], ys_[e]});
      j = e;
    }
  }
  return true;
}
