#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "check/checkTree.h"
#include "geometry/segment.h"
#include "geometry/vertex.h"
#include "router/router.h"
#include "router/vertexParts.h"
#include "spatial/freeRoute.h"
#include "spatial/wirePlan.h"
#include "steiner/steinerCandidate.h"
#include "tests/cleanTree.h"
#include "tests/generatedNet.h"
#include "tests/legalTree.h"
#include "tests/programRun.h"
#include "tests/scene.h"
#include "tools/treeFile.h"
#include "tools/treeGen.h"

namespace {

void join(Vertex* a, Vertex* b) {
  a->mstNbrs.push_back(b);
  b->mstNbrs.push_back(a);
}

// The points from v along the chain of turning points that starts with
// `first`, to the vertex that ends it.
std::vector<RoutePoint> chain(const Vertex* v, const Vertex* first) {
  std::vector<RoutePoint> pts{{v->x, v->y}};
  const Vertex* prev = v;
  const Vertex* cur = first;
  while (cur->type == "turningPoint") {
    pts.push_back({cur->x, cur->y});
    const Vertex* next =
        cur->mstNbrs[0] == prev ? cur->mstNbrs[1] : cur->mstNbrs[0];
    prev = cur;
    cur = next;
  }
  pts.push_back({cur->x, cur->y});
  return pts;
}

std::vector<Piece> written(const std::string& path) {
  std::vector<Piece> pieces;
  std::string error;
  EXPECT_TRUE(readTreeFile(path, pieces, error)) << error;
  return pieces;
}

std::string readAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The body of an export file, after its three banner lines.
std::string body(const std::string& path) {
  std::string text = readAll(path);
  size_t at = 0;
  for (int k = 0; k < 3; ++k) {
    at = text.find('\n', at) + 1;
  }
  return text.substr(at);
}

using Points = std::vector<RoutePoint>;

// Rectilinearization: a diagonal or blocked connection gets the turning
// points of a free route.
TEST(LegalRectilinearizeTest, OtherLWhenThePrimaryIsBlocked) {
  Scene s;
  Vertex* v = s.addPin(0, 0);
  Vertex* w = s.addPin(4, 3);
  s.addRect(1, -1, 3, 1);  // across the primary L's leg at y = 0
  join(v, w);
  Router& r = s.router();
  r.legalizeTree();
  r.rectilinearizeSMT();
  ASSERT_EQ(r.store.turningPoints.size(), 1u);
  Vertex* t = r.store.turningPoints[0];
  EXPECT_EQ(t->x, 0);  // the primary L's would be (4, 0)
  EXPECT_EQ(t->y, 3);
  EXPECT_EQ(v->mstNbrs, std::vector<Vertex*>{t});
  EXPECT_EQ(w->mstNbrs, std::vector<Vertex*>{t});
  EXPECT_EQ(t->mstNbrs, (std::vector<Vertex*>{v, w}));
  EXPECT_EQ(r.vertices.back(), t);
}

TEST(LegalRectilinearizeTest, FreePrimaryLIsKept) {
  Scene s;
  Vertex* v = s.addPin(0, 3);
  Vertex* w = s.addPin(4, 0);
  s.addRect(1, -1, 3, 1);  // across the other L only
  join(v, w);
  s.router().legalizeTree();
  s.router().rectilinearizeSMT();
  ASSERT_EQ(s.router().store.turningPoints.size(), 1u);
  EXPECT_EQ(chain(v, v->mstNbrs[0]), (Points{{0, 3}, {4, 3}, {4, 0}}));
}

TEST(LegalRectilinearizeTest, StaircaseWhenBothLsAreBlocked) {
  Scene s;
  Vertex* v = s.addPin(0, 0);
  Vertex* w = s.addPin(6, 6);
  s.addRect(2, -1, 8, 2);
  s.addRect(-1, 4, 2, 8);
  join(v, w);
  Router& r = s.router();
  r.legalizeTree();
  r.rectilinearizeSMT();
  EXPECT_EQ(r.store.turningPoints.size(), 2u);
  Points pts = chain(v, v->mstNbrs[0]);
  EXPECT_EQ(pts, r.legal.routeFinder().route({0, 0}, {6, 6}).points);
  EXPECT_EQ(r.legal.routeFinder().route({0, 0}, {6, 6}).kind,
            RouteKind::staircase);
  EXPECT_EQ(chain(w, w->mstNbrs[0]).back(), (RoutePoint{0, 0}));
}

TEST(LegalRectilinearizeTest, DiagonalGoesRoundAWall) {
  Scene s;
  Vertex* v = s.addPin(0, 0);
  Vertex* w = s.addPin(6, 1);
  s.addRect(2, -50, 4, 60);
  join(v, w);
  Router& r = s.router();
  r.legalizeTree();
  r.rectilinearizeSMT();
  EXPECT_EQ(chain(v, v->mstNbrs[0]),
            (Points{{0, 0}, {0, -50}, {6, -50}, {6, 1}}));
  r.moveSegments();
  r.cleanSegments();
  EXPECT_EQ(expectLegalTree(r).wireLength, 107);
}

TEST(LegalRectilinearizeTest, BlockedStraightConnectionGoesRound) {
  Scene s;
  Vertex* v = s.addPin(0, 0);
  Vertex* w = s.addPin(6, 0);
  s.addRect(2, -2, 4, 3);
  join(v, w);
  Router& r = s.router();
  r.legalizeTree();
  r.rectilinearizeSMT();
  EXPECT_EQ(chain(v, v->mstNbrs[0]),
            (Points{{0, 0}, {0, -2}, {6, -2}, {6, 0}}));
}

// A corner of one rectangle inside another: nothing reaches it.
TEST(LegalRectilinearizeTest, ConnectionWithoutARouteIsTakenOut) {
  Scene s;
  Vertex* p = s.addPin(-5, 0);
  s.addPin(20, 20);
  s.addRect(0, -4, 8, 4);
  Vertex* c = s.addRect(2, -2, 12, 2)[0];  // (2, -2), inside the first
  join(p, c);
  join(p, c);
  Router& r = s.router();
  r.legalizeTree();
  EXPECT_EQ(std::count(p->mstNbrs.begin(), p->mstNbrs.end(), c), 0);
  EXPECT_TRUE(nonNull(c->mstNbrs).empty());
  // The free space joins the two pins, so the parts are bridged.
  EXPECT_EQ(r.pinPartCount, 1);
}

// Two pins the hand-made tree leaves apart, round an obstacle: the exact
// graph's spanning tree bridges them with free connections.
TEST(LegalRectilinearizeTest, PartsTheFreeSpaceJoinsAreBridged) {
  Scene s;
  Vertex* a = s.addPin(-5, 0);
  Vertex* b = s.addPin(12, 0);
  s.addRect(0, -4, 8, 4);
  Router& r = s.router();
  r.pinPartCount = countTreePinParts(r);
  ASSERT_EQ(r.pinPartCount, 2);
  r.legalizeTree();
  r.localRefinement();
  EXPECT_EQ(r.pinPartCount, 1);
  double length = 0;
  for (const Segment* g : r.segments) {
    EXPECT_FALSE(r.legal.obstacles().blocksPiece(g->x1, g->y1, g->x2, g->y2));
    length += std::fabs(g->x2 - g->x1) + std::fabs(g->y2 - g->y1);
  }
  EXPECT_EQ(length, 17 + 8) << "round the obstacle's nearer side";
  expectLegalTree(r);
  EXPECT_TRUE(a->inTree && b->inTree);
}

// Without obstacles the free space joins every part: a pin that the
// spanning graph left alone is bridged to the rest.
TEST(LegalRectilinearizeTest, WithoutObstaclesEveryPartIsBridged) {
  Scene s;
  Vertex* a = s.addPin(0, 0);
  Vertex* b = s.addPin(10, 0);
  s.addPin(5, 3);
  join(a, b);
  Router& r = s.router();
  r.pinPartCount = countTreePinParts(r);
  ASSERT_EQ(r.pinPartCount, 2);
  r.legalizeTree();
  EXPECT_EQ(r.pinPartCount, 1);
  EXPECT_EQ(countTreePinParts(r), 1);
  expectLegalTree(r);
}

// The path from one pin to the other runs through that corner: its two
// ends are joined round the obstacle instead.
TEST(LegalRectilinearizeTest, VertexInsideAnObstacleIsBypassed) {
  Scene s;
  Vertex* a = s.addPin(-5, 0);
  Vertex* b = s.addPin(10, -6);
  s.addRect(0, -4, 8, 4);
  Vertex* c = s.addRect(2, -2, 12, 2)[0];
  join(a, c);
  join(c, b);
  Router& r = s.router();
  r.pinPartCount = countTreePinParts(r);
  ASSERT_EQ(r.pinPartCount, 1);
  r.legalizeTree();
  r.localRefinement();
  EXPECT_TRUE(nonNull(c->mstNbrs).empty());
  EXPECT_EQ(r.pinPartCount, 1);
  EXPECT_EQ(expectLegalTree(r).wireLength, 21);
}

// A row of pins along y = 0 with a point inside each edge and a point off
// the tree above each, as Steiner candidates are made by hand.
enum class Blocks { none, bars, pocket };

class SteinerCheckTest : public ::testing::Test {
 protected:
  void build(Blocks blocks) {
    for (int k = 0; k < 4; ++k) {
      p[k] = s.addPin(10.0f * k, 0);
    }
    for (int k = 0; k < 3; ++k) {
      mid[k] = point(10.0f * k + 5, 0);
      off[k] = point(10.0f * k + 7, 3);
    }
    if (blocks == Blocks::bars) {
      s.addRect(6, 1, 11, 2);   // across every way from off[0] to p[1]
      s.addRect(14, 1, 18, 2);  // across off[1]'s way to mid[1]
    } else if (blocks == Blocks::pocket) {
      s.addRect(9, -1, 11, 1);  // round p[1]
    }
    Router& r = s.router();
    for (int k = 0; k < 3; ++k) {
      r.connectSgEdge(p[k], mid[k]);
      r.connectSgEdge(mid[k], p[k + 1]);
      r.connectSgEdge(off[k], mid[k]);
    }
    r.extendedDijkstraForPinForest();
    r.extendedKruskal();
    r.extendedDijkstraForMstVerForest();
    for (int k = 0; k < 3; ++k) {
      for (Edge* m : r.mstEdges) {
        if ((m->pStart == p[k] || m->pEnd == p[k]) &&
            (m->pStart == p[k + 1] || m->pEnd == p[k + 1])) {
          e[k] = m;
        }
      }
    }
  }
  // A point that is no pin, its ring itself: a rectangle of no area.
  Vertex* point(float x, float y) { return s.addCorners({{x, y}})[0]; }

