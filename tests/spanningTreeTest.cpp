#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "geometry/edge.h"
#include "geometry/vertex.h"
#include "router/router.h"
#include "scene.h"
#include "steiner/mergingTree.h"

namespace {

const float inf = std::numeric_limits<float>::infinity();

// A vertex that is no pin, joined only by the edges a test makes: a corner
// whose ring is itself, never walked since no test here adds the sides.
Vertex* addPoint(Scene& s, float x, float y) {
  return s.addCorners({{x, y}})[0];
}

std::vector<Vertex*> subEdgePath(const Edge* m) {
  std::vector<Vertex*> path;
  for (const Edge* sub : m->subEdges) {
    if (path.empty()) {
      path.push_back(sub->pStart);
    }
    path.push_back(sub->pEnd);
  }
  return path;
}

bool lists(const std::vector<Edge*>& l, const Edge* m) {
  return std::find(l.begin(), l.end(), m) != l.end();
}

// Pins whose leaves lie under n.
void collectPins(const BinMergTreeNode* n, std::set<const Vertex*>& pins) {
  if (n->attribute == BinMergTreeNode::leafNode) {
    pins.insert(n->pVertex);
    return;
  }
  collectPins(n->pLeft, pins);
  collectPins(n->pRight, pins);
}

// A sub-edge chain that runs from the edge's pStart pin to its pEnd pin,
// each step a spanning-graph adjacency, each vertex listing the edge.
void expectSoundPath(const Edge* m) {
  ASSERT_FALSE(m->subEdges.empty());
  ASSERT_TRUE(m->pStart->isAPin());
  ASSERT_TRUE(m->pEnd->isAPin());
  EXPECT_EQ(m->subEdges.front()->pStart, m->pStart);
  EXPECT_EQ(m->subEdges.back()->pEnd, m->pEnd);
  const Vertex* at = m->pStart;
  for (const Edge* sub : m->subEdges) {
    ASSERT_EQ(sub->pStart, at) << "sub-edges not contiguous";
    const auto& nbrs = sub->pStart->sgNbrs;
    EXPECT_NE(std::find(nbrs.begin(), nbrs.end(), sub->pEnd), nbrs.end())
        << "a sub-edge is no spanning-graph step";
    at = sub->pEnd;
  }
  for (Vertex* v : subEdgePath(m)) {
    EXPECT_TRUE(v->inTree);
    EXPECT_TRUE(lists(v->mstEdges, m));
  }
}

TEST(ExtendedDijkstraTest, SinglePinIsItsOwnRoot) {
  Scene s;
  Vertex* p = s.addPin(3, 4);
  Router& r = s.router();
  r.extendedDijkstraForPinForest();
  EXPECT_EQ(p->pinDist, 0.0f);
  EXPECT_EQ(p->pPinPred, p);
  EXPECT_EQ(p->pPinRoot, p);
}

// A corner halfway between two pins: the pin first in the vertex list
// leaves the heap first and keeps the corner, whatever the corner's
// neighbour order.
TEST(ExtendedDijkstraTest, EquidistantCornerTakesFirstPin) {
  for (bool firstLeft : {true, false}) {
    SCOPED_TRACE(firstLeft ? "left pin first" : "right pin first");
    Scene s;
    Vertex* a = s.addPin(firstLeft ? 0.0f : 4.0f, 0);
    Vertex* b = s.addPin(firstLeft ? 4.0f : 0.0f, 0);
    Vertex* c = addPoint(s, 2, 0);
    Router& r = s.router();
    r.connectSgEdge(c, b);
    r.connectSgEdge(c, a);
    r.extendedDijkstraForPinForest();
    EXPECT_EQ(c->pinDist, 2.0f);
    EXPECT_EQ(c->pPinPred, a);
    EXPECT_EQ(c->pPinRoot, a);
    EXPECT_EQ(b->pPinRoot, b);
  }
}

// x is offered 5 through a first, then 3 through b. z is 7 from both x
// (reached at 3) and y (reached at 4), so it shows that x left the heap at
// its lowered key, before y.
TEST(ExtendedDijkstraTest, ShorterPathReplacesLongerOne) {
  Scene s;
  Vertex* p = s.addPin(0, 0);
  Vertex* a = addPoint(s, 0, 1);
  Vertex* b = addPoint(s, 2, 0);
  Vertex* x = addPoint(s, 3, 0);
  Vertex* y = addPoint(s, 0, 4);
  Vertex* z = addPoint(s, 1, 2);
  Router& r = s.router();
  r.connectSgEdge(p, a);
  r.connectSgEdge(p, b);
  r.connectSgEdge(a, x);
  r.connectSgEdge(b, x);
  r.connectSgEdge(a, y);
  r.connectSgEdge(y, z);
  r.connectSgEdge(x, z);
  r.extendedDijkstraForPinForest();
  EXPECT_EQ(x->pinDist, 3.0f);
  EXPECT_EQ(x->pPinPred, b);
  EXPECT_EQ(y->pinDist, 4.0f);
  EXPECT_EQ(z->pinDist, 7.0f);
  EXPECT_EQ(z->pPinPred, x) << "x left the heap at its first, longer key";
  for (Vertex* v : {a, b, x, y, z}) {
    EXPECT_EQ(v->pPinRoot, p);
  }
}

TEST(ExtendedDijkstraTest, UnreachedComponentStaysInfinite) {
  Scene s;
  Vertex* p = s.addPin(0, 0);
  Vertex* q = addPoint(s, 1, 0);
  Vertex* u = addPoint(s, 5, 5);
  Vertex* w = addPoint(s, 6, 5);
  Vertex* t = addPoint(s, 6, 9);
  Router& r = s.router();
  r.connectSgEdge(p, q);
  r.connectSgEdge(u, w);
  r.connectSgEdge(w, t);
  r.extendedDijkstraForPinForest();
  EXPECT_EQ(q->pinDist, 1.0f);
  EXPECT_EQ(q->pPinRoot, p);
  for (Vertex* v : {u, w, t}) {
    EXPECT_EQ(v->pinDist, inf);
    EXPECT_EQ(v->pPinPred, v);
    EXPECT_EQ(v->pPinRoot, v);
  }
}

// Far beyond the old finite mark of an unreached vertex.
TEST(ExtendedDijkstraTest, FarAndNegativeVerticesAreReached) {
  Scene s;
  Vertex* p = s.addPin(-5e7f, 0);
  Vertex* c = addPoint(s, 1e8f, 0);
  Vertex* d = addPoint(s, 1e8f, 3e8f);
  Router& r = s.router();
  r.connectSgEdge(p, c);
  r.connectSgEdge(c, d);
  r.extendedDijkstraForPinForest();
  EXPECT_EQ(c->pinDist, 1.5e8f);
  EXPECT_EQ(c->pPinPred, p);
  EXPECT_EQ(d->pinDist, 4.5e8f);
  EXPECT_EQ(d->pPinRoot, p);
}

TEST(ExtendedDijkstraTest, MstVerForestFromPinsMatchesPinForest) {
  Scene s;
  s.addPin(0, 0);
  s.addPin(10, 3);
  s.addRect(3, -2, 6, 5);
  Router& r = s.router();
  r.connectObstEdges();
  r.connectSgEdge(s.pins[0], s.corners[0]);
  r.connectSgEdge(s.pins[0], s.corners[3]);
  r.connectSgEdge(s.pins[1], s.corners[1]);
  r.connectSgEdge(s.pins[1], s.corners[2]);
  r.extendedDijkstraForPinForest();
  r.extendedDijkstraForMstVerForest();
  for (Vertex* v : r.vertices) {
    EXPECT_EQ(v->mstVerDist, v->pinDist);
    EXPECT_EQ(v->pMstVerPred, v->pPinPred);
    EXPECT_EQ(v->pMstVerRoot, v->pPinRoot);
  }
}

TEST(ExtendedDijkstraTest, MstVerForestGrowsFromTreeVertices) {
  Scene s;
  Vertex* p = s.addPin(0, 0);
  Vertex* a = addPoint(s, 4, 0);
  Vertex* b = addPoint(s, 5, 0);
  Router& r = s.router();
  r.connectSgEdge(p, a);
  r.connectSgEdge(a, b);
  a->inTree = true;
  r.extendedDijkstraForMstVerForest();
  EXPECT_EQ(a->mstVerDist, 0.0f);
  EXPECT_EQ(a->pMstVerRoot, a);
  EXPECT_EQ(b->mstVerDist, 1.0f);
  EXPECT_EQ(b->pMstVerRoot, a);
  EXPECT_EQ(p->pMstVerRoot, p);
}

TEST(ExtendedKruskalTest, TwoPinsOneEdge) {
  Scene s;
  Vertex* a = s.addPin(0, 0);
  Vertex* b = s.addPin(3, -4);
  Router& r = s.router();
  r.connectSgEdge(a, b);
  r.extendedDijkstraForPinForest();
  r.extendedKruskal();
  ASSERT_EQ(r.mstEdges.size(), 1u);
  Edge* m = r.mstEdges[0];
  EXPECT_EQ(m->pStart, a);
  EXPECT_EQ(m->pEnd, b);
  ASSERT_EQ(m->subEdges.size(), 1u);
  EXPECT_EQ(m->subEdges.front()->pStart, a);
  EXPECT_EQ(m->subEdges.front()->pEnd, b);
  EXPECT_EQ(m->mstEdgeLen(), 7.0f);
  BinMergTreeNode* root = r.mergingTree.pRoot;
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->pEdge, m);
  EXPECT_EQ(root->attribute, BinMergTreeNode::internalNode);
  EXPECT_EQ(root->pLeft, a->pLeafNode);
  EXPECT_EQ(root->pRight, b->pLeafNode);
  EXPECT_EQ(a->pLeafNode->pVertex, a);
  EXPECT_EQ(a->pLeafNode->attribute, BinMergTreeNode::leafNode);
  EXPECT_EQ(a->pLeafNode->pParent, root);
  EXPECT_EQ(r.store.mergTreeNodes.size(), 3u);
  EXPECT_EQ(a->mstNbrs, std::vector<Vertex*>{b});
  EXPECT_EQ(r.pinPartCount, 1);
}

