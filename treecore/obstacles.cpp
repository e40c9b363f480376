#include "treecore/obstacles.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <stdexcept>
#include <string>

#include "spatial/freeRoute.h"
#include "spatial/obstacleIndex.h"
#include "support/formatCoord.h"
#include "treecore/obstaclesAccess.h"

namespace treecore {

struct Obstacles::Data {
  // Per rectangle: how its ring runs round the box the index holds (the
  // first corner, counter-clockwise from the lower left, in the low two
  // bits; clockwise, kClockwise), whether a coordinate of it is a wide
  // integer (kWide), which the index holds rounded outward, and whether
  // its ring is kept exactly beside (kKept: a wide one, or one whose zeros'
  // signs the box does not give). The index's boxes are the others'
  // rectangles themselves, so no second copy of the design is kept.
  std::vector<unsigned char> shape;
  // The kept rings, by ascending rectangle.
  std::vector<int> keptIds;
  std::vector<std::array<Point, 4>> keptRings;
  bool anyWide = false;
  ObstacleIndex index;
  // rects() and corners(), made on first asking: the library needs
  // neither.
  mutable std::once_flag viewsMade;
  mutable std::vector<Rect> rects;
  mutable std::vector<std::array<Point, 4>> corners;

  static constexpr unsigned char kClockwise = 4;
  static constexpr unsigned char kWide = 8;
  static constexpr unsigned char kKept = 16;

  bool wide(size_t r) const { return (shape[r] & kWide) != 0; }

  // The ring round box b as shape says, each coordinate as convert gives
  // it.
  template <class P, class F>
  static std::array<P, 4> ringOf(const ObstacleIndex::Rect& b,
                                 unsigned char shape,
                                 F convert) {
    P around[4] = {{convert(b.xlo), convert(b.ylo)},
                   {convert(b.xhi), convert(b.ylo)},
                   {convert(b.xhi), convert(b.yhi)},
                   {convert(b.xlo), convert(b.yhi)}};
    int first = shape & 3;
    int step = shape & kClockwise ? 3 : 1;
    std::array<P, 4> out;
    for (int k = 0; k < 4; ++k) {
      out[static_cast<size_t>(k)] = around[(first + step * k) % 4];
    }
    return out;
  }

  // A coordinate the index holds as it was given: the float's decimal.
  static std::array<Point, 4> exactRingOf(const ObstacleIndex::Rect& b,
                                          unsigned char shape) {
    return ringOf<Point>(b, shape, canonicalDouble);
  }

  const std::array<Point, 4>& kept(size_t r) const {
    auto it =
        std::lower_bound(keptIds.begin(), keptIds.end(), static_cast<int>(r));
    return keptRings[static_cast<size_t>(it - keptIds.begin())];
  }

  std::array<Point, 4> ring(size_t r) const {
    return shape[r] & kKept ? kept(r) : exactRingOf(index.rects()[r], shape[r]);
  }

  std::array<RoutePoint, 4> singleRing(size_t r) const {
    if (shape[r] & kKept) {
      const std::array<Point, 4>& e = kept(r);
      std::array<RoutePoint, 4> out;
      for (size_t k = 0; k < 4; ++k) {
        out[k] = {static_cast<float>(e[k].x), static_cast<float>(e[k].y)};
      }
      return out;
    }
    return ringOf<RoutePoint>(index.rects()[r], shape[r],
                              [](float v) { return v; });
  }

  Rect rect(size_t r) const {
    if (wide(r)) {
      return boxOfRing(ring(r));
    }
    const ObstacleIndex::Rect& b = index.rects()[r];
    return {canonicalDouble(b.xlo), canonicalDouble(b.ylo),
            canonicalDouble(b.xhi), canonicalDouble(b.yhi)};
  }

  static Rect boxOfRing(const std::array<Point, 4>& ring) {
    Rect r{ring[0].x, ring[0].y, ring[0].x, ring[0].y};
    for (const Point& p : ring) {
      r = {std::min(r.xlo, p.x), std::min(r.ylo, p.y), std::max(r.xhi, p.x),
           std::max(r.yhi, p.y)};
    }
    return r;
  }

