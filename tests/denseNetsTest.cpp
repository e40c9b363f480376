#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/segment.h"
#include "router/router.h"
#include "tests/legalTree.h"
#include "tests/scene.h"

namespace {

double lengthOf(const std::vector<Segment*>& segs) {
  double len = 0;
  for (const Segment* g : segs) {
    len += std::abs(g->x2 - g->x1) + std::abs(g->y2 - g->y1);
  }
  return len;
}

void denseNet(Scene& s, unsigned seed, int pins, int rects) {
  s.addRandomRects(rects, seed, 1000, 40);
  s.addRandomPins(pins, seed + 1000, 1000);
}

// Nets of more than 50 pins among more obstacles than pins, whose grids
// pass 2e5 nodes: effort 1 searches them first over the escape graph, and
// the levels above iterate the search. Each level legal, never longer than
// the default's tree or the level below, as many parts, and the same wires
// when run again.
void everyLevelLegalNoLongerAndRepeatable(int pins, int rects) {
  for (unsigned seed = 1; seed <= 1; ++seed) {
    SCOPED_TRACE(seed);
    Scene plain;
    denseNet(plain, seed, pins, rects);
    plain.router().formSMT();
    double below = lengthOf(plain.router().segments);
    int parts = plain.router().pinPartCount;
    for (int effort = 1; effort <= 2; ++effort) {
      SCOPED_TRACE(effort);
      Scene a, b;
      denseNet(a, seed, pins, rects);
      denseNet(b, seed, pins, rects);
      a.router().options.effort = effort;
      b.router().options.effort = effort;
      a.router().formOptimizedSMT();
      b.router().formOptimizedSMT();
      if (parts == 1) {
        expectLegalTree(a.router());
      }
      EXPECT_EQ(a.router().pinPartCount, parts);
      double len = lengthOf(a.router().segments);
      EXPECT_LE(len, below);
      below = len;
      const std::vector<Segment*>& sa = a.router().segments;
      const std::vector<Segment*>& sb = b.router().segments;
      ASSERT_EQ(sa.size(), sb.size());
      for (size_t i = 0; i < sa.size(); ++i) {
        EXPECT_TRUE(sa[i]->x1 == sb[i]->x1 && sa[i]->y1 == sb[i]->y1 &&
                    sa[i]->x2 == sb[i]->x2 && sa[i]->y2 == sb[i]->y2)
            << i;
      }
    }
  }
}

TEST(DenseNetsTest, EveryLevelLegalNoLongerAndRepeatable) {
  everyLevelLegalNoLongerAndRepeatable(56, 260);
}

// Fewer obstacles than pins, but more than 64 among them: effort 1 takes a
// second start and polishing rounds there too.
TEST(DenseNetsTest, CrowdedNetsEveryLevelLegalNoLongerAndRepeatable) {
  everyLevelLegalNoLongerAndRepeatable(120, 80);
}

}  // namespace
