#include "options/pathBound.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <queue>
#include <utility>

#include "spatial/escapeGraph.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();

// Equal lengths summed in another order may differ in the last bits.
const double kSlack = 1e-9;

struct Search {
  WirePlan plan;
  std::vector<std::vector<std::pair<int, int>>> around;  // (node, piece)
  std::vector<int> pinNode;
  std::vector<double> dist;
  std::vector<int> via;  // the piece to the parent, or -1
  std::vector<int> order;
};

double pieceLength(const WirePlan& p, int k) {
  const RoutePoint& a = p.nodes[p.pieces[k].first];
  const RoutePoint& b = p.nodes[p.pieces[k].second];
  return std::fabs(static_cast<double>(a.x) - b.x) +
         std::fabs(static_cast<double>(a.y) - b.y);
}

int nodeOf(const WirePlan& p, RoutePoint q) {
  auto it = std::lower_bound(p.nodes.begin(), p.nodes.end(), q,
                             [](const RoutePoint& a, const RoutePoint& b) {
                               return a.x < b.x || (a.x == b.x && a.y < b.y);
                             });
  return it != p.nodes.end() && *it == q
             ? static_cast<int>(it - p.nodes.begin())
             : -1;
}

// Dijkstra from the first pin over the plan; ties go to the lower node and
// piece, so that the tree depends on the wires alone.
Search searchFrom(const std::vector<Wire>& wires,
                  const std::vector<RoutePoint>& pins) {
  Search s;
  s.plan = planWires(wires, pins);
  size_t n = s.plan.nodes.size();
  s.around.resize(n);
  for (size_t k = 0; k < s.plan.pieces.size(); ++k) {
    auto [a, b] = s.plan.pieces[k];
    s.around[a].push_back({b, static_cast<int>(k)});
    s.around[b].push_back({a, static_cast<int>(k)});
  }
  for (const RoutePoint& p : pins) {
    s.pinNode.push_back(nodeOf(s.plan, p));
  }
  s.dist.assign(n, kInf);
  s.via.assign(n, -1);
  int root = s.pinNode.empty() ? -1 : s.pinNode[0];
  if (root < 0) {
    return s;
  }
  using Entry = std::pair<double, int>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
  s.dist[root] = 0;
  open.push({0, root});
  while (!open.empty()) {
    auto [d, u] = open.top();
    open.pop();
    if (d != s.dist[u]) {
      continue;
    }
    s.order.push_back(u);
    for (auto [v, k] : s.around[u]) {
      double nd = d + pieceLength(s.plan, k);
      if (nd < s.dist[v]) {
        s.dist[v] = nd;
        s.via[v] = k;
        open.push({nd, v});
      }
    }
  }
  return s;
}

// The pins in the order a depth-first walk of the wire from the first pin
// meets them, pieces taken in their order; unreached pins last.
std::vector<size_t> walkOrder(const Search& s, size_t pins) {
  size_t n = s.plan.nodes.size();
  std::vector<std::vector<size_t>> pinsAt(n);
  for (size_t i = 0; i < pins; ++i) {
    if (s.pinNode[i] >= 0) {
      pinsAt[s.pinNode[i]].push_back(i);
    }
  }
  std::vector<size_t> out;
  std::vector<char> seen(n, 0), taken(pins, 0);
  if (!s.pinNode.empty() && s.pinNode[0] >= 0) {
    std::vector<int> stack{s.pinNode[0]};
    while (!stack.empty()) {
      int u = stack.back();
      stack.pop_back();
      if (seen[u]) {
        continue;
      }
      seen[u] = 1;
      for (size_t i : pinsAt[u]) {
        out.push_back(i);
        taken[i] = 1;
      }
      for (auto it = s.around[u].rbegin(); it != s.around[u].rend(); ++it) {
        if (!seen[it->first]) {
          stack.push_back(it->first);
        }
      }
    }
  }
  for (size_t i = 0; i < pins; ++i) {
    if (!taken[i]) {
      out.push_back(i);
    }
  }
  return out;
}

void addRoute(std::vector<Wire>& wires, const std::vector<RoutePoint>& pts) {
  for (size_t k = 1; k < pts.size(); ++k) {
    if (!(pts[k] == pts[k - 1])) {
      wires.push_back({pts[k - 1].x, pts[k - 1].y, pts[k].x, pts[k].y});
    }
  }
}

}  // namespace

