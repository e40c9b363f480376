#include "treecore/route.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>

#include "check/checkTree.h"
#include "geometry/segment.h"
#include "geometry/vertex.h"
#include "options/flatSteiner.h"
#include "options/improveTree.h"
#include "options/pathBound.h"
#include "router/router.h"
#include "spatial/escapeGraph.h"
#include "spatial/obstacleIndex.h"
#include "spatial/wirePlan.h"
#include "support/formatCoord.h"
#include "treecore/flatRoute.h"
#include "treecore/inOrder.h"
#include "treecore/obstaclesAccess.h"
#include "treecore/pointKey.h"

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

// A tree connection as drawn: its route's points from its end lower by x,
// then y, to the other.
using Drawn = std::vector<RoutePoint>;

// What a pipeline entry leaves, as its program writes it.
struct Finished {
  std::vector<Wire> pieces;  // in the order they are written
  // For the spanning tree and the unrefined form only, in the same order.
  std::vector<Drawn> connections;
  int parts = 0;           // that the pins form
  double lowerBound = -1;  // when asked for
};

bool drawsConnections(Form form) {
  return form == Form::spanningTree || form == Form::unrefinedSteinerTree;
}

// What a finished Router leaves, as its entry's export writes it: the
// pieces, and the parts the pins form; with connections, also the drawn
// connections, for the spanning tree and the unrefined form.
Finished readFinished(const Router& router, Form form, bool connections) {
  Finished f;
  f.pieces = router.drawnPieces();
  if (connections && drawsConnections(form)) {
    std::vector<DrawnConnection> drawn = router.drawnConnections();
    f.connections.reserve(drawn.size());
    for (DrawnConnection& c : drawn) {
      f.connections.push_back(std::move(c.points));
    }
  }
  f.parts = router.pinPartCount;
  return f;
}

// The drawing as a graph: points, the point of each pin, and links between
// points, each with its points from its first end to its second, all in one
// list.
struct Graph {
  std::vector<RoutePoint> at;
  std::vector<int> pinVertex;
  std::vector<std::pair<int, int>> links;
  std::vector<RoutePoint> points;
  std::vector<size_t> pointsFrom{0};  // link l: from [l] to [l + 1]

  template <class It>
  void link(int a, int b, It first, It last) {
    links.emplace_back(a, b);
    points.insert(points.end(), first, last);
    pointsFrom.push_back(points.size());
  }
};

using detail::keyOf;
using detail::pointOf;

// The connections' ends become points, one per place: drawn wire that
// reaches one place is joined there, and connections of no length are not
// drawn. The pins' places come first, in order, then the others as the
// connections reach them.
Graph graphOfConnections(const std::vector<RoutePoint>& pins,
                         const std::vector<Drawn>& connections) {
  Graph g;
  std::unordered_map<std::uint64_t, int> id;
  auto pointId = [&](RoutePoint p) {
    auto it = id.emplace(keyOf(p), static_cast<int>(g.at.size()));
    if (it.second) {
      g.at.push_back(p);
    }
    return it.first->second;
  };
  for (const RoutePoint& p : pins) {
    g.pinVertex.push_back(pointId(p));
  }
  for (const Drawn& d : connections) {
    g.link(pointId(d.front()), pointId(d.back()), d.begin(), d.end());
  }
  return g;
}

// By x, then y; a function object, so that sorts inline it.
struct LessPoint {
  bool operator()(const RoutePoint& a, const RoutePoint& b) const {
    return a.x < b.x || (a.x == b.x && a.y < b.y);
  }
};
const LessPoint lessPoint;

