#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "drivers/readInput.h"
#include "geometry/vertex.h"

namespace {

// Owns what a reader made, so a failing case leaks nothing.
struct Read {
  ~Read() {
    for (Vertex* v : out) {
      delete v;
    }
  }
  bool pins(const std::string& text) {
    return parsePins(text, "pins.txt", out, error);
  }
  bool obstacles(const std::string& text) {
    return parseObstacles(text, "obst.txt", out, error);
  }
  std::vector<Vertex*> out;
  std::string error;
};

TEST(ReadPinsTest, StopsAtEndMarkerAndIgnoresTheRest) {
  Read r;
  ASSERT_TRUE(r.pins("1 2 pin\n3 4 pin\n-1 -1 pin\nnot a record at all"));
  ASSERT_EQ(r.out.size(), 2u);
  EXPECT_EQ(r.out[1]->x, 3);
  EXPECT_EQ(r.out[1]->y, 4);
  EXPECT_TRUE(r.out[0]->isAPin());
}

// Short integers take a path of their own; every spelling must still give
// the float that strtof gives, sign of zero included.
TEST(ReadPinsTest, NumbersReadAsStrtofReadsThem) {
  const char* const words[] = {"0",       "-0",       "7",        "-7",
                               "007",     "+5",       "1234567",  "-1234567",
                               "9999999", "12345678", "16777217", "0.5",
                               "-0.0",    "1e3",      "-",        "12a"};
  for (const char* w : words) {
    SCOPED_TRACE(w);
    Read r;
    char* end = nullptr;
    float want = std::strtof(w, &end);
    bool number = end != w && *end == '\0';
    ASSERT_EQ(r.pins(std::string(w) + " 1 pin\n"), number) << r.error;
    if (number) {
      ASSERT_EQ(r.out.size(), 1u);
      EXPECT_EQ(r.out[0]->x, want);
      EXPECT_EQ(std::signbit(r.out[0]->x), std::signbit(want));
    }
  }
}

TEST(ReadPinsTest, EndOfFileWithoutMarkerKeepsEveryPinOnce) {
  for (std::string text : {"1 2 pin\n3 4 pin\n", "1 2 pin\n3 4 pin"}) {
    Read r;
    ASSERT_TRUE(r.pins(text));
    EXPECT_EQ(r.out.size(), 2u);
  }
}

TEST(ReadPinsTest, LoneMinusOneEndsTheList) {
  Read r;
  ASSERT_TRUE(r.pins("1 2 pin\n-1"));
  EXPECT_EQ(r.out.size(), 1u);
}

TEST(ReadPinsTest, PinAtMinusOneIsTheEndMarker) {
  Read r;
  ASSERT_TRUE(r.pins("1 2 pin\n-1 7 pin\n5 5 pin\n"));
  EXPECT_EQ(r.out.size(), 1u);
}

TEST(ReadPinsTest, AcceptsEveryFloatForm) {
  Read r;
  ASSERT_TRUE(r.pins("12 12.5 pin -3 1.25e1 pin\t-0.5\n\n7 pin"));
  ASSERT_EQ(r.out.size(), 3u);
  EXPECT_EQ(r.out[1]->x, -3);
  EXPECT_EQ(r.out[1]->y, 12.5);
  EXPECT_EQ(r.out[2]->y, 7);
}

TEST(ReadPinsTest, NegativeAndLargeCoordinatesAreOrdinary) {
  Read r;
  ASSERT_TRUE(r.pins("-5e5 3e6 pin\n-1.5 -2 pin\n"));
  EXPECT_EQ(r.out[0]->x, -5e5f);
  EXPECT_EQ(r.out[1]->x, -1.5f);
}

// A bad token used to end the reading silently and drop what followed.
TEST(ReadPinsTest, NonNumberNamesFileRecordAndLine) {
  Read r;
  EXPECT_FALSE(r.pins("1 2 pin\n3 4 pin\n5 x6 pin\n7 8 pin\n"));
  EXPECT_TRUE(r.out.empty());
  EXPECT_NE(r.error.find("pins.txt"), std::string::npos) << r.error;
  EXPECT_NE(r.error.find("record 3"), std::string::npos) << r.error;
  EXPECT_NE(r.error.find("line 3"), std::string::npos) << r.error;
  EXPECT_NE(r.error.find("'x6'"), std::string::npos) << r.error;
}

TEST(ReadPinsTest, IncompleteLastRecordIsAnError) {
  Read r;
  EXPECT_FALSE(r.pins("1 2 pin\n3 4\n"));
  EXPECT_NE(r.error.find("record 2"), std::string::npos) << r.error;
  EXPECT_TRUE(r.out.empty());
}

TEST(ReadPinsTest, NonFiniteCoordinateIsAnError) {
  for (std::string bad : {"nan", "inf", "-inf", "1e39"}) {
    SCOPED_TRACE(bad);
    Read r;
    EXPECT_FALSE(r.pins("1 2 pin\n3 " + bad + " pin\n"));
    EXPECT_NE(r.error.find("record 2"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("finite"), std::string::npos) << r.error;
  }
}

// A pin record with another word would be no pin at all, silently.
TEST(ReadPinsTest, TypeWordMustBePin) {
  Read r;
  EXPECT_FALSE(r.pins("1 2 pin\n3 4 Pin\n"));
  EXPECT_NE(r.error.find("'Pin'"), std::string::npos) << r.error;
}

TEST(ReadPinsTest, FailureKeepsWhatTheListHeldBefore) {
  Read r;
  r.out.push_back(new Vertex(0, 0, "pin"));
  EXPECT_FALSE(r.pins("1 2 pin\nx"));
  EXPECT_EQ(r.out.size(), 1u);
}

TEST(ReadObstaclesTest, LinksEachRectangleIntoARingInFileOrder) {
  Read r;
  r.out.push_back(new Vertex(9, 9, "pin"));
  ASSERT_TRUE(
      r.obstacles("0 0 corner 4 0 corner 4 2 corner 0 2 corner -1 -1 corner"));
  ASSERT_EQ(r.out.size(), 5u);
  Vertex* c0 = r.out[1];
  EXPECT_TRUE(c0->isACorner());
  EXPECT_EQ(c0->pNextCorner, r.out[2]);
  EXPECT_EQ(r.out[2]->pNextCorner, r.out[3]);
  EXPECT_EQ(r.out[3]->pNextCorner, r.out[4]);
  EXPECT_EQ(r.out[4]->pNextCorner, c0);
  EXPECT_EQ(c0->pPrevCorner, r.out[4]);
  EXPECT_EQ(r.out[2]->pPrevCorner, c0);
  EXPECT_EQ(r.out[4]->x, 0);
  EXPECT_EQ(r.out[4]->y, 2);
}

TEST(ReadObstaclesTest, AcceptsBothDirectionsAndAnyStartingCorner) {
  Read r;
  ASSERT_TRUE(
      r.obstacles("0 0 corner 0 2 corner 4 2 corner 4 0 corner\n"
                  "4 2 corner 0 2 corner 0 0 corner 4 0 corner\n"));
  EXPECT_EQ(r.out.size(), 8u);
}

TEST(ReadObstaclesTest, MinusOneAfterAGroupsFirstRecordIsACoordinate) {
  Read r;
  ASSERT_TRUE(r.obstacles("0 -1 corner -1 -1 corner -1 2 corner 0 2 corner\n"));
  EXPECT_EQ(r.out.size(), 4u);
}

// A group cut short used to be dropped without a word.
TEST(ReadObstaclesTest, GroupCutShortNamesTheRectangle) {
  Read r;
  EXPECT_FALSE(
      r.obstacles("0 0 corner 4 0 corner 4 2 corner 0 2 corner\n"
                  "10 10 corner\n12 10 corner\n"));
  EXPECT_TRUE(r.out.empty());
  EXPECT_NE(r.error.find("rectangle 2"), std::string::npos) << r.error;
  EXPECT_NE(r.error.find("obst.txt"), std::string::npos) << r.error;
}

TEST(ReadObstaclesTest, NonRectangleIsAnError) {
  const char* bad[] = {
      "0 0 corner 4 0 corner 0 2 corner 4 2 corner",  // corners crossed
      "0 0 corner 4 0 corner 4 0 corner 0 0 corner",  // zero height
      "0 0 corner 4 1 corner 4 2 corner 0 2 corner",  // slanted side
      "0 0 corner 4 0 corner 4 2 corner 1 2 corner",  // not closed
      "0 0 corner 0 0 corner 0 0 corner 0 0 corner",  // a point
  };
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    Read r;
    EXPECT_FALSE(r.obstacles(text));
    EXPECT_NE(r.error.find("rectangle 1 (records 1 to 4"), std::string::npos)
        << r.error;
  }
}

TEST(ReadObstaclesTest, TypeWordMustBeCorner) {
  Read r;
  EXPECT_FALSE(r.obstacles("0 0 corner 4 0 corner 4 2 pin 0 2 corner"));
  EXPECT_NE(r.error.find("record 3"), std::string::npos) << r.error;
}

TEST(ReadFileTest, MissingFileIsNamed) {
  std::vector<Vertex*> out;
  std::string error;
  EXPECT_FALSE(readPinFile("/nonexistent/pins.txt", out, error));
  EXPECT_NE(error.find("/nonexistent/pins.txt"), std::string::npos);
  EXPECT_TRUE(out.empty());
}

TEST(ReadFileTest, ReadsTheExample) {
  std::vector<Vertex*> out;
  std::string error;
  ASSERT_TRUE(readPinFile(EXAMPLES_DIR "/pins.txt", out, error)) << error;
  ASSERT_TRUE(readObstacleFile(EXAMPLES_DIR "/obstacles.txt", out, error))
      << error;
  EXPECT_EQ(out.size(), 12u + 16u);
  for (Vertex* v : out) {
    delete v;
  }
}

}  // namespace
