#include <gtest/gtest.h>

#include "geometry/segment.h"

namespace {

void expectAt(const Segment& s, float x1, float y1, float x2, float y2) {
  EXPECT_EQ(s.x1, x1);
  EXPECT_EQ(s.y1, y1);
  EXPECT_EQ(s.x2, x2);
  EXPECT_EQ(s.y2, y2);
}

// s from (0, 0) to (4, 0) with one leg at each end, both given by the caller.
class LeggedSegmentTest : public ::testing::Test {
 protected:
  void legs(Segment a, Segment b) {
    this->a = a;
    this->b = b;
    s.startNbrs = {&this->a};
    s.endNbrs = {&this->b};
  }
  Segment s{0, 0, 4, 0};
  Segment a;
  Segment b;
};

TEST(SegmentTest, ZeroLengthCountsAsHorizontal) {
  Segment p(2, 3, 2, 3);
  EXPECT_TRUE(p.horizontal());
  EXPECT_TRUE(p.vertical());
  Segment d(0, 0, 1, 1);
  EXPECT_FALSE(d.horizontal());
  EXPECT_FALSE(d.vertical());
}

TEST_F(LeggedSegmentTest, UShapeMovesByTheShorterLeg) {
  legs({0, 0, 0, 3}, {4, 0, 4, 2});
  EXPECT_EQ(s.moveDist(), 2);
  s.move();
  expectAt(s, 0, 2, 4, 2);
  expectAt(a, 0, 2, 0, 3);
  expectAt(b, 4, 2, 4, 2);
}

// The legs end at the segment with their second ends: those are the ones to
// drag.
TEST_F(LeggedSegmentTest, UOpeningDownwardsMovesDown) {
  legs({0, -3, 0, 0}, {4, -1, 4, 0});
  EXPECT_EQ(s.moveDist(), -1);
  s.move();
  expectAt(s, 0, -1, 4, -1);
  expectAt(a, 0, -3, 0, -1);
  expectAt(b, 4, -1, 4, -1);
}

TEST_F(LeggedSegmentTest, EqualLegsShrinkToNothing) {
  legs({0, 0, 0, 3}, {4, 0, 4, 3});
  EXPECT_EQ(s.moveDist(), 3);
  s.move();
  expectAt(s, 0, 3, 4, 3);
  expectAt(a, 0, 3, 0, 3);
  expectAt(b, 4, 3, 4, 3);
}

TEST_F(LeggedSegmentTest, ZShapeStays) {
  legs({0, 0, 0, 3}, {4, -2, 4, 0});
  EXPECT_EQ(s.moveDist(), 0);
  s.move();
  expectAt(s, 0, 0, 4, 0);
  expectAt(a, 0, 0, 0, 3);
  expectAt(b, 4, -2, 4, 0);
}

TEST_F(LeggedSegmentTest, CollinearOrZeroLengthLegGivesNoSide) {
  legs({-3, 0, 0, 0}, {4, 0, 4, 2});
  EXPECT_EQ(s.moveDist(), 0);
  legs({0, 0, 0, 0}, {4, 0, 4, 2});
  EXPECT_EQ(s.moveDist(), 0);
}

TEST_F(LeggedSegmentTest, FreeEndNeverMoves) {
  legs({0, 0, 0, 3}, {4, 0, 4, 2});
  s.endNbrs.clear();
  EXPECT_EQ(s.moveDist(), 0);
  s.move();
  expectAt(s, 0, 0, 4, 0);
}

TEST_F(LeggedSegmentTest, BlockedSideHoldsOnlyThatWay) {
  legs({0, 0, 0, 3}, {4, 0, 4, 2});
  s.plusSideBlocked = true;
  EXPECT_EQ(s.moveDist(), 2);
  s.move();
  expectAt(s, 0, 0, 4, 0);
  expectAt(b, 4, 0, 4, 2);

  s.plusSideBlocked = false;
  s.minusSideBlocked = true;
  s.move();
  expectAt(s, 0, 2, 4, 2);
}

TEST_F(LeggedSegmentTest, BothSidesBlockedGivesNoDistance) {
  legs({0, 0, 0, 3}, {4, 0, 4, 2});
  s.plusSideBlocked = true;
  s.minusSideBlocked = true;
  EXPECT_EQ(s.moveDist(), 0);
}

// Moving would leave the second segment at the far end behind at the old
// position, whichever of them the legs' side is taken from.
TEST_F(LeggedSegmentTest, EndHoldingTwoSegmentsKeepsItInPlace) {
  legs({0, 0, 0, 2}, {4, 0, 4, 3});
  Segment other(4, -1, 4, 0);
  s.endNbrs = {&other, &b};
  EXPECT_EQ(s.moveDist(), 0);
  s.move();
  expectAt(s, 0, 0, 4, 0);
  expectAt(a, 0, 0, 0, 2);

  s.endNbrs = {&b};
  s.startNbrs = {&a, &other};
  EXPECT_EQ(s.moveDist(), 0);
}

TEST_F(LeggedSegmentTest, FixedEndKeepsItInPlace) {
  legs({0, 0, 0, 3}, {4, 0, 4, 2});
  s.endFixed = true;
  EXPECT_EQ(s.moveDist(), 0);
  s.endFixed = false;
  s.startFixed = true;
  EXPECT_EQ(s.moveDist(), 0);
}

// Only the leg's end at the segment is dragged; its far end may be fixed.
TEST_F(LeggedSegmentTest, LegEndAtTheSegmentMustBeFree) {
  legs({0, 0, 0, 3}, {4, -2, 4, 0});
  b = Segment(4, 0, 4, 2);
  b.startFixed = true;
  EXPECT_EQ(s.moveDist(), 0);
  b.startFixed = false;
  b.endFixed = true;
  a.endFixed = true;
  EXPECT_EQ(s.moveDist(), 2);
}

TEST(SegmentTest, VerticalUMovesSideways) {
  Segment s(0, 0, 0, 4);
  Segment a(0, 0, 3, 0);
  Segment b(0, 4, 2, 4);
  s.startNbrs = {&a};
  s.endNbrs = {&b};
  EXPECT_EQ(s.moveDist(), 2);
  s.move();
  expectAt(s, 2, 0, 2, 4);
  expectAt(a, 2, 0, 3, 0);
  expectAt(b, 2, 4, 2, 4);

  Segment t(5, 0, 5, 4);
  Segment c(1, 0, 5, 0);
  Segment d(4, 4, 5, 4);
  t.startNbrs = {&c};
  t.endNbrs = {&d};
  t.move();
  expectAt(t, 4, 0, 4, 4);
  expectAt(c, 1, 0, 4, 0);
  expectAt(d, 4, 4, 4, 4);
}

// Where floats are a quarter apart, the legs' ends summed and less the
// segment's (the old way to the distance) round by half a unit: the
// segment and its legs must land on the shorter leg's end itself.
TEST_F(LeggedSegmentTest, MoveLandsOnTheShorterLegsEnd) {
  const float y = 2634459, near = 2634460.25f, far = 2634461;
  s = Segment(0, y, 4, y);
  legs({0, y, 0, far}, {4, near, 4, y});
  s.move();
  expectAt(s, 0, near, 4, near);
  expectAt(a, 0, near, 0, far);
  expectAt(b, 4, near, 4, near);
}

TEST(SegmentTest, DiagonalNeverMoves) {
  Segment s(0, 0, 4, 1);
  Segment a(0, 0, 0, 3);
  Segment b(4, 1, 4, 3);
  s.startNbrs = {&a};
  s.endNbrs = {&b};
  EXPECT_EQ(s.moveDist(), 0);
}

}  // namespace
