#include "tools/treeGen.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <random>
#include <unordered_map>
#include <unordered_set>

#include "support/formatCoord.h"
#include "support/plane.h"

namespace {

// mt19937_64's output is fixed by the language; the draws below are built
// on it alone.
class Stream {
 public:
  Stream(std::uint64_t seed, std::uint64_t which)
      : rng_(mix(seed * 4 + which)) {}

  // Uniform on [lo, hi].
  long between(long lo, long hi) {
    std::uint64_t range = static_cast<std::uint64_t>(hi - lo) + 1;
    std::uint64_t limit = ~std::uint64_t{0} - (~std::uint64_t{0} % range);
    std::uint64_t r;
    do {
      r = rng_();
    } while (r >= limit);
    return lo + static_cast<long>(r % range);
  }

  // Uniform on [0, 1).
  double unit() { return static_cast<double>(rng_() >> 11) * 0x1p-53; }

  // Mean 0, deviation 1, close to normal: four uniforms summed, which
  // needs no library function whose last bit could differ.
  double bell() {
    double s = unit() + unit() + unit() + unit();
    return (s - 2.0) * 1.7320508075688772;
  }

 private:
  static std::uint64_t mix(std::uint64_t z) {
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }

  std::mt19937_64 rng_;
};

using Box = treecore::plane::Box<long>;

// Obstacles bucketed by square cells no smaller than the longest side, so
// that a rectangle lies in at most two cells along each axis.
class Buckets {
 public:
  Buckets(long originX, long originY, long cell)
      : ox_(originX), oy_(originY), cell_(cell) {}

  void add(const Box& b, long id) {
    forCells(b, [&](std::uint64_t key) {
      cells_[key].push_back(id);
      return false;
    });
  }

  // Calls hit(id) for every bucketed box that may meet the closed box b,
  // until it returns true; returns whether it did.
  template <class Hit>
  bool any(const Box& b, Hit hit) const {
    return forCells(b, [&](std::uint64_t key) {
      auto it = cells_.find(key);
      if (it == cells_.end()) {
        return false;
      }
      for (long id : it->second) {
        if (hit(id)) {
          return true;
        }
      }
      return false;
    });
  }

 private:
  template <class F>
  bool forCells(const Box& b, F f) const {
    for (long cx = (b.xlo - ox_) / cell_; cx <= (b.xhi - ox_) / cell_; ++cx) {
      for (long cy = (b.ylo - oy_) / cell_; cy <= (b.yhi - oy_) / cell_; ++cy) {
        if (f((static_cast<std::uint64_t>(cx) << 32) |
              static_cast<std::uint64_t>(cy))) {
          return true;
        }
      }
    }
    return false;
  }

