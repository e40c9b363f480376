#pragma once
// Random and lattice instances built in memory for the benchmarks.
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "geometry/vertex.h"

namespace bench {

// uniform: any float; eighths: uniform on a grid of eighths, so that every
// sweep steps past exactly one x at a time; lattice: the integer grid.
enum class Layout { uniform, eighths, lattice };

struct Block {
  float x1, y1, x2, y2;
};

// About n vertices: with blocks, a fifth of them are corners of disjoint
// rectangles, one per cell of a coarse grid, and no pin lies inside one.
class Input {
 public:
  Input(Layout layout, bool blocks, int n) {
    std::mt19937 rng(12345);
    int side = static_cast<int>(std::ceil(std::sqrt(n)));
    float span = static_cast<float>(side);
    int rects = blocks ? n / 20 : 0;
    int cells = static_cast<int>(std::ceil(std::sqrt(rects)));
    float cell = cells > 0 ? span / cells : 0;
    std::uniform_real_distribution<float> unit(0, 1);
    cells_ = cells;
    cell_ = cell;
    cellBlock_.assign(static_cast<size_t>(cells) * cells, -1);
    for (int k = 0; k < rects; ++k) {
      float cx = (k % cells) * cell, cy = (k / cells) * cell;
      float w = (0.2f + 0.6f * unit(rng)) * cell;
      float h = (0.2f + 0.6f * unit(rng)) * cell;
      float x = cx + (cell - w) * unit(rng), y = cy + (cell - h) * unit(rng);
      // Half-unit corners keep lattice pins off the sides.
      Block b{std::floor(x) + 0.5f, std::floor(y) + 0.5f,
              std::floor(x + w) + 1.5f, std::floor(y + h) + 1.5f};
      b.x2 = std::min(b.x2, cx + cell - 0.25f);
      b.y2 = std::min(b.y2, cy + cell - 0.25f);
      if (b.x2 > b.x1 && b.y2 > b.y1) {
        cellBlock_[k] = static_cast<int>(blocks_.size());
        blocks_.push_back(b);
      }
    }
    int pins = n - 4 * static_cast<int>(blocks_.size());
    if (layout == Layout::lattice) {
      // Rows go on above the blocks until every pin has a place.
      for (int j = 0; pins > 0; ++j) {
        for (int i = 0; i < side && pins > 0; ++i) {
          if (addPin(static_cast<float>(i), static_cast<float>(j))) {
            --pins;
          }
        }
      }
    } else {
      std::uniform_real_distribution<float> coord(0, span);
      auto place = [&] {
        float c = coord(rng);
        return layout == Layout::eighths ? std::floor(c * 8) / 8 : c;
      };
      while (pins > 0) {
        float x = place();
        if (addPin(x, place())) {
          --pins;
        }
      }
    }
    for (const Block& b : blocks_) {
      Vertex* ring[4] = {
          new Vertex(b.x1, b.y1, "corner"), new Vertex(b.x2, b.y1, "corner"),
          new Vertex(b.x2, b.y2, "corner"), new Vertex(b.x1, b.y2, "corner")};
      for (int k = 0; k < 4; ++k) {
        ring[k]->pNextCorner = ring[(k + 1) % 4];
        ring[k]->pPrevCorner = ring[(k + 3) % 4];
        vertices.push_back(ring[k]);
      }
    }
  }
  ~Input() {
    for (Vertex* v : vertices) {
      delete v;
    }
  }
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;

  void clearGraph() {
    for (Vertex* v : vertices) {
      v->sgNbrs.clear();
    }
  }

  std::vector<Vertex*> vertices;

 private:
  // A block reaches at most half a unit into the cells left of and below
  // its own.
  bool addPin(float x, float y) {
    if (cells_ > 0) {
      int i = static_cast<int>(x / cell_), j = static_cast<int>(y / cell_);
      for (int ci = std::max(i, 0); ci <= std::min(i + 1, cells_ - 1); ++ci) {
        for (int cj = std::max(j, 0); cj <= std::min(j + 1, cells_ - 1); ++cj) {
          int k = cellBlock_[static_cast<size_t>(cj) * cells_ + ci];
          if (k < 0) {
            continue;
          }
          const Block& b = blocks_[k];
          if (b.x1 <= x && x <= b.x2 && b.y1 <= y && y <= b.y2) {
            return false;
          }
        }
      }
    }
    vertices.push_back(new Vertex(x, y, "pin"));
    return true;
  }
  std::vector<Block> blocks_;
  std::vector<int> cellBlock_;  // block of each cell, or -1
  int cells_ = 0;
  float cell_ = 0;
};

}  // namespace bench
