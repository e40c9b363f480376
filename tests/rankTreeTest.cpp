#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/flatQueues.h"
#include "support/keyedQueues.h"
#include "support/rankTree.h"
#include "tests/binarySearchTree.h"

namespace {

struct Item {
  int id;
};

using Plain = BinarySearchTree<Item, Item*, float>;
using Ranked = RankTree<Item, Item*, float>;

// The behaviour both trees promise, spelt out on a list in insertion order:
// a query answers with the best key and, among its equal keys, the earliest
// inserted that is still present.
class ListModel {
 public:
  void insert(Item* e, float key) { items_.emplace_back(key, e); }
  const std::pair<float, Item*>* lowerInc(float x) const {
    return best(
        x, [](float k, float x) { return k >= x; },
        [](float a, float b) { return a < b; });
  }
  const std::pair<float, Item*>* upperInc(float x) const {
    return best(
        x, [](float k, float x) { return k <= x; },
        [](float a, float b) { return a > b; });
  }
  void remove(Item* e) {
    for (auto it = items_.begin(); it != items_.end(); ++it) {
      if (it->second == e) {
        items_.erase(it);
        return;
      }
    }
    ADD_FAILURE() << "removed an element not present";
  }
  bool empty() const { return items_.empty(); }

 private:
  template <class Ok, class Better>
  const std::pair<float, Item*>* best(float x, Ok ok, Better better) const {
    const std::pair<float, Item*>* b = nullptr;
    for (const auto& it : items_) {
      if (ok(it.first, x) && (!b || better(it.first, b->first))) {
        b = &it;
      }
    }
    return b;
  }
  std::vector<std::pair<float, Item*>> items_;
};

// Keys from a small set, so that most keys repeat, and query bounds that
// also fall between, below and above them.
struct Draw {
  explicit Draw(unsigned seed) : rng(seed) {}
  float key() { return static_cast<float>(rng() % 12) / 2; }
  float bound() {
    return static_cast<float>(static_cast<int>(rng() % 31) - 3) / 4;
  }
  std::vector<float> universe() const {
    std::vector<float> keys;
    for (int k = 0; k < 12; ++k) {
      keys.push_back(static_cast<float>(k) / 2);
    }
    return keys;
  }
  std::mt19937 rng;
};

template <class N>
std::string show(const N* n) {
  return n ? std::to_string(n->key()) + "#" + std::to_string(n->pElem()->id)
           : "none";
}

std::string show(const std::pair<float, Item*>* p) {
  return p ? std::to_string(p->first) + "#" + std::to_string(p->second->id)
           : "none";
}

// Removal by successor copy moves elements between node objects; whatever
// the shape, the plain tree keeps answering with the earliest inserted of
// the best key. Nodes are removed as the sweep removes them: right after a
// query returned them, found from either side.
TEST(BinarySearchTreeTest, AnswersWithTheEarliestInsertedOfTheBestKey) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Draw draw(seed);
    std::vector<Item> items(200);
    Plain tree;
    ListModel model;
    int next = 0;
    for (int step = 0; step < 400; ++step) {
      unsigned op = draw.rng() % 3;
      float x = draw.bound();
      if (op == 0 && next < 200) {
        items[next].id = next;
        float k = draw.key();
        tree.insert(&items[next], k);
        model.insert(&items[next], k);
        ++next;
      } else {
        bool low = draw.rng() % 2 == 0;
        auto* got = low ? tree.lowerInc(x) : tree.upperInc(x);
        auto* want = low ? model.lowerInc(x) : model.upperInc(x);
        ASSERT_EQ(show(got), show(want))
            << (low ? "lowerInc " : "upperInc ") << x << " at step " << step;
        if (op == 2 && got) {
          model.remove(got->pElem());
          tree.remove(got);
        }
      }
    }
  }
}

