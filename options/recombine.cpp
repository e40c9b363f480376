#include "options/recombine.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "options/improveTree.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();
// Work units per wire planned, per piece of the union cut into blocks, and
// per piece a tree's part is looked for.
const double kUnitsPerWire = 200;
const double kUnitsPerPiece = 20;
const double kUnitsPerLookup = 10;

// Each piece's block: Tarjan's search, without recursion, since unions of
// 10^4 pieces would nest that deep.
std::vector<int> blocksOf(size_t n,
                          const std::vector<std::pair<int, int>>& pieces,
                          int& count) {
  std::vector<int> start(n + 1, 0);
  for (auto [a, b] : pieces) {
    ++start[a + 1], ++start[b + 1];
  }
  for (size_t u = 0; u < n; ++u) {
    start[u + 1] += start[u];
  }
  std::vector<int> to(start[n]), piece(start[n]);
  std::vector<int> fill(start.begin(), start.end() - 1);
  for (size_t e = 0; e < pieces.size(); ++e) {
    auto [a, b] = pieces[e];
    to[fill[a]] = b, piece[fill[a]++] = static_cast<int>(e);
    to[fill[b]] = a, piece[fill[b]++] = static_cast<int>(e);
  }
  std::vector<int> block(pieces.size(), -1), disc(n, -1), low(n, 0);
  std::vector<int> open;  // pieces not yet in a block
  struct Frame {
    int u, in, next;
  };
  std::vector<Frame> frames;
  int time = 0;
  count = 0;
  for (size_t s = 0; s < n; ++s) {
    if (disc[s] >= 0) {
      continue;
    }
    disc[s] = low[s] = time++;
    frames.push_back({static_cast<int>(s), -1, start[s]});
    while (!frames.empty()) {
      Frame& f = frames.back();
      int u = f.u;
      if (f.next < start[u + 1]) {
        int k = f.next++;
        int v = to[k], e = piece[k];
        if (e == f.in) {
          continue;
        }
        if (disc[v] < 0) {
          open.push_back(e);
          disc[v] = low[v] = time++;
          frames.push_back({v, e, start[v]});
        } else if (disc[v] < disc[u]) {
          open.push_back(e);
          low[u] = std::min(low[u], disc[v]);
        }
        continue;
      }
      int in = f.in;
      frames.pop_back();
      if (frames.empty()) {
        continue;
      }
      int p = frames.back().u;
      low[p] = std::min(low[p], low[u]);
      if (low[u] >= disc[p]) {
        int e;
        do {
          e = open.back();
          open.pop_back();
          block[e] = count;
        } while (e != in);
        ++count;
      }
    }
  }
  return block;
}

// Which pieces lie on the tree's wires: a clean tree's wires on one line
// do not overlap, so the one starting last at or before a piece's lower
// end is the only one that may hold it.
std::vector<char> piecesOn(const std::vector<Wire>& tree,
                           const WirePlan& p,
                           WorkBudget& budget) {
  // (line, lo, hi), horizontal ones then vertical ones.
  using Run = std::tuple<float, float, float>;
  std::vector<Run> h, v;
  for (const Wire& w : tree) {
    if (w.y1 == w.y2) {
      h.emplace_back(w.y1, std::min(w.x1, w.x2), std::max(w.x1, w.x2));
    } else {
      v.emplace_back(w.x1, std::min(w.y1, w.y2), std::max(w.y1, w.y2));
    }
  }
  std::sort(h.begin(), h.end());
  std::sort(v.begin(), v.end());
  auto holds = [](const std::vector<Run>& runs, float line, float lo,
                  float hi) {
    auto it =
        std::upper_bound(runs.begin(), runs.end(),
                         Run{line, lo, std::numeric_limits<float>::infinity()});
    if (it == runs.begin()) {
      return false;
    }
    --it;
    return std::get<0>(*it) == line && std::get<1>(*it) <= lo &&
           std::get<2>(*it) >= hi;
  };
  std::vector<char> on(p.pieces.size(), 0);
  for (size_t e = 0; e < p.pieces.size(); ++e) {
    RoutePoint a = p.nodes[p.pieces[e].first], b = p.nodes[p.pieces[e].second];
    on[e] = a.y == b.y ? holds(h, a.y, std::min(a.x, b.x), std::max(a.x, b.x))
                       : holds(v, a.x, std::min(a.y, b.y), std::max(a.y, b.y));
  }
  budget.left -= kUnitsPerLookup * static_cast<double>(p.pieces.size());
  return on;
}

}  // namespace

