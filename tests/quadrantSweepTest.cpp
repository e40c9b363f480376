#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "geometry/edge.h"
#include "geometry/vertex.h"
#include "router/router.h"
#include "scene.h"
#include "support/binarySearchTree.h"

namespace {

using Edges = std::vector<std::pair<Vertex*, Vertex*>>;
using Tree = BinarySearchTree<Vertex, Vertex*, float>;
using TreeNode = Tree::NodeT;

// One sweep's direction: partners lie on side sx in x and sy in y of the
// waiting vertex; the bound steps by step away from the swept vertex.
struct Dir {
  const char* key;
  int sx, sy;
  double step;
};
const Dir kDirs[4] = {{"x+y", 1, 1, -0.01},
                      {"x-y", 1, -1, -0.1},
                      {"-x-y", -1, -1, 0.1},
                      {"-x+y", -1, 1, 0.1}};

bool beyond(float a, float b, int sign) {
  return sign > 0 ? a > b : a < b;
}
bool atOrBeyond(float a, float b, int sign) {
  return sign > 0 ? a >= b : a <= b;
}
bool strictlyBetween(float t, float a, float b) {
  return a != b && std::min(a, b) < t && t < std::max(a, b);
}

// The sweep as it was before the rank tree: the plain search tree, and every
// waiting vertex on the near side of f.x examined in turn as the bound
// falls. This is the plain statement of the behaviour that the Router's
// sweeps must reproduce edge for edge.
Edges plainSweep(const Dir& s, const std::vector<Vertex*>& order) {
  Edges out;
  Tree active, hori, vert;
  auto near = [](const Tree& t, float x, int sign) {
    TreeNode* n = sign > 0 ? t.lowerInc(x) : t.upperInc(x);
    return n ? n->pElem() : nullptr;
  };
  for (Vertex* f : order) {
    float q = f->x;
    while (TreeNode* node =
               s.sx > 0 ? active.upperInc(q) : active.lowerInc(q)) {
      Vertex* d = node->pElem();
      Vertex* h = near(hori, d->y, s.sy);
      Vertex* w = near(vert, d->x, s.sx);
      if (atOrBeyond(f->y, d->y, s.sy)) {
        bool connect;
        if (!h && !w) {
          connect = true;
        } else if (!w) {
          connect = atOrBeyond(h->y, f->y, s.sy);
        } else if (!h) {
          connect = atOrBeyond(w->x, f->x, s.sx);
        } else {
          bool hb = strictlyBetween(h->y, f->y, d->y);
          bool wb = strictlyBetween(w->x, f->x, d->x);
          if (hb == wb) {
            connect = !hb;
          } else {
            connect = wb ? beyond(w->y, f->y, s.sy) : beyond(h->x, f->x, s.sx);
          }
        }
        if (connect) {
          out.emplace_back(f, d);
          active.remove(node);
        }
      }
      float nq = static_cast<float>(static_cast<double>(d->x) + s.step);
      if (!beyond(nq, d->x, -s.sx)) {
        float inf = std::numeric_limits<float>::infinity();
        nq = std::nextafter(d->x, s.sx > 0 ? -inf : inf);
      }
      q = nq;
    }
    if (f->isACorner()) {
      bool mirrored = s.sx * s.sy < 0;
      Vertex* a = mirrored ? f->pNextCorner : f->pPrevCorner;
      Vertex* b = mirrored ? f->pPrevCorner : f->pNextCorner;
      if (beyond(a->y, f->y, s.sy)) {
        vert.insert(f, f->x);
      }
      if (beyond(f->y, b->y, s.sy)) {
        vert.remove(vert.upperInc(f->x));
      }
      if (beyond(b->x, f->x, s.sx)) {
        hori.insert(f, f->y);
      }
      if (beyond(f->x, a->x, s.sx)) {
        hori.remove(hori.upperInc(f->y));
      }
    }
    active.insert(f, f->x);
  }
  return out;
}

// Sweep n, 0 for the first. (An array of member pointers trips the
// sanitizer build.)
void runSweep(Router& r, int n) {
  switch (n) {
    case 0:
      r.connectQuad1();
      break;
    case 1:
      r.connectQuad2();
      break;
    case 2:
      r.connectQuad3();
      break;
    default:
      r.connectQuad4();
  }
}

// Every sweep of the Router against the plain sweep over the same order.
void expectSweepsAsPlain(Scene& s) {
  Router& r = s.router();
  r.connectObstEdges();
  for (int n = 0; n < 4; ++n) {
    SCOPED_TRACE("sweep " + std::to_string(n + 1));
    std::vector<Vertex*> order = r.sortVerPointers(kDirs[n].key);
    size_t from = r.sgEdges.size();
    runSweep(r, n);
    Edges got;
    for (size_t k = from; k < r.sgEdges.size(); ++k) {
      got.emplace_back(r.sgEdges[k]->pStart, r.sgEdges[k]->pEnd);
    }
    Edges want = plainSweep(kDirs[n], order);
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < got.size(); ++k) {
      ASSERT_EQ(got[k], want[k]) << "edge " << k;
    }
  }
}

