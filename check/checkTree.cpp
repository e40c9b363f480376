#include "check/checkTree.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <limits>
#include <map>
#include <set>
#include <tuple>

#include "support/boxTree.h"
#include "support/indexParts.h"
#include "support/segmentTree.h"

namespace {

// A closed stretch [lo, hi] of the axis-parallel line at coordinate line,
// owned by an index of the parts (a piece or a pin). Runs are maximal unions of
// stretches that overlap or touch, and use the same record.
struct Stretch {
  double line;
  double lo;
  double hi;
  long id;
};

bool byLineThenLo(const Stretch& a, const Stretch& b) {
  return std::tie(a.line, a.lo) < std::tie(b.line, b.lo);
}

// Unites the owners of each run's stretches; the runs come out sorted by
// line, then lo, and hold one owner each as their id.
std::vector<Stretch> mergeRuns(std::vector<Stretch>& s, IndexParts* parts) {
  std::sort(s.begin(), s.end(), byLineThenLo);
  std::vector<Stretch> runs;
  for (const Stretch& t : s) {
    if (!runs.empty() && runs.back().line == t.line && t.lo <= runs.back().hi) {
      if (parts) {
        parts->join(runs.back().id, t.id);
      }
      runs.back().hi = std::max(runs.back().hi, t.hi);
    } else {
      runs.push_back(t);
    }
  }
  return runs;
}

enum class Event { open, query, close };

struct SweepEvent {
  double at;
  Event kind;
  long index;
};

// Horizontal runs enter at their lo and leave at their hi; each vertical
// run asks at its x for the horizontal runs active within its span. With
// closed spans opens precede queries at one x and closes follow them; with
// open spans the reverse.
std::vector<SweepEvent> crossingEvents(const std::vector<Stretch>& h,
                                       const std::vector<Stretch>& v,
                                       bool closed) {
  std::vector<SweepEvent> ev;
  ev.reserve(2 * h.size() + v.size());
  Event first = closed ? Event::open : Event::close;
  Event last = closed ? Event::close : Event::open;
  for (long i = 0; i < static_cast<long>(h.size()); ++i) {
    ev.push_back({h[i].lo, Event::open, i});
    ev.push_back({h[i].hi, Event::close, i});
  }
  for (long i = 0; i < static_cast<long>(v.size()); ++i) {
    ev.push_back({v[i].line, Event::query, i});
  }
  auto rank = [&](Event k) { return k == first ? 0 : k == last ? 2 : 1; };
  std::sort(ev.begin(), ev.end(),
            [&](const SweepEvent& a, const SweepEvent& b) {
              return std::make_tuple(a.at, rank(a.kind), a.index) <
                     std::make_tuple(b.at, rank(b.kind), b.index);
            });
  return ev;
}

// Unites every vertical run with every horizontal run it touches or
// crosses, without visiting each such pair: a break marks an active run
// not yet known to be connected to the next active run above it, and a
// query walks only the breaks within its span.
void joinCrossingRuns(const std::vector<Stretch>& h,
                      const std::vector<Stretch>& v,
                      IndexParts& parts) {
  std::map<double, long> active;  // y -> owner; one run per line at a time
  std::set<double> breaks;
  for (const SweepEvent& e : crossingEvents(h, v, true)) {
    if (e.kind == Event::open) {
      auto it = active.emplace(h[e.index].line, h[e.index].id).first;
      if (it != active.begin()) {
        breaks.insert(std::prev(it)->first);
      }
      breaks.insert(it->first);
    } else if (e.kind == Event::close) {
      auto it = active.find(h[e.index].line);
      bool linked = breaks.erase(it->first) == 0;
      if (it != active.begin()) {
        double below = std::prev(it)->first;
        // Below and this run were connected, and this run and the one
        // above: below stays connected to its new neighbour.
        if (!(linked && breaks.count(below) == 0)) {
          breaks.insert(below);
        }
      }
      active.erase(it);
    } else {
      const Stretch& q = v[e.index];
      auto it = active.lower_bound(q.lo);
      if (it == active.end() || it->first > q.hi) {
        continue;
      }
      parts.join(q.id, it->second);
      for (auto b = breaks.lower_bound(it->first); b != breaks.end();) {
        auto next = std::next(active.find(*b));
        if (next == active.end() || next->first > q.hi) {
          break;
        }
        parts.join(q.id, next->second);
        b = breaks.erase(b);
      }
    }
  }
}

// An obstacle seen from one orientation: lines cross it where
// lineLo < line < lineHi, over the open span (spanLo, spanHi).
struct Slab {
  double lineLo;
  double lineHi;
  double spanLo;
  double spanHi;
};

// Marks the stretches (pieces on lines of one orientation; a point is a
// stretch with lo = hi) whose relative interior meets an open slab: the
// line strictly inside the slab's lines and (lo, hi) meeting the open span,
// or for a point, the point strictly inside. Sweeps the lines in order with
// the spanHi of the active slabs in a max tree over their spanLo order.
void markCrossings(std::vector<Stretch> s,
                   const std::vector<Slab>& slabs,
                   std::vector<char>& crossing) {
  if (s.empty() || slabs.empty()) {
    return;
  }
  size_t n = slabs.size();
  std::vector<long> bySpanLo(n), byLineLo(n), byLineHi(n);
  for (size_t i = 0; i < n; ++i) {
    bySpanLo[i] = byLineLo[i] = byLineHi[i] = static_cast<long>(i);
  }
  auto sortBy = [&](std::vector<long>& order, double Slab::*key) {
    std::sort(order.begin(), order.end(), [&](long a, long b) {
      return std::make_pair(slabs[a].*key, a) <
             std::make_pair(slabs[b].*key, b);
    });
  };
  sortBy(bySpanLo, &Slab::spanLo);
  sortBy(byLineLo, &Slab::lineLo);
  sortBy(byLineHi, &Slab::lineHi);
  std::vector<size_t> slot(n);
  std::vector<double> spanLos(n);
  for (size_t k = 0; k < n; ++k) {
    slot[bySpanLo[k]] = k;
    spanLos[k] = slabs[bySpanLo[k]].spanLo;
  }
  std::sort(s.begin(), s.end(), byLineThenLo);
  constexpr double none = -std::numeric_limits<double>::infinity();
  SegmentTree<double, Most> active(n, none);
  size_t nextOpen = 0, nextClose = 0;
  for (const Stretch& t : s) {
    // Opening before closing leaves exactly lineLo < line < lineHi active.
    while (nextOpen < n && slabs[byLineLo[nextOpen]].lineLo < t.line) {
      long i = byLineLo[nextOpen++];
      active.set(slot[i], slabs[i].spanHi);
    }
    while (nextClose < n && slabs[byLineHi[nextClose]].lineHi <= t.line) {
      long i = byLineHi[nextClose++];
      active.set(slot[i], none);
    }
    size_t k = std::lower_bound(spanLos.begin(), spanLos.end(), t.hi) -
               spanLos.begin();
    if (active.prefix(k) > t.lo) {
      crossing[t.id] = 1;
    }
  }
}

using Real = long double;

// n / d with d > 0, compared exactly for the integer-valued coordinates of
// usual instances.
struct Frac {
  Real n;
  Real d;
};

Frac frac(Real n, Real d) {
  return d < 0 ? Frac{-n, -d} : Frac{n, d};
}

bool less(const Frac& a, const Frac& b) {
  return a.n * b.d < b.n * a.d;
}

// The open diagonal piece p meets the open box r.
bool diagonalCrosses(const Piece& p, const Rect& r) {
  Real dx = static_cast<Real>(p.x2) - p.x1;
  Real dy = static_cast<Real>(p.y2) - p.y1;
  Frac ax = frac(static_cast<Real>(r.xlo) - p.x1, dx);
  Frac bx = frac(static_cast<Real>(r.xhi) - p.x1, dx);
  Frac ay = frac(static_cast<Real>(r.ylo) - p.y1, dy);
  Frac by = frac(static_cast<Real>(r.yhi) - p.y1, dy);
  if (dx < 0) {
    std::swap(ax, bx);
  }
  if (dy < 0) {
    std::swap(ay, by);
  }
  const Frac lows[] = {{0, 1}, ax, ay};
  const Frac highs[] = {{1, 1}, bx, by};
  for (const Frac& lo : lows) {
    for (const Frac& hi : highs) {
      if (!less(lo, hi)) {
        return false;
      }
    }
  }
  return true;
}

// The point lies on the closed piece.
bool onPiece(const Piece& p, double x, double y) {
  if (x < std::min(p.x1, p.x2) || x > std::max(p.x1, p.x2) ||
      y < std::min(p.y1, p.y2) || y > std::max(p.y1, p.y2)) {
    return false;
  }
  Real cross =
      (static_cast<Real>(x) - p.x1) * (static_cast<Real>(p.y2) - p.y1) -
      (static_cast<Real>(y) - p.y1) * (static_cast<Real>(p.x2) - p.x1);
  return cross == 0;
}

bool isDiagonal(const Piece& p) {
  return p.x1 != p.x2 && p.y1 != p.y2;
}

double lengthOf(const Piece& p) {
  return std::fabs(p.x2 - p.x1) + std::fabs(p.y2 - p.y1);
}

// Pieces of each orientation as stretches; a point piece counts as
// horizontal.
void splitPieces(const std::vector<Piece>& pieces,
                 std::vector<Stretch>& h,
                 std::vector<Stretch>& v,
                 std::vector<long>& diagonals) {
  for (long i = 0; i < static_cast<long>(pieces.size()); ++i) {
    const Piece& p = pieces[i];
    if (isDiagonal(p)) {
      diagonals.push_back(i);
    } else if (p.y1 == p.y2) {
      h.push_back({p.y1, std::min(p.x1, p.x2), std::max(p.x1, p.x2), i});
    } else {
      v.push_back({p.x1, std::min(p.y1, p.y2), std::max(p.y1, p.y2), i});
    }
  }
}

using Box = treecore::plane::Box<double>;

std::vector<Box> endBoxes(const std::vector<Piece>& pieces) {
  std::vector<Box> ends;
  ends.reserve(2 * pieces.size());
  for (const Piece& p : pieces) {
    ends.push_back({p.x1, p.y1, p.x1, p.y1});
    ends.push_back({p.x2, p.y2, p.x2, p.y2});
  }
  return ends;
}

// The diagonals in the order of a curve through the plane, so that queries
// one after another visit the same parts of a box tree.
std::vector<long> inPlaneOrder(const std::vector<Piece>& pieces,
                               std::vector<long> ids) {
  if (ids.empty()) {
    return ids;
  }
  Box b = treecore::plane::boundsOf(pieces[ids[0]]);
  for (long i : ids) {
    b = treecore::plane::hull(b, treecore::plane::boundsOf(pieces[i]));
  }
  auto cell = [](double v, double lo, double hi) {
    double t = hi > lo ? (v - lo) / (hi - lo) : 0;
    return static_cast<std::uint32_t>(std::min(65535.0, t * 65536));
  };
  auto spread = [](std::uint32_t v) {
    std::uint64_t x = v;
    x = (x | (x << 8)) & 0x00ff00ffULL;
    x = (x | (x << 4)) & 0x0f0f0f0fULL;
    x = (x | (x << 2)) & 0x33333333ULL;
    x = (x | (x << 1)) & 0x55555555ULL;
    return x;
  };
  std::vector<std::pair<std::uint64_t, long>> keyed;
  for (long i : ids) {
    const Piece& p = pieces[i];
    std::uint64_t key = spread(cell(p.x1, b.xlo, b.xhi)) |
                        (spread(cell(p.y1, b.ylo, b.yhi)) << 1);
    keyed.emplace_back(key, i);
  }
  std::sort(keyed.begin(), keyed.end());
  for (size_t k = 0; k < ids.size(); ++k) {
    ids[k] = keyed[k].second;
  }
  return ids;
}

// sum plus the diagonals' lengths. Overlapping collinear diagonals are
// rare; only repeats count once.
double addDiagonals(double sum,
                    const std::vector<Piece>& pieces,
                    const std::vector<long>& diagonals) {
  std::vector<std::tuple<double, double, double, double>> keys;
  for (long i : diagonals) {
    const Piece& p = pieces[i];
    auto a = std::make_pair(p.x1, p.y1), b = std::make_pair(p.x2, p.y2);
    if (b < a) {
      std::swap(a, b);
    }
    keys.emplace_back(a.first, a.second, b.first, b.second);
  }
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  for (const auto& k : keys) {
    sum += lengthOf(
        {std::get<0>(k), std::get<1>(k), std::get<2>(k), std::get<3>(k)});
  }
  return sum;
}

}  // namespace

