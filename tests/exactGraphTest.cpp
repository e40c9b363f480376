#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <queue>
#include <random>
#include <sstream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "geometry/edge.h"
#include "geometry/vertex.h"
#include "programRun.h"
#include "router/router.h"
#include "scene.h"
#include "steiner/steinerCandidate.h"
#include "tests/legalTree.h"

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

struct Box {
  float xlo;
  float ylo;
  float xhi;
  float yhi;
};

// The scene's rectangles, from its corners four by four.
std::vector<Box> boxesOf(const Scene& s) {
  std::vector<Box> out;
  for (size_t k = 0; k + 3 < s.corners.size(); k += 4) {
    Box b{s.corners[k]->x, s.corners[k]->y, s.corners[k]->x, s.corners[k]->y};
    for (size_t j = k; j < k + 4; ++j) {
      b.xlo = std::min(b.xlo, s.corners[j]->x);
      b.xhi = std::max(b.xhi, s.corners[j]->x);
      b.ylo = std::min(b.ylo, s.corners[j]->y);
      b.yhi = std::max(b.yhi, s.corners[j]->y);
    }
    out.push_back(b);
  }
  return out;
}

bool insideAny(const std::vector<Box>& boxes, double x, double y) {
  for (const Box& b : boxes) {
    if (b.xlo < x && x < b.xhi && b.ylo < y && y < b.yhi) {
      return true;
    }
  }
  return false;
}

// Whether the closed box spanned by two points meets no open interior; for
// an axis-parallel pair that box is the piece itself.
bool boxFree(const std::vector<Box>& boxes, const Vertex* a, const Vertex* b) {
  float x1 = std::min(a->x, b->x), x2 = std::max(a->x, b->x);
  float y1 = std::min(a->y, b->y), y2 = std::max(a->y, b->y);
  for (const Box& o : boxes) {
    bool meetsX =
        x1 == x2 ? o.xlo < x1 && x1 < o.xhi : o.xlo < x2 && x1 < o.xhi;
    bool meetsY =
        y1 == y2 ? o.ylo < y1 && y1 < o.yhi : o.ylo < y2 && y1 < o.yhi;
    if (meetsX && meetsY) {
      return false;
    }
  }
  return true;
}