  long ox_;
  long oy_;
  long cell_;
  std::unordered_map<std::uint64_t, std::vector<long>> cells_;
};

bool closedMeet(const Box& a, const Box& b) {
  return a.xlo <= b.xhi && b.xlo <= a.xhi && a.ylo <= b.yhi && b.ylo <= a.yhi;
}

bool interiorsMeet(const Box& a, const Box& b) {
  return a.xlo < b.xhi && b.xlo < a.xhi && a.ylo < b.yhi && b.ylo < a.yhi;
}

bool strictlyInside(const Box& b, long x, long y) {
  return b.xlo < x && x < b.xhi && b.ylo < y && y < b.yhi;
}

bool checkOptions(const GenOptions& o, std::string& error) {
  if (o.pins < 0 || o.obstacles < 0) {
    error = "the pin and obstacle counts must not be negative";
  } else if (o.xMin < 0 || o.yMin < 0 || o.xMax > kMaxGenCoord ||
             o.yMax > kMaxGenCoord || o.xMin >= o.xMax || o.yMin >= o.yMax) {
    error = "the box must have 0 <= XMIN < XMAX <= " +
            std::to_string(kMaxGenCoord) +
            " and 0 <= YMIN < YMAX <= " + std::to_string(kMaxGenCoord);
  } else if (o.clusters < 0) {
    error = "the cluster count must not be negative";
  } else if ((o.sideMin != 0 || o.sideMax != 0) &&
             (o.sideMin < 1 || o.sideMin > o.sideMax)) {
    error = "the obstacle sides must have 1 <= MIN <= MAX";
  } else if (o.sideMax > o.xMax - o.xMin || o.sideMax > o.yMax - o.yMin) {
    error = "the longest obstacle side " + std::to_string(o.sideMax) +
            " does not fit in the box";
  } else {
    return true;
  }
  return false;
}

// Counts that the box cannot hold, found before anything is drawn. Apart
// obstacles of side at least s claim disjoint (s + 1) x (s + 1) blocks of
// the box's lattice points, touching ones disjoint interiors of s x s; pins
// need distinct lattice points off what the obstacles block.
bool checkRoom(const GenOptions& o, long sideMin, std::string& error) {
  using Big = long double;
  Big points = static_cast<Big>(o.xMax - o.xMin + 1) * (o.yMax - o.yMin + 1);
  Big area = static_cast<Big>(o.xMax - o.xMin) * (o.yMax - o.yMin);
  Big n = static_cast<Big>(o.obstacles);
  Big s = static_cast<Big>(sideMin);
  std::string box = std::to_string(o.xMax - o.xMin) + " x " +
                    std::to_string(o.yMax - o.yMin) + " box";
  if (o.obstacleContact == ObstacleContact::none &&
      n * (s + 1) * (s + 1) > points) {
    error = std::to_string(o.obstacles) + " obstacles with sides of at least " +
            std::to_string(sideMin) + " cannot fit in a " + box +
            " without touching; give a larger box, smaller or fewer "
            "obstacles, or allow contact";
    return false;
  }
  if (o.obstacleContact == ObstacleContact::touch && n * s * s > area) {
    error = std::to_string(o.obstacles) + " obstacles with sides of at least " +
            std::to_string(sideMin) + " cover more than a " + box +
            "; give a larger box, smaller or fewer obstacles, or allow "
            "overlap";
    return false;
  }
  Big blocked = 0;
  if (o.obstacleContact == ObstacleContact::none &&
      o.pinContact == PinContact::none) {
    blocked = n * (s + 1) * (s + 1);
  } else if (o.obstacleContact != ObstacleContact::overlap && s > 1) {
    blocked = n * (s - 1) * (s - 1);
  }
  if (static_cast<Big>(o.pins) > points - blocked) {
    error = std::to_string(o.pins) + " distinct pins do not fit on the " +
            "integer points of a " + box +
            (blocked > 0 ? " beside the obstacles" : "") +
            "; give a larger box or fewer pins or obstacles";
    return false;
  }
  return true;
}

// Rectangles at random spots, each tried again where it would meet one
// placed before in a way the options forbid.
bool placeObstacles(const GenOptions& o,
                    long sideMin,
                    long sideMax,
                    std::vector<Box>& boxes,
                    Buckets& buckets,
                    std::string& error) {
  Stream rng(o.seed, 0);
  long budget = 200 * o.obstacles + 10000;
  while (static_cast<long>(boxes.size()) < o.obstacles) {
    if (budget-- == 0) {
      error = "could place only " + std::to_string(boxes.size()) + " of " +
              std::to_string(o.obstacles) + " obstacles with sides from " +
              std::to_string(sideMin) + " to " + std::to_string(sideMax) +
              " in the box; give a larger box, smaller or fewer obstacles, "
              "or allow contact";
      return false;
    }
    long w = rng.between(sideMin, sideMax);
    long h = rng.between(sideMin, sideMax);
    long x = rng.between(o.xMin, o.xMax - w);
    long y = rng.between(o.yMin, o.yMax - h);
    Box b{x, y, x + w, y + h};
    if (o.obstacleContact != ObstacleContact::overlap &&
        buckets.any(b, [&](long id) {
          return o.obstacleContact == ObstacleContact::none
                     ? closedMeet(b, boxes[id])
                     : interiorsMeet(b, boxes[id]);
        })) {
      continue;
    }
    buckets.add(b, static_cast<long>(boxes.size()));
    boxes.push_back(b);
  }
  return true;
}

// Places pins while keeping them off the obstacles and apart from each
// other. With sides allowed, a pin that lands inside an obstacle moves to
// the nearest point of its boundary (left, right, bottom, top on ties).
class PinPlacer {
 public:
  PinPlacer(const GenOptions& o,
            const std::vector<Box>& boxes,
            const Buckets& buckets)
      : o_(o), boxes_(boxes), buckets_(buckets) {}

