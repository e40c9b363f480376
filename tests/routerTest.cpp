#include <gtest/gtest.h>

#include "router/router.h"
#include "tests/legalTree.h"
#include "tests/scene.h"

namespace {

TEST(RouterTest, PrintsEachNonNullTreeNeighbour) {
  Scene scene;
  Vertex* v = scene.addPin(0, 0);
  Vertex* a = scene.addPin(3, 4);
  Vertex* b = scene.addPin(1, 2);
  v->mstNbrs = {a, nullptr, b};
  testing::internal::CaptureStdout();
  scene.router().printMstNbrs(v);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "   -->pin(3, 4)\n   -->pin(1, 2)\n");
}

TEST(RouterTest, EmptyInputBuildsNothing) {
  Scene scene;
  Router& r = scene.router();
  r.formSMT();
  EXPECT_TRUE(r.sgEdges.empty());
  EXPECT_TRUE(r.mstEdges.empty());
  EXPECT_TRUE(r.segments.empty());
  EXPECT_EQ(r.pinPartCount, 0);
  expectLegalTree(r);
}

TEST(RouterTest, ObstacleSidesComeFirstInCornerOrder) {
  Scene scene;
  std::vector<Vertex*> c = scene.addRect(0, 0, 2, 1);
  Router& r = scene.router();
  r.formSG();
  ASSERT_GE(r.sgEdges.size(), 4u);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(r.sgEdges[k]->pStart, c[k]);
    EXPECT_EQ(r.sgEdges[k]->pEnd, c[(k + 1) % 4]);
  }
}

TEST(RouterTest, PinsOnlyAddNoObstacleSide) {
  Scene scene;
  scene.addPin(0, 0);
  scene.addPin(5, 5);
  scene.router().connectObstEdges();
  EXPECT_TRUE(scene.router().sgEdges.empty());
}

}  // namespace