// Shortest free routes between the pins, independently of the router: on
// the grid of every pin and obstacle coordinate, nodes outside every open
// interior, each unit step free when its midpoint is (no obstacle side lies
// between two grid lines). inf between pins that no free route joins.
std::vector<std::vector<double>> gridDistances(const Scene& s) {
  std::vector<Box> boxes = boxesOf(s);
  std::vector<float> xs, ys;
  for (const Vertex* v : s.pins) {
    xs.push_back(v->x);
    ys.push_back(v->y);
  }
  for (const Vertex* v : s.corners) {
    xs.push_back(v->x);
    ys.push_back(v->y);
  }
  for (auto* c : {&xs, &ys}) {
    std::sort(c->begin(), c->end());
    c->erase(std::unique(c->begin(), c->end()), c->end());
  }
  int nx = static_cast<int>(xs.size()), ny = static_cast<int>(ys.size());
  auto node = [&](float x, float y) {
    int i = static_cast<int>(std::lower_bound(xs.begin(), xs.end(), x) -
                             xs.begin());
    int j = static_cast<int>(std::lower_bound(ys.begin(), ys.end(), y) -
                             ys.begin());
    return j * nx + i;
  };
  std::vector<std::vector<double>> out;
  for (const Vertex* p : s.pins) {
    std::vector<double> d(nx * ny, inf);
    using Item = std::pair<double, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> q;
    int start = node(p->x, p->y);
    if (!insideAny(boxes, p->x, p->y)) {
      d[start] = 0;
      q.push({0, start});
    }
    while (!q.empty()) {
      auto [du, u] = q.top();
      q.pop();
      if (du > d[u]) {
        continue;
      }
      int i = u % nx, j = u / nx;
      const int step[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
      for (const auto& st : step) {
        int i2 = i + st[0], j2 = j + st[1];
        if (i2 < 0 || i2 >= nx || j2 < 0 || j2 >= ny) {
          continue;
        }
        double mx = (static_cast<double>(xs[i]) + xs[i2]) / 2;
        double my = (static_cast<double>(ys[j]) + ys[j2]) / 2;
        if (insideAny(boxes, xs[i2], ys[j2]) || insideAny(boxes, mx, my)) {
          continue;
        }
        double dv = du + std::fabs(static_cast<double>(xs[i2]) - xs[i]) +
                    std::fabs(static_cast<double>(ys[j2]) - ys[j]);
        int v = j2 * nx + i2;
        if (dv < d[v]) {
          d[v] = dv;
          q.push({dv, v});
        }
      }
    }
    std::vector<double> row;
    for (const Vertex* w : s.pins) {
      row.push_back(d[node(w->x, w->y)]);
    }
    out.push_back(row);
  }
  return out;
}

// The minimum spanning forest over a distance matrix: its weight and the
// number of its trees.
std::pair<double, int> primForest(const std::vector<std::vector<double>>& d) {
  size_t n = d.size();
  std::vector<bool> done(n, false);
  std::vector<double> key(n, inf);
  double total = 0;
  int trees = 0;
  for (size_t k = 0; k < n; ++k) {
    size_t best = n;
    for (size_t i = 0; i < n; ++i) {
      if (!done[i] && (best == n || key[i] < key[best])) {
        best = i;
      }
    }
    if (key[best] == inf) {
      ++trees;
    } else {
      total += key[best];
    }
    done[best] = true;
    for (size_t i = 0; i < n; ++i) {
      key[i] = std::min(key[i], d[best][i]);
    }
  }
  return {total, trees};
}

// Distances between the pins through the router's spanning graph.
std::vector<std::vector<double>> graphDistances(const Scene& s,
                                                const Router& r) {
  std::unordered_map<const Vertex*, int> id;
  for (const Vertex* v : r.vertices) {
    id.emplace(v, static_cast<int>(id.size()));
  }
  std::vector<std::vector<double>> out;
  for (const Vertex* p : s.pins) {
    std::vector<double> d(r.vertices.size(), inf);
    using Item = std::pair<double, const Vertex*>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> q;
    d[id[p]] = 0;
    q.push({0, p});
    while (!q.empty()) {
      auto [du, u] = q.top();
      q.pop();
      if (du > d[id[u]]) {
        continue;
      }
      for (const Vertex* w : u->sgNbrs) {
        double dw = du + std::fabs(static_cast<double>(u->x) - w->x) +
                    std::fabs(static_cast<double>(u->y) - w->y);
        if (dw < d[id[w]]) {
          d[id[w]] = dw;
          q.push({dw, w});
        }
      }
    }
    std::vector<double> row;
    for (const Vertex* w : s.pins) {
      row.push_back(d[id[w]]);
    }
    out.push_back(row);
  }
  return out;
}

double treeLength(const Router& r) {
  double total = 0;
  for (const Edge* m : r.mstEdges) {
    total += m->mstEdgeLen();
  }
  return total;
}

std::string show(const Vertex* v) {
  std::ostringstream o;
  o << v->type << "(" << v->x << ", " << v->y << ")";
  return o.str();
}

// Everything the option promises on one scene, against the grid: every
// edge free, no pin distance shorter than the shortest free route, the
// spanning tree of exact length. (Pairs of pins that cannot be tree edges
// may be left longer.)
void expectExact(Scene& s) {
  Router& r = s.router();
  r.options.exactGraph = true;
  r.formMST();
  expectLegalTree(r);
  std::vector<Box> boxes = boxesOf(s);
  for (const Edge* e : r.sgEdges) {
    EXPECT_TRUE(boxFree(boxes, e->pStart, e->pEnd))
        << "edge " << show(e->pStart) << " - " << show(e->pEnd)
        << " meets an obstacle";
  }
  std::vector<std::vector<double>> want = gridDistances(s);
  std::vector<std::vector<double>> got = graphDistances(s, r);
  for (size_t i = 0; i < want.size(); ++i) {
    for (size_t j = i + 1; j < want.size(); ++j) {
      EXPECT_GE(got[i][j], want[i][j])
          << "from " << show(s.pins[i]) << " to " << show(s.pins[j]);
    }
  }
  std::pair<double, int> forest = primForest(want);
  EXPECT_EQ(treeLength(r), forest.first);
  EXPECT_EQ(r.pinPartCount, forest.second);
}

// Pins on the sides of the scene's rectangles, off every other interior.
void addPinsOnSides(Scene& s, int n, unsigned seed) {
  std::vector<Box> boxes = boxesOf(s);
  if (boxes.empty()) {
    return;
  }
  std::mt19937 rng(seed);
  for (int k = 0; k < n; ++k) {
    const Box& b = boxes[rng() % boxes.size()];
    int side = static_cast<int>(rng() % 4);
    bool alongX = side < 2;
    float lo = alongX ? b.xlo : b.ylo, hi = alongX ? b.xhi : b.yhi;
    float t =
        lo + static_cast<float>(rng() % static_cast<unsigned>(hi - lo + 1));
    float x = alongX ? t : (side == 2 ? b.xlo : b.xhi);
    float y = alongX ? (side == 0 ? b.ylo : b.yhi) : t;
    if (!s.insideRect(x, y)) {
      s.addPin(x, y);
    }
  }
}

// Small scenes whose rectangles touch and overlap, corners linked either
// way round, pins anywhere off the interiors and on the sides.
TEST(ExactGraphTest, MatchesTheGridOnRandomScenes) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Scene s;
    int grid = 8 + static_cast<int>(seed % 17);
    s.addRandomRects(static_cast<int>(seed % 8), seed, grid,
                     2 + static_cast<int>(seed % 5));
    addPinsOnSides(s, static_cast<int>(seed % 5), seed + 7);
    s.addRandomPins(2 + static_cast<int>(seed % 10), seed + 1000, grid);
    expectExact(s);
  }
}

