#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "geometry/vertex.h"
#include "tests/binarySearchTree.h"

namespace {

using VerNode = Node<Vertex, Vertex*, float>;
using VerTree = BinarySearchTree<Vertex, Vertex*, float>;

const float kInf = std::numeric_limits<float>::infinity();

// Elements for the tree to point at; the tree never owns them.
class Elems {
 public:
  explicit Elems(int n) {
    pool_.reserve(n);
    for (int i = 0; i < n; ++i) {
      pool_.emplace_back(static_cast<float>(i), 0.0f, "pin");
    }
  }
  Vertex* operator[](int i) { return &pool_[i]; }

 private:
  std::vector<Vertex> pool_;
};

int depth(const VerNode* n) {
  int d = 0;
  for (; n->parent(); n = n->parent()) {
    ++d;
  }
  return d;
}

// Checks the links and the order invariant; returns the (key, element)
// pairs in order.
void collect(const VerNode* n, std::vector<std::pair<float, Vertex*>>& out) {
  std::vector<const VerNode*> stack;
  while (n || !stack.empty()) {
    for (; n; n = n->left()) {
      stack.push_back(n);
    }
    n = stack.back();
    stack.pop_back();
    if (n->left()) {
      EXPECT_EQ(n->left()->parent(), n);
      EXPECT_LT(n->left()->key(), n->key());
    }
    if (n->right()) {
      EXPECT_EQ(n->right()->parent(), n);
      EXPECT_GE(n->right()->key(), n->key());
    }
    out.emplace_back(n->key(), n->pElem());
    n = n->right();
  }
}

std::vector<std::pair<float, Vertex*>> contents(const VerTree& t) {
  std::vector<std::pair<float, Vertex*>> out;
  if (t.pRoot) {
    EXPECT_EQ(t.pRoot->parent(), nullptr);
  }
  collect(t.pRoot, out);
  return out;
}

TEST(BinarySearchTreeTest, EqualKeysChainToTheRight) {
  Elems e(3);
  VerTree t;
  t.insert(e[0], 5);
  t.insert(e[1], 5);
  t.insert(e[2], 5);
  VerNode* top = t.pRoot;
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->pElem(), e[0]);
  EXPECT_EQ(top->left(), nullptr);
  ASSERT_NE(top->right(), nullptr);
  EXPECT_EQ(top->right()->pElem(), e[1]);
  EXPECT_EQ(top->right()->left(), nullptr);
  ASSERT_NE(top->right()->right(), nullptr);
  EXPECT_EQ(top->right()->right()->pElem(), e[2]);
  EXPECT_EQ(t.lowerInc(5), top);
  EXPECT_EQ(t.upperInc(5), top);
}

TEST(BinarySearchTreeTest, QueriesReturnTheEqualKeyNearestTheRoot) {
  Elems e(6);
  VerTree t;
  t.insert(e[0], 4);
  t.insert(e[1], 6);
  t.insert(e[2], 2);
  t.insert(e[3], 6);  // below the first 6
  t.insert(e[4], 5);
  t.insert(e[5], 6);
  EXPECT_EQ(t.upperInc(7)->pElem(), e[1]);
  EXPECT_EQ(t.lowerInc(5.5f)->pElem(), e[1]);
  EXPECT_EQ(t.lowerInc(6)->pElem(), e[1]);
  EXPECT_EQ(t.upperInc(6)->pElem(), e[1]);
}

TEST(BinarySearchTreeTest, BoundsAreInclusive) {
  Elems e(3);
  VerTree t;
  t.insert(e[0], 1);
  t.insert(e[1], 3);
  t.insert(e[2], 7);
  EXPECT_EQ(t.upperInc(3)->pElem(), e[1]);
  EXPECT_EQ(t.lowerInc(3)->pElem(), e[1]);
  EXPECT_EQ(t.lowerInc(4)->pElem(), e[2]);
  EXPECT_EQ(t.upperInc(6.999f)->pElem(), e[1]);
  EXPECT_EQ(t.lowerInc(7.001f), nullptr);
  EXPECT_EQ(t.upperInc(0.999f), nullptr);
}

