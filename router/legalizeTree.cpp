#include <algorithm>
#include <cmath>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "geometry/segment.h"
#include "router/router.h"
#include "router/vertexParts.h"
#include "steiner/steinerCandidate.h"
#include "support/indexParts.h"

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

// Takes out, leaf by leaf, the connections that lead to no pin: what is
// left of a path whose connection into an obstacle was taken out.
void pruneDangling(const std::vector<Vertex*>& vertices) {
  auto soleNeighbour = [](const Vertex* v) {
    Vertex* only = nullptr;
    for (Vertex* w : v->mstNbrs) {
      if (w && w != only) {
        if (only) {
          return static_cast<Vertex*>(nullptr);
        }
        only = w;
      }
    }
    return only;
  };
  std::vector<Vertex*> work;
  for (Vertex* v : vertices) {
    if (v && !v->isAPin()) {
      work.push_back(v);
    }
  }
  while (!work.empty()) {
    Vertex* v = work.back();
    work.pop_back();
    Vertex* w = v->isAPin() ? nullptr : soleNeighbour(v);
    if (!w) {
      continue;
    }
    cutEvery(v, w);
    cutEvery(w, v);
    if (!w->isAPin()) {
      work.push_back(w);
    }
  }
}

// Where the pins form more parts (pinPartCount) than the free space leaves
// them, joins the parts along the paths of the exact graph's spanning tree,
// which joins exactly what the free space joins; one part fewer for each.
// known, when given, holds the tree's parts as they are.
void bridgeParts(Router& r, VertexParts* known) {
  if (r.pinPartCount <= 1) {
    return;
  }
  std::vector<Vertex*> copy = copyInput(r.vertices);
  {
    // Its spanning tree alone: legal, since every exact graph edge is free.
    Router exact(copy);
    exact.options.exactGraph = true;
    exact.formSpanningTree();
    // The copy keeps the pins' order: the k-th pin of each list is the same.
    std::unordered_map<const Vertex*, Vertex*> mine;
    size_t k = 0;
    for (Vertex* v : r.vertices) {
      if (v && v->isAPin()) {
        while (!copy[k]->isAPin()) {
          ++k;
        }
        mine[copy[k++]] = v;
      }
    }
    VertexParts parts =
        known ? std::move(*known) : VertexParts::ofTree(r.vertices);
    for (const Edge* m : exact.mstEdges) {
      Vertex* a = mine.at(m->pStart);
      Vertex* b = mine.at(m->pEnd);
      if (!parts.join(a, b)) {
        continue;
      }
      // The path's steps are free graph edges: each draws as its primary L.
      Vertex* prev = a;
      for (const Edge* d : m->subEdges) {
        Vertex* next = d->pEnd == m->pEnd ? b : nullptr;
        if (!next) {
          next = new Vertex(d->pEnd->x, d->pEnd->y, "turningPoint");
          r.store.turningPoints.push_back(next);
          r.vertices.push_back(next);
        }
        r.connectMstSubEdge(prev, next);
        prev = next;
      }
      --r.pinPartCount;
    }
  }
  for (Vertex* v : copy) {
    delete v;
  }
}

// Joins what the free space joins (bridgeParts), then takes the parts
// from the drawing. A tree in one part draws one, as each connection's
// drawing joins its ends; the parts of a forest are one where wire of one
// runs over a pin or wire of another, and the drawing is what is written.
void finishParts(Router& r, VertexParts* known) {
  bridgeParts(r, known);
  if (r.pinPartCount > 1) {
    std::vector<RoutePoint> pins;
    pinsOf(r.vertices, pins);
    r.pinPartCount = countPinParts(r.drawnPieces(), pins, r.scratch.wirePlan);
  }
}

}  // namespace

