#pragma once
#include <cstddef>
#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

#include "options/exactSteiner.h"
#include "options/flatSteiner.h"
#include "options/pathBound.h"
#include "router/partialLengths.h"
#include "spatial/freeRoute.h"
#include "spatial/wirePlan.h"
#include "steiner/mergingTree.h"

class Edge;
class Segment;
class SteinerCandidate;
class Vertex;

// The working lists the stages fill and empty on every call, named for
// their stage. A Router borrows one from whoever runs many of them on one
// thread (routeNet keeps one per thread), or owns its own: a small net
// would spend more on their storage than on its stages. Each stage clears
// its lists before use and gives their storage back after a large net
// (releaseLarge); no stage reads what another left.
struct RouterScratch {
  // A candidate's gain as an integer key that orders as the gain does.
  struct GainKeyed {
    std::int32_t key;
    SteinerCandidate* c;
  };
  // eulerTrail's walk: a vertex and the place in its mstEdges of the edge
  // being crossed.
  struct TrailFrame {
    Vertex* x;
    size_t next;
  };
  // moveSegments' order of the vertices by point, then place in vertices.
  struct Placed {
    float x;
    float y;
    size_t i;
  };

  // extendedKruskal.
  std::vector<Edge*> towardsStart;

  // eulerTrail, gainComputation, addSteinerPoints and the pin-part count.
  std::vector<TrailFrame> trail;
  std::vector<LcaFrame> lcaStack;
  std::vector<SteinerCandidate*> closing;
  std::vector<std::pair<const Edge*, float>> wholeLen;
  std::vector<SteinerCandidate*> mine;
  std::vector<const Vertex*> inner;
  PartialLengths stretch;
  std::vector<GainKeyed> keyed;
  std::vector<SteinerCandidate*> applied;
  std::vector<const Vertex*> roots;

  // rectilinearizeSMT and moveSegments.
  std::vector<size_t> picked;
  std::vector<Vertex*> upper;
  std::vector<int> slots;
  std::vector<Placed> order;
  std::vector<Segment*> shared;
  std::vector<size_t> groupStart;
  std::vector<int> groupOf;
  std::vector<char> linkedElsewhere;

  // cleanSegments and replaceSegments.
  std::vector<Wire> wires;
  std::vector<RoutePoint> pins;
  std::vector<std::tuple<float, float, int>> ends;

  // The wire plans, the flat and the exact solvers, for the stages that
  // call them.
  WirePlanScratch wirePlan;
  FlatScratch flat;
  ExactScratch exact;
  // routeNet's path bound.
  PathBoundScratch pathBound;
};
