#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "check/checkTree.h"
#include "tests/gridTree.h"
#include "tests/programRun.h"
#include "tests/toolRun.h"
#include "tools/treeFile.h"
#include "tools/treeGen.h"

namespace {

const std::string kData = TESTDATA_DIR "/treecheck/";
const char* const kBanner =
    "# ---------------------------------------------------------------------- "
    "#\n"
    "#     This file contains the connections of the Steiner Minimal Tree     "
    "#\n"
    "# ---------------------------------------------------------------------- "
    "#\n";

Piece seg(float x1, float y1, float x2, float y2) {
  return {x1, y1, x2, y2};
}

TEST(TreeFileTest, ReadsBannerAndBlocks) {
  std::vector<Piece> p;
  std::string err;
  ASSERT_TRUE(parseTreeFile(
      std::string(kBanner) + "0\t0\n3\t0\n\n3\t0\n3\t2\n\n", "t", p, err))
      << err;
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[1].x1, 3);
  EXPECT_EQ(p[1].y2, 2);
}

TEST(TreeFileTest, AcceptsLooseButUnambiguousLayouts) {
  std::vector<Piece> p;
  std::string err;
  // No banner, spaces for tabs, CRLF, doubled empty lines, no final empty
  // line, exponent notation.
  ASSERT_TRUE(
      parseTreeFile("1 2\r\n 2.5e+01  -3 \r\n\r\n\r\n4\t5\n6\t7", "t", p, err))
      << err;
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].x2, 25);
  EXPECT_EQ(p[0].y2, -3);
  EXPECT_EQ(p[1].y2, 7);
  // CR alone (old Mac files) used to make one banner line and no pieces.
  std::vector<Piece> cr;
  ASSERT_TRUE(parseTreeFile("# --- #\r# t #\r# --- #\r1 2\r25 -3\r\r4 5\r6 7\r",
                            "t", cr, err))
      << err;
  ASSERT_EQ(cr.size(), 2u);
  EXPECT_EQ(cr[0].x2, 25);
  EXPECT_EQ(cr[1].y2, 7);
  EXPECT_FALSE(parseTreeFile("1 2\r3 4\r5 6\r", "t", cr, err));
  EXPECT_EQ(err.rfind("t, line 3: a third point line", 0), 0u) << err;
  std::vector<Piece> none;
  EXPECT_TRUE(parseTreeFile(kBanner, "t", none, err));
  EXPECT_TRUE(parseTreeFile("", "t", none, err));
  EXPECT_TRUE(none.empty());
}

TEST(TreeFileTest, RejectsMalformedFilesNamingTheLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"0\t0\n\n", "t, line 2: a block ends after one point line"},
      {"0\t0\n1\t0\n2\t0\n\n",
       "t, line 3: a third point line in the block "
       "that starts on line 1"},
      {"0\t0\n1\t0\n\n# late\n", "t, line 4: a comment line after"},
      {"0\t0\nx\t0\n\n", "t, line 2: 'x\t0' is not a point line"},
      {"0\t0\n1\n\n", "t, line 2: '1' is not a point line"},
      {"0\t0\n1 2 3\n\n", "t, line 2: '1 2 3' is not a point line"},
      {"0\tnan\n1\t0\n\n", "t, line 1: '0\tnan' is not a point line"},
      {"0\t0\n1\tinf\n\n", "t, line 2: '1\tinf' is not a point line"},
      {"0\t0\n1\t1\n\n5\t5",
       "t, line 4: the file ends inside the block "
       "that starts on line 4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    std::vector<Piece> p = {seg(9, 9, 9, 9)};
    std::string err;
    EXPECT_FALSE(parseTreeFile(c.first, "t", p, err));
    EXPECT_EQ(err.rfind(c.second, 0), 0u) << err;
    EXPECT_EQ(p.size(), 1u) << "a rejected file must append nothing";
  }
}

TEST(TreeCheckTest, LengthsCountOverlapsOnceInTheWireLength) {
  // Two overlapping horizontals, a duplicate vertical, a point piece.
  std::vector<Piece> p = {seg(0, 0, 5, 0), seg(8, 0, 3, 0), seg(4, 0, 4, 2),
                          seg(4, 2, 4, 0), seg(4, 2, 4, 2)};
  TreeCheck c = checkTree({{0, 0}, {8, 0}, {4, 2}}, {}, p);
  EXPECT_EQ(c.pieces, 5);
  EXPECT_EQ(c.totalLength, 14);
  EXPECT_EQ(c.wireLength, 10);
  EXPECT_EQ(c.pinParts, 1);
  EXPECT_TRUE(c.legal());
}