// Without obstacles, pins on a tiny grid tie in every way, octant bounds
// included, and some share a point.
TEST(ExactGraphTest, MatchesTheGridOnCrowdedPinsWithoutObstacles) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Scene s;
    s.addRandomPins(3 + static_cast<int>(seed % 14), seed, 5);
    expectExact(s);
  }
}

// Many small rectangles among many pins: most pairs are hidden.
TEST(ExactGraphTest, MatchesTheGridAmongDenseObstacles) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Scene s;
    s.addRandomRects(40, seed, 60, 4);
    addPinsOnSides(s, 10, seed + 3);
    s.addRandomPins(30, seed + 500, 60);
    expectExact(s);
  }
}

// Many copies of one pin, on a corner and beside it: each joins only a few
// others, so that gain computation's candidates stay as many as the copies.
TEST(ExactGraphTest, CopiesOfOnePinJoinFewOthers) {
  Scene s;
  s.addRect(2, 2, 6, 4);
  for (int k = 0; k < 200; ++k) {
    s.addPin(6, 4);
    s.addPin(0, 3);
  }
  s.addPin(9, 0);
  expectExact(s);
  size_t most = 0;
  for (const Vertex* v : s.router().vertices) {
    most = std::max(most, v->sgNbrs.size());
  }
  EXPECT_LE(most, 8u);
}

// Two pins either side of one block: the route goes round it.
TEST(ExactGraphTest, GoesRoundABlock) {
  Scene s;
  s.addPin(0, 2);
  s.addPin(6, 2);
  s.addRect(2, 0, 4, 4);
  expectExact(s);
  EXPECT_EQ(treeLength(s.router()), 10);
}

// Two overlapping squares: the corner of each inside the other is reached
// by nothing, and the pins in the notches go round the whole union.
TEST(ExactGraphTest, CornersInsideAnotherObstacleStayApart) {
  Scene s;
  s.addPin(2, 12);
  s.addPin(12, 2);
  std::vector<Vertex*> a = s.addRect(0, 0, 10, 10);
  std::vector<Vertex*> b = s.addRect(5, 5, 15, 15, true);
  expectExact(s);
  EXPECT_EQ(treeLength(s.router()), 28);
  EXPECT_TRUE(a[2]->sgNbrs.empty()) << "(10, 10) lies inside the other square";
  EXPECT_TRUE(b[0]->sgNbrs.empty()) << "(5, 5) lies inside the other square";
}

// Two rectangles touching along x = 4 leave a corridor of no width between
// them; the lower pin stands on a corner of the left one.
TEST(ExactGraphTest, RunsBetweenTouchingObstacles) {
  Scene s;
  Vertex* low = s.addPin(4, 0);
  s.addPin(4, 6);
  std::vector<Vertex*> left = s.addRect(0, 0, 4, 4);
  s.addRect(4, 1, 8, 5);
  expectExact(s);
  EXPECT_EQ(treeLength(s.router()), 6);
  EXPECT_NE(std::find(low->sgNbrs.begin(), low->sgNbrs.end(), left[1]),
            low->sgNbrs.end())
      << "a pin on a corner is joined to it at length 0";
}