// P1-P2 is accepted first, P2-P3 second: P2 gets its leaf once, and the
// second node, over the first node and P3's leaf, becomes the root.
TEST(ExtendedKruskalTest, ChainOfThreePinsMergingTree) {
  Scene s;
  Vertex* p1 = s.addPin(0, 0);
  Vertex* p2 = s.addPin(2, 0);
  Vertex* p3 = s.addPin(5, 0);
  Router& r = s.router();
  r.connectSgEdge(p2, p3);
  r.connectSgEdge(p1, p2);
  r.extendedDijkstraForPinForest();
  r.extendedKruskal();
  ASSERT_EQ(r.mstEdges.size(), 2u);
  Edge* first = r.mstEdges[0];
  Edge* second = r.mstEdges[1];
  EXPECT_EQ(first->pStart, p1);
  EXPECT_EQ(second->pStart, p2);
  EXPECT_EQ(second->pEnd, p3);
  BinMergTreeNode* root = r.mergingTree.pRoot;
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->pEdge, second);
  EXPECT_EQ(root->pParent, nullptr);
  ASSERT_NE(root->pLeft, nullptr);
  EXPECT_EQ(root->pLeft->pEdge, first);
  EXPECT_EQ(root->pLeft->pParent, root);
  EXPECT_EQ(root->pRight, p3->pLeafNode);
  EXPECT_EQ(root->pLeft->pLeft, p1->pLeafNode);
  EXPECT_EQ(root->pLeft->pRight, p2->pLeafNode);
  EXPECT_EQ(r.store.mergTreeNodes.size(), 5u);
  EXPECT_EQ(r.pinPartCount, 1);
}