// Pins and overlapping rectangles on a coarse grid scaled by unit and moved
// by (ox, oy): ties in x, in y and in the sweep keys are the rule.
void addGridScene(
    Scene& s, unsigned seed, int grid, float unit, float ox, float oy) {
  std::mt19937 rng(seed);
  int rects = static_cast<int>(rng() % 8);
  for (int i = 0; i < rects; ++i) {
    int x = static_cast<int>(rng() % (grid - 1));
    int y = static_cast<int>(rng() % (grid - 1));
    int w = 1 + static_cast<int>(rng() % 6),
        h = 1 + static_cast<int>(rng() % 6);
    s.addRect(ox + x * unit, oy + y * unit, ox + (x + w) * unit,
              oy + (y + h) * unit, rng() % 2 == 1);
  }
  int pins = 5 + static_cast<int>(rng() % 60);
  for (int i = 0; i < pins; ++i) {
    s.addPin(ox + static_cast<int>(rng() % grid) * unit,
             oy + static_cast<int>(rng() % grid) * unit);
  }
}

// Integer coordinates: every sweep goes by ranks.
TEST(QuadrantSweepTest, IntegerInstancesGiveThePlainSweepsEdges) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Scene s;
    addGridScene(s, seed, 20 + static_cast<int>(seed % 30), 1, 0, 0);
    expectSweepsAsPlain(s);
  }
}

// A grid of 0.05: the first sweep's step of 0.01 still passes only the
// candidate's own x, the others' step of 0.1 passes the next x too, so they
// keep the plain scan.
TEST(QuadrantSweepTest, FineGridsKeepThePlainScanWhereTheStepIsLonger) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Scene s;
    addGridScene(s, seed, 30, 0.05f, 3, 5);
    expectSweepsAsPlain(s);
  }
}

// Grids that mix spacings: only some distinct x values lie closer than the
// step, and one such pair is enough to keep the plain scan for that sweep.
TEST(QuadrantSweepTest, OneCloseXPairDecidesForTheWholeSweep) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Scene s;
    addGridScene(s, seed, 25, 1, 0, 0);
    std::mt19937 rng(seed + 9);
    float x = static_cast<float>(rng() % 25);
    float gap = seed % 2 == 0 ? 0.05f : 0.005f;
    s.addPin(x + gap, static_cast<float>(rng() % 25));
    s.addPin(x, static_cast<float>(rng() % 25));
    expectSweepsAsPlain(s);
  }
}

// Beyond 2^18 and 2^21 the steps round away and the bound moves to the next
// float; integers there are still farther apart than that.
TEST(QuadrantSweepTest, LargeCoordinatesGiveThePlainSweepsEdges) {
  for (float base : {3e5f, 3e6f, 9e6f}) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
      SCOPED_TRACE("base " + std::to_string(base) + ", seed " +
                   std::to_string(seed));
      Scene s;
      addGridScene(s, seed, 30, 1, base, base);
      expectSweepsAsPlain(s);
    }
  }
}

// Any float coordinates, most x values closer than either step.
TEST(QuadrantSweepTest, RealCoordinatesGiveThePlainSweepsEdges) {
  for (unsigned seed = 1; seed <= 100; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Scene s;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> c(0, 2);
    s.addRect(0.5f, 0.5f, 0.9f, 1.3f);
    for (int i = 0; i < 60; ++i) {
      float x = c(rng), y = c(rng);
      if (!s.insideRect(x, y)) {
        s.addPin(x, y);
      }
    }
    expectSweepsAsPlain(s);
  }
}

// Pins on a falling line: in the first sweep every pin waits for ever, as
// no later one lies above and to the right; the plain scan examined all of
// them for every pin. The edges are still the plain sweep's.
TEST(QuadrantSweepTest, FallingLineGivesThePlainSweepsEdges) {
  for (int n : {2, 3, 50, 400}) {
    SCOPED_TRACE(n);
    Scene s;
    for (int i = 0; i < n; ++i) {
      s.addPin(static_cast<float>(i), static_cast<float>(n - i));
    }
    expectSweepsAsPlain(s);
  }
}

}  // namespace
