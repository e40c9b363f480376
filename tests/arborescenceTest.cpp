#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "options/arborescence.h"
#include "options/pathBound.h"
#include "spatial/wirePlan.h"
#include "tests/plainDijkstra.h"

namespace {

const double kInf = INFINITY;

// A grid of lines at xs and ys, some crossings blocked; node i * ys + j.
struct Grid {
  std::vector<double> xs, ys;
  std::vector<char> blocked;
  std::vector<int> start, next, piece;
  std::vector<double> pieceLen;
  std::vector<std::pair<int, int>> ends;
};

// Adjacency lists of (node, piece) as start, next and piece.
template <class G>
void flatten(const std::vector<std::vector<std::pair<int, int>>>& adj, G& g) {
  g.start.assign(1, 0);
  for (const auto& a : adj) {
    for (auto [v, k] : a) {
      g.next.push_back(v);
      g.piece.push_back(k);
    }
    g.start.push_back(static_cast<int>(g.next.size()));
  }
}

void link(Grid& g) {
  int nx = static_cast<int>(g.xs.size()), ny = static_cast<int>(g.ys.size());
  std::vector<std::vector<std::pair<int, int>>> adj(nx * ny);
  auto add = [&](int a, int b, double len) {
    if (g.blocked[a] || g.blocked[b]) {
      return;
    }
    int k = static_cast<int>(g.pieceLen.size());
    g.pieceLen.push_back(len);
    g.ends.push_back({a, b});
    adj[a].push_back({b, k});
    adj[b].push_back({a, k});
  };
  for (int i = 0; i < nx; ++i) {
    for (int j = 0; j < ny; ++j) {
      if (i + 1 < nx) {
        add(i * ny + j, (i + 1) * ny + j, g.xs[i + 1] - g.xs[i]);
      }
      if (j + 1 < ny) {
        add(i * ny + j, i * ny + j + 1, g.ys[j + 1] - g.ys[j]);
      }
    }
  }
  flatten(adj, g);
}

// The steps as the construction keeps them.
template <class G>
std::vector<PathArc> arcsOf(const G& g) {
  std::vector<PathArc> arcs;
  for (size_t e = 0; e < g.next.size(); ++e) {
    arcs.push_back({g.next[e], g.piece[e], g.pieceLen[g.piece[e]]});
  }
  return arcs;
}

// Plain Dijkstra over the pieces marked (all where mask is empty).
std::vector<double> distances(const Grid& g,
                              int root,
                              const std::vector<char>& mask = {}) {
  return plainDistances(g.start.size() - 1, root, [&](int u, auto relax) {
    for (int e = g.start[u]; e < g.start[u + 1]; ++e) {
      if (mask.empty() || mask[g.piece[e]]) {
        relax(g.next[e], g.pieceLen[g.piece[e]]);
      }
    }
  });
}

// The least length of a tree that holds every pin at its distance from
// the first: the programme over subsets of the pins and the shortest routes'
// steps, directed away from the first pin.
double optimum(const Grid& g,
               const std::vector<double>& first,
               const std::vector<int>& pins) {
  std::vector<int> terms;
  for (size_t i = 1; i < pins.size(); ++i) {
    if (pins[i] >= 0 && pins[i] != pins[0] && std::isfinite(first[pins[i]]) &&
        std::find(terms.begin(), terms.end(), pins[i]) == terms.end()) {
      terms.push_back(pins[i]);
    }
  }
  if (terms.empty()) {
    return 0;
  }
  size_t n = first.size();
  std::vector<int> byFar;
  for (size_t v = 0; v < n; ++v) {
    if (std::isfinite(first[v])) {
      byFar.push_back(static_cast<int>(v));
    }
  }
  std::sort(byFar.begin(), byFar.end(),
            [&](int a, int b) { return first[a] > first[b]; });
  auto step = [&](int u, int e) {
    int v = g.next[e];
    return std::isfinite(first[v]) &&
           std::fabs(first[u] + g.pieceLen[g.piece[e]] - first[v]) < 1e-9;
  };
  size_t full = (size_t{1} << terms.size()) - 1;
  std::vector<std::vector<double>> dp(full + 1, std::vector<double>(n, kInf));
  for (size_t set = 1; set <= full; ++set) {
    std::vector<double>& here = dp[set];
    for (size_t t = 0; t < terms.size(); ++t) {
      if (set == (size_t{1} << t)) {
        here[terms[t]] = 0;
      }
    }
    for (size_t sub = (set - 1) & set; sub > 0; sub = (sub - 1) & set) {
      for (size_t v = 0; v < n; ++v) {
        here[v] = std::min(here[v], dp[sub][v] + dp[set ^ sub][v]);
      }
    }
    for (int u : byFar) {
      for (int e = g.start[u]; e < g.start[u + 1]; ++e) {
        if (step(u, e)) {
          here[u] = std::min(here[u], g.pieceLen[g.piece[e]] + here[g.next[e]]);
        }
      }
    }
  }
  return dp[full][pins[0]];
}

Grid randomGrid(std::mt19937& rng, int nx, int ny, double blockedShare) {
  Grid g;
  std::uniform_int_distribution<int> gap(1, 9);
  double x = 0, y = 0;
  for (int i = 0; i < nx; ++i) {
    g.xs.push_back(x += gap(rng));
  }
  for (int j = 0; j < ny; ++j) {
    g.ys.push_back(y += gap(rng));
  }
  std::bernoulli_distribution block(blockedShare);
  for (int k = 0; k < nx * ny; ++k) {
    g.blocked.push_back(block(rng) ? 1 : 0);
  }
  link(g);
  return g;
}

// On random grids, some with crossings blocked: the pieces make one tree
// from the first pin that reaches every pin it can at its distance, ends
// only at pins, and is no shorter than the optimum and (the heuristic's
// known slack, where nothing is blocked) at most twice it.
TEST(ArborescenceTest, ShortestRoutesWithinTwiceTheOptimum) {
  std::mt19937 rng(11);
  ArborescenceScratch scratch;
  double worst = 1;
  int trees = 0;
  for (int round = 0; round < 600; ++round) {
    bool open = round % 2 == 0;
    std::uniform_int_distribution<int> side(2, 7), pinCount(2, 6);
    Grid g = randomGrid(rng, side(rng), side(rng), open ? 0 : 0.2);
    int n = static_cast<int>(g.blocked.size());
    std::uniform_int_distribution<int> at(0, n - 1);
    std::vector<int> pins;
    int count = pinCount(rng);
    while (static_cast<int>(pins.size()) < count) {
      int v = at(rng);
      if (!g.blocked[v]) {
        pins.push_back(v);
      }
    }
    if (round % 5 == 0) {
      pins.push_back(-1);  // a pin off the graph
    }
    SCOPED_TRACE(round);
    std::vector<double> first = distances(g, pins[0]);
    std::vector<char> in(3, 1);
    steinerArborescence({g.start, arcsOf(g), g.pieceLen}, first, pins, in,
                        scratch);
    ASSERT_EQ(in.size(), g.pieceLen.size());
    // Given the nodes in the order a search settles them, the same tree.
    std::vector<int> settled;
    for (int v = 0; v < n; ++v) {
      if (std::isfinite(first[v])) {
        settled.push_back(v);
      }
    }
    std::stable_sort(settled.begin(), settled.end(),
                     [&](int a, int b) { return first[a] < first[b]; });
    std::vector<char> given;
    steinerArborescence({g.start, arcsOf(g), g.pieceLen}, first, pins, given,
                        scratch, &settled);
    EXPECT_EQ(given, in);
    std::vector<double> along = distances(g, pins[0], in);
    std::vector<int> degree(n, 0);
    double length = 0;
    int pieces = 0;
    for (size_t k = 0; k < in.size(); ++k) {
      if (in[k]) {
        ++degree[g.ends[k].first];
        ++degree[g.ends[k].second];
        length += g.pieceLen[k];
        ++pieces;
      }
    }
    int reached = 0;
    for (int v = 0; v < n; ++v) {
      if (degree[v] > 0) {
        ++reached;
        ASSERT_TRUE(std::isfinite(along[v])) << "a piece apart from the root";
        bool pin = std::find(pins.begin(), pins.end(), v) != pins.end();
        EXPECT_TRUE(degree[v] > 1 || pin) << "a dangling end at " << v;
      }
    }
    if (pieces > 0) {
      EXPECT_EQ(reached, pieces + 1) << "not a tree";
    }
    for (int p : pins) {
      if (p >= 0 && std::isfinite(first[p])) {
        EXPECT_NEAR(along[p], first[p], 1e-9) << "pin at node " << p;
      }
    }
    double best = optimum(g, first, pins);
    EXPECT_GE(length, best - 1e-9);
    if (open) {
      EXPECT_LE(length, 2 * best + 1e-9);
    }
    if (best > 0) {
      worst = std::max(worst, length / best);
      ++trees;
    }
  }
  EXPECT_GT(trees, 400);
  RecordProperty("worstRatio", std::to_string(worst));
}

// Pins on one shortest route from the first: the route alone.
TEST(ArborescenceTest, PinsInLineShareOneRoute) {
  Grid g;
  g.xs = {0, 1, 2, 3, 4};
  g.ys = {0, 1, 2, 3, 4};
  g.blocked.assign(25, 0);
  link(g);
  std::vector<int> pins = {0, 2 * 5 + 2, 4 * 5 + 4, 1 * 5 + 1, 3 * 5 + 3};
  std::vector<double> first = distances(g, 0);
  std::vector<char> in;
  ArborescenceScratch scratch;
  steinerArborescence({g.start, arcsOf(g), g.pieceLen}, first, pins, in,
                      scratch);
  double length = 0;
  for (size_t k = 0; k < in.size(); ++k) {
    length += in[k] ? g.pieceLen[k] : 0;
  }
  EXPECT_EQ(length, 8);
}

// Along the wires from the first pin (plan and Dijkstra of this test).
std::vector<double> alongWires(const std::vector<Wire>& wires,
                               const std::vector<RoutePoint>& pins,
                               double& length) {
  WirePlan plan = planWires(wires, pins);
  Grid g;
  size_t n = plan.nodes.size();
  std::vector<std::vector<std::pair<int, int>>> adj(n);
  length = 0;
  for (auto [a, b] : plan.pieces) {
    double len = std::fabs(plan.nodes[a].x - plan.nodes[b].x) +
                 std::fabs(plan.nodes[a].y - plan.nodes[b].y);
    int k = static_cast<int>(g.pieceLen.size());
    g.pieceLen.push_back(len);
    adj[a].push_back({b, k});
    adj[b].push_back({a, k});
    length += len;
  }
  flatten(adj, g);
  auto find = [&](RoutePoint p) {
    for (size_t u = 0; u < n; ++u) {
      if (plan.nodes[u] == p) {
        return static_cast<int>(u);
      }
    }
    return -1;
  };
  std::vector<double> out(pins.size(), kInf);
  int root = find(pins[0]);
  if (root < 0) {
    return out;
  }
  std::vector<double> d = distances(g, root);
  for (size_t i = 0; i < pins.size(); ++i) {
    int u = find(pins[i]);
    out[i] = u >= 0 ? d[u] : kInf;
  }
  return out;
}

// Obstacle-free nets bounded with no allowance: every pin at its
// rectilinear distance along the drawn wire, and the tree no longer than
// twice the least such tree over the lines through the pins (which holds
// one of least length), as the arborescence among the starts is.
TEST(ArborescenceTest, BoundWithNoAllowanceWithinTwiceTheOptimum) {
  std::mt19937 rng(3);
  ObstacleIndex index(std::vector<ObstacleIndex::Rect>{});
  PathBoundScratch scratch;
  for (int round = 0; round < 150; ++round) {
    SCOPED_TRACE(round);
    std::uniform_int_distribution<int> at(0, 40), pinCount(3, 6);
    std::vector<RoutePoint> pins;
    int count = pinCount(rng);
    std::set<std::pair<int, int>> used;
    while (static_cast<int>(pins.size()) < count) {
      int x = at(rng), y = at(rng);
      if (used.insert({x, y}).second) {
        pins.push_back({static_cast<float>(x), static_cast<float>(y)});
      }
    }
    // A star of L-shaped wires from the first pin: every pin at its
    // distance, so that only the starts built from it differ.
    std::vector<Wire> star;
    for (size_t i = 1; i < pins.size(); ++i) {
      star.push_back({pins[0].x, pins[0].y, pins[i].x, pins[0].y});
      star.push_back({pins[i].x, pins[0].y, pins[i].x, pins[i].y});
    }
    std::vector<Wire> out;
    ASSERT_TRUE(boundPathTree(pins, index, star, 0, out, true, 1, scratch));
    double length = 0;
    std::vector<double> along = alongWires(out, pins, length);
    // The lines through the pins, as a grid.
    Grid g;
    std::set<double> xs, ys;
    for (const RoutePoint& p : pins) {
      xs.insert(p.x);
      ys.insert(p.y);
    }
    g.xs.assign(xs.begin(), xs.end());
    g.ys.assign(ys.begin(), ys.end());
    g.blocked.assign(xs.size() * ys.size(), 0);
    link(g);
    std::vector<int> nodes;
    for (const RoutePoint& p : pins) {
      int i = static_cast<int>(std::lower_bound(g.xs.begin(), g.xs.end(), p.x) -
                               g.xs.begin());
      int j = static_cast<int>(std::lower_bound(g.ys.begin(), g.ys.end(), p.y) -
                               g.ys.begin());
      nodes.push_back(i * static_cast<int>(g.ys.size()) + j);
    }
    double best = optimum(g, distances(g, nodes[0]), nodes);
    for (size_t i = 1; i < pins.size(); ++i) {
      EXPECT_EQ(along[i], std::fabs(pins[i].x - pins[0].x) +
                              std::fabs(pins[i].y - pins[0].y))
          << "pin " << i;
    }
    EXPECT_GE(length, best - 1e-9);
    EXPECT_LE(length, 2 * best + 1e-9);
  }
}

}  // namespace
