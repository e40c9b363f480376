#pragma once
#include <string>
#include <vector>

#include "geometry/edge.h"
#include "geometry/vertex.h"
#include "steiner/mergingTree.h"
#include "support/binaryHeap.h"
#include "support/disjointSet.h"

class Segment;
class SteinerCandidate;

// The one object of a run: every list the pipeline builds, the working
// structures its graph searches share, and every stage as an operation.
// Stages hand results on only through these lists and the vertices' fields.
class Router {
 public:
  // Copies the pointers; the vertices stay the caller's.
  explicit Router(std::vector<Vertex*>& vertices);
  // Frees every object the pipeline created, never the caller's vertices.
  ~Router();
  Router(const Router&) = delete;
  Router& operator=(const Router&) = delete;

  void formSG();
  void formMST();
  // The Steiner tree before refinement: the first six stages of formSMT.
  void formUnrefinedSMT();
  void formSMT();
  void localRefinement();

  void printVertex(Vertex* v);
  void printEdge(Edge* e);
  void printMstNbrs(Vertex* v);
  void printSgNbrs(Vertex* v);

  // Spanning graph. Leaves sgEdges and every vertex's sgNbrs.
  std::vector<Vertex*> sortVerPointers(std::string key);
  void connectSgEdge(Vertex* u, Vertex* v);
  void connectObstEdges();
  void connectQuad1();
  void connectQuad2();
  void connectQuad3();
  void connectQuad4();
  bool quad1HoriEdgeBetween(Vertex* v, Vertex* a, Vertex* b);
  bool quad1VertEdgeBetween(Vertex* v, Vertex* a, Vertex* b);
  bool quad2HoriEdgeBetween(Vertex* v, Vertex* a, Vertex* b);
  bool quad2VertEdgeBetween(Vertex* v, Vertex* a, Vertex* b);
  bool quad3HoriEdgeBetween(Vertex* v, Vertex* a, Vertex* b);
  bool quad3VertEdgeBetween(Vertex* v, Vertex* a, Vertex* b);
  bool quad4HoriEdgeBetween(Vertex* v, Vertex* a, Vertex* b);
  bool quad4VertEdgeBetween(Vertex* v, Vertex* a, Vertex* b);
  // The graph formSG builds when exactGraph is set: its shortest paths
  // between pins are the shortest obstacle-avoiding routes, and every edge
  // is free. Appends the points it adds on its cut lines to vertices.
  void connectExactGraph();

  // Spanning tree.
  // Reads sgNbrs; leaves pinDist, pPinPred and pPinRoot on every vertex and
  // the pin forest in verSet.
  void extendedDijkstraForPinForest();
  // Reads sgNbrs and inTree; leaves mstVerDist, pMstVerPred, pMstVerRoot.
  void extendedDijkstraForMstVerForest();
  // Reads the pin forest; leaves mstEdges, mergingTree, and mstNbrs,
  // mstEdges and inTree on every path vertex.
  void extendedKruskal();
  void connectMstSubEdge(Vertex* a, Vertex* b);
  // Separate parts the pins form after extendedKruskal: 1 for a tree,
  // more for a forest, 0 without pins.
  int pinParts() const;

  // Steiner points.
  void eulerTrail(Vertex* x);
  // Reads the spanning tree; leaves steinerCandidates with gains and victims.
  void gainComputation();
  // Applies the best non-conflicting candidates to the mstNbrs lists.
  void addSteinerPoints();

  // Refinement.
  void rectilinearizeSMT();
  void rmRedundentVers();
  // Leaves segments, the refined tree.
  void moveSegments();

  // Each returns false, having written nothing, when the file cannot be
  // written.
  bool exportPins(const char* fileName);
  bool exportObsts(const char* fileName);
  bool exportSG(const char* fileName);
  bool exportMST(const char* fileName);
  bool exportPinTree(const char* fileName);
  bool exportSMT(const char* fileName);
  bool exportSMTSegs(const char* fileName);

  std::vector<Vertex*> vertices;
  std::vector<Edge*> sgEdges;
  std::vector<Edge*> mstEdges;
  std::vector<SteinerCandidate*> steinerCandidates;
  std::vector<Segment*> segments;
  BinaryMergingTree mergingTree;
  BinaryHeap<Vertex, float> verHeap;
  BinaryHeap<Edge, float> edgeHeap;
  DisjointSet<Vertex> verSet;

  // formSG builds the exact graph instead of the sides and sweeps.
  bool exactGraph = false;

  // What the pipeline created and no list above owns; freed with the Router.
  std::vector<Vertex*> turningPoints;
  std::vector<Vertex*> cutPoints;
  std::vector<Edge*> partialEdges;
  std::vector<BinMergTreeNode*> mergTreeNodes;
};
