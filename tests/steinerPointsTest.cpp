#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "geometry/edge.h"
#include "geometry/vertex.h"
#include "router/router.h"
#include "steiner/mergingTree.h"
#include "steiner/steinerCandidate.h"
#include "tests/legalTree.h"
#include "tests/scene.h"

namespace {

// A vertex that is no pin, joined only by the edges a test makes: a corner
// whose ring is itself, never walked since these tests add no sides.
Vertex* addPoint(Scene& s, float x, float y) {
  return s.addCorners({{x, y}})[0];
}

void buildTree(Router& r) {
  r.extendedDijkstraForPinForest();
  r.extendedKruskal();
}

Edge* mstEdgeBetween(const Router& r, const Vertex* a, const Vertex* b) {
  for (Edge* m : r.mstEdges) {
    if ((m->pStart == a && m->pEnd == b) || (m->pStart == b && m->pEnd == a)) {
      return m;
    }
  }
  return nullptr;
}

// The first candidate, in the current list order, of u over the piece
// from a to b.
SteinerCandidate* candidateOf(const Router& r,
                              const Vertex* u,
                              const Vertex* a,
                              const Vertex* b) {
  for (SteinerCandidate* c : r.steinerCandidates) {
    if (c->u == u && c->eSub->pStart == a && c->eSub->pEnd == b) {
      return c;
    }
  }
  return nullptr;
}

float dist(const Vertex* a, const Vertex* b) {
  return std::fabs(a->x - b->x) + std::fabs(a->y - b->y);
}

// The tree's length: every distinct connection in mstNbrs, once.
double treeLength(const Router& r) {
  std::set<std::pair<const Vertex*, const Vertex*>> seen;
  double len = 0;
  for (const Vertex* a : r.vertices) {
    for (const Vertex* b : a ? a->mstNbrs : std::vector<Vertex*>{}) {
      if (b && seen.insert(std::minmax(a, b)).second) {
        len += dist(a, b);
      }
    }
  }
  return len;
}

// Distinct connections minus the vertices they join plus the separate parts
// they make: 0 for a forest, the number of independent cycles otherwise.
int cycles(const Router& r) {
  std::set<std::pair<const Vertex*, const Vertex*>> links;
  std::map<const Vertex*, const Vertex*> up;
  std::function<const Vertex*(const Vertex*)> root = [&](const Vertex* v) {
    return up[v] == v ? v : up[v] = root(up[v]);
  };
  for (const Vertex* a : r.vertices) {
    for (const Vertex* b : a ? a->mstNbrs : std::vector<Vertex*>{}) {
      if (b) {
        links.insert(std::minmax(a, b));
        up.emplace(a, a);
        up.emplace(b, b);
      }
    }
  }
  int parts = static_cast<int>(up.size());
  for (const auto& [a, b] : links) {
    if (root(a) != root(b)) {
      up[root(a)] = root(b);
      --parts;
    }
  }
  return static_cast<int>(links.size()) - static_cast<int>(up.size()) + parts;
}

// The part of each pin, numbered by its first pin, over mstNbrs.
std::vector<int> pinParts(const Router& r) {
  std::map<const Vertex*, int> part;
  std::vector<int> out;
  int parts = 0;
  for (const Vertex* p : r.vertices) {
    if (!p || !p->isAPin()) {
      continue;
    }
    if (!part.count(p)) {
      int id = parts++;
      std::vector<const Vertex*> todo{p};
      part[p] = id;
      while (!todo.empty()) {
        const Vertex* a = todo.back();
        todo.pop_back();
        for (const Vertex* b : a->mstNbrs) {
          if (b && !part.count(b)) {
            part[b] = id;
            todo.push_back(b);
          }
        }
      }
    }
    out.push_back(part[p]);
  }
  return out;
}

bool lists(const std::vector<SteinerCandidate*>& l, const SteinerCandidate* c) {
  return std::find(l.begin(), l.end(), c) != l.end();
}

bool isVertex(const Router& r, const Vertex* v) {
  return v &&
         std::find(r.vertices.begin(), r.vertices.end(), v) != r.vertices.end();
}

TEST(GainComputationTest, SinglePieceBetweenTwoPinsMakesNoCandidate) {
  Scene s;
  Vertex* a = s.addPin(0, 0);
  Vertex* b = s.addPin(5, 2);
  Router& r = s.router();
  r.connectSgEdge(a, b);
  buildTree(r);
  r.gainComputation();
  EXPECT_TRUE(r.steinerCandidates.empty());
  r.addSteinerPoints();
  EXPECT_EQ(r.vertices.size(), 2u);
  EXPECT_EQ(a->mstNbrs, std::vector<Vertex*>{b});
}

TEST(GainComputationTest, NoPinsNoWalk) {
  Scene s;
  Vertex* c = addPoint(s, 1, 1);
  Vertex* d = addPoint(s, 4, 1);
  Router& r = s.router();
  r.connectSgEdge(c, d);
  buildTree(r);
  r.gainComputation();
  r.addSteinerPoints();
  EXPECT_TRUE(r.steinerCandidates.empty());
  EXPECT_FALSE(c->visited);
}

// Both tree vertices next to u lie inside the one spanning-tree edge, which
// is their first (and only) edge: eMstPrime is eMst for every candidate.
TEST(GainComputationTest, CandidateOnItsOwnEdgeIsInvalid) {
  Scene s;
  Vertex* a = s.addPin(0, 0);
  Vertex* b = s.addPin(10, 0);
  Vertex* c = addPoint(s, 5, 0);
  Vertex* u = addPoint(s, 5, 2);
  Router& r = s.router();
  r.connectSgEdge(a, c);
  r.connectSgEdge(c, b);
  r.connectSgEdge(u, c);
  buildTree(r);
  r.gainComputation();
  ASSERT_EQ(r.steinerCandidates.size(), 4u);
  for (SteinerCandidate* k : r.steinerCandidates) {
    EXPECT_FALSE(k->valid);
    EXPECT_EQ(k->eMst, k->eMstPrime);
    EXPECT_EQ(k->gain, -1.0f);
    EXPECT_EQ(k->eVictim, nullptr);
    EXPECT_EQ(k->longestEdgeBetweenQueryVer, nullptr);
  }
  EXPECT_TRUE(a->queryCandidates.empty());
  EXPECT_TRUE(b->queryCandidates.empty());
  EXPECT_TRUE(r.store.partialEdges.empty());
  r.addSteinerPoints();
  EXPECT_EQ(r.vertices.size(), 4u);
  EXPECT_EQ(u->mstNbrs, std::vector<Vertex*>{});
}

// A triangle of pins: B-C (9) is accepted before A-B (10), and every
// candidate's u is a pin, so v is u and pQueryPrime is fixed to it.
class PinTriangleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    a = s.addPin(0, 0);
    b = s.addPin(10, 0);
    c = s.addPin(7, 6);
    Router& r = s.router();
    r.connectSgEdge(a, b);
    r.connectSgEdge(b, c);
    r.connectSgEdge(a, c);
    buildTree(r);
    ab = mstEdgeBetween(r, a, b);
    bc = mstEdgeBetween(r, b, c);
  }
  Scene s;
  Vertex *a, *b, *c;
  Edge *ab, *bc;
};