std::vector<double> wireDistances(const std::vector<Wire>& wires,
                                  const std::vector<RoutePoint>& pins) {
  Search s = searchFrom(wires, pins);
  std::vector<double> out;
  for (size_t i = 0; i < s.pinNode.size(); ++i) {
    int v = s.pinNode[i];
    out.push_back(v >= 0 ? s.dist[v] : i == 0 ? 0 : kInf);
  }
  return out;
}

namespace {

// The walk, the added routes and the shortest-path tree, from one start.
bool boundFrom(const std::vector<RoutePoint>& pins,
               const EscapeGraph& graph,
               const std::vector<double>& shortest,
               const std::vector<Wire>& tree,
               double eps,
               std::vector<Wire>& out,
               bool always) {
  std::vector<Wire> wires = tree;
  // Pins on no wire (a lone pin at the first pin's place) are joined by
  // their routes below as any other.
  Search s = searchFrom(wires, pins);
  std::vector<size_t> order = walkOrder(s, pins.size());
  // The walk's running estimate: the way along the wire to the pin before,
  // then on along the wire between the two; a fresh start where a route is
  // added.
  std::vector<double> along(pins.size(), kInf);
  for (size_t i = 0; i < pins.size(); ++i) {
    int v = s.pinNode[i];
    along[i] = v >= 0 ? s.dist[v] : (i == 0 ? 0 : kInf);
  }
  bool added = false;
  // The wire as the last search saw it; stale once a route is added.
  Search cur = std::move(s);
  bool stale = false;
  for (size_t i : order) {
    if (i == 0 || !std::isfinite(shortest[i])) {
      continue;
    }
    double bound = (1 + eps) * shortest[i] * (1 + kSlack);
    if (along[i] <= bound) {
      continue;
    }
    // The routes added so far may shorten the ways; the search is made
    // again only where a pin would otherwise break the bound.
    if (stale) {
      cur = searchFrom(wires, pins);
      stale = false;
      for (size_t j = 0; j < pins.size(); ++j) {
        int v = cur.pinNode[j];
        along[j] = v >= 0 ? cur.dist[v] : j == 0 ? 0 : kInf;
      }
      if (along[i] <= bound) {
        continue;
      }
    }
    // The shortest route to the pin from a point of the wire (an end, a
    // bend, a crossing) whose way from the first pin keeps the bound with
    // it; the first pin always does, and is the last target.
    // Only points that the rectilinear distance does not already rule out.
    std::vector<RoutePoint> targets;
    std::vector<double> targetAlong;
    for (size_t k = 0; k < cur.plan.nodes.size(); ++k) {
      const RoutePoint& q = cur.plan.nodes[k];
      double direct = std::fabs(static_cast<double>(q.x) - pins[i].x) +
                      std::fabs(static_cast<double>(q.y) - pins[i].y);
      if (cur.dist[k] + direct <= bound && direct < shortest[i]) {
        targets.push_back(q);
        targetAlong.push_back(cur.dist[k]);
      }
    }
    targets.push_back(pins[0]);
    targetAlong.push_back(0);
    size_t best = targets.size() - 1;
    double from = shortest[i];
    double bestAlong = 0;
    graph.reach(pins[i], targets, [&](size_t k, double len) {
      if (len > from) {
        return true;  // the first pin is no farther
      }
      double a = targetAlong[k];
      if (a + len <= bound) {
        best = k;
        from = len;
        bestAlong = a;
        return true;
      }
      return false;
    });
    addRoute(wires, graph.route(targets[best], pins[i]));
    added = true;
    stale = true;
    along[i] = bestAlong + from;
  }
  if (!added && !always) {
    return false;
  }
  // The shortest-path tree of the union from the first pin; other parts as
  // they were.
  Search u = searchFrom(wires, pins);
  std::vector<char> keep(u.plan.pieces.size(), 0);
  for (int v : u.order) {
    if (u.via[v] >= 0) {
      keep[u.via[v]] = 1;
    }
  }
  for (size_t k = 0; k < u.plan.pieces.size(); ++k) {
    if (!std::isfinite(u.dist[u.plan.pieces[k].first])) {
      keep[k] = 1;
    }
  }
  std::vector<Wire> kept;
  for (size_t k = 0; k < u.plan.pieces.size(); ++k) {
    if (keep[k]) {
      const RoutePoint& a = u.plan.nodes[u.plan.pieces[k].first];
      const RoutePoint& b = u.plan.nodes[u.plan.pieces[k].second];
      kept.push_back({a.x, a.y, b.x, b.y});
    }
  }
  out = cleanWires(kept, pins);
  return true;
}

double lengthOf(const std::vector<Wire>& wires) {
  double len = 0;
  for (const Wire& w : wires) {
    len += std::fabs(static_cast<double>(w.x2) - w.x1) +
           std::fabs(static_cast<double>(w.y2) - w.y1);
  }
  return len;
}

// The Prim-Dijkstra blend over the obstacle-avoiding distances d: from the
// first pin, each pin joined where alpha times the tree's way to the
// joining pin plus the route from it is least; the routes drawn.
std::vector<Wire> blendTree(const std::vector<RoutePoint>& pins,
                            const EscapeGraph& graph,
                            const std::vector<std::vector<double>>& d,
                            double alpha) {
  size_t n = pins.size();
  std::vector<double> path(n, 0), key(n, kInf);
  std::vector<int> from(n, -1);
  std::vector<char> done(n, 0);
  key[0] = 0;
  std::vector<Wire> wires;
  for (size_t step = 0; step < n; ++step) {
    size_t u = n;
    for (size_t v = 0; v < n; ++v) {
      if (!done[v] && (u == n || key[v] < key[u])) {
        u = v;
      }
    }
    done[u] = 1;
    if (from[u] >= 0) {
      path[u] = path[from[u]] + d[from[u]][u];
      addRoute(wires, graph.route(pins[from[u]], pins[u]));
    }
    for (size_t v = 0; v < n; ++v) {
      double k = alpha * path[u] + d[u][v];
      if (!done[v] && k < key[v]) {
        key[v] = k;
        from[v] = static_cast<int>(u);
      }
    }
  }
  return wires;
}

// Blend starts are tried for nets up to this many pins: their distances
// cost a search per pin.
const size_t kBlendPins = 32;

}  // namespace

