#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "check/checkTree.h"
#include "tests/gridTree.h"
#include "tests/toolRun.h"
#include "tools/treeGen.h"
#include "tools/treePlot.h"

namespace {

long count(const std::string& s, const std::string& what) {
  long n = 0;
  for (size_t at = s.find(what); at != std::string::npos;
       at = s.find(what, at + what.size())) {
    ++n;
  }
  return n;
}

// The stroke width of the path drawn in the given colour.
double strokeOf(const std::string& svg, const std::string& colour) {
  std::smatch m;
  std::regex re("stroke=\"" + colour + "\" stroke-width=\"([0-9.]+)\"");
  EXPECT_TRUE(std::regex_search(svg, m, re)) << colour;
  return m.empty() ? 0 : std::atof(m[1].str().c_str());
}

std::string plot(const std::vector<Point>& pins,
                 const std::vector<Rect>& rects,
                 const std::vector<Piece>& pieces,
                 long size = 0) {
  return plotSvg(pins, rects, pieces, checkTree(pins, rects, pieces),
                 findSteinerPoints(pins, pieces), size);
}

// Three pins joined by a T beside one obstacle.
class SmallPlotTest : public ::testing::Test {
 protected:
  std::vector<Point> pins = {{0, 0}, {10, 0}, {5, 8}};
  std::vector<Rect> rects = {{6, 2, 9, 6}};
  std::vector<Piece> tree = {{0, 0, 10, 0}, {5, 0, 5, 8}};
};

TEST_F(SmallPlotTest, DrawsEveryLayerOnceAndAFittingCaption) {
  std::string svg = plot(pins, rects, tree);
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_EQ(count(svg, "<svg "), 1);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
  EXPECT_EQ(count(svg, "z\"") + count(svg, "zM"), 1 + 1)
      << "one obstacle, one Steiner square";
  EXPECT_EQ(count(svg, "h0"), 3) << "one dot per pin";
  EXPECT_EQ(count(svg, "#e00000"), 0) << "nothing crosses";
  EXPECT_EQ(count(svg, "</text>"), 3 + 1) << "few pins are numbered";
  EXPECT_NE(svg.find(">wire length 18  \u00b7  3 pins  \u00b7  1 obstacle  "
                     "\u00b7  1 Steiner point  \u00b7  legal</text>"),
            std::string::npos)
      << svg;
}

TEST_F(SmallPlotTest, PinsColouredByStretch) {
  // The first pin and one on its shortest way are green; a pin that the
  // tree reaches at twice its distance or more is red; one without a
  // figure grey.
  std::vector<double> stretch = {1, 1, 2.5};
  std::string svg = plotSvg(pins, rects, tree, checkTree(pins, rects, tree),
                            findSteinerPoints(pins, tree), 0, "", &stretch);
  EXPECT_EQ(count(svg, "stroke=\"" + stretchColour(1) + "\""), 1);
  EXPECT_EQ(count(svg, "stroke=\"" + stretchColour(2.5) + "\""), 1);
  EXPECT_NE(stretchColour(1), stretchColour(2.5));
  EXPECT_EQ(stretchColour(2), stretchColour(7));
  EXPECT_NE(stretchColour(1.5), stretchColour(1));
  EXPECT_EQ(stretchColour(std::nan("")), "#999999");
  EXPECT_NE(svg.find("max 2.5 "), std::string::npos);
  EXPECT_EQ(plot(pins, rects, tree).find("stretch"), std::string::npos);
}

TEST_F(SmallPlotTest, ThePlaneIsDrawnWithYUpwards) {
  std::string svg = plot(pins, rects, tree, 1000);
  // The drawing is 1000 wide: (0, 0) and (10, 0) at the bottom left and
  // right within the margin, (5, 8) above them.
  std::smatch m;
  ASSERT_TRUE(std::regex_search(svg, m,
                                std::regex("stroke-linecap=\"round\" d=\"M([0-"
                                           "9.]+) ([0-9.]+)h0M([0-9.]+) ([0-9."
                                           "]+)h0M([0-9.]+) ([0-9.]+)h0\"")));
  double x0 = std::atof(m[1].str().c_str()), y0 = std::atof(m[2].str().c_str());
  double x1 = std::atof(m[3].str().c_str()), y1 = std::atof(m[4].str().c_str());
  double x2 = std::atof(m[5].str().c_str()), y2 = std::atof(m[6].str().c_str());
  EXPECT_LT(x0, x2);
  EXPECT_LT(x2, x1);
  EXPECT_EQ(y0, y1);
  EXPECT_LT(y2, y0);
  EXPECT_NEAR(x1 - x0, 1000 * 10 / 10.8, 0.01);
}

TEST_F(SmallPlotTest, CrossingsAreHighlightedAndNamedInTheCaption) {
  tree.push_back({5, 4, 10, 4});
  std::string svg = plot(pins, rects, tree);
  EXPECT_EQ(count(svg, "stroke=\"#e00000\""), 1);
  EXPECT_NE(svg.find("not legal: 1 crossing</text>"), std::string::npos);
}

// A diagonal piece used to be drawn blue like the legal ones.
TEST_F(SmallPlotTest, DiagonalPiecesAreRedToo) {
  tree.push_back({0, 0, 5, 8});
  std::string svg = plot(pins, rects, tree);
  EXPECT_NE(svg.find("stroke=\"#e00000\""), std::string::npos);
  EXPECT_NE(svg.find("not legal: 1 diagonal piece</text>"), std::string::npos);
}

// An illegal tree's long red caption used to run off the picture.
TEST_F(SmallPlotTest, ALongCaptionWrapsInsideThePicture) {
  tree = {{0, 0, 10, 0}, {5, 5, 9, 7}};
  std::string heading =
      "a-tree-file-with-a-rather-long-name.txt by zorvane over pins.txt and "
      "obstacles.txt";
  std::string svg = plotSvg(pins, rects, tree, checkTree(pins, rects, tree), {},
                            300, heading);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(svg, m, std::regex("width=\"([0-9.]+)\"")));
  double width = std::atof(m[1].str().c_str());
  long lines = 0;
  std::regex text(
      "<text x=\"([0-9.]+)\" y=\"[0-9.]+\" font-size=\"([0-9.]+)\""
      "[^>]*>([^<]*)</text>");
  for (std::sregex_iterator it(svg.begin(), svg.end(), text), end; it != end;
       ++it) {
    std::string words = (*it)[3].str();
    double font = std::atof((*it)[2].str().c_str());
    double right = std::atof((*it)[1].str().c_str()) +
                   0.6 * font * (words.size() - 4 * count(words, "\u00b7"));
    EXPECT_LE(right, width) << words;
    ++lines;
  }
  EXPECT_GE(lines, 4) << svg;
  EXPECT_NE(svg.find(">not legal: 1 crossing, 1 pin off the tree, 2 parts, 1 "
                     "diagonal piece</text>"),
            std::string::npos)
      << svg;
}

