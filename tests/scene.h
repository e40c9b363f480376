#pragma once
#include <algorithm>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "geometry/vertex.h"
#include "router/router.h"

// Input vertices made by hand, pins before corners as the readers leave
// them, and one Router over them. Frees the Router, then the vertices.
class Scene {
 public:
  Scene() = default;
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;
  ~Scene() {
    router_.reset();
    for (Vertex* v : pins) {
      delete v;
    }
    for (Vertex* v : corners) {
      delete v;
    }
  }

  Vertex* addPin(float x, float y) {
    pins.push_back(new Vertex(x, y, "pin"));
    return pins.back();
  }

  // Corners in the given order, linked into a ring.
  std::vector<Vertex*> addCorners(
      const std::vector<std::pair<float, float>>& pts) {
    std::vector<Vertex*> ring;
    for (const auto& p : pts) {
      ring.push_back(new Vertex(p.first, p.second, "corner"));
    }
    size_t n = ring.size();
    for (size_t k = 0; k < n; ++k) {
      ring[k]->pNextCorner = ring[(k + 1) % n];
      ring[k]->pPrevCorner = ring[(k + n - 1) % n];
      corners.push_back(ring[k]);
    }
    return ring;
  }

  // The rectangle [x1, x2] x [y1, y2], from its lower-left corner,
  // counter-clockwise unless asked otherwise.
  std::vector<Vertex*> addRect(
      float x1, float y1, float x2, float y2, bool clockwise = false) {
    if (clockwise) {
      return addCorners({{x1, y1}, {x1, y2}, {x2, y2}, {x2, y1}});
    }
    return addCorners({{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}});
  }

  // n pins on the integer grid [0, grid)^2, reproducible from seed, none
  // strictly inside a rectangle added before.
  void addRandomPins(int n, unsigned seed, int grid) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> coord(0, grid - 1);
    while (n > 0) {
      float x = static_cast<float>(coord(rng));
      float y = static_cast<float>(coord(rng));
      if (!insideRect(x, y)) {
        addPin(x, y);
        --n;
      }
    }
  }

  // n rectangles with integer corners in [0, grid)^2 and sides from 1 to
  // maxSide; they may touch and overlap.
  void addRandomRects(int n, unsigned seed, int grid, int maxSide) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> coord(0, grid - 2);
    std::uniform_int_distribution<int> side(1, maxSide);
    for (int i = 0; i < n; ++i) {
      float x = static_cast<float>(coord(rng));
      float y = static_cast<float>(coord(rng));
      float w = static_cast<float>(side(rng));
      float h = static_cast<float>(side(rng));
      addRect(x, y, x + w, y + h, rng() % 2 == 1);
    }
  }

  bool insideRect(float x, float y) const {
    for (size_t k = 0; k + 3 < corners.size(); k += 4) {
      float lx = corners[k]->x, hx = lx, ly = corners[k]->y, hy = ly;
      for (size_t j = k; j < k + 4; ++j) {
        lx = std::min(lx, corners[j]->x);
        hx = std::max(hx, corners[j]->x);
        ly = std::min(ly, corners[j]->y);
        hy = std::max(hy, corners[j]->y);
      }
      if (lx < x && x < hx && ly < y && y < hy) {
        return true;
      }
    }
    return false;
  }

  // Built on first use over pins then corners; add nothing afterwards.
  Router& router() {
    if (!router_) {
      input = pins;
      input.insert(input.end(), corners.begin(), corners.end());
      router_ = std::make_unique<Router>(input);
    }
    return *router_;
  }

  std::vector<Vertex*> pins;
  std::vector<Vertex*> corners;
  std::vector<Vertex*> input;

 private:
  std::unique_ptr<Router> router_;
};

// A neighbour list without the entries of connections taken out.
inline std::vector<Vertex*> nonNull(const std::vector<Vertex*>& l) {
  std::vector<Vertex*> out;
  for (Vertex* v : l) {
    if (v) {
      out.push_back(v);
    }
  }
  return out;
}

// The parts the pins form over the tree neighbours, by a plain search from
// each pin: what a stage before legalizeTree leaves in pinPartCount.
inline int countTreePinParts(const Router& r) {
  std::vector<const Vertex*> seen;
  int parts = 0;
  for (const Vertex* p : r.vertices) {
    if (!p || !p->isAPin() ||
        std::find(seen.begin(), seen.end(), p) != seen.end()) {
      continue;
    }
    ++parts;
    std::vector<const Vertex*> todo{p};
    seen.push_back(p);
    while (!todo.empty()) {
      const Vertex* a = todo.back();
      todo.pop_back();
      for (const Vertex* b : a->mstNbrs) {
        if (b && std::find(seen.begin(), seen.end(), b) == seen.end()) {
          seen.push_back(b);
          todo.push_back(b);
        }
      }
    }
  }
  return parts;
}