TEST(TreeCheckTest, WireLengthKeepsCollinearPiecesWithAGapApart) {
  TreeCheck c = checkTree({}, {}, {seg(0, 0, 2, 0), seg(3, 0, 5, 0)});
  EXPECT_EQ(c.wireLength, 4);
}

TEST(TreeCheckTest, JunctionsJoinPieces) {
  struct Case {
    const char* what;
    std::vector<Piece> pieces;
    long parts;
  };
  const Case cases[] = {
      {"end to end, collinear", {seg(0, 0, 2, 0), seg(2, 0, 5, 0)}, 1},
      {"L corner", {seg(0, 0, 2, 0), seg(2, 0, 2, 5)}, 1},
      {"T: an end on an interior", {seg(0, 0, 4, 0), seg(2, 0, 2, 5)}, 1},
      {"T from below", {seg(0, 3, 4, 3), seg(2, 0, 2, 3)}, 1},
      {"crossing in both interiors", {seg(0, 2, 4, 2), seg(2, 0, 2, 4)}, 1},
      {"collinear overlap", {seg(0, 0, 3, 0), seg(1, 0, 5, 0)}, 1},
      {"collinear gap", {seg(0, 0, 2, 0), seg(3, 0, 5, 0)}, 2},
      {"parallel lines", {seg(0, 0, 5, 0), seg(0, 1, 5, 1)}, 2},
      {"vertical ends short of a horizontal",
       {seg(0, 0, 4, 0), seg(2, 1, 2, 5)},
       2},
      {"vertical beside a horizontal's end",
       {seg(0, 0, 4, 0), seg(5, -1, 5, 1)},
       2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    const Piece& a = k.pieces[0];
    const Piece& b = k.pieces[1];
    TreeCheck c = checkTree({{a.x1, a.y1}, {b.x2, b.y2}}, {}, k.pieces);
    EXPECT_EQ(c.pinParts, k.parts);
    EXPECT_EQ(c.pinsOffTree, 0);
  }
}

TEST(TreeCheckTest, PinsOnSegmentInteriorsAreOnTheTree) {
  std::vector<Piece> p = {seg(0, 0, 10, 0), seg(10, 0, 10, 10)};
  TreeCheck c = checkTree({{4, 0}, {10, 7}, {10, 0}}, {}, p);
  EXPECT_EQ(c.pinsOffTree, 0);
  EXPECT_EQ(c.pinParts, 1);
  // Beside the line, or just past its end: off.
  c = checkTree({{4, 0.5f}, {10, 10.25f}, {0, 0}}, {}, p);
  EXPECT_EQ(c.pinsOffTree, 2);
  EXPECT_EQ(c.pinParts, 3);
  EXPECT_FALSE(c.legal());
}

TEST(TreeCheckTest, ApointPieceAtAPinPutsItOnTheTree) {
  TreeCheck c = checkTree({{3, 3}}, {}, {seg(3, 3, 3, 3)});
  EXPECT_EQ(c.pinsOffTree, 0);
  EXPECT_TRUE(c.legal());
}

TEST(TreeCheckTest, WithoutPiecesThePinsAreTheTree) {
  TreeCheck one = checkTree({{1, 1}}, {{0, 2, 4, 4}}, {});
  EXPECT_EQ(one.pinsOffTree, 0);
  EXPECT_EQ(one.pinParts, 1);
  EXPECT_TRUE(one.legal());
  // Two pins at one spot are one part; a third elsewhere is another.
  TreeCheck three = checkTree({{1, 1}, {1, 1}, {2, 1}}, {}, {});
  EXPECT_EQ(three.pinParts, 2);
  EXPECT_FALSE(three.legal());
  TreeCheck empty = checkTree({}, {}, {});
  EXPECT_EQ(empty.pinParts, 0);
  EXPECT_TRUE(empty.legal());
}

TEST(TreeCheckTest, LonePinsBesideATreeArePartsOfTheirOwn) {
  TreeCheck c =
      checkTree({{0, 0}, {5, 0}, {9, 9}, {9, 9}}, {}, {seg(0, 0, 5, 0)});
  EXPECT_EQ(c.pinsOffTree, 2);
  EXPECT_EQ(c.pinParts, 2);
}

// The obstacle [2, 4] x [2, 6] and its neighbour [4, 6] x [2, 6], which
// shares the side x = 4.
class ObstacleCrossingTest : public ::testing::Test {
 protected:
  bool crosses(const Piece& p) {
    return checkTree({}, rects, {p}).crossings == 1;
  }
  std::vector<Rect> rects = {{2, 2, 4, 6}, {4, 2, 6, 6}};
};

TEST_F(ObstacleCrossingTest, RunsAlongSidesDoNotCross) {
  EXPECT_FALSE(crosses(seg(0, 2, 8, 2)));  // both bottoms
  EXPECT_FALSE(crosses(seg(0, 6, 8, 6)));  // both tops
  EXPECT_FALSE(crosses(seg(2, 0, 2, 8)));  // left side
  EXPECT_FALSE(crosses(seg(4, 0, 4, 8)));  // between the touching pair
  EXPECT_FALSE(crosses(seg(4, 3, 4, 5)));  // inside that shared side
}

TEST_F(ObstacleCrossingTest, EndingOnASideDoesNotCross) {
  EXPECT_FALSE(crosses(seg(0, 4, 2, 4)));
  EXPECT_FALSE(crosses(seg(6, 4, 9, 4)));
  EXPECT_FALSE(crosses(seg(3, 0, 3, 2)));
  EXPECT_FALSE(crosses(seg(3, 6, 3, 9)));
  EXPECT_FALSE(crosses(seg(2, 4, 2, 4)));  // a point on a side
}

TEST_F(ObstacleCrossingTest, EnteringTheInteriorCrosses) {
  EXPECT_TRUE(crosses(seg(0, 4, 2.5f, 4)));
  EXPECT_TRUE(crosses(seg(0, 4, 9, 4)));
  EXPECT_TRUE(crosses(seg(5, 0, 5, 2.001f)));
  EXPECT_TRUE(crosses(seg(3, 3, 3.5f, 3)));  // wholly inside
  EXPECT_TRUE(crosses(seg(3, 3, 3, 3)));     // a point inside
  EXPECT_TRUE(crosses(seg(4, 4, 5, 4)));     // from the shared side inwards
}

TEST_F(ObstacleCrossingTest, DiagonalsCrossOnlyThroughTheInterior) {
  EXPECT_FALSE(crosses(seg(0, 0, 2, 2)));   // ends on a corner
  EXPECT_FALSE(crosses(seg(0, 4, 4, 0)));   // through the corner (2, 2)
  EXPECT_FALSE(crosses(seg(4, 0, 10, 6)));  // touches the corner (6, 2)
  EXPECT_TRUE(crosses(seg(0, 5, 5, 0)));    // cuts the corner off
  EXPECT_TRUE(crosses(seg(1, 1, 9, 7)));
  EXPECT_TRUE(crosses(seg(3, 3, 3.5f, 5)));  // wholly inside
}

TEST_F(ObstacleCrossingTest, ReportsEachCrossingPieceOnceWithItsLength) {
  TreeCheck c =
      checkTree({}, rects, {seg(0, 4, 9, 4), seg(0, 0, 1, 0), seg(5, 0, 5, 8)});
  EXPECT_EQ(c.crossings, 2);
  EXPECT_EQ(c.crossingLength, 17);
  EXPECT_EQ(c.crossingPieces, (std::vector<long>{0, 2}));
  EXPECT_FALSE(c.legal());
}

TEST(TreeCheckTest, OverlappingObstaclesCrossWhereEitherInteriorIs) {
  std::vector<Rect> rects = {{0, 0, 4, 4}, {2, 0, 6, 4}};
  // Along x = 4, the right side of one and the inside of the other.
  EXPECT_EQ(checkTree({}, rects, {seg(4, -1, 4, 5)}).crossings, 1);
  EXPECT_EQ(checkTree({}, rects, {seg(-1, 4, 7, 4)}).crossings, 0);
}

TEST(TreeCheckTest, DiagonalsJoinWhereAnEndLiesOnTheOther) {
  // The diagonal's end on a horizontal's interior, and a vertical's end on
  // the diagonal's interior.
  std::vector<Piece> p = {seg(0, 0, 10, 0), seg(5, 0, 9, 4), seg(7, 2, 7, 8)};
  TreeCheck c = checkTree({{0, 0}, {7, 8}, {6, 1}}, {}, p);
  EXPECT_EQ(c.diagonalPieces, 1);
  EXPECT_EQ(c.pinParts, 1);
  EXPECT_EQ(c.pinsOffTree, 0) << "a pin on a diagonal's interior is on it";
  EXPECT_EQ(c.totalLength, 10 + 8 + 6);
  EXPECT_FALSE(c.legal());
  // Crossing a diagonal in both interiors is no junction.
  c = checkTree({{0, 2}, {4, 0}}, {}, {seg(0, 2, 4, 2), seg(1, 1, 4, 0)});
  EXPECT_EQ(c.pinParts, 2);
}

TEST(TreeCheckTest, RepeatedDiagonalsCountOnceInTheWireLength) {
  TreeCheck c = checkTree({}, {}, {seg(0, 0, 2, 3), seg(2, 3, 0, 0)});
  EXPECT_EQ(c.totalLength, 10);
  EXPECT_EQ(c.wireLength, 5);
}

TEST(TreeCheckTest, AGridOfCrossingWiresIsOnePart) {
  // Every vertical meets every horizontal: the sweep joins them without
  // visiting the pairs, and must still join them all.
  std::vector<Piece> p;
  std::vector<Point> pins;
  for (int k = 0; k < 300; ++k) {
    p.push_back(seg(0, 2.0f * k, 600, 2.0f * k));
    p.push_back(seg(2.0f * k + 1, -1, 2.0f * k + 1, 601));
    pins.push_back({0, 2.0f * k});
    pins.push_back({2.0f * k + 1, 601});
  }
  TreeCheck c = checkTree(pins, {}, p);
  EXPECT_EQ(c.pinParts, 1);
  EXPECT_EQ(c.pinsOffTree, 0);
}

TEST(TreeCheckTest, LadderRungsJoinOnlyTheirOwnRails) {
  // Verticals each spanning two neighbouring horizontals pair them up; no
  // pair may leak into the next through the sweep's shortcuts.
  std::vector<Piece> p;
  std::vector<Point> pins;
  for (int k = 0; k < 50; ++k) {
    float y = 10.0f * k;
    p.push_back(seg(0, y, 100, y));
    p.push_back(seg(0, y + 1, 100, y + 1));
    p.push_back(seg(50.0f + k % 7, y, 50.0f + k % 7, y + 1));
    pins.push_back({0, y});
  }
  EXPECT_EQ(checkTree(pins, {}, p).pinParts, 50);
}

// The obvious answers, pair by pair, on small integer instances.
struct SlowCheck {
  long pinsOffTree = 0;
  long pinParts = 0;
  double wireLength = 0;
  std::vector<long> crossingPieces;
};

bool isDiag(const Piece& p) {
  return p.x1 != p.x2 && p.y1 != p.y2;
}

bool slowOnPiece(const Piece& p, float x, float y) {
  // Small halves and integers: exact in double.
  double cross = (static_cast<double>(x) - p.x1) * (p.y2 - p.y1) -
                 (static_cast<double>(y) - p.y1) * (p.x2 - p.x1);
  return cross == 0 && std::min(p.x1, p.x2) <= x && x <= std::max(p.x1, p.x2) &&
         std::min(p.y1, p.y2) <= y && y <= std::max(p.y1, p.y2);
}

bool slowMeet(const Piece& a, const Piece& b) {
  if (!isDiag(a) && !isDiag(b)) {
    return std::min(a.x1, a.x2) <= std::max(b.x1, b.x2) &&
           std::min(b.x1, b.x2) <= std::max(a.x1, a.x2) &&
           std::min(a.y1, a.y2) <= std::max(b.y1, b.y2) &&
           std::min(b.y1, b.y2) <= std::max(a.y1, a.y2);
  }
  return slowOnPiece(a, b.x1, b.y1) || slowOnPiece(a, b.x2, b.y2) ||
         slowOnPiece(b, a.x1, a.y1) || slowOnPiece(b, a.x2, a.y2);
}

bool strictlyIn(const Rect& r, long double x, long double y) {
  return r.xlo < x && x < r.xhi && r.ylo < y && y < r.yhi;
}

// Tries a point between every two neighbouring places where the piece
// meets a grid line: between them it is wholly inside or wholly outside.
bool slowCrosses(const Piece& p, const Rect& r) {
  if (p.x1 == p.x2 && p.y1 == p.y2) {
    return strictlyIn(r, p.x1, p.y1);
  }
  std::vector<long double> ts = {0, 1};
  long double dx = p.x2 - p.x1, dy = p.y2 - p.y1;
  for (int g = -20; g <= 40; ++g) {
    if (dx != 0) {
      ts.push_back((g - p.x1) / dx);
    }
    if (dy != 0) {
      ts.push_back((g - p.y1) / dy);
    }
  }
  std::sort(ts.begin(), ts.end());
  for (size_t k = 0; k + 1 < ts.size(); ++k) {
    long double t = (ts[k] + ts[k + 1]) / 2;
    if (t > 0 && t < 1 && strictlyIn(r, p.x1 + t * dx, p.y1 + t * dy)) {
      return true;
    }
  }
  return false;
}

SlowCheck slowCheck(const std::vector<Point>& pins,
                    const std::vector<Rect>& rects,
                    const std::vector<Piece>& pieces) {
  size_t np = pieces.size(), n = np + pins.size();
  std::vector<size_t> parent(n);
  std::iota(parent.begin(), parent.end(), 0);
  auto find = [&](size_t a) {
    while (parent[a] != a) {
      a = parent[a];
    }
    return a;
  };
  auto unite = [&](size_t a, size_t b) { parent[find(a)] = find(b); };
  for (size_t i = 0; i < np; ++i) {
    for (size_t j = i + 1; j < np; ++j) {
      if (slowMeet(pieces[i], pieces[j])) {
        unite(i, j);
      }
    }
  }
  SlowCheck s;
  for (size_t k = 0; k < pins.size(); ++k) {
    bool on = false;
    for (size_t i = 0; i < np; ++i) {
      if (slowOnPiece(pieces[i], pins[k].x, pins[k].y)) {
        unite(np + k, i);
        on = true;
      }
    }
    for (size_t j = 0; j < k; ++j) {
      if (pins[j].x == pins[k].x && pins[j].y == pins[k].y) {
        unite(np + k, np + j);
      }
    }
    s.pinsOffTree += np > 0 && !on ? 1 : 0;
  }
  std::set<size_t> roots;
  for (size_t k = 0; k < pins.size(); ++k) {
    roots.insert(find(np + k));
  }
  s.pinParts = static_cast<long>(roots.size());
  std::set<std::tuple<float, float, int>> units;
  std::set<std::tuple<float, float, float, float>> diagonals;
  for (size_t i = 0; i < np; ++i) {
    const Piece& p = pieces[i];
    if (isDiag(p)) {
      auto a = std::make_pair(p.x1, p.y1), b = std::make_pair(p.x2, p.y2);
      diagonals.insert(
          a < b ? std::make_tuple(a.first, a.second, b.first, b.second)
                : std::make_tuple(b.first, b.second, a.first, a.second));
    } else if (p.y1 == p.y2) {
      for (float x = std::min(p.x1, p.x2); x < std::max(p.x1, p.x2); ++x) {
        units.emplace(x, p.y1, 0);
      }
    } else {
      for (float y = std::min(p.y1, p.y2); y < std::max(p.y1, p.y2); ++y) {
        units.emplace(p.x1, y, 1);
      }
    }
    for (const Rect& r : rects) {
      if (slowCrosses(p, r)) {
        s.crossingPieces.push_back(static_cast<long>(i));
        break;
      }
    }
  }
  s.wireLength = static_cast<double>(units.size());
  for (const auto& d : diagonals) {
    s.wireLength += std::abs(std::get<2>(d) - std::get<0>(d)) +
                    std::abs(std::get<3>(d) - std::get<1>(d));
  }
  return s;
}

TEST(TreeCheckTest, AgreesWithPairByPairChecksOnRandomInstances) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    auto coord = [&](int lo, int hi) {
      return static_cast<float>(
          std::uniform_int_distribution<int>(lo, hi)(rng));
    };
    std::vector<Rect> rects;
    for (int k = static_cast<int>(coord(0, 4)); k > 0; --k) {
      float x = coord(0, 10), y = coord(0, 10);
      rects.push_back({x, y, x + coord(1, 4), y + coord(1, 4)});
    }
    std::vector<Piece> pieces;
    // Odd seeds: few pieces, even seeds: a crowd.
    for (int k = static_cast<int>(coord(0, seed % 2 ? 14 : 60)); k > 0; --k) {
      float x = coord(0, 12), y = coord(0, 12);
      int kind = static_cast<int>(coord(0, 9));
      float len = coord(0, 6) * (coord(0, 1) == 0 ? 1 : -1);
      if (kind < 4) {
        pieces.push_back(seg(x, y, x + len, y));
      } else if (kind < 8) {
        pieces.push_back(seg(x, y, x, y + len));
      } else {
        pieces.push_back(seg(x, y, x + len, y + coord(-4, 4)));
      }
    }
    std::vector<Point> pins;
    for (int k = static_cast<int>(coord(0, 6)); k > 0; --k) {
      if (!pieces.empty() && coord(0, 1) == 0) {
        // A point of a piece, often one of its interior grid points.
        const Piece& p = pieces[static_cast<size_t>(
            coord(0, static_cast<int>(pieces.size()) - 1))];
        float t = coord(0, 2) / 2;
        pins.push_back({p.x1 + t * (p.x2 - p.x1), p.y1 + t * (p.y2 - p.y1)});
      } else {
        pins.push_back({coord(0, 12), coord(0, 12)});
      }
    }
    TreeCheck c = checkTree(pins, rects, pieces);
    SlowCheck s = slowCheck(pins, rects, pieces);
    EXPECT_EQ(c.pinsOffTree, s.pinsOffTree);
    EXPECT_EQ(c.pinParts, s.pinParts);
    EXPECT_EQ(c.wireLength, s.wireLength);
    EXPECT_EQ(c.crossingPieces, s.crossingPieces);
  }
}