  void makeViews() const {
    std::call_once(viewsMade, [this] {
      rects.reserve(shape.size());
      corners.reserve(shape.size());
      for (size_t r = 0; r < shape.size(); ++r) {
        rects.push_back(rect(r));
        corners.push_back(ring(r));
      }
    });
  }
};

namespace {

std::string text(double v) {
  return coordText(v);
}

// The float v stands for; for a wide integer, the float nearest it on the
// side away from the box's inside (below for a lower bound, above for an
// upper one), so that the index never misses a meeting.
float outward(double v, bool lower) {
  float f = static_cast<float>(v);
  if ((lower ? f > v : f < v) && isWideInteger(v)) {
    f = std::nextafter(f, lower ? -HUGE_VALF : HUGE_VALF);
  }
  return f;
}

std::string pointText(const Point& p) {
  return formatPoint(static_cast<float>(p.x), static_cast<float>(p.y));
}

// The ring as floats, or a message: consecutive corners must share exactly
// one coordinate, alternately y and x.
std::string singleRing(const std::array<Point, 4>& ring,
                       std::array<Point, 4>& out) {
  for (int k = 0; k < 4; ++k) {
    std::string why;
    if (!isCoordinate(ring[k].x, &why) || !isCoordinate(ring[k].y, &why)) {
      return "corner " + std::to_string(k + 1) + ": " + why;
    }
    // An accepted float is its decimal already; a wide integer is exact.
    out[k] = ring[k];
  }
  bool firstHorizontal = out[0].y == out[1].y;
  for (int k = 0; k < 4; ++k) {
    const Point& a = out[k];
    const Point& b = out[(k + 1) % 4];
    bool horizontal = (k % 2 == 0) == firstHorizontal;
    if (horizontal ? !(a.y == b.y && a.x != b.x)
                   : !(a.x == b.x && a.y != b.y)) {
      return "corners " + pointText(out[0]) + ", " + pointText(out[1]) + ", " +
             pointText(out[2]) + ", " + pointText(out[3]) +
             " are not those of an axis-parallel rectangle of positive width "
             "and height, given in order around it";
    }
  }
  return "";
}

}  // namespace

Obstacles::Obstacles() : data_(std::make_shared<Data>()) {}

Obstacles::Obstacles(std::shared_ptr<const Data> data)
    : data_(std::move(data)) {}

Obstacles::Obstacles(const std::vector<Rect>& rects) {
  std::vector<std::array<Point, 4>> rings;
  rings.reserve(rects.size());
  for (size_t i = 0; i < rects.size(); ++i) {
    const Rect& r = rects[i];
    const char* names[] = {"xlo", "ylo", "xhi", "yhi"};
    double values[] = {r.xlo, r.ylo, r.xhi, r.yhi};
    std::string why;
    for (int k = 0; k < 4; ++k) {
      if (!isCoordinate(values[k], &why)) {
        throw std::invalid_argument("obstacle " + std::to_string(i + 1) + ": " +
                                    names[k] + " " + why);
      }
    }
    if (!(r.xlo < r.xhi && r.ylo < r.yhi)) {
      throw std::invalid_argument(
          "obstacle " + std::to_string(i + 1) + ": [" + text(r.xlo) + ", " +
          text(r.xhi) + "] x [" + text(r.ylo) + ", " + text(r.yhi) +
          "] is not a box of positive width and height");
    }
    rings.push_back(
        {{{r.xlo, r.ylo}, {r.xhi, r.ylo}, {r.xhi, r.yhi}, {r.xlo, r.yhi}}});
  }
  *this = fromCorners(rings);
}

Obstacles Obstacles::fromCorners(
    const std::vector<std::array<Point, 4>>& rings) {
  auto data = std::make_shared<Data>();
  std::vector<ObstacleIndex::Rect> boxes;
  boxes.reserve(rings.size());
  data->shape.reserve(rings.size());
  for (size_t i = 0; i < rings.size(); ++i) {
    std::array<Point, 4> ring;
    std::string why = singleRing(rings[i], ring);
    if (!why.empty()) {
      throw std::invalid_argument("obstacle " + std::to_string(i + 1) + ": " +
                                  why);
    }
    Rect r = Data::boxOfRing(ring);
    bool wide = isWideInteger(r.xlo) || isWideInteger(r.ylo) ||
                isWideInteger(r.xhi) || isWideInteger(r.yhi);
    // The corner the ring starts at, counted counter-clockwise from the
    // lower left, and the way it turns.
    auto cornerOf = [&r](const Point& p) {
      bool right = p.x == r.xhi, top = p.y == r.yhi;
      return top ? (right ? 2 : 3) : (right ? 1 : 0);
    };
    int first = cornerOf(ring[0]);
    unsigned char shape = static_cast<unsigned char>(first);
    if (cornerOf(ring[1]) != (first + 1) % 4) {
      shape |= Data::kClockwise;
    }
    ObstacleIndex::Rect box{outward(r.xlo, true), outward(r.ylo, true),
                            outward(r.xhi, false), outward(r.yhi, false)};
    std::array<Point, 4> made = Data::exactRingOf(box, shape);
    bool same = true;
    for (size_t k = 0; k < 4; ++k) {
      same = same && made[k] == ring[k] &&
             std::signbit(made[k].x) == std::signbit(ring[k].x) &&
             std::signbit(made[k].y) == std::signbit(ring[k].y);
    }
    if (wide) {
      shape |= Data::kWide;
      data->anyWide = true;
    }
    if (wide || !same) {
      shape |= Data::kKept;
      data->keptIds.push_back(static_cast<int>(i));
      data->keptRings.push_back(ring);
    }
    data->shape.push_back(shape);
    boxes.push_back(box);
  }
  data->index = ObstacleIndex(std::move(boxes));
  return Obstacles(std::move(data));
}

size_t Obstacles::size() const {
  return data_->shape.size();
}

const std::vector<Rect>& Obstacles::rects() const {
  data_->makeViews();
  return data_->rects;
}

const std::vector<std::array<Point, 4>>& Obstacles::corners() const {
  data_->makeViews();
  return data_->corners;
}

const ObstacleIndex& detail::ObstaclesAccess::index(const Obstacles& o) {
  return o.data_->index;
}

bool detail::ObstaclesAccess::wide(const Obstacles& o, int r) {
  return o.data_->wide(static_cast<size_t>(r));
}

bool detail::ObstaclesAccess::anyWide(const Obstacles& o) {
  return o.data_->anyWide;
}

Rect detail::ObstaclesAccess::rect(const Obstacles& o, int r) {
  return o.data_->rect(static_cast<size_t>(r));
}

std::array<Point, 4> detail::ObstaclesAccess::ring(const Obstacles& o, int r) {
  return o.data_->ring(static_cast<size_t>(r));
}

std::array<RoutePoint, 4> detail::ObstaclesAccess::singleRing(
    const Obstacles& o, int r) {
  return o.data_->singleRing(static_cast<size_t>(r));
}

namespace {

// An open interval, or the single point when it has no length, as the
// index takes them.
bool meets(double lo, double hi, double rlo, double rhi) {
  return lo == hi ? rlo < lo && lo < rhi : rlo < hi && lo < rhi;
}

}  // namespace

std::vector<int> detail::ObstaclesAccess::grow(const Obstacles& o,
                                               const Rect& pinBox,
                                               bool widePins) {
  const Obstacles::Data& d = *o.data_;
  auto floatBox = [](const Rect& r) {
    return ObstacleIndex::Rect{outward(r.xlo, true), outward(r.ylo, true),
                               outward(r.xhi, false), outward(r.yhi, false)};
  };
  ObstacleIndex::Rect box = floatBox(pinBox);
  if (!widePins && !d.anyWide) {
    return d.index.growBox(box);
  }
  // The same growth in double precision: the index, asked with the box
  // rounded outward over rectangles rounded outward, finds every obstacle
  // that meets it exactly, and a few more, which are dropped.
  Rect at = pinBox;
  std::vector<int> hit;
  for (;;) {
    hit.clear();
    Rect grown = at;
    for (int r : d.index.meeting(box.xlo, box.ylo, box.xhi, box.yhi)) {
      Rect q = d.rect(static_cast<size_t>(r));
      if (meets(at.xlo, at.xhi, q.xlo, q.xhi) &&
          meets(at.ylo, at.yhi, q.ylo, q.yhi)) {
        hit.push_back(r);
        grown = plane::hull(grown, q);
      }
    }
    if (grown == at) {
      return hit;
    }
    at = grown;
    box = floatBox(at);
  }
}

std::vector<int> Obstacles::near(const std::vector<Point>& pins) const {
  if (pins.empty()) {
    return {};
  }
  // A value the library does not take has no place among the obstacles;
  // NaN would keep the box growing for ever.
  bool wide = false;
  for (size_t i = 0; i < pins.size(); ++i) {
    std::string why;
    bool xOk = isCoordinate(pins[i].x, &why);
    if (!xOk || !isCoordinate(pins[i].y, &why)) {
      throw std::invalid_argument("pin " + std::to_string(i + 1) + ": " +
                                  (xOk ? "y " : "x ") + why);
    }
    wide = wide || isWideInteger(pins[i].x) || isWideInteger(pins[i].y);
  }
  Rect box{pins[0].x, pins[0].y, pins[0].x, pins[0].y};
  for (const Point& p : pins) {
    box = plane::hull(box, Rect{p.x, p.y, p.x, p.y});
  }
  return detail::ObstaclesAccess::grow(*this, box, wide);
}

}  // namespace treecore
