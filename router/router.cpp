#include "router/router.h"

#include <iostream>

#include "geometry/segment.h"
#include "steiner/steinerCandidate.h"

Router::Router(std::vector<Vertex*>& vertices, RouterScratch* scratch)
    : ownScratch(scratch ? nullptr : std::make_unique<RouterScratch>()),
      scratch(scratch ? *scratch : *ownScratch) {
  // Steiner points and turning points join them: room for as many again
  // saves a small net most of its regrowths.
  this->vertices.reserve(2 * vertices.size());
  this->vertices.assign(vertices.begin(), vertices.end());
}

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
  // A vertex has a few neighbours per quadrant.
  sgEdges.reserve(4 * vertices.size());
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