TEST(ExtendedKruskalTest, AcceptedEdgeFromAPin) {
  Scene s;
  Vertex* a = s.addPin(0, 0);
  Vertex* b = s.addPin(6, 0);
  Vertex* c = addPoint(s, 4, 0);
  Router& r = s.router();
  r.connectSgEdge(b, c);
  r.connectSgEdge(a, c);
  r.extendedDijkstraForPinForest();
  ASSERT_EQ(c->pPinRoot, b);
  EXPECT_FALSE(c->inTree);
  r.extendedKruskal();
  ASSERT_EQ(r.mstEdges.size(), 1u);
  Edge* m = r.mstEdges[0];
  EXPECT_EQ(m->pStart, a);
  EXPECT_EQ(m->pEnd, b);
  EXPECT_EQ(subEdgePath(m), (std::vector<Vertex*>{a, c, b}));
  EXPECT_TRUE(c->inTree);
  EXPECT_EQ(c->mstNbrs, (std::vector<Vertex*>{a, b}));
  EXPECT_EQ(c->mstEdges, std::vector<Edge*>{m});
  expectSoundPath(m);
}

// u's predecessor is p1, whose is the pin p2; v's is q1, whose is the pin
// q2.
class PathOrderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    p2 = s.addPin(0, 0);
    q2 = s.addPin(10, 0);
    p1 = addPoint(s, 2, 0);
    u = addPoint(s, 4, 0);
    v = addPoint(s, 6, 0);
    q1 = addPoint(s, 8, 0);
    Router& r = s.router();
    r.connectSgEdge(p2, p1);
    r.connectSgEdge(p1, u);
    r.connectSgEdge(v, q1);
    r.connectSgEdge(q1, q2);
    r.connectSgEdge(u, v);
    r.extendedDijkstraForPinForest();
    r.extendedKruskal();
  }
  Scene s;
  Vertex *p2, *q2, *p1, *u, *v, *q1;
};

