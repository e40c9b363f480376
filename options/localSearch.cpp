#include "options/localSearch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <queue>
#include <tuple>
#include <utility>

#include "options/escapeGrid.h"
#include "options/improveTree.h"
#include "options/keyPaths.h"
#include "spatial/obstacleIndex.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();
// Grids larger than this are not built.
const double kMostNodes = 6e6;
// Past this many grid nodes the search runs over the escape graph: on
// obstacle-dense nets a thirtieth of the grid's nodes.
const double kEscapeFrom = 2e5;
// Work units: per grid node built, per node a search settles (its four
// arcs, the second search and the joins with it: measured on obstacle-
// dense nets, where the heap's misses dominate), per wire planned, per key
// path a cycle walk passes.
const double kUnitsPerNode = 0.5;
const double kUnitsPerSettle = 12;
const double kUnitsPerWire = 200;
const double kUnitsPerStep = 1;
// About what a first pass costs per grid node: the grid, and the search
// settling about half of it.
const double kUnitsPerPassNode = kUnitsPerNode + kUnitsPerSettle / 2;
const int kMostPasses = 40;
// Grids of up to this many nodes keep the arcs' costs under noise.
const size_t kMostCostsKept = 1 << 21;
// Iterated local search (Kicks' defaults): at most sixteen kicks, each
// moving about one key path (and one branch point's star) in six to its
// cheapest joins where that loses at most 0.3 of their length. On RC07 and
// RC09 at effort 2 a few of the kicks lead to shorter trees; past sixteen
// on the generated nets of 100 to 200 pins among 1000 to 2000 obstacles,
// none did (the count is Kicks' default).
// A branch point weighs at most this many of the cheapest joins that
// pass it; each join is offered to the branch points of at most this many
// key paths of its cycle.
const int kJoinsPerVertex = 24;
const int kMostWalk = 48;

// A queue for searches whose keys never fall below the last taken: the
// radix heap, over the bits of non-negative doubles, which order as the
// values do. Equal keys leave it last in, first out.
class RadixQueue {
 public:
  bool empty() const { return size_ == 0; }
  void clear() {
    for (auto& b : buckets_) {
      b.clear();
    }
    last_ = 0;
    size_ = 0;
  }
  void push(double d, int v) {
    std::uint64_t k = bits(d);
    buckets_[bucketOf(k)].push_back({k, v});
    ++size_;
  }
  std::pair<double, int> pop() {
    if (buckets_[0].empty()) {
      int i = 1;
      while (buckets_[i].empty()) {
        ++i;
      }
      std::uint64_t least = buckets_[i][0].first;
      for (const auto& e : buckets_[i]) {
        least = std::min(least, e.first);
      }
      last_ = least;
      for (const auto& e : buckets_[i]) {
        buckets_[bucketOf(e.first)].push_back(e);
      }
      buckets_[i].clear();
    }
    auto e = buckets_[0].back();
    buckets_[0].pop_back();
    --size_;
    double d;
    std::memcpy(&d, &e.first, sizeof d);
    return {d, e.second};
  }

 private:
  static std::uint64_t bits(double d) {
    std::uint64_t k;
    std::memcpy(&k, &d, sizeof k);
    return k;
  }
  int bucketOf(std::uint64_t k) const {
    return k == last_ ? 0 : 64 - __builtin_clzll(k ^ last_);
  }
  std::vector<std::pair<std::uint64_t, int>> buckets_[65];
  std::uint64_t last_ = 0;
  size_t size_ = 0;
};

// The rectilinear length of wires under the noise (none: the true one).
double noisyLength(const std::vector<Wire>& wires, const Noise& noise) {
  if (!noise.active()) {
    return wireLength(wires);
  }
  double sum = 0;
  for (const Wire& w : wires) {
    sum += noise.length(w);
  }
  return sum;
}

using Grid = LineGrid;
using Escape = EscapeGrid;

bool buildGrid(Grid& g,
               const WirePlan& plan,
               const std::vector<RoutePoint>& pins,
               const ObstacleIndex& obstacles,
               WorkBudget& budget) {
  std::vector<int> rects = gridLines(g, plan.nodes, pins, obstacles);
  double nodes = static_cast<double>(g.nx) * g.ny;
  if (nodes > kMostNodes || kUnitsPerNode * nodes > budget.left) {
    return false;
  }
  budget.left -= kUnitsPerNode * nodes;
  shutPieces(g, rects, obstacles);
  return true;
}

// The tree as key vertices (pins, and nodes of other than two pieces)
// joined by key paths, rooted in each part at its first key vertex.
// The key paths with each part rooted at its first key vertex.
struct KeyTree : KeyPaths {
  // Per plan node, for key vertices: the path up (-1 at a root), the
  // vertex up, depth, the part's root, and its place in a walk of the part
  // (tin, tout: a vertex's subtree holds those whose tin lies in its span).
  std::vector<int> upPath, upKey, depth, root, tin, tout;

  // The lower end of a path.
  int child(int id) const {
    return depth[paths[id].a] > depth[paths[id].b] ? paths[id].a : paths[id].b;
  }
  bool under(int v, int k) const {  // v in the subtree of k
    return tin[k] <= tin[v] && tin[v] <= tout[k];
  }
};

