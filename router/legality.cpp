#include "router/legality.h"

#include <unordered_map>

#include "geometry/edge.h"
#include "geometry/obstacleRects.h"
#include "geometry/vertex.h"
#include "steiner/steinerCandidate.h"

namespace {

RoutePoint at(const Vertex* v) {
  return {v->x, v->y};
}

}  // namespace

const ObstacleIndex& Legality::obstacles() {
  if (shared_) {
    return *shared_;
  }
  if (!index_) {
    index_ = std::make_unique<ObstacleIndex>(collectObstacleRects(vertices_));
  }
  return *index_;
}

const RouteFinder& Legality::routeFinder() {
  if (!finder_) {
    finder_ = std::make_unique<RouteFinder>(obstacles());
  }
  return *finder_;
}

bool Legality::steinerConnectionsFree(const SteinerCandidate* c) {
  const ObstacleIndex& index = obstacles();
  if (index.empty()) {
    return true;
  }
  const RouteFinder& finder = routeFinder();
  auto drawable = [&](const Vertex* a, const Vertex* b) {
    return finder.monotoneFree(at(a), at(b));
  };
  const RoutePoint s{c->sx, c->sy};
  auto fromS = [&](const Vertex* b) { return finder.monotoneFree(s, at(b)); };
  if (index.containing(s.x, s.y) >= 0 || !finder.monotoneFree(at(c->u), s) ||
      !fromS(c->eSub->pStart) || !fromS(c->eSub->pEnd)) {
    return false;
  }
  for (const Vertex* w = c->u; w != c->u->pMstVerRoot; w = w->pMstVerPred) {
    if (!drawable(w, w->pMstVerPred)) {
      return false;
    }
  }
  return true;
}

void pinsOf(const std::vector<Vertex*>& vertices,
            std::vector<RoutePoint>& pins) {
  pins.clear();
  pins.reserve(vertices.size());
  for (const Vertex* v : vertices) {
    if (v && v->isAPin()) {
      pins.push_back({v->x, v->y});
    }
  }
}

std::vector<Vertex*> copyInput(const std::vector<Vertex*>& vertices) {
  std::vector<Vertex*> copy;
  std::unordered_map<const Vertex*, Vertex*> of;
  for (const Vertex* v : vertices) {
    if (v && (v->isAPin() || v->isACorner())) {
      copy.push_back(new Vertex(v->x, v->y, v->type));
      of[v] = copy.back();
    }
  }
  for (const Vertex* v : vertices) {
    if (v && v->isACorner()) {
      of[v]->pNextCorner = of.at(v->pNextCorner);
      of[v]->pPrevCorner = of.at(v->pPrevCorner);
    }
  }
  return copy;
}