// The same sequences on the plain tree and on the rank tree: every answer
// is the same key and the same element.
TEST(RankTreeTest, AnswersAsThePlainTree) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Draw draw(seed);
    std::vector<Item> items(300);
    Plain plain;
    Ranked ranked(draw.universe());
    int next = 0;
    for (int step = 0; step < 600; ++step) {
      unsigned op = draw.rng() % 3;
      float x = draw.bound();
      if (op == 0 && next < 300) {
        items[next].id = next;
        float k = draw.key();
        plain.insert(&items[next], k);
        ranked.insert(&items[next], k);
        ++next;
      } else {
        bool low = draw.rng() % 2 == 0;
        auto* p = low ? plain.lowerInc(x) : plain.upperInc(x);
        auto* r = low ? ranked.lowerInc(x) : ranked.upperInc(x);
        ASSERT_EQ(show(r), show(p))
            << (low ? "lowerInc " : "upperInc ") << x << " at step " << step;
        if (op == 2 && p) {
          plain.remove(p);
          ranked.remove(r);
        }
      }
    }
  }
}

// The heads whose value is at most t, found from a rank outward, against a
// scan of every rank's head.
TEST(RankTreeTest, FindsTheNearestHeadWithASmallEnoughValue) {
  for (unsigned seed = 1; seed <= 100; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    int keys = 1 + static_cast<int>(rng() % 40);
    std::vector<float> universe;
    for (int k = 0; k < keys; ++k) {
      universe.push_back(static_cast<float>(k));
    }
    Ranked tree(universe);
    std::vector<Item> items(200);
    // Per rank, the values of its queue in insertion order.
    std::vector<std::vector<std::pair<float, Item*>>> queues(keys);
    for (int i = 0; i < 200; ++i) {
      items[i].id = i;
      int k = static_cast<int>(rng() % keys);
      float v = static_cast<float>(static_cast<int>(rng() % 21) - 10);
      if (rng() % 2 == 0) {
        tree.insertAt(&items[i], k, v);
      } else {
        tree.insert(&items[i], static_cast<float>(k), v);
      }
      queues[k].emplace_back(v, &items[i]);
      if (rng() % 4 == 0) {
        int r = static_cast<int>(rng() % keys);
        if (!queues[r].empty()) {
          Ranked::Entry* head = tree.upperInc(static_cast<float>(r));
          ASSERT_TRUE(head);
          ASSERT_EQ(head->pElem(), queues[r].front().second);
          tree.remove(head);
          queues[r].erase(queues[r].begin());
        }
      }
      int from = static_cast<int>(rng() % (keys + 2)) - 1;
      float t = static_cast<float>(static_cast<int>(rng() % 21) - 10);
      Item* wantFirst = nullptr;
      Item* wantLast = nullptr;
      for (int r = std::max(from, 0); r < keys && !wantFirst; ++r) {
        if (!queues[r].empty() && queues[r].front().first <= t) {
          wantFirst = queues[r].front().second;
        }
      }
      for (int r = std::min(from, keys - 1); r >= 0 && !wantLast; --r) {
        if (!queues[r].empty() && queues[r].front().first <= t) {
          wantLast = queues[r].front().second;
        }
      }
      Ranked::Entry* first = tree.firstAtMost(from, t);
      Ranked::Entry* last = tree.lastAtMost(from, t);
      EXPECT_EQ(first ? first->pElem() : nullptr, wantFirst);
      EXPECT_EQ(last ? last->pElem() : nullptr, wantLast);
      if (first) {
        EXPECT_EQ(first->key(), universe[tree.rank(first)]);
      }
    }
  }
}

TEST(RankTreeTest, EmptyAndExhaustedTreesAnswerNothing) {
  Ranked none(std::vector<float>{});
  EXPECT_EQ(none.lowerInc(0), nullptr);
  EXPECT_EQ(none.upperInc(0), nullptr);
  EXPECT_EQ(none.firstAtMost(0, 0), nullptr);
  EXPECT_EQ(none.lastAtMost(0, 0), nullptr);
  Ranked tree(std::vector<float>{3, 1, 3, 7});
  EXPECT_EQ(tree.keys(), (std::vector<float>{1, 3, 7}));
  EXPECT_EQ(tree.lowerInc(-100), nullptr);
  Item a{1};
  Ranked::Entry* e = tree.insert(&a, 3);
  EXPECT_EQ(tree.lowerInc(-100), e);
  EXPECT_EQ(tree.upperInc(100), e);
  EXPECT_EQ(tree.lowerInc(3.5f), nullptr);
  EXPECT_EQ(tree.upperInc(2.5f), nullptr);
  tree.remove(nullptr);
  EXPECT_EQ(tree.upperInc(3), e);
  tree.remove(e);
  EXPECT_EQ(tree.upperInc(100), nullptr);
  EXPECT_EQ(tree.lastAtMost(2, 1e30f), nullptr);
}

