#include "router/router.h"

void Router::extendedDijkstraForPinForest() {}
void Router::extendedDijkstraForMstVerForest() {}
void Router::extendedKruskal() {}

void Router::connectMstSubEdge(Vertex* a, Vertex* b) {
  a->mstNbrs.push_back(b);
  b->mstNbrs.push_back(a);
  a->inTree = true;
  b->inTree = true;
}