KeyTree keyTreeOf(WirePlanScratch& scratch,
                  const std::vector<Wire>& wires,
                  const std::vector<RoutePoint>& pins) {
  KeyTree kt;
  static_cast<KeyPaths&>(kt) =
      keyPathsOf(planWires(wires, pins, scratch), true);
  int n = static_cast<int>(kt.plan.nodes.size());
  kt.upPath.assign(n, -1);
  kt.upKey.assign(n, -1);
  kt.depth.assign(n, -1);
  kt.root.assign(n, -1);
  kt.tin.assign(n, -1);
  kt.tout.assign(n, -1);
  int clock = 0;
  for (int r = 0; r < n; ++r) {
    if (!kt.key[r] || kt.depth[r] >= 0) {
      continue;
    }
    kt.depth[r] = 0;
    // (vertex, next of its key paths to look at)
    std::vector<std::pair<int, size_t>> stack{{r, 0}};
    kt.tin[r] = clock++;
    kt.root[r] = r;
    while (!stack.empty()) {
      auto& [v, next] = stack.back();
      if (next == kt.keyAdj[v].size()) {
        kt.tout[v] = clock - 1;
        stack.pop_back();
        continue;
      }
      int id = kt.keyAdj[v][next++];
      int w = kt.other(id, v);
      if (kt.depth[w] < 0) {
        kt.depth[w] = kt.depth[v] + 1;
        kt.upPath[w] = id;
        kt.upKey[w] = v;
        kt.root[w] = r;
        kt.tin[w] = clock++;
        stack.emplace_back(w, 0);
      }
    }
  }
  return kt;
}

// Where a tree point lies: a key vertex (its plan node, >= 0) or inside a
// key path (-1 - the path).
struct Place {
  int loc;
  bool inside() const { return loc < 0; }
  int path() const { return -1 - loc; }
};

// One search's joins: the edge (u, v) of the grid between the regions of
// two tree points, at the cost of the way from one to the other through it.
struct Join {
  double cost;
  int u, v;
  int a, b;  // the key vertices where the join's cycle leaves each end's
             // path (the ends themselves when key vertices)
  Place pa, pb;
  // The key path whose region was searched again for this join (its way
  // runs through that region by the second search), or -1.
  int region = -1;
  // An arm of an inserted branch point u: its way is the edge (u, v) and
  // v's way to its tree point (pb) alone.
  bool arm = false;
};

template <class G>
class Search {
 public:
  Search(const G& g,
         const std::vector<RoutePoint>& pins,
         WorkBudget& budget,
         WirePlanScratch& scratch,
         bool insert,
         Kicks kicks,
         Noise noise)
      : insert_(insert),
        kicks_(kicks),
        noise_(noise),
        g_(g),
        pins_(pins),
        budget_(budget),
        scratch_(scratch),
        dist_(g.size(), kInf),
        from_(g.size(), 0),
        base_(g.size(), -1),
        slot_(g.size(), -1) {
    if (noise_.active() && g.size() <= kMostCostsKept) {
      cost_.assign(4 * g.size(), std::numeric_limits<double>::quiet_NaN());
    }
  }

  // One pass over the tree; false when it did not change.
  // One pass over the tree; false when it did not change. With kick > 0,
  // a pass of iterated local search: besides the moves that gain, some key
  // paths, picked by kick, give way to their cheapest join though it may
  // lose a little; the tree may come back longer.
  bool pass(std::vector<Wire>& wires, int kick = 0);

 private:
  int step(int u, int d) const { return g_.step(u, d); }
  // Whether the arc from u (at column i, row j on a grid) in direction d
  // is there and free.
  bool open(int u, int i, int j, int d) const { return g_.open(u, i, j, d); }
  double length(int u, int i, int j, int d) const {
    if (noise_.active()) {
      // Costs under noise or penalties take hashing or look-ups: kept.
      double* at = cost_.empty() ? nullptr : &cost_[4 * size_t(u) + d];
      if (at && !std::isnan(*at)) {
        return *at;
      }
      RoutePoint p = point(u), q = point(step(u, d));
      double c = noise_.cost(p.x, p.y, q.x, q.y);
      if (at) {
        *at = c;
      }
      return c;
    }
    return g_.length(u, i, j, d);
  }
  RoutePoint point(int u) const { return g_.point(u); }
  bool labelTree(const KeyTree& kt);
  bool settle(double radius);
  void findJoins(const KeyTree& kt, double radius);
  // Steiner-vertex insertion at each node off the tree whose neighbours
  // lie in the regions of three or more tree points; reads the first
  // search, appends each gaining move's arms to joins_ and leaves per move
  // its arms, the two key paths it removes, its gain and the key paths of
  // the three points' subtree in out.
  struct Insertion {
    double gain;
    int node;
    std::vector<int> arms, gone, cover;
  };
  void insertions(const KeyTree& kt,
                  double radius,
                  double eps,
                  std::vector<Insertion>& out);
  // The key paths a join's cycle passes, with the paths its ends lie
  // inside; at most `most` key vertices of the walk, else false.
  bool cycle(const KeyTree& kt,
             const Join& j,
             std::vector<int>& paths,
             std::vector<int>* inner = nullptr,
             int most = std::numeric_limits<int>::max());
  // The join's way, as grid pieces, onto out.
  void wayOf(const Join& j, std::vector<Wire>& out) const;

  bool insert_;
  Kicks kicks_;
  Noise noise_;
  mutable std::vector<double> cost_;  // per node and direction, NaN unknown
  const G& g_;
  const std::vector<RoutePoint>& pins_;
  WorkBudget& budget_;
  WirePlanScratch& scratch_;
  std::vector<double> dist_;
  std::vector<unsigned char> from_;  // the direction back towards the tree
  std::vector<int> base_;            // the nearest tree point: a source
  std::vector<int> touched_;
  std::vector<std::pair<int, Place>> sources_;  // grid node, place
  std::vector<double> reach_;                   // per source: how far
  std::vector<Join> joins_;
  RadixQueue queue_;
  // The second search over a key path's region (the nodes nearest its
  // inner points), as though the path were gone: per node, 1 + the path
  // whose region holds it, and that search's distance, source and way.
  int regionOf(int u) const {
    int b = base_[u];
    if (b < 0 || !sources_[b].second.inside()) {
      return 0;
    }
    return sources_[b].second.path() + 1;
  }
  // Per grid node, its place in touched2_ (-1 outside every region); the
  // second search's values by that place.
  std::vector<int> slot_;
  std::vector<double> dist2_;
  std::vector<int> base2_;
  std::vector<unsigned char> from2_;
  std::vector<int> touched2_;
  // Each key path's cheapest join from its region's search, or -1.
  std::vector<int> regionJoin_;
  void repair(const KeyTree& kt);
};

