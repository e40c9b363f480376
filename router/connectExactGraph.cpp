#include <utility>
#include <vector>

#include "geometry/obstacleRects.h"
#include "options/exactGraph.h"
#include "router/router.h"

void Router::connectExactGraph() {
  ObstacleIndex index(collectObstacleRects(vertices));
  // A corner inside another obstacle can be reached by no free route.
  std::vector<Vertex*> sites;
  std::vector<RoutePoint> points;
  std::vector<char> pins;
  for (Vertex* v : vertices) {
    if (v && (v->isAPin() || v->isACorner()) &&
        index.containing(v->x, v->y) < 0) {
      sites.push_back(v);
      points.push_back({v->x, v->y});
      pins.push_back(v->isAPin());
    }
  }
  ExactGraph g = buildExactGraph(points, pins, index);
  for (const RoutePoint& p : g.cutPoints) {
    Vertex* at = new Vertex(p.x, p.y, "cutPoint");
    store.cutPoints.push_back(at);
    vertices.push_back(at);
    sites.push_back(at);
  }
  for (const std::pair<int, int>& e : g.edges) {
    connectSgEdge(sites[e.first], sites[e.second]);
  }
}