// RC12's 10 000 obstacles used to look like dust on its drawing.
TEST(TreePlotTest, SmallObstaclesKeepAFewPixels) {
  std::vector<Point> pins = {{0, 0}, {100000, 100000}};
  std::vector<Rect> rects = {{500, 500, 501, 501}};
  std::string svg = plot(pins, rects, {}, 1000);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(
      svg, m, std::regex("d=\"M[0-9.]+ [0-9.]+h([0-9.]+)v([0-9.]+)h")));
  EXPECT_GE(std::atof(m[1].str().c_str()), 2.0);
  EXPECT_GE(std::atof(m[2].str().c_str()), 2.0);
}

TEST_F(SmallPlotTest, SameInputSameBytes) {
  EXPECT_EQ(plot(pins, rects, tree), plot(pins, rects, tree));
}

TEST(TreePlotTest, EmptyOrDegenerateInputsStillMakeAPicture) {
  std::string empty = plot({}, {}, {});
  EXPECT_NE(empty.find("wire length 0  \u00b7  0 pins"), std::string::npos);
  std::string line = plot({{3, 5}, {9, 5}}, {}, {{3, 5, 9, 5}});
  EXPECT_EQ(line.find("nan"), std::string::npos);
  EXPECT_EQ(line.find("inf"), std::string::npos);
  EXPECT_NE(line.find("height=\""), std::string::npos);
}

// The grid tree over a generated instance: many pins, many obstacles.
std::string plotGenerated(long pins, long obstacles, long box) {
  GenOptions o;
  o.pins = pins;
  o.obstacles = obstacles;
  o.xMax = o.yMax = box;
  Instance inst;
  std::string err;
  EXPECT_TRUE(generateInstance(o, inst, err)) << err;
  return plot(inst.pins, inst.rects, gridTree(inst.pins, inst.rects, box, box));
}