template <class G>
bool Search<G>::labelTree(const KeyTree& kt) {
  for (int u : touched_) {
    dist_[u] = kInf;
    base_[u] = -1;
  }
  touched_.clear();
  sources_.clear();
  reach_.clear();
  auto put = [&](int u, Place p) {
    if (base_[u] < 0) {
      base_[u] = static_cast<int>(sources_.size());
      dist_[u] = 0;
      touched_.push_back(u);
      sources_.push_back({u, p});
      double far = 0;
      if (p.inside()) {
        far = kt.paths[p.path()].length;
      } else {
        for (int id : kt.keyAdj[p.loc]) {
          far = std::max(far, kt.paths[id].length);
        }
      }
      reach_.push_back(far);
    }
  };
  const WirePlan& plan = kt.plan;
  for (int v = 0; v < static_cast<int>(plan.nodes.size()); ++v) {
    if (kt.key[v]) {
      int u = g_.at(plan.nodes[v].x, plan.nodes[v].y);
      if (u < 0) {
        return false;
      }
      put(u, {v});
    }
  }
  for (int id = 0; id < static_cast<int>(kt.paths.size()); ++id) {
    const KeyTree::Path& kp = kt.paths[id];
    for (size_t k = 0; k + 1 < kp.nodes.size(); ++k) {
      int u = g_.at(plan.nodes[kp.nodes[k]].x, plan.nodes[kp.nodes[k]].y);
      int w =
          g_.at(plan.nodes[kp.nodes[k + 1]].x, plan.nodes[kp.nodes[k + 1]].y);
      if (u < 0 || w < 0) {
        return false;
      }
      RoutePoint pu = point(u), pw = point(w);
      int d = pw.x > pu.x ? 0 : pw.y > pu.y ? 1 : pw.x < pu.x ? 2 : 3;
      for (int x = u; x != w;) {
        if (x != u || k > 0) {
          put(x, {-1 - id});
        }
        x = step(x, d);
        if (x < 0) {
          return false;
        }
      }
    }
  }
  budget_.left -= kUnitsPerSettle * static_cast<double>(sources_.size());
  return true;
}

template <class G>
bool Search<G>::settle(double radius) {
  queue_.clear();
  for (const auto& s : sources_) {
    queue_.push(0.0, s.first);
  }
  double spent = 0;
  while (!queue_.empty()) {
    auto [d, u] = queue_.pop();
    if (d > dist_[u]) {
      continue;
    }
    spent += kUnitsPerSettle;
    if (spent > budget_.left) {
      budget_.left -= spent;
      return false;
    }
    double most = std::min(radius, reach_[base_[u]]);
    int i, j;
    g_.cell(u, i, j);
    for (int k = 0; k < 4; ++k) {
      if (!open(u, i, j, k)) {
        continue;
      }
      int w = step(u, k);
      double nd = d + length(u, i, j, k);
      if (nd < dist_[w] && nd <= most) {
        if (dist_[w] == kInf) {
          touched_.push_back(w);
        }
        dist_[w] = nd;
        base_[w] = base_[u];
        from_[w] = static_cast<unsigned char>((k + 2) % 4);
        queue_.push(nd, w);
      }
    }
  }
  budget_.left -= spent;
  return true;
}

// Whether a place lies in the subtree of key vertex k.
bool inSub(const KeyTree& kt, Place p, int k) {
  if (!p.inside()) {
    return kt.under(p.loc, k);
  }
  int c = kt.child(p.path());
  return c != k && kt.under(c, k);
}

// Where the tree's way from p to q leaves p's key path: p itself when a
// key vertex.
int exitOf(const KeyTree& kt, Place p, Place q) {
  if (!p.inside()) {
    return p.loc;
  }
  int c = kt.child(p.path());
  return inSub(kt, q, c) ? c : kt.other(p.path(), c);
}

template <class G>
void Search<G>::findJoins(const KeyTree& kt, double radius) {
  joins_.clear();
  auto exitOf = [&](Place p, Place q) { return ::exitOf(kt, p, q); };
  for (int u : touched_) {
    int i, j;
    g_.cell(u, i, j);
    for (int k = 0; k < 2; ++k) {
      if (!open(u, i, j, k)) {
        continue;
      }
      int v = step(u, k);
      if (base_[v] < 0 || base_[v] == base_[u]) {
        continue;
      }
      double cost = dist_[u] + length(u, i, j, k) + dist_[v];
      if (!(cost < radius)) {
        continue;
      }
      Place pa = sources_[base_[u]].second, pb = sources_[base_[v]].second;
      if (pa.inside() && pb.inside() && pa.path() == pb.path()) {
        continue;
      }
      int a = exitOf(pa, pb), b = exitOf(pb, pa);
      if (a == b || kt.root[a] != kt.root[b]) {
        continue;
      }
      joins_.push_back({cost, u, v, a, b, pa, pb});
    }
  }
  budget_.left -= kUnitsPerStep * static_cast<double>(touched_.size());
  std::sort(joins_.begin(), joins_.end(), [](const Join& x, const Join& y) {
    return std::tie(x.cost, x.u, x.v) < std::tie(y.cost, y.u, y.v);
  });
}

