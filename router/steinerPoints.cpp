#include "router/router.h"

void Router::eulerTrail(Vertex* x) {
  (void)x;
}
void Router::gainComputation() {}
void Router::addSteinerPoints() {}
