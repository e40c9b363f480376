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
                               "9999999", "12345678", "16777216", "0.5",
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

// 16777217 used to be read as 16777216, and -0.99999999 as the end marker
// -1, which dropped every pin after it; 0.30000001 was taken and written
// back as 0.3.
TEST(ReadPinsTest, CoordinatesAreExactAsWrittenOrRefused) {
  struct Case {
    const char* token;
    const char* becomes;  // nullptr: accepted
  };
  const Case cases[] = {
      {"0.1", nullptr},
      {"12.5", nullptr},
      {"1e3", nullptr},
      {"16777216", nullptr},
      {"-2.5e-3", nullptr},
      {"123456.7", nullptr},
      {"33554432", nullptr},
      {"99992016", nullptr},
      {"1e38", nullptr},
      {"0.3", nullptr},
      {"1.4013e-45", nullptr},
      {"1234.100000", nullptr},
      {"16777216.000", nullptr},
      {"16777217", "16777216"},
      {"-0.99999999", "-1"},
      {"100000010", "100000008"},
      {"16777217.0", "16777216"},
      {"1234.1000001", "1234.1"},
      {"1e-50", "0"},
      {"8.589973e9", "8589973504"},
      // Each reads as a float that the writers print as another number.
      {"1.0000001e8", "100000008"},
      {"99992020", "99992016"},
      {"0.30000001", "0.3"},
      {"1e-45", "1.4013e-45"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.token);
    Read r;
    bool ok = r.pins("5 5 pin\n" + std::string(c.token) + " 2 pin\n7 7 pin\n");
    if (!c.becomes) {
      EXPECT_TRUE(ok) << r.error;
      EXPECT_EQ(r.out.size(), 3u);
      continue;
    }
    EXPECT_FALSE(ok);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.error, std::string("pins.txt: record 2, line 2: '") + c.token +
                           "' (x coordinate) cannot be held exactly in "
                           "single precision: it would become " +
                           c.becomes);
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

// The mark used to make the first number "not a number", invisibly.
TEST(ReadPinsTest, LeadingByteOrderMarkIsSkipped) {
  Read r;
  ASSERT_TRUE(
      r.pins("\xef\xbb\xbf"
             "0 0 pin\n1 2 pin\n"))
      << r.error;
  ASSERT_EQ(r.out.size(), 2u);
  EXPECT_EQ(r.out[0]->x, 0);
  Read again;
  EXPECT_FALSE(
      again.pins("0 0 pin\n\xef\xbb\xbf"
                 "1 2 pin\n"));
  EXPECT_NE(again.error.find("'\\xef\\xbb\\xbf1' is not a number"),
            std::string::npos)
      << again.error;
}

// "7\0garbage" used to read as 7.
TEST(ReadPinsTest, NulAnywhereIsRefused) {
  const std::string text("0 0 pin\n7\0garbage 1 pin\n-1 -1 pin\n\0", 34);
  Read r;
  EXPECT_FALSE(r.pins(text));
  EXPECT_EQ(r.error,
            "pins.txt: record 2, line 2: a NUL byte in '7\\x00garbage'; the "
            "file must be plain text");
  Read after;
  EXPECT_FALSE(after.pins(std::string("0 0 pin -1 -1 pin\n\0", 19)))
      << "even after the end marker";
  Read obst;
  EXPECT_FALSE(obst.obstacles(
      std::string("0 0 corner 4 0 corner 4 2 corner 0 2 corner 9\0 9 c", 51)));
  EXPECT_EQ(
      obst.error.rfind("obst.txt: rectangle 2 (record 5), line 1: a NUL", 0),
      0u)
      << obst.error;
}

// The published obstacle-avoiding benchmarks: pins as DD lines, rectangles
// as RR lines.
TEST(ReadStpTest, PinsInOrderAndCornersCounterClockwise) {
  Input<float> in;
  std::string error;
  ASSERT_TRUE(parseStpText<float>(
      "\xef\xbb\xbf"
      "33D32945 STP File, STP Format Version 1.0\n\n"
      "SECTION Comments\nName \"t\"\nEND\n\nSECTION Graph\nNodes 2\n"
      "Obstacles 1\nEND\n\nSECTION Coordinates\nDD 1 80 8160\n"
      "DD 2 -1 0.5\nEND\n\nSECTION Obstacles\nRR 1 2 5 7\nEND\n\nEOF\n",
      "t.stp", in, error))
      << error;
  ASSERT_EQ(in.pins.size(), 2u);
  EXPECT_EQ(in.pins[1].x, -1) << "no end marker in an STP file";
  EXPECT_EQ(in.pins[1].y, 0.5);
  ASSERT_EQ(in.rects.size(), 1u);
  const float want[4][2] = {{1, 2}, {5, 2}, {5, 7}, {1, 7}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(in.rects[0][k].x, want[k][0]);
    EXPECT_EQ(in.rects[0][k].y, want[k][1]);
  }
  EXPECT_EQ(in.pinLines[1], 14);
  in.pinFile = in.obstacleFile = "t.stp";
  in.stp = true;
  EXPECT_EQ(in.pinName(1), "t.stp, line 14 (DD 2)");
  EXPECT_EQ(in.rectName(0), "t.stp, line 18 (RR 1)");
}

TEST(ReadStpTest, MalformedFilesNameTheLine) {
  const std::string head = "33D32945 STP File\n";
  const std::pair<std::string, std::string> cases[] = {
      {"STP File\n", "f.stp, line 1: an STP file starts with"},
      {head + "SECTION Coordinates\nDD 1 0 0\nDD 3 1 1\nEND\n",
       "f.stp, line 4 (DD 2): '3' where pin 2 comes next"},
      {head + "SECTION Coordinates\nDD 1 0 9007199254740993\nEND\n",
       "f.stp, line 3 (DD 1): '9007199254740993' (y coordinate) cannot be "
       "held exactly in double precision: it would become "
       "9007199254740992"},
      {head + "SECTION Obstacles\nRR 0 0 0 5\nEND\n",
       "f.stp, line 3 (RR 1): a rectangle needs XLO < XHI"},
      {head + "SECTION Obstacles\nRR 0 0 4\nEND\n",
       "f.stp, line 3: expected 'RR XLO YLO XHI YHI'"},
      {head + "SECTION Graph\nNodes 3\nEND\nSECTION Coordinates\n"
              "DD 1 0 0\nEND\n",
       "f.stp, line 3: Nodes 3, but the file holds 1 DD lines"},
      {head + "SECTION Coordinates\nDD 1 0 0\n",
       "f.stp, line 2: the file ends inside the section begun here"},
      {head + "SECTION Terminals\nT 1\nEND\n",
       "f.stp, line 2: a Terminals section"},
      {head + "DD 1 0 0\n", "f.stp, line 2: 'DD' outside a section"},
      {head + "SECTION Graph\nEND\nEOF\n", "f.stp, line 1: no Coordinates"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    Input<double> in;
    std::string error;
    EXPECT_FALSE(parseStpText(c.first, "f.stp", in, error));
    EXPECT_EQ(error.rfind(c.second, 0), 0u) << error;
    EXPECT_TRUE(in.pins.empty() && in.rects.empty());
  }
}

// Files with old Mac line ends (CR alone) numbered every record line 1, and
// an STP file read as one line; CR, LF and CRLF must read alike.
TEST(ReadLineEndsTest, CrLfAndCrlfReadAndNumberLinesAlike) {
  auto ended = [](const std::string& text, const std::string& end) {
    std::string out;
    for (char c : text) {
      out += c == '\n' ? end : std::string(1, c);
    }
    return out;
  };
  const std::string pins = "0 0 pin\n1 1 pin\n\n2 x pin\n";
  const std::string nul = std::string("0 0 pin\n\n1 1\0 pin\n", 18);
  const std::string obstacles =
      "0 0 corner\n4 0 corner\n4 2 corner\n0 2 corner\n\n0 0 corner\n"
      "1 0 corner\n";
  const std::string nets = "0 0 pin\n-1 -1 pin\n\n5 5 pin\n6 y pin\n";
  const std::string stp =
      "33D32945 STP File\n\nSECTION Coordinates\nDD 1 0 0\nDD 2 6 4\n"
      "END\nSECTION Obstacles\nRR 2 1 4\nEND\nEOF\n";
  std::vector<std::string> lf;
  for (const char* end : {"\n", "\r", "\r\n"}) {
    SCOPED_TRACE(end == std::string("\r") ? "CR" : end[1] ? "CRLF" : "LF");
    std::vector<std::string> errors(5);
    Read r;
    EXPECT_FALSE(r.pins(ended(pins, end)));
    errors[0] = r.error;
    EXPECT_FALSE(r.pins(ended(nul, end)));
    errors[1] = r.error;
    EXPECT_FALSE(r.obstacles(ended(obstacles, end)));
    errors[2] = r.error;
    std::vector<InputPoint<float>> netPins;
    std::vector<size_t> netEnds;
    EXPECT_FALSE(parseNetsText(ended(nets, end), "nets.txt", netPins, netEnds,
                               errors[3]));
    Input<float> in;
    std::string text = ended(stp, end);
    EXPECT_FALSE(parseStpText(text, "f.stp", in, errors[4]));
    text.replace(text.find("RR 2 1 4"), 8, "RR 2 1 4 3");
    EXPECT_TRUE(parseStpText(text, "f.stp", in, errors[4])) << errors[4];
    EXPECT_EQ(in.pins.size(), 2u);
    EXPECT_EQ(in.rects.size(), 1u);
    if (lf.empty()) {
      lf = errors;
      EXPECT_EQ(errors[0],
                "pins.txt: record 3, line 4: 'x' is not a number (y "
                "coordinate)");
      EXPECT_EQ(errors[1].rfind("pins.txt: record 2, line 3: a NUL byte", 0),
                0u)
          << errors[1];
      EXPECT_EQ(errors[2].rfind("obst.txt: rectangle 2 (record 7), line 8", 0),
                0u)
          << errors[2];
      EXPECT_EQ(errors[3].rfind("nets.txt: record 4, line 5:", 0), 0u)
          << errors[3];
      EXPECT_EQ(errors[4].rfind("f.stp, line 8: expected 'RR", 0), 0u)
          << errors[4];
    } else {
      EXPECT_EQ(errors, lf);
    }
  }
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
