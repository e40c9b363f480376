#include <algorithm>
#include <limits>

#include "geometry/segment.h"
#include "options/exactSteiner.h"
#include "options/flatSteiner.h"
#include "options/improveTree.h"
#include "router/router.h"

namespace {

// Work budget, in the solvers' units (about ten nanoseconds each). A net of
// up to kSmallNet input vertices gets kSmallWork for each of two starting
// trees: enough to bring a thousand pins near their optimum. A larger one
// gets a share per vertex for one start, so that the improvement takes
// about as long as the pipeline did.
const double kSmallNet = 5000;
const double kSmallWork = 8e7;
const double kWorkPerVertex = 800;
// A small net of at least this many pin positions is improved from a second
// start too. Below it the second start seldom wins: on 10^4 nets of a
// design it took a fifth of the time to shorten them by 0.02 %.
const int kTwoStartPins = 100;
// Nets of up to this many pin positions are solved whole, whatever the
// work; up to the second, when the budget allows.
const int kAlwaysExactPins = 9;
const int kExactPins = 16;
// What an exact solve beyond the first limit leaves to the heuristic tree
// should it run out: as much as the improvement of a sixteen-pin tree
// among ten obstacles takes, with room to spare.
const double kHeuristicReserve = 1e7;
// What a net no obstacle comes near spends improving, per position: on
// nets of 20 to 100 uniform pins about twice the pipeline's time. Its
// windows cost about the same whatever their size, so its rounds start at
// the largest.
const double kFlatWorkPerPlace = 1000;
const int kFlatMinEnds = 8;
// The largest window the improvement reopens, in ends.
const int kMaxEnds = 8;

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
  std::vector<RoutePoint> places = pins;
  std::sort(places.begin(), places.end(),
            [](const RoutePoint& a, const RoutePoint& b) {
              return a.x < b.x || (a.x == b.x && a.y < b.y);
            });
  int distinct = static_cast<int>(std::unique(places.begin(), places.end()) -
                                  places.begin());
  // Pins at one place count once here too.
  double counted =
      static_cast<double>(vertices.size() - pins.size() + distinct);
  const ObstacleIndex& obstacles = legal.obstacles();
  // Few pins among many obstacles count as small: their exact solve needs
  // the fixed budget.
  bool small = counted <= kSmallNet || distinct <= kExactPins;
  WorkBudget budget{small ? kSmallWork : kWorkPerVertex * counted};

  // An optimal tree stays inside the pins' box grown by every obstacle
  // that meets it, until none does: it can be pressed onto the box's
  // sides, which no obstacle's interior reaches. Where none meets even the
  // pins' box, no obstacle matters at all.
  ObstacleIndex::Rect box{xlo, ylo, xhi, yhi};
  bool open = obstacles.growBox(box).empty();
  if (open && distinct >= 2 && distinct <= kFlatExactPins) {
    replaceSegments(*this, solveFlatTree(pins));
    stageDone("solveFlatTree");
    return;
  }
  // Up to twice that, the best break into two exact halves, unless
  // formSMT's tree is shorter: a break can be longer.
  if (open && distinct >= 2 && distinct <= static_cast<int>(kFlatBreakPins)) {
    std::vector<Wire> broken = breakFlatTree(pins);
    formSMT();
    if (wireLength(broken) <= wireLength(wiresOf(segments))) {
      replaceSegments(*this, broken);
    }
    stageDone("breakFlatTree");
    return;
  }
  // A larger one is improved from formSMT's tree with a share of work per
  // position: its windows are solved without obstacles, in microseconds.
  if (open) {
    budget.left = kFlatWorkPerPlace * distinct;
  }

  // Pins all at one point need no wire: the pipeline's tree says so.
  if (distinct >= 2 && distinct <= kExactPins) {
    // A solve that runs out of work leaves its reserve to the improved
    // heuristic tree, so that the two together keep to the budget.
    bool always = distinct <= kAlwaysExactPins;
    WorkBudget share{always ? std::numeric_limits<double>::infinity()
                            : budget.left - kHeuristicReserve};
    double before = share.left;
    ExactTree tree = solveExactTree(pins, obstacles, box, share);
    if (!always) {
      budget.left -= before - share.left;
    }
    // Walled-in pins leave a forest to the pipeline.
    if (tree.status == ExactStatus::solved) {
      replaceSegments(*this, cleanWires(tree.wires, pins));
      stageDone("solveExactTree");
      return;
    }
  }

  // A small net of many pins is improved from two starts, formSMT's and the
  // other graph's, and keeps the shorter; any other from formSMT's alone.
  // Improving never lengthens a tree, so the result is no longer than
  // formSMT's.
  // Copied before this Router's stages null some of its entries.
  bool twoStarts = !open && small && distinct >= kTwoStartPins;
  std::vector<Vertex*> copy;
  if (twoStarts) {
    copy = copyInput(vertices);
  }
  formSMT();
  std::vector<Wire> best =
      improveTree(wiresOf(segments), pins, obstacles, kMaxEnds, budget,
                  open ? kFlatMinEnds : 3);
  if (twoStarts) {
    Router second(copy);
    second.options.exactGraph = !options.exactGraph;
    second.formSMT();
    for (Vertex* v : copy) {
      delete v;
    }
    WorkBudget more{kSmallWork};
    std::vector<Wire> alt =
        improveTree(wiresOf(second.segments), pins, obstacles, kMaxEnds, more);
    if (wireLength(alt) < wireLength(best)) {
      best = std::move(alt);
    }
  }
  replaceSegments(*this, best);
  stageDone("improveTree");
}
