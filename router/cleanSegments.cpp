#include <algorithm>
#include <tuple>
#include <vector>

#include "geometry/segment.h"
#include "router/router.h"
#include "spatial/wirePlan.h"
#include "support/smallLists.h"

// Moves can lay a segment on another one, or close a loop; duplicate
// connections draw the same wire twice.
void Router::cleanSegments() {
  std::vector<Wire>& wires = scratch.wires;
  std::vector<RoutePoint>& pins = scratch.pins;
  wires.clear();
  wires.reserve(segments.size());
  for (const Segment* s : segments) {
    wires.push_back({s->x1, s->y1, s->x2, s->y2});
  }
  pinsOf(vertices, pins);
  legal.segmentsDrawn = true;
  int parts = cleanTreePinParts(wires, pins, scratch.wirePlan);
  if (parts < 0) {
    std::vector<Wire> clean = cleanWires(wires, pins, scratch.wirePlan, &parts);
    replaceSegments(*this, clean, parts);
  } else if (!segments.empty()) {
    pinPartCount = parts;
  }
  releaseLarge(wires);
  releaseLarge(pins);
}

void replaceSegments(Router& r, const std::vector<Wire>& clean, int pinParts) {
  r.legal.segmentsDrawn = true;
  // The vertices' lists name the old segments, which go.
  for (Vertex* v : r.vertices) {
    if (v) {
      v->segments.clear();
    }
  }
  for (Segment* s : r.segments) {
    delete s;
  }
  r.segments.clear();
  const ObstacleIndex* index =
      r.legal.obstacles().empty() ? nullptr : &r.legal.obstacles();
  // Segments that end at one point are linked there, as moveSegments links
  // them, in the order of the wires. Ends are (x, y, 2 * wire + 1 at its
  // second end): unique keys, so a plain sort keeps that order.
  r.segments.reserve(clean.size());
  std::vector<std::tuple<float, float, int>>& ends = r.scratch.ends;
  ends.clear();
  ends.reserve(2 * clean.size());
  for (const Wire& w : clean) {
    Segment* s = new Segment(w.x1, w.y1, w.x2, w.y2);
    s->pObstIndex = index;
    int k = static_cast<int>(r.segments.size());
    r.segments.push_back(s);
    ends.emplace_back(w.x1, w.y1, 2 * k);
    ends.emplace_back(w.x2, w.y2, 2 * k + 1);
  }
  std::sort(ends.begin(), ends.end());
  for (size_t k = 0; k < ends.size();) {
    size_t e = k;
    while (e < ends.size() && std::get<0>(ends[e]) == std::get<0>(ends[k]) &&
           std::get<1>(ends[e]) == std::get<1>(ends[k])) {
      ++e;
    }
    for (size_t i = k; i < e; ++i) {
      int end = std::get<2>(ends[i]);
      Segment* s = r.segments[end / 2];
      for (size_t j = k; j < e; ++j) {
        if (i != j) {
          (end % 2 == 0 ? s->startNbrs : s->endNbrs)
              .push_back(r.segments[std::get<2>(ends[j]) / 2]);
        }
      }
    }
    k = e;
  }
  releaseLarge(ends);
  if (!clean.empty()) {
    if (pinParts < 0) {
      std::vector<RoutePoint> pins;
      pinsOf(r.vertices, pins);
      pinParts = cleanTreePinParts(clean, pins, r.scratch.wirePlan);
      if (pinParts < 0) {
        pinParts = countPinParts(clean, pins, r.scratch.wirePlan);
      }
    }
    r.pinPartCount = pinParts;
  }
}