TEST(BinarySearchTreeTest, EmptyTreeAnswersNull) {
  VerTree t;
  EXPECT_EQ(t.lowerInc(0), nullptr);
  EXPECT_EQ(t.upperInc(0), nullptr);
  t.remove(nullptr);
  EXPECT_EQ(t.pRoot, nullptr);
}

// The sentinels lie beyond every finite key, so keys at the old limits of
// 1e8 and -1 (and far past them) are found like any other.
TEST(BinarySearchTreeTest, SentinelsAdmitEveryFiniteKey) {
  Elems e(6);
  VerTree t;
  t.insert(e[0], 1e8f);
  ASSERT_NE(t.lowerInc(0), nullptr);
  EXPECT_EQ(t.lowerInc(0)->pElem(), e[0]);
  t.insert(e[1], -1);
  ASSERT_NE(t.upperInc(0), nullptr);
  EXPECT_EQ(t.upperInc(0)->pElem(), e[1]);
  t.insert(e[2], std::numeric_limits<float>::max());
  t.insert(e[3], std::numeric_limits<float>::lowest());
  EXPECT_EQ(t.lowerInc(2e8f)->pElem(), e[2]);
  EXPECT_EQ(t.upperInc(-2)->pElem(), e[3]);
  EXPECT_EQ(t.lowerInc(kInf), nullptr);
  EXPECT_EQ(t.upperInc(-kInf), nullptr);
}

TEST(BinarySearchTreeTest, InfiniteKeysAreNeverReturned) {
  Elems e(2);
  VerTree t;
  t.insert(e[0], kInf);
  t.insert(e[1], -kInf);
  EXPECT_EQ(t.lowerInc(0), nullptr);
  EXPECT_EQ(t.upperInc(0), nullptr);
}

TEST(BinarySearchTreeTest, RemovingATwoChildNodeKeepsItWithTheSuccessor) {
  Elems e(5);
  VerTree t;
  t.insert(e[0], 5);
  t.insert(e[1], 3);
  t.insert(e[2], 9);
  t.insert(e[3], 7);
  t.insert(e[4], 8);  // right child of the successor 7
  VerNode* root = t.pRoot;
  VerNode* nine = root->right();
  t.remove(root);
  EXPECT_EQ(t.pRoot, root);
  EXPECT_EQ(root->key(), 7);
  EXPECT_EQ(root->pElem(), e[3]);
  EXPECT_EQ(root->right(), nine);
  ASSERT_NE(nine->left(), nullptr);
  EXPECT_EQ(nine->left()->key(), 8);
  EXPECT_EQ(nine->left()->parent(), nine);
  std::vector<std::pair<float, Vertex*>> want = {
      {3, e[1]}, {7, e[3]}, {8, e[4]}, {9, e[2]}};
  EXPECT_EQ(contents(t), want);
}

TEST(BinarySearchTreeTest, RemovingWithinAnEqualChainKeepsTheOthers) {
  Elems e(3);
  VerTree t;
  t.insert(e[0], 5);
  t.insert(e[1], 5);
  t.insert(e[2], 5);
  t.remove(t.pRoot->right());
  std::vector<std::pair<float, Vertex*>> want = {{5, e[0]}, {5, e[2]}};
  EXPECT_EQ(contents(t), want);
  t.remove(t.upperInc(5));
  want = {{5, e[2]}};
  EXPECT_EQ(contents(t), want);
}

TEST(BinarySearchTreeTest, RemovingARootWithOneChildPromotesIt) {
  Elems e(2);
  VerTree t;
  t.insert(e[0], 5);
  t.insert(e[1], 2);
  VerNode* child = t.pRoot->left();
  t.remove(t.pRoot);
  EXPECT_EQ(t.pRoot, child);
  EXPECT_EQ(child->parent(), nullptr);
}

TEST(BinarySearchTreeTest, RemovingTheOnlyNodeEmptiesTheTree) {
  Elems e(1);
  VerTree t;
  t.insert(e[0], 1);
  t.remove(t.lowerInc(1));
  EXPECT_EQ(t.pRoot, nullptr);
  EXPECT_EQ(t.lowerInc(0), nullptr);
  EXPECT_EQ(t.upperInc(2), nullptr);
}

