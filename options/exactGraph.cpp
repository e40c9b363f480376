// The cut-line spanning graph: every shortest obstacle-avoiding route between
// two pins has a path of its length in it, and every edge is free.
#include "options/exactGraph.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "spatial/sightLimits.h"

// Why the graph is exact. Free means meeting no obstacle's open interior;
// the sites are the pins and the free corners; the box of two points is the
// closed rectangle they span.
//
// (A) A shortest free route can be cut at free corners into pieces that are
// monotone in x and y. Where a shortest route turns back in x, at a vertical
// piece s between horizontal pieces on the same side, shifting s towards
// them would shorten it; what stops the shift is an obstacle whose side lies
// along s and whose y-extent lies within s (the horizontal pieces are free),
// so that obstacle's corner is on s. Likewise for y.
//
// (B) Two sites u, w joined by a free monotone route are joined in the graph
// by a path of length |u - w|: by induction on the number of site positions
// in their box B. If a site elsewhere in B lies on a free monotone route
// from u to w, split there. Otherwise B is free: the lowest monotone route
// only turns from up to right at the top-left corner of an obstacle (the
// highest one likewise at a bottom-right one), so both L-shaped routes
// along the box are free; an obstacle inside B would show its highest top
// side, whose left corner is free and lies on a free monotone route along
// that side's line. So u, w is a pair with a free box holding no other
// site, and the cut line that first separates them, or holds one of them,
// joins every such pair: by an edge, or where the pairs are too many, by a
// chain of projections (each of u, w is the nearest site of its row on its
// side, sees the line, and the stretch between their projections is free).
//
// (A) and (B) give every pair of sites its exact distance. Extended Kruskal
// over the pins' exact distances yields the exact minimum spanning tree, and
// the edges between two pins that no such tree needs are left out.

namespace {

constexpr float inf = std::numeric_limits<float>::infinity();

// The graph of one cut line and, recursively, of each side of it.
class CutLineGraph {
 public:
  CutLineGraph(const std::vector<RoutePoint>& sites,
               const std::vector<char>& pins,
               const ObstacleIndex& index,
               ExactGraph& out)
      : index_(index), pin_(pins), out_(out) {
    for (const RoutePoint& p : sites) {
      x_.push_back(p.x);
      y_.push_back(p.y);
    }
    // How far each site sees along each axis: the coordinate at which the
    // first obstacle begins, or infinity.
    std::array<std::vector<float>, 4> hits =
        sightLimits(index_.rects(), x_, y_);
    for (int dir = 0; dir < 4; ++dir) {
      hit_[dir] = std::move(hits[dir]);
    }
  }

  void build() {
    std::vector<int> ids(x_.size());
    for (size_t i = 0; i < ids.size(); ++i) {
      ids[i] = static_cast<int>(i);
    }
    std::stable_sort(ids.begin(), ids.end(), [&](int a, int b) {
      return y_[a] < y_[b] || (y_[a] == y_[b] && x_[a] < x_[b]);
    });
    cut(std::move(ids));
    joinPairs();
  }

 private:
  enum { right = seeRight, left = seeLeft, up = seeUp, down = seeDown };

  // Joins the pairs found. Of those between two pins, only the nearest in
  // each of the eight half-open octants around either pin can be a
  // spanning-tree edge (ties all stay). Were a minimum tree to hold the pair
  // p, q with the pair p, z nearer in q's octant: neither box holds the
  // other's far end, so z reaches q along the two free boxes at
  // |z - q| < |p - q|, and p, z or z, q would make a shorter tree.
  void joinPairs() {
    std::vector<float> nearest(8 * x_.size(), inf);
    auto pinPair = [&](const std::pair<int, int>& e) {
      return pin_[e.first] && pin_[e.second];
    };
    for (const auto& e : pairs_) {
      if (pinPair(e)) {
        float d = dist(e.first, e.second);
        float& a = nearest[8 * e.first + octant(e.first, e.second)];
        float& b = nearest[8 * e.second + octant(e.second, e.first)];
        a = std::min(a, d);
        b = std::min(b, d);
      }
    }
    struct Kept {
      float d;
      int a;
      int b;
    };
    std::vector<Kept> kept;
    for (const auto& e : pairs_) {
      float d = dist(e.first, e.second);
      if (!pinPair(e) ||
          d <= nearest[8 * e.first + octant(e.first, e.second)] ||
          d <= nearest[8 * e.second + octant(e.second, e.first)]) {
        kept.push_back({d, e.first, e.second});
      }
    }
    // Shortest first, so that extended Kruskal's heap mostly takes its
    // candidates without sifting them up; equal lengths in the order found.
    std::stable_sort(kept.begin(), kept.end(),
                     [](const Kept& p, const Kept& q) { return p.d < q.d; });
    for (const Kept& k : kept) {
      out_.edges.emplace_back(k.a, k.b);
    }
    pairs_.clear();
    pairs_.shrink_to_fit();
  }