  // False where the spot is taken or lies where a pin may not.
  bool settle(long& x, long& y) const {
    Box p{x, y, x, y};
    long inside = -1;
    bool blocked = buckets_.any(p, [&](long id) {
      const Box& b = boxes_[id];
      if (!closedMeet(p, b)) {
        return false;
      }
      if (o_.pinContact == PinContact::none) {
        return true;
      }
      if (strictlyInside(b, x, y)) {
        if (inside >= 0) {
          return true;
        }
        inside = id;
      }
      return false;
    });
    if (blocked) {
      return false;
    }
    if (inside >= 0) {
      const Box& b = boxes_[inside];
      long d[] = {x - b.xlo, b.xhi - x, y - b.ylo, b.yhi - y};
      int k = static_cast<int>(std::min_element(d, d + 4) - d);
      long nx = k == 0 ? b.xlo : k == 1 ? b.xhi : x;
      long ny = k == 2 ? b.ylo : k == 3 ? b.yhi : y;
      // Overlapping obstacles may cover the boundary point as well.
      Box q{nx, ny, nx, ny};
      if (buckets_.any(
              q, [&](long id) { return strictlyInside(boxes_[id], nx, ny); })) {
        return false;
      }
      x = nx;
      y = ny;
    }
    return taken_.count(key(x, y)) == 0;
  }

  void take(long x, long y) { taken_.insert(key(x, y)); }

 private:
  static std::uint64_t key(long x, long y) {
    return (static_cast<std::uint64_t>(x) << 32) |
           static_cast<std::uint64_t>(y);
  }

