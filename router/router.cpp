#include "router/router.h"

#include <iostream>
#include <unordered_map>

#include "geometry/segment.h"
#include "steiner/steinerCandidate.h"

Router::Router(std::vector<Vertex*>& vertices) : vertices(vertices) {}

std::vector<Vertex*> Router::copyInput(const std::vector<Vertex*>& vertices) {
  std::vector<Vertex*> copy;
  std::unordered_map<const Vertex*, Vertex*> of;
  for (const Vertex* v : vertices) {
    if (v && (v->isAPin() || v->isACorner())) {
      copy.push_back(new Vertex(v->x, v->y, v->type));
      of[v] = copy.back();
    }
  }
  for (const Vertex* v : vertices) {
    if (v && v->isACorner()) {
      of[v]->pNextCorner = of.at(v->pNextCorner);
      of[v]->pPrevCorner = of.at(v->pPrevCorner);
    }
  }
  return copy;
}

Router::~Router() {
  for (Segment* s : segments) {
    delete s;
  }
  // A candidate owns its Steiner point, also once it has joined vertices.
  candidatePool.clear();
  for (Vertex* t : turningPoints) {
    delete t;
  }
  for (Vertex* c : cutPoints) {
    delete c;
  }
  // Sub-edges, partial edges and spanning-graph edges live in edgePool,
  // merging-tree nodes in theirs.
  for (Edge* m : mstEdges) {
    delete m;
  }
}

void Router::stageDone(const char* stage) {
  if (pStageDone) {
    pStageDone(stage, pStageData);
  }
}

void Router::formSG() {
  if (exactGraph) {
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

const ObstacleIndex& Router::obstacleIndex() {
  if (!pObstacleIndex) {
    pObstacleIndex =
        std::make_unique<ObstacleIndex>(ObstacleIndex::rectsOf(vertices));
  }
  return *pObstacleIndex;
}

const RouteFinder& Router::routeFinder() {
  if (!pRouteFinder) {
    pRouteFinder = std::make_unique<RouteFinder>(obstacleIndex());
  }
  return *pRouteFinder;
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
