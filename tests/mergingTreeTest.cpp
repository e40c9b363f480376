#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "geometry/edge.h"
#include "geometry/vertex.h"
#include "steiner/mergingTree.h"
#include "steiner/steinerCandidate.h"

namespace {

// Merging trees built by hand: pins with their leaves, one edge per internal
// node, and candidates that only carry query vertices.
class Forest {
 public:
  Vertex* addPin() {
    float x = static_cast<float>(pins.size());
    pins.push_back(std::make_unique<Vertex>(x, 0, "pin"));
    Vertex* p = pins.back().get();
    BinMergTreeNode* leaf = newNode();
    leaf->pVertex = p;
    leaf->attribute = BinMergTreeNode::leafNode;
    p->pLeafNode = leaf;
    return p;
  }

  // The node that joins the parts under a and b, as extended Kruskal does.
  BinMergTreeNode* join(BinMergTreeNode* a, BinMergTreeNode* b) {
    edges.push_back(std::make_unique<Edge>());
    BinMergTreeNode* n = newNode();
    n->pEdge = edges.back().get();
    tree.merge(n, a, b);
    return n;
  }

  // Listed at both query vertices, as gain computation lists them.
  SteinerCandidate* ask(Vertex* a, Vertex* b, bool valid = true) {
    candidates.push_back(std::make_unique<SteinerCandidate>(
        a, &dummyPiece, &dummyPiece, &dummyPiece));
    SteinerCandidate* c = candidates.back().get();
    c->pQuery = a;
    c->pQueryPrime = b;
    c->valid = valid;
    a->queryCandidates.push_back(c);
    b->queryCandidates.push_back(c);
    return c;
  }

  BinaryMergingTree tree;
  std::vector<std::unique_ptr<Vertex>> pins;
  std::vector<std::unique_ptr<Edge>> edges;
  std::vector<std::unique_ptr<BinMergTreeNode>> nodes;
  std::vector<std::unique_ptr<SteinerCandidate>> candidates;

 private:
  BinMergTreeNode* newNode() {
    nodes.push_back(std::make_unique<BinMergTreeNode>());
    return nodes.back().get();
  }

  Vertex end{0, 0, "pin"};
  Edge dummyPiece{&end, &end};
};

TEST(LcaQueryTest, TwoPinsGetTheirEdge) {
  Forest f;
  Vertex* a = f.addPin();
  Vertex* b = f.addPin();
  BinMergTreeNode* n = f.join(a->pLeafNode, b->pLeafNode);
  SteinerCandidate* c = f.ask(a, b);
  f.tree.lcaQuery();
  EXPECT_EQ(c->longestEdgeBetweenQueryVer, n->pEdge);
  for (auto& node : f.nodes) {
    EXPECT_EQ(node->color, BinMergTreeNode::black);
  }
}

// P1-P2 joined first with the smaller key, P2-P3 second.
class ChainOfThreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    p1 = f.addPin();
    p2 = f.addPin();
    p3 = f.addPin();
    n12 = f.join(p1->pLeafNode, p2->pLeafNode);
    n23 = f.join(n12, p3->pLeafNode);
  }
  Forest f;
  Vertex *p1, *p2, *p3;
  BinMergTreeNode *n12, *n23;
};

TEST_F(ChainOfThreeTest, EachPairGetsTheLongestEdgeBetween) {
  SteinerCandidate* c13 = f.ask(p1, p3);
  SteinerCandidate* c12 = f.ask(p1, p2);
  SteinerCandidate* c23 = f.ask(p2, p3);
  SteinerCandidate* c31 = f.ask(p3, p1);
  f.tree.lcaQuery();
  EXPECT_EQ(c13->longestEdgeBetweenQueryVer, n23->pEdge);
  EXPECT_EQ(c12->longestEdgeBetweenQueryVer, n12->pEdge);
  EXPECT_EQ(c23->longestEdgeBetweenQueryVer, n23->pEdge);
  EXPECT_EQ(c31->longestEdgeBetweenQueryVer, n23->pEdge);
}

TEST_F(ChainOfThreeTest, SamePinTwiceGetsNoEdge) {
  SteinerCandidate* c = f.ask(p2, p2);
  ASSERT_EQ(p2->queryCandidates.size(), 2u);
  f.tree.lcaQuery();
  EXPECT_EQ(c->longestEdgeBetweenQueryVer, nullptr);
}

TEST_F(ChainOfThreeTest, InvalidCandidateKeepsNull) {
  SteinerCandidate* c = f.ask(p1, p3, false);
  f.tree.lcaQuery();
  EXPECT_EQ(c->longestEdgeBetweenQueryVer, nullptr);
}

// The answer is written at the leaf reached second: P1's leaf is finished
// before P3's, so a candidate listed at P1 alone finds P3 still white.
TEST_F(ChainOfThreeTest, AnsweredAtTheLeafReachedSecond) {
  SteinerCandidate* atFirst = f.ask(p1, p3);
  p3->queryCandidates.clear();
  SteinerCandidate* atSecond = f.ask(p1, p3);
  p1->queryCandidates.pop_back();
  f.tree.lcaQuery();
  EXPECT_EQ(atFirst->longestEdgeBetweenQueryVer, nullptr);
  EXPECT_EQ(atSecond->longestEdgeBetweenQueryVer, n23->pEdge);
}

