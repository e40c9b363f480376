#include "steiner/steinerCandidate.h"

#include <iostream>

#include "geometry/edge.h"
#include "geometry/vertex.h"

Vertex* SteinerCandidate::makeSteinerPoint() {
  if (!s) {
    s = new Vertex(sx, sy, "steinerPoint");
  }
  return s;
}

namespace {

void printVertexOr(const char* label, const Vertex* v, const char* name) {
  std::cout << label;
  if (v) {
    v->print();
  } else {
    std::cout << "Warning: " << name << " == NULL!" << std::endl;
  }
}

void printEdgeOr(const char* label, const Edge* e, const char* name) {
  std::cout << label;
  if (e) {
    e->print();
  } else {
    std::cout << "Warning: " << name << " == NULL!" << std::endl;
  }
}

}  // namespace

void SteinerCandidate::print() const {
  std::cout << "Steiner Candidate:" << std::endl;
  std::cout << "gain:        " << static_cast<double>(gain) << std::endl;
  std::cout << "valid:       " << (valid ? "yes" : "no") << std::endl;
  printVertexOr("pQuery:      ", pQuery, "pQuery");
  printVertexOr("pQueryPrime: ", pQueryPrime, "pQueryPrime");
  printVertexOr("u:           ", u, "u");
  printVertexOr("v:           ", u ? u->pMstVerRoot : nullptr, "v");
  // Printed as the vertex would print, made or not.
  std::cout << "s:           steinerPoint(" << sx << ", " << sy << ")"
            << std::endl;
  printEdgeOr("eSub:        ", eSub, "eSub");
  printEdgeOr("eMst:        ", eMst, "eMst");
  printEdgeOr("eMstPrime:   ", eMstPrime, "eMstPrime");
  printEdgeOr("eVictim:     ", eVictim, "eVictim");
  printEdgeOr("longestEdgeBetweenQueryVer: ", longestEdgeBetweenQueryVer,
              "longestEdgeBetweenQueryVer");
  std::cout << std::endl;
}