TEST_F(PathOrderTest, SubEdgesRunFromPinToPin) {
  Router& r = s.router();
  ASSERT_EQ(r.mstEdges.size(), 1u);
  Edge* m = r.mstEdges[0];
  EXPECT_EQ(m->pStart, p2);
  EXPECT_EQ(m->pEnd, q2);
  EXPECT_EQ(subEdgePath(m), (std::vector<Vertex*>{p2, p1, u, v, q1, q2}));
  EXPECT_EQ(m->mstEdgeLen(), 10.0f);
  expectSoundPath(m);
  EXPECT_EQ(u->mstNbrs, (std::vector<Vertex*>{v, p1}));
  EXPECT_EQ(q1->mstNbrs, (std::vector<Vertex*>{v, q2}));
}

// An edge never queued keeps the heapIndex it was built with.
TEST_F(PathOrderTest, EdgesWithinOnePinTreeAreNoCandidates) {
  Router& r = s.router();
  ASSERT_EQ(r.sgEdges.size(), 5u);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(r.sgEdges[k]->heapIndex, -1) << "edge " << k << " was queued";
  }
  EXPECT_NE(r.sgEdges[4]->heapIndex, -1);
  EXPECT_EQ(r.sgEdges[4]->heapKey, 10.0f);
}

// The longest side of the triangle is queued but, its pins joined by then,
// dropped without a trace.
TEST(ExtendedKruskalTest, CandidateWithinJoinedTreesIsDropped) {
  Scene s;
  Vertex* a = s.addPin(0, 0);
  Vertex* b = s.addPin(2, 0);
  Vertex* c = s.addPin(0, 3);
  Router& r = s.router();
  r.connectSgEdge(b, c);
  r.connectSgEdge(a, b);
  r.connectSgEdge(a, c);
  r.extendedDijkstraForPinForest();
  r.extendedKruskal();
  ASSERT_EQ(r.mstEdges.size(), 2u);
  EXPECT_EQ(r.mstEdges[0]->mstEdgeLen(), 2.0f);
  EXPECT_EQ(r.mstEdges[1]->mstEdgeLen(), 3.0f);
  EXPECT_NE(r.sgEdges[0]->heapIndex, -1);
  EXPECT_EQ(r.store.mergTreeNodes.size(), 5u);
  EXPECT_EQ(b->mstNbrs, std::vector<Vertex*>{a});
  EXPECT_EQ(c->mstNbrs, std::vector<Vertex*>{a});
}

// Expanding an edge between vertices no pin reaches would walk forever.
TEST(ExtendedKruskalTest, UnreachedEdgesKeptOut) {
  Scene s;
  Vertex* a = s.addPin(0, 0);
  Vertex* b = s.addPin(1, 0);
  Vertex* u = addPoint(s, 5, 5);
  Vertex* w = addPoint(s, 6, 5);
  Vertex* t = addPoint(s, 6, 6);
  Router& r = s.router();
  r.connectSgEdge(u, w);
  r.connectSgEdge(a, b);
  r.connectSgEdge(w, t);
  r.connectSgEdge(t, u);
  r.extendedDijkstraForPinForest();
  r.extendedKruskal();
  ASSERT_EQ(r.mstEdges.size(), 1u);
  EXPECT_EQ(r.sgEdges[0]->heapIndex, -1);
  EXPECT_EQ(r.sgEdges[2]->heapIndex, -1);
  EXPECT_EQ(r.sgEdges[3]->heapIndex, -1);
  for (Vertex* v : {u, w, t}) {
    EXPECT_FALSE(v->inTree);
    EXPECT_TRUE(v->mstNbrs.empty());
  }
  EXPECT_EQ(r.pinPartCount, 1);
}