template <class G>
void Search<G>::repair(const KeyTree& kt) {
  for (int u : touched2_) {
    slot_[u] = -1;
  }
  touched2_.clear();
  regionJoin_.assign(kt.paths.size(), -1);
  for (int u : touched_) {
    if (regionOf(u) > 0) {
      touched2_.push_back(u);
    }
  }
  // By region, in the order the first search reached them.
  std::vector<int> start(kt.paths.size() + 2, 0);
  for (int u : touched2_) {
    ++start[regionOf(u) + 1];
  }
  for (size_t k = 1; k < start.size(); ++k) {
    start[k] += start[k - 1];
  }
  std::vector<int> byRegion(touched2_.size());
  for (int u : touched2_) {
    byRegion[start[regionOf(u)]++] = u;
  }
  touched2_ = std::move(byRegion);
  for (size_t t = 0; t < touched2_.size(); ++t) {
    slot_[touched2_[t]] = static_cast<int>(t);
  }
  dist2_.assign(touched2_.size(), kInf);
  base2_.assign(touched2_.size(), -1);
  from2_.assign(touched2_.size(), 0);
  double spent = 0;
  for (size_t lo = 0, hi = 0; lo < touched2_.size(); lo = hi) {
    int mark = regionOf(touched2_[lo]);
    for (hi = lo; hi < touched2_.size() && regionOf(touched2_[hi]) == mark;
         ++hi) {
    }
    int id = mark - 1;
    const KeyTree::Path& kp = kt.paths[id];
    queue_.clear();
    // Enter the region from the nodes around it, whose nearest tree
    // points stay.
    for (size_t t = lo; t < hi; ++t) {
      int x = touched2_[t];
      int i, j;
      g_.cell(x, i, j);
      for (int k = 0; k < 4; ++k) {
        if (!open(x, i, j, k)) {
          continue;
        }
        int y = step(x, k);
        if (regionOf(y) == mark || base_[y] < 0) {
          continue;
        }
        double nd = dist_[y] + length(x, i, j, k);
        if (nd < dist2_[slot_[x]] && nd < kp.length) {
          dist2_[slot_[x]] = nd;
          base2_[slot_[x]] = base_[y];
          from2_[slot_[x]] = static_cast<unsigned char>(k);
        }
      }
      if (dist2_[slot_[x]] < kInf) {
        queue_.push(dist2_[slot_[x]], x);
      }
    }
    while (!queue_.empty()) {
      auto [d, x] = queue_.pop();
      if (d > dist2_[slot_[x]]) {
        continue;
      }
      spent += kUnitsPerSettle;
      int i, j;
      g_.cell(x, i, j);
      for (int k = 0; k < 4; ++k) {
        if (!open(x, i, j, k)) {
          continue;
        }
        int y = step(x, k);
        double nd = d + length(x, i, j, k);
        if (regionOf(y) == mark && nd < dist2_[slot_[y]] && nd < kp.length) {
          dist2_[slot_[y]] = nd;
          base2_[slot_[y]] = base2_[slot_[x]];
          from2_[slot_[y]] = static_cast<unsigned char>((k + 2) % 4);
          queue_.push(nd, y);
        }
      }
    }
    // The cheapest join across the region between the path's two sides.
    int c = kt.child(id);
    Join best{kInf, -1, -1, -1, -1, {0}, {0}, id};
    for (size_t t = lo; t < hi; ++t) {
      int x = touched2_[t];
      if (dist2_[slot_[x]] == kInf) {
        continue;
      }
      int i, j;
      g_.cell(x, i, j);
      for (int k = 0; k < 4; ++k) {
        if (!open(x, i, j, k)) {
          continue;
        }
        int y = step(x, k);
        double cost;
        int sb;
        if (regionOf(y) == mark) {
          if (k >= 2 || dist2_[slot_[y]] == kInf) {
            continue;  // each edge inside once
          }
          cost = dist2_[slot_[x]] + length(x, i, j, k) + dist2_[slot_[y]];
          sb = base2_[slot_[y]];
        } else {
          if (base_[y] < 0) {
            continue;
          }
          cost = dist_[y] + length(x, i, j, k) + dist2_[slot_[x]];
          sb = base_[y];
        }
        int sa = base2_[slot_[x]];
        if (sa == sb || !(cost < best.cost)) {
          continue;
        }
        Place pa = sources_[sa].second, pb = sources_[sb].second;
        if (inSub(kt, pa, c) == inSub(kt, pb, c)) {
          continue;
        }
        best = {cost, x, y, -1, -1, pa, pb, id};
      }
    }
    spent += kUnitsPerStep * static_cast<double>(hi - lo);
    if (best.cost < kp.length) {
      best.a = exitOf(kt, best.pa, best.pb);
      best.b = exitOf(kt, best.pb, best.pa);
      if (best.a != best.b && kt.root[best.a] == kt.root[best.b]) {
        regionJoin_[id] = static_cast<int>(joins_.size());
        joins_.push_back(best);
      }
    }
  }
  budget_.left -= spent;
}

