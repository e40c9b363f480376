#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/binaryHeap.h"

namespace {

struct Item {
  explicit Item(char n = '?') : name(n) {}
  char name;
  int heapIndex = -1;
  float heapKey = -1.0f;
};

// Pops everything and spells the names in pop order.
std::string drain(BinaryHeap<Item, float>& h) {
  std::string order;
  while (!h.empty()) {
    order += h.deleteMin()->name;
  }
  return order;
}

// Every queued element names its own slot and no parent beats its child.
void expectConsistent(const BinaryHeap<Item, float>& h) {
  for (int i = 0; i < h.size(); ++i) {
    ASSERT_EQ(h.at(i)->heapIndex, i) << "heapIndex of slot " << i;
    ASSERT_EQ(h.slots[i].key, h.at(i)->heapKey) << "key copy of slot " << i;
    if (i > 0) {
      ASSERT_LE(h.at((i - 1) / 2)->heapKey, h.at(i)->heapKey)
          << "order broken at slot " << i;
    }
  }
}

TEST(BinaryHeapTest, FourEqualKeysLeaveABDC) {
  std::vector<Item> items{Item('a'), Item('b'), Item('c'), Item('d')};
  BinaryHeap<Item, float> h;
  for (Item& it : items) {
    h.insert(&it, 1.0f);
  }
  EXPECT_EQ(drain(h), "abdc");
}

TEST(BinaryHeapTest, FiveEqualKeysLeaveABDEC) {
  std::vector<Item> items{Item('a'), Item('b'), Item('c'), Item('d'),
                          Item('e')};
  BinaryHeap<Item, float> h;
  for (Item& it : items) {
    h.insert(&it, 1.0f);
  }
  EXPECT_EQ(drain(h), "abdec");
}

TEST(BinaryHeapTest, EqualKeyInsertStaysBelowParent) {
  Item a('a'), b('b'), c('c');
  BinaryHeap<Item, float> h;
  h.insert(&a, 2.0f);
  h.insert(&b, 2.0f);
  h.insert(&c, 1.0f);
  EXPECT_EQ(h.at(0), &c);
  EXPECT_EQ(b.heapIndex, 1);
  EXPECT_EQ(a.heapIndex, 2);
  expectConsistent(h);
}

TEST(BinaryHeapTest, SetNewKeyEqualSinksBelowEqualChild) {
  Item a('a'), b('b'), c('c');
  BinaryHeap<Item, float> h;
  h.insert(&a, 1.0f);
  h.insert(&b, 1.0f);
  h.insert(&c, 1.0f);
  h.setNewKey(a.heapIndex, 1.0f);
  EXPECT_EQ(h.at(0), &b);
  EXPECT_EQ(a.heapIndex, 1);
  expectConsistent(h);
}

TEST(BinaryHeapTest, SetNewKeyMovesBothWays) {
  std::vector<Item> items{Item('a'), Item('b'), Item('c'), Item('d'),
                          Item('e')};
  BinaryHeap<Item, float> h;
  float key = 1.0f;
  for (Item& it : items) {
    h.insert(&it, key++);
  }
  h.setNewKey(items[4].heapIndex, 0.5f);
  h.setNewKey(items[0].heapIndex, 9.0f);
  expectConsistent(h);
  EXPECT_EQ(drain(h), "ebcda");
}

TEST(BinaryHeapTest, DeleteMinOfOneThenNull) {
  Item a('a');
  BinaryHeap<Item, float> h;
  h.insert(&a, 3.0f);
  EXPECT_EQ(h.deleteMin(), &a);
  EXPECT_TRUE(h.empty());
  EXPECT_EQ(h.deleteMin(), nullptr);
  EXPECT_EQ(a.heapIndex, 0);
  EXPECT_EQ(a.heapKey, 3.0f);
}

TEST(BinaryHeapTest, ClearLeavesFieldsAndHeapIsReusable) {
  Item a('a'), b('b'), c('c');
  BinaryHeap<Item, float> h;
  h.insert(&a, 1.0f);
  h.insert(&b, 2.0f);
  h.insert(&c, 3.0f);
  h.clear();
  EXPECT_TRUE(h.empty());
  EXPECT_EQ(c.heapIndex, 2);
  EXPECT_EQ(c.heapKey, 3.0f);
  h.insert(&c, 5.0f);
  h.insert(&a, 4.0f);
  expectConsistent(h);
  EXPECT_EQ(drain(h), "ac");
}

TEST(BinaryHeapTest, InfiniteKeysLeaveLast) {
  Item a('a'), b('b'), c('c');
  BinaryHeap<Item, float> h;
  h.insert(&a, std::numeric_limits<float>::infinity());
  h.insert(&b, 1e30f);
  h.insert(&c, std::numeric_limits<float>::infinity());
  EXPECT_EQ(drain(h), "bac");
}

// Random inserts, pops and key changes on few distinct keys (so ties abound)
// against a plain list of the queued keys.
TEST(BinaryHeapTest, MatchesSortingOnRandomOperations) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> keyOf(0, 6);
    std::vector<Item> pool(64);
    std::vector<Item*> queued;
    std::vector<Item*> idle;
    for (Item& it : pool) {
      idle.push_back(&it);
    }
    BinaryHeap<Item, float> h;
    for (int step = 0; step < 400; ++step) {
      int op = static_cast<int>(rng() % 4);
      if (op <= 1 && !idle.empty()) {
        Item* it = idle.back();
        idle.pop_back();
        h.insert(it, static_cast<float>(keyOf(rng)));
        queued.push_back(it);
      } else if (op == 2 && !queued.empty()) {
        Item* it = queued[rng() % queued.size()];
        h.setNewKey(it->heapIndex, static_cast<float>(keyOf(rng)));
      } else {
        float least = queued.empty() ? 0.0f : queued[0]->heapKey;
        for (Item* it : queued) {
          least = std::min(least, it->heapKey);
        }
        Item* top = h.deleteMin();
        if (queued.empty()) {
          ASSERT_EQ(top, nullptr);
          continue;
        }
        ASSERT_NE(top, nullptr);
        ASSERT_EQ(top->heapKey, least);
        auto at = std::find(queued.begin(), queued.end(), top);
        ASSERT_NE(at, queued.end()) << "popped an element never queued";
        queued.erase(at);
        idle.push_back(top);
      }
      ASSERT_EQ(h.size(), static_cast<int>(queued.size()));
      expectConsistent(h);
    }
    std::vector<float> keys;
    for (Item* it : queued) {
      keys.push_back(it->heapKey);
    }
    std::sort(keys.begin(), keys.end());
    std::vector<float> popped;
    while (!h.empty()) {
      popped.push_back(h.deleteMin()->heapKey);
      expectConsistent(h);
    }
    EXPECT_EQ(popped, keys);
  }
}