TEST(BinarySearchTreeTest, RemoveNullLeavesTheTreeAlone) {
  Elems e(3);
  VerTree t;
  t.insert(e[0], 2);
  t.insert(e[1], 1);
  t.insert(e[2], 3);
  auto before = contents(t);
  t.remove(t.lowerInc(4));
  EXPECT_EQ(contents(t), before);
}

TEST(BinarySearchTreeTest, MakeNullEmptiesAndTheTreeStaysUsable) {
  Elems e(4);
  VerTree t;
  for (int i = 0; i < 4; ++i) {
    t.insert(e[i], static_cast<float>(i));
  }
  t.makeNull();
  EXPECT_EQ(t.pRoot, nullptr);
  EXPECT_EQ(t.lowerInc(0), nullptr);
  t.insert(e[0], 1);
  EXPECT_EQ(t.upperInc(1)->pElem(), e[0]);
}

// Sorted insertion makes a chain as deep as the tree is large; a recursive
// teardown would overflow the stack on it. The chain is linked by hand,
// as insertion would link it, to spare the quadratic walk.
TEST(BinarySearchTreeTest, TearsDownAMillionNodeChain) {
  const int n = 1000000;
  Vertex v(0, 0, "pin");
  {
    VerTree t;
    VerNode* tail = nullptr;
    for (int i = 0; i < n; ++i) {
      VerNode* node = new VerNode(&v, static_cast<float>(i));
      if (tail) {
        tail->setRight(node);
        node->setParent(tail);
      } else {
        t.pRoot = node;
      }
      tail = node;
    }
    EXPECT_EQ(t.upperInc(static_cast<float>(n)), tail);
  }
  VerTree t;
  t.makeNull();
  EXPECT_EQ(t.pRoot, nullptr);
}

// Random inserts, removals of queried nodes and queries against a plain list
// of (key, element) pairs. Few distinct keys, so ties are the rule.
TEST(BinarySearchTreeTest, MatchesALinearScanOnRandomOperations) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> keyOf(-3, 12);
    std::uniform_int_distribution<int> op(0, 9);
    Elems e(400);
    int used = 0;
    VerTree t;
    std::vector<std::pair<float, Vertex*>> model;
    for (int step = 0; step < 400; ++step) {
      float x = static_cast<float>(keyOf(rng)) / 2;
      int o = op(rng);
      if (o < 4 && used < 400) {
        Vertex* v = e[used++];
        t.insert(v, x);
        model.emplace_back(x, v);
        continue;
      }
      bool lower = o % 2 == 0;
      VerNode* got = lower ? t.lowerInc(x) : t.upperInc(x);
      const std::pair<float, Vertex*>* best = nullptr;
      for (const auto& m : model) {
        bool ok = lower ? m.first >= x : m.first <= x;
        bool better =
            !best || (lower ? m.first < best->first : m.first > best->first);
        if (ok && better) {
          best = &m;
        }
      }
      if (!best) {
        ASSERT_EQ(got, nullptr);
        continue;
      }
      ASSERT_NE(got, nullptr);
      ASSERT_EQ(got->key(), best->first);
      int shallowest = depth(got);
      std::vector<const VerNode*> stack{t.pRoot};
      while (!stack.empty()) {
        const VerNode* n = stack.back();
        stack.pop_back();
        if (n->key() == got->key()) {
          EXPECT_LE(shallowest, depth(n));
        }
        for (const VerNode* c : {n->left(), n->right()}) {
          if (c) {
            stack.push_back(c);
          }
        }
      }
      if (o >= 7) {
        std::pair<float, Vertex*> gone(got->key(), got->pElem());
        model.erase(std::find(model.begin(), model.end(), gone));
        t.remove(got);
      }
      std::vector<std::pair<float, Vertex*>> want = model;
      std::vector<std::pair<float, Vertex*>> have = contents(t);
      std::sort(want.begin(), want.end());
      std::sort(have.begin(), have.end());
      ASSERT_EQ(have, want);
    }
  }
}

}  // namespace