// Two joined pairs and a lone pin: three parts, the tree's root the node of
// the last edge accepted.
TEST(ExtendedKruskalTest, DisconnectedPinsMakeAForest) {
  Scene s;
  Vertex* a = s.addPin(0, 0);
  Vertex* b = s.addPin(1, 0);
  Vertex* c = s.addPin(10, 0);
  Vertex* d = s.addPin(13, 0);
  s.addPin(20, 20);
  Vertex* x = addPoint(s, 11, 0);
  Router& r = s.router();
  r.connectSgEdge(c, x);
  r.connectSgEdge(x, d);
  r.connectSgEdge(a, b);
  r.extendedDijkstraForPinForest();
  r.extendedKruskal();
  ASSERT_EQ(r.mstEdges.size(), 2u);
  EXPECT_EQ(r.pinPartCount, 3);
  EXPECT_EQ(r.mergingTree.pRoot->pEdge, r.mstEdges[1]);
  EXPECT_EQ(r.mstEdges[1]->pStart, c);
  EXPECT_EQ(r.mstEdges[1]->pEnd, d);
  for (Edge* m : r.mstEdges) {
    expectSoundPath(m);
  }
}

// Two pins either side of a block, joined only round it.
TEST(ExtendedKruskalTest, PathGoesRoundObstacle) {
  Scene s;
  Vertex* a = s.addPin(0, 2);
  Vertex* b = s.addPin(6, 2);
  std::vector<Vertex*> c = s.addRect(2, 0, 4, 4);
  Router& r = s.router();
  r.connectObstEdges();
  r.connectSgEdge(a, c[0]);
  r.connectSgEdge(a, c[3]);
  r.connectSgEdge(b, c[1]);
  r.connectSgEdge(b, c[2]);
  r.extendedDijkstraForPinForest();
  r.extendedKruskal();
  ASSERT_EQ(r.mstEdges.size(), 1u);
  Edge* m = r.mstEdges[0];
  EXPECT_EQ(m->mstEdgeLen(), 10.0f);
  ASSERT_EQ(m->subEdges.size(), 3u);
  std::vector<Vertex*> path = subEdgePath(m);
  EXPECT_EQ(path[1]->y, path[2]->y) << "the path crosses the block";
  expectSoundPath(m);
}

// The slow reference: exact shortest-path distances and the minimum spanning
// forest of the pins under them.
struct Reference {
  explicit Reference(const Router& r) : n(static_cast<int>(r.vertices.size())) {
    for (int i = 0; i < n; ++i) {
      index[r.vertices[i]] = i;
    }
    adj.resize(n);
    for (const Edge* e : r.sgEdges) {
      int i = index.at(e->pStart), j = index.at(e->pEnd);
      double len = std::fabs(double(e->pStart->x) - e->pEnd->x) +
                   std::fabs(double(e->pStart->y) - e->pEnd->y);
      adj[i].push_back({j, len});
      adj[j].push_back({i, len});
    }
  }

  // Distances from all sources at once, by the O(n^2) textbook method.
  std::vector<double> distances(const std::vector<int>& sources) const {
    std::vector<double> d(n, std::numeric_limits<double>::infinity());
    std::vector<bool> done(n, false);
    for (int src : sources) {
      d[src] = 0;
    }
    for (int round = 0; round < n; ++round) {
      int best = -1;
      for (int i = 0; i < n; ++i) {
        if (!done[i] && (best < 0 || d[i] < d[best])) {
          best = i;
        }
      }
      done[best] = true;
      if (std::isinf(d[best])) {
        break;
      }
      for (const auto& [j, len] : adj[best]) {
        d[j] = std::min(d[j], d[best] + len);
      }
    }
    return d;
  }

