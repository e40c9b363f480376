#include "options/pathBoundRefine.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const double kInf = std::numeric_limits<double>::infinity();

// Equal lengths summed in another order may differ in the last bits.
const double kSlack = 1e-9;

// Groups of up to this many pins (and one more per level of effort above
// the first); larger ones seldom pay for their searches.
const int kGroup = 4;

// And subtrees of up to this many pins (one more per level of effort).
const int kSubtree = 6;

// From this many pins: on fewer the moves of the bound's own search leave
// seldom anything to gain.
const size_t kManyPins = 20;

// The searches' steps, per node of the graph (per level of effort), after
// which no more tries start: on large graphs the tries' searches cover
// much of it, for little.
const long kWork = 8;

// At level 1 only this many: on a design's nets of 20 pins or more the
// rest of the first level's work cost a fifth of the bound's instructions
// for 0.3 % of their length.
const long kFirstWork = 3;

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
    s_.pos.assign(n, -1);
    s_.size.assign(n, 0);
    s_.slack.assign(n, kInf);
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
    // Read through pointers: only the stack and order grow.
    int* parent = s_.parent.data();
    int* via = s_.via.data();
    int* degree = s_.degree.data();
    double* along = s_.along.data();
    char* onTree = s_.onTree.data();
    const char* in = in_.data();
    const int* start = g_.start.data();
    const PathArc* arcs = g_.arcs.data();
    while (!s_.stack.empty()) {
      int u = s_.stack.back();
      s_.stack.pop_back();
      s_.order.push_back(u);
      for (int e = start[u], end = start[u + 1]; e < end; ++e) {
        const PathArc& arc = arcs[e];
        if (!in[arc.piece]) {
          continue;
        }
        ++degree[u];
        if (arc.piece == via[u]) {
          continue;
        }
        int v = arc.to;
        if (onTree[v]) {
          tree = false;
          continue;
        }
        onTree[v] = 1;
        parent[v] = u;
        via[v] = arc.piece;
        along[v] = along[u] + arc.len;
        length += arc.len;
        s_.stack.push_back(v);
      }
    }
    for (size_t i = 0; i < s_.order.size(); ++i) {
      int u = s_.order[i];
      s_.pos[u] = static_cast<int>(i);
      s_.size[u] = 1;
      s_.slack[u] = s_.nodeBound[u] - s_.along[u];
      s_.movableBelow[u] = s_.movableAt[u];
    }
    for (size_t i = s_.order.size(); i-- > 1;) {
      int u = s_.order[i], p = s_.parent[u];
      s_.size[p] += s_.size[u];
      s_.slack[p] = std::min(s_.slack[p], s_.slack[u]);
      s_.movableBelow[p] += s_.movableBelow[u];
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
  // most limit, no longer than cap; -1 where none. reach and viaReach hold the
  // way back. No way through v at length d with d + first[v] > limit can end in
  // time.
  int search(int p, double limit, double cap) {
    return search(p, limit, cap,
                  [&](int u, double d) { return s_.along[u] + d <= limit; });
  }

  // The same with cap on the way's length and take choosing the point.
  template <class Take>
  int search(int p, double limit, double cap, Take take) {
    for (int u : s_.touched) {
      s_.reach[u] = kInf;
    }
    s_.touched.assign(1, p);
    auto& heap = s_.heap;
    heap.assign(1, queueKey(0, p));
    s_.reach[p] = 0;
    s_.viaReach[p] = -1;
    // Read through pointers: the lists pushed to are not these.
    double* reach = s_.reach.data();
    int* viaReach = s_.viaReach.data();
    const char* onTree = s_.onTree.data();
    const double* first = first_.data();
    const int* start = g_.start.data();
    const PathArc* arcs = g_.arcs.data();
    while (!heap.empty()) {
      auto [d, u] = queuePop(heap);
      ++work;
      if (d != reach[u]) {
        continue;
      }
      if (u != p && onTree[u]) {
        if (take(u, d)) {
          return u;
        }
        continue;
      }
      for (int e = start[u], end = start[u + 1]; e < end; ++e) {
        const PathArc& arc = arcs[e];
        int v = arc.to;
        double nd = d + arc.len;
        if (nd < reach[v] && nd < cap &&
            !((nd + first[v]) * (1 - kSlack) > limit)) {
          if (reach[v] == kInf) {
            s_.touched.push_back(v);
          }
          reach[v] = nd;
          viaReach[v] = arc.piece;
          queuePush(heap, nd, v);
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

  // The branch above v (up to the nearest pin or fork) moves, with all
  // beyond it, to the nearest point of the rest whose way keeps every pin
  // beyond v in bound, where that way is shorter.
  bool tryBranch(int v) {
    if (v == root_ || !s_.onTree[v] ||
        (s_.pinCount[v] == 0 && s_.degree[v] == 2)) {
      return false;
    }
    int a = s_.parent[v];
    while (a != root_ && s_.pinCount[a] == 0 && s_.degree[a] == 2) {
      a = s_.parent[a];
    }
    double gain = s_.along[v] - s_.along[a];
    double cap = s_.along[v] + s_.slack[v];
    if (!std::isfinite(cap)) {
      return false;
    }
    // The branch's own points lie between a and v in order, each with a
    // subtree holding v.
    int lo = s_.pos[v], hi = s_.pos[v] + s_.size[v];
    int w = search(v, cap, gain * (1 - kSlack), [&](int u, double d) {
      bool below = s_.pos[u] >= lo && s_.pos[u] < hi;
      bool branch = s_.pos[u] > s_.pos[a] && s_.pos[u] < lo &&
                    s_.pos[u] + s_.size[u] >= hi && s_.degree[u] == 2 &&
                    s_.pinCount[u] == 0;
      return !below && !branch && s_.along[u] + d <= cap;
    });
    if (w < 0) {
      return false;
    }
    s_.undo.clear();
    s_.undoWas.clear();
    for (int u = v; u != a; u = s_.parent[u]) {
      set(s_.via[u], 0);
    }
    attach(w);
    if (walk()) {
      return true;
    }
    rollback();  // not met: the way meets the tree only where it joins
    walk();
    return false;
  }

  // The group's pins leave and join again, one by one, each
  // within what the branches that go saved (so a failed try stops early);
  // kept where every pin keeps its bound. A failed try is undone point by
  // point, not walked again.
  bool tryGroup(const std::vector<int>& group) {
    s_.undo.clear();
    s_.undoWas.clear();
    s_.cut.clear();
    size_t known = s_.order.size();
    for (int i : group) {
      --s_.pinCount[pinNode_[i]];
    }
    double saved = 0;
    for (int i : group) {
      for (int u = pinNode_[i]; u != root_ && s_.onTree[u] &&
                                s_.pinCount[u] == 0 && s_.degree[u] == 1;) {
        int p = s_.parent[u];
        s_.cut.push_back({u, p, s_.via[u], s_.along[u]});
        saved += g_.pieceLen[s_.via[u]];
        set(s_.via[u], 0);
        s_.degree[u] = 0;
        s_.onTree[u] = 0;
        --s_.degree[p];
        u = p;
      }
    }
    for (int i : group) {
      ++s_.pinCount[pinNode_[i]];
    }
    if (s_.cut.empty()) {
      return false;
    }
    // Nearest the first pin first: the order matters little, and one
    // search each is cheaper than the cheapest join first.
    s_.joinOrder = group;
    std::sort(s_.joinOrder.begin(), s_.joinOrder.end(), [&](int x, int y) {
      double fx = first_[pinNode_[x]], fy = first_[pinNode_[y]];
      return fx < fy || (fx == fy && x < y);
    });
    double budget = saved * (1 - kSlack);
    bool ok = true;
    for (int i : s_.joinOrder) {
      int p = pinNode_[i];
      if (s_.onTree[p]) {
        continue;
      }
      int w = search(p, s_.nodeBound[p], budget);
      if (w < 0) {
        ok = false;
        break;
      }
      budget -= s_.reach[w];
      attach(w);
    }
    // A pin that a way passed lies where that way put it.
    for (size_t k = known; ok && k < s_.order.size(); ++k) {
      int u = s_.order[k];
      ok = s_.pinCount[u] == 0 || s_.along[u] <= s_.nodeBound[u];
    }
    if (ok && walk()) {
      return true;
    }
    for (size_t k = s_.order.size(); k-- > known;) {
      int u = s_.order[k];
      s_.onTree[u] = 0;
      s_.parent[u] = s_.via[u] = -1;
      s_.along[u] = kInf;
    }
    s_.order.resize(known);
    rollback();
    for (size_t k = s_.cut.size(); k-- > 0;) {
      const CutPoint& c = s_.cut[k];
      s_.onTree[c.node] = 1;
      s_.parent[c.node] = c.parent;
      s_.via[c.node] = c.via;
      s_.along[c.node] = c.along;
      ++s_.degree[c.node];
      ++s_.degree[c.parent];
    }
    return false;
  }

  double length = 0;
  long work = 0;

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
  if (pinNode.size() < kManyPins || pinNode[0] < 0) {
    return false;
  }
  size_t n = g.start.size() - 1;
  Refiner r(g, pinNode, first, in, s);
  s.pinCount.assign(n, 0);
  s.nodeBound.assign(n, kInf);
  s.movableAt.assign(n, 0);
  s.movableBelow.resize(n);
  for (size_t i = 0; i < pinNode.size(); ++i) {
    int p = pinNode[i];
    if (p >= 0) {
      ++s.pinCount[p];
      s.nodeBound[p] = std::min(s.nodeBound[p], i == 0 ? 0.0 : bound[i]);
      if (i > 0 && std::isfinite(bound[i]) && p != pinNode[0]) {
        ++s.movableAt[p];
      }
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
  // The movable pins at each node, in their order.
  s.pinsAtStart.assign(n + 1, 0);
  for (int i : movable) {
    ++s.pinsAtStart[pinNode[i] + 1];
  }
  for (size_t u = 0; u < n; ++u) {
    s.pinsAtStart[u + 1] += s.pinsAtStart[u];
  }
  s.pinsAt.resize(m);
  s.stack.assign(s.pinsAtStart.begin(), s.pinsAtStart.end() - 1);
  for (int i : movable) {
    s.pinsAt[s.stack[pinNode[i]]++] = i;
  }
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
  long most = (effort < 2 ? kFirstWork : kWork * effort) * static_cast<long>(n);
  auto spent = [&] { return r.work > most; };
  for (int pass = 0; pass < kPasses * effort; ++pass) {
    bool moved = false;
    s.keys = s.order;
    for (int v : s.keys) {
      moved = (!spent() && r.tryBranch(v)) || moved;
    }
    for (int size = 1; size <= groupSize; ++size) {
      for (size_t a = 0; a < m; ++a) {
        group.assign(1, movable[a]);
        for (int j = 0; j + 1 < size; ++j) {
          group.push_back(near[a * (groupSize - 1) + j]);
        }
        moved = (!spent() && r.tryGroup(group)) || moved;
      }
    }
    // And the pins of each small subtree, all at once.
    // Every movable pin is on the tree between tries, so the walk's counts
    // tell which subtrees qualify; only those are gathered, from whichever
    // of the subtree and the pins is smaller, in the pins' order.
    s.keys = s.order;
    s.failedGroup.clear();
    for (int v : s.keys) {
      if (!s.onTree[v] || v == pinNode[0] || s.movableBelow[v] < 2 ||
          s.movableBelow[v] > kSubtree + effort - 1 || spent()) {
        continue;
      }
      int lo = s.pos[v], hi = lo + s.size[v];
      group.clear();
      if (static_cast<size_t>(s.size[v]) < m) {
        for (int q = lo; q < hi; ++q) {
          int u = s.order[q];
          for (int k = s.pinsAtStart[u]; k < s.pinsAtStart[u + 1]; ++k) {
            group.push_back(s.pinsAt[k]);
          }
        }
        std::sort(group.begin(), group.end());
      } else {
        for (int i : movable) {
          int p = pinNode[i];
          if (s.onTree[p] && s.pos[p] >= lo && s.pos[p] < hi) {
            group.push_back(i);
          }
        }
      }
      // A branch's points above its subtree hold the same pins: a group
      // that failed fails again until a try changes the tree.
      if (group == s.failedGroup) {
        continue;
      }
      if (r.tryGroup(group)) {
        moved = true;
        s.failedGroup.clear();
      } else {
        s.failedGroup = group;
      }
    }
    changed = changed || moved;
    if (!moved) {
      break;
    }
  }
  return changed;
}
