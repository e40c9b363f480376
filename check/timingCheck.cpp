#include "check/timingCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <queue>
#include <utility>

namespace {

const double kNan = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

double dist(const Point& a, const Point& b) {
  return std::fabs(a.x - b.x) + std::fabs(a.y - b.y);
}

bool lessXY(const Point& a, const Point& b) {
  return a.x < b.x || (a.x == b.x && a.y < b.y);
}

// Whether p lies on the axis-parallel piece (ends included).
bool onPiece(const Piece& w, const Point& p) {
  if (w.x1 == w.x2) {
    return p.x == w.x1 && std::min(w.y1, w.y2) <= p.y &&
           p.y <= std::max(w.y1, w.y2);
  }
  if (w.y1 == w.y2) {
    return p.y == w.y1 && std::min(w.x1, w.x2) <= p.x &&
           p.x <= std::max(w.x1, w.x2);
  }
  return (p.x == w.x1 && p.y == w.y1) || (p.x == w.x2 && p.y == w.y2);
}

// The drawn wire as a graph: a point at every end, pin and crossing, an
// edge between neighbouring points of one piece, each once.
struct WireGraph {
  std::vector<Point> at;
  std::vector<std::vector<std::pair<int, double>>> adj;
};

WireGraph wireGraph(const std::vector<Point>& pins,
                    const std::vector<Piece>& pieces) {
  std::vector<Point> marks(pins.begin(), pins.end());
  for (const Piece& w : pieces) {
    marks.push_back({w.x1, w.y1});
    marks.push_back({w.x2, w.y2});
  }
  for (const Piece& h : pieces) {
    if (h.y1 != h.y2 || h.x1 == h.x2) {
      continue;
    }
    for (const Piece& v : pieces) {
      if (v.x1 != v.x2 || v.y1 == v.y2) {
        continue;
      }
      Point c{v.x1, h.y1};
      if (onPiece(h, c) && onPiece(v, c)) {
        marks.push_back(c);
      }
    }
  }
  std::sort(marks.begin(), marks.end(), lessXY);
  marks.erase(std::unique(marks.begin(), marks.end(),
                          [](const Point& a, const Point& b) {
                            return a.x == b.x && a.y == b.y;
                          }),
              marks.end());
  WireGraph g;
  g.at = marks;
  g.adj.resize(marks.size());
  auto id = [&](const Point& p) {
    return static_cast<int>(
        std::lower_bound(marks.begin(), marks.end(), p, lessXY) -
        marks.begin());
  };
  std::map<std::pair<int, int>, bool> seen;
  for (const Piece& w : pieces) {
    std::vector<int> on;
    for (size_t k = 0; k < marks.size(); ++k) {
      if (onPiece(w, marks[k])) {
        on.push_back(static_cast<int>(k));
      }
    }
    if (w.x1 != w.x2 && w.y1 != w.y2) {
      on = {id({w.x1, w.y1}), id({w.x2, w.y2})};
    }
    // Marks are sorted by x, then y: along the piece in order.
    for (size_t k = 1; k < on.size(); ++k) {
      int a = std::min(on[k - 1], on[k]), b = std::max(on[k - 1], on[k]);
      if (a == b || !seen.emplace(std::make_pair(a, b), true).second) {
        continue;
      }
      double len = dist(marks[a], marks[b]);
      g.adj[a].push_back({b, len});
      g.adj[b].push_back({a, len});
    }
  }
  return g;
}

using Entry = std::pair<double, long>;
using MinQueue =
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>>;

size_t indexOf(const std::vector<double>& v, double x) {
  return static_cast<size_t>(std::lower_bound(v.begin(), v.end(), x) -
                             v.begin());
}

// Shortest free distances from pins[0] over the grid of lines through every
// side and pin: a shortest route among rectangles runs along such lines.
bool gridDistances(const std::vector<Point>& pins,
                   const std::vector<Rect>& rects,
                   std::vector<double>& out,
                   std::string& error,
                   double most) {
  std::vector<double> xs, ys;
  for (const Point& p : pins) {
    xs.push_back(p.x);
    ys.push_back(p.y);
  }
  for (const Rect& r : rects) {
    xs.push_back(r.xlo);
    xs.push_back(r.xhi);
    ys.push_back(r.ylo);
    ys.push_back(r.yhi);
  }
  for (std::vector<double>* v : {&xs, &ys}) {
    std::sort(v->begin(), v->end());
    v->erase(std::unique(v->begin(), v->end()), v->end());
  }
  size_t nx = xs.size(), ny = ys.size();
  if (static_cast<double>(nx) * static_cast<double>(ny) > most) {
    error = "the grid of " + std::to_string(nx) + " by " + std::to_string(ny) +
            " lines through the obstacles and pins is too large for the "
            "shortest distances";
    return false;
  }
  // Covering counts, by differences, of the unit steps inside an open
  // interior: along x from (i, j) and along y from (i, j).
  std::vector<int> alongX((nx + 1) * (ny + 1), 0), alongY(alongX);
  auto add = [](std::vector<int>& d, size_t stride, size_t i0, size_t i1,
                size_t j0, size_t j1) {
    if (i0 >= i1 || j0 >= j1) {
      return;
    }
    d[i0 * stride + j0] += 1;
    d[i1 * stride + j0] -= 1;
    d[i0 * stride + j1] -= 1;
    d[i1 * stride + j1] += 1;
  };
  size_t stride = ny + 1;
  for (const Rect& r : rects) {
    size_t ilo = indexOf(xs, r.xlo), ihi = indexOf(xs, r.xhi);
    size_t jlo = indexOf(ys, r.ylo), jhi = indexOf(ys, r.yhi);
    add(alongX, stride, ilo, ihi, jlo + 1, jhi);
    add(alongY, stride, ilo + 1, ihi, jlo, jhi);
  }
  for (std::vector<int>* d : {&alongX, &alongY}) {
    for (size_t i = 0; i <= nx; ++i) {
      for (size_t j = 0; j <= ny; ++j) {
        int v = (*d)[i * stride + j];
        if (i)
          v += (*d)[(i - 1) * stride + j];
        if (j)
          v += (*d)[i * stride + j - 1];
        if (i && j)
          v -= (*d)[(i - 1) * stride + j - 1];
        (*d)[i * stride + j] = v;
      }
    }
  }
  std::vector<double> best(nx * ny, kInf);
  auto node = [&](const Point& p) {
    return static_cast<long>(indexOf(xs, p.x) * ny + indexOf(ys, p.y));
  };
  MinQueue open;
  best[node(pins[0])] = 0;
  open.push({0, node(pins[0])});
  while (!open.empty()) {
    // Named, not bound: the relaxing lambda below reads them.
    const double d = open.top().first;
    const long n = open.top().second;
    open.pop();
    if (d != best[n]) {
      continue;
    }
    size_t i = static_cast<size_t>(n) / ny, j = static_cast<size_t>(n) % ny;
    auto relax = [&](size_t i2, size_t j2, double len) {
      long m = static_cast<long>(i2 * ny + j2);
      if (d + len < best[m]) {
        best[m] = d + len;
        open.push({d + len, m});
      }
    };
    if (i + 1 < nx && alongX[i * stride + j] == 0) {
      relax(i + 1, j, xs[i + 1] - xs[i]);
    }
    if (i > 0 && alongX[(i - 1) * stride + j] == 0) {
      relax(i - 1, j, xs[i] - xs[i - 1]);
    }
    if (j + 1 < ny && alongY[i * stride + j] == 0) {
      relax(i, j + 1, ys[j + 1] - ys[j]);
    }
    if (j > 0 && alongY[i * stride + j - 1] == 0) {
      relax(i, j - 1, ys[j] - ys[j - 1]);
    }
  }
  out.clear();
  for (const Point& p : pins) {
    out.push_back(best[node(p)]);
  }
  return true;
}

std::string number(double v) {
  return std::isfinite(v) ? formatLength(v) : "null";
}

}  // namespace