template <class G>
bool Search<G>::cycle(const KeyTree& kt,
                      const Join& j,
                      std::vector<int>& paths,
                      std::vector<int>* inner,
                      int most) {
  paths.clear();
  if (inner) {
    inner->clear();
  }
  for (Place p : {j.pa, j.pb}) {
    if (p.inside()) {
      paths.push_back(p.path());
    }
  }
  int walked = 0;
  for (int a = j.a, b = j.b; a != b;) {
    int& deeper = kt.depth[a] >= kt.depth[b] ? a : b;
    if (inner && deeper != j.a && deeper != j.b) {
      inner->push_back(deeper);
    }
    paths.push_back(kt.upPath[deeper]);
    deeper = kt.upKey[deeper];
    if (++walked > most) {
      budget_.left -= kUnitsPerStep * walked;
      return false;
    }
    if (inner && a == b && a != j.a && a != j.b) {
      inner->push_back(a);  // the walk's top
    }
  }
  budget_.left -= kUnitsPerStep * walked;
  return true;
}

template <class G>
void Search<G>::wayOf(const Join& j, std::vector<Wire>& out) const {
  for (int x : {j.u, j.v}) {
    if (j.arm && x == j.u) {
      continue;
    }
    for (;;) {
      bool again = j.region >= 0 && regionOf(x) == j.region + 1;
      if (!again && dist_[x] == 0) {
        break;
      }
      int y = step(x, again ? from2_[slot_[x]] : from_[x]);
      RoutePoint p = point(x), q = point(y);
      out.push_back({p.x, p.y, q.x, q.y});
      x = y;
    }
  }
  RoutePoint p = point(j.u), q = point(j.v);
  out.push_back({p.x, p.y, q.x, q.y});
}

template <class G>
void Search<G>::insertions(const KeyTree& kt,
                           double radius,
                           double eps,
                           std::vector<Insertion>& out) {
  struct Arm {
    double cost;
    int y, src;
  };
  std::vector<int> cyc[3], legs[3], ends;
  for (int w : touched_) {
    if (dist_[w] == 0) {
      continue;  // a tree point
    }
    int i, j;
    g_.cell(w, i, j);
    Arm arms[4];
    int na = 0;
    for (int k = 0; k < 4; ++k) {
      if (!open(w, i, j, k)) {
        continue;
      }
      int y = step(w, k);
      if (base_[y] < 0) {
        continue;
      }
      Arm a{length(w, i, j, k) + dist_[y], y, base_[y]};
      int f = 0;
      while (f < na && arms[f].src != a.src) {
        ++f;
      }
      if (f == na) {
        arms[na++] = a;
      } else if (a.cost < arms[f].cost) {
        arms[f] = a;
      }
    }
    budget_.left -= kUnitsPerStep;
    if (na < 3) {
      continue;
    }
    // By cost, then node (four at most: by insertion).
    for (int k = 1; k < na; ++k) {
      for (int m = k; m > 0 && std::tie(arms[m].cost, arms[m].y) <
                                   std::tie(arms[m - 1].cost, arms[m - 1].y);
           --m) {
        std::swap(arms[m], arms[m - 1]);
      }
    }
    // Each three of the arms (four at most): one, or four.
    Insertion best{eps, w, {}, {}, {}};
    int bestArms[3] = {-1, -1, -1};
    for (int skip = na == 4 ? 0 : 3; skip < 4; ++skip) {
      int pick[3], np = 0;
      for (int k = 0; k < na; ++k) {
        if (k != skip) {
          pick[np++] = k;
        }
      }
      double cost = 0;
      Place pl[3];
      for (int k = 0; k < 3; ++k) {
        cost += arms[pick[k]].cost;
        pl[k] = sources_[arms[pick[k]].src].second;
      }
      // Two points on one key path, one of them inside it, leave their
      // two legs no path to remove but that one, where an arm ends.
      bool apart = true;
      for (int k = 0; k < 3; ++k) {
        Place p = pl[k], q = pl[(k + 1) % 3];
        if (!p.inside()) {
          std::swap(p, q);
        }
        if (p.inside()) {
          const KeyTree::Path& kp = kt.paths[p.path()];
          apart = apart && !(q.inside() ? q.path() == p.path()
                                        : q.loc == kp.a || q.loc == kp.b);
        }
      }
      if (!apart) {
        continue;
      }
      // Two key paths at most go, none longer than the longest.
      if (!(cost < 2 * radius - best.gain)) {
        continue;
      }
      // The three points' ways pairwise, their legs from the subtree's
      // centre, the paths the points lie inside left out: the arm ends
      // there.
      bool whole = true;
      int roots[3];
      for (int k = 0; k < 3; ++k) {
        Place p = pl[k], q = pl[(k + 1) % 3];
        Join jj{0, -1, -1, exitOf(kt, p, q), exitOf(kt, q, p), p, q};
        roots[k] = kt.root[jj.a];
        whole = whole && kt.root[jj.a] == kt.root[jj.b] &&
                cycle(kt, jj, cyc[k], nullptr, kMostWalk);
        if (!whole) {
          break;
        }
        std::sort(cyc[k].begin(), cyc[k].end());
      }
      if (!whole || roots[0] != roots[1] || roots[1] != roots[2]) {
        continue;
      }
      ends.clear();
      for (Place p : pl) {
        if (p.inside()) {
          ends.push_back(p.path());
        }
      }
      // cyc[k] joins points k and k + 1: the leg of point k lies in
      // cyc[k] and cyc[k + 2].
      double most[3];
      int longest[3];
      for (int k = 0; k < 3; ++k) {
        legs[k].clear();
        std::set_intersection(cyc[k].begin(), cyc[k].end(),
                              cyc[(k + 2) % 3].begin(), cyc[(k + 2) % 3].end(),
                              std::back_inserter(legs[k]));
        most[k] = 0;
        longest[k] = -1;
        for (int id : legs[k]) {
          if (std::find(ends.begin(), ends.end(), id) == ends.end() &&
              kt.paths[id].length > most[k]) {
            most[k] = kt.paths[id].length;
            longest[k] = id;
          }
        }
      }
      // The two legs with the longest paths: one path off each of two
      // legs leaves the three points joined through the new branch point.
      int lo = 0;
      for (int k = 1; k < 3; ++k) {
        if (most[k] < most[lo]) {
          lo = k;
        }
      }
      int x = (lo + 1) % 3, y = (lo + 2) % 3;
      double gain = most[x] + most[y] - cost;
      if (longest[x] < 0 || longest[y] < 0 || !(gain > best.gain)) {
        continue;
      }
      best.gain = gain;
      best.gone = {longest[x], longest[y]};
      best.cover.clear();
      for (int k = 0; k < 3; ++k) {
        best.cover.insert(best.cover.end(), cyc[k].begin(), cyc[k].end());
        bestArms[k] = pick[k];
      }
    }
    if (bestArms[0] < 0) {
      continue;
    }
    for (int k : bestArms) {
      const Arm& a = arms[k];
      Place p = sources_[a.src].second;
      best.arms.push_back(static_cast<int>(joins_.size()));
      joins_.push_back({a.cost, w, a.y, -1, -1, p, p, -1, true});
    }
    std::sort(best.cover.begin(), best.cover.end());
    best.cover.erase(std::unique(best.cover.begin(), best.cover.end()),
                     best.cover.end());
    out.push_back(std::move(best));
  }
}

