#include "treecore/flatRoute.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "support/formatCoord.h"
#include "support/smallLists.h"
#include "treecore/pointKey.h"

namespace treecore::detail {

namespace {

// A coordinate as the decimal the writers print, as a double; an integer
// is its own, without the call.
double canonical(float v) {
  if (std::fabs(v) < 1e10f &&
      static_cast<float>(static_cast<long long>(v)) == v) {
    return v;
  }
  return canonicalDouble(v);
}

Point backOf(RoutePoint p) {
  return {canonical(p.x), canonical(p.y)};
}

// The segments' wire length as unionLength sums it (the horizontal runs by
// line, then start, then the vertical ones, touching collinear pieces as
// one run), for segments without diagonals.
double lengthOf(const std::vector<Segment>& segments,
                std::vector<FlatScratch::TreeLists::Run>& runs) {
  double sum = 0;
  for (int across = 1; across >= 0; --across) {
    runs.clear();
    for (const Segment& s : segments) {
      if ((s.a.y == s.b.y) == (across == 1)) {
        runs.push_back(
            across ? FlatScratch::TreeLists::Run{s.a.y, std::min(s.a.x, s.b.x),
                                                 std::max(s.a.x, s.b.x)}
                   : FlatScratch::TreeLists::Run{s.a.x, std::min(s.a.y, s.b.y),
                                                 std::max(s.a.y, s.b.y)});
      }
    }
    std::sort(runs.begin(), runs.end(), [](const auto& x, const auto& y) {
      return x.line < y.line || (x.line == y.line && x.lo < y.lo);
    });
    for (size_t k = 0; k < runs.size();) {
      double lo = runs[k].lo, hi = runs[k].hi;
      size_t j = k + 1;
      for (;
           j < runs.size() && runs[j].line == runs[k].line && runs[j].lo <= hi;
           ++j) {
        hi = std::max(hi, runs[j].hi);
      }
      sum += hi - lo;
      k = j;
    }
  }
  return sum;
}

// Builds in `list` the lists of `lists` keys from (key, item) pairs given
// as two arrays: list k's items are items[first[k]] .. items[first[k + 1]
// - 1], in the order given.
void listsOf(size_t lists,
             const std::vector<int>& keyA,
             const std::vector<int>& keyB,
             const std::vector<int>& item,
             std::vector<int>& first,
             std::vector<int>& items,
             std::vector<int>& at) {
  first.assign(lists + 1, 0);
  for (size_t k = 0; k < item.size(); ++k) {
    ++first[keyA[k] + 1];
    ++first[keyB[k] + 1];
  }
  for (size_t k = 0; k < lists; ++k) {
    first[k + 1] += first[k];
  }
  items.resize(2 * item.size());
  at.assign(first.begin(), first.end() - 1);
  for (size_t k = 0; k < item.size(); ++k) {
    items[at[keyA[k]]++] = item[k];
    items[at[keyB[k]]++] = item[k];
  }
}

// Nodes and edges of clean wires (every pin at a wire's end, wires meeting
// only at shared ends), as routeNet's drawing graph gives them: a point per
// place of a wire's end, the pins' own nodes first in order, a Steiner node
// at each other point where the drawing branches, and the edges of a walk
// from the first pin, breadth first, in the order the wires come.
void buildNodes(const std::vector<RoutePoint>& pins,
                const std::vector<Wire>& wires,
                FlatScratch::TreeLists& s,
                Tree& t) {
  std::vector<std::uint64_t>& keys = s.keys;
  keys.clear();
  for (const Wire& w : wires) {
    keys.push_back(keyOf({w.x1, w.y1}));
    keys.push_back(keyOf({w.x2, w.y2}));
  }
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  std::vector<RoutePoint>& at = s.at;
  at.clear();
  for (std::uint64_t k : keys) {
    at.push_back(pointOf(k));
  }
  size_t placed = at.size();
  auto find = [&keys](RoutePoint p) {
    std::uint64_t k = keyOf(p);
    auto it = std::lower_bound(keys.begin(), keys.end(), k);
    return it != keys.end() && *it == k ? static_cast<int>(it - keys.begin())
                                        : -1;
  };
  // Links: one per wire, from its first end.
  // Lists of known size are written in place: a push_back per item costs
  // a call here, many times a net.
  std::vector<int>& linkA = s.linkA;
  std::vector<int>& linkB = s.linkB;
  linkA.resize(wires.size());
  linkB.resize(wires.size());
  for (size_t l = 0; l < wires.size(); ++l) {
    linkA[l] = find({wires[l].x1, wires[l].y1});
    linkB[l] = find({wires[l].x2, wires[l].y2});
  }
  std::vector<int>& pinVertex = s.pinVertex;
  pinVertex.resize(pins.size());
  for (size_t i = 0; i < pins.size(); ++i) {
    const RoutePoint& p = pins[i];
    int v = find(p);
    for (size_t k = placed; k < at.size() && v < 0; ++k) {
      v = at[k] == p ? static_cast<int>(k) : -1;
    }
    if (v < 0) {
      v = static_cast<int>(at.size());
      at.push_back(p);
    }
    pinVertex[i] = v;
  }
  int nv = static_cast<int>(at.size());

  // The links at each point, in their order; links of no length join
  // nothing.
  std::vector<int>& chainA = s.chainA;  // for now the links that count
  std::vector<int>& chainB = s.chainB;
  std::vector<int>& queue = s.queue;
  chainA.resize(wires.size());
  chainB.resize(wires.size());
  queue.resize(wires.size());
  size_t counted = 0;
  for (size_t l = 0; l < wires.size(); ++l) {
    chainA[counted] = linkA[l];
    chainB[counted] = linkB[l];
    queue[counted] = static_cast<int>(l);
    counted += linkA[l] != linkB[l];
  }
  chainA.resize(counted);
  chainB.resize(counted);
  queue.resize(counted);
  std::vector<int>& first = s.first;
  std::vector<int>& items = s.items;
  listsOf(static_cast<size_t>(nv), chainA, chainB, queue, first, items,
          s.aroundFirst);
  auto degree = [&first](int v) { return first[v + 1] - first[v]; };

  std::vector<int>& nodeOf = s.nodeOf;
  std::vector<int>& vertexOf = s.vertexOf;
  nodeOf.assign(static_cast<size_t>(nv), -1);
  vertexOf.clear();
  std::vector<RoutePoint>& chainPoints = s.chainPoints;
  std::vector<size_t>& chainFrom = s.chainFrom;
  chainA.clear();
  chainB.clear();
  chainPoints.clear();
  chainFrom.clear();
  t.nodes.reserve(pins.size() + 2 * pins.size());
  for (size_t i = 0; i < pinVertex.size(); ++i) {
    int v = pinVertex[i];
    t.nodes.push_back({backOf(at[v]), NodeKind::pin, -1, -1});
    vertexOf.push_back(v);
    if (nodeOf[v] < 0) {
      nodeOf[v] = static_cast<int>(i);
    } else {
      chainA.push_back(nodeOf[v]);
      chainB.push_back(static_cast<int>(i));
      chainFrom.push_back(chainPoints.size());
      chainPoints.insert(chainPoints.end(), 2, at[v]);
    }
  }
  for (int v = 0; v < nv; ++v) {
    int d = degree(v);
    if (nodeOf[v] < 0 && d > 0 && d != 2) {
      nodeOf[v] = static_cast<int>(t.nodes.size());
      vertexOf.push_back(v);
      t.nodes.push_back({backOf(at[v]), NodeKind::steinerPoint, -1, -1});
    }
  }

  // Chains of links from node to node through points of two links.
  std::vector<char>& used = s.used;
  used.assign(wires.size(), 0);
  for (size_t n = 0; n < t.nodes.size(); ++n) {
    int start = vertexOf[n];
    if (nodeOf[start] != static_cast<int>(n)) {
      continue;  // a second pin at its place
    }
    for (int i = first[start]; i < first[start + 1]; ++i) {
      int l = items[i];
      if (used[l]) {
        continue;
      }
      size_t from = chainPoints.size();
      int cur = start;
      int end = -1;
      for (;;) {
        used[l] = 1;
        const Wire& w = wires[l];
        bool forward = linkA[l] == cur;
        RoutePoint a{w.x1, w.y1}, b{w.x2, w.y2};
        if (chainPoints.size() == from) {
          chainPoints.push_back(forward ? a : b);
        }
        chainPoints.push_back(forward ? b : a);
        int next = forward ? linkB[l] : linkA[l];
        if (nodeOf[next] >= 0) {
          end = nodeOf[next];
          break;
        }
        int k = first[next];
        int other = items[k] == l ? items[k + 1] : items[k];
        if (used[other]) {
          break;  // a loop through no node: not part of the tree
        }
        cur = next;
        l = other;
      }
      if (end < 0) {
        chainPoints.resize(from);
        continue;
      }
      chainA.push_back(static_cast<int>(n));
      chainB.push_back(end);
      chainFrom.push_back(from);
    }
  }
  chainFrom.push_back(chainPoints.size());

  // The walk, breadth first from each part's first node; the edges then
  // ordered by their child.
  queue.resize(chainA.size());
  for (size_t c = 0; c < chainA.size(); ++c) {
    queue[c] = static_cast<int>(c);
  }
  std::vector<int>& around = s.aroundItems;
  std::vector<int>& aroundFirst = s.aroundFirst;
  std::vector<int>& spare = s.items;  // the links' lists are done with
  listsOf(t.nodes.size(), chainA, chainB, queue, aroundFirst, around, spare);
  std::vector<char>& reached = s.reached;
  reached.assign(t.nodes.size(), 0);
  // Each node is reached once: its edge is filed under it, which orders
  // the edges by their child without a sort.
  std::vector<FlatScratch::TreeLists::Found>& found = s.found;
  found.assign(t.nodes.size(), {-1, -1, -1, false});
  queue.resize(t.nodes.size());
  size_t edges = 0;
  for (size_t root = 0; root < t.nodes.size(); ++root) {
    if (reached[root]) {
      continue;
    }
    reached[root] = 1;
    size_t queued = 0;
    queue[queued++] = static_cast<int>(root);
    for (size_t q = 0; q < queued; ++q) {
      int u = queue[q];
      for (int i = aroundFirst[u]; i < aroundFirst[u + 1]; ++i) {
        int c = around[i];
        int a = chainA[c], b = chainB[c];
        int w = a == u ? b : a;
        if (reached[w]) {
          continue;
        }
        reached[w] = 1;
        queue[queued++] = w;
        t.nodes[w].parent = u;
        found[w] = {w, u, c, a != u};
        ++edges;
      }
    }
  }
  // Each edge's path: its chain's points with repeats and straight-through
  // points dropped (as bendsOnly drops them).
  std::vector<RoutePoint>& path = s.path;
  auto between = [](float lo, float m, float hi) {
    return (lo <= m && m <= hi) || (hi <= m && m <= lo);
  };
  t.edges.reserve(edges);
  for (const auto& e : found) {
    if (e.to < 0) {
      continue;  // a root
    }
    path.clear();
    size_t lo = chainFrom[e.chain], hi = chainFrom[e.chain + 1];
    for (size_t k = lo; k < hi; ++k) {
      const RoutePoint& p = chainPoints[e.reversed ? hi - 1 - (k - lo) : k];
      if (!path.empty() && path.back() == p) {
        continue;
      }
      size_t n = path.size();
      if (n >= 2) {
        const RoutePoint& q = path[n - 2];
        const RoutePoint& m = path[n - 1];
        if ((q.x == m.x && m.x == p.x && between(q.y, m.y, p.y)) ||
            (q.y == m.y && m.y == p.y && between(q.x, m.x, p.x))) {
          path.back() = p;
          continue;
        }
      }
      path.push_back(p);
    }
    if (path.size() == 1) {
      path.push_back(path[0]);
    }
    t.nodes[e.to].edge = static_cast<int>(t.edges.size());
    t.edges.push_back({e.from, e.to, std::vector<Point>(path.size())});
    std::vector<Point>& out = t.edges.back().path;
    for (size_t k = 0; k < path.size(); ++k) {
      out[k] = backOf(path[k]);
    }
  }
}

// buildNodes' nodes and edges for the solver's wires on the grid of the
// pins' lines (FlatScratch::Grid): each point named by its lines, x line
// first, which orders the points as their keys do, so that nothing is
// sorted or searched; every list a fixed array. Reads the pins, the wires,
// the grid and the lines' values cx, cy; leaves t's nodes and edges. False,
// t untouched, where the grid is not the wires' or the net outgrows the
// arrays.
bool buildOnGrid(const std::vector<RoutePoint>& pins,
                 size_t wireCount,
                 const FlatScratch::Grid& g,
                 const double* cx,
                 const double* cy,
                 Tree& t) {
  const int kLines = FlatScratch::Grid::kLines;
  const int kWires = FlatScratch::Grid::kWires;
  const int kPins = 64;
  const int kPoints = kLines * kLines;  // point (i, j) is i << 5 | j
  static_assert(kLines == 32, "a point's lines are five bits each");
  const int kNodes = kPins + 2 * kWires;
  const int kChainPoints = 2 * kPins + kWires + kNodes;
  int nw = static_cast<int>(wireCount);
  int np = static_cast<int>(pins.size());
  if (!g.valid || nw == 0 || nw > kWires || np > kPins) {
    return false;
  }
  int nodeOf[kPoints];
  unsigned char degree[kPoints];
  short adj[kPoints][4];  // a point's wires in their order: four ways
  short linkA[kWires], linkB[kWires];
  short pinVertex[kPins];
  std::uint64_t branch[kPoints / 64] = {};  // points of degree other than 2
  for (int l = 0; l < nw; ++l) {
    const std::uint8_t* e = g.ends[l];
    int a = e[0] << 5 | e[1], b = e[2] << 5 | e[3];
    if (a == b) {
      return false;
    }
    linkA[l] = static_cast<short>(a);
    linkB[l] = static_cast<short>(b);
    degree[a] = degree[b] = 0;
    nodeOf[a] = nodeOf[b] = -1;
  }
  if (g.pinPoint.size() != pins.size()) {
    return false;
  }
  for (int i = 0; i < np; ++i) {
    pinVertex[i] = static_cast<short>(g.pinPoint[i]);
    degree[pinVertex[i]] = 0;
  }
  for (int l = 0; l < nw; ++l) {
    int a = linkA[l], b = linkB[l];
    if (degree[a] == 4 || degree[b] == 4) {
      return false;
    }
    adj[a][degree[a]++] = static_cast<short>(l);
    adj[b][degree[b]++] = static_cast<short>(l);
  }
  for (int i = 0; i < np; ++i) {
    if (degree[pinVertex[i]] == 0) {
      return false;  // a pin off the wires' ends
    }
  }
  for (int l = 0; l < nw; ++l) {
    for (int v : {static_cast<int>(linkA[l]), static_cast<int>(linkB[l])}) {
      if (degree[v] != 2) {
        branch[v >> 6] |= std::uint64_t{1} << (v & 63);
      }
    }
  }

  // Nodes: the pins in order (a second pin at a place joined to the first
  // by an edge of no length), then the other points where the drawing
  // branches, in their order.
  short vertexOf[kNodes];
  int nodes = 0;
  bool twice = false;  // a place with two pins
  for (int i = 0; i < np; ++i) {
    int v = pinVertex[i];
    vertexOf[nodes++] = static_cast<short>(v);
    if (nodeOf[v] < 0) {
      nodeOf[v] = i;
    } else {
      twice = true;
    }
  }
  for (int word = 0; word < kPoints / 64; ++word) {
    for (std::uint64_t m = branch[word]; m; m &= m - 1) {
      int v = word * 64 + __builtin_ctzll(m);
      if (nodeOf[v] < 0) {
        nodeOf[v] = nodes;
        vertexOf[nodes++] = static_cast<short>(v);
      }
    }
  }

  // Each part walked from its first node along the chains of wires from
  // node to node through points of two wires. Where the chains make a
  // forest, each node's parent and its path are those of any walk from
  // the part's first node, breadth first or not; a loop (a node reached
  // twice, or wires no walk reaches) is left to buildNodes.
  short parent[kNodes];
  short pathFrom[kNodes], pathTo[kNodes];
  Point chainPoints[kChainPoints];  // the paths' points, as written
  short stack[kNodes];
  bool used[kWires];  // only the net's own entries are cleared
  std::fill(used, used + nw, false);
  std::fill(parent, parent + nodes, static_cast<short>(-2));  // not reached
  int points = 0, walked = 0, edges = 0;
  for (int root = 0; root < nodes; ++root) {
    if (parent[root] != -2) {
      continue;
    }
    parent[root] = -1;
    int depth = 0;
    stack[depth++] = static_cast<short>(root);
    while (depth > 0) {
      int u = stack[--depth];
      int start = vertexOf[u];
      if (nodeOf[start] != u) {
        continue;  // a second pin at its place, reached from the first
      }
      for (int k = 0; k < degree[start]; ++k) {
        int l = adj[start][k];
        if (used[l]) {
          continue;
        }
        int from = points;
        chainPoints[points++] = {cx[start >> 5], cy[start & 31]};
        int cur = start;
        int next;
        for (;;) {
          used[l] = true;
          ++walked;
          next = linkA[l] == cur ? linkB[l] : linkA[l];
          chainPoints[points++] = {cx[next >> 5], cy[next & 31]};
          if (nodeOf[next] >= 0) {
            break;
          }
          int other = adj[next][0] == l ? adj[next][1] : adj[next][0];
          if (used[other]) {
            return false;  // a loop through no node
          }
          cur = next;
          l = other;
        }
        int w = nodeOf[next];
        if (parent[w] != -2) {
          return false;  // a loop
        }
        parent[w] = static_cast<short>(u);
        pathFrom[w] = static_cast<short>(from);
        pathTo[w] = static_cast<short>(points);
        stack[depth++] = static_cast<short>(w);
        ++edges;
      }
      for (int i = u + 1; twice && u < np && i < np; ++i) {
        if (pinVertex[i] == start && parent[i] == -2) {
          parent[i] = static_cast<short>(u);
          pathFrom[i] = static_cast<short>(points);
          chainPoints[points++] = {cx[start >> 5], cy[start & 31]};
          chainPoints[points] = chainPoints[points - 1];
          ++points;
          pathTo[i] = static_cast<short>(points);
          ++edges;
        }
      }
    }
  }
  if (walked != nw) {
    return false;  // a loop no node is on
  }

  // Each edge filed under its child, which orders them by it. The grid's
  // wires are whole runs, which end only at a joint (a pin, a branch) or
  // a bend: a chain's inner points are bends, and no two points repeat
  // but the two of an edge of no length, so the points are the path
  // bendsOnly leaves.
  t.nodes.resize(static_cast<size_t>(nodes));
  t.edges.resize(static_cast<size_t>(edges));
  int edge = 0;
  for (int n = 0; n < nodes; ++n) {
    int v = vertexOf[n];
    Node& node = t.nodes[n];
    node = {{cx[v >> 5], cy[v & 31]},
            n < np ? NodeKind::pin : NodeKind::steinerPoint,
            parent[n],
            -1};
    if (parent[n] < 0) {
      continue;  // a part's first node
    }
    node.edge = edge;
    Edge& e = t.edges[edge++];
    e.from = parent[n];
    e.to = n;
    e.path.assign(chainPoints + pathFrom[n], chainPoints + pathTo[n]);
  }
  return true;
}

}  // namespace

namespace {

// The tree of clean wires over the pins: nodes and edges (unless
// drawingOnly), segments, parts, length and bound, as routeFlatNet leaves
// them; g, where given, the wires' grid (FlatScratch::Grid).
void finishTree(const std::vector<RoutePoint>& pins,
                const std::vector<Wire>& wires,
                const FlatScratch::Grid* g,
                const RouteOptions& options,
                FlatScratch& scratch,
                Tree& t) {
  // On the grid of the pins' lines, each line's value is made once, and
  // whole values below 2^30 sum exactly in any order: the length is the
  // wires' sum, as the runs' union would give it.
  // Wires left on the grid alone (solveFlatTreeTo's gridOnly) are its ends.
  size_t count = g && g->valid && wires.empty() ? static_cast<size_t>(g->wires)
                                                : wires.size();
  bool onGrid =
      g && g->valid && count > 0 && count <= static_cast<size_t>(g->kWires);
  // The wires as floats, made from the grid's ends where left there, for
  // the builders off the grid.
  std::vector<Wire> made;
  auto floatsOf = [&]() -> const std::vector<Wire>& {
    if (!wires.empty() || count == 0) {
      return wires;
    }
    made.resize(count);
    for (size_t k = 0; k < count; ++k) {
      const std::uint8_t* e = g->ends[k];
      made[k] = {g->xs[e[0]], g->ys[e[1]], g->xs[e[2]], g->ys[e[3]]};
    }
    return made;
  };
  double cx[FlatScratch::Grid::kLines], cy[FlatScratch::Grid::kLines];
  bool whole = onGrid;
  // A whole line below 2^30 is its own decimal; any other line's decimal
  // is no such whole value (a fraction's decimal reads back as it).
  auto line = [&whole](float v) {
    bool small = std::fabs(v) < 0x1p30f &&
                 static_cast<float>(static_cast<std::int32_t>(v)) == v;
    whole = whole && small;
    return small ? static_cast<double>(v) : canonical(v);
  };
  for (int k = 0; onGrid && k < g->nx; ++k) {
    cx[k] = line(g->xs[k]);
  }
  for (int k = 0; onGrid && k < g->ny; ++k) {
    cy[k] = line(g->ys[k]);
  }
  // The builder's lists are touched only off the grid.
  bool listsUsed = false;
  if (!options.drawingOnly &&
      !(onGrid && buildOnGrid(pins, count, *g, cx, cy, t))) {
    buildNodes(pins, floatsOf(), scratch.tree, t);
    listsUsed = true;
  }
  t.parts = 1;
  size_t base = t.segments.size();
  t.segments.resize(base + count);
  double sum = 0;
  const std::vector<Wire>& offGrid = onGrid ? wires : floatsOf();
  for (size_t k = 0; k < count; ++k) {
    if (onGrid) {
      const std::uint8_t* e = g->ends[k];
      Segment& out = t.segments[base + k];
      out = {{cx[e[0]], cy[e[1]]}, {cx[e[2]], cy[e[3]]}};
      sum += (out.b.x - out.a.x) + (out.b.y - out.a.y);
    } else {
      const Wire& w = offGrid[k];
      t.segments[base + k] = {backOf({w.x1, w.y1}), backOf({w.x2, w.y2})};
    }
  }
  if (options.measureLength || options.bound) {
    listsUsed = listsUsed || !whole;
    t.wireLength = whole ? sum : lengthOf(t.segments, scratch.tree.runs);
  }
  // The solver's trees are shortest: their own length bounds every tree.
  t.lowerBound = options.bound ? t.wireLength : -1;
  // Many pins at few places leave long lists: given back, as every
  // scratch list is after a large net (those this call left alone were
  // given back by the last that used them).
  FlatScratch::TreeLists& s = scratch.tree;
  auto release = [](auto&... lists) { (releaseLarge(lists), ...); };
  release(s.wires, scratch.cuts);
  if (!listsUsed) {
    return;
  }
  release(s.keys, s.at, s.chainPoints, s.path, s.pinVertex, s.linkA, s.linkB,
          s.first, s.items, s.nodeOf, s.vertexOf, s.chainA, s.chainB,
          s.aroundFirst, s.aroundItems, s.queue, s.chainFrom, s.used, s.reached,
          s.found, s.runs);
}

}  // namespace

bool routeFlatNet(const std::vector<RoutePoint>& pins,
                  const RouteOptions& options,
                  FlatScratch& scratch,
                  Tree& t) {
  if (options.form != Form::optimizedSteinerTree || options.timing ||
      options.pathBound >= 0) {
    return false;
  }
  std::vector<Wire>& wires = scratch.tree.wires;
  // The wires are read off the grid where it is valid.
  if (!solveFlatTreeTo(pins, scratch, wires, true)) {
    releaseLarge(scratch.cuts);  // the positions, sorted
    return false;
  }
  finishTree(pins, wires, &scratch.grid, options, scratch, t);
  return true;
}

void flatTreeOf(const std::vector<RoutePoint>& pins,
                const std::vector<Wire>& wires,
                const RouteOptions& options,
                FlatScratch& scratch,
                Tree& t) {
  finishTree(pins, wires, &scratch.grid, options, scratch, t);
}

}  // namespace treecore::detail