double unionLength(const std::vector<Piece>& pieces) {
  std::vector<Stretch> h, v;
  std::vector<long> diagonals;
  splitPieces(pieces, h, v, diagonals);
  // Summed as checkTree sums them: its pins' points add only zeros.
  double sum = 0;
  for (const Stretch& r : mergeRuns(h, nullptr)) {
    sum += r.hi - r.lo;
  }
  for (const Stretch& r : mergeRuns(v, nullptr)) {
    sum += r.hi - r.lo;
  }
  return addDiagonals(sum, pieces, diagonals);
}

TreeCheck checkTree(const std::vector<Point>& pins,
                    const std::vector<Rect>& rects,
                    const std::vector<Piece>& pieces) {
  TreeCheck c;
  long np = static_cast<long>(pieces.size());
  c.pieces = np;
  c.pins = static_cast<long>(pins.size());
  c.obstacles = static_cast<long>(rects.size());
  for (const Piece& p : pieces) {
    c.totalLength += lengthOf(p);
  }

  // Nodes: the pieces, then the pins.
  IndexParts parts(static_cast<size_t>(np + c.pins));
  std::vector<Stretch> h, v;
  std::vector<long> diagonals;
  splitPieces(pieces, h, v, diagonals);
  c.diagonalPieces = static_cast<long>(diagonals.size());
  std::vector<long> diagonalWalk = inPlaneOrder(pieces, diagonals);
  std::vector<Stretch> crossH = h, crossV = v;
  for (long k = 0; k < c.pins; ++k) {
    h.push_back({pins[k].y, pins[k].x, pins[k].x, np + k});
  }
  for (long i : diagonals) {
    const Piece& p = pieces[i];
    h.push_back({p.y1, p.x1, p.x1, i});
    h.push_back({p.y2, p.x2, p.x2, i});
  }
  std::vector<Stretch> hRuns = mergeRuns(h, &parts);
  std::vector<Stretch> vRuns = mergeRuns(v, &parts);
  joinCrossingRuns(hRuns, vRuns, parts);
  for (const Stretch& r : hRuns) {
    c.wireLength += r.hi - r.lo;
  }
  for (const Stretch& r : vRuns) {
    c.wireLength += r.hi - r.lo;
  }

  if (!diagonals.empty()) {
    // Piece ends and pins lying on a diagonal join it.
    std::vector<Box> pts = endBoxes(pieces);
    for (const Point& q : pins) {
      pts.push_back({q.x, q.y, q.x, q.y});
    }
    BoxTree<double> points(pts);
    for (long i : diagonalWalk) {
      const Piece& p = pieces[i];
      points.query(treecore::plane::boundsOf(p), [&](long k) {
        if (onPiece(p, pts[k].xlo, pts[k].ylo)) {
          parts.join(i, k < 2 * np ? k / 2 : np + (k - 2 * np));
        }
        return false;
      });
    }
    c.wireLength = addDiagonals(c.wireLength, pieces, diagonals);
  }

  std::vector<char> hasPiece(np + c.pins, 0);
  for (long i = 0; i < np; ++i) {
    hasPiece[parts.find(i)] = 1;
  }
  std::vector<long> roots;
  for (long k = 0; k < c.pins; ++k) {
    long r = parts.find(np + k);
    if (np > 0 && !hasPiece[r]) {
      ++c.pinsOffTree;
    }
    roots.push_back(r);
  }
  std::sort(roots.begin(), roots.end());
  c.pinParts = std::unique(roots.begin(), roots.end()) - roots.begin();

  std::vector<char> crossing(np, 0);
  std::vector<Slab> slabsH, slabsV;
  for (const Rect& r : rects) {
    slabsH.push_back({r.ylo, r.yhi, r.xlo, r.xhi});
    slabsV.push_back({r.xlo, r.xhi, r.ylo, r.yhi});
  }
  markCrossings(crossH, slabsH, crossing);
  markCrossings(crossV, slabsV, crossing);
  if (!diagonals.empty() && !rects.empty()) {
    BoxTree<double> boxes(rects);
    for (long i : diagonalWalk) {
      const Piece& p = pieces[i];
      boxes.query(treecore::plane::boundsOf(p), [&](long k) {
        if (diagonalCrosses(p, rects[k])) {
          crossing[i] = 1;
          return true;
        }
        return false;
      });
    }
  }
  for (long i = 0; i < np; ++i) {
    if (crossing[i]) {
      ++c.crossings;
      c.crossingLength += lengthOf(pieces[i]);
      c.crossingPieces.push_back(i);
    }
  }
  return c;
}