  SteinerCandidate* add(Vertex* u, Edge* m, int piece, Edge* victim) {
    Edge* sub = *std::next(m->subEdges.begin(), piece);
    SteinerCandidate* c = s.router().makeSteinerCandidate(
        u, sub, m, u->pMstVerRoot->mstEdges.front());
    c->eVictim = victim;
    c->gain = 5;
    return c;
  }
  bool applied(const SteinerCandidate* c) {
    const std::vector<Vertex*>& vs = s.router().vertices;
    return c->s && std::find(vs.begin(), vs.end(), c->s) != vs.end();
  }

  Scene s;
  Vertex* p[4];
  Vertex* mid[3];
  Vertex* off[3];
  Edge* e[3];
};

// u at (7, 3) joins the piece from p[1] through s at (10, 0).
TEST_F(SteinerCheckTest, FreeCandidateIsApplied) {
  build(Blocks::none);
  SteinerCandidate* c = add(off[0], e[1], 0, e[2]);
  ASSERT_EQ(c->sx, 10);
  ASSERT_EQ(c->sy, 0);
  s.router().addSteinerPoints();
  EXPECT_TRUE(applied(c));
}

TEST_F(SteinerCheckTest, CandidateWithABlockedUToSIsSkipped) {
  build(Blocks::bars);
  SteinerCandidate* c = add(off[0], e[1], 0, e[2]);
  SteinerCandidate* later = add(off[2], e[2], 1, e[0]);
  later->gain = 4;
  s.router().addSteinerPoints();
  EXPECT_FALSE(applied(c));
  EXPECT_FALSE(e[1]->removed);
  EXPECT_TRUE(applied(later)) << "the walk goes on past a skipped one";
}

TEST_F(SteinerCheckTest, SteinerPointInsideAnObstacleIsSkipped) {
  build(Blocks::pocket);
  SteinerCandidate* c = add(off[0], e[1], 0, e[2]);
  s.router().addSteinerPoints();
  EXPECT_FALSE(applied(c));
}

// u's own connection is free; the step that joins u to its tree vertex is
// not.
TEST_F(SteinerCheckTest, CandidateWithABlockedPathStepIsSkipped) {
  build(Blocks::bars);
  ASSERT_EQ(off[1]->pMstVerPred, mid[1]);
  SteinerCandidate* c = add(off[1], e[2], 0, e[0]);
  ASSERT_TRUE(s.router().legal.routeFinder().primaryLFree({17, 3}, {20, 0}));
  s.router().addSteinerPoints();
  EXPECT_FALSE(applied(c));
}

// A U whose base would be lifted into an obstacle that none of its corners
// touch: the corner flags cannot see it.
class LegSceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    a = Segment(0, 0, 0, 3);
    b = Segment(4, 0, 4, 2);
    s = Segment(0, 0, 4, 0);
    s.startNbrs = {&a};
    s.endNbrs = {&b};
    a.startNbrs = {&s};
    b.startNbrs = {&s};
  }
  Segment a, b, s;
};

