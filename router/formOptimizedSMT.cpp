#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/segment.h"
#include "options/exactSteiner.h"
#include "options/flatSteiner.h"
#include "options/guidedSearch.h"
#include "options/improveTree.h"
#include "options/localSearch.h"
#include "options/lowerBound.h"
#include "options/recombine.h"
#include "router/legality.h"
#include "router/router.h"

namespace {

// Work budgets, in the solvers' units (about ten nanoseconds each).
// Effort 1 spends in proportion to what the pipeline spent on the net: a
// share per input vertex (pins and obstacle corners), so that a design's
// nets cost about five times the default's time. Beyond kLargeNet
// vertices, where the pipeline's work per vertex is less, a smaller share:
// a net of 10^4 pins among 1000 obstacles takes about three times the
// default's time.
const double kWorkPerVertex = 4000;
const double kLargeNet = 5000;
const double kWorkPerLargeVertex = 800;
// Each level above the first spends this many times the level below it.
const double kLevelGrowth = 4;
// Nets of up to this many pin positions are solved whole at every level.
const int kAlwaysExactPins = 9;
// Up to this many, from effort 2, an exact solve with a budget that grows
// by level; at effort 1 the improved tree is about as short at a fraction
// of the time.
const int kExactPins = 16;
const double kExactWork = 2e6;
// What a net no obstacle comes near spends improving, per position: on
// nets of 20 to 100 uniform pins about twice the pipeline's time.
const double kFlatWorkPerPlace = 1000;
// The largest window the improvement reopens at effort 1, in ends; each
// level above opens one more, up to the second. Rounds start at the
// largest: on a design's nets, starting at three ends spent twice the work
// for the same length.
const int kMaxEnds = 8;
const int kMostEnds = 12;
// Effort 1 parts a net's work between the local search (localSearchTree)
// and the windows where the search's grid fits. On nets of up to
// kSmallNet positions the search runs first, on the pipeline's tree, with
// kSearchShareSmall: it settles there in a fraction of its share, and the
// windows after it get kWindowShare and what it left. On a design's nets
// that is shorter at less time than windows first and the search after.
// From kSmallNet up to kManyPins positions the windows have it all: there
// the search bought a tenth of the windows' length for the same work.
// Beyond kManyPins, windows first with kWindowShareLarge and the search
// after them with kSearchShareLarge; where its grid does not fit the
// windows have kNoSearchShare: a net of 10^4 pins among 1000 obstacles then
// takes under three times the default's time. Where the search's share
// would not pay for a pass over its grid (obstacle-dense nets), and on nets
// no obstacle comes near, the windows have it all.
const double kWindowShare = 0.7;
const double kSearchShareSmall = 0.3;
// Nets of more than kSmallNet positions with at least kDenseObstacles
// obstacles per position meeting their pins' box (RC06 to RC09 and RC12;
// a design's nets have under 0.2) take the search first too, over its
// escape graph (a thirtieth of the grid's nodes there), with twice the
// net's work, and the windows after it four times the net's work and what
// the search left: both settle within that (four and eight times gave the
// same trees).
// On RC06 to RC09, over the optima: the windows alone 0.90 %; the search
// with 0.3 of the work and the windows 0.7, 0.66 %; with one and one,
// 0.44 %; these, 0.25 %, in 0.13 to 0.32 s against 0.08 to 0.16 s.
const double kDenseObstacles = 1;
const double kSearchShareDense = 2;
const double kWindowShareDense = 4;
const int kSmallNet = 50;
// Between those and the nets no obstacle comes near, nets with some
// obstacles among their pins (RC03, RC05, RC10, RC11: 0.09 to 0.2
// obstacles meeting the pins' box per position; of a design's nets, 127
// of 3035 of 17 to 50 pins and 41 of 535 of 51 to 500 pins pass the
// thresholds below): there the windows, each held to its box among the
// obstacles, stop short, and more work pays. Nets of up to kSmallNet
// positions with at least kSomeObstaclesSmall per position give the
// windows kWindowShareSome of the net's work (RC03 0.65 % over the
// optimum -> optimal; a design's nets of 17 to 50 pins about 4 % more
// time). Larger ones with at least kSomeObstacles, up to kManyPins, after
// the windows take the search with kSearchShareSome of the net's work,
// then windows again over what it moved with kAfterSearchShareSome (RC05
// 0.81 -> 0 %, RC10 0.74 -> 0.52 %, RC11 0.78 -> 0.55 %; a design's nets
// of 51 to 500 pins about 13 % more time).
const double kSomeObstaclesSmall = 0.15;
const double kWindowShareSome = 2.1;
const double kSomeObstacles = 0.09;
const double kSearchShareSome = 2;
const double kAfterSearchShareSome = 0.5;
// Dense nets, and nets with some obstacles that also have at least
// kCrowdedObstacles of them meeting the pins' box (RC10, RC11: 100; of a
// design's nets of 51 to 500 pins with 0.09 per position, at most 50), are
// nothing like a design's nets, and at effort 1 take what made effort 2 to
// 4 shorter there: a second start from the other spanning graph's tree,
// searched and improved as the first, the shorter kept, then up to
// kPolishRounds rounds of the search and windows of more ends with more
// work, while either gains. Dense nets' searches kick (kDenseKicks) and
// their windows reach kDenseEnds ends with kDenseWindowShare; the others'
// kCrowdedEnds with kCrowdedWindowShare. Over the optima, RC06 to RC11:
// 0.05, 0.26, 0.22, 0.43, 0.52, 0.55 % -> 0, 0.08, 0.11, 0.27, 0.39,
// 0.22 %; windows of ten ends on RC10 and RC11 cost more for no shorter
// tree, of eleven on the dense nets RC08 0.16 -> 0.11 %.
const double kCrowdedObstacles = 64;
const int kPolishRounds = 2;
const int kDenseKicks = 16;
const int kDenseEnds = 11;
const double kDenseWindowShare = 16;
const int kCrowdedEnds = 9;
const double kCrowdedWindowShare = 8;
const double kCrowdedSearchShare = 2;
const double kWindowShareLarge = 0.5;
const double kSearchShareLarge = 0.6;
const double kNoSearchShare = 0.5;
const int kManyPins = 2000;
// From effort 2, after each level's windows, the local search with this
// share of the level's work and what the windows left, then windows again
// over what it moved with this share.
const double kSearchShare = 1;
const double kAfterSearchShare = 0.5;
// From this level the nets with obstacles near that are not obstacle-dense
// (RC10, RC11) take this many kicks in each level's search too. There the
// kicks pay (RC11 at effort 8: 0.181 -> 0.147 % over the optimum, 29 ->
// 48 s); on the dense ones (RC07 to RC09), which kick from effort 2, 64
// more kicks at effort 5, with twice as many key paths moved or losing up
// to their whole length, gained nothing.
const int kHighLevel = 5;
const int kHighKicks = 8;
// From effort 2, nets with a second start keep up to kPoolSize distinct
// good trees (each level's, the second start's, the restarts', the
// recombined), and each level recombines them (recombineTrees: block by
// block of their wires' union, the shortest tree's part there) with
// kRecombineShare of the level's work; where that is shorter than them
// all, it is searched and improved as the level's tree is. On RC09 to
// RC11 the trees' best parts lay in different trees: at effort 4 RC09
// 111 303 -> 111 270, RC11 231 333 -> 231 269; at effort 8 RC10 164 500 ->
// 164 360, RC11 231 224 -> 231 155; 0 to 30 % more processor time. RC08
// and the generated nets of 100 to 200 pins gained next to nothing.
const size_t kPoolSize = 5;
const double kRecombineShare = 0.5;
// From effort 2 up to kSideTop, the crowded and dense nets also run a
// side track: its tree, the shortest yet, is searched kNoisyStarts times a
// level under perturbed weights (Noise: each line's pieces up to kNoise
// longer, a seed per level and start), then under the true ones (on the
// dense nets iterated, with kicks, and kDenseSideSearch times the share)
// and improved, and recombined with what that made, each step with
// kSideShare of the level's shares. The pool's trees differ too little for
// their blocks to gain; perturbed searches lead elsewhere. The track never
// steers the levels' own trees or pool, so each level's tree is what it
// was, and the net's is the shorter of the two. Over the optima, RC11 at
// effort 7 0.138 -> 0.122 %, RC09 at effort 4 0.239 % -> optimal; RC10 and
// RC08 (0.107 -> 0.103 %) next to nothing. Without the kicks the dense
// nets gained nothing: their searches came back to the level's tree.
const int kNoisyStarts = 2;
const double kNoise = 0.2;
const double kNoiseShare = 0.5;
const double kSideShare = 0.25;
const int kSideTop = 6;
const double kDenseSideSearch = 4;
// At level 2 the side track also runs guided local search
// (guidedSearchTree): kGuidedRounds rounds, each penalising by
// kGuidedWeight the kGuidedFeatures of its key paths with the most utility,
// searching under the length plus the penalties, then under the true
// length, and improving, each step with kGuidedShare of the track's share.
// RC08 at effort 8 112 680 -> 112 564, the optimum: the track leaves
// level 2 on another tree (112 676 against 112 680), from which the levels
// above reach it; elsewhere the same lengths. At every level it gained
// nothing more (RC10, RC11 at efforts 3 to 8) for 20 to 40 % more time on
// the dense nets; on RC10 penalties of 0.1 or 1, on 5 or 25 % of the key
// paths, eight rounds, iterated searches, gained nothing alone.
// On the crowded nets of up to kMixPins positions (RC10) the rounds run at
// every level of the track, on kAwayFeatures of the key paths, their
// searches under the true length iterated, and every piece of each pool
// tree penalised kAway from the start, so that the wires the pool shares
// cost the most: RC10 at effort 8 164 350 -> 164 320 (22.8 -> 37 s). With
// kAway 0.02 (no iteration) 164 360, 0.03 or 0.1 164 350; eight rounds
// 164 310 in 50 s. On RC11, for one of the noisy starts, 231 118 ->
// 231 092 in 99 s against 55.
const int kGuidedTop = 2;
const int kGuidedRounds = 4;
const double kGuidedWeight = 0.3;
const double kGuidedFeatures = 0.125;
const double kGuidedShare = 0.25;
const double kAwayFeatures = 0.05;
const double kAway = 0.05;
// At every level from 2, crowded nets of up to kMixPins positions also
// recombine the pool with the track's tree, which never joins it, into
// the track (searched and improved where shorter than them all), with
// kMixShare of the level's shares: the track's parts meet the levels' ones
// only there, and the levels' own trees stay what they were.
const int kMixPins = 600;
const double kMixShare = 1;
// The lower bound's dual ascent, per input vertex and at least.
const double kBoundWorkPerVertex = 1e5;
const double kBoundWorkLeast = 1e7;

std::vector<Wire> wiresOf(const std::vector<Segment*>& segments) {
  std::vector<Wire> wires;
  for (const Segment* s : segments) {
    wires.push_back({s->x1, s->y1, s->x2, s->y2});
  }
  return wires;
}

// The pipeline's tree of the input mirrored (in x, in y or both) about the
// middle of all its points, improved, and mirrored back; empty where a
// mirrored coordinate is not exact in single precision.
std::vector<Wire> mirroredStart(const std::vector<Vertex*>& input,
                                bool inX,
                                bool inY,
                                bool exactGraph,
                                double work,
                                int ends) {
  std::vector<Vertex*> in = copyInput(input);
  double xlo = in[0]->x, xhi = xlo, ylo = in[0]->y, yhi = ylo;
  for (const Vertex* v : in) {
    xlo = std::min<double>(xlo, v->x), xhi = std::max<double>(xhi, v->x);
    ylo = std::min<double>(ylo, v->y), yhi = std::max<double>(yhi, v->y);
  }
  double sx = inX ? xlo + xhi : 0, sy = inY ? ylo + yhi : 0;
  auto flip = [&](float& x, float& y) {
    double fx = inX ? sx - x : x, fy = inY ? sy - y : y;
    bool exact = static_cast<float>(fx) == fx && static_cast<float>(fy) == fy;
    x = static_cast<float>(fx);
    y = static_cast<float>(fy);
    return exact;
  };
  bool exact = true;
  for (Vertex* v : in) {
    exact = flip(v->x, v->y) && exact;
  }
  std::vector<Wire> wires;
  if (exact) {
    std::vector<RoutePoint> pins;
    for (const Vertex* v : in) {
      if (v->isAPin()) {
        pins.push_back({v->x, v->y});
      }
    }
    Router r(in);
    r.options.exactGraph = exactGraph;
    r.formSMT();
    WorkBudget budget{work};
    wires = improveTree(wiresOf(r.segments), pins, r.legal.obstacles(), ends,
                        budget, r.scratch.wirePlan, r.scratch.flat,
                        r.scratch.exact, kMaxEnds);
    // Mirrored back exactly: the same sums undo it.
    for (Wire& w : wires) {
      flip(w.x1, w.y1);
      flip(w.x2, w.y2);
    }
  }
  for (Vertex* v : in) {
    delete v;
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
  int distinct = flatPlaces(pins);
  // Pins at one place count once here too.
  double counted =
      static_cast<double>(vertices.size() - pins.size() + distinct);
  const ObstacleIndex& obstacles = legal.obstacles();
  int effort = std::max(1, options.effort);
  double base = kWorkPerVertex * std::min(counted, kLargeNet) +
                kWorkPerLargeVertex * std::max(0.0, counted - kLargeNet);

  // An optimal tree stays inside the pins' box grown by every obstacle
  // that meets it, until none does: it can be pressed onto the box's
  // sides, which no obstacle's interior reaches. Where none meets even the
  // pins' box, no obstacle matters at all.
  ObstacleIndex::Rect box{xlo, ylo, xhi, yhi};
  bool open = obstacles.growBox(box).empty();
  // A copy of the input for the second start of the higher levels, taken
  // before this Router's stages null some of its entries.
  // Obstacle-dense nets take the search first at effort 1 as small ones
  // do, over its sparse graph.
  double meeting =
      open ? 0
           : static_cast<double>(obstacles.meeting(xlo, ylo, xhi, yhi).size());
  bool dense = !open && distinct > kSmallNet && distinct <= kManyPins &&
               meeting >= kDenseObstacles * distinct;
  bool crowded =
      !open && !dense && distinct > kSmallNet && distinct <= kManyPins &&
      meeting >= kSomeObstacles * distinct && meeting >= kCrowdedObstacles;
  bool secondStart = effort >= 2 && !open && distinct > kExactPins;
  std::vector<Vertex*> copy;
  if (secondStart || dense || crowded) {
    copy = copyInput(vertices);
  }

  // Level 1.
  std::vector<Wire> tree;
  bool optimal = false;  // tree is a shortest one: no level can gain
  const char* stage = "improveTree";
  if (open && distinct >= 2 && distinct <= kFlatExactPins) {
    tree = solveFlatTree(pins, scratch.flat);
    optimal = true;
    stage = "solveFlatTree";
  } else if (open && distinct >= 2 &&
             distinct <= static_cast<int>(kFlatBreakPins)) {
    // The best break into two exact halves, unless formSMT's tree is
    // shorter: a break can be longer, though at effort 1 on the fewest
    // positions too rarely to pay for the tree.
    tree = breakFlatTree(pins, scratch.flat);
    if (effort >= 2 || distinct > kFlatBreakAlonePins) {
      formSMT();
      std::vector<Wire> smt = wiresOf(segments);
      if (wireLength(smt) < wireLength(tree)) {
        tree = std::move(smt);
      }
    }
    stage = "breakFlatTree";
  } else {
    if (distinct >= 2 && distinct <= kAlwaysExactPins) {
      WorkBudget share{std::numeric_limits<double>::infinity()};
      ExactTree exact =
          solveExactTree(pins, obstacles, box, share, scratch.exact);
      // Walled-in pins leave a forest to the pipeline.
      if (exact.status == ExactStatus::solved) {
        tree = cleanWires(exact.wires, pins, scratch.wirePlan);
        optimal = true;
        stage = "solveExactTree";
      }
    }
    if (!optimal) {
      // Improving never lengthens a tree, so the result is no longer than
      // formSMT's. A net no obstacle comes near has its windows solved
      // without obstacles, in microseconds.
      formSMT();
      double work = open ? kFlatWorkPerPlace * distinct : base;
      bool many = distinct > kManyPins;
      bool small = distinct <= kSmallNet || dense;
      std::vector<Wire> start = wiresOf(segments);
      double searchWork = work * (dense   ? kSearchShareDense
                                  : small ? kSearchShareSmall
                                  : many  ? kSearchShareLarge
                                          : 0);
      bool search =
          !open && searchWork > 0 &&
          (dense || localSearchFits(start, pins, obstacles, searchWork));
      bool huge = !open && !search && many;
      bool someSmall = search && small && !dense &&
                       meeting >= kSomeObstaclesSmall * distinct;
      bool someMid = !open && !search && !small && !many &&
                     meeting >= kSomeObstacles * distinct;
      WorkBudget budget{work * (search ? (dense       ? kWindowShareDense
                                          : someSmall ? kWindowShareSome
                                          : small     ? kWindowShare
                                                      : kWindowShareLarge)
                                : huge ? kNoSearchShare
                                       : 1)};
      if (search && small) {
        WorkBudget first{searchWork};
        // Dense nets' searches insert branch points too (RC08 0.24 ->
        // 0.22 %, RC09 0.46 -> 0.43 % over the optima): elsewhere, at a
        // design's nets, that cost 4 % more time for next to nothing.
        start = localSearchTree(start, pins, obstacles, first, scratch.wirePlan,
                                SearchGraph::automatic, false, dense);
        budget.left += std::max(0.0, first.left);
      }
      tree =
          improveTree(start, pins, obstacles, kMaxEnds, budget,
                      scratch.wirePlan, scratch.flat, scratch.exact, kMaxEnds);
      if (search && !small) {
        WorkBudget more{searchWork};
        tree = localSearchTree(tree, pins, obstacles, more, scratch.wirePlan);
      }
      if (dense || crowded) {
        // A copy of the copy: a Router's stages change its vertices, and
        // level 2 starts from the copy again.
        std::vector<Vertex*> fresh = copyInput(copy);
        std::vector<Wire> secondTree;
        {
          Router second(fresh);
          second.options.exactGraph = !options.exactGraph;
          second.formSMT();
          secondTree = wiresOf(second.segments);
        }
        for (Vertex* v : fresh) {
          delete v;
        }
        WorkBudget first{work * (dense ? kSearchShareDense : 1)};
        std::vector<Wire> alt = localSearchTree(
            secondTree, pins, obstacles, first, scratch.wirePlan,
            SearchGraph::automatic, false, dense);
        WorkBudget more{work * (dense ? kWindowShareDense : 1) +
                        std::max(0.0, first.left)};
        alt =
            improveTree(alt, pins, obstacles, kMaxEnds, more, scratch.wirePlan,
                        scratch.flat, scratch.exact, kMaxEnds);
        if (!alt.empty() && wireLength(alt) < wireLength(tree)) {
          tree = std::move(alt);
        }
        int ends = dense ? kDenseEnds : kCrowdedEnds;
        for (int round = 0; round < kPolishRounds; ++round) {
          Kicks kicks;
          kicks.count = dense ? kDenseKicks : 0;
          kicks.first = 1 + 100 * round;
          WorkBudget searchWork{
              work * (dense ? kSearchShareDense : kCrowdedSearchShare)};
          std::vector<Wire> next = localSearchTree(
              tree, pins, obstacles, searchWork, scratch.wirePlan,
              SearchGraph::automatic, dense, true, kicks);
          bool gained = wireLength(next) < wireLength(tree);
          // The first round's windows are larger than any before them.
          if (!gained && round > 0) {
            break;
          }
          WorkBudget again{work *
                           (dense ? kDenseWindowShare : kCrowdedWindowShare)};
          next =
              improveTree(next, pins, obstacles, ends, again, scratch.wirePlan,
                          scratch.flat, scratch.exact, kMaxEnds);
          if (!(wireLength(next) < wireLength(tree))) {
            break;
          }
          tree = std::move(next);
        }
      } else if (someMid) {
        WorkBudget more{work * kSearchShareSome};
        std::vector<Wire> next =
            localSearchTree(tree, pins, obstacles, more, scratch.wirePlan);
        if (wireLength(next) < wireLength(tree)) {
          WorkBudget again{work * kAfterSearchShareSome};
          tree = improveTree(next, pins, obstacles, kMaxEnds, again,
                             scratch.wirePlan, scratch.flat, scratch.exact,
                             kMaxEnds);
        }
      }
    }
  }

  // Each level above continues from the tree of the level below with more
  // work and keeps the shorter, so it is never longer.
  double scale = 1;
  std::vector<std::vector<Wire>> pool;  // shortest first, earlier on ties
  auto offer = [&](const std::vector<Wire>& t) {
    double length = wireLength(t);
    auto same = [&](const std::vector<Wire>& u) {
      return std::equal(t.begin(), t.end(), u.begin(), u.end(),
                        [](const Wire& a, const Wire& b) {
                          return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 &&
                                 a.y2 == b.y2;
                        });
    };
    if (t.empty() || std::any_of(pool.begin(), pool.end(), same)) {
      return;
    }
    auto at = std::find_if(pool.begin(), pool.end(), [&](const auto& u) {
      return wireLength(u) > length;
    });
    pool.insert(at, t);
    if (pool.size() > kPoolSize) {
      pool.pop_back();
    }
  };
  std::vector<Wire> side;  // the side track's tree, from level 2
  auto sideStart = [&](std::vector<Wire>& best, int level, int r, int ends,
                       double levelWork) {
    double length = wireLength(best);
    Noise noise{kNoise, static_cast<unsigned>(16 * level + r)};
    WorkBudget shaken{kNoiseShare * levelWork};
    std::vector<Wire> alt =
        localSearchTree(best, pins, obstacles, shaken, scratch.wirePlan,
                        SearchGraph::automatic, false, true, {}, noise);
    WorkBudget more{kSearchShare * levelWork * (dense ? kDenseSideSearch : 1)};
    alt = localSearchTree(alt, pins, obstacles, more, scratch.wirePlan,
                          SearchGraph::automatic, dense, true);
    WorkBudget again{kAfterSearchShare * levelWork};
    alt = improveTree(alt, pins, obstacles, ends, again, scratch.wirePlan,
                      scratch.flat, scratch.exact, kMaxEnds);
    WorkBudget mix{kRecombineShare * levelWork};
    std::vector<Wire> merged =
        recombineTrees({best, alt}, pins, mix, scratch.wirePlan);
    if (!merged.empty() && wireLength(merged) < length) {
      WorkBudget polish{kSearchShare * levelWork};
      merged =
          localSearchTree(merged, pins, obstacles, polish, scratch.wirePlan,
                          SearchGraph::automatic, false, true);
      if (wireLength(merged) < wireLength(alt)) {
        alt = std::move(merged);
      }
    }
    if (!alt.empty() && wireLength(alt) < length) {
      best = std::move(alt);
    }
  };
  // The pool and the track's tree recombined, searched and improved where
  // that is shorter than them all, into the track.
  auto mixSide = [&](std::vector<Wire>& best, int ends, double levelWork) {
    std::vector<std::vector<Wire>> trees = pool;
    trees.push_back(best);
    // recombineTrees takes the earlier tree on ties.
    std::stable_sort(trees.begin(), trees.end(),
                     [](const auto& a, const auto& b) {
                       return wireLength(a) < wireLength(b);
                     });
    double length = wireLength(trees[0]);
    WorkBudget mix{kRecombineShare * levelWork};
    std::vector<Wire> merged =
        recombineTrees(trees, pins, mix, scratch.wirePlan);
    if (merged.empty() || !(wireLength(merged) < length)) {
      return;
    }
    WorkBudget more{kSearchShare * levelWork};
    merged = localSearchTree(merged, pins, obstacles, more, scratch.wirePlan,
                             SearchGraph::automatic, false, true);
    WorkBudget again{kAfterSearchShare * levelWork};
    merged = improveTree(merged, pins, obstacles, ends, again, scratch.wirePlan,
                         scratch.flat, scratch.exact, kMaxEnds);
    if (wireLength(merged) < wireLength(best)) {
      best = std::move(merged);
    }
  };
  if (secondStart) {
    offer(tree);
  }
  for (int level = 2; level <= effort && !optimal && distinct >= 2; ++level) {
    scale *= kLevelGrowth;
    double length = wireLength(tree);
    if (distinct <= kExactPins && !open) {
      WorkBudget share{kExactWork * scale / kLevelGrowth};
      ExactTree exact =
          solveExactTree(pins, obstacles, box, share, scratch.exact, length);
      if (exact.status == ExactStatus::solved && exact.length < length) {
        tree = cleanWires(exact.wires, pins, scratch.wirePlan);
        length = wireLength(tree);
      }
      if (exact.status == ExactStatus::solved ||
          exact.status == ExactStatus::noneWithin) {
        optimal = true;
        break;
      }
    }
    int ends = std::min(kMostEnds, kMaxEnds + level - 1);
    WorkBudget budget{(open ? kFlatWorkPerPlace * distinct : base) * scale};
    std::vector<Wire> next =
        improveTree(tree, pins, obstacles, ends, budget, scratch.wirePlan,
                    scratch.flat, scratch.exact, kMaxEnds);
    if (wireLength(next) < length) {
      tree = std::move(next);
      length = wireLength(tree);
    }
    // What the windows left over goes to the search too.
    double levelWork = (open ? kFlatWorkPerPlace * distinct : base) * scale;
    WorkBudget search{std::max(0.0, budget.left) + kSearchShare * levelWork};
    // On obstacle-dense nets, whose escape graphs make passes cheap, the
    // search iterates: kicks and descents until the budget is spent. From
    // kHighLevel the other nets with obstacles near iterate too, with kick
    // numbers no lower level used, and insert branch points.
    bool high = level >= kHighLevel && !open && !dense;
    Kicks kicks;
    if (high) {
      kicks.count = kHighKicks;
      kicks.first = 10000 * level;
    }
    next = localSearchTree(tree, pins, obstacles, search, scratch.wirePlan,
                           SearchGraph::automatic, dense || high, high, kicks);
    if (wireLength(next) < length) {
      WorkBudget again{kAfterSearchShare * levelWork};
      next = improveTree(next, pins, obstacles, ends, again, scratch.wirePlan,
                         scratch.flat, scratch.exact, kMaxEnds);
      if (wireLength(next) < length) {
        tree = std::move(next);
        length = wireLength(tree);
      }
    }
    // Another start's improved tree, searched as well.
    auto searched = [&](std::vector<Wire> alt) {
      WorkBudget more{kSearchShare * levelWork};
      return localSearchTree(alt, pins, obstacles, more, scratch.wirePlan);
    };
    // Once, a second start from the other spanning graph's tree.
    if (secondStart && level == 2) {
      Router second(copy);
      second.options.exactGraph = !options.exactGraph;
      second.formSMT();
      WorkBudget more{base * scale};
      std::vector<Wire> alt = searched(
          improveTree(wiresOf(second.segments), pins, obstacles, ends, more,
                      scratch.wirePlan, scratch.flat, scratch.exact, kMaxEnds));
      offer(alt);
      if (wireLength(alt) < length) {
        tree = std::move(alt);
        length = wireLength(tree);
      }
    }
    // Levels 3 to 5 restart, once each, from the pipeline's tree of the net
    // mirrored in x, in y, then in both: its ties and sweeps fall the other
    // way, and its improved tree, mirrored back, may be shorter. Levels 6 to
    // 8 do the same with the other spanning graph.
    if (secondStart && level >= 3 && level <= 8) {
      int turn = (level - 3) % 3;  // x, y, both
      std::vector<Wire> alt =
          mirroredStart(copy, turn != 1, turn != 0,
                        level <= 5 ? options.exactGraph : !options.exactGraph,
                        base * scale, ends);
      if (!alt.empty()) {
        alt = searched(cleanWires(alt, pins, scratch.wirePlan));
      }
      offer(alt);
      if (!alt.empty() && wireLength(alt) < length) {
        tree = std::move(alt);
        length = wireLength(tree);
      }
    }
    if (secondStart) {
      offer(tree);
    }
    if (secondStart && pool.size() >= 2) {
      WorkBudget mix{kRecombineShare * levelWork};
      std::vector<Wire> merged =
          recombineTrees(pool, pins, mix, scratch.wirePlan);
      if (!merged.empty() && wireLength(merged) < wireLength(pool[0])) {
        WorkBudget more{kSearchShare * levelWork + std::max(0.0, mix.left)};
        merged =
            localSearchTree(merged, pins, obstacles, more, scratch.wirePlan,
                            SearchGraph::automatic, false, dense || high);
        WorkBudget again{kAfterSearchShare * levelWork};
        merged =
            improveTree(merged, pins, obstacles, ends, again, scratch.wirePlan,
                        scratch.flat, scratch.exact, kMaxEnds);
        offer(merged);
        if (wireLength(merged) < length) {
          tree = std::move(merged);
          length = wireLength(tree);
        }
      }
    }
    if ((crowded || dense) && level <= kSideTop) {
      if (side.empty() || length < wireLength(side)) {
        side = tree;
      }
      for (int r = 0; r < kNoisyStarts; ++r) {
        sideStart(side, level, r, ends, kSideShare * levelWork);
      }
      // The crowded nets of up to kMixPins positions at every level of
      // the track, away from the pool's wires too.
      bool away = crowded && distinct <= kMixPins;
      if (level <= kGuidedTop || away) {
        Guidance guidance;
        guidance.rounds = kGuidedRounds;
        guidance.weight = kGuidedWeight;
        guidance.share = away ? kAwayFeatures : kGuidedFeatures;
        guidance.iterate = away;
        guidance.others = away ? &pool : nullptr;
        guidance.away = kAway;
        side = guidedSearchTree(side, pins, obstacles, guidance,
                                kGuidedShare * kSideShare * levelWork, ends,
                                scratch.wirePlan, scratch.flat, scratch.exact);
      }
    }
    if (crowded && distinct <= kMixPins && !side.empty() && pool.size()) {
      mixSide(side, ends, kMixShare * levelWork);
    }
  }
  if (!side.empty() && wireLength(side) < wireLength(tree)) {
    tree = std::move(side);
  }
  for (Vertex* v : copy) {
    delete v;
  }
  if (options.bound) {
    double length = wireLength(tree);
    if (optimal || distinct < 2) {
      lowerBound = length;
    } else {
      WorkBudget work{std::max(kBoundWorkLeast, kBoundWorkPerVertex * counted)};
      lowerBound =
          std::min(length, steinerLowerBound(pins, obstacles, box, work));
    }
  }
  // Pins all at one point need no wire, and walled-in pins leave a forest:
  // the improved tree of the pipeline's says so.
  replaceSegments(*this, tree);
  stageDone(stage);
}