  float dist(int a, int b) const {
    return std::fabs(x_[a] - x_[b]) + std::fabs(y_[a] - y_[b]);
  }

  // The octant of b around a: the k-th holds the directions from k * 45
  // degrees, inclusive, to (k + 1) * 45, exclusive, so that no two points
  // of one octant lie on its two bounding rays. 0 at one point.
  int octant(int a, int b) const {
    float dx = x_[b] - x_[a];
    float dy = y_[b] - y_[a];
    if (dx > 0 && dy >= 0) {
      return dy < dx ? 0 : 1;
    }
    if (dx <= 0 && dy > 0) {
      return -dx < dy ? 2 : 3;
    }
    if (dx < 0 && dy <= 0) {
      return -dy < -dx ? 4 : 5;
    }
    if (dx >= 0 && dy < 0) {
      return dx < -dy ? 6 : 7;
    }
    return 0;
  }

  // The sites of one y in a node: the first one on the line and the
  // nearest one on each side of it; -1 for none.
  struct Row {
    float y;
    int on;
    int left;
    int right;
  };

  float x(int s) const { return x_[s]; }

  // ids in y order, equal y by x.
  void cut(std::vector<int> ids) {
    if (ids.size() < 2) {
      return;
    }
    std::vector<float> xs;
    xs.reserve(ids.size());
    for (int i : ids) {
      xs.push_back(x(i));
    }
    auto mid = xs.begin() + xs.size() / 2;
    std::nth_element(xs.begin(), mid, xs.end());
    float line = *mid;

    std::vector<int> lower;
    std::vector<int> upper;
    std::vector<Row> rows;
    for (size_t i = 0; i < ids.size();) {
      size_t end = i;
      while (end < ids.size() && y_[ids[end]] == y_[ids[i]]) {
        ++end;
      }
      rows.push_back(makeRow(ids, i, end, line));
      for (size_t k = i; k < end; ++k) {
        if (x(ids[k]) < line) {
          lower.push_back(ids[k]);
        } else if (x(ids[k]) > line) {
          upper.push_back(ids[k]);
        }
      }
      i = end;
    }
    ids.clear();
    ids.shrink_to_fit();
    size_t before = pairs_.size();
    if (!findPairs(rows, line)) {
      pairs_.resize(before);
      chainRows(rows, line);
    }
    rows.clear();
    rows.shrink_to_fit();
    cut(std::move(lower));
    cut(std::move(upper));
  }

  // The sites [i, end) of ids share one y and come in x order. Sites at one
  // point on the line are joined in a chain by edges of length 0: joined to
  // the first, the first's degree would grow with their number, and gain
  // computation's candidates with its square.
  Row makeRow(const std::vector<int>& ids, size_t i, size_t end, float line) {
    Row row{y_[ids[i]], -1, -1, -1};
    int lastOn = -1;
    for (size_t k = i; k < end; ++k) {
      int s = ids[k];
      if (x(s) < line) {
        row.left = s;
      } else if (x(s) > line) {
        if (row.right < 0) {
          row.right = s;
        }
      } else {
        if (row.on < 0) {
          row.on = s;
        } else {
          out_.edges.emplace_back(lastOn, s);
        }
        lastOn = s;
      }
    }
    return row;
  }