TEST_F(LegSceneTest, MoveIntoAnObstacleIsNotMade) {
  ObstacleIndex index({{1, 1, 3, 3}});
  s.pObstIndex = &index;
  s.move();
  EXPECT_EQ(s.y1, 0);
  EXPECT_EQ(s.y2, 0);
  EXPECT_EQ(a.y1, 0);
  EXPECT_EQ(b.y2, 2);
}

TEST_F(LegSceneTest, MoveOntoASideIsMade) {
  ObstacleIndex index({{1, 2, 3, 3}});
  s.pObstIndex = &index;
  s.move();
  EXPECT_EQ(s.y1, 2);
  EXPECT_EQ(a.y1, 2);
  EXPECT_EQ(b.y1, 2);
}

// Random Us and Zs: whatever moves, a leg only shrinks within where it
// was, so only the segment's new place needs a test.
TEST(SegmentObstacleTest, DraggedLegsStayWithinTheirExtent) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> c(-6, 6);
  int moved = 0;
  for (int k = 0; k < 2000; ++k) {
    SCOPED_TRACE(k);
    float x1 = static_cast<float>(c(rng)), x2 = static_cast<float>(c(rng));
    float la = static_cast<float>(c(rng)), lb = static_cast<float>(c(rng));
    bool vertical = rng() % 2 == 1;
    Segment s = vertical ? Segment(0, x1, 0, x2) : Segment(x1, 0, x2, 0);
    Segment a = vertical ? Segment(0, x1, la, x1) : Segment(x1, 0, x1, la);
    Segment b = vertical ? Segment(lb, x2, 0, x2) : Segment(x2, lb, x2, 0);
    s.startNbrs = {&a};
    s.endNbrs = {&b};
    Segment a0 = a, b0 = b;
    s.move();
    for (const auto& [now, was] :
         {std::make_pair(&a, &a0), std::make_pair(&b, &b0)}) {
      float lo = std::min(was->x1, was->x2), hi = std::max(was->x1, was->x2);
      float ylo = std::min(was->y1, was->y2), yhi = std::max(was->y1, was->y2);
      for (float x : {now->x1, now->x2}) {
        EXPECT_TRUE(lo <= x && x <= hi);
      }
      for (float y : {now->y1, now->y2}) {
        EXPECT_TRUE(ylo <= y && y <= yhi);
      }
    }
    moved += (vertical ? s.x1 != 0 : s.y1 != 0) ? 1 : 0;
  }
  EXPECT_GT(moved, 200);
}