std::vector<Wire> recombineTrees(const std::vector<std::vector<Wire>>& trees,
                                 const std::vector<RoutePoint>& pins,
                                 WorkBudget& budget,
                                 WirePlanScratch& plan) {
  std::vector<Wire> all;
  for (const auto& t : trees) {
    all.insert(all.end(), t.begin(), t.end());
  }
  if (trees.empty() || all.empty()) {
    return {};
  }
  budget.left -= kUnitsPerWire * static_cast<double>(all.size());
  WirePlan p = planWires(all, pins, plan);
  size_t n = p.nodes.size();
  size_t m = p.pieces.size();
  budget.left -= kUnitsPerPiece * static_cast<double>(m);
  if (budget.left < 0) {
    return {};
  }
  int blocks = 0;
  std::vector<int> block = blocksOf(n, p.pieces, blocks);
  // A node is kept in every block it is in where it is a pin or a cut node.
  std::vector<int> firstBlock(n, -1);
  std::vector<char> must(p.pinAt.begin(), p.pinAt.end());
  for (size_t e = 0; e < m; ++e) {
    for (int u : {p.pieces[e].first, p.pieces[e].second}) {
      if (firstBlock[u] < 0) {
        firstBlock[u] = block[e];
      } else if (firstBlock[u] != block[e]) {
        must[u] = 1;
      }
    }
  }
  std::vector<double> length(m);
  for (size_t e = 0; e < m; ++e) {
    RoutePoint a = p.nodes[p.pieces[e].first], b = p.nodes[p.pieces[e].second];
    length[e] = std::fabs(static_cast<double>(a.x) - b.x) +
                std::fabs(static_cast<double>(a.y) - b.y);
  }
  // Per block, the shortest tree's part yet and which tree it is.
  std::vector<double> best(blocks, kInf);
  std::vector<int> from(blocks, -1);
  std::vector<std::vector<char>> kept(trees.size());
  std::vector<int> degree(n);
  std::vector<std::vector<int>> at(n);  // pieces by node, of the tree
  for (size_t t = 0; t < trees.size(); ++t) {
    std::vector<char> on = piecesOn(trees[t], p, budget);
    if (budget.left < 0) {
      return {};
    }
    // Pruned block by block: a piece is in one block, so a leaf's
    // removal stays in it, and a cut node is never pruned.
    std::fill(degree.begin(), degree.end(), 0);
    for (auto& a : at) {
      a.clear();
    }
    for (size_t e = 0; e < m; ++e) {
      if (on[e]) {
        for (int u : {p.pieces[e].first, p.pieces[e].second}) {
          ++degree[u];
          at[u].push_back(static_cast<int>(e));
        }
      }
    }
    std::vector<int> leaves;
    for (size_t u = 0; u < n; ++u) {
      if (degree[u] == 1 && !must[u]) {
        leaves.push_back(static_cast<int>(u));
      }
    }
    while (!leaves.empty()) {
      int u = leaves.back();
      leaves.pop_back();
      for (int e : at[u]) {
        if (on[e]) {
          on[e] = 0;
          --degree[u];
          int w =
              p.pieces[e].first == u ? p.pieces[e].second : p.pieces[e].first;
          if (--degree[w] == 1 && !must[w]) {
            leaves.push_back(w);
          }
        }
      }
    }
    std::vector<double> sum(blocks, 0);
    for (size_t e = 0; e < m; ++e) {
      if (on[e]) {
        sum[block[e]] += length[e];
      }
    }
    for (int b = 0; b < blocks; ++b) {
      if (sum[b] < best[b]) {
        best[b] = sum[b];
        from[b] = static_cast<int>(t);
      }
    }
    kept[t] = std::move(on);
  }
  std::vector<Wire> wires;
  for (size_t e = 0; e < m; ++e) {
    if (from[block[e]] >= 0 && kept[from[block[e]]][e]) {
      RoutePoint a = p.nodes[p.pieces[e].first],
                 b = p.nodes[p.pieces[e].second];
      wires.push_back({a.x, a.y, b.x, b.y});
    }
  }
  budget.left -= kUnitsPerWire * static_cast<double>(wires.size());
  int parts = 0;
  std::vector<Wire> tree = cleanWires(wires, pins, plan, &parts);
  if (parts != countPinParts(trees[0], pins, plan)) {
    return {};
  }
  return tree;
}