  // Prim over the pins' distance graph, restarted in every part.
  void spanPins(const std::vector<int>& pins) {
    std::vector<std::vector<double>> dist;
    for (int p : pins) {
      std::vector<double> d = distances({p});
      std::vector<double> row;
      for (int q : pins) {
        row.push_back(d[q]);
      }
      dist.push_back(row);
    }
    size_t k = pins.size();
    std::vector<bool> joined(k, false);
    std::vector<double> key(k, std::numeric_limits<double>::infinity());
    for (size_t round = 0; round < k; ++round) {
      size_t best = k;
      for (size_t i = 0; i < k; ++i) {
        if (!joined[i] && (best == k || key[i] < key[best])) {
          best = i;
        }
      }
      if (std::isinf(key[best])) {
        ++parts;
      } else {
        length += key[best];
      }
      joined[best] = true;
      for (size_t i = 0; i < k; ++i) {
        key[i] = std::min(key[i], dist[best][i]);
      }
    }
  }

  int n;
  std::map<const Vertex*, int> index;
  std::vector<std::vector<std::pair<int, double>>> adj;
  double length = 0;
  int parts = 0;
};

// Float sums of up to a few dozen terms, against exact ones.
double slack(double x) {
  return 1e-5 * (1 + std::fabs(x));
}

void expectCloseTo(double got, double want, const char* what) {
  if (std::isinf(want)) {
    EXPECT_TRUE(std::isinf(got)) << what;
    return;
  }
  EXPECT_NEAR(got, want, slack(want)) << what;
}

// Both stages against the reference on the graph the test built.
void checkAgainstReference(Router& r) {
  Reference ref(r);
  std::vector<int> pins;
  for (int i = 0; i < ref.n; ++i) {
    if (r.vertices[i]->isAPin()) {
      pins.push_back(i);
    }
  }
  ref.spanPins(pins);

  r.extendedDijkstraForPinForest();
  std::vector<double> d = ref.distances(pins);
  for (int i = 0; i < ref.n; ++i) {
    Vertex* v = r.vertices[i];
    SCOPED_TRACE("vertex " + std::to_string(i));
    expectCloseTo(v->pinDist, d[i], "pinDist");
    Vertex* w = v;
    for (int steps = 0; w->pPinPred != w && steps <= ref.n; ++steps) {
      Vertex* p = w->pPinPred;
      expectCloseTo(
          w->pinDist,
          double(p->pinDist) + std::fabs(p->x - w->x) + std::fabs(p->y - w->y),
          "a step of the predecessor chain");
      w = p;
    }
    ASSERT_EQ(w, v->pPinRoot) << "predecessor chain misses the root";
    if (std::isinf(d[i])) {
      EXPECT_EQ(v->pPinRoot, v);
    } else {
      EXPECT_TRUE(v->pPinRoot->isAPin());
    }
  }

  r.extendedKruskal();
  double total = 0;
  float lastLen = 0;
  for (Edge* m : r.mstEdges) {
    expectSoundPath(m);
    EXPECT_GE(m->mstEdgeLen(), lastLen - slack(lastLen))
        << "edges not accepted in key order";
    lastLen = m->mstEdgeLen();
    total += m->mstEdgeLen();
  }
  expectCloseTo(total, ref.length, "spanning tree length");
  EXPECT_EQ(r.pinPartCount, ref.parts);
  EXPECT_EQ(r.mstEdges.size(), pins.size() - ref.parts);

  // One leaf per joined pin, one internal node per edge; each internal
  // node's sides hold its edge's two pins, and no key grows towards the
  // leaves.
  size_t joinedPins = 0;
  for (int i : pins) {
    if (!r.vertices[i]->mstEdges.empty()) {
      ++joinedPins;
      EXPECT_NE(r.vertices[i]->pLeafNode, nullptr);
    }
  }
  EXPECT_EQ(r.store.mergTreeNodes.size(), joinedPins + r.mstEdges.size());
  if (!r.mstEdges.empty()) {
    EXPECT_EQ(r.mergingTree.pRoot->pEdge, r.mstEdges.back());
  }
  for (BinMergTreeNode* node : r.store.mergTreeNodes) {
    if (node->attribute == BinMergTreeNode::leafNode) {
      EXPECT_EQ(node->pVertex->pLeafNode, node);
      continue;
    }
    std::set<const Vertex*> left, right;
    collectPins(node->pLeft, left);
    collectPins(node->pRight, right);
    EXPECT_TRUE(left.count(node->pEdge->pStart));
    EXPECT_TRUE(right.count(node->pEdge->pEnd));
    if (node->pParent) {
      float up = node->pParent->pEdge->mstEdgeLen();
      EXPECT_LE(node->pEdge->mstEdgeLen(), up + slack(up));
    }
  }

  // Every vertex on the tree is now a source of the second search.
  std::vector<int> tree;
  for (int i = 0; i < ref.n; ++i) {
    if (r.vertices[i]->inTree) {
      tree.push_back(i);
    }
  }
  r.extendedDijkstraForMstVerForest();
  std::vector<double> dt = ref.distances(tree);
  for (int i = 0; i < ref.n; ++i) {
    Vertex* v = r.vertices[i];
    expectCloseTo(v->mstVerDist, dt[i], "mstVerDist");
    EXPECT_EQ(v->pMstVerRoot->inTree, !std::isinf(dt[i]));
  }
}