// Unfixed, the walk would have left B, the end of B-C nearer to A-B.
TEST_F(PinTriangleTest, PinVIsTheFixedQueryVertex) {
  Router& r = s.router();
  ASSERT_EQ(r.mstEdges, (std::vector<Edge*>{bc, ab}));
  r.gainComputation();
  ASSERT_EQ(r.steinerCandidates.size(), 4u);
  SteinerCandidate* k = candidateOf(r, c, a, b);
  ASSERT_NE(k, nullptr);
  EXPECT_TRUE(k->valid);
  EXPECT_TRUE(k->queryPrimeFixed);
  EXPECT_EQ(k->eMstPrime, bc);
  EXPECT_EQ(k->pQueryPrime, c);
  EXPECT_EQ(k->pQuery, b);
  EXPECT_EQ(k->longestEdgeBetweenQueryVer, bc);
  EXPECT_EQ(k->eVictim, bc) << "the empty partial edge lost to B-C";
  EXPECT_EQ(k->sx, 7.0f);
  EXPECT_EQ(k->sy, 0.0f);
  EXPECT_EQ(k->gain, 3.0f);
  EXPECT_TRUE(r.store.partialEdges.empty());
  for (SteinerCandidate* each : r.steinerCandidates) {
    EXPECT_EQ(each->gain, 3.0f);
    EXPECT_TRUE(each->queryPrimeFixed);
  }
}

// All four gains are equal: the sort keeps creation order, so the first
// candidate made (u = A over B-C) is applied and the rest conflict with it.
TEST_F(PinTriangleTest, EqualGainsApplyTheFirstMade) {
  Router& r = s.router();
  r.gainComputation();
  std::vector<SteinerCandidate*> made = r.steinerCandidates;
  ASSERT_EQ(made[0]->u, a);
  ASSERT_EQ(made[0]->eMst, bc);
  r.addSteinerPoints();
  EXPECT_EQ(r.steinerCandidates, made);
  ASSERT_EQ(r.vertices.size(), 4u);
  Vertex* sp = made[0]->s;
  EXPECT_EQ(r.vertices[3], sp);
  EXPECT_TRUE(sp->isASteinerPoint());
  EXPECT_TRUE(sp->inTree);
  EXPECT_EQ(sp->mstNbrs, (std::vector<Vertex*>{a, b, c}));
  EXPECT_EQ(a->mstNbrs, (std::vector<Vertex*>{nullptr, sp})) << "u == v";
  EXPECT_EQ(b->mstNbrs, (std::vector<Vertex*>{nullptr, nullptr, sp}));
  EXPECT_EQ(c->mstNbrs, (std::vector<Vertex*>{nullptr, sp}));
  EXPECT_TRUE(ab->removed);
  EXPECT_TRUE(bc->removed);
  EXPECT_EQ(treeLength(r), 16.0);
}

// v is the corner V inside A-V-C, and u = (0, 0) reaches it at distance 3.
// A-B and A-V-C share the pin A, so both query vertices are A.
class SharedPinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    a = s.addPin(2, 9);
    b = s.addPin(10, 1);
    c = s.addPin(3, -6);
    u = addPoint(s, 0, 0);
    v = addPoint(s, 3, 0);
    Router& r = s.router();
    r.connectSgEdge(a, b);
    r.connectSgEdge(a, v);
    r.connectSgEdge(v, c);
    r.connectSgEdge(u, b);
    r.connectSgEdge(u, v);
    buildTree(r);
    ab = mstEdgeBetween(r, a, b);
    ac = mstEdgeBetween(r, a, c);
  }
  Scene s;
  Vertex *a, *b, *c, *u, *v;
  Edge *ab, *ac;
};

// Victim 10, mstVerDist 3, s = (2, 1): gain 4.
TEST_F(SharedPinTest, VictimIsThePartialEdgeFromTheSharedPin) {
  Router& r = s.router();
  ASSERT_NE(ab, nullptr);
  ASSERT_NE(ac, nullptr);
  r.gainComputation();
  SteinerCandidate* k = candidateOf(r, u, a, b);
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(u->mstVerDist, 3.0f);
  EXPECT_EQ(u->pMstVerRoot, v);
  EXPECT_EQ(k->eMstPrime, ac);
  EXPECT_FALSE(k->queryPrimeFixed);
  EXPECT_EQ(k->pQuery, a);
  EXPECT_EQ(k->pQueryPrime, a);
  EXPECT_EQ(k->longestEdgeBetweenQueryVer, nullptr);
  ASSERT_NE(k->eVictim, nullptr);
  Edge* p = k->eVictim;
  EXPECT_EQ(p->pStart, a);
  EXPECT_EQ(p->pEnd, v);
  EXPECT_TRUE(p->subEdges.empty()) << "pieces wait for the candidate's turn";
  r.fillPartialVictim(k);
  ASSERT_EQ(p->subEdges.size(), 1u);
  EXPECT_EQ(p->subEdges.front(), ac->subEdges.front()) << "pieces are shared";
  EXPECT_EQ(p->mstEdgeLen(), 10.0f);
  EXPECT_EQ(k->sx, 2.0f);
  EXPECT_EQ(k->sy, 1.0f);
  EXPECT_EQ(k->gain, 4.0f);
  EXPECT_TRUE(std::find(r.store.partialEdges.begin(),
                        r.store.partialEdges.end(),
                        p) != r.store.partialEdges.end());
  EXPECT_TRUE(lists(a->queryCandidates, k));
  EXPECT_EQ(std::count(a->queryCandidates.begin(), a->queryCandidates.end(), k),
            2);
}

