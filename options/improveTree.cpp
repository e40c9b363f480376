#include "options/improveTree.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "options/flatSteiner.h"
#include "options/keyPaths.h"
#include "spatial/obstacleIndex.h"

namespace {

// A window costing more than this is passed over: it holds too many
// obstacles for its gain to be worth the wait.
const double kWindowWorkCap = 4e6;
// What an obstacle-free window costs, about its time.
const double kFlatWindowWork = 300;
// Planning and cleaning the whole tree, once a round, in work units per
// wire: counted so that a large tree's rounds keep to the budget too.
const double kRoundWorkPerWire = 200;
// Each key node is tried with this many of its nearest key nodes for a
// shortcut between their branches.
const int kShortcutNeighbours = 16;
const int kShortcutRounds = 20;

// The planned tree as key nodes (pins and branch points) joined by key
// paths, as keyPathsOf finds them and in its order, but in flat lists kept
// from round to round: a round's tree of a few dozen wires would otherwise
// cost an allocation for every node and path.
struct KeyTree {
  struct Path {
    int a;
    int b;
    double length;
    int first;  // its pieces: pieces[first, last), in order from a
    int last;
  };
  // The ids of a node's key paths.
  struct Ids {
    const int* from;
    const int* to;
    const int* begin() const { return from; }
    const int* end() const { return to; }
    bool empty() const { return from == to; }
    int size() const { return static_cast<int>(to - from); }
  };

  WirePlan plan;
  std::vector<char> key;  // per plan node
  std::vector<Path> paths;
  std::vector<int> pieces;
  std::vector<int> keyStart, keyIds;  // per plan node: its key paths
  // Working lists: the pieces at each node.
  std::vector<int> adjStart, adj, fill;
  std::vector<char> pieceDone;

  Ids keyAdj(int v) const {
    return {keyIds.data() + keyStart[v], keyIds.data() + keyStart[v + 1]};
  }
  Ids piecesOf(int id) const {
    return {pieces.data() + paths[id].first, pieces.data() + paths[id].last};
  }
  int other(int id, int v) const {
    return paths[id].a == v ? paths[id].b : paths[id].a;
  }
};

void keyTreeOf(KeyTree& kt,
               WirePlanScratch& scratch,
               const std::vector<Wire>& wires,
               const std::vector<RoutePoint>& pins,
               WorkBudget& budget) {
  budget.left -= kRoundWorkPerWire * static_cast<double>(wires.size());
  kt.plan = planWires(wires, pins, scratch);
  const WirePlan& wp = kt.plan;
  int n = static_cast<int>(wp.nodes.size());
  int np = static_cast<int>(wp.pieces.size());
  // Each node's pieces in piece order, as lists filled piece by piece.
  kt.adjStart.assign(n + 1, 0);
  for (const auto& [u, v] : wp.pieces) {
    ++kt.adjStart[u + 1];
    ++kt.adjStart[v + 1];
  }
  for (int v = 0; v < n; ++v) {
    kt.adjStart[v + 1] += kt.adjStart[v];
  }
  kt.fill.assign(kt.adjStart.begin(), kt.adjStart.end() - 1);
  kt.adj.resize(2 * static_cast<size_t>(np));
  for (int p = 0; p < np; ++p) {
    kt.adj[kt.fill[wp.pieces[p].first]++] = p;
    kt.adj[kt.fill[wp.pieces[p].second]++] = p;
  }
  kt.key.assign(n, 0);
  for (int v = 0; v < n; ++v) {
    kt.key[v] = wp.pinAt[v] || kt.adjStart[v + 1] - kt.adjStart[v] != 2;
  }
  kt.paths.clear();
  kt.pieces.clear();
  kt.pieceDone.assign(np, 0);
  for (int a = 0; a < n; ++a) {
    if (!kt.key[a]) {
      continue;
    }
    for (int k = kt.adjStart[a]; k < kt.adjStart[a + 1]; ++k) {
      int p = kt.adj[k];
      if (kt.pieceDone[p]) {
        continue;
      }
      KeyTree::Path kp{a, -1, 0, static_cast<int>(kt.pieces.size()), 0};
      for (int cur = a;;) {
        kt.pieceDone[p] = 1;
        kt.pieces.push_back(p);
        kp.length += pieceLength(wp, p);
        int next = wp.pieces[p].first == cur ? wp.pieces[p].second
                                             : wp.pieces[p].first;
        if (kt.key[next]) {
          kp.b = next;
          break;
        }
        const int* at = kt.adj.data() + kt.adjStart[next];
        p = at[0] == p ? at[1] : at[0];
        cur = next;
      }
      kp.last = static_cast<int>(kt.pieces.size());
      kt.paths.push_back(kp);
    }
  }
  // Each node's key paths in path order, as keyPathsOf lists them.
  kt.keyStart.assign(n + 1, 0);
  for (const KeyTree::Path& kp : kt.paths) {
    ++kt.keyStart[kp.a + 1];
    ++kt.keyStart[kp.b + 1];
  }
  for (int v = 0; v < n; ++v) {
    kt.keyStart[v + 1] += kt.keyStart[v];
  }
  kt.fill.assign(kt.keyStart.begin(), kt.keyStart.end() - 1);
  kt.keyIds.resize(2 * kt.paths.size());
  for (int id = 0; id < static_cast<int>(kt.paths.size()); ++id) {
    kt.keyIds[kt.fill[kt.paths[id].a]++] = id;
    kt.keyIds[kt.fill[kt.paths[id].b]++] = id;
  }
}

// A window's optimal tree depends on its ends, in order, its box and the
// length to beat alone, and the rounds meet many windows again: each is
// solved once, and its work charged at every meeting as if solved again,
// so that the budget runs out where it did.
struct Solved {
  double work = 0;
  ExactTree tree;
};
struct SolvedWindows {
  SolvedWindows(WirePlanScratch& p, FlatScratch& f, ExactScratch& e)
      : plan(p), flat(f), exact(e) {}