// The graph of wires that meet only at shared ends and never overlap, as
// the refined forms' segments do: a point at every end and at every pin,
// a pin inside a wire cutting it in two, a pin on no wire a point of its
// own, shared with pins at its place.
Graph graphOfEnds(const std::vector<Wire>& wires,
                  const std::vector<RoutePoint>& pins) {
  // Each wire along its line: y and x for horizontal ones, x and y for
  // vertical ones; a pin inside one is found by a binary search.
  struct Run {
    float line;
    float lo;
    float hi;
    int wire;
  };
  auto byLine = [](const Run& a, const Run& b) {
    return a.line < b.line || (a.line == b.line && a.lo < b.lo);
  };
  std::vector<Run> across, along;
  for (size_t i = 0; i < wires.size(); ++i) {
    const Wire& w = wires[i];
    if (w.y1 == w.y2 && w.x1 != w.x2) {
      across.push_back({w.y1, std::min(w.x1, w.x2), std::max(w.x1, w.x2),
                        static_cast<int>(i)});
    } else if (w.x1 == w.x2 && w.y1 != w.y2) {
      along.push_back({w.x1, std::min(w.y1, w.y2), std::max(w.y1, w.y2),
                       static_cast<int>(i)});
    }
  }
  std::sort(across.begin(), across.end(), byLine);
  std::sort(along.begin(), along.end(), byLine);
  auto inside = [&byLine](const std::vector<Run>& runs, float line, float at) {
    auto it = std::upper_bound(runs.begin(), runs.end(), Run{line, at, at, -1},
                               byLine);
    if (it == runs.begin()) {
      return -1;
    }
    --it;
    return it->line == line && it->lo < at && at < it->hi ? it->wire : -1;
  };
  std::vector<std::pair<int, RoutePoint>> cuts;
  for (const RoutePoint& p : pins) {
    int w = inside(across, p.y, p.x);
    w = w >= 0 ? w : inside(along, p.x, p.y);
    if (w >= 0) {
      cuts.emplace_back(w, p);
    }
  }
  std::vector<std::uint64_t> keys;
  keys.reserve(2 * wires.size() + cuts.size());
  for (const Wire& w : wires) {
    keys.push_back(keyOf({w.x1, w.y1}));
    keys.push_back(keyOf({w.x2, w.y2}));
  }
  for (const auto& c : cuts) {
    keys.push_back(keyOf(c.second));
  }
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  Graph g;
  g.at.reserve(keys.size());
  for (std::uint64_t k : keys) {
    g.at.push_back(pointOf(k));
  }
  size_t placed = g.at.size();
  auto find = [&keys](RoutePoint p) {
    std::uint64_t k = keyOf(p);
    auto it = std::lower_bound(keys.begin(), keys.end(), k);
    return it != keys.end() && *it == k ? static_cast<int>(it - keys.begin())
                                        : -1;
  };
  // A wire's cuts in order from its first end.
  std::sort(cuts.begin(), cuts.end(), [&wires](const auto& a, const auto& b) {
    if (a.first != b.first) {
      return a.first < b.first;
    }
    const Wire& w = wires[a.first];
    bool up = w.x1 < w.x2 || w.y1 < w.y2;
    return up ? lessPoint(a.second, b.second) : lessPoint(b.second, a.second);
  });
  size_t c = 0;
  for (size_t i = 0; i < wires.size(); ++i) {
    RoutePoint from{wires[i].x1, wires[i].y1};
    for (; c < cuts.size() && cuts[c].first == static_cast<int>(i); ++c) {
      RoutePoint pts[2] = {from, cuts[c].second};
      g.link(find(pts[0]), find(pts[1]), pts, pts + 2);
      from = cuts[c].second;
    }
    RoutePoint pts[2] = {from, {wires[i].x2, wires[i].y2}};
    g.link(find(pts[0]), find(pts[1]), pts, pts + 2);
  }
  for (const RoutePoint& p : pins) {
    int v = find(p);
    for (size_t k = placed; k < g.at.size() && v < 0; ++k) {
      v = g.at[k] == p ? static_cast<int>(k) : -1;
    }
    if (v < 0) {
      v = static_cast<int>(g.at.size());
      g.at.push_back(p);
    }
    g.pinVertex.push_back(v);
  }
  return g;
}

std::vector<Point> simplePath(const std::vector<RoutePoint>& pts) {
  std::vector<Point> path;
  for (const RoutePoint& p : bendsOnly(pts)) {
    path.push_back({p.x, p.y});
  }
  return path;
}

// Adjacency lists in one array: the items of list k are
// items[first[k]] .. items[first[k + 1] - 1], in the order they were given.
struct Lists {
  std::vector<int> first;
  std::vector<int> items;

  // pairs[i] = (list, item).
  Lists(size_t lists, const std::vector<std::pair<int, int>>& pairs)
      : first(lists + 1, 0), items(pairs.size()) {
    for (const auto& p : pairs) {
      ++first[p.first + 1];
    }
    for (size_t k = 0; k < lists; ++k) {
      first[k + 1] += first[k];
    }
    std::vector<int> at(first.begin(), first.end() - 1);
    for (const auto& p : pairs) {
      items[at[p.first]++] = p.second;
    }
  }
  int size(int k) const { return first[k + 1] - first[k]; }
  int operator()(int k, int i) const { return items[first[k] + i]; }
};