  // The pairs of sites that this line first separates, or that it holds one
  // of, whose box is free and holds no other site position. The box is free
  // when its four sides are (each end sees along its two sides) and no site
  // lies in it: an obstacle inside would leave the top-left corner of the
  // highest such obstacle free in the box. Every other site with x in the
  // box lies in this node, and of each row only the nearest site on each
  // side can fall inside. False when the scans pass 48 rows a row: then the
  // pairs may be many, and a chain of projections serves them all.
  bool findPairs(const std::vector<Row>& rows, float line) {
    long budget = 48 * static_cast<long>(rows.size()) + 64;
    for (size_t i = 0; i < rows.size(); ++i) {
      const Row& row = rows[i];
      if (row.on >= 0) {
        for (int s : {row.left, row.right}) {
          if (s >= 0 && seesTo(s, line)) {
            pairs_.emplace_back(s, row.on);
          }
        }
        if (!scanFromLine(rows, i, budget)) {
          return false;
        }
        continue;
      }
      if (row.left >= 0 && row.right >= 0 && seesTo(row.left, line) &&
          seesTo(row.right, line)) {
        pairs_.emplace_back(row.left, row.right);
      }
      for (int side = 0; side < 2; ++side) {
        int a = side == 0 ? row.left : row.right;
        if (a >= 0 && seesTo(a, line) &&
            !scanFromSide(rows, i, a, side, budget)) {
          return false;
        }
      }
    }
    return true;
  }

  // Whether site s sees along its row to x = t.
  bool seesTo(int s, float t) const {
    return t >= x(s) ? hit_[right][s] >= t : hit_[left][s] <= t;
  }

  // Partners above the site a of row i, on side 0 (left) or 1 (right) of
  // the line: a site on the line, or the nearest one of the other side,
  // until a row holds a site of a's side at or nearer the line than a.
  bool scanFromSide(
      const std::vector<Row>& rows, size_t i, int a, int side, long& budget) {
    int other = side == 0 ? rows[i].right : rows[i].left;
    float ax = x(a);
    // Whether t, across the line from a, lies no farther from it than bx.
    auto within = [&](float t, float bx) {
      return side == 0 ? t <= bx : t >= bx;
    };
    // The nearest x across the line among the rows passed, a's included.
    float bound = other >= 0 ? x(other) : (side == 0 ? inf : -inf);
    for (size_t k = i + 1; k < rows.size(); ++k) {
      if (--budget < 0) {
        return false;
      }
      const Row& row = rows[k];
      if (row.y > hit_[up][a]) {
        break;
      }
      int same = side == 0 ? row.left : row.right;
      if (same >= 0 && (side == 0 ? x(same) >= ax : x(same) <= ax)) {
        break;
      }
      if (row.on >= 0) {
        if (seesTo(row.on, ax) && hit_[down][row.on] <= rows[i].y) {
          pairs_.emplace_back(a, row.on);
        }
        break;
      }
      int b = side == 0 ? row.right : row.left;
      if (b < 0) {
        continue;
      }
      float bx = x(b);
      if (!within(bound, bx) && seesTo(a, bx) && seesTo(b, ax) &&
          hit_[down][b] <= rows[i].y) {
        pairs_.emplace_back(a, b);
      }
      if (within(bx, bound)) {
        bound = bx;
      }
    }
    return true;
  }

  // Partners above the site on the line in row i: the next site on the
  // line, and sites on either side whose box holds no site of the rows
  // between.
  bool scanFromLine(const std::vector<Row>& rows, size_t i, long& budget) {
    int a = rows[i].on;
    float ax = x(a);
    float nearLeft = rows[i].left >= 0 ? x(rows[i].left) : -inf;
    float nearRight = rows[i].right >= 0 ? x(rows[i].right) : inf;
    for (size_t k = i + 1; k < rows.size(); ++k) {
      if (--budget < 0) {
        return false;
      }
      const Row& row = rows[k];
      if (row.y > hit_[up][a]) {
        break;
      }
      if (row.on >= 0) {
        pairs_.emplace_back(a, row.on);
        break;
      }
      if (row.left >= 0) {
        float bx = x(row.left);
        if (bx > nearLeft && seesTo(row.left, ax) && seesTo(a, bx) &&
            hit_[down][row.left] <= rows[i].y) {
          pairs_.emplace_back(a, row.left);
        }
        nearLeft = std::max(nearLeft, bx);
      }
      if (row.right >= 0) {
        float bx = x(row.right);
        if (bx < nearRight && seesTo(row.right, ax) && seesTo(a, bx) &&
            hit_[down][row.right] <= rows[i].y) {
          pairs_.emplace_back(a, row.right);
        }
        nearRight = std::min(nearRight, bx);
      }
    }
    return true;
  }