bool checkTiming(const std::vector<Point>& pins,
                 const std::vector<Rect>& rects,
                 const std::vector<Piece>& pieces,
                 double driverResistance,
                 double pinCapacitance,
                 TimingCheck& out,
                 std::string& error,
                 double maxGridPoints) {
  out = TimingCheck();
  if (pins.empty()) {
    return true;
  }
  if (!gridDistances(pins, rects, out.shortest, error, maxGridPoints)) {
    return false;
  }
  WireGraph g = wireGraph(pins, pieces);
  size_t n = g.at.size();
  auto id = [&](const Point& p) {
    return static_cast<int>(
        std::lower_bound(g.at.begin(), g.at.end(), p, lessXY) - g.at.begin());
  };
  // Along the wire from the first pin; the search's tree carries the
  // delay.
  std::vector<double> path(n, kInf);
  std::vector<int> parent(n, -1);
  std::vector<int> order;
  int root = id(pins[0]);
  path[root] = 0;
  MinQueue open;
  open.push({0, root});
  while (!open.empty()) {
    auto [d, u] = open.top();
    open.pop();
    if (d != path[u]) {
      continue;
    }
    order.push_back(static_cast<int>(u));
    for (auto [v, len] : g.adj[u]) {
      if (d + len < path[v]) {
        path[v] = d + len;
        parent[v] = static_cast<int>(u);
        open.push({d + len, v});
      }
    }
  }
  std::vector<double> load(n, 0), delay(n, 0);
  for (size_t i = 1; i < pins.size(); ++i) {
    load[id(pins[i])] += pinCapacitance;
  }
  for (size_t k = order.size(); k-- > 1;) {
    int v = order[k];
    load[parent[v]] += load[v] + (path[v] - path[parent[v]]);
  }
  delay[root] = driverResistance * load[root];
  for (size_t k = 1; k < order.size(); ++k) {
    int v = order[k];
    double len = path[v] - path[parent[v]];
    delay[v] = delay[parent[v]] + len * (len / 2 + load[v]);
  }
  double sum = 0;
  long counted = 0;
  for (size_t i = 0; i < pins.size(); ++i) {
    int v = id(pins[i]);
    bool joined = std::isfinite(path[v]);
    out.pathLength.push_back(joined ? path[v] : kNan);
    out.elmoreDelay.push_back(joined ? delay[v] : kNan);
    double s = !joined                      ? kNan
               : path[v] == out.shortest[i] ? 1
                                            : path[v] / out.shortest[i];
    out.stretch.push_back(s);
    if (joined) {
      out.radius = std::max(out.radius, path[v]);
      if (i > 0) {
        out.maxStretch = std::max(out.maxStretch, s);
        sum += s;
        ++counted;
      }
    }
  }
  out.meanStretch = counted ? sum / static_cast<double>(counted) : 1;
  return true;
}

