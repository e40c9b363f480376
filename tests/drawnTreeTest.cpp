#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/checkTree.h"
#include "router/router.h"
#include "tests/generatedNet.h"
#include "tests/legalTree.h"
#include "tests/programRun.h"
#include "tests/scene.h"
#include "tools/treeFile.h"
#include "tools/treeGen.h"

namespace {

enum class Entry { mst, unrefined, smt, optimized };

void form(Router& r, Entry e) {
  switch (e) {
    case Entry::mst:
      r.formMST();
      break;
    case Entry::unrefined:
      r.formUnrefinedSMT();
      break;
    case Entry::smt:
      r.formSMT();
      break;
    case Entry::optimized:
      r.formOptimizedSMT();
      break;
  }
}

bool write(const Router& r, Entry e, const std::string& path) {
  return e == Entry::mst         ? r.exportMST(path.c_str())
         : e == Entry::unrefined ? r.exportSMT(path.c_str())
                                 : r.exportSMTSegs(path.c_str());
}

std::vector<Wire> readBack(const std::string& path) {
  std::vector<Piece> pieces;
  std::string error;
  EXPECT_TRUE(readTreeFile(path, pieces, error)) << error;
  std::vector<Wire> out;
  // The export writes floats, so each coordinate reads back as one.
  for (const Piece& p : pieces) {
    out.push_back({static_cast<float>(p.x1), static_cast<float>(p.y1),
                   static_cast<float>(p.x2), static_cast<float>(p.y2)});
  }
  return out;
}

// Generated nets with obstacles apart, touching and overlapping: after each
// entry the listings read the same twice, the export writes exactly the
// pieces listed, the connections' steps are those pieces, and the tree they
// draw is legal, with the part count the checker finds.
TEST(DrawnTreeTest, ExportsWriteWhatTheListingsList) {
  ProgramRun run;
  const std::string path = run.path("tree.txt");
  for (ObstacleContact contact : {ObstacleContact::none, ObstacleContact::touch,
                                  ObstacleContact::overlap}) {
    for (std::uint64_t seed = 1; seed <= 3; ++seed) {
      GenOptions o;
      o.pins = 25;
      o.obstacles = 30;
      o.xMax = o.yMax = 300;
      o.seed = seed;
      o.obstacleContact = contact;
      o.pinContact = contact == ObstacleContact::none ? PinContact::none
                                                      : PinContact::sides;
      o.cornerOrder = CornerOrder::mixed;
      Instance inst;
      std::string error;
      ASSERT_TRUE(generateInstance(o, inst, error)) << error;
      for (Entry e :
           {Entry::mst, Entry::unrefined, Entry::smt, Entry::optimized}) {
        // The optimizer spends its whole budget: once per contact will do.
        if (e == Entry::optimized && seed > 1) {
          continue;
        }
        SCOPED_TRACE(testing::Message()
                     << "contact " << static_cast<int>(contact) << " seed "
                     << seed << " entry " << static_cast<int>(e));
        GeneratedNet net(inst);
        Router r(net.vs);
        form(r, e);
        std::vector<Wire> pieces = r.drawnPieces();
        std::vector<DrawnConnection> connections = r.drawnConnections();
        ASSERT_TRUE(write(r, e, path));
        EXPECT_EQ(readBack(path), pieces);
        EXPECT_EQ(r.drawnPieces(), pieces) << "reading changed the tree";
        if (e == Entry::mst || e == Entry::unrefined) {
          std::vector<Wire> steps;
          for (const DrawnConnection& c : connections) {
            ASSERT_GE(c.points.size(), 2u);
            EXPECT_TRUE(c.pStart->x < c.pEnd->x ||
                        (c.pStart->x == c.pEnd->x && c.pStart->y < c.pEnd->y));
            EXPECT_EQ(c.points.front(), (RoutePoint{c.pStart->x, c.pStart->y}));
            EXPECT_EQ(c.points.back(), (RoutePoint{c.pEnd->x, c.pEnd->y}));
            for (size_t k = 1; k < c.points.size(); ++k) {
              steps.push_back({c.points[k - 1].x, c.points[k - 1].y,
                               c.points[k].x, c.points[k].y});
            }
          }
          EXPECT_EQ(steps, pieces);
        }
        TreeCheck c = expectLegalTree(r);
        if (e == Entry::smt || e == Entry::optimized) {
          EXPECT_EQ(c.pinParts, r.pinPartCount);
        }
      }
    }
  }
}

// A connection whose primary L is blocked is listed with its other L; a
// free one with its L's three points, the bend repeating an end when it is
// straight.
TEST(DrawnTreeTest, ConnectionsCarryTheirDrawnPoints) {
  Scene s;
  Vertex* a = s.addPin(0, 0);
  Vertex* b = s.addPin(4, 3);
  Vertex* c = s.addPin(4, 7);
  s.addRect(1, -1, 3, 1);  // across the primary L of a and b
  a->mstNbrs.push_back(b);
  b->mstNbrs.push_back(a);
  b->mstNbrs.push_back(c);
  c->mstNbrs.push_back(b);
  Router& r = s.router();
  r.pinPartCount = 1;
  r.legalizeTree();
  std::vector<DrawnConnection> got = r.drawnConnections();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].pStart, a);
  EXPECT_EQ(got[0].pEnd, b);
  EXPECT_EQ(got[0].points, (std::vector<RoutePoint>{{0, 0}, {0, 3}, {4, 3}}));
  EXPECT_EQ(got[1].pStart, b);
  EXPECT_EQ(got[1].pEnd, c);
  EXPECT_EQ(got[1].points, (std::vector<RoutePoint>{{4, 3}, {4, 3}, {4, 7}}));
  EXPECT_EQ(r.drawnPieces(),
            (std::vector<Wire>{
                {0, 0, 0, 3}, {0, 3, 4, 3}, {4, 3, 4, 3}, {4, 3, 4, 7}}));
}

}  // namespace
