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
#include "tests/referenceSweep.h"
#include "tests/scene.h"

namespace {

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

// Every sweep of the Router against the reference sweep over the same
// order.
void expectSweepsAsPlain(Scene& s) {
  const char* const keys[4] = {"x+y", "x-y", "-x-y", "-x+y"};
  RuleCounts rules;
  Router& r = s.router();
  r.connectObstEdges();
  for (int n = 0; n < 4; ++n) {
    SCOPED_TRACE("sweep " + std::to_string(n + 1));
    std::vector<Vertex*> order = r.sortVerPointers(keys[n]);
    size_t from = r.sgEdges.size();
    runSweep(r, n);
    Edges got;
    for (size_t k = from; k < r.sgEdges.size(); ++k) {
      got.emplace_back(r.sgEdges[k]->pStart, r.sgEdges[k]->pEnd);
    }
    Edges want = referenceSweep(n, order, rules);
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < got.size(); ++k) {
      ASSERT_EQ(got[k], want[k]) << "edge " << k;
    }
  }
}

// Pins and overlapping rectangles on a coarse grid scaled by unit and moved
// by (ox, oy): ties in x, in y and in the sweep keys are the rule. Below
// some rects extra rectangles and pins extra pins.
void addGridScene(Scene& s,
                  unsigned seed,
                  int grid,
                  float unit,
                  float ox,
                  float oy,
                  int rects = 0,
                  int pins = 0) {
  std::mt19937 rng(seed);
  rects += static_cast<int>(rng() % 8);
  for (int i = 0; i < rects; ++i) {
    int x = static_cast<int>(rng() % (grid - 1));
    int y = static_cast<int>(rng() % (grid - 1));
    int w = 1 + static_cast<int>(rng() % 6),
        h = 1 + static_cast<int>(rng() % 6);
    s.addRect(ox + x * unit, oy + y * unit, ox + (x + w) * unit,
              oy + (y + h) * unit, rng() % 2 == 1);
  }
  pins += 5 + static_cast<int>(rng() % 60);
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

// Nets small and large, so that both kinds of sweep containers meet every
// grid: the rank trees, and the flat lists that serve the small nets.
TEST(QuadrantSweepTest, NetsOfEverySizeGiveThePlainSweepsEdges) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    int rects = static_cast<int>(seed % 40), pins = static_cast<int>(seed * 3);
    for (float unit : {1.0f, 0.05f}) {
      Scene s;
      addGridScene(s, seed, 40, unit, 2, 3, rects, pins);
      if (seed % 3 == 0) {
        s.addPin(2 + 7.005f * unit, 3);  // an x closer than either step
      }
      expectSweepsAsPlain(s);
    }
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

// Nested frames, each with one gap and a pin in the corridor outside it,
// and a few rectangles overlapping or touching them: vertices wait behind
// many frames for their partners, so the sweeps set them aside. Wall
// widths, gap sides and ring orientations vary.
TEST(QuadrantSweepTest, NestedFramesGiveThePlainSweepsEdges) {
  for (unsigned seed = 1; seed <= 30; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    Scene s;
    int frames = 3 + static_cast<int>(seed % 12);
    int c = 5 * frames + 5;
    s.addPin(static_cast<float>(c), static_cast<float>(c));
    for (int k = 1; k <= frames; ++k) {
      float lo = static_cast<float>(c - 5 * k),
            hi = static_cast<float>(c + 5 * k);
      float t = 1 + static_cast<float>(rng() % 2);  // wall thickness
      bool cw = rng() % 2 == 1;
      bool gapRight = rng() % 2 == 1;
      float gx = gapRight ? hi - t : lo, wx = gapRight ? lo : hi - t;
      s.addRect(lo, lo, hi, lo + t, cw);
      s.addRect(lo, hi - t, hi, hi, cw);
      s.addRect(wx, lo, wx + t, hi, cw);
      s.addRect(gx, lo, gx + t, c - 1.0f, cw);
      s.addRect(gx, c + 1.0f, gx + t, hi, cw);
      s.addPin(hi + 2, hi + 2 - static_cast<float>(rng() % 3));
    }
    s.addRandomRects(static_cast<int>(seed % 5), seed, 2 * c, 4);
    s.addRandomPins(static_cast<int>(seed % 9), seed, 2 * c);
    expectSweepsAsPlain(s);
  }
}

// The same with frames mirrored in x = y, all or some of them, so that
// gaps open in the top and bottom walls as well: then vertices wait behind
// horizontal walls. Enough frames that the refusals outnumber the vertices
// swept, where the sweeps start setting vertices aside.
TEST(QuadrantSweepTest, FramesOpenOnEverySideGiveThePlainSweepsEdges) {
  for (unsigned seed = 1; seed <= 24; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    Scene s;
    int frames = 10 + static_cast<int>(seed % 20);
    int c = 5 * frames + 5;
    auto frameRect = [&s](bool turned, float x1, float y1, float x2, float y2,
                          bool cw) {
      if (turned) {
        s.addRect(y1, x1, y2, x2, cw);
      } else {
        s.addRect(x1, y1, x2, y2, cw);
      }
    };
    s.addPin(static_cast<float>(c), static_cast<float>(c));
    for (int k = 1; k <= frames; ++k) {
      bool turned = seed % 3 == 0 || (seed % 3 == 2 && rng() % 2 == 1);
      float lo = static_cast<float>(c - 5 * k),
            hi = static_cast<float>(c + 5 * k);
      float t = 1 + static_cast<float>(rng() % 2);
      bool cw = rng() % 2 == 1;
      bool gapHigh = rng() % 2 == 1;
      float gx = gapHigh ? hi - t : lo, wx = gapHigh ? lo : hi - t;
      frameRect(turned, lo, lo, hi, lo + t, cw);
      frameRect(turned, lo, hi - t, hi, hi, cw);
      frameRect(turned, wx, lo, wx + t, hi, cw);
      frameRect(turned, gx, lo, gx + t, c - 1.0f, cw);
      frameRect(turned, gx, c + 1.0f, gx + t, hi, cw);
      float px = hi + 2, py = hi + 2 - static_cast<float>(rng() % 3);
      if (turned) {
        std::swap(px, py);
      }
      s.addPin(px, py);
    }
    s.addRandomRects(static_cast<int>(seed % 4), seed, 2 * c, 4);
    s.addRandomPins(static_cast<int>(seed % 7), seed, 2 * c);
    expectSweepsAsPlain(s);
  }
}

}  // namespace