TEST(MoveSegmentsObstacleTest, UThatWouldCrossAnObstacleStays) {
  Scene s;
  Vertex* a = s.addPin(0, 3);
  Vertex* b = s.addPin(4, 2);
  s.addRect(1, 1, 3, 3);
  Router& r = s.router();
  Vertex t1(0, 0, "turningPoint");
  Vertex t2(4, 0, "turningPoint");
  r.vertices.push_back(&t1);
  r.vertices.push_back(&t2);
  join(a, &t1);
  join(&t1, &t2);
  join(&t2, b);
  r.moveSegments();
  EXPECT_EQ(expectLegalTree(r).wireLength, 9) << "the U stays as it was";
}

// exportMST: each connection once, drawn by the free route legalizeTree
// gave it.
class ExportObstacleTest : public ::testing::Test {
 protected:
  ProgramRun run;
  std::string path() const { return run.path("tree.txt"); }
};

TEST_F(ExportObstacleTest, OtherLWhenThePrimaryIsBlocked) {
  Scene s;
  Vertex* v = s.addPin(0, 0);
  Vertex* w = s.addPin(4, 3);
  s.addRect(1, -1, 3, 1);
  join(v, w);
  s.router().legalizeTree();
  ASSERT_TRUE(s.router().exportMST(path().c_str()));
  EXPECT_EQ(body(path()), "0\t0\n0\t3\n\n0\t3\n4\t3\n\n");
}

