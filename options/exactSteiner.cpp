#include "options/exactSteiner.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "options/gridLines.h"
#include "support/plane.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();

// Relative slack on the upper bound, so that rounding never drops a point
// of a shortest tree whose lower bound meets the upper one exactly.
const double kSlack = 1e-9;

// Subsets are bit masks of the terminals other than the root: beyond this
// many terminals their records alone would fill memory, and the time could
// never be spent.
const int kMaxTerminals = 20;

// Work units per counted operation (one value added, compared or moved),
// and per value stored.
const double kUnitsPerOp = 0.1;
const double kUnitsPerValue = 0.5;

// Values whose storage outlives a solve, for the next one.
const size_t kKeptValues = size_t(1) << 22;

// Columns a..b of one grid row (none when b < a); the value of column i
// sits at off + i - a.
struct Span {
  int a;
  int b;
  int64_t off;
};

// Rows j1..j2 of the grid, one span each, kept in a shared list from first.
struct Region {
  int j1 = 0;
  int j2 = -1;
  size_t first = 0;

  bool empty() const { return j2 < j1; }
};

// Grid indexes, both ends included.
struct IndexBox {
  int i1 = 0;
  int i2 = -1;
  int j1 = 0;
  int j2 = -1;

  bool empty() const { return i2 < i1 || j2 < j1; }
};

IndexBox intersect(const IndexBox& a, const IndexBox& b) {
  return {std::max(a.i1, b.i1), std::min(a.i2, b.i2), std::max(a.j1, b.j1),
          std::min(a.j2, b.j2)};
}

IndexBox hull(const IndexBox& a, const IndexBox& b) {
  if (a.empty()) {
    return b;
  }
  return {std::min(a.i1, b.i1), std::max(a.i2, b.i2), std::min(a.j1, b.j1),
          std::max(a.j2, b.j2)};
}

using Box = treecore::plane::Box<double>;

// Holds no point: the first one added makes it that point's box.
const Box noBox{kInf, kInf, -kInf, -kInf};

void addPoint(Box& b, double x, double y) {
  b = treecore::plane::hull(b, Box{x, y, x, y});
}

// Width of [lo, hi] grown to hold x.
double spanWith(double lo, double hi, double x) {
  return std::max(hi, x) - std::min(lo, x);
}

// How far x lies outside [lo, hi].
double outside(double lo, double hi, double x) {
  return std::max(0.0, std::max(lo - x, x - hi));
}

void sortUnique(std::vector<double>& c) {
  std::sort(c.begin(), c.end());
  c.erase(std::unique(c.begin(), c.end()), c.end());
}

int indexOf(const std::vector<double>& c, double v) {
  return static_cast<int>(std::lower_bound(c.begin(), c.end(), v) - c.begin());
}

int popCount(unsigned m) {
  int n = 0;
  for (; m; m &= m - 1) {
    ++n;
  }
  return n;
}

int lowBitIndex(unsigned m) {
  int t = 0;
  while (!(m >> t & 1)) {
    ++t;
  }
  return t;
}