// V itself, over A-B, gains 9 and goes first; u's candidate on the same
// A-B is then skipped. V is a corner, so A-V-C is taken as well.
TEST_F(SharedPinTest, SameEMstOnlyTheBestIsApplied) {
  Router& r = s.router();
  r.gainComputation();
  SteinerCandidate* best = candidateOf(r, v, a, b);
  SteinerCandidate* second = candidateOf(r, u, a, b);
  ASSERT_NE(best, nullptr);
  EXPECT_EQ(best->gain, 9.0f);
  double before = treeLength(r);
  r.addSteinerPoints();
  EXPECT_EQ(r.steinerCandidates.front(), best);
  EXPECT_TRUE(isVertex(r, best->s));
  EXPECT_FALSE(isVertex(r, second->s));
  EXPECT_TRUE(ab->removed);
  EXPECT_TRUE(ac->removed) << "v is a corner inside eMstPrime";
  EXPECT_TRUE(best->eVictim->removed);
  EXPECT_EQ(before, 32.0);
  EXPECT_EQ(treeLength(r), 23.0);
  EXPECT_EQ(nonNull(best->s->mstNbrs), (std::vector<Vertex*>{v, a, b}));
  EXPECT_EQ(nonNull(v->mstNbrs), (std::vector<Vertex*>{c, best->s}));
  std::vector<int> parts = pinParts(r);
  EXPECT_EQ(parts, (std::vector<int>{0, 0, 0}));
}

// A-B, then B-C (the longest edge between the query vertices B and C),
// then C-V-D with the corner V at distance k from C; u next to A reaches V
// at 5.
// "whole" when the B-C edge is the victim, "partial" for a partial edge.
std::string victimFor(float k) {
  Scene s;
  Vertex* a = s.addPin(0, 0);
  Vertex* b = s.addPin(4, 0);
  Vertex* c = s.addPin(4, 6);
  Vertex* d = s.addPin(4, 14 + k);
  Vertex* v = addPoint(s, 4, 6 + k);
  Vertex* u = addPoint(s, -1, 6 + k);
  Router& r = s.router();
  r.connectSgEdge(a, b);
  r.connectSgEdge(b, c);
  r.connectSgEdge(c, v);
  r.connectSgEdge(v, d);
  r.connectSgEdge(u, a);
  r.connectSgEdge(u, v);
  buildTree(r);
  r.gainComputation();
  SteinerCandidate* cand = candidateOf(r, u, a, b);
  if (!cand) {
    return "no candidate";
  }
  Edge* bc = mstEdgeBetween(r, b, c);
  EXPECT_EQ(cand->pQuery, b);
  EXPECT_EQ(cand->pQueryPrime, c);
  EXPECT_EQ(cand->longestEdgeBetweenQueryVer, bc);
  EXPECT_EQ(u->mstVerDist, 5.0f);
  float victimLen = std::max(6.0f, k);
  EXPECT_EQ(cand->gain, (victimLen - 5.0f) - (std::fabs(u->x - cand->sx) +
                                              std::fabs(u->y - cand->sy)));
  if (cand->eVictim == bc) {
    return "whole";
  }
  r.fillPartialVictim(cand);
  bool partial =
      cand->eVictim->pStart == c && cand->eVictim->pEnd == v &&
      cand->eVictim->mstEdgeLen() == k &&
      std::find(r.store.partialEdges.begin(), r.store.partialEdges.end(),
                cand->eVictim) != r.store.partialEdges.end();
  return partial ? "partial" : "something else";
}

TEST(GainComputationTest, LongerWholeEdgeIsTheVictim) {
  EXPECT_EQ(victimFor(5), "whole");
}

TEST(GainComputationTest, TieGoesToThePartialEdge) {
  EXPECT_EQ(victimFor(6), "partial");
}

TEST(GainComputationTest, LongerPartialEdgeIsTheVictim) {
  EXPECT_EQ(victimFor(7), "partial");
}

// The partial edge from the pEnd side runs from v to the pin, in path
// order: D-V-C is built from its far end when the walk enters it at C.
TEST(GainComputationTest, PartialEdgeFromTheEndPin) {
  Scene s;
  Vertex* a = s.addPin(0, 0);
  Vertex* b = s.addPin(4, 0);
  Vertex* d = s.addPin(4, 30);
  Vertex* c = s.addPin(4, 6);
  Vertex* w = addPoint(s, 4, 26);
  Vertex* v = addPoint(s, 4, 14);
  Vertex* u = addPoint(s, -1, 14);
  Router& r = s.router();
  r.connectSgEdge(a, b);
  r.connectSgEdge(b, c);
  r.connectSgEdge(d, w);
  r.connectSgEdge(w, v);
  r.connectSgEdge(v, c);
  r.connectSgEdge(u, a);
  r.connectSgEdge(u, v);
  buildTree(r);
  Edge* dc = mstEdgeBetween(r, d, c);
  ASSERT_NE(dc, nullptr);
  ASSERT_EQ(dc->pEnd, c) << "the scene meant C to be the pEnd pin";
  r.gainComputation();
  SteinerCandidate* k = candidateOf(r, u, a, b);
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->pQueryPrime, c);
  Edge* p = k->eVictim;
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->pStart, v);
  EXPECT_EQ(p->pEnd, c);
  r.fillPartialVictim(k);
  ASSERT_EQ(p->subEdges.size(), 1u);
  EXPECT_EQ(p->subEdges.front(), dc->subEdges.back());
  EXPECT_EQ(p->mstEdgeLen(), 8.0f);
}