std::string formatTiming(const TimingCheck& t) {
  std::string s = "max stretch: " + number(t.maxStretch) +
                  "\nmean stretch: " + number(t.meanStretch) +
                  "\nradius: " + number(t.radius) + "\n";
  for (size_t i = 0; i < t.pathLength.size(); ++i) {
    s += "pin " + std::to_string(i + 1) + ": path " + number(t.pathLength[i]) +
         ", shortest " + number(t.shortest[i]) + ", stretch " +
         number(t.stretch[i]) + ", delay " + number(t.elmoreDelay[i]) + "\n";
  }
  return s;
}

std::string formatTimingJson(const TimingCheck& t) {
  std::string s = "{\"maxStretch\":" + number(t.maxStretch) +
                  ",\"meanStretch\":" + number(t.meanStretch) +
                  ",\"radius\":" + number(t.radius);
  auto list = [&s](const char* name, const std::vector<double>& v) {
    s += ",\"";
    s += name;
    s += "\":[";
    for (size_t i = 0; i < v.size(); ++i) {
      s += (i ? "," : "") + number(v[i]);
    }
    s += "]";
  };
  list("pathLength", t.pathLength);
  list("shortest", t.shortest);
  list("stretch", t.stretch);
  list("elmoreDelay", t.elmoreDelay);
  return s + "}";
}
