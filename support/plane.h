#pragma once
#include <algorithm>

// The values of plane geometry, one set for every coordinate type: float
// where the pipeline computes, double where the tree checker reads and the
// value interface takes them (treecore::Point, treecore::Rect).
namespace treecore::plane {

template <class T>
struct Point {
  T x;
  T y;
};

// The closed box [xlo, xhi] x [ylo, yhi].
template <class T>
struct Box {
  T xlo;
  T ylo;
  T xhi;
  T yhi;
};

// A straight piece from (x1, y1) to (x2, y2).
template <class T>
struct Wire {
  T x1;
  T y1;
  T x2;
  T y2;
};

template <class T>
bool operator==(const Point<T>& a, const Point<T>& b) {
  return a.x == b.x && a.y == b.y;
}

template <class T>
bool operator!=(const Point<T>& a, const Point<T>& b) {
  return !(a == b);
}

template <class T>
bool operator==(const Box<T>& a, const Box<T>& b) {
  return a.xlo == b.xlo && a.ylo == b.ylo && a.xhi == b.xhi && a.yhi == b.yhi;
}

template <class T>
bool operator==(const Wire<T>& a, const Wire<T>& b) {
  return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}

// The least box holding both.
template <class T>
Box<T> hull(const Box<T>& a, const Box<T>& b) {
  return {std::min(a.xlo, b.xlo), std::min(a.ylo, b.ylo),
          std::max(a.xhi, b.xhi), std::max(a.yhi, b.yhi)};
}

// The box that two points span.
template <class T>
Box<T> boundsOf(const Point<T>& a, const Point<T>& b) {
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x),
          std::max(a.y, b.y)};
}

template <class T>
Box<T> boundsOf(const Wire<T>& w) {
  return boundsOf(Point<T>{w.x1, w.y1}, Point<T>{w.x2, w.y2});
}

}  // namespace treecore::plane