// A spanning tree for hand-made candidates: six pins in a row, a corner
// inside each edge, and vertices off the tree next to the corners and the
// first pin.
class InsertionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int k = 0; k < 6; ++k) {
      p[k] = s.addPin(10.0f * k, 0);
    }
    for (int k = 0; k < 5; ++k) {
      mid[k] = addPoint(s, 10.0f * k + 5, 0);
      off[k] = addPoint(s, 10.0f * k + 5, 3);
    }
    offB = addPoint(s, 4, 3);
    nearPin = addPoint(s, 0, 2);
    nearPin2 = addPoint(s, -2, 0);
    Router& r = s.router();
    for (int k = 0; k < 5; ++k) {
      r.connectSgEdge(p[k], mid[k]);
      r.connectSgEdge(mid[k], p[k + 1]);
      r.connectSgEdge(off[k], mid[k]);
    }
    r.connectSgEdge(offB, mid[0]);
    r.connectSgEdge(nearPin, p[0]);
    r.connectSgEdge(nearPin2, p[0]);
    buildTree(r);
    r.extendedDijkstraForMstVerForest();
    for (int k = 0; k < 5; ++k) {
      e[k] = mstEdgeBetween(r, p[k], p[k + 1]);
    }
  }

  // A candidate with its gain and victim set by hand.
  SteinerCandidate* add(
      Vertex* u, Edge* m, int piece, Edge* victim, float gain) {
    Edge* sub = *std::next(m->subEdges.begin(), piece);
    Edge* prime = u->pMstVerRoot->mstEdges.front();
    SteinerCandidate* c = s.router().makeSteinerCandidate(u, sub, m, prime);
    c->eVictim = victim;
    c->gain = gain;
    return c;
  }

  bool applied(const SteinerCandidate* c) { return isVertex(s.router(), c->s); }

  Scene s;
  Vertex* p[6];
  Vertex* mid[5];
  Vertex* off[5];
  Vertex* offB;
  Vertex* nearPin;
  Vertex* nearPin2;
  Edge* e[5];
};

TEST_F(InsertionTest, NoCandidatesChangeNothing) {
  Router& r = s.router();
  size_t n = r.vertices.size();
  r.addSteinerPoints();
  EXPECT_EQ(r.vertices.size(), n);
}

TEST_F(InsertionTest, NoPositiveGainChangesNothing) {
  Router& r = s.router();
  double before = treeLength(r);
  std::vector<Vertex*> nbrs = p[1]->mstNbrs;
  SteinerCandidate* zero = add(off[0], e[0], 0, e[1], 0.0f);
  SteinerCandidate* neg = add(off[1], e[1], 0, e[2], -2.0f);
  SteinerCandidate* nan =
      add(off[2], e[2], 0, e[0], std::numeric_limits<float>::quiet_NaN());
  r.addSteinerPoints();
  EXPECT_EQ(r.steinerCandidates,
            (std::vector<SteinerCandidate*>{zero, neg, nan}));
  for (SteinerCandidate* c : r.steinerCandidates) {
    EXPECT_FALSE(applied(c));
  }
  EXPECT_EQ(treeLength(r), before);
  EXPECT_EQ(p[1]->mstNbrs, nbrs);
  for (Edge* m : e) {
    EXPECT_FALSE(m->removed);
  }
}

// Gains descend, so the first invalid candidate ends the walk even with a
// positive gain.
TEST_F(InsertionTest, InvalidCandidateStopsTheWalk) {
  SteinerCandidate* bad = add(off[0], e[0], 0, e[1], 5.0f);
  bad->valid = false;
  SteinerCandidate* good = add(off[2], e[2], 0, e[1], 4.0f);
  s.router().addSteinerPoints();
  EXPECT_FALSE(applied(bad));
  EXPECT_FALSE(applied(good));
}

TEST_F(InsertionTest, SecondOnTheSameEMstIsSkipped) {
  SteinerCandidate* lower = add(off[1], e[0], 1, e[2], 4.0f);
  SteinerCandidate* higher = add(off[0], e[0], 0, e[1], 5.0f);
  s.router().addSteinerPoints();
  EXPECT_TRUE(applied(higher));
  EXPECT_FALSE(applied(lower));
  EXPECT_FALSE(e[2]->removed);
}

TEST_F(InsertionTest, VictimAlreadyTakenIsSkipped) {
  SteinerCandidate* first = add(off[0], e[0], 0, e[1], 5.0f);
  SteinerCandidate* victimWasEMst = add(off[2], e[2], 0, e[0], 4.0f);
  SteinerCandidate* victimWasVictim = add(off[2], e[2], 1, e[1], 3.0f);
  s.router().addSteinerPoints();
  EXPECT_TRUE(applied(first));
  EXPECT_FALSE(applied(victimWasEMst));
  EXPECT_FALSE(applied(victimWasVictim));
  EXPECT_FALSE(e[2]->removed);
}

// Both meet their eMstPrime at its end pin, which stays usable.
TEST_F(InsertionTest, PinVSharingEMstPrimeAllApply) {
  SteinerCandidate* one = add(nearPin, e[1], 0, e[2], 5.0f);
  SteinerCandidate* two = add(nearPin2, e[3], 1, e[4], 4.0f);
  ASSERT_EQ(one->eMstPrime, e[0]);
  ASSERT_EQ(two->eMstPrime, e[0]);
  s.router().addSteinerPoints();
  EXPECT_TRUE(applied(one));
  EXPECT_TRUE(applied(two));
  EXPECT_FALSE(e[0]->removed);
}

TEST_F(InsertionTest, CornerVOnATakenEMstPrimeIsSkipped) {
  ASSERT_EQ(offB->pMstVerRoot, mid[0]);
  SteinerCandidate* one = add(off[0], e[1], 0, e[2], 5.0f);
  SteinerCandidate* two = add(offB, e[3], 1, e[4], 4.0f);
  ASSERT_EQ(one->eMstPrime, e[0]);
  ASSERT_EQ(two->eMstPrime, e[0]);
  s.router().addSteinerPoints();
  EXPECT_TRUE(applied(one));
  EXPECT_TRUE(e[0]->removed);
  EXPECT_FALSE(applied(two));
}

// u joins its corner along the search's predecessors, and s joins u and
// both ends of the piece it splits; the victim is the stretch of e[0] from
// the corner to p[1], which the new cycle runs along.
TEST_F(InsertionTest, AppliedCandidateRewiresTheTree) {
  Router& r = s.router();
  Edge victim(mid[0], p[1]);
  victim.subEdges.push_back(e[0]->subEdges.back());
  SteinerCandidate* c = add(off[0], e[1], 0, &victim, 5.0f);
  Vertex* a = c->eSub->pStart;
  Vertex* b = c->eSub->pEnd;
  ASSERT_EQ(a, p[1]);
  ASSERT_EQ(b, mid[1]);
  r.addSteinerPoints();
  Vertex* sp = c->s;
  ASSERT_NE(sp, nullptr);
  EXPECT_EQ(r.vertices.back(), sp);
  EXPECT_EQ(sp->mstNbrs, (std::vector<Vertex*>{off[0], a, b}));
  EXPECT_EQ(off[0]->mstNbrs, (std::vector<Vertex*>{sp, mid[0]}));
  EXPECT_TRUE(off[0]->inTree);
  EXPECT_EQ(std::count(mid[0]->mstNbrs.begin(), mid[0]->mstNbrs.end(), off[0]),
            1);
  EXPECT_EQ(std::count(a->mstNbrs.begin(), a->mstNbrs.end(), b), 0);
  EXPECT_EQ(nonNull(a->mstNbrs), (std::vector<Vertex*>{sp}))
      << "eSub and the victim's step are gone";
  EXPECT_EQ(std::count(mid[0]->mstNbrs.begin(), mid[0]->mstNbrs.end(), a), 0);
  EXPECT_EQ(r.pinPartCount, 1);
  EXPECT_EQ(countTreePinParts(r), 1);
  EXPECT_TRUE(c->eSub->removed);
  EXPECT_TRUE(e[1]->removed);
  EXPECT_TRUE(victim.removed);
  EXPECT_TRUE(e[0]->removed) << "v is a corner inside eMstPrime";
}