// The indexes where f, which falls to its first minimum at imin and rises
// after it, is at most t, narrowing [a, b]; false when none are left.
bool narrowToLevel(
    const std::vector<double>& f, int imin, double t, int& a, int& b) {
  if (!(f[imin] <= t)) {
    return false;
  }
  int lo = 0, hi = imin;
  while (lo < hi) {
    int mid = (lo + hi) / 2;
    if (f[mid] <= t) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  a = std::max(a, lo);
  lo = imin, hi = static_cast<int>(f.size()) - 1;
  while (lo < hi) {
    int mid = (lo + hi + 1) / 2;
    if (f[mid] <= t) {
      lo = mid;
    } else {
      hi = mid - 1;
    }
  }
  b = std::min(b, lo);
  return a <= b;
}

int argMin(const std::vector<double>& f) {
  return static_cast<int>(std::min_element(f.begin(), f.end()) - f.begin());
}

// Keeps its storage from one solve to the next, so that a run of small
// nets does not pay for fresh memory each time.
class Solver {
 public:
  ExactTree solve(const std::vector<RoutePoint>& terminals,
                  const ObstacleIndex& obstacles,
                  const ObstacleIndex::Rect& box,
                  WorkBudget& budget,
                  double within);

 private:
  ExactTree run();
  // Gives back storage beyond what small nets need.
  void trim();
  int node(int i, int j) const { return j * nx_ + i; }
  const Span& span(const Region& r, int j) const {
    return spans_[r.first + (j - r.j1)];
  }
  // The grid lines: the box's sides and every terminal's and obstacle
  // side's coordinates inside it.
  void placeLines(const ObstacleIndex::Rect& box);
  void buildGrid();
  bool spend();
  // Brings the values over a region down to shortest-path values from
  // where they start, along free grid pieces inside the region.
  void settle(const Region& r);
  // A fresh field of values over the whole grid, for a search from a set.
  Region addFullField();
  // Index of the value at (i, j), or -1 when the region keeps none there.
  int64_t slot(const Region& r, int i, int j) const;
  // Lower bounds of the part of a tree outside mask: the width and the
  // height of the other terminals' box, the root's included, grown to hold
  // each column and row.
  void boundsOutside(unsigned mask);
  // Where mask's values are kept and joined: the points where a tree
  // holding mask, hung from the point, could belong to a tree no longer
  // than the limit. Fills splits_; false when there is nowhere.
  bool placeSubset(unsigned mask);
  void joinSplits(unsigned mask);
  // The part of mask's values that can still belong to a tree no longer
  // than the limit, for the unions of larger subsets.
  void keepUseful(unsigned mask);
  // The first split of mask whose union makes its value at v, or 0.
  unsigned splitAt(unsigned mask, int v) const;
  // The k-th neighbour of v (left, right, below, above), or -1 off the
  // grid, and the length of the piece to it, infinite where blocked.
  int neighbour(int v, int k, double& w) const;
  // slot of node v, or -1 for v = -1.
  int64_t slotAt(const Region& r, int v) const;
  // A neighbour of v whose value plus the piece between them makes v's
  // value exactly, as the passes computed it, and is less; -1 if none.
  // Where a value came from a step, such a neighbour exists unless the
  // piece is too short to change the sum.
  int stepFrom(const Region& r, int v) const;
  void markPiece(int u, int v);
  // Marks a way down r's values from v to a point where stop holds (a
  // union, or a value of zero where a search started) and returns it.
  template <class Stop>
  int walkDown(const Region& r, int v, Stop stop);
  double markedLength() const;
  double shortestPathBound(int start);
  ExactTree collectTree();

  const ObstacleIndex* pObstacles_ = nullptr;
  WorkBudget* pBudget_ = nullptr;
  double within_ = kInf;
  double limit_ = kInf;
  std::vector<RoutePoint> terms_;
  int k_ = 0;
  std::vector<double> xs_;
  std::vector<double> ys_;
  std::vector<int> rects_;  // the obstacles meeting the box
  int nx_ = 0;
  int ny_ = 0;
  // Per node: the length of the free piece to the right (up) neighbour,
  // infinite where the piece is blocked or there is none.
  std::vector<double> wRight_;
  std::vector<double> wUp_;
  std::vector<char> blocked_;
  bool open_ = true;  // no obstacle meets the box
  std::vector<int> termNode_;
  std::vector<Region> field_;  // per terminal: shortest-path values

  // Terminals other than the root, the last one, are the bits of a mask.
  int m_ = 0;
  std::vector<IndexBox> termBox_;    // per mask: the terminals' grid box
  std::vector<Box> boxes_;           // per mask: the terminals' box
  std::vector<Region> store_;        // per mask: where its values are kept
  std::vector<Region> active_;       // per mask: the useful part of them
  std::vector<IndexBox> activeBox_;  // empty when it keeps nothing
  std::vector<double> minValue_;     // per mask: least useful value
  std::vector<Span> spans_;
  // Values: first a field over the whole grid from each terminal, then the
  // subsets' regions.
  std::vector<double> cost_;
  std::vector<unsigned> splits_;
  std::vector<double> restX_;  // see boundsOutside
  std::vector<double> restY_;
  std::vector<double> f1_, f2_, g1_, g2_;  // placeSubset's bounds
  double ops_ = 0;

  std::vector<char> usedRight_;
  std::vector<char> usedUp_;
};

ExactTree Solver::solve(const std::vector<RoutePoint>& terminals,
                        const ObstacleIndex& obstacles,
                        const ObstacleIndex::Rect& box,
                        WorkBudget& budget,
                        double within) {
  pObstacles_ = &obstacles;
  pBudget_ = &budget;
  within_ = within;
  limit_ = kInf;
  ops_ = 0;
  m_ = 0;
  termNode_.clear();
  field_.clear();
  spans_.clear();
  cost_.clear();
  terms_ = terminals;
  std::sort(terms_.begin(), terms_.end(),
            [](const RoutePoint& a, const RoutePoint& b) {
              return a.x < b.x || (a.x == b.x && a.y < b.y);
            });
  terms_.erase(std::unique(terms_.begin(), terms_.end()), terms_.end());
  k_ = static_cast<int>(terms_.size());
  ObstacleIndex::Rect b = box;
  for (const RoutePoint& t : terms_) {
    b.xlo = std::min(b.xlo, t.x), b.xhi = std::max(b.xhi, t.x);
    b.ylo = std::min(b.ylo, t.y), b.yhi = std::max(b.yhi, t.y);
  }
  if (k_ >= 2 && k_ <= kMaxTerminals) {
    placeLines(b);
  }
  ExactTree tree = run();
  trim();
  return tree;
}

void Solver::trim() {
  if (cost_.capacity() > kKeptValues) {
    std::vector<double>().swap(cost_);
  }
  if (spans_.capacity() > kKeptValues / 16) {
    std::vector<Span>().swap(spans_);
  }
}

void Solver::placeLines(const ObstacleIndex::Rect& box) {
  xs_ = {box.xlo, box.xhi};
  ys_ = {box.ylo, box.yhi};
  for (const RoutePoint& t : terms_) {
    xs_.push_back(t.x);
    ys_.push_back(t.y);
  }
  rects_ = pObstacles_->meeting(box.xlo, box.ylo, box.xhi, box.yhi);
  open_ = rects_.empty();
  for (int r : rects_) {
    const ObstacleIndex::Rect& o = pObstacles_->rects()[r];
    for (double x : {o.xlo, o.xhi}) {
      if (box.xlo < x && x < box.xhi) {
        xs_.push_back(x);
      }
    }
    for (double y : {o.ylo, o.yhi}) {
      if (box.ylo < y && y < box.yhi) {
        ys_.push_back(y);
      }
    }
  }
  sortUnique(xs_);
  sortUnique(ys_);
  nx_ = static_cast<int>(xs_.size());
  ny_ = static_cast<int>(ys_.size());
}

// Every side of the obstacles in the box lies on grid lines, so each
// obstacle blocks a block of nodes and pieces that index ranges name.
void Solver::buildGrid() {
  int n = nx_ * ny_;
  wRight_.assign(n, kInf);
  wUp_.assign(n, kInf);
  blocked_.assign(n, 0);
  for (int j = 0; j < ny_; ++j) {
    for (int i = 0; i + 1 < nx_; ++i) {
      wRight_[node(i, j)] = xs_[i + 1] - xs_[i];
    }
  }
  for (int j = 0; j + 1 < ny_; ++j) {
    for (int i = 0; i < nx_; ++i) {
      wUp_[node(i, j)] = ys_[j + 1] - ys_[j];
    }
  }
  for (int r : rects_) {
    const ObstacleIndex::Rect& o = pObstacles_->rects()[r];
    auto [i1, i2] = linesStrictlyInside(xs_, o.xlo, o.xhi);
    auto [j1, j2] = linesStrictlyInside(ys_, o.ylo, o.yhi);
    // A piece from i to i + 1 meets the open interval when it ends past
    // its low side and starts before its high side.
    int h1 = std::max(0, i1 - 1), h2 = std::min(nx_ - 2, i2);
    int v1 = std::max(0, j1 - 1), v2 = std::min(ny_ - 2, j2);
    for (int j = j1; j <= j2; ++j) {
      for (int i = i1; i <= i2; ++i) {
        blocked_[node(i, j)] = 1;
      }
      for (int i = h1; i <= h2; ++i) {
        wRight_[node(i, j)] = kInf;
      }
    }
    for (int i = i1; i <= i2; ++i) {
      for (int j = v1; j <= v2; ++j) {
        wUp_[node(i, j)] = kInf;
      }
    }
  }
  ops_ += 4.0 * n;
}

bool Solver::spend() {
  pBudget_->left -= ops_ * kUnitsPerOp;
  ops_ = 0;
  return pBudget_->left >= 0;
}

Region Solver::addFullField() {
  int64_t at = static_cast<int64_t>(cost_.size());
  cost_.resize(cost_.size() + static_cast<size_t>(nx_) * ny_, kInf);
  ops_ += static_cast<double>(nx_) * ny_ * (1 + kUnitsPerValue / kUnitsPerOp);
  Region r;
  r.j1 = 0;
  r.j2 = ny_ - 1;
  r.first = spans_.size();
  for (int j = 0; j < ny_; ++j) {
    spans_.push_back({0, nx_ - 1, at + static_cast<int64_t>(j) * nx_});
  }
  return r;
}

int64_t Solver::slot(const Region& r, int i, int j) const {
  if (j < r.j1 || j > r.j2) {
    return -1;
  }
  const Span& s = span(r, j);
  if (i < s.a || i > s.b) {
    return -1;
  }
  return s.off + i - s.a;
}

void Solver::settle(const Region& r) {
  double* cost = cost_.data();
  double ops = 0;
  // Each pass settles its rows (columns) exactly along its own direction.
  // Rows go two at a time: each is a chain of dependent steps, and two
  // chains overlap in the processor.
  auto horizontal = [&] {
    bool changed = false;
    for (int j = r.j1; j <= r.j2;) {
      double* c[2];
      const double* w[2];
      int len[2];
      int rows = 0;
      for (; j <= r.j2 && rows < 2; ++j) {
        const Span& s = span(r, j);
        if (s.b < s.a) {
          continue;  // a row between others that keeps nothing
        }
        c[rows] = cost + s.off;
        w[rows] = wRight_.data() + node(s.a, j);
        len[rows] = s.b - s.a;
        ops += 2.0 * (len[rows] + 1);
        ++rows;
      }
      if (rows == 0) {
        break;
      }
      if (rows == 1) {
        c[1] = c[0], w[1] = w[0], len[1] = 0;
      }
      int both = std::min(len[0], len[1]);
      double p0 = c[0][0], p1 = c[1][0];
      int i = 0;
      for (; i < both; ++i) {
        double d0 = p0 + w[0][i], d1 = p1 + w[1][i];
        changed |= (d0 < c[0][i + 1]) | (d1 < c[1][i + 1]);
        p0 = std::min(c[0][i + 1], d0);
        p1 = std::min(c[1][i + 1], d1);
        c[0][i + 1] = p0;
        c[1][i + 1] = p1;
      }
      for (int q = 0; q < 2; ++q) {
        double p = q ? p1 : p0;
        for (int k = i; k < len[q]; ++k) {
          double d = p + w[q][k];
          changed |= d < c[q][k + 1];
          p = std::min(c[q][k + 1], d);
          c[q][k + 1] = p;
        }
      }
      p0 = c[0][len[0]], p1 = c[1][len[1]];
      for (i = 0; i < both; ++i) {
        int i0 = len[0] - i, i1 = len[1] - i;
        double d0 = p0 + w[0][i0 - 1], d1 = p1 + w[1][i1 - 1];
        changed |= (d0 < c[0][i0 - 1]) | (d1 < c[1][i1 - 1]);
        p0 = std::min(c[0][i0 - 1], d0);
        p1 = std::min(c[1][i1 - 1], d1);
        c[0][i0 - 1] = p0;
        c[1][i1 - 1] = p1;
      }
      for (int q = 0; q < 2; ++q) {
        double p = q ? p1 : p0;
        for (int k = len[q] - i; k > 0; --k) {
          double d = p + w[q][k - 1];
          changed |= d < c[q][k - 1];
          p = std::min(c[q][k - 1], d);
          c[q][k - 1] = p;
        }
      }
    }
    return changed;
  };
  // One row's values from its neighbour's (from), over the columns both
  // hold.
  auto across = [&](const Span& from, const Span& to, int wj) {
    int a = std::max(from.a, to.a), b = std::min(from.b, to.b);
    const double* __restrict c0 = cost + from.off + (a - from.a);
    double* __restrict c1 = cost + to.off + (a - to.a);
    const double* __restrict w = wUp_.data() + node(a, wj);
    for (int i = 0; i <= b - a; ++i) {
      c1[i] = std::min(c1[i], c0[i] + w[i]);
    }
    ops += std::max(0, b - a + 1);
  };
  // Rows then columns, until the rows see no change after the columns:
  // then neither pass would change anything.
  horizontal();
  do {
    for (int j = r.j1; j < r.j2; ++j) {
      across(span(r, j), span(r, j + 1), j);
    }
    for (int j = r.j2; j > r.j1; --j) {
      across(span(r, j), span(r, j - 1), j - 1);
    }
  } while (horizontal());
  ops_ += ops;
}

void Solver::boundsOutside(unsigned mask) {
  unsigned full = (1u << m_) - 1;
  Box rest = boxes_[full ^ mask];
  addPoint(rest, terms_[m_].x, terms_[m_].y);
  for (int i = 0; i < nx_; ++i) {
    restX_[i] = spanWith(rest.xlo, rest.xhi, xs_[i]);
  }
  for (int j = 0; j < ny_; ++j) {
    restY_[j] = spanWith(rest.ylo, rest.yhi, ys_[j]);
  }
  ops_ += nx_ + ny_;
}

bool Solver::placeSubset(unsigned mask) {
  // Without obstacles a tree for the subset and a point outside its box is
  // a tree for the point's nearest point in the box and a straight way on,
  // so unions are needed only inside the box.
  IndexBox join = open_ ? termBox_[mask] : IndexBox{0, nx_ - 1, 0, ny_ - 1};
  IndexBox where;
  double least = kInf;
  splits_.clear();
  // Each split once: the part holding the lowest terminal is named. The
  // loop runs 3^k times over all subsets: it reads through plain pointers.
  const IndexBox* boxes = activeBox_.data();
  const double* least1 = minValue_.data();
  unsigned low = mask & (~mask + 1), rest = mask ^ low;
  for (unsigned sub = (rest - 1) & rest;; sub = (sub - 1) & rest) {
    unsigned a = sub | low, b = mask ^ a;
    // An empty box stands for a subset that keeps nothing.
    IndexBox both = intersect(intersect(boxes[a], boxes[b]), join);
    if (!both.empty()) {
      splits_.push_back(a);
      where = hull(where, both);
      least = std::min(least, least1[a] + least1[b]);
    }
    if (sub == 0) {
      break;
    }
  }
  ops_ += static_cast<double>(1u << popCount(rest));
  if (splits_.empty()) {
    return false;
  }
  // A point's value is at least the least union plus the way to where the
  // unions are, and at least the box of the subset and the point; with the
  // box of the rest and the point that must fit the limit. Each bound is a
  // sum of a convex function of the column and one of the row.
  const Box& in = boxes_[mask];
  std::vector<double>& f1 = f1_;
  std::vector<double>& f2 = f2_;
  std::vector<double>& g1 = g1_;
  std::vector<double>& g2 = g2_;
  f1.resize(nx_), f2.resize(nx_), g1.resize(ny_), g2.resize(ny_);
  double xlo = xs_[where.i1], xhi = xs_[where.i2];
  double ylo = ys_[where.j1], yhi = ys_[where.j2];
  for (int i = 0; i < nx_; ++i) {
    f1[i] = spanWith(in.xlo, in.xhi, xs_[i]) + restX_[i];
    f2[i] = outside(xlo, xhi, xs_[i]) + restX_[i];
  }
  for (int j = 0; j < ny_; ++j) {
    g1[j] = spanWith(in.ylo, in.yhi, ys_[j]) + restY_[j];
    g2[j] = outside(ylo, yhi, ys_[j]) + restY_[j] + least;
  }
  ops_ += 2.0 * (nx_ + ny_);
  int m1 = argMin(f1), m2 = argMin(f2);
  Region r;
  r.first = spans_.size();
  int64_t off = static_cast<int64_t>(cost_.size());
  // Both bounds are convex, and so is where they both fit; but a thin
  // slant of it may pass between two grid lines, so a row that keeps
  // nothing may lie between rows that do.
  for (int j = 0; j < ny_; ++j) {
    int a = 0, b = nx_ - 1;
    if (!narrowToLevel(f1, m1, limit_ - g1[j], a, b) ||
        !narrowToLevel(f2, m2, limit_ - g2[j], a, b)) {
      a = 0, b = -1;
    }
    if (a > b && r.empty()) {
      continue;
    }
    if (r.empty()) {
      r.j1 = j;
    }
    r.j2 = j;
    spans_.push_back({a, b, off});
    off += b - a + 1;
  }
  // Trailing rows that keep nothing.
  while (!r.empty() && spans_.back().b < spans_.back().a) {
    spans_.pop_back();
    --r.j2;
  }
  if (r.empty()) {
    return false;
  }
  store_[mask] = r;
  size_t values = static_cast<size_t>(off) - cost_.size();
  cost_.resize(off, kInf);
  ops_ += values * (1 + kUnitsPerValue / kUnitsPerOp);
  return true;
}

void Solver::joinSplits(unsigned mask) {
  const Region& r = store_[mask];
  IndexBox join = open_ ? termBox_[mask] : IndexBox{0, nx_ - 1, 0, ny_ - 1};
  double* cost = cost_.data();
  double ops = 0;
  for (unsigned a : splits_) {
    const Region& ra = active_[a];
    const Region& rb = active_[mask ^ a];
    int jlo = std::max({r.j1, ra.j1, rb.j1, join.j1});
    int jhi = std::min({r.j2, ra.j2, rb.j2, join.j2});
    for (int j = jlo; j <= jhi; ++j) {
      const Span& s = span(r, j);
      const Span& sa = span(ra, j);
      const Span& sb = span(rb, j);
      int i1 = std::max({s.a, sa.a, sb.a, join.i1});
      int i2 = std::min({s.b, sa.b, sb.b, join.i2});
      if (i1 > i2) {
        continue;
      }
      // The three subsets' values never share storage.
      double* __restrict c = cost + s.off + (i1 - s.a);
      const double* __restrict ca = cost + sa.off + (i1 - sa.a);
      const double* __restrict cb = cost + sb.off + (i1 - sb.a);
      int len = i2 - i1 + 1;
      for (int i = 0; i < len; ++i) {
        c[i] = std::min(c[i], ca[i] + cb[i]);
      }
      ops += len;
    }
    ops += 4;
  }
  ops_ += ops;
}

void Solver::keepUseful(unsigned mask) {
  const Region& r = store_[mask];
  Region act;
  act.first = spans_.size();
  IndexBox box;
  double least = kInf;
  double ops = 0;
  for (int j = r.j1; j <= r.j2; ++j) {
    const Span& s = span(r, j);
    const double* c = cost_.data() + s.off - s.a;
    double t = limit_ - restY_[j];
    int a = s.a, b = s.b;
    while (a <= b && !(c[a] + restX_[a] <= t)) {
      ++a;
    }
    while (b > a && !(c[b] + restX_[b] <= t)) {
      --b;
    }
    for (int i = a; i <= b; ++i) {
      least = std::min(least, c[i]);
    }
    ops += s.b - s.a + 1;
    if (a > b && act.empty()) {
      continue;
    }
    if (act.empty()) {
      act.j1 = j;
    }
    act.j2 = j;
    spans_.push_back({a, b, s.off + (a - s.a)});
    if (a <= b) {
      box = hull(box, IndexBox{a, b, j, j});
    }
  }
  // Trailing rows that keep nothing.
  while (!act.empty() && spans_[act.first + (act.j2 - act.j1)].b <
                             spans_[act.first + (act.j2 - act.j1)].a) {
    --act.j2;
  }
  active_[mask] = act;
  activeBox_[mask] = box;
  minValue_[mask] = least;
  ops_ += ops;
}

unsigned Solver::splitAt(unsigned mask, int v) const {
  int i = v % nx_, j = v / nx_;
  double value = cost_[slotAt(store_[mask], v)];
  unsigned low = mask & (~mask + 1);
  for (unsigned a = (mask - 1) & mask; a > 0; a = (a - 1) & mask) {
    int64_t sa = slot(store_[a], i, j), sb = slot(store_[mask ^ a], i, j);
    if ((a & low) && sa >= 0 && sb >= 0 && cost_[sa] + cost_[sb] == value) {
      return a;
    }
  }
  return 0;
}

int Solver::neighbour(int v, int k, double& w) const {
  int i = v % nx_, j = v / nx_;
  switch (k) {
    case 0:
      w = i > 0 ? wRight_[v - 1] : kInf;
      return i > 0 ? v - 1 : -1;
    case 1:
      w = wRight_[v];
      return i + 1 < nx_ ? v + 1 : -1;
    case 2:
      w = j > 0 ? wUp_[v - nx_] : kInf;
      return j > 0 ? v - nx_ : -1;
    default:
      w = wUp_[v];
      return j + 1 < ny_ ? v + nx_ : -1;
  }
}

int64_t Solver::slotAt(const Region& r, int v) const {
  return v < 0 ? -1 : slot(r, v % nx_, v / nx_);
}

int Solver::stepFrom(const Region& r, int v) const {
  double value = cost_[slotAt(r, v)];
  for (int k = 0; k < 4; ++k) {
    double w;
    int u = neighbour(v, k, w);
    int64_t su = slotAt(r, u);
    if (su >= 0 && cost_[su] + w == value && cost_[su] < value) {
      return u;
    }
  }
  return -1;
}

void Solver::markPiece(int u, int v) {
  (u / nx_ == v / nx_ ? usedRight_ : usedUp_)[std::min(u, v)] = 1;
}

template <class Stop>
int Solver::walkDown(const Region& r, int v, Stop stop) {
  while (!stop(v)) {
    int u = stepFrom(r, v);
    if (u >= 0) {
      markPiece(u, v);
      v = u;
      continue;
    }
    // Only where a piece is too short to change a value in double: search
    // the points of equal value for one that leads on.
    std::vector<int> from{v};
    std::vector<int> seen{v};
    int exit = -1;
    for (size_t q = 0; q < seen.size() && exit < 0; ++q) {
      int p = seen[q];
      if (stop(p) || stepFrom(r, p) >= 0) {
        exit = static_cast<int>(q);
        break;
      }
      double value = cost_[slotAt(r, p)];
      for (int k = 0; k < 4; ++k) {
        double w;
        int u = neighbour(p, k, w);
        int64_t su = slotAt(r, u);
        if (su >= 0 && cost_[su] + w == value &&
            std::find(seen.begin(), seen.end(), u) == seen.end()) {
          seen.push_back(u);
          from.push_back(static_cast<int>(q));
        }
      }
    }
    if (exit < 0) {
      return v;
    }
    for (int q = exit; q > 0; q = from[q]) {
      markPiece(seen[q], seen[from[q]]);
    }
    v = seen[exit];
  }
  return v;
}

double Solver::markedLength() const {
  double len = 0;
  for (int v = 0; v < nx_ * ny_; ++v) {
    if (usedRight_[v]) {
      len += wRight_[v];
    }
    if (usedUp_[v]) {
      len += wUp_[v];
    }
  }
  return len;
}

// Grows a tree from one terminal, joining the terminal nearest to it by a
// shortest path from the whole tree, until all are in. The terminals'
// fields give every distance, so the tree's points are looked up, never
// searched from.
double Solver::shortestPathBound(int start) {
  int n = nx_ * ny_;
  usedRight_.assign(n, 0);
  usedUp_.assign(n, 0);
  std::vector<double> near(k_);
  std::vector<int> at(k_, termNode_[start]);
  std::vector<char> in(k_, 0);
  in[start] = 1;
  auto reach = [&](int v) {
    for (int t = 0; t < k_; ++t) {
      double d = cost_[spans_[field_[t].first].off + v];
      if (!in[t] && d < near[t]) {
        near[t] = d;
        at[t] = v;
      }
    }
    ops_ += k_;
  };
  std::fill(near.begin(), near.end(), kInf);
  reach(termNode_[start]);
  for (int it = 1; it < k_; ++it) {
    int u = -1;
    for (int t = 0; t < k_; ++t) {
      if (!in[t] && (u < 0 || near[t] < near[u])) {
        u = t;
      }
    }
    in[u] = 1;
    walkDown(field_[u], at[u], [&](int p) {
      reach(p);
      return p == termNode_[u];
    });
  }
  return markedLength();
}

// The marked pieces as maximal straight wires, cut wherever a
// perpendicular piece or a terminal meets them, so that wires meet only at
// their ends.
ExactTree Solver::collectTree() {
  ExactTree tree;
  tree.status = ExactStatus::solved;
  tree.length = markedLength();
  if (tree.length > within_) {
    tree.status = ExactStatus::noneWithin;
    return tree;
  }
  std::vector<char> isTerm(nx_ * ny_, 0);
  for (int t : termNode_) {
    isTerm[t] = 1;
  }
  auto wire = [&](int i1, int j1, int i2, int j2) {
    tree.wires.push_back(
        {static_cast<float>(xs_[i1]), static_cast<float>(ys_[j1]),
         static_cast<float>(xs_[i2]), static_cast<float>(ys_[j2])});
  };
  // Rows, then columns: along each line a wire runs over marked pieces
  // until they end or a piece across the line or a terminal meets them.
  for (bool vertical : {false, true}) {
    int lines = vertical ? nx_ : ny_, len = vertical ? ny_ : nx_;
    const std::vector<char>& along = vertical ? usedUp_ : usedRight_;
    const std::vector<char>& across = vertical ? usedRight_ : usedUp_;
    int before = vertical ? 1 : nx_;  // the node on the line's other side
    for (int l = 0; l < lines; ++l) {
      auto at = [&](int p) { return vertical ? node(l, p) : node(p, l); };
      auto stops = [&](int v) {
        return across[v] || (l > 0 && across[v - before]) || isTerm[v];
      };
      for (int p = 0; p + 1 < len;) {
        if (!along[at(p)]) {
          ++p;
          continue;
        }
        int e = p + 1;
        while (e + 1 < len && along[at(e)] && !stops(at(e))) {
          ++e;
        }
        if (vertical) {
          wire(l, p, l, e);
        } else {
          wire(p, l, e, l);
        }
        p = e;
      }
    }
  }
  std::sort(tree.wires.begin(), tree.wires.end(),
            [](const Wire& a, const Wire& b) {
              if (a.x1 != b.x1) {
                return a.x1 < b.x1;
              }
              if (a.y1 != b.y1) {
                return a.y1 < b.y1;
              }
              return a.x2 < b.x2 || (a.x2 == b.x2 && a.y2 < b.y2);
            });
  return tree;
}

ExactTree Solver::run() {
  ExactTree none;
  if (k_ <= 1) {
    none.status = ExactStatus::solved;
    return none;
  }
  int n = nx_ * ny_;
  // The grid, the terminals' fields and the subsets' records are made
  // before any of it can be counted: they must fit first.
  double first = static_cast<double>(n) * (k_ * 12.0 + 8) +
                 std::ldexp(8.0, std::min(k_, kMaxTerminals + 1));
  if (k_ > kMaxTerminals || first * kUnitsPerOp > pBudget_->left) {
    none.status = ExactStatus::overBudget;
    return none;
  }
  buildGrid();
  for (const RoutePoint& t : terms_) {
    int v = node(indexOf(xs_, t.x), indexOf(ys_, t.y));
    if (blocked_[v]) {
      return none;
    }
    termNode_.push_back(v);
  }
  for (int t = 0; t < k_; ++t) {
    field_.push_back(addFullField());
    cost_[spans_[field_[t].first].off + termNode_[t]] = 0;
    settle(field_[t]);
  }
  int64_t rootField = spans_[field_[k_ - 1].first].off;
  for (int v : termNode_) {
    if (!(cost_[rootField + v] < kInf)) {
      return none;
    }
  }
  m_ = k_ - 1;
  // The greedy trees grown from each terminal give the upper bound; with
  // two terminals the first is a shortest path.
  double upper = shortestPathBound(0);
  if (k_ == 2) {
    return collectTree();
  }
  for (int t = 1; t < k_; ++t) {
    upper = std::min(upper, shortestPathBound(t));
  }
  if (!spend()) {
    none.status = ExactStatus::overBudget;
    return none;
  }
  double bound = std::min(upper, within_);
  limit_ = bound + kSlack * bound;

  unsigned full = (1u << m_) - 1;
  boxes_.assign(full + 1, noBox);
  termBox_.assign(full + 1, IndexBox());
  for (unsigned mask = 1; mask <= full; ++mask) {
    int t = lowBitIndex(mask);
    boxes_[mask] = boxes_[mask & (mask - 1)];
    addPoint(boxes_[mask], terms_[t].x, terms_[t].y);
    int i = termNode_[t] % nx_, j = termNode_[t] / nx_;
    termBox_[mask] = hull(termBox_[mask & (mask - 1)], IndexBox{i, i, j, j});
  }
  store_.assign(full + 1, Region());
  active_.assign(full + 1, Region());
  activeBox_.assign(full + 1, IndexBox());
  minValue_.assign(full + 1, kInf);
  restX_.resize(nx_);
  restY_.resize(ny_);
  for (int t = 0; t < m_; ++t) {
    store_[1u << t] = field_[t];
    boundsOutside(1u << t);
    keepUseful(1u << t);
  }
  for (unsigned mask = 1; mask <= full; ++mask) {
    if ((mask & (mask - 1)) == 0) {
      continue;
    }
    boundsOutside(mask);
    if (placeSubset(mask)) {
      joinSplits(mask);
      if (mask != full) {
        settle(store_[mask]);
        keepUseful(mask);
      }
    }
    if (!spend()) {
      none.status = ExactStatus::overBudget;
      return none;
    }
  }

  // The root joins the tree of all other terminals at the best point.
  const double* rootDist = cost_.data() + rootField;
  const Region& rf = store_[full];
  double best = kInf;
  int at = -1;
  for (int j = rf.j1; j <= rf.j2; ++j) {
    const Span& s = span(rf, j);
    for (int i = s.a; i <= s.b; ++i) {
      double v = cost_[s.off + i - s.a] + rootDist[node(i, j)];
      if (v < best) {
        best = v;
        at = node(i, j);
      }
    }
  }
  if (!(best <= limit_)) {
    none.status = ExactStatus::noneWithin;
    return none;
  }
  usedRight_.assign(n, 0);
  usedUp_.assign(n, 0);
  walkDown(field_[m_], at, [&](int v) { return v == termNode_[m_]; });
  std::vector<std::pair<unsigned, int>> stack{{full, at}};
  while (!stack.empty()) {
    // Plain variables: C++17 lambdas cannot capture structured bindings.
    unsigned mask = stack.back().first;
    int v = stack.back().second;
    stack.pop_back();
    if ((mask & (mask - 1)) == 0) {
      int t = lowBitIndex(mask);
      walkDown(store_[mask], v, [&](int p) { return p == termNode_[t]; });
      continue;
    }
    unsigned a = 0;
    walkDown(store_[mask], v, [&](int p) {
      a = splitAt(mask, p);
      v = p;
      return a != 0;
    });
    if (a) {
      stack.emplace_back(a, v);
      stack.emplace_back(mask ^ a, v);
    }
  }
  return collectTree();
}

}  // namespace

