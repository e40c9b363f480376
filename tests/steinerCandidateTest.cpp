#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "geometry/edge.h"
#include "geometry/vertex.h"
#include "steiner/steinerCandidate.h"

namespace {

// The Steiner point of u over the piece from a to b.
struct Placed {
  Placed(float ux, float uy, float ax, float ay, float bx, float by)
      : u(ux, uy, "corner"),
        a(ax, ay, "pin"),
        b(bx, by, "pin"),
        e(&a, &b),
        c(&u, &e, &e, &e) {}
  Vertex u, a, b;
  Edge e;
  SteinerCandidate c;
};

TEST(SteinerCandidateTest, PointIsTheMedianOfEachCoordinate) {
  Placed p(0, 0, 2, 5, 6, 1);
  EXPECT_EQ(p.c.sx, 2.0f);
  EXPECT_EQ(p.c.sy, 1.0f);
}

// Only an applied candidate needs its vertex; it is made once, where the
// candidate said.
TEST(SteinerCandidateTest, PointVertexIsMadeOnDemandOnce) {
  Placed p(0, 0, 2, 5, 6, 1);
  EXPECT_EQ(p.c.s, nullptr);
  Vertex* s = p.c.makeSteinerPoint();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(p.c.s, s);
  EXPECT_EQ(s->x, 2.0f);
  EXPECT_EQ(s->y, 1.0f);
  EXPECT_EQ(s->type, "steinerPoint");
  EXPECT_FALSE(s->inTree);
  EXPECT_EQ(p.c.makeSteinerPoint(), s);
}

TEST(SteinerCandidateTest, PointInsideTheBoxIsUItself) {
  Placed p(3, 2, 2, 5, 6, 1);
  EXPECT_EQ(p.c.sx, 3.0f);
  EXPECT_EQ(p.c.sy, 2.0f);
  EXPECT_NE(p.c.makeSteinerPoint(), &p.u) << "s is a vertex of its own";
}

TEST(SteinerCandidateTest, PointAboveAHorizontalPieceLiesOnIt) {
  Placed p(4, 7, 1, 3, 9, 3);
  EXPECT_EQ(p.c.sx, 4.0f);
  EXPECT_EQ(p.c.sy, 3.0f);
}

// A sum of the three less the extremes rounds: (2^24, 1, 1) gave -1, and
// (4e6, 0, 0.01) a y that none of them has. The median is one of them,
// every order alike.
TEST(SteinerCandidateTest, MedianIsOneOfTheThreeExactly) {
  const float big = 16777216.0f;
  Placed p(big, 0, 1, 0, 1, 0);
  EXPECT_EQ(p.c.sx, 1.0f);
  const float xs[][3] = {
      {big, 1, 1},           {-3, 8, 5},          {4, 4, 4}, {4e6f, 0, 0.01f},
      {0.125f, 4e6f, 0.01f}, {1e-45f, -1e-45f, 0}};
  for (const auto& v : xs) {
    float sorted[3] = {v[0], v[1], v[2]};
    std::sort(sorted, sorted + 3);
    int order[3] = {0, 1, 2};
    do {
      EXPECT_EQ(p.c.median(v[order[0]], v[order[1]], v[order[2]]), sorted[1]);
    } while (std::next_permutation(order, order + 3));
  }
}

// Equal arguments yield the second one, which only a signed zero shows.
TEST(SteinerCandidateTest, MaxAndMinKeepTheSecondOnATie) {
  Placed p(0, 0, 0, 0, 1, 1);
  EXPECT_TRUE(std::signbit(p.c.max(0.0f, -0.0f)));
  EXPECT_FALSE(std::signbit(p.c.max(-0.0f, 0.0f)));
  EXPECT_TRUE(std::signbit(p.c.min(0.0f, -0.0f)));
  EXPECT_EQ(p.c.max(2, 7), 7.0f);
  EXPECT_EQ(p.c.min(2, 7), 2.0f);
}

TEST(SteinerCandidateTest, PrintsAFreshCandidate) {
  Vertex u(0, 0, "corner");
  Vertex a(2, 5, "pin");
  Vertex b(6, 1, "pin");
  Vertex v(0, 3, "pin");
  u.pMstVerRoot = &v;
  Edge sub(&a, &b);
  Edge mst(&a, &b);
  mst.subEdges.push_back(&sub);
  Edge prime(&v, &a);
  SteinerCandidate c(&u, &sub, &mst, &prime);
  testing::internal::CaptureStdout();
  c.print();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Steiner Candidate:\n"
            "gain:        -1\n"
            "valid:       yes\n"
            "pQuery:      Warning: pQuery == NULL!\n"
            "pQueryPrime: Warning: pQueryPrime == NULL!\n"
            "u:           corner(0, 0)\n"
            "v:           pin(0, 3)\n"
            "s:           steinerPoint(2, 1)\n"
            "eSub:        Edge:\nstart: pin(2, 5)\nend  : pin(6, 1)\n"
            "sub-edges begin: \nsub-edges end\n"
            "eMst:        Edge:\nstart: pin(2, 5)\nend  : pin(6, 1)\n"
            "sub-edges begin: \n\tsub-edge:\n\tstart: pin(2, 5)\n"
            "\tend  : pin(6, 1)\nsub-edges end\n"
            "eMstPrime:   Edge:\nstart: pin(0, 3)\nend  : pin(2, 5)\n"
            "sub-edges begin: \nsub-edges end\n"
            "eVictim:     Warning: eVictim == NULL!\n"
            "longestEdgeBetweenQueryVer: Warning: "
            "longestEdgeBetweenQueryVer == NULL!\n"
            "\n");
}