// A victim off the candidate's cycle (as earlier insertions can leave it)
// would cut the tree in two: its steps go back, and the loop the candidate
// closed loses its longest connection.
TEST_F(InsertionTest, VictimOffTheCycleLeavesTheTreeWhole) {
  Router& r = s.router();
  SteinerCandidate* c = add(off[0], e[1], 0, e[2], 5.0f);
  r.addSteinerPoints();
  ASSERT_TRUE(applied(c));
  EXPECT_EQ(r.pinPartCount, 1);
  EXPECT_EQ(countTreePinParts(r), 1);
  EXPECT_EQ(std::count(p[2]->mstNbrs.begin(), p[2]->mstNbrs.end(), mid[2]), 1)
      << "the victim's steps are back";
  // The loop off[0]-mid[0]-p[1]-s-off[0] loses its longest connection.
  int links = 0;
  for (Vertex* v : r.vertices) {
    for (Vertex* w : v ? v->mstNbrs : std::vector<Vertex*>{}) {
      links += w ? 1 : 0;
    }
  }
  int inTree = 0;
  for (Vertex* v : r.vertices) {
    inTree += v && !nonNull(v->mstNbrs).empty() ? 1 : 0;
  }
  EXPECT_EQ(links / 2, inTree - 1) << "a tree: no loop";
}

// A-c is a step of both A-c-B and A-c-C. Cutting the victim A-c-B takes one
// of the two entries in each direction; the piece c-C that s splits loses
// them all.
TEST(InsertionOverlapTest, SharedStepLosesOnePairOfEntries) {
  Scene s;
  Vertex* a = s.addPin(0, 0);
  Vertex* b = s.addPin(10, 1);
  Vertex* cp = s.addPin(10, -1);
  Vertex* c = addPoint(s, 5, 0);
  Router& r = s.router();
  r.connectSgEdge(a, c);
  r.connectSgEdge(c, b);
  r.connectSgEdge(c, cp);
  buildTree(r);
  r.extendedDijkstraForMstVerForest();
  Edge* toB = mstEdgeBetween(r, a, b);
  Edge* toC = mstEdgeBetween(r, a, cp);
  ASSERT_NE(toB, nullptr);
  ASSERT_NE(toC, nullptr);
  ASSERT_EQ(a->mstNbrs, (std::vector<Vertex*>{c, c}));
  Edge* sub = toC->subEdges.back();
  SteinerCandidate* k = r.makeSteinerCandidate(b, sub, toC, toB);
  k->eVictim = toB;
  k->gain = 1.0f;
  r.addSteinerPoints();
  Vertex* sp = k->s;
  EXPECT_EQ(sp->x, 10.0f);
  EXPECT_EQ(sp->y, 0.0f);
  EXPECT_EQ(a->mstNbrs, (std::vector<Vertex*>{nullptr, c}));
  EXPECT_EQ(c->mstNbrs,
            (std::vector<Vertex*>{nullptr, nullptr, nullptr, a, sp}));
  EXPECT_EQ(b->mstNbrs, (std::vector<Vertex*>{nullptr, sp}));
  EXPECT_EQ(cp->mstNbrs, (std::vector<Vertex*>{nullptr, sp}));
  EXPECT_EQ(sp->mstNbrs, (std::vector<Vertex*>{b, c, cp}));
  EXPECT_EQ(pinParts(r), (std::vector<int>{0, 0, 0}));
}

// The path of spanning-tree edges between two pins, by search.
std::vector<Edge*> treePath(const Router& r, Vertex* from, Vertex* to) {
  std::map<Vertex*, Edge*> via;
  std::vector<Vertex*> todo{from};
  via[from] = nullptr;
  while (!todo.empty()) {
    Vertex* x = todo.back();
    todo.pop_back();
    for (Edge* m : r.mstEdges) {
      if (m->pStart != x && m->pEnd != x) {
        continue;
      }
      Vertex* y = m->pStart == x ? m->pEnd : m->pStart;
      if (!via.count(y)) {
        via[y] = m;
        todo.push_back(y);
      }
    }
  }
  std::vector<Edge*> path;
  if (!via.count(to)) {
    return path;
  }
  for (Vertex* x = to; x != from;) {
    Edge* m = via[x];
    path.push_back(m);
    x = m->pStart == x ? m->pEnd : m->pStart;
  }
  return path;
}

int indexIn(const std::vector<Edge*>& l, const Edge* e) {
  auto it = std::find(l.begin(), l.end(), e);
  return it == l.end() ? -1 : static_cast<int>(it - l.begin());
}

int indexIn(const std::vector<Vertex*>& l, const Vertex* v) {
  auto it = std::find(l.begin(), l.end(), v);
  return it == l.end() ? -1 : static_cast<int>(it - l.begin());
}

// Random pins and other vertices, each pair joined with some chance: sparse
// draws leave forests, dense ones a single tree. The same seed makes the
// same scene; coordinates are integers times scale.
void randomGraph(Scene& s, unsigned seed, float scale = 1.0f) {
  std::mt19937 rng(seed);
  int pins = 2 + static_cast<int>(rng() % 10);
  int others = static_cast<int>(rng() % 16);
  double chance = 0.1 + 0.05 * (rng() % 10);
  std::uniform_int_distribution<int> coord(0, 40);
  for (int k = 0; k < pins; ++k) {
    s.addPin(float(coord(rng)) * scale, float(coord(rng)) * scale);
  }
  for (int k = 0; k < others; ++k) {
    addPoint(s, float(coord(rng)) * scale, float(coord(rng)) * scale);
  }
  Router& r = s.router();
  std::bernoulli_distribution joins(chance);
  for (size_t i = 0; i < r.vertices.size(); ++i) {
    for (size_t j = i + 1; j < r.vertices.size(); ++j) {
      if (joins(rng)) {
        r.connectSgEdge(r.vertices[i], r.vertices[j]);
      }
    }
  }
}