ExactTree solveExactTree(const std::vector<RoutePoint>& terminals,
                         const ObstacleIndex& obstacles,
                         const ObstacleIndex::Rect& box,
                         WorkBudget& budget,
                         double within) {
  ExactScratch scratch;
  return solveExactTree(terminals, obstacles, box, budget, scratch, within);
}

ExactTree solveExactTree(const std::vector<RoutePoint>& terminals,
                         const ObstacleIndex& obstacles,
                         const ObstacleIndex::Rect& box,
                         WorkBudget& budget,
                         ExactScratch& scratch,
                         double within) {
  if (!scratch.solver) {
    scratch.solver = {new Solver,
                      [](void* p) { delete static_cast<Solver*>(p); }};
  }
  Solver& solver = *static_cast<Solver*>(scratch.solver.get());
  // Trees rarely come near most obstacles of their box, and each obstacle
  // adds grid lines: solve among some of them, which can only shorten the
  // tree, and add those it crosses until it crosses none; then it is a
  // shortest tree among all. Most nets need a few rounds and a fraction of
  // their obstacles.
  std::vector<ObstacleIndex::Rect> some;
  std::vector<int> taken;  // sorted
  for (;;) {
    ObstacleIndex index(some);
    ExactTree tree = solver.solve(terminals, index, box, budget, within);
    if (tree.status != ExactStatus::solved) {
      return tree;  // with fewer obstacles, also true of all
    }
    bool crossed = false;
    for (const Wire& w : tree.wires) {
      for (int r :
           obstacles.meeting(std::min(w.x1, w.x2), std::min(w.y1, w.y2),
                             std::max(w.x1, w.x2), std::max(w.y1, w.y2))) {
        auto at = std::lower_bound(taken.begin(), taken.end(), r);
        if (at == taken.end() || *at != r) {
          taken.insert(at, r);
          some.push_back(obstacles.rects()[r]);
          crossed = true;
        }
      }
    }
    if (!crossed) {
      return tree;
    }
  }
}
