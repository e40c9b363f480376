#include "options/improveTree.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <unordered_set>

#include "legal/obstacleIndex.h"
#include "options/gridSteiner.h"

namespace {

// A window costing more than this is passed over: it holds too many
// obstacles for its gain to be worth the wait.
const double kWindowWorkCap = 4e6;

// A chain of pieces between two key nodes (pins and branch points) that
// passes only through bends.
struct KeyPath {
  int a;
  int b;
  double length;
  std::vector<int> pieces;
};

double pieceLength(const WirePlan& plan, int p) {
  const RoutePoint& u = plan.nodes[plan.pieces[p].first];
  const RoutePoint& v = plan.nodes[plan.pieces[p].second];
  return std::fabs(static_cast<double>(u.x) - v.x) +
         std::fabs(static_cast<double>(u.y) - v.y);
}

// Whether the small-net solver's work on these terminals in this box (see
// GridSteiner::work) would pass limit, told without building its grid: the
// grid has a line through each side of the box, each terminal and each side
// of an obstacle meeting the box that lies within it, and it only grows as
// the obstacles are counted, so counting stops once the work passes. A
// window that winds round a maze holds most of the maze.
bool gridWorkAbove(const std::vector<GridSteiner::Point>& terms,
                   const ObstacleIndex& obstacles,
                   float xlo,
                   float ylo,
                   float xhi,
                   float yhi,
                   double limit) {
  double perNode =
      std::pow(3.0, std::max(0, static_cast<int>(terms.size()) - 1)) + 30;
  std::unordered_set<float> xs{xlo, xhi}, ys{ylo, yhi};
  for (const GridSteiner::Point& t : terms) {
    xs.insert(t.x);
    ys.insert(t.y);
  }
  auto above = [&] {
    return perNode * static_cast<double>(xs.size()) *
               static_cast<double>(ys.size()) >
           limit;
  };
  if (above()) {
    return true;
  }
  return obstacles.forMeeting(xlo, ylo, xhi, yhi, [&](int r) {
    const ObstacleIndex::Rect& o = obstacles.rects()[r];
    for (float x : {o.xlo, o.xhi}) {
      if (xlo <= x && x <= xhi) {
        xs.insert(x);
      }
    }
    for (float y : {o.ylo, o.yhi}) {
      if (ylo <= y && y <= yhi) {
        ys.insert(y);
      }
    }
    return above();
  });
}

// A window's optimal tree depends on its ends, in order, and its box alone,
// and the rounds meet many windows again: each is solved once, and its work
// charged at every meeting as if solved again, so that the budget runs out
// where it did.
struct Solved {
  double work = 0;
  bool found = false;
  double length = 0;
  std::vector<GridSteiner::Piece> tree;
};
using SolvedWindows = std::map<std::vector<float>, Solved>;

struct Replacement {
  std::vector<int> paths;
  std::vector<GridSteiner::Piece> tree;
};

// One round at one window size: every window whose paths no earlier window
// of the round has taken. False when no window gained.
bool improveRound(std::vector<Wire>& wires,
                  const std::vector<RoutePoint>& pins,
                  const ObstacleIndex& obstacles,
                  int maxEnds,
                  WorkBudget& budget,
                  SolvedWindows& solved) {
  WirePlan plan = planWires(wires, pins);
  int n = static_cast<int>(plan.nodes.size());
  std::vector<std::vector<int>> adj(n);
  for (int p = 0; p < static_cast<int>(plan.pieces.size()); ++p) {
    adj[plan.pieces[p].first].push_back(p);
    adj[plan.pieces[p].second].push_back(p);
  }
  std::vector<char> key(n);
  for (int v = 0; v < n; ++v) {
    key[v] = plan.pinAt[v] || adj[v].size() != 2;
  }
  std::vector<KeyPath> paths;
  std::vector<std::vector<int>> keyAdj(n);
  std::vector<char> pieceDone(plan.pieces.size(), 0);
  for (int a = 0; a < n; ++a) {
    if (!key[a]) {
      continue;
    }
    for (int p0 : adj[a]) {
      if (pieceDone[p0]) {
        continue;
      }
      KeyPath kp{a, -1, 0, {}};
      int cur = a, p = p0;
      for (;;) {
        pieceDone[p] = 1;
        kp.pieces.push_back(p);
        kp.length += pieceLength(plan, p);
        int next = plan.pieces[p].first == cur ? plan.pieces[p].second
                                               : plan.pieces[p].first;
        if (key[next]) {
          kp.b = next;
          break;
        }
        p = adj[next][0] == p ? adj[next][1] : adj[next][0];
        cur = next;
      }
      keyAdj[kp.a].push_back(static_cast<int>(paths.size()));
      keyAdj[kp.b].push_back(static_cast<int>(paths.size()));
      paths.push_back(std::move(kp));
    }
  }

  std::vector<char> pathTaken(paths.size(), 0);
  std::vector<Replacement> done;
  std::vector<int> inRegion(n, -1);  // the centre whose window holds it
  for (int c = 0; c < n && budget.left > 0; ++c) {
    if (!key[c] || keyAdj[c].empty()) {
      continue;
    }
    // Grow the window from c through branch points while its ends fit.
    std::vector<int> region;
    std::vector<int> inner{c};
    std::vector<int> ends;
    bool taken = false;
    for (int id : keyAdj[c]) {
      taken = taken || pathTaken[id];
      region.push_back(id);
      ends.push_back(paths[id].a == c ? paths[id].b : paths[id].a);
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
      int grows = static_cast<int>(keyAdj[t].size()) - 1;
      if (inRegion[t] == c || grows == 0 ||
          static_cast<int>(ends.size()) - (pin ? 0 : 1) + grows > maxEnds) {
        continue;
      }
      bool free = true;
      for (int id : keyAdj[t]) {
        bool inside =
            std::find(region.begin(), region.end(), id) != region.end();
        free = free && (inside || !pathTaken[id]);
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
      for (int id : keyAdj[t]) {
        if (std::find(region.begin(), region.end(), id) == region.end()) {
          region.push_back(id);
          ends.push_back(paths[id].a == t ? paths[id].b : paths[id].a);
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
    float xlo = plan.nodes[ends[0]].x, xhi = xlo;
    float ylo = plan.nodes[ends[0]].y, yhi = ylo;
    for (int id : region) {
      old += paths[id].length;
      for (int p : paths[id].pieces) {
        for (int v : {plan.pieces[p].first, plan.pieces[p].second}) {
          xlo = std::min(xlo, plan.nodes[v].x);
          xhi = std::max(xhi, plan.nodes[v].x);
          ylo = std::min(ylo, plan.nodes[v].y);
          yhi = std::max(yhi, plan.nodes[v].y);
        }
      }
    }
    std::vector<float> key{xlo, ylo, xhi, yhi};
    for (int t : ends) {
      key.push_back(plan.nodes[t].x);
      key.push_back(plan.nodes[t].y);
    }
    auto [it, fresh] = solved.try_emplace(std::move(key));
    Solved& s = it->second;
    std::optional<GridSteiner> g;
    if (fresh) {
      std::vector<GridSteiner::Point> terms;
      for (int t : ends) {
        terms.push_back(plan.nodes[t]);
      }
      if (gridWorkAbove(terms, obstacles, xlo, ylo, xhi, yhi,
                        std::min(kWindowWorkCap, budget.left))) {
        solved.erase(it);
        continue;
      }
      g.emplace(terms, obstacles, xlo, ylo, xhi, yhi);
      s.work = g->work();
    }
    if (s.work > kWindowWorkCap || s.work > budget.left) {
      if (fresh) {
        solved.erase(it);
      }
      continue;
    }
    budget.left -= s.work;
    if (fresh) {
      s.found = g->solve(s.tree, s.length);
    }
    // Gains below float noise are no gains: the tree would only churn.
    if (!s.found || !(s.length < old - 1e-7 * std::max(1.0, old))) {
      continue;
    }
    for (int id : region) {
      pathTaken[id] = 1;
    }
    done.push_back({region, s.tree});
  }
  if (done.empty()) {
    return false;
  }
  std::vector<char> pieceGone(plan.pieces.size(), 0);
  std::vector<Wire> next;
  for (const Replacement& r : done) {
    for (int id : r.paths) {
      for (int p : paths[id].pieces) {
        pieceGone[p] = 1;
      }
    }
    next.insert(next.end(), r.tree.begin(), r.tree.end());
  }
  for (int p = 0; p < static_cast<int>(plan.pieces.size()); ++p) {
    if (!pieceGone[p]) {
      const RoutePoint& u = plan.nodes[plan.pieces[p].first];
      const RoutePoint& v = plan.nodes[plan.pieces[p].second];
      next.push_back({u.x, u.y, v.x, v.y});
    }
  }
  wires = cleanWires(next, pins);
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
                              WorkBudget& budget) {
  std::vector<Wire> tree = cleanWires(wires, pins);
  SolvedWindows solved;
  for (int ends = 3; ends <= maxEnds && budget.left > 0; ++ends) {
    // A round that gains makes new branch points: go on at this size while
    // it pays, a few rounds at most.
    for (int round = 0; round < 4 && budget.left > 0; ++round) {
      if (!improveRound(tree, pins, obstacles, ends, budget, solved)) {
        break;
      }
    }
  }
  return tree;
}