// A path of fractional steps from pin A to pin C, and u beside its third
// point v but joined to pin B past C: the victim is the stretch from v to C,
// whose sum piece by piece rounds otherwise than the path's total less the
// part before v. With C made first and the path joined from C, C is the
// pStart pin of A-C instead.
TEST(GainComputationTest, StretchOfFractionsIsSummedPieceByPiece) {
  int pEndSide = 0;
  for (bool cFirst : {false, true}) {
    SCOPED_TRACE(cFirst ? "from C" : "from A");
    std::vector<float> xs{0};
    for (int k = 1; k <= 24; ++k) {
      xs.push_back(xs.back() + 0.37f * static_cast<float>(k % 7 + 1));
    }
    Scene s;
    Vertex* c = cFirst ? s.addPin(xs.back(), 0) : nullptr;
    Vertex* a = s.addPin(0, 0);
    c = c ? c : s.addPin(xs.back(), 0);
    std::vector<Vertex*> path{a};
    for (size_t k = 1; k + 1 < xs.size(); ++k) {
      path.push_back(addPoint(s, xs[k], 0));
    }
    path.push_back(c);
    Vertex* b = s.addPin(xs.back(), 40);
    Vertex* v = path[2];
    Vertex* u = addPoint(s, v->x, 0.05f);
    Router& r = s.router();
    for (size_t k = 1; k < path.size(); ++k) {
      if (cFirst) {
        r.connectSgEdge(path[k], path[k - 1]);
      } else {
        r.connectSgEdge(path[k - 1], path[k]);
      }
    }
    r.connectSgEdge(c, b);
    r.connectSgEdge(u, v);
    r.connectSgEdge(u, b);
    buildTree(r);
    Edge* ac = mstEdgeBetween(r, a, c);
    ASSERT_NE(ac, nullptr);
    r.gainComputation();
    SteinerCandidate* k = candidateOf(r, u, c, b);
    ASSERT_NE(k, nullptr);
    ASSERT_EQ(k->pQueryPrime, c);
    ASSERT_EQ(u->pMstVerRoot, v);
    pEndSide += ac->pEnd == c ? 1 : 0;
    r.fillPartialVictim(k);
    ASSERT_NE(k->eVictim, nullptr);
    EXPECT_EQ(k->eVictim->subEdges.size(), path.size() - 3);
    float own = k->eVictim->mstEdgeLen();
    EXPECT_EQ(k->gain, (own - u->mstVerDist) -
                           (std::fabs(u->x - k->sx) + std::fabs(u->y - k->sy)));
    if (ac->pEnd != c) {
      continue;
    }
    double total = 0, before = 0;
    for (size_t j = 1; j < path.size(); ++j) {
      float len = std::fabs(path[j]->x - path[j - 1]->x);
      total += len;
      before += j <= 2 ? len : 0;
    }
    EXPECT_NE(own, static_cast<float>(total - before))
        << "the scene meant a stretch whose sum rounds";
  }
  EXPECT_EQ(pEndSide, 1) << "one of the scenes has C at the pEnd end";
}

// Every gain counts its victim's length as the victim's own pieces sum it,
// to the last bit: with integer coordinates, where a stretch's length is
// taken from sums along the whole path, and with tenths and huge values,
// where those sums round and a stretch is summed piece by piece.
TEST(GainComputationTest, GainsCountTheVictimsOwnLength) {
  for (float scale : {1.0f, 0.1f, 0.3f, 1e6f}) {
    for (unsigned seed = 1; seed <= 120; ++seed) {
      SCOPED_TRACE("scale " + std::to_string(scale) + " seed " +
                   std::to_string(seed));
      Scene s;
      randomGraph(s, seed, scale);
      Router& r = s.router();
      buildTree(r);
      r.gainComputation();
      for (SteinerCandidate* c : r.steinerCandidates) {
        if (!c->eVictim) {
          continue;
        }
        r.fillPartialVictim(c);
        const Vertex* u = c->u;
        EXPECT_EQ(c->gain,
                  (c->eVictim->mstEdgeLen() - u->mstVerDist) -
                      (std::fabs(u->x - c->sx) + std::fabs(u->y - c->sy)));
      }
    }
  }
}

