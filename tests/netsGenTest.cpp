#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "drivers/readInput.h"
#include "geometry/vertex.h"
#include "tests/toolRun.h"
#include "tools/netsGen.h"

namespace {

NetsInstance generate(long nets, long obstacles, std::uint64_t seed) {
  GenOptions o;
  o.obstacles = obstacles;
  o.seed = seed;
  o.xMax = o.yMax = netsBoxSide(nets);
  NetsInstance d;
  std::string error;
  EXPECT_TRUE(generateNets(o, nets, d, error)) << error;
  return d;
}

TEST(NetsGenTest, SizesFollowTheMixOfPlacedDesigns) {
  NetsInstance d = generate(20000, 100, 4);
  ASSERT_EQ(d.nets.size(), 20000u);
  std::map<int, double> share;
  size_t largest = 0;
  for (const auto& net : d.nets) {
    size_t k = net.size();
    largest = std::max(largest, k);
    int bucket = k <= 5    ? static_cast<int>(k)
                 : k <= 10 ? 10
                 : k <= 50 ? 50
                           : 500;
    share[bucket] += 1.0 / d.nets.size();
  }
  const std::pair<int, double> want[] = {{2, 0.55},   {3, 0.15},  {4, 0.08},
                                         {5, 0.05},   {10, 0.12}, {50, 0.045},
                                         {500, 0.005}};
  for (const auto& [bucket, s] : want) {
    EXPECT_NEAR(share[bucket], s, 0.012 + s / 10) << "up to " << bucket;
  }
  EXPECT_EQ(share.count(1), 0u);
  EXPECT_LE(largest, 500u);
  EXPECT_GT(largest, 100u);
}

TEST(NetsGenTest, PinsAreDistinctNearOneAnotherAndOffTheMacros) {
  NetsInstance d = generate(3000, 200, 9);
  const std::vector<Rect>& rects = d.obstacles.rects;
  ASSERT_EQ(rects.size(), 200u);
  double area = 0, side = netsBoxSide(3000);
  for (size_t i = 0; i < rects.size(); ++i) {
    const Rect& a = rects[i];
    area += (a.xhi - a.xlo) * (a.yhi - a.ylo);
    EXPECT_TRUE(a.xlo >= 0 && a.ylo >= 0 && a.xhi <= side && a.yhi <= side);
    for (size_t j = i + 1; j < rects.size(); ++j) {
      const Rect& b = rects[j];
      EXPECT_FALSE(a.xlo <= b.xhi && b.xlo <= a.xhi && a.ylo <= b.yhi &&
                   b.ylo <= a.yhi)
          << "macros " << i << " and " << j << " touch";
    }
  }
  EXPECT_NEAR(area / (side * side), 0.3, 0.08);
  std::vector<double> spans;
  for (const auto& net : d.nets) {
    std::set<std::pair<double, double>> seen;
    double xlo = net[0].x, xhi = xlo, ylo = net[0].y, yhi = ylo;
    for (const Point& p : net) {
      EXPECT_TRUE(seen.insert({p.x, p.y}).second) << "a repeated pin";
      for (const Rect& r : rects) {
        EXPECT_FALSE(r.xlo <= p.x && p.x <= r.xhi && r.ylo <= p.y &&
                     p.y <= r.yhi);
      }
      xlo = std::min(xlo, p.x), xhi = std::max(xhi, p.x);
      ylo = std::min(ylo, p.y), yhi = std::max(yhi, p.y);
    }
    spans.push_back((xhi - xlo) + (yhi - ylo));
  }
  std::sort(spans.begin(), spans.end());
  EXPECT_LT(spans[spans.size() / 2], side / 20) << "the median net";
}

TEST(NetsGenTest, TheSameOptionsGiveTheSameDesign) {
  NetsInstance a = generate(500, 30, 2), b = generate(500, 30, 2),
               c = generate(500, 30, 3);
  EXPECT_EQ(formatNetsFile(a), formatNetsFile(b));
  EXPECT_EQ(formatObstacleFile(a.obstacles), formatObstacleFile(b.obstacles));
  EXPECT_NE(formatNetsFile(a), formatNetsFile(c));
}

TEST(NetsGenTest, TheProgramWritesWhatTheReadersTake) {
  std::string nets = tempPath("nets.txt"), obst = tempPath("obst.txt");
  ToolRun r = runTool(TREEGEN_PATH, {"--nets", "300", "--obstacles", "20",
                                     "--corner-order", "mixed", nets, obst});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string text = readFile(nets), error;
  std::vector<InputPoint<float>> pins;
  std::vector<size_t> ends;
  ASSERT_TRUE(parseNetsText(text, nets, pins, ends, error)) << error;
  EXPECT_EQ(ends.size(), 300u);
  std::vector<Vertex*> corners;
  ASSERT_TRUE(readObstacleFile(obst, corners, error)) << error;
  EXPECT_EQ(corners.size(), 80u);
  for (Vertex* v : corners) {
    delete v;
  }
  ASSERT_EQ(runTool(TREEGEN_PATH, {"--nets", "300", "--obstacles", "20",
                                   "--corner-order", "mixed", nets, obst})
                .status,
            0);
  EXPECT_EQ(readFile(nets), text);
  EXPECT_EQ(runTool(TREEGEN_PATH, {"--nets", "-3", nets, obst}).status, 1);
  EXPECT_EQ(runTool(TREEGEN_PATH, {"--nets", "10", "--obstacles", "100000",
                                   "--box", "0,0,100,100", nets, obst})
                .status,
            1);
}

}  // namespace
