#include <algorithm>
#include <cmath>
#include <numeric>
#include <tuple>
#include <unordered_map>

#include "router/router.h"
#include "steiner/steinerCandidate.h"

namespace {

RoutePoint at(const Vertex* v) {
  return {v->x, v->y};
}

bool lowerFirst(const Vertex* u, const Vertex* v) {
  return v->x > u->x || (v->x == u->x && v->y > u->y);
}

void cutEvery(Vertex* a, const Vertex* b) {
  for (Vertex*& w : a->mstNbrs) {
    if (w == b) {
      w = nullptr;
    }
  }
}

// Union-find over the vertices of the router, by position in its list.
class TreeParts {
 public:
  explicit TreeParts(const std::vector<Vertex*>& vertices) {
    for (const Vertex* v : vertices) {
      if (v) {
        index_.emplace(v, static_cast<int>(index_.size()));
      }
    }
    up_.resize(index_.size());
    std::iota(up_.begin(), up_.end(), 0);
    for (const Vertex* v : vertices) {
      if (!v) {
        continue;
      }
      for (const Vertex* w : v->mstNbrs) {
        if (w && index_.count(w)) {
          join(v, w);
        }
      }
    }
  }
  int find(const Vertex* v) {
    int a = index_.at(v);
    while (up_[a] != a) {
      a = up_[a] = up_[up_[a]];
    }
    return a;
  }
  bool join(const Vertex* a, const Vertex* b) {
    int ra = find(a), rb = find(b);
    if (ra == rb) {
      return false;
    }
    up_[std::max(ra, rb)] = std::min(ra, rb);
    return true;
  }
  bool knows(const Vertex* v) const { return index_.count(v) > 0; }

 private:
  std::unordered_map<const Vertex*, int> index_;
  std::vector<int> up_;
};

}  // namespace

std::map<Router::Connection, FreeRoute> Router::routeTreeConnections() {
  std::map<Connection, FreeRoute> routes;
  if (obstacleIndex().empty()) {
    return routes;
  }
  const RouteFinder& finder = routeFinder();
  std::vector<std::pair<Vertex*, Vertex*>> lost;
  std::map<Connection, bool> decided;  // blocked connections: drawable?
  for (Vertex* v : vertices) {
    if (!v) {
      continue;
    }
    for (Vertex* w : v->mstNbrs) {
      // A connection listed twice is decided once.
      if (!w || !lowerFirst(v, w) || decided.count({v, w}) ||
          finder.designLFree(at(v), at(w))) {
        continue;
      }
      FreeRoute r = finder.route(at(v), at(w));
      decided[{v, w}] = r.found();
      if (r.found()) {
        routes[{v, w}] = r;
      } else {
        lost.emplace_back(v, w);
      }
    }
  }
  if (lost.empty()) {
    return routes;
  }
  for (const auto& [v, w] : lost) {
    cutEvery(v, w);
    cutEvery(w, v);
  }

  // The connections taken out joined the parts now left apart. Join them
  // again where free routes allow: within each group of parts that the
  // lost connections linked, between the ends of those connections, nearest
  // pairs first, skipping ends inside an obstacle and pairs already joined.
  TreeParts parts(vertices);
  std::unordered_map<int, int> groupUp;
  auto group = [&groupUp](int a) {
    groupUp.emplace(a, a);
    while (groupUp[a] != a) {
      a = groupUp[a];
    }
    return a;
  };
  for (const auto& [v, w] : lost) {
    int a = group(parts.find(v)), b = group(parts.find(w));
    groupUp[std::max(a, b)] = std::min(a, b);
  }
  std::unordered_map<int, size_t> slot;
  std::vector<std::vector<Vertex*>> ends;
  std::unordered_map<const Vertex*, bool> listed;
  for (const auto& [v, w] : lost) {
    for (Vertex* e : {v, w}) {
      if (listed.count(e) || obstacleIndex().containing(e->x, e->y) >= 0) {
        listed.emplace(e, true);
        continue;
      }
      listed.emplace(e, true);
      auto g = slot.emplace(group(parts.find(e)), ends.size());
      if (g.second) {
        ends.emplace_back();
      }
      ends[g.first->second].push_back(e);
    }
  }
  for (const std::vector<Vertex*>& es : ends) {
    std::vector<std::tuple<double, size_t, size_t>> pairs;
    for (size_t i = 0; i < es.size(); ++i) {
      for (size_t j = i + 1; j < es.size(); ++j) {
        if (parts.find(es[i]) != parts.find(es[j])) {
          pairs.emplace_back(
              std::fabs(static_cast<double>(es[i]->x) - es[j]->x) +
                  std::fabs(static_cast<double>(es[i]->y) - es[j]->y),
              i, j);
        }
      }
    }
    std::sort(pairs.begin(), pairs.end());
    for (const auto& [len, i, j] : pairs) {
      Vertex* a = es[i];
      Vertex* b = es[j];
      if (!lowerFirst(a, b)) {
        std::swap(a, b);
      }
      if (parts.find(a) == parts.find(b)) {
        continue;
      }
      FreeRoute r = finder.route(at(a), at(b));
      if (!r.found()) {
        continue;
      }
      if (r.kind != RouteKind::designL) {
        routes[{a, b}] = r;
      }
      connectMstSubEdge(a, b);
      parts.join(a, b);
    }
  }
  return routes;
}

bool Router::steinerConnectionsFree(const SteinerCandidate* c) {
  const ObstacleIndex& index = obstacleIndex();
  if (index.empty()) {
    return true;
  }
  const RouteFinder& finder = routeFinder();
  auto drawable = [&](const Vertex* a, const Vertex* b) {
    return finder.monotoneRoute(at(a), at(b)).found();
  };
  const Vertex* s = c->s;
  if (index.containing(s->x, s->y) >= 0 || !drawable(c->u, s) ||
      !drawable(s, c->eSub->pStart) || !drawable(s, c->eSub->pEnd)) {
    return false;
  }
  for (const Vertex* w = c->u; w != c->u->pMstVerRoot; w = w->pMstVerPred) {
    if (!drawable(w, w->pMstVerPred)) {
      return false;
    }
  }
  return true;
}
