#include "treecore/route.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <unordered_map>

#include "geometry/segment.h"
#include "geometry/vertex.h"
#include "legal/obstacleIndex.h"
#include "legal/wirePlan.h"
#include "router/router.h"
#include "support/formatCoord.h"
#include "treecore/inOrder.h"

namespace treecore {

double Edge::length() const {
  double len = 0;
  for (size_t k = 1; k < path.size(); ++k) {
    len += std::fabs(path[k].x - path[k - 1].x) +
           std::fabs(path[k].y - path[k - 1].y);
  }
  return len;
}

const char* statusName(Status s) {
  switch (s) {
    case Status::ok:
      return "ok";
    case Status::forest:
      return "forest";
    case Status::pinInsideObstacle:
      return "pinInsideObstacle";
    case Status::badCoordinate:
      return "badCoordinate";
  }
  return "?";
}

const char* kindName(NodeKind k) {
  return k == NodeKind::pin ? "pin" : "steinerPoint";
}

namespace {

// A tree connection as drawn: its two ends, the lower by x then y first,
// and the points of its route from the first to the second.
struct Drawn {
  const Vertex* a;
  const Vertex* b;
  std::vector<RoutePoint> points;
};

// What a pipeline entry leaves, as its program writes it.
struct Finished {
  std::vector<Wire> pieces;  // in the order they are written
  // For the spanning tree and the unrefined form only, in the same order.
  std::vector<Drawn> connections;
  int parts = 0;
};

bool drawsConnections(Form form) {
  return form == Form::spanningTree || form == Form::unrefinedSteinerTree;
}

// The one place that reads a finished Router. The exports of the spanning
// tree and the unrefined form first give every blocked connection a route
// (which may take connections out and join parts again), then write each
// connection once from its lower end as an L, or as its route's pieces;
// the refined forms write their segments as they are.
Finished readFinished(Router& router, Form form) {
  Finished f;
  if (!drawsConnections(form)) {
    f.pieces.reserve(router.segments.size());
    for (const ::Segment* s : router.segments) {
      f.pieces.push_back({s->x1, s->y1, s->x2, s->y2});
    }
    f.parts = router.pinParts();
    return f;
  }
  std::map<Router::Connection, FreeRoute> routes =
      router.routeTreeConnections();
  for (const Vertex* u : router.vertices) {
    if (!u) {
      continue;
    }
    const std::vector<Vertex*>& nbrs = u->mstNbrs;
    for (size_t k = 0; k < nbrs.size(); ++k) {
      const Vertex* v = nbrs[k];
      if (!v || !(v->x > u->x || (v->x == u->x && v->y > u->y)) ||
          std::find(nbrs.begin(), nbrs.begin() + k, v) != nbrs.begin() + k) {
        continue;
      }
      auto it = routes.find({u, v});
      Drawn d{u, v, {}};
      if (it == routes.end()) {
        d.points = {{u->x, u->y}, {v->x, u->y}, {v->x, v->y}};
      } else {
        d.points = it->second.points;
      }
      for (size_t i = 1; i < d.points.size(); ++i) {
        f.pieces.push_back({d.points[i - 1].x, d.points[i - 1].y, d.points[i].x,
                            d.points[i].y});
      }
      f.connections.push_back(std::move(d));
    }
  }
  f.parts = router.pinParts();
  return f;
}

// The drawing as a graph: points, the point of each pin, and links between
// points, each with its points from its first end to its second.
struct Graph {
  std::vector<RoutePoint> at;
  std::vector<int> pinVertex;
  std::vector<std::pair<int, int>> links;
  std::vector<std::vector<RoutePoint>> linkPoints;