  const GenOptions& o_;
  const std::vector<Box>& boxes_;
  const Buckets& buckets_;
  std::unordered_set<std::uint64_t> taken_;
};

long roundToLong(double v) {
  return static_cast<long>(std::floor(v + 0.5));
}

bool placeLattice(const GenOptions& o,
                  PinPlacer& placer,
                  std::vector<Point>& pins,
                  std::string& error) {
  double w = static_cast<double>(o.xMax - o.xMin);
  double h = static_cast<double>(o.yMax - o.yMin);
  long cols = std::max(1L, roundToLong(std::sqrt(o.pins * w / h)));
  long rows = std::max(1L, (o.pins + cols - 1) / cols);
  // Lattice points that obstacles block are dropped; a finer lattice makes
  // up for them, and the pins spread evenly over the free points.
  for (int round = 0; round < 40; ++round) {
    if (cols > o.xMax - o.xMin + 1 || rows > o.yMax - o.yMin + 1) {
      break;
    }
    std::vector<std::pair<long, long>> free;
    PinPlacer trial = placer;
    for (long r = 0; r < rows; ++r) {
      for (long c = 0; c < cols; ++c) {
        long x = o.xMin + roundToLong((c + 0.5) * w / cols);
        long y = o.yMin + roundToLong((r + 0.5) * h / rows);
        if (trial.settle(x, y)) {
          trial.take(x, y);
          free.emplace_back(x, y);
        }
      }
    }
    long n = static_cast<long>(free.size());
    if (n >= o.pins) {
      for (long j = 0; j < o.pins; ++j) {
        const auto& f = free[static_cast<size_t>(j * n / o.pins)];
        pins.push_back(
            {static_cast<float>(f.first), static_cast<float>(f.second)});
      }
      return true;
    }
    double grow = std::sqrt(1.25 * o.pins / std::max(1L, n));
    cols = std::max(cols + 1, roundToLong(cols * grow));
    rows = std::max(rows + 1, roundToLong(rows * grow));
  }
  error = "found no lattice with " + std::to_string(o.pins) +
          " free points in the box; give a larger box or fewer obstacles";
  return false;
}

bool placeRandomPins(const GenOptions& o,
                     PinPlacer& placer,
                     std::vector<Point>& pins,
                     std::string& error) {
  Stream rng(o.seed, 1);
  struct Centre {
    double x;
    double y;
  };
  std::vector<Centre> centres;
  double spread = 0;
  if (o.layout == PinLayout::clustered) {
    long k = o.clusters > 0
                 ? o.clusters
                 : std::max(1L, roundToLong(std::sqrt(static_cast<double>(
                                    std::max(1L, o.pins)))));
    for (long i = 0; i < k; ++i) {
      double x = o.xMin + rng.unit() * (o.xMax - o.xMin);
      double y = o.yMin + rng.unit() * (o.yMax - o.yMin);
      centres.push_back({x, y});
    }
    double area = static_cast<double>(o.xMax - o.xMin) * (o.yMax - o.yMin);
    spread = 0.15 * std::sqrt(area / k);
  }
  long budget = 100 * o.pins + 10000;
  while (static_cast<long>(pins.size()) < o.pins) {
    if (budget-- == 0) {
      error = "could place only " + std::to_string(pins.size()) + " of " +
              std::to_string(o.pins) +
              " distinct pins off the obstacles; give a larger box or "
              "fewer obstacles";
      return false;
    }
    long x, y;
    if (centres.empty()) {
      x = rng.between(o.xMin, o.xMax);
      y = rng.between(o.yMin, o.yMax);
    } else {
      const Centre& c =
          centres[rng.between(0, static_cast<long>(centres.size()) - 1)];
      x = std::clamp(roundToLong(c.x + spread * rng.bell()), o.xMin, o.xMax);
      y = std::clamp(roundToLong(c.y + spread * rng.bell()), o.yMin, o.yMax);
    }
    if (placer.settle(x, y)) {
      placer.take(x, y);
      pins.push_back({static_cast<float>(x), static_cast<float>(y)});
    }
  }
  return true;
}

std::array<Point, 4> cornersOf(const Box& b, bool clockwise, int start) {
  float x1 = static_cast<float>(b.xlo), y1 = static_cast<float>(b.ylo);
  float x2 = static_cast<float>(b.xhi), y2 = static_cast<float>(b.yhi);
  std::array<Point, 4> ccw{{{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}}};
  std::array<Point, 4> out;
  for (int k = 0; k < 4; ++k) {
    int step = clockwise ? -k : k;
    out[k] = ccw[((start + step) % 4 + 4) % 4];
  }
  return out;
}

// Integers below 10^10 as their digits, as a design writes them (2.5e+07
// is the same value); the readers take those digits.
void appendCoord(std::string& s, double v) {
  float f = static_cast<float>(v);
  if (f == std::nearbyint(f) && std::fabs(f) < 1e10f &&
      !(f == 0 && std::signbit(f))) {
    char buf[24];
    s.append(
        buf,
        std::to_chars(buf, buf + sizeof buf, static_cast<long long>(f)).ptr);
  } else {
    s += formatCoord(f);
  }
}

void appendRecord(std::string& s, double x, double y, const char* type) {
  appendCoord(s, x);
  s += ' ';
  appendCoord(s, y);
  s += ' ';
  s += type;
  s += '\n';
}

}  // namespace