  std::map<std::vector<double>, Solved> byKey;
  // The solvers' working storage, the caller's.
  WirePlanScratch& plan;
  FlatScratch& flat;
  ExactScratch& exact;
  // The rounds' own, kept from round to round.
  KeyTree kt;
  std::vector<double> key;
  std::vector<RoutePoint> terms;
  std::vector<char> taken, pieceGone;
  std::vector<int> donePaths;
  std::vector<Wire> next;
  std::vector<int> region, inner, ends, inRegion, pathIn;
  std::vector<int> up, depth, keys, way;
  std::vector<std::pair<double, int>> near;
};

struct Replacement {
  int first;  // its paths: donePaths[first, last)
  int last;
  const std::vector<Wire>* tree;
};

// The paths of a round's windows, each taken by one window at most.
class Round {
 public:
  Round(const ObstacleIndex& obstacles,
        WorkBudget& budget,
        SolvedWindows& solved)
      : kt_(solved.kt),
        obstacles_(obstacles),
        budget_(budget),
        solved_(solved),
        taken_(solved.taken) {
    taken_.assign(kt_.paths.size(), 0);
    solved_.donePaths.clear();
  }

  bool taken(int id) const { return taken_[id]; }

  // Replaces the region's paths by a shortest tree over the ends inside the
  // region's box where that is shorter than beat, and takes the region's
  // paths and those of also.
  template <class Also>
  bool tryWindow(const std::vector<int>& region,
                 const std::vector<int>& ends,
                 double beat,
                 const Also& also) {
    const WirePlan& plan = kt_.plan;
    float xlo = plan.nodes[ends[0]].x, xhi = xlo;
    float ylo = plan.nodes[ends[0]].y, yhi = ylo;
    for (int id : region) {
      for (int p : kt_.piecesOf(id)) {
        for (int v : {plan.pieces[p].first, plan.pieces[p].second}) {
          xlo = std::min(xlo, plan.nodes[v].x);
          xhi = std::max(xhi, plan.nodes[v].x);
          ylo = std::min(ylo, plan.nodes[v].y);
          yhi = std::max(yhi, plan.nodes[v].y);
        }
      }
    }
    std::vector<double>& key = solved_.key;
    std::vector<RoutePoint>& terms = solved_.terms;
    key.assign({xlo, ylo, xhi, yhi, beat});
    terms.clear();
    for (int t : ends) {
      key.push_back(plan.nodes[t].x);
      key.push_back(plan.nodes[t].y);
      terms.push_back(plan.nodes[t]);
    }
    auto it = solved_.byKey.lower_bound(key);
    bool fresh = it == solved_.byKey.end() || it->first != key;
    if (fresh) {
      it = solved_.byKey.emplace_hint(it, key, Solved{});
    }
    Solved& s = it->second;
    if (fresh && static_cast<int>(terms.size()) <= kFlatExactPins &&
        !obstacles_.meetsMoreThan(xlo, ylo, xhi, yhi, 0)) {
      // No obstacle in the box: the obstacle-free tree is the window's.
      s.tree.wires = solveFlatTree(terms, solved_.flat);
      s.tree.length = wireLength(s.tree.wires);
      s.tree.status =
          s.tree.length < beat ? ExactStatus::solved : ExactStatus::noneWithin;
      s.work = kFlatWindowWork;
    } else if (fresh) {
      double share = std::min(kWindowWorkCap, budget_.left);
      WorkBudget left{share};
      s.tree = solveExactTree(terms, obstacles_, {xlo, ylo, xhi, yhi}, left,
                              solved_.exact, beat);
      s.work = share - left.left;
    }
    budget_.left -= s.work;
    // Gains below float noise are no gains: the tree would only churn.
    if (s.tree.status != ExactStatus::solved ||
        !(s.tree.length < beat - 1e-7 * std::max(1.0, beat))) {
      return false;
    }
    std::vector<int>& donePaths = solved_.donePaths;
    int first = static_cast<int>(donePaths.size());
    for (int id : region) {
      taken_[id] = 1;
      donePaths.push_back(id);
    }
    for (int id : also) {
      taken_[id] = 1;
    }
    done_.push_back({first, static_cast<int>(donePaths.size()), &s.tree.wires});
    return true;
  }

