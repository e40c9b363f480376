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

using KeyPath = KeyPaths::Path;
using KeyTree = KeyPaths;

KeyTree keyTreeOf(WirePlanScratch& scratch,
                  const std::vector<Wire>& wires,
                  const std::vector<RoutePoint>& pins,
                  WorkBudget& budget) {
  budget.left -= kRoundWorkPerWire * static_cast<double>(wires.size());
  return keyPathsOf(planWires(wires, pins, scratch), false);
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
  std::map<std::vector<double>, Solved> byKey;
  // The solvers' working storage, the caller's.
  WirePlanScratch& plan;
  FlatScratch& flat;
  ExactScratch& exact;
};

struct Replacement {
  std::vector<int> paths;
  const std::vector<Wire>* tree;
};

// The paths of a round's windows, each taken by one window at most.
class Round {
 public:
  Round(const KeyTree& kt,
        const ObstacleIndex& obstacles,
        WorkBudget& budget,
        SolvedWindows& solved)
      : kt_(kt),
        obstacles_(obstacles),
        budget_(budget),
        solved_(solved),
        taken_(kt.paths.size(), 0) {}

  bool taken(int id) const { return taken_[id]; }

  // Replaces the region's paths by a shortest tree over the ends inside the
  // region's box where that is shorter than beat, and takes the region's
  // paths and those of also.
  bool tryWindow(const std::vector<int>& region,
                 const std::vector<int>& ends,
                 double beat,
                 const std::vector<int>& also = {}) {
    const WirePlan& plan = kt_.plan;
    float xlo = plan.nodes[ends[0]].x, xhi = xlo;
    float ylo = plan.nodes[ends[0]].y, yhi = ylo;
    for (int id : region) {
      for (int p : kt_.paths[id].pieces) {
        for (int v : {plan.pieces[p].first, plan.pieces[p].second}) {
          xlo = std::min(xlo, plan.nodes[v].x);
          xhi = std::max(xhi, plan.nodes[v].x);
          ylo = std::min(ylo, plan.nodes[v].y);
          yhi = std::max(yhi, plan.nodes[v].y);
        }
      }
    }
    std::vector<double> key{xlo, ylo, xhi, yhi, beat};
    std::vector<RoutePoint> terms;
    for (int t : ends) {
      key.push_back(plan.nodes[t].x);
      key.push_back(plan.nodes[t].y);
      terms.push_back(plan.nodes[t]);
    }
    auto [it, fresh] = solved_.byKey.try_emplace(std::move(key));
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
    for (int id : region) {
      taken_[id] = 1;
    }
    for (int id : also) {
      taken_[id] = 1;
    }
    done_.push_back({region, &s.tree.wires});
    return true;
  }

  // The tree with every replacement made, cleaned (cleanWires), so that a
  // cycle a shortcut closes loses its longest piece.
  std::vector<Wire> apply(const std::vector<RoutePoint>& pins,
                          int* pinParts = nullptr) const {
    const WirePlan& plan = kt_.plan;
    std::vector<char> pieceGone(plan.pieces.size(), 0);
    std::vector<Wire> next;
    for (const Replacement& r : done_) {
      for (int id : r.paths) {
        for (int p : kt_.paths[id].pieces) {
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
  std::vector<char> taken_;
  std::vector<Replacement> done_;
};

// One round at one window size: every window whose paths no earlier window
// of the round has taken. False when no window gained.
bool improveRound(std::vector<Wire>& wires,
                  const std::vector<RoutePoint>& pins,
                  const ObstacleIndex& obstacles,
                  int maxEnds,
                  WorkBudget& budget,
                  SolvedWindows& solved) {
  KeyTree kt = keyTreeOf(solved.plan, wires, pins, budget);
  const WirePlan& plan = kt.plan;
  const std::vector<KeyPath>& paths = kt.paths;
  int n = static_cast<int>(plan.nodes.size());
  Round round(kt, obstacles, budget, solved);
  std::vector<int> inRegion(n, -1);  // the centre whose window holds it
  for (int c = 0; c < n && budget.left > 0; ++c) {
    if (!kt.key[c] || kt.keyAdj[c].empty()) {
      continue;
    }
    // Grow the window from c through branch points while its ends fit.
    std::vector<int> region;
    std::vector<int> inner{c};
    std::vector<int> ends;
    bool taken = false;
    for (int id : kt.keyAdj[c]) {
      taken = taken || round.taken(id);
      region.push_back(id);
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
      int grows = static_cast<int>(kt.keyAdj[t].size()) - 1;
      if (inRegion[t] == c || grows == 0 ||
          static_cast<int>(ends.size()) - (pin ? 0 : 1) + grows > maxEnds) {
        continue;
      }
      bool free = true;
      for (int id : kt.keyAdj[t]) {
        bool inside =
            std::find(region.begin(), region.end(), id) != region.end();
        free = free && (inside || !round.taken(id));
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
      for (int id : kt.keyAdj[t]) {
        if (std::find(region.begin(), region.end(), id) == region.end()) {
          region.push_back(id);
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
    round.tryWindow(region, ends, old);
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
  KeyTree kt = keyTreeOf(solved.plan, wires, pins, budget);
  const WirePlan& plan = kt.plan;
  const std::vector<KeyPath>& paths = kt.paths;
  int n = static_cast<int>(plan.nodes.size());
  // The key forest, rooted: each key node's path up and its depth.
  std::vector<int> up(n, -1), depth(n, -1);
  std::vector<int> keys;
  for (int r = 0; r < n; ++r) {
    if (!kt.key[r] || depth[r] >= 0) {
      continue;
    }
    depth[r] = 0;
    std::vector<int> stack{r};
    while (!stack.empty()) {
      int v = stack.back();
      stack.pop_back();
      keys.push_back(v);
      for (int id : kt.keyAdj[v]) {
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
  Round round(kt, obstacles, budget, solved);
  int m = static_cast<int>(keys.size());
  for (int iu = 0; iu < m && budget.left > 0; ++iu) {
    int u = keys[iu];
    // The nearest key nodes, by scanning outwards along x while the gap in
    // x alone can still beat the farthest kept; ties by index.
    std::vector<std::pair<double, int>> near;
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
      std::vector<int> way;
      for (int a = u, b = v; a != b;) {
        int& deeper = depth[a] >= depth[b] ? a : b;
        if (up[deeper] < 0) {
          way.clear();  // apart: no way
          break;
        }
        way.push_back(up[deeper]);
        deeper = kt.other(up[deeper], deeper);
      }
      std::vector<int> region = kt.keyAdj[u];
      region.insert(region.end(), kt.keyAdj[v].begin(), kt.keyAdj[v].end());
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
      std::vector<int> ends;
      for (int id : region) {
        free = free && !round.taken(id);
        old += paths[id].length;
      }
      if (!free) {
        continue;
      }
      for (int c : {u, v}) {
        for (int id : kt.keyAdj[c]) {
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
  SolvedWindows solved{{}, plan, flat, exact};
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