TEST_F(ExportObstacleTest, FreeConnectionsAreWrittenAsPlainLs) {
  Scene s;
  Vertex* v = s.addPin(0, 0);
  Vertex* w = s.addPin(4, 3);
  Vertex* x = s.addPin(4, 7);
  s.addRect(10, 10, 12, 12);
  join(v, w);
  join(w, x);
  s.router().legalizeTree();
  ASSERT_TRUE(s.router().exportMST(path().c_str()));
  EXPECT_EQ(body(path()),
            "0\t0\n4\t0\n\n4\t0\n4\t3\n\n4\t3\n4\t3\n\n4\t3\n4\t7\n\n");
}

// Two spanning-tree paths over the same step list it twice at both ends.
TEST_F(ExportObstacleTest, ConnectionListedTwiceIsWrittenOnce) {
  Scene s;
  Vertex* v = s.addPin(0, 0);
  Vertex* w = s.addPin(4, 3);
  join(v, w);
  join(v, w);
  ASSERT_TRUE(s.router().exportMST(path().c_str()));
  EXPECT_EQ(body(path()), "0\t0\n4\t0\n\n4\t0\n4\t3\n\n");
  ASSERT_TRUE(s.router().exportSMT(path().c_str()));
  EXPECT_EQ(body(path()), "0\t0\n4\t0\n\n4\t0\n4\t3\n\n");
}

TEST_F(ExportObstacleTest, ConnectionWithoutARouteIsNotWritten) {
  Scene s;
  Vertex* p = s.addPin(-5, 0);
  Vertex* q = s.addPin(-5, 9);
  s.addRect(0, -4, 8, 4);
  Vertex* c = s.addRect(2, -2, 12, 2)[0];
  join(p, q);
  join(p, c);
  Router& r = s.router();
  r.legalizeTree();
  ASSERT_TRUE(r.exportMST(path().c_str()));
  EXPECT_EQ(body(path()), "-5\t0\n-5\t0\n\n-5\t0\n-5\t9\n\n");
  EXPECT_EQ(nonNull(p->mstNbrs), std::vector<Vertex*>{q});
  EXPECT_EQ(r.pinPartCount, 1);
}

// The final pass over the segments.
TEST(CleanSegmentsTest, CleanTreeIsLeftAsItIs) {
  Scene s;
  s.addPin(0, 0);
  s.addPin(4, 3);
  Router& r = s.router();
  Segment* a = new Segment(0, 0, 4, 0);
  Segment* b = new Segment(4, 0, 4, 3);
  Segment* z = new Segment(4, 3, 4, 3);
  r.segments = {b, a, z};
  r.cleanSegments();
  EXPECT_EQ(r.segments, (std::vector<Segment*>{b, a, z}));
  EXPECT_EQ(a->x2, 4);
  EXPECT_EQ(b->y2, 3);
}