// The stage's candidates against the rule that makes them, and each answer
// against the tree path found by search.
TEST(GainComputationDifferentialTest, RandomGraphs) {
  for (unsigned seed = 1; seed <= 250; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Scene mine;
    randomGraph(mine, seed);
    Router& r = mine.router();
    buildTree(r);
    r.gainComputation();
    // One candidate for every neighbour u of an end of a piece of a
    // spanning-tree edge, other than the piece's other end, in that order.
    struct Made {
      const Vertex* u;
      const Edge* eMst;
    };
    std::vector<Made> made;
    for (const Edge* m : r.mstEdges) {
      for (const Edge* e : m->subEdges) {
        for (const Vertex* u : e->pStart->sgNbrs) {
          if (u != e->pEnd) {
            made.push_back({u, m});
          }
        }
        for (const Vertex* u : e->pEnd->sgNbrs) {
          if (u != e->pStart) {
            made.push_back({u, m});
          }
        }
      }
    }
    ASSERT_EQ(r.steinerCandidates.size(), made.size());
    for (size_t k = 0; k < r.steinerCandidates.size(); ++k) {
      SCOPED_TRACE("candidate " + std::to_string(k));
      SteinerCandidate* c = r.steinerCandidates[k];
      ASSERT_EQ(c->u, made[k].u);
      ASSERT_EQ(c->eMst, made[k].eMst);
      ASSERT_EQ(c->eMstPrime, c->u->pMstVerRoot->mstEdges[0]);
      EXPECT_EQ(c->valid, c->eMst != c->eMstPrime);
      EXPECT_EQ(c->queryPrimeFixed, c->u->pMstVerRoot->isAPin());
      if (!c->valid) {
        EXPECT_EQ(c->gain, -1.0f);
        EXPECT_EQ(c->eVictim, nullptr);
        continue;
      }
      // What the walk promises: the ends nearer each other, and a path
      // between them over neither edge, unless pQueryPrime is pinned to v.
      Vertex* v = c->u->pMstVerRoot;
      EXPECT_TRUE(c->pQuery == c->eMst->pStart || c->pQuery == c->eMst->pEnd);
      std::vector<Edge*> path = treePath(r, c->pQuery, c->pQueryPrime);
      EXPECT_EQ(indexIn(path, c->eMst), -1);
      if (c->queryPrimeFixed) {
        EXPECT_EQ(c->pQueryPrime, v);
      } else {
        EXPECT_TRUE(c->pQueryPrime == c->eMstPrime->pStart ||
                    c->pQueryPrime == c->eMstPrime->pEnd);
        EXPECT_EQ(indexIn(path, c->eMstPrime), -1);
      }
      // The answer is the last accepted edge on that path.
      const Edge* last = nullptr;
      for (const Edge* m : path) {
        if (!last || indexIn(r.mstEdges, m) > indexIn(r.mstEdges, last)) {
          last = m;
        }
      }
      EXPECT_EQ(c->longestEdgeBetweenQueryVer, last);
      // The victim: the longer of that edge and the stretch of eMstPrime
      // from pQueryPrime to v, the stretch on a tie.
      float stretch = 0;
      bool fromStart = c->pQueryPrime == c->eMstPrime->pStart;
      std::vector<Edge*> pieces(c->eMstPrime->subEdges.begin(),
                                c->eMstPrime->subEdges.end());
      if (!fromStart) {
        std::reverse(pieces.begin(), pieces.end());
      }
      for (Edge* d : pieces) {
        if ((fromStart ? d->pStart : d->pEnd) == v) {
          break;
        }
        stretch += d->length();
      }
      float whole = last ? last->mstEdgeLen() : 0.0f;
      ASSERT_NE(c->eVictim, nullptr);
      if (whole > stretch) {
        EXPECT_EQ(c->eVictim, last);
      } else {
        EXPECT_NE(indexIn(r.store.partialEdges, c->eVictim), -1);
        r.fillPartialVictim(c);
        EXPECT_FLOAT_EQ(c->eVictim->mstEdgeLen(), stretch);
      }
      float victimLen = std::max(whole, stretch);
      EXPECT_EQ(c->gain,
                (victimLen - c->u->mstVerDist) -
                    (std::fabs(c->u->x - c->sx) + std::fabs(c->u->y - c->sy)));
    }
  }
}

// Insertion after the stage: never a longer tree, and every pin stays with
// the pins it was joined to.
void expectNoLongerAndStillJoined(Router& r) {
  double before = treeLength(r);
  std::vector<int> partsBefore = pinParts(r);
  r.gainComputation();
  r.addSteinerPoints();
  EXPECT_LE(treeLength(r), before + 1e-3);
  EXPECT_EQ(cycles(r), 0);
  std::vector<int> partsAfter = pinParts(r);
  ASSERT_EQ(partsAfter.size(), partsBefore.size());
  for (size_t i = 0; i < partsBefore.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      EXPECT_EQ(partsBefore[i] == partsBefore[j],
                partsAfter[i] == partsAfter[j])
          << "pins " << j << " and " << i;
    }
  }
  for (SteinerCandidate* c : r.steinerCandidates) {
    if (isVertex(r, c->s)) {
      EXPECT_GT(c->gain, 0.0f);
      EXPECT_TRUE(c->s->isASteinerPoint());
    }
  }
}

TEST(SteinerInsertionPropertyTest, RandomGraphs) {
  for (unsigned seed = 1; seed <= 250; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Scene s;
    randomGraph(s, seed);
    buildTree(s.router());
    expectNoLongerAndStillJoined(s.router());
  }
}

// Every vertex with its tree neighbours, by place in the vertex list.
std::string dump(const Router& r) {
  std::string out;
  for (const Vertex* v : r.vertices) {
    out += v->type + " " + std::to_string(v->x) + " " + std::to_string(v->y);
    for (const Vertex* w : v->mstNbrs) {
      out += " " + std::to_string(indexIn(r.vertices, w));
    }
    out += "\n";
  }
  return out;
}

void randomNet(Scene& s, unsigned seed, bool obstacles) {
  if (obstacles) {
    s.addRandomRects(1 + static_cast<int>(seed % 6), seed, 60, 12);
  }
  s.addRandomPins(2 + static_cast<int>(seed % 30), seed + 1000, 60);
}

// The whole first part of the pipeline against the spanning tree of the
// same net: never longer, the same pins joined, and the same bytes twice.
void checkRandomNets(bool obstacles) {
  for (unsigned seed = 1; seed <= 120; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Scene mst, smt, again;
    randomNet(mst, seed, obstacles);
    randomNet(smt, seed, obstacles);
    randomNet(again, seed, obstacles);
    mst.router().formMST();
    smt.router().formUnrefinedSMT();
    again.router().formUnrefinedSMT();
    expectLegalTree(mst.router());
    expectLegalTree(smt.router());
    EXPECT_LE(treeLength(smt.router()), treeLength(mst.router()) + 1e-3);
    EXPECT_EQ(pinParts(smt.router()), pinParts(mst.router()));
    EXPECT_EQ(dump(smt.router()), dump(again.router()));
    EXPECT_EQ(cycles(smt.router()), 0);
  }
}

TEST(FormUnrefinedSMTTest, RandomObstacleFreeNetsNeverGrow) {
  checkRandomNets(false);
}

TEST(FormUnrefinedSMTTest, RandomNetsWithObstaclesNeverGrow) {
  checkRandomNets(true);
}

// Joined through a Steiner point below the top pin: 15 instead of 20.
TEST(FormUnrefinedSMTTest, ThreePinsGetOneSteinerPoint) {
  Scene s;
  Vertex* a = s.addPin(0, 0);
  Vertex* b = s.addPin(10, 0);
  Vertex* c = s.addPin(5, 5);
  Router& r = s.router();
  r.formUnrefinedSMT();
  ASSERT_EQ(r.vertices.size(), 4u);
  Vertex* sp = r.vertices[3];
  EXPECT_EQ(sp->x, 5.0f);
  EXPECT_EQ(sp->y, 0.0f);
  EXPECT_TRUE(sp->isASteinerPoint());
  std::vector<Vertex*> nbrs = nonNull(sp->mstNbrs);
  std::sort(nbrs.begin(), nbrs.end());
  std::vector<Vertex*> want{a, b, c};
  std::sort(want.begin(), want.end());
  EXPECT_EQ(nbrs, want);
  EXPECT_EQ(treeLength(r), 15.0);
  EXPECT_EQ(expectLegalTree(r).wireLength, 15);
}

