#pragma once
#include <vector>

#include "options/exactSteiner.h"
#include "spatial/wirePlan.h"

class ObstacleIndex;

// Shortens a tree of wires by local search and never lengthens it.
// Reads the wires, the pins and the obstacles; leaves clean wires
// (cleanWires) that join the pins into as many parts as the input did.
//
// The search runs over the grid of the tree's, the pins' and the
// obstacles' coordinates inside the tree's box, whose free pieces hold the
// tree, or over that grid's escape graph: its free pieces on the lines
// through the tree's points, the pins and the obstacles' sides, each line
// stopped where an obstacle blocks it, runs of nodes a line passes straight
// through made one arc. The escape graph holds a shortest obstacle-avoiding
// way between any two tree points in far fewer nodes where obstacles are
// dense (RC08: 42 000 against 2.6 million); grids of more than 2·10^5 nodes
// use it unless told. One search from every point of the tree at once tells
// each node its nearest tree point; an edge between two nodes of different
// nearest points is a way to join those points. Its moves, each kept where
// it shortens the tree:
// - key-path exchange: a key path (a chain between pins and branch points
//   that passes only through bends) gives way to the shortest such join
//   between the two parts its removal leaves;
// - key-vertex elimination: a branch point that is no pin gives up its key
//   paths to the shortest joins that reconnect the parts they leave;
// - with insert, Steiner-vertex insertion: a node off the tree whose
//   neighbours lie nearest three tree points becomes a branch point joined
//   to them, and two key paths of different legs of the three points'
//   subtree go (the way between two points inside one key path is none).
// Moves whose cycles share no key path are made together, a pass at a
// time, until a pass gains nothing or the budget is spent; a pass whose
// moves together would not shorten the tree or would split its pins makes
// only its best one, or none. Each tree point's search reaches only as far
// as half the longest key path, and no further than that point's own
// longest key path; a key path's own region is searched again as though
// the path were gone, so that its exchange may run where it ran. Joins
// found this way pass only through points nearer their own ends than other
// tree points, so a move may be missed, never made wrong. The work counted
// is per grid node built (for the escape graph, per grid node looked at,
// per piece its lines cover and per node), per node the searches settle
// and per wire planned; a search the budget stops mid-pass changes
// nothing. Grids of more than a few million nodes (escape graphs: from
// grids of more than 4·10^7) are not built: the tree comes back cleaned.
// Ties go by node, so the result depends on nothing but the input.
//
// With iterate, once no pass gains, iterated local search spends the rest
// of the budget (at most kicks.count kicks, sixteen unless told): from the
// shortest tree yet, a pass that also moves some key paths and branch
// points' stars to joins a little longer, then passes until none gains;
// the shortest tree is kept. Kick number k (from kicks.first) picks which
// key paths it moves, so kicks of other numbers move others.
enum class SearchGraph { automatic, grid, escape };
// A kick moves about one key path (and one branch point's star) in every
// to its cheapest other joins where that loses at most loss of their
// length.
struct Kicks {
  int count = 16;
  int first = 1;
  unsigned every = 6;
  double loss = 0.3;
};
// With amount > 0, the search measures the wire on a horizontal line
// (vertical line) inside box at its length times 1 + amount * h, h in
// [0, 1) drawn from the line's coordinate and seed, and the rest at its
// length: a deterministic perturbation whose local optima differ from the
// true weights' ones there, for a diverse pool of trees. A piece costs the
// same however it is cut, so the moves stay consistent; the tree kept is
// the shortest by these weights, maybe longer by the true ones.
// Guided local search's penalties: spans of lines (pieces of earlier local
// optima) on which a wire costs weight times count more per unit of
// overlap. Spans may overlap; their counts add.
struct Penalties {
  struct Span {
    bool horizontal;
    double at, lo, hi;
    double count;
  };
  double weight = 0;
  // Adds one to the count of each wire's span; call sorted() before use.
  void add(const std::vector<Wire>& wires, double count = 1);
  void sorted();
  // The extra cost of the piece from lo to hi on line at.
  double extra(bool horizontal, double at, double lo, double hi) const;
  std::vector<Span> spans;  // by line, then lo
};
struct Noise {
  double amount = 0;
  unsigned seed = 0;
  double xlo = -1e300, ylo = -1e300, xhi = 1e300, yhi = 1e300;  // box
  const Penalties* penalties = nullptr;  // added on top, where given
  bool active() const {
    return amount > 0 ||
           (penalties && penalties->weight > 0 && !penalties->spans.empty());
  }
  // The cost of the piece from (x1, y1) to (x2, y2), on one line.
  double cost(double x1, double y1, double x2, double y2) const;
  double length(const Wire& w) const { return cost(w.x1, w.y1, w.x2, w.y2); }
};
std::vector<Wire> localSearchTree(const std::vector<Wire>& wires,
                                  const std::vector<RoutePoint>& pins,
                                  const ObstacleIndex& obstacles,
                                  WorkBudget& budget,
                                  WirePlanScratch& plan,
                                  SearchGraph graph = SearchGraph::automatic,
                                  bool iterate = false,
                                  bool insert = false,
                                  Kicks kicks = {},
                                  Noise noise = {});
std::vector<Wire> localSearchTree(const std::vector<Wire>& wires,
                                  const std::vector<RoutePoint>& pins,
                                  const ObstacleIndex& obstacles,
                                  WorkBudget& budget,
                                  SearchGraph graph = SearchGraph::automatic);

// Whether the search's grid over these wires is small enough to be built,
// and work enough for about one pass over it.
bool localSearchFits(const std::vector<Wire>& wires,
                     const std::vector<RoutePoint>& pins,
                     const ObstacleIndex& obstacles,
                     double work);