  // The fallback where pairs are too many: project every site that sees the
  // line onto it and join consecutive projections along free stretches.
  void chainRows(const std::vector<Row>& all, float line) {
    std::vector<Row> rows;
    for (Row row : all) {
      if (row.left >= 0 && !seesTo(row.left, line)) {
        row.left = -1;
      }
      if (row.right >= 0 && !seesTo(row.right, line)) {
        row.right = -1;
      }
      if (row.on >= 0 || row.left >= 0 || row.right >= 0) {
        rows.push_back(row);
      }
    }
    for (size_t i = 0; i < rows.size();) {
      size_t end = i + 1;
      while (end < rows.size() &&
             !index_.blocksVertical(line, rows[end - 1].y, rows[end].y)) {
        ++end;
      }
      joinStretch(rows, i, end, line);
      i = end;
    }
  }

  // rows [i, end) lie on one free stretch of the line. A link between two
  // rows serves a pair of sites on different sides (a site on the line
  // counts for both) whose box is free, so the lower one sees up to the
  // upper row and the upper one down to the lower row.
  void joinStretch(const std::vector<Row>& rows,
                   size_t i,
                   size_t end,
                   float line) {
    size_t n = end - i;
    // Per side (0: left or on, 1: right or on), how far up the sites of the
    // rows so far see, and how far down those of the rows from here on.
    std::vector<float> seesUp[2], seesDown[2];
    for (int side = 0; side < 2; ++side) {
      seesUp[side].assign(n, -inf);
      seesDown[side].assign(n, inf);
      float best = -inf;
      for (size_t k = 0; k < n; ++k) {
        for (int s : countsFor(rows[i + k], side)) {
          if (s >= 0) {
            best = std::max(best, hit_[up][s]);
          }
        }
        seesUp[side][k] = best;
      }
      best = inf;
      for (size_t k = n; k-- > 0;) {
        for (int s : countsFor(rows[i + k], side)) {
          if (s >= 0) {
            best = std::min(best, hit_[down][s]);
          }
        }
        seesDown[side][k] = best;
      }
    }
    std::vector<char> linked(n, 0);  // linked[k]: row k joins row k + 1
    for (size_t k = 0; k + 1 < n; ++k) {
      float lo = rows[i + k].y;
      float hi = rows[i + k + 1].y;
      linked[k] = (seesUp[0][k] >= hi && seesDown[1][k + 1] <= lo) ||
                  (seesUp[1][k] >= hi && seesDown[0][k + 1] <= lo);
    }
    int below = -1;
    for (size_t k = 0; k < n; ++k) {
      const Row& row = rows[i + k];
      bool linkDown = k > 0 && linked[k - 1];
      bool linkUp = linked[k];
      int at = row.on;
      if (at < 0 && !linkDown && !linkUp) {
        // A lone row serves only its own two sides, straight across.
        if (row.left >= 0 && row.right >= 0) {
          out_.edges.emplace_back(row.left, row.right);
        }
        continue;
      }
      if (at < 0) {
        at = static_cast<int>(x_.size() + out_.cutPoints.size());
        out_.cutPoints.push_back({line, row.y});
      }
      for (int s : {row.left, row.right}) {
        if (s >= 0) {
          out_.edges.emplace_back(s, at);
        }
      }
      if (linkDown) {
        out_.edges.emplace_back(below, at);
      }
      below = at;
    }
  }

  // The row's sites that count for side 0 (left) or 1 (right); -1 for none.
  static std::array<int, 2> countsFor(const Row& row, int side) {
    return {row.on, side == 0 ? row.left : row.right};
  }

  const ObstacleIndex& index_;
  const std::vector<char>& pin_;
  ExactGraph& out_;
  std::vector<float> x_;
  std::vector<float> y_;
  std::vector<float> hit_[4];
  std::vector<std::pair<int, int>> pairs_;
};

}  // namespace

ExactGraph buildExactGraph(const std::vector<RoutePoint>& sites,
                           const std::vector<char>& pins,
                           const ObstacleIndex& index) {
  ExactGraph out;
  CutLineGraph g(sites, pins, index, out);
  g.build();
  return out;
}
