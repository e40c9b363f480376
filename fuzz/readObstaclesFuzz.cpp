// Any text as an obstacle file: the reader either appends rectangles, four
// corners in a ring each, that read back unchanged when written out, or
// appends nothing and names a line. The rectangles read are then queried
// through the obstacle index and the answers compared with plain scans.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "drivers/readInput.h"
#include "fuzz/fuzzCheck.h"
#include "geometry/obstacleRects.h"
#include "geometry/vertex.h"
#include "spatial/obstacleIndex.h"
#include "support/formatCoord.h"

namespace {

using Rect = ObstacleIndex::Rect;

std::string show(const Rect& r) {
  return "[" + formatCoord(r.xlo) + ", " + formatCoord(r.xhi) + "] x [" +
         formatCoord(r.ylo) + ", " + formatCoord(r.yhi) + "]";
}

// The open interval (lo, hi) meets the open (a, b), or holds a when a == b.
bool meets(float lo, float hi, float a, float b) {
  return a < b ? lo < b && a < hi : lo < a && a < hi;
}

// Values round the rectangles' bounds on one axis: the bounds, the gaps
// between them and beyond them. A few rectangles suffice to place them.
std::vector<float> probes(const std::vector<Rect>& rects, bool alongX) {
  std::vector<float> b;
  for (size_t i = 0; i < rects.size() && i < 6; ++i) {
    b.push_back(alongX ? rects[i].xlo : rects[i].ylo);
    b.push_back(alongX ? rects[i].xhi : rects[i].yhi);
  }
  std::sort(b.begin(), b.end());
  b.erase(std::unique(b.begin(), b.end()), b.end());
  std::vector<float> p;
  for (size_t i = 0; i < b.size(); ++i) {
    p.push_back(b[i]);
    if (i + 1 < b.size()) {
      p.push_back(b[i] / 2 + b[i + 1] / 2);
    }
  }
  if (!b.empty()) {
    p.push_back(b.front() - 1);
    p.push_back(b.back() + 1);
  }
  return p;
}

void checkIndex(const std::vector<Rect>& rects) {
  ObstacleIndex index(rects);
  std::vector<float> xs = probes(rects, true), ys = probes(rects, false);
  for (float x : xs) {
    for (float y : ys) {
      int k = index.containing(x, y);
      bool any = std::any_of(rects.begin(), rects.end(), [&](const Rect& r) {
        return meets(r.xlo, r.xhi, x, x) && meets(r.ylo, r.yhi, y, y);
      });
      std::string at = "(" + formatCoord(x) + ", " + formatCoord(y) + ")";
      FUZZ_CHECK(any == (k >= 0), "containing " + at);
      FUZZ_CHECK(any == index.holds(x, y), "holds " + at);
      FUZZ_CHECK(k < 0 || (meets(rects[k].xlo, rects[k].xhi, x, x) &&
                           meets(rects[k].ylo, rects[k].yhi, y, y)),
                 "containing " + at + " gave " + show(rects[k]));
    }
  }
  for (size_t i = 0; i < xs.size(); ++i) {
    for (size_t j = i; j < xs.size(); ++j) {
      float a = std::min(xs[i], xs[j]), b = std::max(xs[i], xs[j]);
      for (float y : ys) {
        bool any = std::any_of(rects.begin(), rects.end(), [&](const Rect& r) {
          return meets(r.ylo, r.yhi, y, y) && meets(r.xlo, r.xhi, a, b);
        });
        FUZZ_CHECK(any == index.blocksHorizontal(y, xs[j], xs[i]),
                   "horizontal at " + formatCoord(y) + " from " +
                       formatCoord(a) + " to " + formatCoord(b));
      }
    }
  }
  for (size_t i = 0; i < ys.size(); ++i) {
    for (size_t j = i; j < ys.size(); ++j) {
      float a = std::min(ys[i], ys[j]), b = std::max(ys[i], ys[j]);
      for (float x : xs) {
        bool any = std::any_of(rects.begin(), rects.end(), [&](const Rect& r) {
          return meets(r.xlo, r.xhi, x, x) && meets(r.ylo, r.yhi, a, b);
        });
        FUZZ_CHECK(any == index.blocksVertical(x, ys[i], ys[j]),
                   "vertical at " + formatCoord(x) + " from " + formatCoord(a) +
                       " to " + formatCoord(b));
      }
    }
  }
  // Boxes between probes, points and segments among them.
  for (size_t i = 0; i + 2 < xs.size(); i += 2) {
    for (size_t j = 0; j + 2 < ys.size(); j += 2) {
      float xlo = xs[i], xhi = xs[i + (i % 4 == 0 ? 2 : 0)];
      float ylo = ys[j], yhi = ys[j + (j % 4 == 0 ? 2 : 0)];
      if (xhi < xlo) {
        std::swap(xlo, xhi);
      }
      if (yhi < ylo) {
        std::swap(ylo, yhi);
      }
      std::vector<int> want;
      for (size_t k = 0; k < rects.size(); ++k) {
        if (meets(rects[k].xlo, rects[k].xhi, xlo, xhi) &&
            meets(rects[k].ylo, rects[k].yhi, ylo, yhi)) {
          want.push_back(static_cast<int>(k));
        }
      }
      FUZZ_CHECK(index.meeting(xlo, ylo, xhi, yhi) == want,
                 "meeting " + show({xlo, ylo, xhi, yhi}));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  Vertex earlier(7, 7, "pin");
  std::vector<Vertex*> out{&earlier};
  std::string error;
  bool ok = parseObstacles(text, "obst.txt", out, error);
  FUZZ_CHECK(!out.empty() && out[0] == &earlier, "an earlier entry was lost");
  if (!ok) {
    FUZZ_CHECK(out.size() == 1, "a failed read appended vertices");
    checkReaderError(error, "obst.txt: rectangle ", text);
    return 0;
  }
  FUZZ_CHECK(out.size() % 4 == 1, "corners not four by four");
  std::string again;
  std::vector<Rect> boxes;
  for (size_t g = 1; g < out.size(); g += 4) {
    std::string at = "rectangle " + std::to_string(g / 4 + 1);
    Rect box{out[g]->x, out[g]->y, out[g]->x, out[g]->y};
    for (size_t k = 0; k < 4; ++k) {
      Vertex* c = out[g + k];
      FUZZ_CHECK(c->isACorner(), at);
      FUZZ_CHECK(std::isfinite(c->x) && std::isfinite(c->y), at);
      FUZZ_CHECK(c->pNextCorner == out[g + (k + 1) % 4], at);
      FUZZ_CHECK(c->pPrevCorner == out[g + (k + 3) % 4], at);
      // Each side is horizontal or vertical and of positive length.
      const Vertex* n = c->pNextCorner;
      FUZZ_CHECK((c->x == n->x) != (c->y == n->y), at);
      box = {std::min(box.xlo, c->x), std::min(box.ylo, c->y),
             std::max(box.xhi, c->x), std::max(box.yhi, c->y)};
      again += formatCoord(c->x) + " " + formatCoord(c->y) + " corner\n";
    }
    FUZZ_CHECK(box.xlo < box.xhi && box.ylo < box.yhi, at);
    boxes.push_back(box);
  }
  again += "-1 -1 corner\n";
  std::vector<Vertex*> back;
  FUZZ_CHECK(parseObstacles(again, "again", back, error), error);
  FUZZ_CHECK(back.size() + 1 == out.size(), again);
  for (size_t i = 0; i < back.size(); ++i) {
    FUZZ_CHECK(sameBits(back[i]->x, out[i + 1]->x) &&
                   sameBits(back[i]->y, out[i + 1]->y),
               again);
  }
  freeVertices(back, 0);

  std::vector<Rect> rects = collectObstacleRects(out);
  FUZZ_CHECK(rects.size() == boxes.size(), "collectObstacleRects lost a ring");
  for (size_t i = 0; i < rects.size(); ++i) {
    FUZZ_CHECK(rects[i].xlo == boxes[i].xlo && rects[i].xhi == boxes[i].xhi &&
                   rects[i].ylo == boxes[i].ylo && rects[i].yhi == boxes[i].yhi,
               show(rects[i]) + " for " + show(boxes[i]));
  }
  checkIndex(rects);
  freeVertices(out, 1);
  return 0;
}
