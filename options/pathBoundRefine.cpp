#include "options/pathBoundRefine.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace {

const double kInf = std::numeric_limits<double>::infinity();

// Equal lengths summed in another order may differ in the last bits.
const double kSlack = 1e-9;

// Groups of up to this many pins (and one more per level of effort above
// the first); larger ones seldom pay for their searches.
const int kGroup = 4;

// Passes over the pins per level of effort, each while one shortens.
const int kPasses = 3;

class Refiner {
 public:
  Refiner(const ArborescenceGraph& g,
          const std::vector<int>& pinNode,
          const std::vector<double>& first,
          std::vector<char>& in,
          BoundRefineScratch& s)
      : g_(g), pinNode_(pinNode), first_(first), in_(in), s_(s) {
    size_t n = g.start.size() - 1;
    s_.parent.assign(n, -1);
    s_.via.assign(n, -1);
    s_.along.assign(n, kInf);
    s_.degree.assign(n, 0);
    s_.onTree.assign(n, 0);
    s_.reach.assign(n, kInf);
    s_.viaReach.assign(n, -1);
    s_.order.clear();
    s_.touched.clear();
    root_ = pinNode.empty() ? -1 : pinNode[0];
  }

  // The tree from the first pin over the pieces marked in: parent, via,
  // along, degree, onTree and order (parents first), clearing only what
  // the last walk met. False where those pieces hold a loop.
  bool walk() {
    for (int u : s_.order) {
      s_.parent[u] = s_.via[u] = -1;
      s_.along[u] = kInf;
      s_.degree[u] = 0;
      s_.onTree[u] = 0;
    }
    s_.order.clear();
    if (root_ < 0) {
      return false;
    }
    bool tree = true;
    s_.stack.assign(1, root_);
    s_.onTree[root_] = 1;
    s_.along[root_] = 0;
    length = 0;
    while (!s_.stack.empty()) {
      int u = s_.stack.back();
      s_.stack.pop_back();
      s_.order.push_back(u);
      for (int e = g_.start[u]; e < g_.start[u + 1]; ++e) {
        const PathArc& arc = g_.arcs[e];
        if (!in_[arc.piece]) {
          continue;
        }
        ++s_.degree[u];
        if (arc.piece == s_.via[u]) {
          continue;
        }
        int v = arc.to;
        if (s_.onTree[v]) {
          tree = false;
          continue;
        }
        s_.onTree[v] = 1;
        s_.parent[v] = u;
        s_.via[v] = arc.piece;
        s_.along[v] = s_.along[u] + arc.len;
        length += arc.len;
        s_.stack.push_back(v);
      }
    }
    return tree;
  }

  void set(int k, char on) {
    s_.undo.push_back(k);
    s_.undoWas.push_back(in_[k]);
    in_[k] = on;
  }

  void rollback() {
    for (size_t i = s_.undo.size(); i-- > 0;) {
      in_[s_.undo[i]] = s_.undoWas[i];
    }
    s_.undo.clear();
    s_.undoWas.clear();
  }

  // Drops the branches that end at no pin (pinCount), leaves first.
  void prune() {
    for (size_t i = s_.order.size(); i-- > 0;) {
      int u = s_.order[i];
      if (u != root_ && s_.onTree[u] && s_.pinCount[u] == 0 &&
          s_.degree[u] == 1) {
        set(s_.via[u], 0);
        s_.degree[u] = 0;
        s_.onTree[u] = 0;
        --s_.degree[s_.parent[u]];
      }
    }
  }

  // The nearest point of the tree from node p whose way from the first
  // pin, through p's way to it (off the tree but where it ends), is at
  // most limit; -1 where none. reach and viaReach hold the way back. No
  // way through v at length d with d + first[v] > limit can end in time.
  int search(int p, double limit) {
    for (int u : s_.touched) {
      s_.reach[u] = kInf;
    }
    s_.touched.assign(1, p);
    auto& heap = s_.heap;
    heap.assign(1, {0.0, p});
    s_.reach[p] = 0;
    s_.viaReach[p] = -1;
    while (!heap.empty()) {
      std::pop_heap(heap.begin(), heap.end(), std::greater<>());
      auto [d, u] = heap.back();
      heap.pop_back();
      if (d != s_.reach[u]) {
        continue;
      }
      if (u != p && s_.onTree[u]) {
        if (s_.along[u] + d <= limit) {
          return u;
        }
        continue;
      }
      for (int e = g_.start[u]; e < g_.start[u + 1]; ++e) {
        const PathArc& arc = g_.arcs[e];
        int v = arc.to;
        double nd = d + arc.len;
        if (nd < s_.reach[v] && !((nd + first_[v]) * (1 - kSlack) > limit)) {
          if (s_.reach[v] == kInf) {
            s_.touched.push_back(v);
          }
          s_.reach[v] = nd;
          s_.viaReach[v] = arc.piece;
          heap.push_back({nd, v});
          std::push_heap(heap.begin(), heap.end(), std::greater<>());
        }
      }
    }
    return -1;
  }