bool generateInstance(const GenOptions& o, Instance& out, std::string& error) {
  if (!checkOptions(o, error)) {
    return false;
  }
  long sideMin = o.sideMin, sideMax = o.sideMax;
  if (sideMax == 0) {
    double area = static_cast<double>(o.xMax - o.xMin) * (o.yMax - o.yMin);
    double mean = std::sqrt(0.2 * area / std::max(1L, o.obstacles));
    long fit = std::min(o.xMax - o.xMin, o.yMax - o.yMin);
    sideMin = std::clamp(roundToLong(0.5 * mean), 1L, fit);
    sideMax = std::clamp(roundToLong(1.5 * mean), sideMin, fit);
  }
  if (!checkRoom(o, sideMin, error)) {
    return false;
  }
  long span = std::max(o.xMax - o.xMin, o.yMax - o.yMin);
  // Cells no finer than needed keep the bucket count near the obstacles'.
  Buckets buckets(o.xMin, o.yMin, std::max({sideMax, span / 4096, 1L}));
  std::vector<Box> boxes;
  if (!placeObstacles(o, sideMin, sideMax, boxes, buckets, error)) {
    return false;
  }
  PinPlacer placer(o, boxes, buckets);
  std::vector<Point> pins;
  bool ok = o.layout == PinLayout::lattice
                ? placeLattice(o, placer, pins, error)
                : placeRandomPins(o, placer, pins, error);
  if (!ok) {
    return false;
  }
  Stream order(o.seed, 2);
  out = Instance{};
  out.pins = std::move(pins);
  for (const Box& b : boxes) {
    out.rects.push_back({static_cast<float>(b.xlo), static_cast<float>(b.ylo),
                         static_cast<float>(b.xhi), static_cast<float>(b.yhi)});
    bool clockwise = o.cornerOrder == CornerOrder::cw;
    int start = 0;
    if (o.cornerOrder == CornerOrder::mixed) {
      clockwise = order.between(0, 1) == 1;
      start = static_cast<int>(order.between(0, 3));
    }
    out.corners.push_back(cornersOf(b, clockwise, start));
  }
  return true;
}

std::string formatPinFile(const Instance& inst) {
  std::string s;
  for (const Point& p : inst.pins) {
    appendRecord(s, p.x, p.y, "pin");
  }
  appendRecord(s, -1, -1, "pin");
  return s;
}

std::string formatObstacleFile(const Instance& inst) {
  std::string s;
  for (const auto& ring : inst.corners) {
    for (const Point& p : ring) {
      appendRecord(s, p.x, p.y, "corner");
    }
  }
  appendRecord(s, -1, -1, "corner");
  return s;
}

std::string formatStpFile(const Instance& inst, const std::string& name) {
  std::string quotedName = name;
  for (char& c : quotedName) {
    c = c == '"' || static_cast<unsigned char>(c) < 0x20 ? '_' : c;
  }
  std::string s =
      "33D32945 STP File, STP Format Version 1.0\n\nSECTION Comments\n"
      "Name \"" +
      quotedName +
      "\"\nCreator \"treegen\"\nProblem \"Obstacle-Avoiding Rectilinear "
      "Steiner Minimum Tree\"\nEND\n\nSECTION Graph\nNodes " +
      std::to_string(inst.pins.size()) + "\nObstacles " +
      std::to_string(inst.rects.size()) + "\nEND\n\nSECTION Coordinates\n";
  auto integer = [](double v) { return std::to_string(static_cast<long>(v)); };
  for (size_t i = 0; i < inst.pins.size(); ++i) {
    s += "DD " + std::to_string(i + 1) + " " + integer(inst.pins[i].x) + " " +
         integer(inst.pins[i].y) + "\n";
  }
  s += "END\n\nSECTION Obstacles\n";
  for (const Rect& r : inst.rects) {
    s += "RR " + integer(r.xlo) + " " + integer(r.ylo) + " " + integer(r.xhi) +
         " " + integer(r.yhi) + "\n";
  }
  return s + "END\n\nEOF\n";
}
