#include "treecore/obstacles.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "spatial/obstacleIndex.h"
#include "support/formatCoord.h"
#include "treecore/obstaclesAccess.h"

namespace treecore {

struct Obstacles::Data {
  std::vector<Rect> rects;
  std::vector<std::array<Point, 4>> corners;
  ObstacleIndex index;
};

namespace {

std::string text(double v) {
  return formatCoord(static_cast<float>(v));
}

std::string pointText(const Point& p) {
  return formatPoint(static_cast<float>(p.x), static_cast<float>(p.y));
}

// The ring as floats, or a message: consecutive corners must share exactly
// one coordinate, alternately y and x.
std::string singleRing(const std::array<Point, 4>& ring,
                       std::array<Point, 4>& out) {
  for (int k = 0; k < 4; ++k) {
    float x, y;
    std::string why;
    if (!toSingle(ring[k].x, x, &why) || !toSingle(ring[k].y, y, &why)) {
      return "corner " + std::to_string(k + 1) + ": " + why;
    }
    out[k] = {canonicalDouble(x), canonicalDouble(y)};
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
      float f;
      if (!toSingle(values[k], f, &why)) {
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
  for (size_t i = 0; i < rings.size(); ++i) {
    std::array<Point, 4> ring;
    std::string why = singleRing(rings[i], ring);
    if (!why.empty()) {
      throw std::invalid_argument("obstacle " + std::to_string(i + 1) + ": " +
                                  why);
    }
    Rect r{ring[0].x, ring[0].y, ring[0].x, ring[0].y};
    for (const Point& p : ring) {
      r = {std::min(r.xlo, p.x), std::min(r.ylo, p.y), std::max(r.xhi, p.x),
           std::max(r.yhi, p.y)};
    }
    data->rects.push_back(r);
    data->corners.push_back(ring);
    boxes.push_back({static_cast<float>(r.xlo), static_cast<float>(r.ylo),
                     static_cast<float>(r.xhi), static_cast<float>(r.yhi)});
  }
  data->index = ObstacleIndex(std::move(boxes));
  return Obstacles(std::move(data));
}

size_t Obstacles::size() const {
  return data_->rects.size();
}

const std::vector<Rect>& Obstacles::rects() const {
  return data_->rects;
}

const std::vector<std::array<Point, 4>>& Obstacles::corners() const {
  return data_->corners;
}

const ObstacleIndex& detail::ObstaclesAccess::index(const Obstacles& o) {
  return o.data_->index;
}

std::vector<int> Obstacles::near(const std::vector<Point>& pins) const {
  if (pins.empty()) {
    return {};
  }
  // A value no float holds has no place among the obstacles; NaN would
  // keep the box growing for ever.
  std::vector<ObstacleIndex::Rect> at(pins.size());
  for (size_t i = 0; i < pins.size(); ++i) {
    float x, y;
    std::string why;
    bool xOk = toSingle(pins[i].x, x, &why);
    if (!xOk || !toSingle(pins[i].y, y, &why)) {
      throw std::invalid_argument("pin " + std::to_string(i + 1) + ": " +
                                  (xOk ? "y " : "x ") + why);
    }
    at[i] = {x, y, x, y};
  }
  ObstacleIndex::Rect box = at[0];
  for (const ObstacleIndex::Rect& p : at) {
    box = {std::min(box.xlo, p.xlo), std::min(box.ylo, p.ylo),
           std::max(box.xhi, p.xhi), std::max(box.yhi, p.yhi)};
  }
  return data_->index.growBox(box);
}

}  // namespace treecore
