#include "router/router.h"

std::vector<Vertex*> Router::sortVerPointers(std::string key) {
  (void)key;
  return {};
}

void Router::connectSgEdge(Vertex* u, Vertex* v) {
  u->sgNbrs.push_back(v);
  v->sgNbrs.push_back(u);
  sgEdges.push_back(new Edge(u, v));
}

void Router::connectObstEdges() {
  for (Vertex* c : vertices) {
    if (c->isACorner()) {
      connectSgEdge(c, c->pNextCorner);
    }
  }
}

void Router::connectQuad1() {}
void Router::connectQuad2() {}
void Router::connectQuad3() {}
void Router::connectQuad4() {}

bool Router::quad1HoriEdgeBetween(Vertex* v, Vertex* a, Vertex* b) {
  (void)v, (void)a, (void)b;
  return false;
}
bool Router::quad1VertEdgeBetween(Vertex* v, Vertex* a, Vertex* b) {
  (void)v, (void)a, (void)b;
  return false;
}
bool Router::quad2HoriEdgeBetween(Vertex* v, Vertex* a, Vertex* b) {
  (void)v, (void)a, (void)b;
  return false;
}
bool Router::quad2VertEdgeBetween(Vertex* v, Vertex* a, Vertex* b) {
  (void)v, (void)a, (void)b;
  return false;
}
bool Router::quad3HoriEdgeBetween(Vertex* v, Vertex* a, Vertex* b) {
  (void)v, (void)a, (void)b;
  return false;
}
bool Router::quad3VertEdgeBetween(Vertex* v, Vertex* a, Vertex* b) {
  (void)v, (void)a, (void)b;
  return false;
}
bool Router::quad4HoriEdgeBetween(Vertex* v, Vertex* a, Vertex* b) {
  (void)v, (void)a, (void)b;
  return false;
}
bool Router::quad4VertEdgeBetween(Vertex* v, Vertex* a, Vertex* b) {
  (void)v, (void)a, (void)b;
  return false;
}