// Nodes, edges and parents from the graph: pins and the points where the
// drawing branches (or ends) are nodes; an edge runs from node to node
// through points of two links each. Each part is walked breadth-first from
// its first node, links taken in their order; the pins come first, so a
// part that holds one is walked from it.
void buildTree(const Graph& g, Tree& t) {
  int nv = static_cast<int>(g.at.size());
  std::vector<std::pair<int, int>> ends;
  ends.reserve(2 * g.links.size());
  for (size_t l = 0; l < g.links.size(); ++l) {
    auto [a, b] = g.links[l];
    if (a != b) {
      ends.emplace_back(a, static_cast<int>(l));
      ends.emplace_back(b, static_cast<int>(l));
    }
  }
  Lists incident(nv, ends);
  std::vector<int> nodeOf(nv, -1);
  std::vector<int> vertexOf;
  // Chains of links between two nodes, their points from the first, all in
  // one list.
  std::vector<std::pair<int, int>> chainEnds;
  std::vector<size_t> chainFrom;
  std::vector<RoutePoint> chainPoints;
  t.nodes.reserve(g.pinVertex.size());
  for (size_t i = 0; i < g.pinVertex.size(); ++i) {
    int v = g.pinVertex[i];
    t.nodes.push_back({{g.at[v].x, g.at[v].y}, NodeKind::pin, -1, -1});
    vertexOf.push_back(v);
    if (nodeOf[v] < 0) {
      nodeOf[v] = static_cast<int>(i);
    } else {
      chainEnds.emplace_back(nodeOf[v], static_cast<int>(i));
      chainFrom.push_back(chainPoints.size());
      chainPoints.insert(chainPoints.end(), 2, g.at[v]);
    }
  }
  for (int v = 0; v < nv; ++v) {
    int degree = incident.size(v);
    if (nodeOf[v] < 0 && degree > 0 && degree != 2) {
      nodeOf[v] = static_cast<int>(t.nodes.size());
      vertexOf.push_back(v);
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
    for (int i = 0; i < incident.size(start); ++i) {
      int l = incident(start, i);
      if (used[l]) {
        continue;
      }
      size_t from = chainPoints.size();
      int cur = start;
      int end = -1;
      for (;;) {
        used[l] = 1;
        const RoutePoint* pts = g.points.data() + g.pointsFrom[l];
        size_t count = g.pointsFrom[l + 1] - g.pointsFrom[l];
        bool forward = g.links[l].first == cur;
        for (size_t k = chainPoints.size() == from ? 0 : 1; k < count; ++k) {
          chainPoints.push_back(forward ? pts[k] : pts[count - 1 - k]);
        }
        int next = forward ? g.links[l].second : g.links[l].first;
        if (nodeOf[next] >= 0) {
          end = nodeOf[next];
          break;
        }
        int other =
            incident(next, 0) == l ? incident(next, 1) : incident(next, 0);
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
      chainEnds.emplace_back(static_cast<int>(n), end);
      chainFrom.push_back(from);
    }
  }
  chainFrom.push_back(chainPoints.size());

  std::vector<std::pair<int, int>> nodeChains;
  nodeChains.reserve(2 * chainEnds.size());
  for (size_t c = 0; c < chainEnds.size(); ++c) {
    nodeChains.emplace_back(chainEnds[c].first, static_cast<int>(c));
    nodeChains.emplace_back(chainEnds[c].second, static_cast<int>(c));
  }
  Lists around(t.nodes.size(), nodeChains);
  std::vector<char> reached(t.nodes.size(), 0);
  std::vector<int> queue;
  std::vector<RoutePoint> pts;
  for (size_t root = 0; root < t.nodes.size(); ++root) {
    if (reached[root]) {
      continue;
    }
    reached[root] = 1;
    queue.assign(1, static_cast<int>(root));
    for (size_t q = 0; q < queue.size(); ++q) {
      int u = queue[q];
      for (int i = 0; i < around.size(u); ++i) {
        int c = around(u, i);
        auto [a, b] = chainEnds[c];
        int w = a == u ? b : a;
        if (reached[w]) {
          continue;
        }
        reached[w] = 1;
        queue.push_back(w);
        t.nodes[w].parent = u;
        pts.assign(chainPoints.begin() + chainFrom[c],
                   chainPoints.begin() + chainFrom[c + 1]);
        if (a != u) {
          std::reverse(pts.begin(), pts.end());
        }
        t.edges.push_back({u, w, simplePath(pts)});
      }
    }
  }
  std::sort(t.edges.begin(), t.edges.end(),
            [](const Edge& a, const Edge& b) { return a.to < b.to; });
  for (size_t e = 0; e < t.edges.size(); ++e) {
    t.nodes[t.edges[e].to].edge = static_cast<int>(e);
  }
}

// Where a net is routed: shifted by an integer origin when a coordinate of
// it is a wide integer, where it is as given otherwise.
struct Frame {
  bool framed = false;
  double x = 0;
  double y = 0;
};

// A routed coordinate as the decimal the writers print, as a double, in the
// frame's coordinates: v is a float the pipeline computed.
double backOf(double v, double origin, bool framed) {
  float f = static_cast<float>(v);
  // The usual integer is its own decimal, without the general search.
  bool whole =
      std::fabs(f) < 1e9f && f == static_cast<float>(static_cast<long>(f));
  double c = whole ? static_cast<double>(f) : canonicalDouble(f);
  return framed ? origin + c : c;
}

Point backPoint(const Point& p, const Frame& f) {
  return {backOf(p.x, f.x, f.framed), backOf(p.y, f.y, f.framed)};
}

// A tree's coordinates are the decimals the writers print, as doubles, back
// in the net's own place, and its length is summed over them as a checker
// reading the output would. Reads the tree's single-precision values,
// leaves their decimals and the length.
void canonicalize(Tree& t, const Frame& frame, bool measure) {
  for (Node& n : t.nodes) {
    n.at = backPoint(n.at, frame);
  }
  for (Edge& e : t.edges) {
    for (Point& p : e.path) {
      p = backPoint(p, frame);
    }
  }
  for (Segment& s : t.segments) {
    s = {backPoint(s.a, frame), backPoint(s.b, frame)};
  }
  if (!measure) {
    return;
  }
  std::vector<Piece> pieces;
  pieces.reserve(t.segments.size());
  for (const Segment& s : t.segments) {
    pieces.push_back({s.a.x, s.a.y, s.b.x, s.b.y});
  }
  t.wireLength = unionLength(pieces);
}

std::string pointText(double x, double y) {
  return "(" + coordText(x) + ", " + coordText(y) + ")";
}

// Checks the coordinates of a net: each a float, left in pins, or a wide
// integer (wide set). False with the status for the first that is neither.
bool checkPins(const Net& net,
               std::vector<RoutePoint>& pins,
               bool& wide,
               Tree& t) {
  pins.reserve(net.size());
  for (size_t i = 0; i < net.size(); ++i) {
    float c[2] = {0, 0};
    double v[2] = {net[i].x, net[i].y};
    for (int k = 0; k < 2; ++k) {
      // The usual coordinate, an integer a float holds, as toSingle takes
      // it first, without the call (two a pin, on every net).
      if (std::fabs(v[k]) < 1e9 &&
          v[k] == static_cast<double>(static_cast<long>(v[k])) &&
          static_cast<double>(static_cast<float>(v[k])) == v[k]) {
        c[k] = static_cast<float>(v[k]);
        continue;
      }
      std::string why;
      if (toSingle(v[k], c[k], &why)) {
        continue;
      }
      if (!isWideInteger(v[k])) {
        t.status = Status::badCoordinate;
        t.badPin = static_cast<int>(i);
        t.message =
            "pin " + std::to_string(i + 1) + ": " + (k ? "y " : "x ") + why;
        return false;
      }
      wide = true;
    }
    pins.push_back({c[0], c[1]});
  }
  return true;
}

// The pins' box grown by the chosen obstacles, in double precision.
Rect boxOf(const Obstacles& obstacles,
           const Net& net,
           const std::vector<int>& chosen) {
  Rect box{net[0].x, net[0].y, net[0].x, net[0].y};
  for (const Point& p : net) {
    box = plane::hull(box, Rect{p.x, p.y, p.x, p.y});
  }
  for (int r : chosen) {
    box = plane::hull(box, detail::ObstaclesAccess::rect(obstacles, r));
  }
  return box;
}

std::string numberText(double v) {
  char dec[40];
  return std::string(dec, std::to_chars(dec, dec + sizeof dec, v).ptr);
}

// The frame of a net with a wide integer coordinate: the lower-left corner
// of its grown box, rounded down to integers; the pins and the chosen
// rings shifted there, each exactly a float whose decimal, shifted back,
// is the coordinate given. False with the status where the box is too
// wide for that, or a coordinate is not so.
bool shiftToFrame(const Obstacles& obstacles,
                  const Net& net,
                  const std::vector<int>& chosen,
                  Frame& frame,
                  std::vector<RoutePoint>& pins,
                  std::vector<std::array<RoutePoint, 4>>& rings,
                  Tree& t) {
  Rect box = boxOf(obstacles, net, chosen);
  double w = box.xhi - box.xlo;
  double h = box.yhi - box.ylo;
  if (!(w <= kWidestFrame && h <= kWidestFrame)) {
    t.status = Status::badCoordinate;
    t.message = "the net's grown box spans " + numberText(w >= h ? w : h) +
                (w >= h ? " in x" : " in y") +
                "; a net with coordinates single precision cannot hold may "
                "span at most " +
                numberText(kWidestFrame);
    return false;
  }
  frame = {true, std::floor(box.xlo), std::floor(box.ylo)};
  auto shift = [&](double v, double origin, float& out) {
    float f;
    if (toSingle(v - origin, f) && origin + canonicalDouble(f) == v) {
      out = f;
      return true;
    }
    t.status = Status::badCoordinate;
    t.message = coordText(v) + " is not exact shifted by " +
                numberText(origin) + " into its net's frame";
    return false;
  };
  for (size_t i = 0; i < net.size(); ++i) {
    if (!shift(net[i].x, frame.x, pins[i].x) ||
        !shift(net[i].y, frame.y, pins[i].y)) {
      return false;
    }
  }
  rings.resize(chosen.size());
  for (size_t k = 0; k < chosen.size(); ++k) {
    std::array<Point, 4> ring =
        detail::ObstaclesAccess::ring(obstacles, chosen[k]);
    for (int c = 0; c < 4; ++c) {
      if (!shift(ring[c].x, frame.x, rings[k][c].x) ||
          !shift(ring[c].y, frame.y, rings[k][c].y)) {
        return false;
      }
    }
  }
  return true;
}

// No tree avoids an obstacle whose open interior holds a pin; such an
// obstacle meets the pins' box, so it is among the chosen, whose rings are
// given in the net's frame. False, with the status, for the first such
// pin.
bool pinsOutside(const Obstacles& obstacles,
                 const std::vector<int>& chosen,
                 const std::vector<std::array<RoutePoint, 4>>& rings,
                 const Net& net,
                 const std::vector<RoutePoint>& pins,
                 bool framed,
                 Tree& t) {
  const ObstacleIndex& index = detail::ObstaclesAccess::index(obstacles);
  const size_t kScanned = 64;  // more are searched through the index
  // The index holds wide obstacles rounded: framed nets scan.
  bool indexed = chosen.size() > kScanned && !framed;
  for (size_t i = 0; i < pins.size() && !chosen.empty(); ++i) {
    const RoutePoint& p = pins[i];
    int r = -1;
    if (indexed) {
      r = index.containing(p.x, p.y);
    }
    for (size_t k = 0; k < chosen.size() && !indexed && r < 0; ++k) {
      float xlo = std::min(rings[k][0].x, rings[k][2].x);
      float xhi = std::max(rings[k][0].x, rings[k][2].x);
      float ylo = std::min(rings[k][0].y, rings[k][2].y);
      float yhi = std::max(rings[k][0].y, rings[k][2].y);
      r = xlo < p.x && p.x < xhi && ylo < p.y && p.y < yhi ? chosen[k] : -1;
    }
    if (r >= 0) {
      // Among overlapping obstacles, the one the index names, as it names
      // it among many: the message must not depend on how many are near.
      // (The index holds wide obstacles rounded: not for framed nets.)
      int named = framed ? -1 : index.containing(p.x, p.y);
      r = named >= 0 ? named : r;
      Rect o = detail::ObstaclesAccess::rect(obstacles, r);
      t.status = Status::pinInsideObstacle;
      t.badPin = static_cast<int>(i);
      t.badObstacle = r;
      t.message =
          "pin " + std::to_string(i + 1) + " " + pointText(net[i].x, net[i].y) +
          " lies strictly inside obstacle " + std::to_string(r + 1) + " " +
          pointText(o.xlo, o.ylo) + "-" + pointText(o.xhi, o.yhi) +
          "; no obstacle-avoiding tree exists";
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
              const std::vector<std::array<RoutePoint, 4>>& rings) {
    all.reserve(pins.size() + 4 * rings.size());
    for (const RoutePoint& p : pins) {
      all.push_back(new Vertex(p.x, p.y, "pin"));
    }
    for (const auto& ring : rings) {
      for (const RoutePoint& c : ring) {
        all.push_back(new Vertex(c.x, c.y, "corner"));
      }
      Vertex** v = &all[all.size() - 4];
      for (int k = 0; k < 4; ++k) {
        v[k]->pNextCorner = v[(k + 1) % 4];
        v[k]->pPrevCorner = v[(k + 3) % 4];
      }
    }
  }
  NetVertices(const NetVertices&) = delete;
  NetVertices& operator=(const NetVertices&) = delete;
  ~NetVertices() {
    for (Vertex* v : all) {
      delete v;
    }
  }

  // Owned: the Router only points at them.
  std::vector<Vertex*> all;
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

// What the pipeline leaves for one or two pins and no obstacle, without
// it: the connection from the lower pin (by x, then y) drawn as its L,
// horizontal leg first; refined, the L's legs as segments, each from its
// lower end, ordered as their lower ends are in the Router's list (the
// pins, then the bend); a straight connection is one segment. Most nets of
// a design are such; a test holds this to the pipeline on every placing.
// False where the pipeline must run.
bool finishAlone(const std::vector<RoutePoint>& pins, Form form, Finished& f) {
  if (pins.size() > 2 || form == Form::optimizedSteinerTree) {
    return false;
  }
  f.parts = 1;
  if (pins.size() == 1 || pins[0] == pins[1]) {
    return true;
  }
  RoutePoint u = lessPoint(pins[0], pins[1]) ? pins[0] : pins[1];
  RoutePoint v = lessPoint(pins[0], pins[1]) ? pins[1] : pins[0];
  RoutePoint bend{v.x, u.y};
  if (drawsConnections(form)) {
    f.pieces = {{u.x, u.y, bend.x, bend.y}, {bend.x, bend.y, v.x, v.y}};
    f.connections = {{u, bend, v}};
  } else if (u.x == v.x || u.y == v.y) {
    f.pieces = {{u.x, u.y, v.x, v.y}};
  } else {
    for (const RoutePoint& p : pins) {
      if (lessPoint(p, bend)) {
        f.pieces.push_back({p.x, p.y, bend.x, bend.y});
      }
    }
    for (const RoutePoint& p : pins) {
      if (lessPoint(bend, p)) {
        f.pieces.push_back({bend.x, bend.y, p.x, p.y});
      }
    }
  }
  return true;
}

// What formOptimizedSMT leaves for a net of up to kFlatExactPins positions
// that no obstacle comes near, without a Router: the same wires. False for
// a larger one, which needs the pipeline's tree.
bool finishFlat(const std::vector<RoutePoint>& pins,
                FlatScratch& scratch,
                Finished& f) {
  if (flatPlaces(pins) > kFlatExactPins) {
    return false;
  }
  f.pieces = solveFlatTree(pins, scratch);
  f.parts = 1;
  return true;
}

// The shortest obstacle-avoiding distance from the first pin to each pin,
// among the chosen obstacles, which the tree avoids.
// The chosen obstacles' own index, from the corners the net is routed
// among (shifted with the net when it has its own frame).
ObstacleIndex chosenIndex(const std::vector<std::array<RoutePoint, 4>>& rings) {
  std::vector<ObstacleIndex::Rect> rects;
  rects.reserve(rings.size());
  for (const auto& ring : rings) {
    ObstacleIndex::Rect r{ring[0].x, ring[0].y, ring[0].x, ring[0].y};
    for (const RoutePoint& c : ring) {
      r = {std::min(r.xlo, c.x), std::min(r.ylo, c.y), std::max(r.xhi, c.x),
           std::max(r.yhi, c.y)};
    }
    rects.push_back(r);
  }
  return ObstacleIndex(std::move(rects));
}

std::vector<double> shortestFromFirst(
    const std::vector<std::array<RoutePoint, 4>>& rings,
    const std::vector<RoutePoint>& pins) {
  if (rings.empty()) {
    std::vector<double> d;
    d.reserve(pins.size());
    for (const RoutePoint& p : pins) {
      d.push_back(std::fabs(static_cast<double>(p.x) - pins[0].x) +
                  std::fabs(static_cast<double>(p.y) - pins[0].y));
    }
    return d;
  }
  ObstacleIndex index = chosenIndex(rings);
  return EscapeGraph(index).distances(pins[0], pins);
}

}  // namespace

namespace {

// What the pipeline routes: the pins and the chosen obstacles' rings, in
// the net's frame.
struct PreparedNet {
  std::vector<RoutePoint> pins;
  std::vector<int> chosen;
  std::vector<std::array<RoutePoint, 4>> rings;
  Frame frame;
  bool framed = false;
};

// Reads the net and the obstacles, leaves the pins and the obstacles the
// pipeline routes them among; false, with the status of a refused net in
// t, where it must not run, and for a net without pins.
bool prepareNet(const Obstacles& obstacles,
                const Net& net,
                const RouteOptions& options,
                PreparedNet& prepared,
                Tree& t) {
  std::vector<RoutePoint>& pins = prepared.pins;
  std::vector<int>& chosen = prepared.chosen;
  std::vector<std::array<RoutePoint, 4>>& rings = prepared.rings;
  Frame& frame = prepared.frame;
  bool widePins = false;
  if (!checkPins(net, pins, widePins, t) || pins.empty()) {
    return false;
  }
  if (options.everyObstacle) {
    chosen.resize(obstacles.size());
    for (size_t r = 0; r < chosen.size(); ++r) {
      chosen[r] = static_cast<int>(r);
    }
  } else if (obstacles.size() > 0) {
    // Without obstacles none is chosen: no box to grow.
    Rect box = boxOf(obstacles, net, {});
    chosen = detail::ObstaclesAccess::grow(obstacles, box, widePins);
  }
  bool& framed = prepared.framed;
  framed = widePins;
  for (size_t k = 0; k < chosen.size() && !framed &&
                     detail::ObstaclesAccess::anyWide(obstacles);
       ++k) {
    framed = detail::ObstaclesAccess::wide(obstacles, chosen[k]);
  }
  // A net that single precision holds is routed where it is, as ever.
  if (framed) {
    if (!shiftToFrame(obstacles, net, chosen, frame, pins, rings, t)) {
      return false;
    }
  } else {
    rings.resize(chosen.size());
    for (size_t k = 0; k < chosen.size(); ++k) {
      rings[k] = detail::ObstaclesAccess::singleRing(obstacles, chosen[k]);
    }
  }
  return pinsOutside(obstacles, chosen, rings, net, pins, framed, t);
}

}  // namespace

Tree checkNet(const Obstacles& obstacles,
              const Net& net,
              const RouteOptions& options) {
  Tree t;
  PreparedNet prepared;
  prepareNet(obstacles, net, options, prepared, t);
  return t;
}

namespace {

// formOptimizedSMT's tree at effort 1 of a net that no obstacle comes near
// with more places than the obstacle-free solver takes whole, up to
// kFlatBreakPins: the best break into two exact halves, unless the
// pipeline's tree is shorter (built beyond kFlatBreakAlonePins). The same
// tree, without the optimized form's Router pass over the chosen wires: a
// break's clean wires become the tree as the solver's do (flatTreeOf), the
// pipeline's as routeOne reads them.
// Reads the obstacles (none near the net), the pins and the options;
// leaves t. False, t untouched, for another net, form or effort, or where
// a bound, timing, a path bound or stage reports are asked for.
bool routeBrokenFlat(const Obstacles& obstacles,
                     const std::vector<RoutePoint>& pins,
                     const RouteOptions& options,
                     RouterScratch& scratch,
                     Tree& t) {
  if (options.form != Form::optimizedSteinerTree || options.effort > 1 ||
      options.bound || options.timing || options.pathBound >= 0 ||
      options.stageDone) {
    return false;
  }
  int distinct = flatPlaces(pins);
  if (distinct <= kFlatExactPins ||
      distinct > static_cast<int>(kFlatBreakPins)) {
    return false;
  }
  std::vector<Wire> smt;
  if (distinct > kFlatBreakAlonePins) {
    // The pipeline's tree, on the Router routeOne would build.
    NetVertices vertices(pins, {});
    Router router(vertices.all, &scratch);
    if (obstacles.size() == 0) {
      router.legal.shareObstacles(&detail::ObstaclesAccess::index(obstacles));
    }
    router.options.exactGraph = options.exactGraph;
    router.options.effort = options.effort;
    router.formSMT();
    smt.reserve(router.segments.size());
    for (const ::Segment* s : router.segments) {
      smt.push_back({s->x1, s->y1, s->x2, s->y2});
    }
  }
  // After the Router, which leaves the flat scratch's grid as it may.
  std::vector<Wire> tree;
  breakFlatTreeTo(pins, scratch.flat, tree);
  if (smt.empty() || !(wireLength(smt) < wireLength(tree))) {
    detail::flatTreeOf(pins, tree, options, scratch.flat, t);
    return true;
  }
  if (!options.drawingOnly) {
    buildTree(graphOfEnds(smt, pins), t);
  }
  t.parts = 1;
  t.segments.reserve(smt.size());
  for (const Wire& w : smt) {
    t.segments.push_back({{w.x1, w.y1}, {w.x2, w.y2}});
  }
  canonicalize(t, Frame(), options.measureLength);
  return true;
}

// The segments of a tree handed on a run at a time.
const size_t kSegmentRun = 4096;

void deliverSegments(Tree& t, const SegmentSink& deliver) {
  std::vector<Segment> run;
  for (size_t from = 0; from < t.segments.size(); from += kSegmentRun) {
    size_t to = std::min(t.segments.size(), from + kSegmentRun);
    run.assign(t.segments.begin() + static_cast<std::ptrdiff_t>(from),
               t.segments.begin() + static_cast<std::ptrdiff_t>(to));
    deliver(run);
  }
  t.segments = std::vector<Segment>();
}

// routeNet, with the net freed once read where owned is it, and the
// segments handed to deliver where set.
Tree routeOne(const Obstacles& obstacles,
              const Net& net,
              Net* owned,
              const RouteOptions& options,
              const SegmentSink* deliver) {
  Tree t;
  PreparedNet prepared;
  bool routed = prepareNet(obstacles, net, options, prepared, t);
  if (owned) {
    Net().swap(*owned);
  }
  if (!routed) {
    return t;
  }
  // The drawing alone, of a net routed where it is: its segments go out
  // as the finished pipeline is read, and nothing but the Router holds the
  // net meanwhile.
  bool streamed = deliver && !prepared.framed && options.drawingOnly &&
                  !options.timing && !options.measureLength && !options.bound &&
                  options.pathBound < 0;
  size_t pinCount = prepared.pins.size();
  const std::vector<RoutePoint>& pins = prepared.pins;
  const std::vector<int>& chosen = prepared.chosen;
  const std::vector<std::array<RoutePoint, 4>>& rings = prepared.rings;
  const Frame frame = prepared.frame;
  bool nodesToo = !options.drawingOnly || options.timing;
  // The stages' and solvers' working lists, kept from net to net on each
  // thread that routes them: the one owner of every net's scratch space.
  static thread_local RouterScratch scratch;
  // The optimized tree of a small net no obstacle comes near, straight
  // from the obstacle-free solver: no Router, no drawing graph; of a
  // larger one, up to the breaks', the Router's default tree alone.
  if (chosen.empty() && !prepared.framed &&
      (detail::routeFlatNet(pins, options, scratch.flat, t) ||
       routeBrokenFlat(obstacles, pins, options, scratch, t))) {
    if (deliver) {
      deliverSegments(t, *deliver);
    }
    return t;
  }
  Finished f;
  bool flat = chosen.empty() && options.form == Form::optimizedSteinerTree &&
              finishFlat(pins, scratch.flat, f);
  bool drawn = false;
  if (!flat && (!chosen.empty() || !finishAlone(pins, options.form, f))) {
    NetVertices vertices(pins, rings);
    // Every obstacle, in order and where it is: the design's index is the
    // one the Router would build over the rings.
    bool shared = chosen.size() == obstacles.size() && !prepared.framed;
    if (streamed) {
      prepared = PreparedNet();
    }
    Router router(vertices.all, &scratch);
    if (shared) {
      router.legal.shareObstacles(&detail::ObstaclesAccess::index(obstacles));
    }
    router.options.exactGraph = options.exactGraph;
    router.options.pStageDone = options.stageDone;
    router.options.pStageData = options.stageData;
    router.options.effort = options.effort;
    router.options.bound = options.bound;
    runEntry(router, options.form);
    if (streamed) {
      std::vector<Segment> run;
      router.drawnPieces(kSegmentRun, [&](const std::vector<Wire>& pieces) {
        run.clear();
        for (const Wire& w : pieces) {
          run.push_back(
              {backPoint({w.x1, w.y1}, frame), backPoint({w.x2, w.y2}, frame)});
        }
        (*deliver)(run);
      });
      f.parts = router.pinPartCount;
      drawn = true;
    } else {
      f = readFinished(router, options.form, nodesToo);
      f.lowerBound = router.lowerBound;
    }
  }
  // The obstacle-free solver's trees are shortest: their length bounds
  // every tree, a path-bounded one's too.
  if (flat) {
    f.lowerBound = 0;
    for (const Wire& w : f.pieces) {
      f.lowerBound += std::fabs(static_cast<double>(w.x2) - w.x1) +
                      std::fabs(static_cast<double>(w.y2) - w.y1);
    }
  }
  bool reshaped = false;
  bool always = drawsConnections(options.form);
  if (options.pathBound >= 0 &&
      (always || !keepsRectilinearBound(pins, f.pieces, options.pathBound,
                                        scratch.pathBound))) {
    std::vector<Wire> bounded;
    // The optimized form's effort buys the bound's search starts and passes.
    int effort =
        options.form == Form::optimizedSteinerTree ? options.effort : 1;
    if (boundPathTree(pins, chosenIndex(rings), f.pieces, options.pathBound,
                      bounded, always, effort, scratch.pathBound)) {
      // Clean wires, each its own connection for the forms that draw
      // connections (read only where the tree's nodes are built).
      f.pieces = std::move(bounded);
      reshaped = true;
      f.connections.clear();
      if (drawsConnections(options.form) && nodesToo) {
        f.connections.reserve(f.pieces.size());
        for (const Wire& w : f.pieces) {
          f.connections.push_back({{w.x1, w.y1}, {w.x2, w.y2}});
        }
      }
    }
  }
  // The refined forms' segments make a clean tree: wire meets wire only at
  // shared ends, and none is drawn twice.
  if (drawsConnections(options.form)) {
    if (nodesToo) {
      buildTree(graphOfConnections(pins, f.connections), t);
    }
  } else {
    if (nodesToo) {
      buildTree(graphOfEnds(f.pieces, pins), t);
    }
  }
  t.parts = f.parts;
  t.segments.reserve(f.pieces.size());
  for (const Wire& w : f.pieces) {
    t.segments.push_back({{w.x1, w.y1}, {w.x2, w.y2}});
  }
  canonicalize(t, frame,
               options.measureLength || options.bound || options.timing);
  // Measured on the written coordinates where the tree is the solver's own,
  // so that its gap is exactly 0.
  t.lowerBound = !options.bound || options.form != Form::optimizedSteinerTree
                     ? -1
                 : flat && !reshaped ? t.wireLength
                                     : f.lowerBound;
  if (options.timing) {
    t.timing = timingOf(t, shortestFromFirst(rings, pins), options.timingModel);
    if (options.drawingOnly) {
      t.nodes.clear();
      t.edges.clear();
    }
  }
  if (deliver && !drawn) {
    deliverSegments(t, *deliver);
  }
  if (t.parts > 1) {
    t.status = Status::forest;
    t.message = "obstacles keep the " + std::to_string(pinCount) + " pins in " +
                std::to_string(t.parts) + " separate parts";
  }
  return t;
}

}  // namespace

Tree routeNet(const Obstacles& obstacles,
              const Net& net,
              const RouteOptions& options) {
  return routeOne(obstacles, net, nullptr, options, nullptr);
}

Tree routeNet(const Obstacles& obstacles,
              Net&& net,
              const RouteOptions& options) {
  return routeOne(obstacles, net, &net, options, nullptr);
}

Tree routeNet(const Obstacles& obstacles,
              Net&& net,
              const RouteOptions& options,
              const SegmentSink& deliver) {
  return routeOne(obstacles, net, &net, options, &deliver);
}

void routeNets(const Obstacles& obstacles,
               const std::vector<Net>& nets,
               const RouteOptions& options,
               const std::function<void(size_t, Tree&&)>& deliver,
               int threads,
               const RunControl& control) {
  threads = threadsFor(threads);
  // Room for a slow net to finish while the others run on.
  size_t window = 4096 * static_cast<size_t>(threads);
  std::vector<Tree> slots(std::min(window, nets.size()));
  runInOrder(
      nets.size(), threads, slots.size(),
      [&](size_t i) {
        slots[i % slots.size()] = routeNet(obstacles, nets[i], options);
      },
      [&](size_t i) { deliver(i, std::move(slots[i % slots.size()])); },
      control);
}

std::vector<Tree> routeNets(const Obstacles& obstacles,
                            const std::vector<Net>& nets,
                            const RouteOptions& options,
                            int threads,
                            const RunControl& control) {
  std::vector<Tree> trees(nets.size());
  // Each net's own slot: no window is needed.
  runInOrder(
      nets.size(), threads, nets.size(),
      [&](size_t i) { trees[i] = routeNet(obstacles, nets[i], options); },
      [](size_t) {}, control);
  return trees;
}

}  // namespace treecore