TEST(CleanSegmentsTest, DuplicatedWireIsKeptOnce) {
  Scene s;
  s.addPin(0, 0);
  s.addPin(4, 3);
  Router& r = s.router();
  r.segments = {new Segment(0, 0, 4, 0), new Segment(4, 0, 4, 3),
                new Segment(0, 0, 4, 0)};
  r.cleanSegments();
  EXPECT_EQ(r.segments.size(), 2u);
  EXPECT_EQ(expectLegalTree(r).totalLength, 7);
  // Linked at the corner they share, as segment moving links them.
  EXPECT_EQ(r.segments[0]->endNbrs, std::vector<Segment*>{r.segments[1]});
}

TEST(CleanSegmentsTest, LoopIsOpened) {
  Scene s;
  s.addPin(0, 0);
  s.addPin(4, 4);
  s.addPin(0, 4);
  Router& r = s.router();
  r.segments = {new Segment(0, 0, 4, 0), new Segment(4, 0, 4, 4),
                new Segment(0, 4, 4, 4), new Segment(0, 0, 0, 4)};
  r.cleanSegments();
  std::vector<Wire> wires;
  for (const Segment* g : r.segments) {
    wires.push_back({g->x1, g->y1, g->x2, g->y2});
  }
  EXPECT_TRUE(formCleanTree(wires));
  EXPECT_EQ(expectLegalTree(r).totalLength, 8);
}

// A connection listed twice becomes two copies of one segment, neither
// moving away from the other; the final tree holds it once.
TEST(CleanSegmentsTest, DuplicateConnectionEndsAsOneWire) {
  Scene s;
  Vertex* a = s.addPin(0, 0);
  Vertex* b = s.addPin(3, 2);
  Vertex* c = s.addPin(6, 0);
  join(a, b);
  join(a, b);
  join(b, c);
  Router& r = s.router();
  r.moveSegments();
  r.cleanSegments();
  TreeCheck check = expectLegalTree(r);
  EXPECT_EQ(check.totalLength, check.wireLength);
  EXPECT_EQ(check.totalLength, 10);
}

TEST(VertexPartsTest, CountsThePartsTheTreeNeighboursMake) {
  Scene s;
  Vertex* a = s.addPin(0, 0);
  Vertex* b = s.addPin(1, 0);
  Vertex* c = s.addPin(5, 5);
  s.addPin(9, 9);
  Router& r = s.router();
  auto count = [&r] {
    return VertexParts::ofTree(r.vertices).countPinParts(r.vertices);
  };
  EXPECT_EQ(count(), 4);
  Vertex t(3, 3, "turningPoint");
  r.vertices.push_back(&t);
  join(a, b);
  join(b, &t);
  join(&t, c);
  EXPECT_EQ(count(), 2);
  b->mstNbrs[1] = nullptr;
  t.mstNbrs[0] = nullptr;
  EXPECT_EQ(count(), 3);
}

// Four overlapping walls round the pin at (5, 5).
const char* const kWalledPins =
    "5 5 pin\n-5 5 pin\n15 4 pin\n5 15 pin\n20 -3 pin\n-1 -1 end\n";
const char* const kWalls =
    "0 0 corner\n10 0 corner\n10 2 corner\n0 2 corner\n"
    "0 8 corner\n10 8 corner\n10 10 corner\n0 10 corner\n"
    "0 0 corner\n2 0 corner\n2 10 corner\n0 10 corner\n"
    "8 0 corner\n10 0 corner\n10 10 corner\n8 10 corner\n-1 -1 end\n";

