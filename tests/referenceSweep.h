#pragma once
// The four quadrant sweeps spelt out row by row from their table, with
// linear scans of plain lists where the Router keeps search trees: slow and
// obvious on purpose, and sharing no code with the Router's sweeps.
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "geometry/vertex.h"

using Edges = std::vector<std::pair<Vertex*, Vertex*>>;

constexpr float kInf = std::numeric_limits<float>::infinity();

// A search tree as a plain list in insertion order. Among equal keys a query
// takes the earliest inserted, which is the tree's node nearest the root.
class ListTree {
 public:
  void insert(Vertex* v, float key) { items_.emplace_back(key, v); }
  int lowerInc(float x) const {
    int best = -1;
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
      if (items_[i].first >= x && (best < 0 || items_[i].first < key(best))) {
        best = i;
      }
    }
    return best;
  }
  int upperInc(float x) const {
    int best = -1;
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
      if (items_[i].first <= x && (best < 0 || items_[i].first > key(best))) {
        best = i;
      }
    }
    return best;
  }
  void remove(int i) {
    if (i >= 0) {
      items_.erase(items_.begin() + i);
    }
  }
  Vertex* elem(int i) const { return i < 0 ? nullptr : items_[i].second; }

 private:
  float key(int i) const { return items_[i].first; }
  std::vector<std::pair<float, Vertex*>> items_;
};

inline bool strictlyBetween(float t, float a, float b) {
  return a != b && std::min(a, b) < t && t < std::max(a, b);
}

// Which rule of the obstacle test decided, over all reference runs.
struct RuleCounts {
  int neither = 0, hOnly = 0, wOnly = 0, noneBetween = 0, bothBetween = 0,
      wBetween = 0, hBetween = 0;
};

// Sweep n (0 for the first) spelt out row by row, with linear scans for the
// trees, over the order the Router's own ordering gives.
inline Edges referenceSweep(int n,
                            const std::vector<Vertex*>& order,
                            RuleCounts& rules) {
  Edges out;
  ListTree active, hori, vert;
  const double step[4] = {-0.01, -0.1, 0.1, 0.1};
  for (Vertex* f : order) {
    float q = f->x;
    for (;;) {
      int node = n < 2 ? active.upperInc(q) : active.lowerInc(q);
      if (node < 0) {
        break;
      }
      Vertex* d = active.elem(node);
      Vertex* h = hori.elem(n == 0 || n == 3 ? hori.lowerInc(d->y)
                                             : hori.upperInc(d->y));
      Vertex* w = vert.elem(n < 2 ? vert.lowerInc(d->x) : vert.upperInc(d->x));
      const bool qualifies[4] = {d->y <= f->y, d->y >= f->y, d->y >= f->y,
                                 d->y <= f->y};
      if (qualifies[n]) {
        bool connect;
        if (!h && !w) {
          connect = true;
          ++rules.neither;
        } else if (!w) {
          const bool c[4] = {h->y >= f->y, h->y <= f->y, h->y <= f->y,
                             h->y >= f->y};
          connect = c[n];
          ++rules.hOnly;
        } else if (!h) {
          const bool c[4] = {w->x >= f->x, w->x >= f->x, w->x <= f->x,
                             w->x <= f->x};
          connect = c[n];
          ++rules.wOnly;
        } else {
          bool hb = strictlyBetween(h->y, f->y, d->y);
          bool wb = strictlyBetween(w->x, f->x, d->x);
          if (!hb && !wb) {
            connect = true;
            ++rules.noneBetween;
          } else if (hb && wb) {
            connect = false;
            ++rules.bothBetween;
          } else if (wb) {
            const bool c[4] = {w->y > f->y, w->y < f->y, w->y<f->y, w->y> f->y};
            connect = c[n];
            ++rules.wBetween;
          } else {
            const bool c[4] = {h->x > f->x, h->x > f->x, h->x < f->x,
                               h->x < f->x};
            connect = c[n];
            ++rules.hBetween;
          }
        }
        if (connect) {
          out.emplace_back(f, d);
          active.remove(node);
        }
      }
      // Where the float cannot hold the step, the next float past d.
      q = static_cast<float>(static_cast<double>(d->x) + step[n]);
      if (n < 2 ? q >= d->x : q <= d->x) {
        q = std::nextafter(d->x, n < 2 ? -kInf : kInf);
      }
    }
    if (f->isACorner()) {
      Vertex* prev = f->pPrevCorner;
      Vertex* next = f->pNextCorner;
      const bool openVert[4] = {f->y < prev->y, next->y < f->y, prev->y < f->y,
                                f->y < next->y};
      const bool closeVert[4] = {next->y < f->y, f->y < prev->y, f->y < next->y,
                                 prev->y < f->y};
      const bool openHori[4] = {f->x < next->x, f->x < prev->x, next->x < f->x,
                                prev->x < f->x};
      const bool closeHori[4] = {prev->x < f->x, next->x < f->x, f->x < prev->x,
                                 f->x < next->x};
      if (openVert[n]) {
        vert.insert(f, f->x);
      }
      if (closeVert[n]) {
        vert.remove(vert.upperInc(f->x));
      }
      if (openHori[n]) {
        hori.insert(f, f->y);
      }
      if (closeHori[n]) {
        hori.remove(hori.upperInc(f->y));
      }
    }
    active.insert(f, f->x);
  }
  return out;
}