std::vector<Point> findSteinerPoints(const std::vector<Point>& pins,
                                     const std::vector<Piece>& pieces) {
  std::vector<Stretch> h, v;
  std::vector<long> diagonals;
  splitPieces(pieces, h, v, diagonals);
  std::vector<Stretch> hRuns = mergeRuns(h, nullptr);
  std::vector<Stretch> vRuns = mergeRuns(v, nullptr);

  using Key = std::pair<double, double>;
  std::vector<Key> candidates;
  for (const Piece& p : pieces) {
    candidates.emplace_back(p.x1, p.y1);
    candidates.emplace_back(p.x2, p.y2);
  }
  // Runs crossing in both interiors make a point of degree four that need
  // not be the end of any piece.
  std::map<double, long> active;
  for (const SweepEvent& e : crossingEvents(hRuns, vRuns, false)) {
    if (e.kind == Event::open) {
      active.emplace(hRuns[e.index].line, e.index);
    } else if (e.kind == Event::close) {
      active.erase(hRuns[e.index].line);
    } else {
      const Stretch& q = vRuns[e.index];
      for (auto it = active.upper_bound(q.lo);
           it != active.end() && it->first < q.hi; ++it) {
        candidates.emplace_back(q.line, it->first);
      }
    }
  }
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()),
                   candidates.end());

  std::vector<Key> pinKeys, diagEnds;
  for (const Point& q : pins) {
    pinKeys.emplace_back(q.x, q.y);
  }
  std::sort(pinKeys.begin(), pinKeys.end());
  for (long i : diagonals) {
    diagEnds.emplace_back(pieces[i].x1, pieces[i].y1);
    diagEnds.emplace_back(pieces[i].x2, pieces[i].y2);
  }
  std::sort(diagEnds.begin(), diagEnds.end());

  // Directions along the runs of one orientation: 1 = towards higher
  // coordinates, 1 more towards lower.
  auto along = [](const std::vector<Stretch>& runs, double line, double at) {
    Stretch probe{line, at, at, 0};
    auto it = std::upper_bound(runs.begin(), runs.end(), probe, byLineThenLo);
    if (it == runs.begin()) {
      return 0;
    }
    --it;
    if (it->line != line || at > it->hi) {
      return 0;
    }
    return (at < it->hi ? 1 : 0) + (at > it->lo ? 1 : 0);
  };
  std::vector<Point> out;
  for (const Key& k : candidates) {
    int degree =
        along(hRuns, k.second, k.first) + along(vRuns, k.first, k.second) +
        static_cast<int>(std::upper_bound(diagEnds.begin(), diagEnds.end(), k) -
                         std::lower_bound(diagEnds.begin(), diagEnds.end(), k));
    if (degree >= 3 && !std::binary_search(pinKeys.begin(), pinKeys.end(), k)) {
      out.push_back({k.first, k.second});
    }
  }
  return out;
}