  // Marks in the way search found to w, onto the tree.
  void attach(int w) {
    for (int u = w; s_.viaReach[u] >= 0;) {
      int k = s_.viaReach[u];
      const PathArc* arc = nullptr;
      for (int e = g_.start[u]; e < g_.start[u + 1]; ++e) {
        if (g_.arcs[e].piece == k) {
          arc = &g_.arcs[e];
          break;
        }
      }
      int v = arc->to;
      set(k, 1);
      s_.onTree[v] = 1;
      s_.parent[v] = u;
      s_.via[v] = k;
      s_.along[v] = s_.along[u] + arc->len;
      s_.order.push_back(v);  // for the next walk to clear
      u = v;
    }
  }

  // The group's pins leave and join again, cheapest join first; kept where
  // the tree gets shorter and every pin keeps its bound.
  bool tryGroup(const std::vector<int>& group) {
    double before = length;
    s_.undo.clear();
    s_.undoWas.clear();
    for (int i : group) {
      --s_.pinCount[pinNode_[i]];
    }
    prune();
    for (int i : group) {
      ++s_.pinCount[pinNode_[i]];
    }
    if (s_.undo.empty()) {
      return false;
    }
    bool ok = true;
    for (;;) {
      int best = -1;
      double bestCost = kInf;
      for (int i : group) {
        int p = pinNode_[i];
        if (s_.onTree[p]) {
          continue;
        }
        int w = search(p, s_.nodeBound[p]);
        if (w < 0) {
          ok = false;
          break;
        }
        if (s_.reach[w] < bestCost) {
          bestCost = s_.reach[w];
          best = i;
        }
      }
      if (!ok || best < 0) {
        break;
      }
      int p = pinNode_[best];
      attach(search(p, s_.nodeBound[p]));
    }
    ok = ok && walk();
    for (size_t i = 1; ok && i < pinNode_.size(); ++i) {
      int p = pinNode_[i];
      ok = p < 0 || !std::isfinite(s_.nodeBound[p]) ||
           (s_.onTree[p] && s_.along[p] <= s_.nodeBound[p]);
    }
    if (ok && length < before * (1 - kSlack)) {
      return true;
    }
    rollback();
    walk();
    return false;
  }

  double length = 0;

 private:
  const ArborescenceGraph& g_;
  const std::vector<int>& pinNode_;
  const std::vector<double>& first_;
  std::vector<char>& in_;
  BoundRefineScratch& s_;
  int root_;
};

}  // namespace

bool refineBoundedTree(const ArborescenceGraph& g,
                       const std::vector<RoutePoint>& nodes,
                       const std::vector<int>& pinNode,
                       const std::vector<double>& bound,
                       const std::vector<double>& first,
                       std::vector<char>& in,
                       int effort,
                       BoundRefineScratch& s) {
  if (pinNode.size() < 3 || pinNode[0] < 0) {
    return false;
  }
  size_t n = g.start.size() - 1;
  Refiner r(g, pinNode, first, in, s);
  s.pinCount.assign(n, 0);
  s.nodeBound.assign(n, kInf);
  for (size_t i = 0; i < pinNode.size(); ++i) {
    int p = pinNode[i];
    if (p >= 0) {
      ++s.pinCount[p];
      s.nodeBound[p] = std::min(s.nodeBound[p], i == 0 ? 0.0 : bound[i]);
    }
  }
  if (!r.walk()) {
    return false;
  }
  // The pins that may leave: bounded, on the tree, not at the first pin.
  std::vector<int>& movable = s.pending;
  movable.clear();
  for (size_t i = 1; i < pinNode.size(); ++i) {
    int p = pinNode[i];
    if (p < 0 || !std::isfinite(bound[i])) {
      continue;
    }
    if (!s.onTree[p] || !(s.along[p] <= s.nodeBound[p])) {
      return false;  // a pin off the tree or past its bound: not ours
    }
    if (p != pinNode[0]) {
      movable.push_back(static_cast<int>(i));
    }
  }
  if (movable.size() < 2) {
    return false;
  }
  int groupSize =
      std::min<int>(kGroup + effort - 1, static_cast<int>(movable.size()));
  // Each pin's nearest others, by rectilinear distance (ties by number).
  size_t m = movable.size();
  std::vector<int>& near = s.near;
  near.assign(m * (groupSize - 1), 0);
  std::vector<std::pair<double, int>> byDistance;
  for (size_t a = 0; a < m; ++a) {
    const RoutePoint& pa = nodes[pinNode[movable[a]]];
    byDistance.clear();
    for (size_t b = 0; b < m; ++b) {
      if (b != a) {
        const RoutePoint& pb = nodes[pinNode[movable[b]]];
        byDistance.push_back(
            {std::abs(double(pa.x) - pb.x) + std::abs(double(pa.y) - pb.y),
             movable[b]});
      }
    }
    std::partial_sort(byDistance.begin(), byDistance.begin() + groupSize - 1,
                      byDistance.end());
    for (int j = 0; j < groupSize - 1; ++j) {
      near[a * (groupSize - 1) + j] = byDistance[j].second;
    }
  }
  bool changed = false;
  std::vector<int> group;
  for (int pass = 0; pass < kPasses * effort; ++pass) {
    bool moved = false;
    for (int size = 1; size <= groupSize; ++size) {
      for (size_t a = 0; a < m; ++a) {
        group.assign(1, movable[a]);
        for (int j = 0; j + 1 < size; ++j) {
          group.push_back(near[a * (groupSize - 1) + j]);
        }
        moved = r.tryGroup(group) || moved;
      }
    }
    changed = changed || moved;
    if (!moved) {
      break;
    }
  }
  return changed;
}
