#pragma once
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "spatial/freeRoute.h"
#include "spatial/obstacleIndex.h"
#include "spatial/wirePlan.h"

class Router;
class SteinerCandidate;
class Vertex;

// A tree connection by its two ends, the lower (by x, then y) first.
using Connection = std::pair<const Vertex*, const Vertex*>;

// What keeps a Router's trees clear of the obstacles: the obstacles,
// indexed, a route finder over them, and what the legality stages hand on
// to the stages after them and to the exports.
class Legality {
 public:
  // The obstacles are the corner rings of vertices, read on first use.
  explicit Legality(const std::vector<Vertex*>& vertices)
      : vertices_(vertices) {}

  // The caller's index over exactly those rings, in their order, kept by
  // it for the Legality's life: obstacles() then answers with it instead of
  // building the same one again.
  void shareObstacles(const ObstacleIndex* index) { shared_ = index; }
  const ObstacleIndex& obstacles();
  const RouteFinder& routeFinder();
  // A Steiner candidate's new connections (u to s, s to both ends of eSub,
  // the steps of u's path to its tree vertex) can all be drawn free within
  // their rectilinear lengths, as its gain assumes.
  bool steinerConnectionsFree(const SteinerCandidate* c);

  // The free routes of the connections whose primary L is blocked, from
  // legalizeTree to the exports and rectilinearizeSMT.
  std::map<Connection, FreeRoute> treeRoutes;
  // The segments, not the connections, are the tree: set by moveSegments,
  // cleanSegments and replaceSegments.
  bool segmentsDrawn = false;

 private:
  const std::vector<Vertex*>& vertices_;
  const ObstacleIndex* shared_ = nullptr;
  std::unique_ptr<ObstacleIndex> index_;
  std::unique_ptr<RouteFinder> finder_;
};

// The places of the pins of vertices, in order, into pins.
void pinsOf(const std::vector<Vertex*>& vertices,
            std::vector<RoutePoint>& pins);

// Fresh vertices at the pins' and corners' places, in order, rings linked
// alike: the input of a second Router. The caller frees them.
std::vector<Vertex*> copyInput(const std::vector<Vertex*>& vertices);

// Puts segments made from clean wires, linked where they meet, in place of
// r's segments. Leaves pinPartCount: the parts the pins form on the wires
// (given as pinParts when known, else counted), or as it was when there
// are no wires.
void replaceSegments(Router& r,
                     const std::vector<Wire>& wires,
                     int pinParts = -1);
