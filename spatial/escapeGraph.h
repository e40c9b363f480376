#pragma once
#include <array>
#include <cstddef>
#include <functional>
#include <vector>

#include "spatial/freeRoute.h"
#include "spatial/obstacleIndex.h"
#include "spatial/sightLimits.h"
#include "support/segmentTree.h"

// How far one point sees in each direction of SightDir, testing it
// against each rectangle: sightLimits' values for that point.
std::array<float, 4> fewSightAt(const std::vector<ObstacleIndex::Rect>& rects,
                                float x,
                                float y);

// sightLimits by testing each point against each rectangle: the same
// values, in O(points x rectangles), for few rectangles.
std::array<std::vector<float>, 4> fewSightLimits(
    const std::vector<ObstacleIndex::Rect>& rects,
    const std::vector<float>& xs,
    const std::vector<float>& ys);

// The lines a shortest route among the rectangles needs, built once for all
// routes. A track is the free stretch, along an axis, of the line through a
// corner that no open interior holds, as far as the free space reaches;
// nodes are where tracks cross. Every shortest free route, and among those
// one with the fewest bends, can be slid onto the tracks and the two lines
// through each of its ends: a piece whose neighbours turn to the same side
// cannot move without lengthening the route, so an obstacle holds it,
// touching it at a corner; one whose neighbours turn to opposite sides
// slides at no cost until it meets a corner, for were a neighbour to shrink
// to nothing first, a bend would be saved. A search then passes a
// corridor's few tracks, not every line of every rectangle near it.
class EscapeGraph {
 public:
  // With linesOnly, only lines() may be asked: the tracks are found, but
  // not the lists the searches look them up in.
  explicit EscapeGraph(const ObstacleIndex& index, bool linesOnly = false);

  // A shortest free route from a to b with the fewest bends among the
  // shortest, as its points from a to b (every inner one a bend), or none
  // when the free space keeps them apart. Ties go to the smaller state (x,
  // then y, then the axis of arrival), so the route depends on nothing but
  // the rectangles and the ends. Neither end may lie in an open interior.
  std::vector<RoutePoint> route(RoutePoint a, RoutePoint b) const;

  // The length of a shortest free route from a to each target, in order;
  // infinity for a target the free space keeps from a. One search for all,
  // over the tracks and the lines through a and every target.
  std::vector<double> distances(RoutePoint a,
                                const std::vector<RoutePoint>& targets) const;

  // The same search, calling reached(target, length) for each target in
  // the order of its length from a (ties by place, then by index), until
  // it returns true.
  void reach(RoutePoint a,
             const std::vector<RoutePoint>& targets,
             const std::function<bool(size_t, double)>& reached) const;

  // A short tree of shortest free routes from a to every target, from one
  // search: each target, nearest first, is joined to the point of the tree
  // so far that lies on a shortest route to it and is farthest from a, so
  // that routes share what wire they can. paths are the polylines joined
  // (from the tree to the target, every inner point a bend); dist[i] is the
  // length of a shortest route to target i, infinite where the free space
  // keeps it from a. The same rectangles and ends give the same tree.
  // When grid is given and the search met at most gridNodes points, it
  // receives every step of the graph between two points the search met (as
  // straight pieces): the graph around a out to the farthest target, for
  // searches of the caller's own; paths are then not made.
  void shortestTree(
      RoutePoint a,
      const std::vector<RoutePoint>& targets,
      std::vector<double>& dist,
      std::vector<std::vector<RoutePoint>>& paths,
      std::vector<std::pair<RoutePoint, RoutePoint>>* grid = nullptr,
      size_t gridNodes = 0) const;

  // The graph's lines drawn as straight pieces for searches of the
  // caller's own, where they cross in at most `crossings` points: the
  // tracks and the lines through each of through, cut to the box of those
  // grown to hold every rectangle it meets (no shortest route need leave
  // it). Their
  // plan (every crossing a node) is the graph the searches above run on.
  // False, with out empty, where they cross more often.
  // With whole, the lines are cut to the box of every rectangle and point
  // instead, which holds every node of the graph.
  bool lines(const std::vector<RoutePoint>& through,
             size_t crossings,
             std::vector<std::pair<RoutePoint, RoutePoint>>& out,
             bool whole = false) const;

 private:
  // A free stretch [lo, hi] of the line at `at`.
  struct Track {
    float at;
    float lo;
    float hi;
  };

  // The tracks along one axis: by line for the one through a point, and by
  // extent for the nearest that crosses a line of the other axis.
  class Tracks {
   public:
    // The tracks sorted and distinct, and unless linesOnly the lists that
    // next() reads.
    void build(std::vector<Track> tracks, bool linesOnly);
    // The track on line `at` whose stretch holds t, or null.
    const Track* holding(float at, float t) const;
    // The nearest line beyond t (above it when up, else below) of a track
    // whose stretch holds c; plus or minus infinity when there is none.
    float next(float c, float t, bool up) const;
    const std::vector<Track>& all() const { return byLine_; }

   private:
    std::vector<Track> byLine_;
    // Over the distinct stretch ends, each node lists the lines of the
    // tracks it covers, sorted.
    BoundLeaves<float> ends_;
    SegmentLists<float> lines_;
  };

  // The one search from a point to many targets that reach and
  // shortestTree share: nearest first, over the tracks and the lines
  // through the point and every target.
  class Search;

  // How far p sees in direction d, as sightLimits tells it for corners.
  float shoot(RoutePoint p, SightDir d) const;

  const ObstacleIndex& index_;
  Tracks tracks_[2];  // along x, along y
  // Distinct sides of the rectangles with an interior, sorted: those a look
  // in each direction of SightDir can meet (xlo, xhi, ylo, yhi).
  std::vector<float> sides_[4];
};