// Random pins and other vertices, each pair joined with some chance: sparse
// draws leave forests and pinless parts, dense ones a single tree.
TEST(SpanningTreeDifferentialTest, RandomGraphs) {
  for (unsigned seed = 1; seed <= 120; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    int pins = 1 + static_cast<int>(rng() % 9);
    int others = static_cast<int>(rng() % 14);
    double chance = 0.05 + 0.05 * (rng() % 8);
    bool wide = seed % 4 == 0;
    std::uniform_int_distribution<int> coord(wide ? -4000000 : 0,
                                             wide ? 4000000 : 60);
    Scene s;
    for (int k = 0; k < pins; ++k) {
      s.addPin(float(coord(rng)), float(coord(rng)));
    }
    for (int k = 0; k < others; ++k) {
      addPoint(s, float(coord(rng)), float(coord(rng)));
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
    checkAgainstReference(r);
  }
}

// The complete graph over random pins plus some vertices off the pins:
// always one tree with pins - 1 edges.
TEST(SpanningTreeDifferentialTest, CompleteGraphsWithExtraVertices) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> coord(-50, 50);
    Scene s;
    int pins = 2 + static_cast<int>(rng() % 10);
    for (int k = 0; k < pins; ++k) {
      s.addPin(float(coord(rng)), float(coord(rng)));
    }
    for (int k = 0; k < 5; ++k) {
      addPoint(s, float(coord(rng)), float(coord(rng)));
    }
    Router& r = s.router();
    for (size_t i = 0; i < r.vertices.size(); ++i) {
      for (size_t j = i + 1; j < r.vertices.size(); ++j) {
        r.connectSgEdge(r.vertices[i], r.vertices[j]);
      }
    }
    checkAgainstReference(r);
    EXPECT_EQ(r.mstEdges.size(), size_t(pins - 1));
    EXPECT_EQ(r.pinPartCount, 1);
  }
}

// Pins only, all pairs joined: the plain rectilinear spanning tree, checked
// against Prim on the pins' rectilinear distances.
TEST(SpanningTreeDifferentialTest, CompleteGraphOverPinsIsRectilinearMst) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> coord(0, 1000);
    Scene s;
    int n = 2 + static_cast<int>(rng() % 20);
    for (int k = 0; k < n; ++k) {
      s.addPin(float(coord(rng)), float(coord(rng)));
    }
    Router& r = s.router();
    for (int i = 0; i < n; ++i) {
      for (int j = i + 1; j < n; ++j) {
        r.connectSgEdge(s.pins[i], s.pins[j]);
      }
    }
    r.extendedDijkstraForPinForest();
    r.extendedKruskal();

    std::vector<bool> joined(n, false);
    std::vector<double> key(n, std::numeric_limits<double>::infinity());
    key[0] = 0;
    double want = 0;
    for (int round = 0; round < n; ++round) {
      int best = -1;
      for (int i = 0; i < n; ++i) {
        if (!joined[i] && (best < 0 || key[i] < key[best])) {
          best = i;
        }
      }
      joined[best] = true;
      want += key[best];
      for (int i = 0; i < n; ++i) {
        key[i] = std::min<double>(
            key[i], std::fabs(s.pins[best]->x - s.pins[i]->x) +
                        std::fabs(s.pins[best]->y - s.pins[i]->y));
      }
    }
    double total = 0;
    for (Edge* m : r.mstEdges) {
      ASSERT_EQ(m->subEdges.size(), 1u) << "a pin-to-pin edge took a detour";
      total += m->mstEdgeLen();
    }
    EXPECT_EQ(total, want);
    EXPECT_EQ(r.mstEdges.size(), size_t(n - 1));
  }
}

}  // namespace