// A pin inside an obstacle can be reached by no free route.
TEST(ExactGraphTest, PinInsideAnObstacleStaysApart) {
  Scene s;
  Vertex* inside = s.addPin(5, 5);
  s.addPin(0, 0);
  s.addPin(12, 0);
  s.addRect(2, 2, 8, 8);
  expectExact(s);
  EXPECT_TRUE(inside->sgNbrs.empty());
  EXPECT_EQ(s.router().pinPartCount, 2);
  EXPECT_EQ(treeLength(s.router()), 12);
}

// Left pins recede from the cut line x = 80 as they rise, and so do right
// ones: every scan up from a pin runs to the top, so the first line falls
// back to a chain of projections.
class ChainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 60; ++i) {
      s.addPin(60.0f - i, 10.0f + i);
      s.addPin(80.0f + i, 10.0f + i);
    }
  }
  Scene s;
};

TEST_F(ChainTest, FallsBackToProjectionsAndStaysExact) {
  expectExact(s);
  const Router& r = s.router();
  ASSERT_FALSE(r.store.cutPoints.empty());
  for (const Vertex* c : r.store.cutPoints) {
    EXPECT_EQ(c->type, "cutPoint");
    EXPECT_FALSE(c->isAPin());
    EXPECT_FALSE(c->isACorner());
    EXPECT_EQ(c->x, r.store.cutPoints[0]->x) << "one line holds them all";
    EXPECT_NE(std::find(r.vertices.begin(), r.vertices.end(), c),
              r.vertices.end());
  }
}

// Rectangles across the line, below and above the pins, cut the chain.
TEST_F(ChainTest, ObstaclesAcrossTheLineCutTheChain) {
  s.addRect(78, 2, 82, 4);
  s.addRect(78, 100, 82, 102, true);
  expectExact(s);
  const Router& r = s.router();
  ASSERT_FALSE(r.store.cutPoints.empty());
  EXPECT_EQ(r.store.cutPoints[0]->x, 80);
}

// Only a fault of the Steiner stage makes a bad tree here: the graph's
// diagonal edges, pieces of length 0 and projections must pass through it.
TEST_F(ChainTest, SteinerTreeOverProjectionsIsLegal) {
  Router& r = s.router();
  r.options.exactGraph = true;
  r.formSMT();
  expectLegalTree(r);
}

TEST(ExactGraphTest, SteinerTreesOverTheExactGraphAreLegal) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Scene s;
    int grid = 12 + static_cast<int>(seed % 13);
    s.addRandomRects(static_cast<int>(seed % 6), seed, grid, 4);
    addPinsOnSides(s, static_cast<int>(seed % 3), seed + 7);
    s.addRandomPins(3 + static_cast<int>(seed % 9), seed + 1000, grid);
    if (primForest(gridDistances(s)).second != 1) {
      continue;  // the Steiner stage wants one tree
    }
    Router& r = s.router();
    r.options.exactGraph = true;
    r.formSMT();
    expectLegalTree(r);
  }
}

TEST(ExactGraphTest, SameInputSameGraph) {
  auto edges = [](unsigned seed) {
    Scene s;
    s.addRandomRects(6, seed, 30, 6);
    s.addRandomPins(20, seed, 30);
    Router& r = s.router();
    r.options.exactGraph = true;
    r.formSG();
    std::ostringstream o;
    for (const Edge* e : r.sgEdges) {
      o << show(e->pStart) << show(e->pEnd) << "\n";
    }
    return o.str();
  };
  EXPECT_EQ(edges(5), edges(5));
}

TEST(ExactGraphTest, DefaultGraphStaysTheSpecifiedOne) {
  Scene s;
  s.addPin(0, 0);
  s.addPin(3, 4);
  Router& r = s.router();
  EXPECT_FALSE(r.options.exactGraph);
  r.formSG();
  EXPECT_EQ(r.sgEdges.size(), 2u) << "the two sweeps that join the pair";
}

