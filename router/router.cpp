#include "router/router.h"

#include <iostream>

#include "geometry/segment.h"
#include "steiner/steinerCandidate.h"

Router::Router(std::vector<Vertex*>& vertices) : vertices(vertices) {}

Router::~Router() {
  for (Segment* s : segments) {
    delete s;
  }
  // Sub-edges, partial edges and spanning-graph edges live in the store's
  // pool, with what else the stages made.
  for (Edge* m : mstEdges) {
    delete m;
  }
}

void Router::stageDone(const char* stage) {
  if (options.pStageDone) {
    options.pStageDone(stage, options.pStageData);
  }
}

void Router::formSG() {
  if (options.exactGraph) {
    connectExactGraph();
    stageDone("connectExactGraph");
    return;
  }
  connectObstEdges();
  stageDone("connectObstEdges");
  connectQuad1();
  stageDone("connectQuad1");
  connectQuad2();
  stageDone("connectQuad2");
  connectQuad3();
  stageDone("connectQuad3");
  connectQuad4();
  stageDone("connectQuad4");
}

void Router::formSpanningTree() {
  formSG();
  extendedDijkstraForPinForest();
  stageDone("extendedDijkstraForPinForest");
  extendedKruskal();
  stageDone("extendedKruskal");
}

void Router::formMST() {
  formSpanningTree();
  legalizeTree();
  stageDone("legalizeTree");
}

void Router::formUnrefinedSMT() {
  formSpanningTree();
  gainComputation();
  stageDone("gainComputation");
  addSteinerPoints();
  stageDone("addSteinerPoints");
  legalizeTree();
  stageDone("legalizeTree");
}

void Router::formSMT() {
  formUnrefinedSMT();
  localRefinement();
}

void Router::localRefinement() {
  rectilinearizeSMT();
  stageDone("rectilinearizeSMT");
  rmRedundentVers();
  stageDone("rmRedundentVers");
  moveSegments();
  stageDone("moveSegments");
  cleanSegments();
  stageDone("cleanSegments");
}

void Router::printVertex(Vertex* v) {
  v->print();
}

void Router::printEdge(Edge* e) {
  e->print();
}

void Router::printMstNbrs(Vertex* v) {
  for (Vertex* w : v->mstNbrs) {
    if (w) {
      std::cout << "   -->";
      w->print();
    }
  }
}

void Router::printSgNbrs(Vertex* v) {
  for (Vertex* w : v->sgNbrs) {
    std::cout << "   -->";
    w->print();
  }
}