  void link(int a, int b, std::vector<RoutePoint> points) {
    links.emplace_back(a, b);
    linkPoints.push_back(std::move(points));
  }
};

// Each connection's end vertices become points; the pins come first, in
// order, and other vertices follow as the connections reach them.
Graph graphOfConnections(const std::vector<Vertex*>& pins,
                         const std::vector<Drawn>& connections) {
  Graph g;
  std::unordered_map<const Vertex*, int> id;
  auto vertexId = [&](const Vertex* v) {
    auto it = id.emplace(v, static_cast<int>(g.at.size()));
    if (it.second) {
      g.at.push_back({v->x, v->y});
    }
    return it.first->second;
  };
  for (const Vertex* p : pins) {
    g.pinVertex.push_back(vertexId(p));
  }
  for (const Drawn& d : connections) {
    g.link(vertexId(d.a), vertexId(d.b), d.points);
  }
  return g;
}

bool lessPoint(const RoutePoint& a, const RoutePoint& b) {
  return a.x < b.x || (a.x == b.x && a.y < b.y);
}

// The plan's points; a pin on no wire gets a point of its own, shared with
// pins at its place.
Graph graphOfPlan(const WirePlan& plan, const std::vector<RoutePoint>& pins) {
  Graph g;
  g.at = plan.nodes;
  std::map<std::pair<float, float>, int> lone;
  for (const RoutePoint& p : pins) {
    auto it = std::lower_bound(g.at.begin(), g.at.begin() + plan.nodes.size(),
                               p, lessPoint);
    if (it != g.at.begin() + plan.nodes.size() && *it == p) {
      g.pinVertex.push_back(static_cast<int>(it - g.at.begin()));
      continue;
    }
    auto l = lone.emplace(std::make_pair(p.x, p.y), g.at.size());
    if (l.second) {
      g.at.push_back(p);
    }
    g.pinVertex.push_back(l.first->second);
  }
  for (const auto& [a, b] : plan.pieces) {
    g.link(a, b, {plan.nodes[a], plan.nodes[b]});
  }
  return g;
}

// Drops repeated points and points that lie straight between their
// neighbours; keeps two points where all are one.
std::vector<Point> simplePath(const std::vector<RoutePoint>& pts) {
  std::vector<Point> path;
  auto between = [](float a, float m, float b) {
    return (a <= m && m <= b) || (b <= m && m <= a);
  };
  for (const RoutePoint& p : pts) {
    Point q{p.x, p.y};
    if (!path.empty() && path.back() == q) {
      continue;
    }
    size_t n = path.size();
    if (n >= 2) {
      const Point& a = path[n - 2];
      const Point& m = path[n - 1];
      if ((a.x == m.x && m.x == q.x && between(a.y, m.y, q.y)) ||
          (a.y == m.y && m.y == q.y && between(a.x, m.x, q.x))) {
        path.back() = q;
        continue;
      }
    }
    path.push_back(q);
  }
  if (path.size() == 1) {
    path.push_back(path[0]);
  }
  return path;
}

// Nodes, edges and parents from the graph: pins and the points where the
// drawing branches (or ends) are nodes; an edge runs from node to node
// through points of two links each. Each part is walked breadth-first from
// its first node, links taken in their order.
void buildTree(const Graph& g, Tree& t) {
  size_t nv = g.at.size();
  std::vector<std::vector<int>> incident(nv);
  for (size_t l = 0; l < g.links.size(); ++l) {
    auto [a, b] = g.links[l];
    if (a != b) {
      incident[a].push_back(static_cast<int>(l));
      incident[b].push_back(static_cast<int>(l));
    }
  }
  std::vector<int> nodeOf(nv, -1);
  std::vector<int> vertexOf;
  // A chain of links between two nodes, its points from the first.
  struct Chain {
    int a;
    int b;
    std::vector<RoutePoint> points;
  };
  std::vector<Chain> chains;
  for (size_t i = 0; i < g.pinVertex.size(); ++i) {
    int v = g.pinVertex[i];
    t.nodes.push_back({{g.at[v].x, g.at[v].y}, NodeKind::pin, -1, -1});
    vertexOf.push_back(v);
    if (nodeOf[v] < 0) {
      nodeOf[v] = static_cast<int>(i);
    } else {
      chains.push_back({nodeOf[v], static_cast<int>(i), {g.at[v], g.at[v]}});
    }
  }
  for (size_t v = 0; v < nv; ++v) {
    if (nodeOf[v] < 0 && !incident[v].empty() && incident[v].size() != 2) {
      nodeOf[v] = static_cast<int>(t.nodes.size());
      vertexOf.push_back(static_cast<int>(v));
      t.nodes.push_back(
          {{g.at[v].x, g.at[v].y}, NodeKind::steinerPoint, -1, -1});
    }
  }

  std::vector<char> used(g.links.size(), 0);
  for (size_t n = 0; n < t.nodes.size(); ++n) {
    int start = vertexOf[n];
    if (nodeOf[start] != static_cast<int>(n)) {
      continue;  // a second pin at its place
    }
    for (int first : incident[start]) {
      if (used[first]) {
        continue;
      }
      Chain c{static_cast<int>(n), -1, {}};
      int cur = start, l = first;
      for (;;) {
        used[l] = 1;
        const std::vector<RoutePoint>& pts = g.linkPoints[l];
        bool forward = g.links[l].first == cur;
        size_t skip = c.points.empty() ? 0 : 1;
        for (size_t k = skip; k < pts.size(); ++k) {
          c.points.push_back(forward ? pts[k] : pts[pts.size() - 1 - k]);
        }
        int next = forward ? g.links[l].second : g.links[l].first;
        if (nodeOf[next] >= 0) {
          c.b = nodeOf[next];
          break;
        }
        int other =
            incident[next][0] == l ? incident[next][1] : incident[next][0];
        if (used[other]) {
          break;  // a loop through no node: not part of the tree
        }
        cur = next;
        l = other;
      }
      if (c.b >= 0) {
        chains.push_back(std::move(c));
      }
    }
  }

  std::vector<std::vector<int>> around(t.nodes.size());
  for (size_t c = 0; c < chains.size(); ++c) {
    around[chains[c].a].push_back(static_cast<int>(c));
    around[chains[c].b].push_back(static_cast<int>(c));
  }
  std::vector<char> reached(t.nodes.size(), 0);
  std::vector<int> queue;
  for (size_t root = 0; root < t.nodes.size(); ++root) {
    if (reached[root]) {
      continue;
    }
    reached[root] = 1;
    queue.assign(1, static_cast<int>(root));
    for (size_t q = 0; q < queue.size(); ++q) {
      int u = queue[q];
      for (int c : around[u]) {
        const Chain& ch = chains[c];
        int w = ch.a == u ? ch.b : ch.a;
        if (reached[w]) {
          continue;
        }
        reached[w] = 1;
        queue.push_back(w);
        t.nodes[w].parent = u;
        Edge e{u, w, simplePath(ch.points)};
        if (ch.a != u) {
          std::reverse(e.path.begin(), e.path.end());
        }
        t.edges.push_back(std::move(e));
      }
    }
  }
  std::sort(t.edges.begin(), t.edges.end(),
            [](const Edge& a, const Edge& b) { return a.to < b.to; });
  for (size_t e = 0; e < t.edges.size(); ++e) {
    t.nodes[t.edges[e].to].edge = static_cast<int>(e);
  }
}

double planLength(const WirePlan& plan) {
  double len = 0;
  for (const auto& [a, b] : plan.pieces) {
    len += std::fabs(static_cast<double>(plan.nodes[b].x) - plan.nodes[a].x) +
           std::fabs(static_cast<double>(plan.nodes[b].y) - plan.nodes[a].y);
  }
  return len;
}

std::string pointText(float x, float y) {
  return "(" + formatCoord(x) + ", " + formatCoord(y) + ")";
}

// The pins of a net as the pipeline takes them, or a status saying why not.
bool singlePins(const Obstacles& obstacles,
                const Net& net,
                std::vector<RoutePoint>& pins,
                Tree& t) {
  for (size_t i = 0; i < net.size(); ++i) {
    float x, y;
    std::string why;
    bool xOk = toSingle(net[i].x, x, &why);
    if (!xOk || !toSingle(net[i].y, y, &why)) {
      t.status = Status::badCoordinate;
      t.message =
          "pin " + std::to_string(i + 1) + ": " + (xOk ? "y " : "x ") + why;
      return false;
    }
    pins.push_back({x, y});
  }
  const ObstacleIndex& index = obstacles.index();
  for (size_t i = 0; i < pins.size() && !index.empty(); ++i) {
    int r = index.containing(pins[i].x, pins[i].y);
    if (r >= 0) {
      const ObstacleIndex::Rect& o = index.rects()[r];
      t.status = Status::pinInsideObstacle;
      t.message =
          "pin " + std::to_string(i + 1) + " " +
          pointText(pins[i].x, pins[i].y) + " lies strictly inside obstacle " +
          std::to_string(r + 1) + " " + pointText(o.xlo, o.ylo) + "-" +
          pointText(o.xhi, o.yhi) + "; no obstacle-avoiding tree exists";
      return false;
    }
  }
  return true;
}

// The input vertices of a Router: the pins, then each chosen obstacle's
// corners in their order, linked into a ring.
class NetVertices {
 public:
  NetVertices(const std::vector<RoutePoint>& pins,
              const Obstacles& obstacles,
              const std::vector<int>& chosen) {
    owned_.reserve(pins.size() + 4 * chosen.size());
    for (const RoutePoint& p : pins) {
      add(p.x, p.y, "pin");
    }
    for (int r : chosen) {
      for (const Point& c : obstacles.corners()[r]) {
        add(static_cast<float>(c.x), static_cast<float>(c.y), "corner");
      }
      Vertex** v = &all[all.size() - 4];
      for (int k = 0; k < 4; ++k) {
        v[k]->pNextCorner = v[(k + 1) % 4];
        v[k]->pPrevCorner = v[(k + 3) % 4];
      }
    }
  }