  // The tree with every replacement made, cleaned (cleanWires), so that a
  // cycle a shortcut closes loses its longest piece.
  std::vector<Wire> apply(const std::vector<RoutePoint>& pins,
                          int* pinParts = nullptr) const {
    const WirePlan& plan = kt_.plan;
    std::vector<char>& pieceGone = solved_.pieceGone;
    std::vector<Wire>& next = solved_.next;
    pieceGone.assign(plan.pieces.size(), 0);
    next.clear();
    for (const Replacement& r : done_) {
      for (int k = r.first; k < r.last; ++k) {
        for (int p : kt_.piecesOf(solved_.donePaths[k])) {
          pieceGone[p] = 1;
        }
      }
      next.insert(next.end(), r.tree->begin(), r.tree->end());
    }
    for (int p = 0; p < static_cast<int>(plan.pieces.size()); ++p) {
      if (!pieceGone[p]) {
        const RoutePoint& u = plan.nodes[plan.pieces[p].first];
        const RoutePoint& v = plan.nodes[plan.pieces[p].second];
        next.push_back({u.x, u.y, v.x, v.y});
      }
    }
    return cleanWires(next, pins, solved_.plan, pinParts);
  }

  bool empty() const { return done_.empty(); }

 private:
  const KeyTree& kt_;
  const ObstacleIndex& obstacles_;
  WorkBudget& budget_;
  SolvedWindows& solved_;
  std::vector<char>& taken_;
  std::vector<Replacement> done_;
};

const std::vector<int> kNone;

// One round at one window size: every window whose paths no earlier window
// of the round has taken. False when no window gained.
bool improveRound(std::vector<Wire>& wires,
                  const std::vector<RoutePoint>& pins,
                  const ObstacleIndex& obstacles,
                  int maxEnds,
                  WorkBudget& budget,
                  SolvedWindows& solved) {
  KeyTree& kt = solved.kt;
  keyTreeOf(kt, solved.plan, wires, pins, budget);
  const WirePlan& plan = kt.plan;
  const std::vector<KeyTree::Path>& paths = kt.paths;
  int n = static_cast<int>(plan.nodes.size());
  Round round(obstacles, budget, solved);
  // The centre whose window holds a node, and the one whose region holds a
  // path.
  std::vector<int>& inRegion = solved.inRegion;
  std::vector<int>& pathIn = solved.pathIn;
  inRegion.assign(n, -1);
  pathIn.assign(paths.size(), -1);
  std::vector<int>& region = solved.region;
  std::vector<int>& inner = solved.inner;
  std::vector<int>& ends = solved.ends;
  for (int c = 0; c < n && budget.left > 0; ++c) {
    if (!kt.key[c] || kt.keyAdj(c).empty()) {
      continue;
    }
    // Grow the window from c through branch points while its ends fit.
    region.clear();
    inner.assign(1, c);
    ends.clear();
    bool taken = false;
    for (int id : kt.keyAdj(c)) {
      taken = taken || round.taken(id);
      region.push_back(id);
      pathIn[id] = c;
      ends.push_back(kt.other(id, c));
    }
    if (taken) {
      continue;
    }
    inRegion[c] = c;
    if (plan.pinAt[c]) {
      ends.push_back(c);
    }
    for (size_t i = 0; i < ends.size(); ++i) {
      // A branch point at the window's edge joins the window, its other
      // paths with it; a pin does too but stays an end.
      int t = ends[i];
      bool pin = plan.pinAt[t];
      int grows = kt.keyAdj(t).size() - 1;
      if (inRegion[t] == c || grows == 0 ||
          static_cast<int>(ends.size()) - (pin ? 0 : 1) + grows > maxEnds) {
        continue;
      }
      bool free = true;
      for (int id : kt.keyAdj(t)) {
        free = free && (pathIn[id] == c || !round.taken(id));
      }
      if (!free) {
        continue;
      }
      inRegion[t] = c;
      inner.push_back(t);
      if (!pin) {
        ends.erase(ends.begin() + i);
        --i;
      }
      for (int id : kt.keyAdj(t)) {
        if (pathIn[id] != c) {
          region.push_back(id);
          pathIn[id] = c;
          ends.push_back(kt.other(id, t));
        }
      }
    }
    for (int t : inner) {
      inRegion[t] = -1;
    }
    if (ends.size() < 2 || static_cast<int>(ends.size()) > maxEnds) {
      continue;
    }
    double old = 0;
    for (int id : region) {
      old += paths[id].length;
    }
    round.tryWindow(region, ends, old, kNone);
  }
  if (round.empty()) {
    return false;
  }
  wires = round.apply(pins);
  return true;
}

// One round of shortcuts, which change the tree's shape beyond any window:
// two key nodes near each other in the plane but not along the tree give
// up their stars (their key paths) and the longest key path of the tree's
// way between them to one shortest tree over the stars' ends. The way is
// cut, and the new tree joins its two sides again. The ways of one round's
// shortcuts share no path, so they stay apart; a round that would split
// the pins or not shorten the tree is dropped whole. False when the tree
// did not change.
bool shortcutRound(std::vector<Wire>& wires,
                   const std::vector<RoutePoint>& pins,
                   const ObstacleIndex& obstacles,
                   int maxEnds,
                   WorkBudget& budget,
                   SolvedWindows& solved) {
  KeyTree& kt = solved.kt;
  keyTreeOf(kt, solved.plan, wires, pins, budget);
  const WirePlan& plan = kt.plan;
  const std::vector<KeyTree::Path>& paths = kt.paths;
  int n = static_cast<int>(plan.nodes.size());
  // The key forest, rooted: each key node's path up and its depth.
  std::vector<int>& up = solved.up;
  std::vector<int>& depth = solved.depth;
  std::vector<int>& keys = solved.keys;
  std::vector<int>& stack = solved.inner;
  up.assign(n, -1);
  depth.assign(n, -1);
  keys.clear();
  for (int r = 0; r < n; ++r) {
    if (!kt.key[r] || depth[r] >= 0) {
      continue;
    }
    depth[r] = 0;
    stack.assign(1, r);
    while (!stack.empty()) {
      int v = stack.back();
      stack.pop_back();
      keys.push_back(v);
      for (int id : kt.keyAdj(v)) {
        int w = kt.other(id, v);
        if (depth[w] < 0) {
          depth[w] = depth[v] + 1;
          up[w] = id;
          stack.push_back(w);
        }
      }
    }
  }
  std::sort(keys.begin(), keys.end());  // by x, then y, as the nodes are
  auto dist = [&](int u, int v) {
    return std::fabs(static_cast<double>(plan.nodes[u].x) - plan.nodes[v].x) +
           std::fabs(static_cast<double>(plan.nodes[u].y) - plan.nodes[v].y);
  };
  Round round(obstacles, budget, solved);
  std::vector<std::pair<double, int>>& near = solved.near;
  std::vector<int>& way = solved.way;
  std::vector<int>& region = solved.region;
  std::vector<int>& ends = solved.ends;
  int m = static_cast<int>(keys.size());
  for (int iu = 0; iu < m && budget.left > 0; ++iu) {
    int u = keys[iu];
    // The nearest key nodes, by scanning outwards along x while the gap in
    // x alone can still beat the farthest kept; ties by index.
    near.clear();
    for (int dir : {-1, 1}) {
      for (int j = iu + dir; j >= 0 && j < m; j += dir) {
        double dx = std::fabs(static_cast<double>(plan.nodes[keys[j]].x) -
                              plan.nodes[u].x);
        if (static_cast<int>(near.size()) == kShortcutNeighbours &&
            dx > near.back().first) {
          break;
        }
        near.emplace_back(dist(u, keys[j]), keys[j]);
        std::sort(near.begin(), near.end());
        if (static_cast<int>(near.size()) > kShortcutNeighbours) {
          near.pop_back();
        }
      }
    }
    for (const auto& [d, v] : near) {
      if (v < u || depth[u] < 0) {
        continue;  // each pair once
      }
      // The tree's way between u and v, and its longest path outside both
      // stars.
      way.clear();
      for (int a = u, b = v; a != b;) {
        int& deeper = depth[a] >= depth[b] ? a : b;
        if (up[deeper] < 0) {
          way.clear();  // apart: no way
          break;
        }
        way.push_back(up[deeper]);
        deeper = kt.other(up[deeper], deeper);
      }
      region.assign(kt.keyAdj(u).begin(), kt.keyAdj(u).end());
      region.insert(region.end(), kt.keyAdj(v).begin(), kt.keyAdj(v).end());
      std::sort(region.begin(), region.end());
      if (way.empty() ||
          std::adjacent_find(region.begin(), region.end()) != region.end()) {
        continue;  // v at u's star: a window sees it
      }
      int longest = -1;
      for (int id : way) {
        if (!std::binary_search(region.begin(), region.end(), id) &&
            (longest < 0 || paths[id].length > paths[longest].length)) {
          longest = id;
        }
      }
      bool free = longest >= 0 && !round.taken(longest);
      double old = longest >= 0 ? paths[longest].length : 0;
      ends.clear();
      for (int id : region) {
        free = free && !round.taken(id);
        old += paths[id].length;
      }
      if (!free) {
        continue;
      }
      for (int c : {u, v}) {
        for (int id : kt.keyAdj(c)) {
          ends.push_back(kt.other(id, c));
        }
        if (plan.pinAt[c]) {
          ends.push_back(c);
        }
      }
      std::sort(ends.begin(), ends.end());
      ends.erase(std::unique(ends.begin(), ends.end()), ends.end());
      if (static_cast<int>(ends.size()) > maxEnds) {
        continue;
      }
      for (int id : way) {
        free = free && !round.taken(id);
      }
      if (!free) {
        continue;
      }
      region.push_back(longest);
      if (round.tryWindow(region, ends, old, way)) {
        break;
      }
    }
  }
  if (round.empty()) {
    return false;
  }
  int before = countPinParts(wires, pins, solved.plan), after = 0;
  std::vector<Wire> next = round.apply(pins, &after);
  if (after != before || !(wireLength(next) < wireLength(wires))) {
    return false;
  }
  wires = std::move(next);
  return true;
}

}  // namespace