TEST(TreePlotTest, StaysReadableFromTenPinsToTenThousand) {
  std::string small = plotGenerated(10, 5, 100);
  std::string large = plotGenerated(10000, 2000, 600);
  EXPECT_GT(strokeOf(small, "#1f5fbf"), strokeOf(large, "#1f5fbf"));
  EXPECT_GT(strokeOf(small, "#111111"), strokeOf(large, "#111111"));
  EXPECT_GE(strokeOf(large, "#1f5fbf"), 0.5) << "still visible";
  EXPECT_EQ(count(large, "</text>"), 1) << "only the caption at this size";
  EXPECT_EQ(count(large, "h0"), 10000);
}

// Rasterises a 10^4-pin picture where rsvg-convert is installed (Debian
// package librsvg2-bin); tools/renderCheck.sh does the same with timings.
TEST(TreePlotTest, ATenThousandPinPictureRenders) {
  if (!onPath("rsvg-convert")) {
    GTEST_SKIP() << "rsvg-convert is not installed";
  }
  std::string svg = tempPath("tree.svg"), png = tempPath("tree.png");
  writeFile(svg, plotGenerated(10000, 2000, 600));
  ToolRun r = runTool("rsvg-convert", {"--width", "1000", "-o", png, svg});
  EXPECT_EQ(r.status, 0) << r.err;
  std::string image = readFile(png);
  ASSERT_GT(image.size(), 1000u);
  EXPECT_EQ(image.substr(1, 3), "PNG");
}

TEST(TreeplotProgramTest, WritesThePictureOrSaysWhy) {
  std::string data = TESTDATA_DIR "/treecheck/";
  std::string out = tempPath("example.svg");
  ToolRun r = runTool(TREEPLOT_PATH,
                      {EXAMPLES_DIR "/pins.txt", EXAMPLES_DIR "/obstacles.txt",
                       GOLDEN_DIR "/expected/example.smt.txt", out});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(readFile(out).find("12 pins  \u00b7  4 obstacles"),
            std::string::npos);
  r = runTool(TREEPLOT_PATH, {data + "pins.txt", data + "obstacles.txt",
                              data + "threePoints.txt", out});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("threePoints.txt, line 9"), std::string::npos);
  r = runTool(TREEPLOT_PATH, {data + "pins.txt", data + "obstacles.txt",
                              data + "alongSide.txt", "/nonexistent/x.svg"});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(runTool(TREEPLOT_PATH, {data + "pins.txt", "b", "c"}).status, 1);
  EXPECT_EQ(runTool(TREEPLOT_PATH, {"--size", "3", "a", "b", "c", "d"}).status,
            1);
  // The picture must not replace the tree it draws.
  std::string tree = tempPath("tree.txt");
  writeFile(tree, readFile(data + "alongSide.txt"));
  r = runTool(TREEPLOT_PATH,
              {data + "pins.txt", data + "obstacles.txt", tree, tree});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("is named as an input and an output"), std::string::npos)
      << r.err;
  EXPECT_EQ(readFile(tree), readFile(data + "alongSide.txt"));
  EXPECT_EQ(runTool(TREEPLOT_PATH, {"--help"}).status, 0);
}

TEST(TreeplotProgramTest, TakesAnStpFileAndNamesTheFilesAndTheProgram) {
  std::string out = tempPath("rc01.svg");
  ToolRun r =
      runTool(TREEPLOT_PATH, {"--size=900", TESTDATA_DIR "/stp/RC01.stp",
                              GOLDEN_DIR "/expected/RC01.smt.txt", out});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string svg = readFile(out);
  EXPECT_NE(svg.find(">RC01.smt.txt by zorvane over RC01.stp</text>"),
            std::string::npos);
  EXPECT_NE(svg.find("width=\"900\""), std::string::npos);
  EXPECT_NE(svg.find("  \u00b7  legal</text>"), std::string::npos);
}

// A full disk used to leave a truncated picture behind.
TEST(TreeplotProgramTest, AFailedWriteLeavesTheOldPicture) {
  std::string out = tempPath("old.svg");
  writeFile(out, "old");
  ToolRun r =
      runTool("sh", {"-c", "trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\"",
                     TREEPLOT_PATH, TESTDATA_DIR "/stp/RC06.stp",
                     GOLDEN_DIR "/expected/RC06.smt.txt", out});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("treeplot: cannot write " + out + ": File too large"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(readFile(out), "old");
}

}  // namespace
