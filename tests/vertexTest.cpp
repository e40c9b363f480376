#include <gtest/gtest.h>

#include "geometry/edge.h"
#include "geometry/vertex.h"

namespace {

std::string printed(const Vertex& v) {
  testing::internal::CaptureStdout();
  v.print();
  return testing::internal::GetCapturedStdout();
}

TEST(VertexTest, OnlyPinsStartInTheTree) {
  EXPECT_TRUE(Vertex(0, 0, "pin").inTree);
  for (const char* t : {"corner", "steinerPoint", "turningPoint"}) {
    EXPECT_FALSE(Vertex(0, 0, t).inTree) << t;
  }
}

TEST(VertexTest, TypeTestsCompareTheWholeWord) {
  Vertex v(0, 0, "Pin");
  EXPECT_FALSE(v.isAPin());
  EXPECT_FALSE(v.isACorner());
  EXPECT_TRUE(Vertex(0, 0, "corner").isACorner());
}

TEST(VertexTest, SteinerPointCountsNullNeighboursButNeverAPin) {
  Vertex a(1, 0, "pin"), b(2, 0, "pin"), c(3, 0, "pin"), d(4, 0, "pin");
  Vertex pin(0, 0, "pin");
  pin.mstNbrs = {&a, &b, &c, &d};
  EXPECT_FALSE(pin.isASteinerPoint());
  Vertex t(0, 0, "turningPoint");
  t.mstNbrs = {&a, &b};
  EXPECT_FALSE(t.isASteinerPoint());
  t.mstNbrs.push_back(nullptr);
  EXPECT_TRUE(t.isASteinerPoint());
  Vertex corner(0, 0, "corner");
  corner.mstNbrs = {&a, &b, &c};
  EXPECT_TRUE(corner.isASteinerPoint());
}

TEST(VertexTest, PrintsTypeAndCoordinates) {
  EXPECT_EQ(printed(Vertex(3, 4.5f, "pin")), "pin(3, 4.5)\n");
  EXPECT_EQ(printed(Vertex(-2.5f, 1e7f, "corner")), "corner(-2.5, 1e+07)\n");
}

TEST(EdgeTest, LengthsAreRectilinear) {
  Vertex a(0, 0, "pin"), b(3, -4, "pin");
  a.pinDist = 2;
  b.pinDist = 5;
  Edge e(&a, &b);
  EXPECT_EQ(e.length(), 7);
  EXPECT_EQ(e.pinPathLen(), 14);
  EXPECT_EQ(e.mstEdgeLen(), 0);
}

TEST(EdgeTest, TreeEdgeLengthIsItsPiecesWhateverItsEnds) {
  Vertex a(0, 0, "pin"), b(2, 0, "corner"), c(2, 3, "pin"),
      far(100, 100, "pin");
  Edge s1(&a, &b), s2(&b, &c);
  Edge m(&a, &far);
  m.subEdges = {&s1, &s2};
  EXPECT_EQ(m.mstEdgeLen(), 5);
}

TEST(EdgeTest, PrintSkipsSubEdgesOfALoop) {
  Vertex a(0, 0, "pin"), b(2, 0, "corner");
  Edge sub(&a, &b);
  Edge loop(&a, &a);
  loop.subEdges = {&sub};
  testing::internal::CaptureStdout();
  loop.print();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Edge:\nstart: pin(0, 0)\nend  : pin(0, 0)\n"
            "sub-edges begin: \nsub-edges end\n");
  Edge m(&a, &b);
  m.subEdges = {&sub};
  testing::internal::CaptureStdout();
  m.print();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Edge:\nstart: pin(0, 0)\nend  : corner(2, 0)\n"
            "sub-edges begin: \n\tsub-edge:\n\tstart: pin(0, 0)\n"
            "\tend  : corner(2, 0)\nsub-edges end\n");
}

}  // namespace
