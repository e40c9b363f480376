#pragma once
// Checks a refined tree from its coordinates alone, independently of the
// router's own links: slow and obvious on purpose.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "geometry/segment.h"
#include "geometry/vertex.h"

namespace treecheck {

struct Pt {
  float x;
  float y;
};

// Any two opposite corners.
struct Rect {
  float x1;
  float y1;
  float x2;
  float y2;
};

struct Seg {
  float x1;
  float y1;
  float x2;
  float y2;
};

struct Report {
  bool rectilinear = true;
  bool pinsOnTree = true;
  bool connected = true;
  // Not part of legal(): obstacles only bar some moves so far.
  bool avoidsObstacles = true;
  double length = 0;
  std::string problem;  // the first failure found, for the test's message

  bool legal() const { return rectilinear && pinsOnTree && connected; }
};

inline float lo(float a, float b) {
  return a < b ? a : b;
}
inline float hi(float a, float b) {
  return a < b ? b : a;
}

// For axis-parallel closed segments, meeting (an end on the other, crossing
// or overlapping) is exactly the meeting of their bounding boxes.
inline bool touch(const Seg& s, const Seg& t) {
  return lo(s.x1, s.x2) <= hi(t.x1, t.x2) && lo(t.x1, t.x2) <= hi(s.x1, s.x2) &&
         lo(s.y1, s.y2) <= hi(t.y1, t.y2) && lo(t.y1, t.y2) <= hi(s.y1, s.y2);
}

inline bool contains(const Seg& s, const Pt& p) {
  return lo(s.x1, s.x2) <= p.x && p.x <= hi(s.x1, s.x2) &&
         lo(s.y1, s.y2) <= p.y && p.y <= hi(s.y1, s.y2);
}

// Some point of s strictly inside r.
inline bool enters(const Seg& s, const Rect& r) {
  float rx1 = lo(r.x1, r.x2), rx2 = hi(r.x1, r.x2);
  float ry1 = lo(r.y1, r.y2), ry2 = hi(r.y1, r.y2);
  return lo(s.x1, s.x2) < rx2 && hi(s.x1, s.x2) > rx1 && lo(s.y1, s.y2) < ry2 &&
         hi(s.y1, s.y2) > ry1;
}

inline std::string show(const Seg& s) {
  std::ostringstream o;
  o << "(" << s.x1 << ", " << s.y1 << ")-(" << s.x2 << ", " << s.y2 << ")";
  return o.str();
}

inline Report check(const std::vector<Pt>& pins,
                    const std::vector<Rect>& rects,
                    const std::vector<Seg>& segs) {
  Report r;
  auto fail = [&r](const std::string& why) {
    if (r.problem.empty()) {
      r.problem = why;
    }
  };
  for (const Seg& s : segs) {
    r.length += std::abs(static_cast<double>(s.x2) - s.x1) +
                std::abs(static_cast<double>(s.y2) - s.y1);
    if (s.x1 != s.x2 && s.y1 != s.y2) {
      r.rectilinear = false;
      fail("diagonal segment " + show(s));
    }
    for (const Rect& o : rects) {
      if (enters(s, o)) {
        r.avoidsObstacles = false;
      }
    }
  }
  if (segs.empty()) {
    // Without segments the tree is one point: every pin must be there.
    for (const Pt& p : pins) {
      if (p.x != pins[0].x || p.y != pins[0].y) {
        r.pinsOnTree = false;
        fail("no segments, yet the pins lie apart");
      }
    }
    return r;
  }
  for (const Pt& p : pins) {
    bool on = std::any_of(segs.begin(), segs.end(),
                          [&p](const Seg& s) { return contains(s, p); });
    if (!on) {
      r.pinsOnTree = false;
      std::ostringstream o;
      o << "pin (" << p.x << ", " << p.y << ") off the tree";
      fail(o.str());
    }
  }
  std::vector<size_t> part(segs.size());
  std::iota(part.begin(), part.end(), 0);
  auto root = [&part](size_t i) {
    while (part[i] != i) {
      i = part[i] = part[part[i]];
    }
    return i;
  };
  for (size_t i = 0; i < segs.size(); ++i) {
    for (size_t j = i + 1; j < segs.size(); ++j) {
      if (touch(segs[i], segs[j])) {
        part[root(i)] = root(j);
      }
    }
  }
  for (size_t i = 1; i < segs.size(); ++i) {
    if (root(i) != root(0)) {
      r.connected = false;
      fail("segment " + show(segs[i]) + " apart from " + show(segs[0]));
      break;
    }
  }
  return r;
}

// The same over the router's own records: pins by type, rectangles as the
// corners' bounding boxes in groups of four, as the readers make them.
inline Report check(const std::vector<Vertex*>& pins,
                    const std::vector<Vertex*>& corners,
                    const std::vector<Segment*>& segments) {
  std::vector<Pt> ps;
  for (const Vertex* v : pins) {
    ps.push_back({v->x, v->y});
  }
  std::vector<Rect> rs;
  for (size_t k = 0; k + 3 < corners.size(); k += 4) {
    float x1 = corners[k]->x, x2 = x1, y1 = corners[k]->y, y2 = y1;
    for (size_t j = k + 1; j < k + 4; ++j) {
      x1 = lo(x1, corners[j]->x);
      x2 = hi(x2, corners[j]->x);
      y1 = lo(y1, corners[j]->y);
      y2 = hi(y2, corners[j]->y);
    }
    rs.push_back({x1, y1, x2, y2});
  }
  std::vector<Seg> ss;
  for (const Segment* s : segments) {
    ss.push_back({s->x1, s->y1, s->x2, s->y2});
  }
  return check(ps, rs, ss);
}

}  // namespace treecheck
