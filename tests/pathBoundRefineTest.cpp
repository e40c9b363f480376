#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "options/arborescence.h"
#include "options/pathBoundRefine.h"
#include "tests/plainDijkstra.h"

namespace {

const double kInf = INFINITY;

// A grid of lines with gaps of random length, some crossings blocked;
// node i * ny + j.
struct Grid {
  std::vector<RoutePoint> nodes;
  std::vector<char> blocked;
  std::vector<std::pair<int, int>> ends;
  std::vector<double> pieceLen;
  std::vector<int> start;
  std::vector<PathArc> arcs;
};

Grid randomGrid(std::mt19937& rng, int nx, int ny, double blockedShare) {
  Grid g;
  std::uniform_int_distribution<int> gap(1, 9);
  std::vector<float> xs, ys;
  float x = 0, y = 0;
  for (int i = 0; i < nx; ++i) {
    xs.push_back(x += static_cast<float>(gap(rng)));
  }
  for (int j = 0; j < ny; ++j) {
    ys.push_back(y += static_cast<float>(gap(rng)));
  }
  std::bernoulli_distribution block(blockedShare);
  for (int i = 0; i < nx; ++i) {
    for (int j = 0; j < ny; ++j) {
      g.nodes.push_back({xs[i], ys[j]});
      g.blocked.push_back(block(rng) ? 1 : 0);
    }
  }
  std::vector<std::vector<PathArc>> adj(g.nodes.size());
  auto add = [&](int a, int b) {
    if (g.blocked[a] || g.blocked[b]) {
      return;
    }
    int k = static_cast<int>(g.pieceLen.size());
    double len = std::fabs(g.nodes[a].x - g.nodes[b].x) +
                 std::fabs(g.nodes[a].y - g.nodes[b].y);
    g.pieceLen.push_back(len);
    g.ends.push_back({a, b});
    adj[a].push_back({b, k, len});
    adj[b].push_back({a, k, len});
  };
  for (int i = 0; i < nx; ++i) {
    for (int j = 0; j < ny; ++j) {
      if (i + 1 < nx) {
        add(i * ny + j, (i + 1) * ny + j);
      }
      if (j + 1 < ny) {
        add(i * ny + j, i * ny + j + 1);
      }
    }
  }
  g.start.assign(1, 0);
  for (const auto& a : adj) {
    g.arcs.insert(g.arcs.end(), a.begin(), a.end());
    g.start.push_back(static_cast<int>(g.arcs.size()));
  }
  return g;
}

// Plain Dijkstra over the pieces marked (all where mask is empty).
std::vector<double> distances(const Grid& g,
                              int root,
                              const std::vector<char>& mask = {}) {
  return plainDistances(g.nodes.size(), root, [&](int u, auto relax) {
    for (int e = g.start[u]; e < g.start[u + 1]; ++e) {
      const PathArc& a = g.arcs[e];
      if (mask.empty() || mask[a.piece]) {
        relax(a.to, a.len);
      }
    }
  });
}

// Whether the marked pieces are one tree holding the first pin: as many
// pieces as the nodes they reach from it, less one, and none elsewhere.
bool oneTree(const Grid& g, int root, const std::vector<char>& in) {
  std::vector<double> d = distances(g, root, in);
  size_t reached = 0, pieces = 0;
  for (double x : d) {
    reached += std::isfinite(x) ? 1 : 0;
  }
  for (size_t k = 0; k < in.size(); ++k) {
    if (in[k]) {
      ++pieces;
      if (!std::isfinite(d[g.ends[k].first])) {
        return false;
      }
    }
  }
  return pieces + 1 == reached;
}

double lengthOf(const Grid& g, const std::vector<char>& in) {
  double len = 0;
  for (size_t k = 0; k < in.size(); ++k) {
    len += in[k] ? g.pieceLen[k] : 0;
  }
  return len;
}

// On random grids of nets of 20 pins or more, some with crossings blocked,
// from a tree at stretch 1 (the arborescence): the refined tree is one tree, no
// longer, and every pin's way along it (a plain search over its pieces) keeps
// its bound; and on some nets it is shorter.
TEST(PathBoundRefineTest, KeepsTheBoundAndNeverLengthens) {
  std::mt19937 rng(7);
  ArborescenceScratch arbor;
  BoundRefineScratch scratch;
  const double kEps[] = {0, 0.1, 0.3, 1};
  int shorter = 0;
  for (int round = 0; round < 200; ++round) {
    std::uniform_int_distribution<int> side(4, 10), pinCount(20, 30);
    Grid g = randomGrid(rng, side(rng), side(rng), round % 2 ? 0.15 : 0);
    int n = static_cast<int>(g.nodes.size());
    std::uniform_int_distribution<int> at(0, n - 1);
    std::vector<int> pins;
    int count = pinCount(rng);
    while (static_cast<int>(pins.size()) < count) {
      int v = at(rng);
      if (!g.blocked[v]) {
        pins.push_back(v);
      }
    }
    double eps = kEps[round % 4];
    std::vector<double> first = distances(g, pins[0]);
    std::vector<double> bound;
    for (int v : pins) {
      bound.push_back((1 + eps) * first[v] * (1 + 1e-9));
    }
    ArborescenceGraph graph{g.start, g.arcs, g.pieceLen};
    std::vector<char> in;
    steinerArborescence(graph, first, pins, in, arbor);
    double before = lengthOf(g, in);
    refineBoundedTree(graph, g.nodes, pins, bound, first, in, 1 + round % 3,
                      scratch);
    ASSERT_TRUE(oneTree(g, pins[0], in)) << "round " << round;
    double after = lengthOf(g, in);
    EXPECT_LE(after, before) << "round " << round;
    shorter += after < before ? 1 : 0;
    std::vector<double> along = distances(g, pins[0], in);
    for (size_t i = 1; i < pins.size(); ++i) {
      if (std::isfinite(first[pins[i]])) {
        EXPECT_LE(along[pins[i]], bound[i])
            << "round " << round << " pin " << i;
      } else {
        EXPECT_FALSE(std::isfinite(along[pins[i]]));
      }
    }
  }
  EXPECT_GT(shorter, 0);
}

}  // namespace