// The plain tree holds -0 and 0 as equal keys; so does the rank tree.
TEST(RankTreeTest, SignedZerosAreOneKey) {
  Ranked tree(std::vector<float>{0.0f, -0.0f, 1.0f});
  EXPECT_EQ(tree.keys().size(), 2u);
  Item a{1}, b{2};
  tree.insert(&a, -0.0f);
  tree.insert(&b, 0.0f);
  EXPECT_EQ(tree.lowerInc(0.0f)->pElem(), &a);
  EXPECT_EQ(tree.upperInc(-0.0f)->pElem(), &a);
}

// Keys inserted in ascending order make the plain tree a path; the rank
// tree answers the same whatever the order.
TEST(RankTreeTest, SortedInsertionAnswersAsThePlainTree) {
  std::vector<float> keys;
  for (int k = 0; k < 2000; ++k) {
    keys.push_back(static_cast<float>(k / 2));
  }
  std::vector<Item> items(keys.size());
  Plain plain;
  Ranked ranked(keys);
  for (size_t i = 0; i < keys.size(); ++i) {
    items[i].id = static_cast<int>(i);
    plain.insert(&items[i], keys[i]);
    ranked.insert(&items[i], keys[i]);
  }
  for (float x = -1; x < 1002; x += 0.5f) {
    ASSERT_EQ(show(ranked.upperInc(x)), show(plain.upperInc(x))) << x;
    ASSERT_EQ(show(ranked.lowerInc(x)), show(plain.lowerInc(x))) << x;
  }
}

// The flat queues answer for small nets what the rank tree answers for
// large ones. One script, written against the keyed queues' names alone,
// runs on each: pushes and lookups, and removals of the answered heads, in
// random order, with few distinct keys and many repeats; each lookup's
// answer (none, or key and head) is recorded, and the twins' records must
// agree step by step.
constexpr int kTwinElems = 48;

template <class Q>
std::vector<std::pair<float, int>> keyedQueuesScript(
    Q& q, const std::vector<float>& keys, unsigned seed) {
  static_assert(IsKeyedQueues<Q>::value, "the twins are keyed queues");
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> keyOf(0, 7), coin(0, 2);
  std::vector<std::pair<float, int>> answers;
  int inserted = 0, present = 0;
  for (int step = 0; step < 400; ++step) {
    if (inserted < kTwinElems && (present == 0 || coin(rng) > 0)) {
      q.insert(inserted, keys[inserted]);
      ++inserted;
      ++present;
      continue;
    }
    float x = static_cast<float>(keyOf(rng)) + (coin(rng) - 1) * 0.5f;
    typename Q::Cursor c = coin(rng) == 0 ? q.upperInc(x) : q.lowerInc(x);
    if (!Q::found(c)) {
      answers.emplace_back(x, -1);
      continue;
    }
    answers.emplace_back(q.key(c), static_cast<int>(q.head(c)));
    q.remove(c);
    --present;
  }
  return answers;
}

class FlatQueuesTwinTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(FlatQueuesTwinTest, AnswersAsTheRankTree) {
  std::mt19937 rng(GetParam() + 100);
  std::vector<float> keys(kTwinElems);
  for (float& k : keys) {
    k = static_cast<float>(rng() % 8);
  }
  FlatQueues<kTwinElems> flat;
  RankTree<Item, int, float> ranked(keys);
  std::vector<std::pair<float, int>> a =
      keyedQueuesScript(flat, keys, GetParam());
  std::vector<std::pair<float, int>> b =
      keyedQueuesScript(ranked, keys, GetParam());
  ASSERT_EQ(a.size(), b.size());
  int answered = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    ASSERT_EQ(a[i], b[i]) << "lookup " << i;
    answered += a[i].second >= 0;
  }
  // The script must reach both kinds of answer.
  EXPECT_GT(answered, 20);
  EXPECT_LT(answered, static_cast<int>(a.size()));
}

INSTANTIATE_TEST_SUITE_P(Seeds,
                         FlatQueuesTwinTest,
                         ::testing::Values(1u, 2u, 3u, 4u));

}  // namespace
