#pragma once
#include <vector>

#include "options/exactSteiner.h"
#include "options/flatSteiner.h"
#include "spatial/wirePlan.h"

class ObstacleIndex;

// Guided local search from a tree: each round penalises the key paths of
// the current local optimum with the most utility (length over one plus
// the penalty they carry already), searches under the length plus those
// penalties, then under the true length (iterated where asked, with
// branch-point insertion) and improves by windows of up to ends ends. The
// penalties grow round by round, so the search is driven off the features
// it keeps coming back to; the shortest tree by the true length is kept,
// never longer than the one given. Each round spends about three times
// roundWork.
struct Guidance {
  int rounds = 4;
  double weight = 0.3;   // a penalised piece's extra cost per count
  double share = 0.125;  // of the key paths penalised each round
  bool iterate = false;  // the true-length searches iterate, with kicks
  // Trees whose pieces are penalised from the start, by away a count each.
  const std::vector<std::vector<Wire>>* others = nullptr;
  double away = 0;
};
std::vector<Wire> guidedSearchTree(const std::vector<Wire>& tree,
                                   const std::vector<RoutePoint>& pins,
                                   const ObstacleIndex& obstacles,
                                   const Guidance& guidance,
                                   double roundWork,
                                   int ends,
                                   WirePlanScratch& plan,
                                   FlatScratch& flat,
                                   ExactScratch& exact);
