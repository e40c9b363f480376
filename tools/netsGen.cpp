#include "tools/netsGen.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "spatial/obstacleIndex.h"

namespace {

// splitmix64 with draws made of integer and IEEE arithmetic only, so that
// every platform draws the same nets.
class Draws {
 public:
  explicit Draws(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // [0, 1)
  double unit() { return static_cast<double>(next() >> 11) * 0x1p-53; }
  // One of lo..hi, weighted 1/k: as many nets of each tenfold size range.
  long harmonic(long lo, long hi) {
    double total = 0;
    for (long k = lo; k <= hi; ++k) {
      total += 1.0 / static_cast<double>(k);
    }
    double u = unit() * total;
    for (long k = lo; k < hi; ++k) {
      u -= 1.0 / static_cast<double>(k);
      if (u < 0) {
        return k;
      }
    }
    return hi;
  }

 private:
  std::uint64_t state_;
};

long netSize(Draws& d) {
  double u = d.unit() * 1000;
  if (u < 550) {
    return 2;
  }
  if (u < 700) {
    return 3;
  }
  if (u < 780) {
    return 4;
  }
  if (u < 830) {
    return 5;
  }
  if (u < 950) {
    return 6 + static_cast<long>(d.unit() * 5);
  }
  return u < 995 ? d.harmonic(11, 50) : d.harmonic(51, 500);
}

// Macros on a floorplan: the box cut into columns and rows of varied
// widths, one macro in each of `count` slots drawn at random, filling from
// 55 to 85 % of its slot's width and height against one of the slot's
// corners. Macros never touch, and a channel runs between every two rows
// and columns, as between the macro banks of a placed design.
bool placeMacros(const GenOptions& o,
                 Draws& d,
                 std::vector<Rect>& rects,
                 std::string& error) {
  long w = o.xMax - o.xMin, h = o.yMax - o.yMin;
  long slots = (o.obstacles * 5 + 2) / 3;
  long cols = std::max(
      1L,
      static_cast<long>(std::sqrt(static_cast<double>(slots) * w / h) + 0.5));
  long rows = (slots + cols - 1) / cols;
  if (o.obstacles > 0 && (12 * cols > w || 12 * rows > h)) {
    error = "the box is too small for " + std::to_string(o.obstacles) +
            " macros; give a larger box or fewer obstacles";
    return false;
  }
  // Cut points at random weights: with at least twelve units per piece on
  // average, every piece is three or more wide.
  auto cuts = [&d](long lo, long span, long n) {
    std::vector<double> weight(n);
    double total = 0;
    for (double& x : weight) {
      x = 0.5 + d.unit();
      total += x;
    }
    std::vector<long> at{lo};
    double run = 0;
    for (long i = 0; i < n; ++i) {
      run += weight[i];
      at.push_back(i + 1 == n ? lo + span
                              : lo + static_cast<long>(run / total * span));
    }
    return at;
  };
  std::vector<long> xs = cuts(o.xMin, w, cols), ys = cuts(o.yMin, h, rows);
  std::vector<long> order(cols * rows);
  for (long i = 0; i < cols * rows; ++i) {
    order[i] = i;
  }
  for (long i = cols * rows - 1; i > 0; --i) {
    std::swap(order[i], order[static_cast<long>(d.unit() * (i + 1))]);
  }
  order.resize(o.obstacles);
  std::sort(order.begin(), order.end());
  // One side of a slot: the macro's extent, at least one unit clear of
  // either end so that neighbours never touch.
  auto side = [&d](long lo, long hi, long& a, long& b) {
    long span = hi - lo - 2;
    long len =
        std::clamp(static_cast<long>((0.55 + 0.3 * d.unit()) * span), 1L, span);
    bool low = d.unit() < 0.5;
    a = low ? lo + 1 : hi - 1 - len;
    b = a + len;
  };
  for (long slot : order) {
    long c = slot % cols, r = slot / cols;
    long x1, x2, y1, y2;
    side(xs[c], xs[c + 1], x1, x2);
    side(ys[r], ys[r + 1], y1, y2);
    rects.push_back({static_cast<float>(x1), static_cast<float>(y1),
                     static_cast<float>(x2), static_cast<float>(y2)});
  }
  return true;
}

}  // namespace

long netsBoxSide(long nets) {
  return std::clamp(1000L * static_cast<long>(std::ceil(
                                std::sqrt(std::max(1.0, nets / 100.0)))),
                    1000L, kMaxGenCoord);
}

bool generateNets(const GenOptions& o,
                  long nets,
                  NetsInstance& out,
                  std::string& error) {
  out = NetsInstance{};
  if (nets < 0 || o.obstacles < 0) {
    error = "the net and obstacle counts must not be negative";
    return false;
  }
  if (o.xMin < 0 || o.yMin < 0 || o.xMax > kMaxGenCoord ||
      o.yMax > kMaxGenCoord || o.xMin >= o.xMax || o.yMin >= o.yMax) {
    error = "the box must have 0 <= XMIN < XMAX <= " +
            std::to_string(kMaxGenCoord) +
            " and 0 <= YMIN < YMAX <= " + std::to_string(kMaxGenCoord);
    return false;
  }
  Draws macros(o.seed * 8 + 4);
  if (!placeMacros(o, macros, out.obstacles.rects, error)) {
    return false;
  }
  Draws order(o.seed * 8 + 7);
  for (const Rect& r : out.obstacles.rects) {
    std::array<Point, 4> ccw{
        {{r.xlo, r.ylo}, {r.xhi, r.ylo}, {r.xhi, r.yhi}, {r.xlo, r.yhi}}};
    bool clockwise = o.cornerOrder == CornerOrder::cw;
    long start = 0;
    if (o.cornerOrder == CornerOrder::mixed) {
      clockwise = order.unit() < 0.5;
      start = static_cast<long>(order.unit() * 4);
    }
    std::array<Point, 4> ring;
    for (long k = 0; k < 4; ++k) {
      ring[k] = ccw[((start + (clockwise ? -k : k)) % 4 + 4) % 4];
    }
    out.obstacles.corners.push_back(ring);
  }
  std::vector<ObstacleIndex::Rect> rects;
  double blocked = 0;
  for (const Rect& r : out.obstacles.rects) {
    // Integers within the float range: exact.
    rects.push_back({static_cast<float>(r.xlo), static_cast<float>(r.ylo),
                     static_cast<float>(r.xhi), static_cast<float>(r.yhi)});
    blocked += static_cast<double>(r.xhi - r.xlo) * (r.yhi - r.ylo);
  }
  ObstacleIndex index(rects);

  Draws sizes(o.seed * 8 + 5);
  Draws place(o.seed * 8 + 6);
  std::vector<long> counts(nets);
  double pins = 0;
  for (long& k : counts) {
    k = netSize(sizes);
    pins += static_cast<double>(k);
  }
  double w = static_cast<double>(o.xMax - o.xMin);
  double h = static_cast<double>(o.yMax - o.yMin);
  // The spacing of the pins were they spread evenly over the free area.
  double pitch =
      std::sqrt(std::max(w * h - blocked, w * h / 16) / std::max(pins, 1.0));
  auto allowed = [&](long x, long y) {
    float fx = static_cast<float>(x), fy = static_cast<float>(y);
    if (o.pinContact == PinContact::sides) {
      return index.containing(fx, fy) < 0;
    }
    // Integers: the closed box meets the open unit square around the pin.
    return index.meeting(fx - 1, fy - 1, fx + 1, fy + 1).empty();
  };
  out.nets.reserve(nets);
  for (long n = 0; n < nets; ++n) {
    long k = counts[n];
    std::vector<Point> net;
    for (int attempt = 0; static_cast<long>(net.size()) < k; ++attempt) {
      if (attempt == 200) {
        error = "could not place net " + std::to_string(n + 1) + " of " +
                std::to_string(k) +
                " pins off the obstacles; give a larger box or fewer or "
                "smaller obstacles";
        return false;
      }
      net.clear();
      double cx = o.xMin + place.unit() * w;
      double cy = o.yMin + place.unit() * h;
      double u = place.unit();
      // Mostly close, now and then a few times wider.
      double r =
          pitch * std::sqrt(static_cast<double>(k)) * (0.5 + 3.5 * u * u);
      for (int tries = 0; static_cast<long>(net.size()) < k && tries < 20 * k;
           ++tries) {
        long x = std::clamp(static_cast<long>(std::floor(
                                cx + r * (2 * place.unit() - 1) + 0.5)),
                            o.xMin, o.xMax);
        long y = std::clamp(static_cast<long>(std::floor(
                                cy + r * (2 * place.unit() - 1) + 0.5)),
                            o.yMin, o.yMax);
        Point p{static_cast<float>(x), static_cast<float>(y)};
        bool taken = std::any_of(net.begin(), net.end(), [&](const Point& q) {
          return q.x == p.x && q.y == p.y;
        });
        if (!taken && allowed(x, y)) {
          net.push_back(p);
        }
      }
    }
    out.nets.push_back(std::move(net));
  }
  return true;
}

std::string formatNetsFile(const NetsInstance& inst) {
  std::string s;
  Instance one;
  for (const std::vector<Point>& net : inst.nets) {
    one.pins = net;
    s += formatPinFile(one);
  }
  return s;
}