double wireLength(const std::vector<Wire>& wires) {
  double len = 0;
  for (const Wire& w : wires) {
    len += std::fabs(static_cast<double>(w.x2) - w.x1) +
           std::fabs(static_cast<double>(w.y2) - w.y1);
  }
  return len;
}

std::vector<Wire> improveTree(const std::vector<Wire>& wires,
                              const std::vector<RoutePoint>& pins,
                              const ObstacleIndex& obstacles,
                              int maxEnds,
                              WorkBudget& budget,
                              int minEnds) {
  WirePlanScratch plan;
  FlatScratch flat;
  ExactScratch exact;
  return improveTree(wires, pins, obstacles, maxEnds, budget, plan, flat, exact,
                     minEnds);
}

std::vector<Wire> improveTree(const std::vector<Wire>& wires,
                              const std::vector<RoutePoint>& pins,
                              const ObstacleIndex& obstacles,
                              int maxEnds,
                              WorkBudget& budget,
                              WirePlanScratch& plan,
                              FlatScratch& flat,
                              ExactScratch& exact,
                              int minEnds) {
  std::vector<Wire> tree = cleanWires(wires, pins, plan);
  SolvedWindows solved(plan, flat, exact);
  for (int ends = minEnds; ends <= maxEnds && budget.left > 0; ++ends) {
    // A round that gains makes new branch points: go on at this size while
    // it pays, a few rounds at most.
    for (int round = 0; round < 4 && budget.left > 0; ++round) {
      if (!improveRound(tree, pins, obstacles, ends, budget, solved)) {
        break;
      }
    }
  }
  // Then shortcuts, each followed by windows over what they left, while
  // they gain.
  for (int round = 0; round < kShortcutRounds && budget.left > 0; ++round) {
    if (!shortcutRound(tree, pins, obstacles, maxEnds, budget, solved)) {
      break;
    }
    for (int again = 0; again < 4 && budget.left > 0; ++again) {
      if (!improveRound(tree, pins, obstacles, maxEnds, budget, solved)) {
        break;
      }
    }
  }
  return tree;
}