std::string formatLength(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

std::string formatReport(const TreeCheck& c) {
  std::string s;
  auto line = [&](const char* name, const std::string& value) {
    s += name;
    s += ": ";
    s += value;
    s += '\n';
  };
  line("pieces", std::to_string(c.pieces));
  line("diagonal pieces", std::to_string(c.diagonalPieces));
  line("total length", formatLength(c.totalLength));
  line("wire length", formatLength(c.wireLength));
  line("pins", std::to_string(c.pins));
  line("obstacles", std::to_string(c.obstacles));
  line("pins off the tree", std::to_string(c.pinsOffTree));
  line("parts holding pins", std::to_string(c.pinParts));
  line("obstacle crossings", std::to_string(c.crossings));
  line("crossing length", formatLength(c.crossingLength));
  line("legal", c.legal() ? "yes" : "no");
  return s;
}

std::string formatReportJson(const TreeCheck& c) {
  return "{\"pieces\":" + std::to_string(c.pieces) +
         ",\"diagonalPieces\":" + std::to_string(c.diagonalPieces) +
         ",\"totalLength\":" + formatLength(c.totalLength) +
         ",\"wireLength\":" + formatLength(c.wireLength) +
         ",\"pins\":" + std::to_string(c.pins) +
         ",\"obstacles\":" + std::to_string(c.obstacles) +
         ",\"pinsOffTree\":" + std::to_string(c.pinsOffTree) +
         ",\"partsHoldingPins\":" + std::to_string(c.pinParts) +
         ",\"obstacleCrossings\":" + std::to_string(c.crossings) +
         ",\"crossingLength\":" + formatLength(c.crossingLength) +
         ",\"legal\":" + (c.legal() ? "true" : "false") + "}\n";
}