// Whether key vertex v's path up is among those kick k moves.
bool kicked(int k, int v, unsigned every) {
  std::uint32_t h = static_cast<std::uint32_t>(v) * 2654435761u +
                    static_cast<std::uint32_t>(k) * 40503u;
  h ^= h >> 15;
  h *= 2246822519u;
  h ^= h >> 13;
  return h % every == 0;
}

template <class G>
bool Search<G>::pass(std::vector<Wire>& wires, int kick) {
  budget_.left -= kUnitsPerWire * static_cast<double>(wires.size());
  KeyTree kt = keyTreeOf(scratch_, wires, pins_);
  if (noise_.active()) {
    for (KeyTree::Path& kp : kt.paths) {
      kp.length = 0;
      for (int p : kp.pieces) {
        const RoutePoint& u = kt.plan.nodes[kt.plan.pieces[p].first];
        const RoutePoint& w = kt.plan.nodes[kt.plan.pieces[p].second];
        kp.length += noise_.length({u.x, u.y, w.x, w.y});
      }
    }
  }
  if (kt.paths.empty() || !labelTree(kt)) {
    return false;
  }
  int n = static_cast<int>(kt.plan.nodes.size());
  double radius = 0, total = 0;
  for (const KeyTree::Path& kp : kt.paths) {
    radius = std::max(radius, kp.length);
    total += kp.length;
  }
  // A join that gains is shorter than the longest key path, and one of
  // its ends' regions holds at least half of it.
  double eps = 1e-9 * std::max(1.0, total);
  if (!settle(radius / 2)) {
    return false;
  }
  findJoins(kt, radius);

  // A move: paths removed, joins added, its gain.
  struct Move {
    double gain;
    int id;  // a tiebreak: the key vertex it is about
    std::vector<int> joins;
    std::vector<int> gone;
    // Where set, the key paths the move's ways close cycles through (its
    // joins are arms).
    std::vector<int> cover;
  };
  std::vector<Move> moves;

  // Key-path exchange: each key path's cheapest join whose cycle passes
  // it, the joins taken by cost, a path once covered skipped.
  std::vector<int> up(n), best(n, -1);
  for (int v = 0; v < n; ++v) {
    up[v] = v;
  }
  auto find = [&](int v) {
    int r = v;
    while (up[r] != r) {
      r = up[r];
    }
    while (up[v] != r) {
      int next = up[v];
      up[v] = r;
      v = next;
    }
    return r;
  };
  // Branch points that are no pins: the cheapest joins whose cycle passes
  // through them.
  std::vector<std::vector<int>> through(n);
  std::vector<int> paths, inner;
  for (int ji = 0; ji < static_cast<int>(joins_.size()); ++ji) {
    const Join& j = joins_[ji];
    int x = find(j.a), y = find(j.b);
    while (x != y) {
      if (kt.depth[x] < kt.depth[y]) {
        std::swap(x, y);
      }
      best[x] = ji;
      up[x] = kt.upKey[x];
      x = find(x);
    }
    budget_.left -= kUnitsPerStep;
    cycle(kt, j, paths, &inner, kMostWalk);
    for (int v : inner) {
      if (!kt.plan.pinAt[v] && kt.keyAdj[v].size() >= 3 &&
          static_cast<int>(through[v].size()) < kJoinsPerVertex) {
        through[v].push_back(ji);
      }
    }
  }
  // A key path's region searched again, as though the path were gone,
  // finds the joins that run where it ran.
  int found = static_cast<int>(joins_.size());
  repair(kt);
  for (int v = 0; v < n; ++v) {
    if (kt.upPath[v] >= 0) {
      int again = regionJoin_[kt.upPath[v]];
      if (again >= found &&
          (best[v] < 0 || joins_[again].cost < joins_[best[v]].cost)) {
        best[v] = again;
      }
    }
    if (best[v] >= 0 && kt.upPath[v] >= 0) {
      double gain = kt.paths[kt.upPath[v]].length - joins_[best[v]].cost;
      if (gain > eps || (kick > 0 && kicked(kick, v, kicks_.every) &&
                         gain > -kicks_.loss * kt.paths[kt.upPath[v]].length)) {
        moves.push_back({gain, v, {best[v]}, {kt.upPath[v]}, {}});
      }
    }
  }

  // Key-vertex elimination: the parts a branch point's star leaves, joined
  // again by a shortest spanning tree of the joins between them.
  for (int v = 0; v < n; ++v) {
    if (through[v].size() < 2) {
      continue;
    }
    const std::vector<int>& star = kt.keyAdj[v];
    double old = 0;
    std::vector<int> below;  // the star's lower ends, in order: parts
    for (int id : star) {
      old += kt.paths[id].length;
      if (kt.upPath[v] != id) {
        below.push_back(kt.other(id, v));
      }
    }
    int parts = static_cast<int>(star.size());
    auto partOf = [&](Place p) {
      if (p.inside() &&
          std::find(star.begin(), star.end(), p.path()) != star.end()) {
        return -1;  // gone with the star
      }
      int at = p.inside() ? kt.child(p.path()) : p.loc;
      for (size_t k = 0; k < below.size(); ++k) {
        if (kt.under(at, below[k])) {
          return static_cast<int>(k);
        }
      }
      return static_cast<int>(below.size());  // the rest, above v
    };
    std::vector<int> joinUp(parts);
    for (int k = 0; k < parts; ++k) {
      joinUp[k] = k;
    }
    auto top = [&](int k) {
      while (joinUp[k] != k) {
        k = joinUp[k];
      }
      return k;
    };
    double cost = 0;
    std::vector<int> chosen;
    for (int ji : through[v]) {
      int pa = partOf(joins_[ji].pa), pb = partOf(joins_[ji].pb);
      if (pa < 0 || pb < 0) {
        continue;
      }
      pa = top(pa), pb = top(pb);
      if (pa != pb) {
        joinUp[pa] = pb;
        cost += joins_[ji].cost;
        chosen.push_back(ji);
      }
    }
    budget_.left -= kUnitsPerStep * static_cast<double>(through[v].size());
    if (static_cast<int>(chosen.size()) == parts - 1 &&
        (old - cost > eps || (kick > 0 && kicked(kick, n + v, kicks_.every) &&
                              old - cost > -kicks_.loss * old))) {
      moves.push_back({old - cost, v, chosen, star, {}});
    }
  }
  // Steiner-vertex insertion, where asked for, in descents only.
  if (insert_ && kick == 0) {
    std::vector<Insertion> in;
    insertions(kt, radius, eps, in);
    for (Insertion& m : in) {
      moves.push_back({m.gain, 2 * n + m.node, std::move(m.arms),
                       std::move(m.gone), std::move(m.cover)});
    }
  }
  if (moves.empty()) {
    return false;
  }
  std::sort(moves.begin(), moves.end(), [](const Move& x, const Move& y) {
    return x.gain != y.gain ? x.gain > y.gain : x.id < y.id;
  });

  // Moves whose cycles and removed paths share no key path, the largest
  // gains first.
  std::vector<char> used(kt.paths.size(), 0);
  std::vector<const Move*> taken;
  for (const Move& m : moves) {
    std::vector<int> all = m.gone;
    bool whole = true;
    if (!m.cover.empty()) {
      all.insert(all.end(), m.cover.begin(), m.cover.end());
    }
    for (int ji : m.joins) {
      if (joins_[ji].arm) {
        continue;
      }
      whole = cycle(kt, joins_[ji], paths) && whole;
      all.insert(all.end(), paths.begin(), paths.end());
    }
    bool free = whole;
    for (int id : all) {
      free = free && !used[id];
    }
    if (!free) {
      continue;
    }
    for (int id : all) {
      used[id] = 1;
    }
    taken.push_back(&m);
  }
  int before = countPinParts(wires, pins_, scratch_);
  double length = noisyLength(wires, noise_);
  // All the moves at once; where that fails, the best alone.
  for (size_t most : {taken.size(), size_t{1}}) {
    std::vector<char> gone(kt.plan.pieces.size(), 0);
    std::vector<Wire> next;
    for (size_t k = 0; k < most; ++k) {
      for (int id : taken[k]->gone) {
        for (int p : kt.paths[id].pieces) {
          gone[p] = 1;
        }
      }
      for (int ji : taken[k]->joins) {
        wayOf(joins_[ji], next);
      }
    }
    for (int p = 0; p < static_cast<int>(kt.plan.pieces.size()); ++p) {
      if (!gone[p]) {
        const RoutePoint& u = kt.plan.nodes[kt.plan.pieces[p].first];
        const RoutePoint& w = kt.plan.nodes[kt.plan.pieces[p].second];
        next.push_back({u.x, u.y, w.x, w.y});
      }
    }
    budget_.left -= kUnitsPerWire * static_cast<double>(next.size());
    int after = 0;
    next = cleanWires(next, pins_, scratch_, &after);
    if (after == before &&
        (kick > 0 || noisyLength(next, noise_) < length - eps)) {
      wires = std::move(next);
      return true;
    }
    if (most == 1) {
      break;
    }
  }
  return false;
}

}  // namespace