TEST(SteinerCandidateTest, PrintsAMissingVAndAnswers) {
  Vertex u(1, 1, "corner");
  Vertex a(0, 0, "pin");
  Vertex b(4, 0, "pin");
  Edge sub(&a, &b);
  SteinerCandidate c(&u, &sub, &sub, &sub);
  c.valid = false;
  c.gain = 2.5f;
  c.pQuery = &a;
  c.pQueryPrime = &b;
  testing::internal::CaptureStdout();
  c.print();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("gain:        2.5\nvalid:       no\n"), std::string::npos);
  EXPECT_NE(out.find("pQuery:      pin(0, 0)\npQueryPrime: pin(4, 0)\n"),
            std::string::npos);
  EXPECT_NE(out.find("v:           Warning: v == NULL!\n"), std::string::npos);
}

std::vector<std::unique_ptr<SteinerCandidate>> withGains(
    Edge& e, const std::vector<float>& gains) {
  std::vector<std::unique_ptr<SteinerCandidate>> cs;
  for (float g : gains) {
    cs.push_back(std::make_unique<SteinerCandidate>(e.pStart, &e, &e, &e));
    cs.back()->gain = g;
  }
  return cs;
}

TEST(SteinerCandidateLargerTest, StrictlyLargerGainFirst) {
  Vertex a(0, 0, "pin"), b(1, 0, "pin");
  Edge e(&a, &b);
  auto cs = withGains(e, {3, 3, 5});
  SteinerCandidateLarger larger;
  EXPECT_TRUE(larger(cs[2].get(), cs[0].get()));
  EXPECT_FALSE(larger(cs[0].get(), cs[2].get()));
  EXPECT_FALSE(larger(cs[0].get(), cs[1].get()));
  EXPECT_FALSE(larger(cs[1].get(), cs[0].get()));
}

// A NaN compared plainly would be equal to every gain, an order no sort
// may be given; it ranks last instead, where the insertion walk never
// reaches it.
TEST(SteinerCandidateLargerTest, NanGainRanksLast) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  Vertex a(0, 0, "pin"), b(1, 0, "pin");
  Edge e(&a, &b);
  std::vector<float> gains;
  for (int k = 0; k < 60; ++k) {
    gains.push_back(k % 3 == 0 ? nan : static_cast<float>((k * 37) % 11) - 5);
  }
  auto cs = withGains(e, gains);
  SteinerCandidateLarger larger;
  EXPECT_FALSE(larger(cs[0].get(), cs[0].get()));
  EXPECT_TRUE(larger(cs[1].get(), cs[0].get()));
  EXPECT_FALSE(larger(cs[0].get(), cs[1].get()));
  std::vector<SteinerCandidate*> sorted;
  for (auto& c : cs) {
    sorted.push_back(c.get());
  }
  std::sort(sorted.begin(), sorted.end(), larger);
  size_t numbers = 40;
  for (size_t k = 0; k < sorted.size(); ++k) {
    SCOPED_TRACE("place " + std::to_string(k));
    EXPECT_EQ(std::isnan(sorted[k]->gain), k >= numbers);
    if (k > 0 && k < numbers) {
      EXPECT_GE(sorted[k - 1]->gain, sorted[k]->gain);
    }
  }
}

}  // namespace