// Six pins in a row, each spanning-tree edge running through a projection
// point; two vertices off the tree reach the first one.
class CutPointVTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int k = 0; k < 6; ++k) {
      p[k] = s.addPin(10.0f * k, 0);
    }
    Router& r = s.router();
    auto point = [&r](float x, float y) {
      Vertex* v = new Vertex(x, y, "cutPoint");
      r.store.cutPoints.push_back(v);
      r.vertices.push_back(v);
      return v;
    };
    for (int k = 0; k < 5; ++k) {
      mid[k] = point(10.0f * k + 5, 0);
      r.connectSgEdge(p[k], mid[k]);
      r.connectSgEdge(mid[k], p[k + 1]);
    }
    offA = point(5, 3);
    offB = point(4, 3);
    r.connectSgEdge(offA, mid[0]);
    r.connectSgEdge(offB, mid[0]);
    r.extendedDijkstraForPinForest();
    r.extendedKruskal();
    r.extendedDijkstraForMstVerForest();
    for (int k = 0; k < 5; ++k) {
      e[k] = r.mstEdges[k];
    }
  }

  SteinerCandidate* add(Vertex* u, Edge* m, Edge* victim, float gain) {
    Edge* prime = u->pMstVerRoot->mstEdges.front();
    SteinerCandidate* c =
        s.router().makeSteinerCandidate(u, m->subEdges.front(), m, prime);
    c->eVictim = victim;
    c->gain = gain;
    return c;
  }

  bool applied(const SteinerCandidate* c) {
    const std::vector<Vertex*>& vs = s.router().vertices;
    return c->s && std::find(vs.begin(), vs.end(), c->s) != vs.end();
  }

  Scene s;
  Vertex* p[6];
  Vertex* mid[5];
  Vertex* offA;
  Vertex* offB;
  Edge* e[5];
};

// A projection point, like a corner, lies inside its edge's path: the first
// connection there splits that edge, and a second one must not.
TEST_F(CutPointVTest, SecondOnASplitEMstPrimeIsSkipped) {
  ASSERT_EQ(offA->pMstVerRoot, mid[0]);
  ASSERT_EQ(offB->pMstVerRoot, mid[0]);
  SteinerCandidate* one = add(offA, e[1], e[2], 5.0f);
  SteinerCandidate* two = add(offB, e[3], e[4], 4.0f);
  ASSERT_EQ(one->eMstPrime, e[0]);
  ASSERT_EQ(two->eMstPrime, e[0]);
  s.router().addSteinerPoints();
  EXPECT_TRUE(applied(one));
  EXPECT_TRUE(e[0]->removed) << "the projection point lies inside e[0]";
  EXPECT_FALSE(applied(two));
}

TEST(ExactGraphProgramTest, BothProgramsTakeTheOption) {
  ProgramRun run;
  run.write("pins.txt", "0 2 pin\n6 2 pin\n3 7 pin\n-1 -1 pin\n");
  run.write("obst.txt",
            "2 0 corner\n4 0 corner\n4 4 corner\n2 4 corner\n-1 -1 corner\n");
  for (const char* program : {OAMST_PATH, ZORVANE_PATH}) {
    SCOPED_TRACE(program);
    EXPECT_EQ(run.run(program, "--help"), 0);
    EXPECT_NE(run.out.find("--exact-graph"), std::string::npos);
    EXPECT_EQ(run.run(program, "--exact-graph pins.txt obst.txt out.txt"), 0)
        << run.err;
    EXPECT_NE(run.out.find("Execution Time = "), std::string::npos);
    EXPECT_TRUE(run.exists("out.txt"));
  }
}

// The tree written is the route round the block, drawn as L-shaped pieces.
TEST(ExactGraphProgramTest, WritesTheExactSpanningTree) {
  ProgramRun run;
  run.write("pins.txt", "0 2 pin\n6 2 pin\n-1 -1 pin\n");
  run.write("obst.txt",
            "2 0 corner\n4 0 corner\n4 4 corner\n2 4 corner\n-1 -1 corner\n");
  ASSERT_EQ(run.run(OAMST_PATH, "--exact-graph pins.txt obst.txt out.txt"), 0);
  std::string out = run.read("out.txt");
  double total = 0;
  std::istringstream in(out);
  std::string line;
  std::vector<std::pair<double, double>> pts;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    std::istringstream f(line);
    double x, y;
    f >> x >> y;
    pts.emplace_back(x, y);
  }
  for (size_t k = 0; k + 1 < pts.size(); k += 2) {
    total += std::fabs(pts[k].first - pts[k + 1].first) +
             std::fabs(pts[k].second - pts[k + 1].second);
  }
  EXPECT_EQ(total, 10);
}

}  // namespace