double Noise::cost(double x1, double y1, double x2, double y2) const {
  double dx = std::fabs(x1 - x2), dy = std::fabs(y1 - y2);
  bool horizontal = dy == 0;
  if (!active() || (dx != 0 && dy != 0)) {
    return dx + dy;
  }
  double at = horizontal ? y1 : x1;
  double plo = horizontal ? std::min(x1, x2) : std::min(y1, y2);
  double phi = horizontal ? std::max(x1, x2) : std::max(y1, y2);
  double extra = penalties ? penalties->extra(horizontal, at, plo, phi) : 0;
  // The line across, and the piece's span along it inside the box.
  if (amount <= 0 || at < (horizontal ? ylo : xlo) ||
      at > (horizontal ? yhi : xhi)) {
    return dx + dy + extra;
  }
  double lo = std::max(plo, horizontal ? xlo : ylo);
  double hi = std::min(phi, horizontal ? xhi : yhi);
  if (hi <= lo) {
    return dx + dy + extra;
  }
  std::uint64_t h;
  std::memcpy(&h, &at, sizeof h);
  h ^= (static_cast<std::uint64_t>(seed) << 1 | horizontal) *
       0x9e3779b97f4a7c15ull;
  // splitmix64's finish
  h = (h ^ (h >> 30)) * 0xbf58476d1ce4e5b9ull;
  h = (h ^ (h >> 27)) * 0x94d049bb133111ebull;
  h ^= h >> 31;
  return dx + dy + extra +
         (hi - lo) * amount * static_cast<double>(h >> 11) * 0x1p-53;
}