TEST(LcaQueryTest, AnswersDoNotDependOnListOrder) {
  for (bool reversed : {false, true}) {
    SCOPED_TRACE(reversed ? "lists reversed" : "lists as made");
    Forest f;
    std::vector<Vertex*> p;
    for (int k = 0; k < 5; ++k) {
      p.push_back(f.addPin());
    }
    BinMergTreeNode* a = f.join(p[3]->pLeafNode, p[1]->pLeafNode);
    BinMergTreeNode* b = f.join(p[0]->pLeafNode, p[4]->pLeafNode);
    BinMergTreeNode* c = f.join(b, p[2]->pLeafNode);
    BinMergTreeNode* root = f.join(a, c);
    std::vector<SteinerCandidate*> asked;
    for (int i = 0; i < 5; ++i) {
      for (int j = 0; j < 5; ++j) {
        asked.push_back(f.ask(p[i], p[j]));
      }
    }
    if (reversed) {
      for (Vertex* v : p) {
        std::reverse(v->queryCandidates.begin(), v->queryCandidates.end());
      }
    }
    f.tree.lcaQuery();
    auto answer = [&](int i, int j) {
      return asked[i * 5 + j]->longestEdgeBetweenQueryVer;
    };
    EXPECT_EQ(answer(3, 1), a->pEdge);
    EXPECT_EQ(answer(0, 4), b->pEdge);
    EXPECT_EQ(answer(4, 2), c->pEdge);
    EXPECT_EQ(answer(2, 1), root->pEdge);
    EXPECT_EQ(answer(1, 0), root->pEdge);
    EXPECT_EQ(answer(2, 2), nullptr);
  }
}

TEST(LcaQueryTest, EmptyTreeAnswersNothing) {
  Forest f;
  f.tree.lcaQuery();
  EXPECT_TRUE(f.tree.nodeSet.members.empty());
}

// The LCA by climbing from both leaves.
const Edge* climbLca(const Vertex* a, const Vertex* b) {
  std::set<const BinMergTreeNode*> above;
  for (const BinMergTreeNode* n = a->pLeafNode; n; n = n->pParent) {
    above.insert(n);
  }
  for (const BinMergTreeNode* n = b->pLeafNode; n; n = n->pParent) {
    if (above.count(n)) {
      return n->pEdge;
    }
  }
  return nullptr;
}

// A random merging tree over pins joined in random pairs, and random
// queries; the same seed builds the same forest.
void buildRandom(Forest& f, unsigned seed) {
  std::mt19937 rng(seed);
  int pins = 1 + static_cast<int>(rng() % 40);
  std::vector<BinMergTreeNode*> parts;
  std::vector<Vertex*> p;
  for (int k = 0; k < pins; ++k) {
    p.push_back(f.addPin());
    parts.push_back(p.back()->pLeafNode);
  }
  // Mostly joining onto the last part, for deep chains.
  while (parts.size() > 1) {
    size_t i = rng() % 3 == 0 ? rng() % parts.size() : parts.size() - 1;
    size_t j = rng() % (parts.size() - 1);
    if (j >= i) {
      ++j;
    }
    BinMergTreeNode* n = f.join(parts[i], parts[j]);
    parts[std::min(i, j)] = n;
    parts.erase(parts.begin() + std::max(i, j));
  }
  int queries = static_cast<int>(rng() % 60);
  for (int q = 0; q < queries; ++q) {
    f.ask(p[rng() % pins], p[rng() % pins], rng() % 8 != 0);
  }
}

// Every valid candidate gets the edge of its pins' lowest common ancestor,
// found by climbing; every node is walked once there is a root.
TEST(LcaQueryTest, WalkAnswersAsClimbingDoesOnRandomTrees) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Forest f;
    buildRandom(f, seed);
    f.tree.lcaQuery();
    for (size_t k = 0; k < f.nodes.size(); ++k) {
      // A single pin makes no root, and nothing is walked.
      EXPECT_EQ(f.nodes[k]->color == BinMergTreeNode::black,
                f.tree.pRoot != nullptr);
    }
    for (size_t k = 0; k < f.candidates.size(); ++k) {
      const SteinerCandidate* c = f.candidates[k].get();
      const Edge* want =
          c->valid ? climbLca(c->pQuery, c->pQueryPrime) : nullptr;
      EXPECT_EQ(c->longestEdgeBetweenQueryVer, want) << "candidate " << k;
    }
  }
}

// A chain-like merging tree deeper than any call stack would take.
TEST(LcaQueryTest, DeepChainIsWalkedWithoutRecursion) {
  const int depth = 200000;
  Forest f;
  Vertex* first = f.addPin();
  Vertex* second = f.addPin();
  BinMergTreeNode* part = f.join(first->pLeafNode, second->pLeafNode);
  BinMergTreeNode* lowest = part;
  Vertex* last = second;
  for (int k = 2; k <= depth; ++k) {
    last = f.addPin();
    part = f.join(part, last->pLeafNode);
  }
  SteinerCandidate* deep = f.ask(first, second);
  SteinerCandidate* far = f.ask(first, last);
  f.tree.lcaQuery();
  EXPECT_EQ(deep->longestEdgeBetweenQueryVer, lowest->pEdge);
  EXPECT_EQ(far->longestEdgeBetweenQueryVer, f.tree.pRoot->pEdge);
}

}  // namespace
