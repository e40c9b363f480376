#include "options/recombine.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <queue>
#include <utility>

#include "options/improveTree.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();
// Work units per node a search settles and per piece it relaxes, about
// the local search's per settled node with its four arcs.
const double kUnitsPerSettle = 4;
const double kUnitsPerRelax = 2;
const double kUnitsPerWire = 200;

struct Graph {
  std::vector<int> start, to;  // adjacency, by node
  std::vector<double> length;
};

// The shortest-path heuristic from root: one search that, each time it
// settles a pin not yet joined, adds the path to it to the tree and goes
// on from the path's nodes at distance zero, so that each node is
// searched again only where the grown tree is nearer. Pins the root does
// not reach start trees of their own. False where the budget ran out.
bool growTree(const Graph& g,
              const std::vector<char>& pinAt,
              int root,
              WorkBudget& budget,
              std::vector<char>& inTree) {
  size_t n = pinAt.size();
  std::vector<double> dist(n, kInf);
  std::vector<int> pred(n, -1);
  inTree.assign(n, 0);
  using Item = std::pair<double, int>;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
  auto grow = [&](int from) {
    inTree[from] = 1;
    dist[from] = 0;
    queue.push({0, from});
    while (!queue.empty()) {
      auto [d, u] = queue.top();
      queue.pop();
      if (d > dist[u]) {
        continue;
      }
      budget.left -= kUnitsPerSettle;
      if (budget.left < 0) {
        return false;
      }
      if (pinAt[u] && !inTree[u]) {
        for (int w = u; !inTree[w]; w = pred[w]) {
          inTree[w] = 1;
          dist[w] = 0;
          queue.push({0, w});
        }
        continue;
      }
      for (int k = g.start[u]; k < g.start[u + 1]; ++k) {
        int v = g.to[k];
        double nd = d + g.length[k];
        if (nd < dist[v]) {
          dist[v] = nd;
          pred[v] = u;
          queue.push({nd, v});
        }
      }
      budget.left -= kUnitsPerRelax * (g.start[u + 1] - g.start[u]);
    }
    return true;
  };
  if (!grow(root)) {
    return false;
  }
  for (size_t u = 0; u < n; ++u) {
    if (pinAt[u] && !inTree[u] && !grow(static_cast<int>(u))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::vector<Wire> recombineTrees(const std::vector<std::vector<Wire>>& trees,
                                 const std::vector<RoutePoint>& pins,
                                 int roots,
                                 WorkBudget& budget,
                                 WirePlanScratch& plan) {
  std::vector<Wire> all;
  for (const auto& t : trees) {
    all.insert(all.end(), t.begin(), t.end());
  }
  if (all.empty() || pins.empty()) {
    return {};
  }
  budget.left -= kUnitsPerWire * static_cast<double>(all.size());
  WirePlan p = planWires(all, pins, plan);
  size_t n = p.nodes.size();
  Graph g;
  g.start.assign(n + 1, 0);
  for (auto [a, b] : p.pieces) {
    ++g.start[a + 1], ++g.start[b + 1];
  }
  for (size_t u = 0; u < n; ++u) {
    g.start[u + 1] += g.start[u];
  }
  g.to.resize(g.start[n]);
  g.length.resize(g.start[n]);
  std::vector<int> fill(g.start.begin(), g.start.end() - 1);
  for (auto [a, b] : p.pieces) {
    double len = std::fabs(static_cast<double>(p.nodes[a].x) - p.nodes[b].x) +
                 std::fabs(static_cast<double>(p.nodes[a].y) - p.nodes[b].y);
    g.to[fill[a]] = b, g.length[fill[a]++] = len;
    g.to[fill[b]] = a, g.length[fill[b]++] = len;
  }
  auto nodeOf = [&](RoutePoint q) {
    auto it = std::lower_bound(p.nodes.begin(), p.nodes.end(), q,
                               [](RoutePoint a, RoutePoint b) {
                                 return a.x < b.x || (a.x == b.x && a.y < b.y);
                               });
    return it != p.nodes.end() && *it == q
               ? static_cast<int>(it - p.nodes.begin())
               : -1;
  };
  std::vector<Wire> best;
  double bestLength = kInf;
  std::vector<char> inTree;
  roots = std::max(1, std::min(roots, static_cast<int>(pins.size())));
  for (int r = 0; r < roots; ++r) {
    size_t at = pins.size() * static_cast<size_t>(r) / roots;
    int root = nodeOf(pins[at]);
    if (root < 0) {
      return {};  // a pin on no wire: the trees do not join it
    }
    if (!growTree(g, p.pinAt, root, budget, inTree)) {
      break;
    }
    std::vector<Wire> wires;
    for (auto [a, b] : p.pieces) {
      if (inTree[a] && inTree[b]) {
        wires.push_back(
            {p.nodes[a].x, p.nodes[a].y, p.nodes[b].x, p.nodes[b].y});
      }
    }
    budget.left -= kUnitsPerWire * static_cast<double>(wires.size());
    std::vector<Wire> tree = cleanWires(wires, pins, plan);
    double length = wireLength(tree);
    if (length < bestLength) {
      best = std::move(tree);
      bestLength = length;
    }
  }
  return best;
}