bool boundPathTree(const std::vector<RoutePoint>& pins,
                   const ObstacleIndex& index,
                   const std::vector<Wire>& tree,
                   double eps,
                   std::vector<Wire>& out,
                   bool always) {
  if (pins.size() < 2) {
    return false;
  }
  // No route is shorter than the rectilinear distance: a tree within the
  // bound of that keeps the bound, and the graph is not needed (most nets
  // of a design are such).
  if (!always) {
    Search s = searchFrom(tree, pins);
    bool within = true;
    for (size_t i = 1; i < pins.size() && within; ++i) {
      double direct = std::fabs(static_cast<double>(pins[i].x) - pins[0].x) +
                      std::fabs(static_cast<double>(pins[i].y) - pins[0].y);
      int v = s.pinNode[i];
      within = v >= 0 && s.dist[v] <= (1 + eps) * direct * (1 + kSlack);
    }
    if (within) {
      return false;
    }
  }
  EscapeGraph graph(index);
  std::vector<double> shortest = graph.distances(pins[0], pins);
  if (!boundFrom(pins, graph, shortest, tree, eps, out, always)) {
    return false;
  }
  bool apart = false;
  for (double v : shortest) {
    apart = apart || !std::isfinite(v);
  }
  if (pins.size() > kBlendPins || apart) {
    return true;
  }
  // The blend's trees as other starts, each bounded the same way; the
  // shortest result wins, the first on a tie.
  std::vector<std::vector<double>> d(pins.size());
  for (size_t i = 0; i < pins.size(); ++i) {
    d[i] = graph.distances(pins[i], pins);
  }
  double best = lengthOf(out);
  for (double alpha : {0.25, 0.5, 0.75, 1.0}) {
    std::vector<Wire> other;
    boundFrom(pins, graph, shortest, blendTree(pins, graph, d, alpha), eps,
              other, true);
    double len = lengthOf(other);
    if (len < best) {
      best = len;
      out = std::move(other);
    }
  }
  return true;
}
