#include "options/guidedSearch.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "options/improveTree.h"
#include "options/keyPaths.h"
#include "options/localSearch.h"

std::vector<Wire> guidedSearchTree(const std::vector<Wire>& tree,
                                   const std::vector<RoutePoint>& pins,
                                   const ObstacleIndex& obstacles,
                                   const Guidance& guidance,
                                   double roundWork,
                                   int ends,
                                   WirePlanScratch& plan,
                                   FlatScratch& flat,
                                   ExactScratch& exact) {
  std::vector<Wire> best = tree, cur = tree;
  double least = wireLength(best);
  Penalties penalties;
  penalties.weight = guidance.weight;
  Noise noise;
  noise.penalties = &penalties;
  if (guidance.others && guidance.away > 0) {
    for (const std::vector<Wire>& t : *guidance.others) {
      penalties.add(t, guidance.away / guidance.weight);
    }
  }
  for (int round = 0; round < guidance.rounds && !cur.empty(); ++round) {
    KeyPaths kt = keyPathsOf(planWires(cur, pins, plan), false);
    if (kt.paths.empty()) {
      break;
    }
    std::vector<double> utility(kt.paths.size());
    for (size_t id = 0; id < kt.paths.size(); ++id) {
      double carried = 0;
      for (int p : kt.paths[id].pieces) {
        const RoutePoint& u = kt.plan.nodes[kt.plan.pieces[p].first];
        const RoutePoint& w = kt.plan.nodes[kt.plan.pieces[p].second];
        bool horizontal = u.y == w.y;
        carried += penalties.extra(
            horizontal, horizontal ? u.y : u.x,
            horizontal ? std::min(u.x, w.x) : std::min(u.y, w.y),
            horizontal ? std::max(u.x, w.x) : std::max(u.y, w.y));
      }
      // carried is weight times the counts' sum over the path's length.
      utility[id] = kt.paths[id].length /
                    (1 + carried / (guidance.weight * kt.paths[id].length));
    }
    std::vector<int> order(kt.paths.size());
    std::iota(order.begin(), order.end(), 0);
    size_t most = std::max<size_t>(
        1, static_cast<size_t>(guidance.share *
                               static_cast<double>(kt.paths.size())));
    std::partial_sort(
        order.begin(), order.begin() + most, order.end(), [&](int a, int b) {
          return utility[a] != utility[b] ? utility[a] > utility[b] : a < b;
        });
    std::vector<Wire> features;
    for (size_t k = 0; k < most; ++k) {
      for (int p : kt.paths[order[k]].pieces) {
        const RoutePoint& u = kt.plan.nodes[kt.plan.pieces[p].first];
        const RoutePoint& w = kt.plan.nodes[kt.plan.pieces[p].second];
        features.push_back({u.x, u.y, w.x, w.y});
      }
    }
    penalties.add(features);
    penalties.sorted();
    WorkBudget guided{roundWork};
    std::vector<Wire> next =
        localSearchTree(cur, pins, obstacles, guided, plan,
                        SearchGraph::automatic, false, true, {}, noise);
    WorkBudget more{roundWork};
    next = localSearchTree(next, pins, obstacles, more, plan,
                           SearchGraph::automatic, guidance.iterate, true);
    WorkBudget again{roundWork};
    next = improveTree(next, pins, obstacles, ends, again, plan, flat, exact,
                       std::min(ends, 8));
    if (next.empty()) {
      break;
    }
    double length = wireLength(next);
    if (length < least) {
      best = next;
      least = length;
    }
    cur = std::move(next);
  }
  return best;
}
