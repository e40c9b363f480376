#include <algorithm>

#include "geometry/segment.h"
#include "options/gridSteiner.h"
#include "options/improveTree.h"
#include "router/router.h"

namespace {

// Work budget, in the small-net solver's units (about ten nanoseconds
// each): at least enough to settle a net of a dozen pins exactly or a few
// hundred well, and beyond that a fixed share per input vertex, so that time
// grows with the net as the pipeline's does.
const double kMinWork = 3e7;
const double kWorkPerVertex = 2e3;
// Nets up to this many pins are solved whole, when the budget allows.
const int kExactPins = 14;
// The largest window the improvement reopens, in ends.
const int kMaxEnds = 7;

std::vector<Wire> wiresOf(const std::vector<Segment*>& segments) {
  std::vector<Wire> wires;
  for (const Segment* s : segments) {
    wires.push_back({s->x1, s->y1, s->x2, s->y2});
  }
  return wires;
}

}  // namespace

void Router::formOptimizedSMT() {
  std::vector<RoutePoint> pins;
  float xlo = 0, ylo = 0, xhi = 0, yhi = 0;
  for (const Vertex* v : vertices) {
    if (v && v->isAPin()) {
      if (pins.empty()) {
        xlo = xhi = v->x;
        ylo = yhi = v->y;
      }
      pins.push_back({v->x, v->y});
      xlo = std::min(xlo, v->x), xhi = std::max(xhi, v->x);
      ylo = std::min(ylo, v->y), yhi = std::max(yhi, v->y);
    }
  }
  const ObstacleIndex& obstacles = legal.obstacles();
  WorkBudget budget{std::max(kMinWork, kWorkPerVertex * vertices.size())};

  if (pins.size() >= 2 && static_cast<int>(pins.size()) <= kExactPins) {
    // An optimal tree stays inside the pins' box grown by every obstacle
    // that meets it, until none does: it can be pressed onto the box's
    // sides, which no obstacle's interior reaches.
    for (bool grew = true; grew;) {
      grew = false;
      for (int r : obstacles.meeting(xlo, ylo, xhi, yhi)) {
        const ObstacleIndex::Rect& o = obstacles.rects()[r];
        if (o.xlo < xlo || o.ylo < ylo || o.xhi > xhi || o.yhi > yhi) {
          xlo = std::min(xlo, o.xlo), ylo = std::min(ylo, o.ylo);
          xhi = std::max(xhi, o.xhi), yhi = std::max(yhi, o.yhi);
          grew = true;
        }
      }
    }
    std::vector<GridSteiner::Point> terms;
    for (const RoutePoint& p : pins) {
      terms.push_back({p.x, p.y});
    }
    GridSteiner g(terms, obstacles, xlo, ylo, xhi, yhi);
    std::vector<GridSteiner::Piece> tree;
    double len = 0;
    // Pins all at one point need no wire: the pipeline's tree says so.
    if (g.work() <= budget.left && g.solve(tree, len) && !tree.empty()) {
      std::vector<Wire> wires;
      for (const GridSteiner::Piece& q : tree) {
        wires.push_back({q.x1, q.y1, q.x2, q.y2});
      }
      replaceSegments(*this, cleanWires(wires, pins));
      return;
    }
  }

  // Copied before this Router's stages null some of its entries.
  std::vector<Vertex*> copy = copyInput(vertices);
  formSMT();
  std::vector<Wire> mine = wiresOf(segments);
  std::vector<Wire> other;
  {
    Router second(copy);
    second.options.exactGraph = !options.exactGraph;
    second.formSMT();
    other = wiresOf(second.segments);
    for (Vertex* v : copy) {
      delete v;
    }
  }
  // The shorter start is improved; improving never lengthens a tree, so
  // the result is no longer than formSMT's.
  const std::vector<Wire>& start =
      wireLength(other) < wireLength(mine) ? other : mine;
  replaceSegments(*this, improveTree(start, pins, obstacles, kMaxEnds, budget));
  stageDone("improveTree");
}