TEST(WalledInPinTest, BothProgramsWriteTheOthersJoinedAndExitFour) {
  ProgramRun run;
  run.write("pins.txt", kWalledPins);
  run.write("obst.txt", kWalls);
  std::vector<Point> pins = {{5, 5}, {-5, 5}, {15, 4}, {5, 15}, {20, -3}};
  std::vector<Rect> rects = {
      {0, 0, 10, 2}, {0, 8, 10, 10}, {0, 0, 2, 10}, {8, 0, 10, 10}};
  for (const char* program : {OAMST_PATH, ZORVANE_PATH}) {
    SCOPED_TRACE(program);
    EXPECT_EQ(run.run(program, "pins.txt obst.txt out.txt"), 4);
    EXPECT_NE(run.err.find("warning"), std::string::npos) << run.err;
    TreeCheck c = checkTree(pins, rects, written(run.path("out.txt")));
    EXPECT_EQ(c.crossings, 0);
    EXPECT_EQ(c.diagonalPieces, 0);
    EXPECT_EQ(c.pinParts, 2);
    EXPECT_EQ(c.pinsOffTree, 1);
    TreeCheck outside = checkTree({pins.begin() + 1, pins.end()}, rects,
                                  written(run.path("out.txt")));
    EXPECT_TRUE(outside.legal());
  }
}

// Generated nets with obstacles apart, touching and overlapping, pins on
// their sides, corners in either order: every written piece is free, the
// Steiner tree draws no wire twice and has no loop, and the pins are joined
// wherever the obstacles let them be.
TEST(GeneratedInstancesTest, BothProgramsDrawLegalTrees) {
  ProgramRun run;
  const std::string path = run.path("tree.txt");
  int forests = 0;
  for (ObstacleContact contact : {ObstacleContact::none, ObstacleContact::touch,
                                  ObstacleContact::overlap}) {
    for (CornerOrder order :
         {CornerOrder::ccw, CornerOrder::cw, CornerOrder::mixed}) {
      for (std::uint64_t seed = 1; seed <= 3; ++seed) {
        GenOptions o;
        o.pins = 40;
        o.obstacles = 60;
        o.xMax = o.yMax = 400;
        o.seed = seed;
        o.obstacleContact = contact;
        o.pinContact = contact == ObstacleContact::none ? PinContact::none
                                                        : PinContact::sides;
        o.cornerOrder = order;
        Instance inst;
        std::string error;
        ASSERT_TRUE(generateInstance(o, inst, error)) << error;
        SCOPED_TRACE(testing::Message()
                     << "contact " << static_cast<int>(contact) << " order "
                     << static_cast<int>(order) << " seed " << seed);
        std::string first;
        for (int program = 0; program < 3; ++program) {
          SCOPED_TRACE(program);
          GeneratedNet net(inst);
          Router r(net.vs);
          if (program == 0) {
            r.formMST();
            ASSERT_TRUE(r.exportMST(path.c_str()));
          } else if (program == 1) {
            r.formUnrefinedSMT();
            ASSERT_TRUE(r.exportSMT(path.c_str()));
          } else {
            r.formSMT();
            ASSERT_TRUE(r.exportSMTSegs(path.c_str()));
          }
          expectLegalTree(r);
          std::vector<Piece> pieces = written(path);
          TreeCheck c = checkTree(inst.pins, inst.rects, pieces);
          EXPECT_EQ(c.crossings, 0);
          EXPECT_EQ(c.diagonalPieces, 0);
          EXPECT_LE(c.pinParts, r.pinPartCount);
          if (r.pinPartCount == 1) {
            EXPECT_TRUE(c.legal());
          } else {
            ++forests;
          }
          if (program == 2) {
            EXPECT_EQ(c.wireLength, c.totalLength);
            std::vector<Wire> wires;
            for (const Piece& p : pieces) {
              wires.push_back(
                  {static_cast<float>(p.x1), static_cast<float>(p.y1),
                   static_cast<float>(p.x2), static_cast<float>(p.y2)});
            }
            EXPECT_EQ(planWires(wires, {}).loops(), 0);
            first = readAll(path);
          }
        }
        GeneratedNet again(inst);
        Router r(again.vs);
        r.formSMT();
        ASSERT_TRUE(r.exportSMTSegs(path.c_str()));
        EXPECT_EQ(readAll(path), first) << "not deterministic";
      }
    }
  }
  // Overlapping walls may shut a pin in now and then, not often.
  EXPECT_LE(forests, 3);
}

}  // namespace
