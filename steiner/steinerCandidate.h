#pragma once
#include <cmath>

#include "geometry/edge.h"
#include "geometry/vertex.h"

// One possible improvement of the spanning tree: u joins the piece eSub of
// eMst through the Steiner point s, and the cycle this closes loses eVictim.
class SteinerCandidate {
 public:
  // Inline: a small net makes a few hundred of them, most never applied.
  SteinerCandidate(Vertex* u, Edge* eSub, Edge* eMst, Edge* eMstPrime)
      : u(u), eSub(eSub), eMst(eMst), eMstPrime(eMstPrime) {
    sx = median(u->x, eSub->pStart->x, eSub->pEnd->x);
    sy = median(u->y, eSub->pStart->y, eSub->pEnd->y);
  }
  ~SteinerCandidate() { delete s; }
  SteinerCandidate(const SteinerCandidate&) = delete;
  SteinerCandidate& operator=(const SteinerCandidate&) = delete;

  float max(float a, float b) const { return a > b ? a : b; }
  float min(float a, float b) const { return b > a ? a : b; }
  // The middle one of the three, chosen rather than computed: a sum less
  // the extremes rounds, and the Steiner point would stand where no
  // coordinate of the three does.
  float median(float a, float b, float c) const {
    return max(min(a, b), min(max(a, b), c));
  }
  void print() const;
  Vertex* makeSteinerPoint();

  float gain = -1.0f;
  bool queryPrimeFixed = false;
  bool valid = true;
  Vertex* u;
  Vertex* pQuery = nullptr;
  Vertex* pQueryPrime = nullptr;
  // Where the Steiner point stands. Most candidates are never applied, so
  // the vertex itself is made only when one is (makeSteinerPoint).
  float sx;
  float sy;
  Vertex* s = nullptr;  // owned
  Edge* eSub;
  Edge* eMst;
  Edge* eMstPrime;
  Edge* eVictim = nullptr;
  // Null when the query vertices are the same pin.
  Edge* longestEdgeBetweenQueryVer = nullptr;
};

// Orders candidates by descending gain for std::sort; the order of equal
// gains is whatever the sort leaves. A NaN gain ranks below every number:
// compared plainly it would be equal to all of them, which no sort allows.
struct SteinerCandidateLarger {
  static bool larger(float a, float b) {
    return a > b || (std::isnan(b) && !std::isnan(a));
  }
  bool operator()(const SteinerCandidate* a, const SteinerCandidate* b) const {
    return larger(a->gain, b->gain);
  }
};
