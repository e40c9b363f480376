#pragma once
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "treecore/inOrder.h"
#include "treecore/obstacles.h"
#include "treecore/tree.h"

namespace treecore {

// The pins of one net in order; the first is the driver.
using Net = std::vector<Point>;

enum class Form {
  // The obstacle-avoiding minimal spanning tree (what oamst writes).
  spanningTree,
  // The Steiner tree before refinement (zorvane --no-refine).
  unrefinedSteinerTree,
  // The refined Steiner tree (zorvane).
  steinerTree,
  // As short as a fixed work budget allows (zorvane --optimize).
  optimizedSteinerTree,
};

struct RouteOptions {
  Form form = Form::steinerTree;
  // Build over the exact spanning graph (--exact-graph).
  bool exactGraph = false;
  // The optimized form's level of work (--effort), from 1: each level a
  // fixed multiple of the one below, its tree never longer.
  int effort = 1;
  // The optimized form also proves a lower bound on the optimum's length
  // (--bound, Tree::lowerBound).
  bool bound = false;
  // Route over every obstacle, as the single-net programs do, instead of
  // only those near the net (Obstacles::near): the same tree for a net
  // whose grown box meets them all, at a cost that grows with the design.
  bool everyObstacle = false;
  // Leave nodes and edges empty: the drawing alone (segments, wire length,
  // parts and status), for less work.
  bool drawingOnly = false;
  // Measure wireLength; off leaves it 0 (unless bound or timing wants it),
  // sparing a large tree the union of its segments: the single-net
  // programs write no length.
  bool measureLength = true;
  // Called, when set, after each stage the pipeline runs, with the stage's
  // name and stageData: for timing (the programs' --stage-times). A net
  // finished without the pipeline reports none.
  void (*stageDone)(const char* stage, void* data) = nullptr;
  void* stageData = nullptr;
  // Fill Tree::timing (nodes and edges are then made whatever
  // drawingOnly says, as the figures need them).
  bool timing = false;
  // When not negative (--path-bound EPS): every pin's way along the tree
  // from the first pin at most (1 + pathBound) times its shortest
  // obstacle-avoiding distance from it; 0 gives a shortest-path tree. The
  // tree of the form is the start, so it is short where the bound allows.
  double pathBound = -1;
  TimingModel timingModel;
};

// One net over the obstacles near it. Never throws for a bad net: its
// status says what is wrong. Thread-safe. A net with a wide integer
// coordinate (isWideInteger) among its pins or its obstacles is routed
// shifted by the lower-left corner of its grown box, rounded down to
// integers, and its tree shifted back: exact where that box spans at most
// kWidestFrame, refused (badCoordinate) where it spans more.
Tree routeNet(const Obstacles& obstacles,
              const Net& net,
              const RouteOptions& options = {});

// The same, the net taken over and freed once it is read, so that only the
// pipeline holds it while the tree is made.
Tree routeNet(const Obstacles& obstacles,
              Net&& net,
              const RouteOptions& options = {});

// Receives a tree's segments a run at a time, in order.
using SegmentSink = std::function<void(const std::vector<Segment>&)>;

// The same, for a caller that only writes the drawing, as the single-net
// programs do: the segments are handed to deliver in runs of a few
// thousand, in the order of Tree::segments, and the Tree returned holds
// none. Where the options ask for the drawing alone and no length (and no
// timing or path bound), they go out as the finished pipeline is read,
// so that a large net's drawing is never held whole.
Tree routeNet(const Obstacles& obstacles,
              Net&& net,
              const RouteOptions& options,
              const SegmentSink& deliver);

// What routeNet says of a net it refuses without routing it (a pin
// coordinate single precision does not hold, a pin inside an obstacle):
// the status, message, badPin and badObstacle it would give; status ok,
// and nothing else set, for a net it would route. Cheap beside routing.
Tree checkNet(const Obstacles& obstacles,
              const Net& net,
              const RouteOptions& options = {});

// Many nets on `threads` threads (0: one per core). Each tree is the one
// routeNet gives its net, whatever the thread count. deliver(i, tree) runs
// on the calling thread for i = 0, 1, ... in order, while later nets are
// still being routed, so that the trees need not all be held at once.
// control.poll may stop the run between nets (see runInOrder).
void routeNets(const Obstacles& obstacles,
               const std::vector<Net>& nets,
               const RouteOptions& options,
               const std::function<void(size_t, Tree&&)>& deliver,
               int threads = 0,
               const RunControl& control = {});

// The same, every tree in one vector, in the nets' order.
std::vector<Tree> routeNets(const Obstacles& obstacles,
                            const std::vector<Net>& nets,
                            const RouteOptions& options = {},
                            int threads = 0,
                            const RunControl& control = {});

// The same, the trees written to an output iterator in the nets' order.
template <class OutputIt>
OutputIt routeNetsTo(const Obstacles& obstacles,
                     const std::vector<Net>& nets,
                     const RouteOptions& options,
                     OutputIt out,
                     int threads = 0) {
  routeNets(
      obstacles, nets, options,
      [&out](size_t, Tree&& tree) { *out++ = std::move(tree); }, threads);
  return out;
}

}  // namespace treecore