// Three pins with one Steiner point to gain, moved by (dx, dy).
void addTriangle(Scene& s, float dx, float dy) {
  s.addPin(dx, dy);
  s.addPin(dx + 10, dy);
  s.addPin(dx + 7, dy + 6);
}

void joinTriangle(Router& r, size_t first) {
  r.connectSgEdge(r.vertices[first], r.vertices[first + 1]);
  r.connectSgEdge(r.vertices[first + 1], r.vertices[first + 2]);
  r.connectSgEdge(r.vertices[first], r.vertices[first + 2]);
}

// The first pin stands alone, so a walk from it alone would leave every
// candidate without query vertices. Each triangle still gets its Steiner
// point, as when it is the whole net.
TEST(SteinerForestTest, EveryPartGetsItsSteinerPoint) {
  Scene alone;
  addTriangle(alone, 0, 0);
  joinTriangle(alone.router(), 0);
  buildTree(alone.router());
  alone.router().gainComputation();
  alone.router().addSteinerPoints();
  ASSERT_EQ(alone.router().vertices.size(), 4u);
  const Vertex* want = alone.router().vertices[3];

  Scene s;
  Vertex* lone = s.addPin(-50, -50);
  addTriangle(s, 0, 0);
  addTriangle(s, 100, 0);
  Router& r = s.router();
  joinTriangle(r, 1);
  joinTriangle(r, 4);
  buildTree(r);
  ASSERT_EQ(r.pinPartCount, 3);
  double before = treeLength(r);
  r.gainComputation();
  r.addSteinerPoints();
  ASSERT_EQ(r.vertices.size(), 9u);
  std::vector<Vertex*> added{r.vertices[7], r.vertices[8]};
  std::sort(added.begin(), added.end(),
            [](const Vertex* a, const Vertex* b) { return a->x < b->x; });
  EXPECT_EQ(added[0]->x, want->x);
  EXPECT_EQ(added[0]->y, want->y);
  EXPECT_EQ(added[1]->x, want->x + 100);
  EXPECT_EQ(added[1]->y, want->y);
  EXPECT_EQ(treeLength(r), before - 6);
  EXPECT_EQ(pinParts(r), (std::vector<int>{0, 1, 1, 1, 2, 2, 2}));
  EXPECT_TRUE(lone->visited);
  EXPECT_TRUE(lone->mstNbrs.empty());
  ASSERT_EQ(r.steinerCandidates.size(), 8u);
  for (SteinerCandidate* c : r.steinerCandidates) {
    EXPECT_EQ(c->gain, 3.0f);
  }
}

// An edge added after the tree was built joins u both to a pin A of the
// first triangle and, nearer, to a pin D of the second: the candidate of u
// over A's piece would close a cycle through both parts, which does not
// exist. It is never listed nor given a gain; the parts' own candidates
// still apply.
TEST(SteinerForestTest, CandidateAcrossPartsIsNotApplied) {
  Scene s;
  addTriangle(s, 0, 0);
  addTriangle(s, 0, 100);
  Vertex* u = addPoint(s, 0, 90);
  Router& r = s.router();
  joinTriangle(r, 0);
  joinTriangle(r, 3);
  buildTree(r);
  ASSERT_EQ(r.pinPartCount, 2);
  Vertex* a = s.pins[0];
  Vertex* b = s.pins[1];
  Vertex* d = s.pins[3];
  r.connectSgEdge(u, a);
  r.connectSgEdge(u, d);
  double before = treeLength(r);
  r.gainComputation();
  SteinerCandidate* across = candidateOf(r, u, a, b);
  ASSERT_NE(across, nullptr);
  EXPECT_EQ(u->pMstVerRoot, d);
  EXPECT_TRUE(across->valid);
  EXPECT_EQ(across->pQueryPrime, d);
  EXPECT_EQ(across->gain, -1.0f);
  EXPECT_EQ(across->eVictim, nullptr);
  EXPECT_EQ(across->longestEdgeBetweenQueryVer, nullptr);
  for (Vertex* p : s.pins) {
    EXPECT_FALSE(lists(p->queryCandidates, across));
  }
  r.addSteinerPoints();
  EXPECT_FALSE(isVertex(r, across->s));
  EXPECT_EQ(r.vertices.size(), 9u) << "one Steiner point per triangle";
  EXPECT_EQ(treeLength(r), before - 6);
  EXPECT_EQ(pinParts(r), (std::vector<int>{0, 0, 0, 1, 1, 1}));
}

// A chain of pins deeper than any call stack would take, walked on its own:
// every pin and edge is reached, in one walk.
TEST(EulerTrailTest, LongChainIsWalkedWithoutRecursion) {
  const int pins = 300000;
  Scene s;
  for (int k = 0; k < pins; ++k) {
    s.addPin(static_cast<float>(k), 0);
  }
  Router& r = s.router();
  for (int k = 0; k + 1 < pins; ++k) {
    Edge* m = new Edge(s.pins[k], s.pins[k + 1]);
    r.mstEdges.push_back(m);
    s.pins[k]->mstEdges.push_back(m);
    s.pins[k + 1]->mstEdges.push_back(m);
  }
  r.eulerTrail(s.pins[pins / 2]);
  EXPECT_TRUE(s.pins.front()->visited);
  EXPECT_TRUE(s.pins.back()->visited);
  for (Edge* m : r.mstEdges) {
    ASSERT_TRUE(m->visited);
  }
}

// The same through the whole stage: each pin's candidate over the next
// piece is answered by the edge before it.
TEST(GainComputationTest, LongChainGetsItsAnswers) {
  const int pins = 50000;
  Scene s;
  for (int k = 0; k < pins; ++k) {
    s.addPin(static_cast<float>(k), static_cast<float>(k % 2));
  }
  Router& r = s.router();
  for (int k = 0; k + 1 < pins; ++k) {
    r.connectSgEdge(s.pins[k], s.pins[k + 1]);
  }
  buildTree(r);
  ASSERT_EQ(r.mstEdges.size(), size_t(pins - 1));
  r.gainComputation();
  size_t answered = 0;
  for (SteinerCandidate* c : r.steinerCandidates) {
    if (c->valid) {
      ASSERT_NE(c->eVictim, nullptr);
      EXPECT_EQ(c->eVictim, c->longestEdgeBetweenQueryVer);
      ++answered;
    }
  }
  EXPECT_GT(answered, size_t(pins));
}

}  // namespace