  std::vector<Vertex*> all;

 private:
  void add(float x, float y, const char* type) {
    owned_.push_back(std::make_unique<Vertex>(x, y, type));
    all.push_back(owned_.back().get());
  }

  std::vector<std::unique_ptr<Vertex>> owned_;
};

void runEntry(Router& router, Form form) {
  switch (form) {
    case Form::spanningTree:
      router.formMST();
      break;
    case Form::unrefinedSteinerTree:
      router.formUnrefinedSMT();
      break;
    case Form::steinerTree:
      router.formSMT();
      break;
    case Form::optimizedSteinerTree:
      router.formOptimizedSMT();
      break;
  }
}

}  // namespace

Tree routeNet(const Obstacles& obstacles,
              const Net& net,
              const RouteOptions& options) {
  Tree t;
  std::vector<RoutePoint> pins;
  if (!singlePins(obstacles, net, pins, t) || pins.empty()) {
    return t;
  }
  std::vector<int> chosen;
  if (options.everyObstacle) {
    chosen.resize(obstacles.size());
    for (size_t r = 0; r < chosen.size(); ++r) {
      chosen[r] = static_cast<int>(r);
    }
  } else {
    std::vector<Point> exact;
    for (const RoutePoint& p : pins) {
      exact.push_back({p.x, p.y});
    }
    chosen = obstacles.near(exact);
  }
  NetVertices vertices(pins, obstacles, chosen);
  Finished f;
  {
    Router router(vertices.all);
    router.exactGraph = options.exactGraph;
    runEntry(router, options.form);
    f = readFinished(router, options.form);
    WirePlan plan = planWires(f.pieces, pins);
    t.wireLength = planLength(plan);
    if (drawsConnections(options.form)) {
      std::vector<Vertex*> pinVertices(vertices.all.begin(),
                                       vertices.all.begin() + pins.size());
      buildTree(graphOfConnections(pinVertices, f.connections), t);
    } else {
      buildTree(graphOfPlan(plan, pins), t);
    }
  }
  t.segments.reserve(f.pieces.size());
  for (const Wire& w : f.pieces) {
    t.segments.push_back({{w.x1, w.y1}, {w.x2, w.y2}});
  }
  t.parts = f.parts;
  if (t.parts > 1) {
    t.status = Status::forest;
    t.message = "obstacles keep the " + std::to_string(pins.size()) +
                " pins in " + std::to_string(t.parts) + " separate parts";
  }
  return t;
}

void routeNets(const Obstacles& obstacles,
               const std::vector<Net>& nets,
               const RouteOptions& options,
               const std::function<void(size_t, Tree&&)>& deliver,
               int threads) {
  threads = threadsFor(threads);
  // Room for a slow net to finish while the others run on.
  size_t window = 4096 * static_cast<size_t>(threads);
  std::vector<Tree> slots(std::min(window, nets.size()));
  runInOrder(
      nets.size(), threads, slots.size(),
      [&](size_t i) {
        slots[i % slots.size()] = routeNet(obstacles, nets[i], options);
      },
      [&](size_t i) { deliver(i, std::move(slots[i % slots.size()])); });
}

std::vector<Tree> routeNets(const Obstacles& obstacles,
                            const std::vector<Net>& nets,
                            const RouteOptions& options,
                            int threads) {
  std::vector<Tree> trees(nets.size());
  // Each net's own slot: no window is needed.
  runInOrder(
      nets.size(), threads, nets.size(),
      [&](size_t i) { trees[i] = routeNet(obstacles, nets[i], options); },
      [](size_t) {});
  return trees;
}

}  // namespace treecore