void Penalties::add(const std::vector<Wire>& wires, double count) {
  for (const Wire& w : wires) {
    bool horizontal = w.y1 == w.y2;
    if (!horizontal && w.x1 != w.x2) {
      continue;
    }
    double at = horizontal ? w.y1 : w.x1;
    double a = horizontal ? w.x1 : w.y1, b = horizontal ? w.x2 : w.y2;
    if (a != b) {
      spans.push_back({horizontal, at, std::min(a, b), std::max(a, b), count});
    }
  }
}

void Penalties::sorted() {
  std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) {
    return std::tie(a.horizontal, a.at, a.lo, a.hi) <
           std::tie(b.horizontal, b.at, b.lo, b.hi);
  });
  // Equal spans merged into one of their summed count.
  size_t n = 0;
  for (const Span& s : spans) {
    if (n > 0 && spans[n - 1].horizontal == s.horizontal &&
        spans[n - 1].at == s.at && spans[n - 1].lo == s.lo &&
        spans[n - 1].hi == s.hi) {
      spans[n - 1].count += s.count;
    } else {
      spans[n++] = s;
    }
  }
  spans.resize(n);
}

double Penalties::extra(bool horizontal,
                        double at,
                        double lo,
                        double hi) const {
  auto first = std::lower_bound(
      spans.begin(), spans.end(), std::make_pair(horizontal, at),
      [](const Span& s, const std::pair<bool, double>& k) {
        return std::make_pair(s.horizontal, s.at) < k;
      });
  double sum = 0;
  for (auto it = first; it != spans.end() && it->horizontal == horizontal &&
                        it->at == at && it->lo < hi;
       ++it) {
    double overlap = std::min(hi, it->hi) - std::max(lo, it->lo);
    if (overlap > 0) {
      sum += overlap * it->count;
    }
  }
  return weight * sum;
}

bool localSearchFits(const std::vector<Wire>& wires,
                     const std::vector<RoutePoint>& pins,
                     const ObstacleIndex& obstacles,
                     double work) {
  std::vector<RoutePoint> points;
  for (const Wire& w : wires) {
    points.push_back({w.x1, w.y1});
    points.push_back({w.x2, w.y2});
  }
  if (points.empty()) {
    return false;
  }
  Grid g;
  gridLines(g, points, pins, obstacles);
  double nodes = static_cast<double>(g.nx) * g.ny;
  return nodes <= kMostNodes && nodes * kUnitsPerPassNode <= work;
}

std::vector<Wire> localSearchTree(const std::vector<Wire>& wires,
                                  const std::vector<RoutePoint>& pins,
                                  const ObstacleIndex& obstacles,
                                  WorkBudget& budget,
                                  SearchGraph graph) {
  WirePlanScratch plan;
  return localSearchTree(wires, pins, obstacles, budget, plan, graph);
}

std::vector<Wire> localSearchTree(const std::vector<Wire>& wires,
                                  const std::vector<RoutePoint>& pins,
                                  const ObstacleIndex& obstacles,
                                  WorkBudget& budget,
                                  WirePlanScratch& plan,
                                  SearchGraph graph,
                                  bool iterate,
                                  bool insert,
                                  Kicks kicks,
                                  Noise noise) {
  std::vector<Wire> tree = cleanWires(wires, pins, plan);
  if (tree.empty() || budget.left <= 0) {
    return tree;
  }
  budget.left -= kUnitsPerWire * static_cast<double>(tree.size());
  WirePlan first = planWires(tree, pins, plan);
  auto run = [&](const auto& g) {
    Search search(g, pins, budget, plan, insert, kicks, noise);
    auto descend = [&] {
      for (int p = 0; p < kMostPasses && budget.left > 0; ++p) {
        if (!search.pass(tree)) {
          break;
        }
      }
    };
    descend();
    if (!iterate) {
      return;
    }
    // From the best tree found, a kick and a descent; the shortest kept.
    std::vector<Wire> best = tree;
    double least = noisyLength(best, noise);
    for (int k = kicks.first; k < kicks.first + kicks.count && budget.left > 0;
         ++k) {
      tree = best;
      if (!search.pass(tree, k)) {
        continue;
      }
      descend();
      double length = noisyLength(tree, noise);
      if (length < least - 1e-9 * least) {
        best = tree;
        least = length;
      }
    }
    tree = std::move(best);
  };
  if (graph == SearchGraph::automatic) {
    Grid g;
    gridLines(g, first.nodes, pins, obstacles);
    graph = static_cast<double>(g.nx) * g.ny > kEscapeFrom ? SearchGraph::escape
                                                           : SearchGraph::grid;
  }
  if (graph == SearchGraph::escape) {
    Escape escape;
    if (buildEscape(escape, first.nodes, pins, obstacles, budget)) {
      run(escape);
    }
  } else {
    Grid grid;
    if (buildGrid(grid, first, pins, obstacles, budget)) {
      run(grid);
    }
  }
  return tree;
}