void Router::legalizeTree() {
  legal.treeRoutes.clear();
  // Without obstacles the free space joins every part.
  if (legal.obstacles().empty()) {
    finishParts(*this, nullptr);
    return;
  }
  const RouteFinder& finder = legal.routeFinder();
  std::vector<std::pair<Vertex*, Vertex*>> lost;
  std::map<Connection, bool> decided;  // blocked connections: drawable?
  for (Vertex* v : vertices) {
    if (!v) {
      continue;
    }
    for (Vertex* w : v->mstNbrs) {
      // A connection listed twice is decided once.
      if (!w || !lowerFirst(v, w) || decided.count({v, w}) ||
          finder.primaryLFree(at(v), at(w))) {
        continue;
      }
      FreeRoute r = finder.route(at(v), at(w));
      decided[{v, w}] = r.found();
      if (r.found()) {
        legal.treeRoutes[{v, w}] = r;
      } else {
        lost.emplace_back(v, w);
      }
    }
  }
  if (lost.empty()) {
    finishParts(*this, nullptr);
    return;
  }
  for (const auto& [v, w] : lost) {
    cutEvery(v, w);
    cutEvery(w, v);
  }

  // The connections taken out joined the parts now left apart. Join them
  // again where free routes allow, locally: the ends of the connections lost
  // at one vertex, or at a cluster of vertices inside obstacles (joined by
  // lost connections or by connections of no length), make a group; within
  // it the ends outside obstacles are joined, nearest pairs first, unless
  // already joined.
  const ObstacleIndex& index = legal.obstacles();
  std::unordered_map<const Vertex*, bool> inside;
  auto buried = [&](const Vertex* v) {
    auto it = inside.find(v);
    if (it == inside.end()) {
      it = inside.emplace(v, index.containing(v->x, v->y) >= 0).first;
    }
    return it->second;
  };
  // The ends, numbered as they are first met, and the groups they make.
  std::unordered_map<const Vertex*, int> number;
  IndexParts joined;
  auto root = [&](const Vertex* v) {
    auto it = number.emplace(v, 0);
    if (it.second) {
      it.first->second = joined.add();
    }
    return joined.find(it.first->second);
  };
  auto unite = [&](const Vertex* a, const Vertex* b) {
    joined.join(root(a), root(b));
  };
  for (const auto& [v, w] : lost) {
    unite(v, w);
    for (Vertex* e : {v, w}) {
      for (const Vertex* n : buried(e) ? e->mstNbrs : std::vector<Vertex*>{}) {
        if (n) {
          unite(e, n);
        }
      }
    }
  }
  VertexParts parts = VertexParts::ofTree(vertices);
  std::unordered_map<int, size_t> slot;
  std::vector<std::vector<Vertex*>> groups;
  std::unordered_map<const Vertex*, bool> listed;
  for (const auto& [v, w] : lost) {
    for (Vertex* e : {v, w}) {
      if (!listed.emplace(e, true).second || buried(e) || !parts.knows(e)) {
        continue;
      }
      auto g = slot.emplace(root(e), groups.size());
      if (g.second) {
        groups.emplace_back();
      }
      groups[g.first->second].push_back(e);
    }
  }
  // In a large group each end tries its nearest few only.
  const size_t nearest = 8;
  for (const std::vector<Vertex*>& es : groups) {
    std::vector<std::tuple<double, size_t, size_t>> pairs;
    for (size_t i = 0; i < es.size(); ++i) {
      std::vector<std::tuple<double, size_t, size_t>> mine;
      for (size_t j = 0; j < es.size(); ++j) {
        if (j != i && parts.find(es[i]) != parts.find(es[j])) {
          mine.emplace_back(
              std::fabs(static_cast<double>(es[i]->x) - es[j]->x) +
                  std::fabs(static_cast<double>(es[i]->y) - es[j]->y),
              std::min(i, j), std::max(i, j));
        }
      }
      if (mine.size() > nearest) {
        std::partial_sort(mine.begin(), mine.begin() + nearest, mine.end());
        mine.resize(nearest);
      }
      pairs.insert(pairs.end(), mine.begin(), mine.end());
    }
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
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
      if (r.kind != RouteKind::primaryL) {
        legal.treeRoutes[{a, b}] = r;
      }
      connectMstSubEdge(a, b);
      parts.join(a, b);
    }
  }
  pruneDangling(vertices);
  pinPartCount = parts.countPinParts(vertices);
  finishParts(*this, &parts);
}