TEST(TreeCheckTest, AGridTreeOverAGeneratedInstanceIsLegal) {
  GenOptions opt;
  opt.pins = 400;
  opt.obstacles = 60;
  opt.xMax = opt.yMax = 200;
  opt.seed = 7;
  Instance inst;
  std::string err;
  ASSERT_TRUE(generateInstance(opt, inst, err)) << err;
  std::vector<Piece> tree = gridTree(inst.pins, inst.rects, 200, 200);
  TreeCheck c = checkTree(inst.pins, inst.rects, tree);
  EXPECT_TRUE(c.legal()) << formatReport(c);
  EXPECT_EQ(c.totalLength, c.wireLength);
  // Taking out a piece in the middle of a path splits the tree.
  tree.erase(tree.begin() + static_cast<long>(tree.size() / 2));
  c = checkTree(inst.pins, inst.rects, tree);
  EXPECT_FALSE(c.legal());
}

TEST(SteinerPointsTest, FindsTeesAndCrossesButNotCornersOrPins) {
  struct Case {
    const char* what;
    std::vector<Piece> pieces;
    std::vector<Point> pins;
    std::vector<std::pair<float, float>> expected;
  };
  const Case cases[] = {
      {"L corner", {seg(0, 0, 2, 0), seg(2, 0, 2, 2)}, {}, {}},
      {"straight join", {seg(0, 0, 2, 0), seg(2, 0, 5, 0)}, {}, {}},
      {"T on an interior", {seg(0, 0, 4, 0), seg(2, 0, 2, 3)}, {}, {{2, 0}}},
      {"T of three ends",
       {seg(0, 0, 2, 0), seg(2, 0, 4, 0), seg(2, 0, 2, 3)},
       {},
       {{2, 0}}},
      {"cross in both interiors",
       {seg(0, 2, 4, 2), seg(2, 0, 2, 4)},
       {},
       {{2, 2}}},
      {"T at a pin", {seg(0, 0, 4, 0), seg(2, 0, 2, 3)}, {{2, 0}}, {}},
      {"repeated leg adds nothing",
       {seg(0, 0, 2, 0), seg(0, 0, 2, 0), seg(2, 0, 2, 2)},
       {},
       {}},
      {"overlap ending inside", {seg(0, 0, 4, 0), seg(1, 0, 3, 0)}, {}, {}},
      {"diagonal leg", {seg(0, 0, 4, 0), seg(2, 0, 3, 3)}, {}, {{2, 0}}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    std::vector<std::pair<float, float>> got;
    for (const Point& q : findSteinerPoints(k.pins, k.pieces)) {
      got.emplace_back(q.x, q.y);
    }
    EXPECT_EQ(got, k.expected);
  }
}

TEST(TreeReportTest, WritesOneNameValueLineEachOrOneJsonObject) {
  TreeCheck c =
      checkTree({{0, 0}, {3, 2}, {7, 7}}, {{1, -1, 2, 1}},
                {seg(0, 0, 3, 0), seg(3, 0, 3, 2), seg(0.5f, 0, 1, 0)});
  EXPECT_EQ(formatReport(c),
            "pieces: 3\n"
            "diagonal pieces: 0\n"
            "total length: 5.5\n"
            "wire length: 5\n"
            "pins: 3\n"
            "obstacles: 1\n"
            "pins off the tree: 1\n"
            "parts holding pins: 2\n"
            "obstacle crossings: 1\n"
            "crossing length: 3\n"
            "legal: no\n");
  EXPECT_EQ(formatReportJson(c),
            "{\"pieces\":3,\"diagonalPieces\":0,\"totalLength\":5.5,"
            "\"wireLength\":5,\"pins\":3,\"obstacles\":1,\"pinsOffTree\":1,"
            "\"partsHoldingPins\":2,\"obstacleCrossings\":1,"
            "\"crossingLength\":3,\"legal\":false}\n");
}

TEST(TreeReportTest, LengthsPrintExactlyForLargeIntegerSums) {
  EXPECT_EQ(formatLength(123456789012.0), "123456789012");
  EXPECT_EQ(formatLength(0.1 + 0.2), "0.3");
  EXPECT_EQ(formatLength(0), "0");
}

// The hand-written tree files over the pins (0,6), (8,6), (4,0), (4,8) and
// the touching obstacles [2,4] x [2,6] and [4,6] x [2,6].
class TreecheckProgramTest : public ::testing::Test {
 protected:
  ToolRun check(const std::string& tree,
                const std::string& pins = "pins.txt",
                std::vector<std::string> extra = {}) {
    extra.push_back(kData + pins);
    extra.push_back(kData + "obstacles.txt");
    extra.push_back(kData + tree);
    return runTool(TREECHECK_PATH, extra);
  }
  static bool has(const ToolRun& r, const std::string& line) {
    return ("\n" + r.out).find("\n" + line + "\n") != std::string::npos;
  }
};

TEST_F(TreecheckProgramTest, RunAlongObstacleSidesIsLegal) {
  ToolRun r = check("alongSide.txt");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(has(r, "obstacle crossings: 0"));
  EXPECT_TRUE(has(r, "legal: yes"));
}

TEST_F(TreecheckProgramTest, CrossingIsIllegal) {
  ToolRun r = check("crossing.txt");
  EXPECT_EQ(r.status, 4);
  EXPECT_TRUE(has(r, "obstacle crossings: 1")) << r.out;
  EXPECT_TRUE(has(r, "crossing length: 8"));
  EXPECT_TRUE(has(r, "parts holding pins: 1"));
}

TEST_F(TreecheckProgramTest, OverlapCountsOnceInTheWireLength) {
  ToolRun r = check("overlap.txt");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(has(r, "total length: 18"));
  EXPECT_TRUE(has(r, "wire length: 16"));
}

TEST_F(TreecheckProgramTest, DisconnectedPieceMakesTwoParts) {
  ToolRun r = check("disconnected.txt");
  EXPECT_EQ(r.status, 4);
  EXPECT_TRUE(has(r, "parts holding pins: 2")) << r.out;
  EXPECT_TRUE(has(r, "pins off the tree: 0"));
}

TEST_F(TreecheckProgramTest, DiagonalPieceIsIllegal) {
  ToolRun r = check("diagonal.txt");
  EXPECT_EQ(r.status, 4);
  EXPECT_TRUE(has(r, "diagonal pieces: 1")) << r.out;
  EXPECT_TRUE(has(r, "obstacle crossings: 0")) << "it only touches a corner";
  EXPECT_TRUE(has(r, "parts holding pins: 1"));
  EXPECT_TRUE(has(r, "total length: 24"));
}

TEST_F(TreecheckProgramTest, PinInTheMiddleOfASegmentIsOnTheTree) {
  ToolRun r = check("pinMidSegment.txt");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(has(r, "pins off the tree: 0"));
}

TEST_F(TreecheckProgramTest, SinglePinWithNoPiecesIsLegal) {
  ToolRun r = check("noPieces.txt", "onePin.txt");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(has(r, "pieces: 0"));
  EXPECT_TRUE(has(r, "parts holding pins: 1"));
  // Four pins and no pieces: four parts.
  r = check("noPieces.txt");
  EXPECT_EQ(r.status, 4);
  EXPECT_TRUE(has(r, "parts holding pins: 4"));
}

TEST_F(TreecheckProgramTest, JsonHoldsTheSameFigures) {
  ToolRun r = check("overlap.txt", "pins.txt", {"--json"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "{\"pieces\":3,\"diagonalPieces\":0,\"totalLength\":18,"
            "\"wireLength\":16,\"pins\":4,\"obstacles\":2,\"pinsOffTree\":0,"
            "\"partsHoldingPins\":1,\"obstacleCrossings\":0,"
            "\"crossingLength\":0,\"legal\":true}\n");
}

TEST_F(TreecheckProgramTest, UnreadableInputExitsWithTwoNamingFileAndLine) {
  ToolRun r = check("threePoints.txt");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("threePoints.txt, line 9: a third point line"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(r.out.empty());
  r = check("missing.txt");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("cannot open"), std::string::npos) << r.err;
  // The pin reader's own message: a corner file given as the pin file.
  r = check("alongSide.txt", "obstacles.txt");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("obstacles.txt: record 1, line 1"), std::string::npos)
      << r.err;
}

TEST_F(TreecheckProgramTest, UsageAndHelp) {
  // Two files are an STP file and a tree; a pin file is no STP file.
  ToolRun two = runTool(TREECHECK_PATH, {kData + "pins.txt", "b"});
  EXPECT_EQ(two.status, 1);
  EXPECT_NE(two.err.find("pins.txt is not an STP file"), std::string::npos)
      << two.err;
  EXPECT_EQ(runTool(TREECHECK_PATH, {"a"}).status, 1);
  ToolRun r = runTool(TREECHECK_PATH, {"--bogus", "a", "b", "c"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("unknown option --bogus"), std::string::npos);
  r = runTool(TREECHECK_PATH, {"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Usage: ./treecheck", 0), 0u);
  // --json used to be read as the nets file.
  r = runTool(TREECHECK_PATH, {"--nets", "--json", "n", "o", "t"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "treecheck: --nets needs a file; --json is an option\n"
            "Usage: ./treecheck [--json] PIN_POS_FILE RECT_OBSTS_FILE "
            "TREE_FILE\n"
            "Try 'treecheck --help' for more information.\n");
  r = runTool(TREECHECK_PATH, {"--jsno", "a", "b", "c"});
  EXPECT_NE(r.err.find("unknown option --jsno; did you mean --json?"),
            std::string::npos)
      << r.err;
}

// Read in single precision, 16777217 was 16777216: a tree that missed the
// pin by one was "legal: yes".
TEST_F(TreecheckProgramTest, SeesAPinThatSinglePrecisionWouldMerge) {
  std::string pins = tempPath("pins.txt"), obst = tempPath("obst.txt"),
              tree = tempPath("tree.txt");
  writeFile(pins, "0 0 pin\n16777217 0 pin\n-1 -1 pin\n");
  writeFile(obst, "-1 -1 corner\n");
  writeFile(tree, std::string(kBanner) + "0\t0\n16777216\t0\n\n");
  ToolRun r = runTool(TREECHECK_PATH, {pins, obst, tree});
  EXPECT_EQ(r.status, 4);
  EXPECT_TRUE(has(r, "pins off the tree: 1")) << r.out;
  EXPECT_TRUE(has(r, "total length: 16777216"));
}

TEST_F(TreecheckProgramTest, ReadsStpFilesAndRefusesNulInTrees) {
  std::string stp = TESTDATA_DIR "/stp/RC06.stp";
  ToolRun r =
      runTool(TREECHECK_PATH, {stp, GOLDEN_DIR "/expected/RC06.smtExact.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(has(r, "pins: 100"));
  EXPECT_TRUE(has(r, "obstacles: 500"));
  std::string tree = tempPath("tree.txt");
  writeFile(tree, std::string("0\t0\n3\t0\0junk\n\n", 14));
  r = runTool(TREECHECK_PATH, {stp, tree});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "treecheck: " + tree +
                       ", line 2: a NUL byte in '0\\x00junk'; the file "
                       "must be plain text\n");
}

// The tree zorvane writes for the bundled example, fresh from the program.
TEST_F(TreecheckProgramTest, TheExampleTreeIsLegal) {
  ProgramRun run;
  ASSERT_EQ(run.run(ZORVANE_PATH, "'" EXAMPLES_DIR "/pins.txt' '" EXAMPLES_DIR
                                  "/obstacles.txt' smt.txt"),
            0)
      << run.err;
  ToolRun r = runTool(TREECHECK_PATH,
                      {EXAMPLES_DIR "/pins.txt", EXAMPLES_DIR "/obstacles.txt",
                       run.path("smt.txt")});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(has(r, "legal: yes")) << r.out;
}

}  // namespace