// The textbook sifts, stopping at the first slot that holds: the heap must
// leave every slot as these do, ties included, whatever path it takes.
struct PlainHeap {
  std::vector<std::pair<float, const Item*>> slots;
  void up(size_t i) {
    auto x = slots[i];
    while (i > 0 && slots[(i - 1) / 2].first > x.first) {
      slots[i] = slots[(i - 1) / 2];
      i = (i - 1) / 2;
    }
    slots[i] = x;
  }
  void down(size_t i) {
    auto x = slots[i];
    size_t last = slots.size() - 1;
    while (2 * i + 1 <= last) {
      size_t c = 2 * i + 1;
      if (c < last && slots[c].first > slots[c + 1].first) {
        ++c;
      }
      if (slots[c].first > x.first) {
        break;
      }
      slots[i] = slots[c];
      i = c;
    }
    slots[i] = x;
  }
};

TEST(BinaryHeapTest, SlotsMatchPlainSiftsOnRandomOperations) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> keyOf(0, 4);
    std::vector<Item> pool(100);
    BinaryHeap<Item, float> h;
    PlainHeap ref;
    size_t next = 0;
    for (int step = 0; step < 600; ++step) {
      int op = static_cast<int>(rng() % 5);
      if (op <= 1 && next < pool.size()) {
        float key = static_cast<float>(keyOf(rng));
        h.insert(&pool[next], key);
        ref.slots.push_back({key, &pool[next]});
        ref.up(ref.slots.size() - 1);
        ++next;
      } else if (op == 2 && !ref.slots.empty()) {
        size_t i = rng() % ref.slots.size();
        float key = static_cast<float>(keyOf(rng));
        float old = ref.slots[i].first;
        h.setNewKey(static_cast<int>(i), key);
        ref.slots[i].first = key;
        if (key < old) {
          ref.up(i);
        } else {
          ref.down(i);
        }
      } else {
        Item* top = h.deleteMin();
        if (ref.slots.empty()) {
          ASSERT_EQ(top, nullptr);
          continue;
        }
        ASSERT_EQ(top, ref.slots[0].second);
        ref.slots[0] = ref.slots.back();
        ref.slots.pop_back();
        if (!ref.slots.empty()) {
          ref.down(0);
        }
      }
      ASSERT_EQ(h.size(), static_cast<int>(ref.slots.size()));
      for (size_t i = 0; i < ref.slots.size(); ++i) {
        ASSERT_EQ(h.at(static_cast<int>(i)), ref.slots[i].second)
            << "slot " << i << " at step " << step;
      }
      expectConsistent(h);
    }
  }
}

}  // namespace
