#pragma once
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "geometry/edge.h"
#include "geometry/vertex.h"
#include "legal/freeRoute.h"
#include "legal/obstacleIndex.h"
#include "legal/wirePlan.h"
#include "steiner/mergingTree.h"
#include "steiner/steinerCandidate.h"
#include "support/binaryHeap.h"
#include "support/disjointSet.h"
#include "support/objectPool.h"

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
  // As short a Steiner tree as the work budget allows, never longer than
  // formSMT's: an optimal tree for a small net; otherwise the trees of both
  // spanning graphs, each improved window by window, the shorter kept.
  // Leaves segments.
  void formOptimizedSMT();

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
  // Separate parts the pins form: in the segments once there are any, else
  // in the tree neighbours (mstNbrs); 1 for a tree, more for a forest, 0
  // without pins. After an export or rectilinearization these are the parts
  // that are drawn.
  int pinParts() const;

  // Steiner points.
  void eulerTrail(Vertex* x);
  // Reads the spanning tree; leaves steinerCandidates with gains and victims.
  // A victim that is a partial edge gets only its ends here: its pieces, a
  // stretch of eMstPrime, are put in by fillPartialVictim when it is applied.
  void gainComputation();
  // Gives a candidate's partial victim its pieces, once; leaves any other
  // victim as it is.
  void fillPartialVictim(SteinerCandidate* c);
  // A new candidate, appended to steinerCandidates.
  SteinerCandidate* makeSteinerCandidate(Vertex* u,
                                         Edge* eSub,
                                         Edge* eMst,
                                         Edge* eMstPrime);
  // Applies the best non-conflicting candidates to the mstNbrs lists.
  void addSteinerPoints();

  // Refinement.
  // Splits every connection that is not a free straight piece at the bends
  // of a free route: its primary L when free (one turning point at the
  // right end's x and the left end's y), else what the route finder gives.
  void rectilinearizeSMT();
  void rmRedundentVers();
  // Leaves segments, the refined tree: no stretch of wire twice, no loop.
  void moveSegments();
  // Leaves segments as they are when they form a clean tree; otherwise
  // replaces them by the same wire as one (see cleanWires).
  void cleanSegments();
  // Puts segments made from wires, linked where they meet, in place of the
  // segments there were.
  void replaceSegments(const std::vector<Wire>& wires);

  // Obstacles. Built on first use from the corner rings in vertices.
  const ObstacleIndex& obstacleIndex();
  const RouteFinder& routeFinder();
  // A connection, by its two ends, the lower (by x, then y) first.
  using Connection = std::pair<const Vertex*, const Vertex*>;
  // Gives every tree connection a free route or takes it out of the tree:
  // both directions of mstNbrs, every copy. The ends of connections taken
  // out are then joined again where a free route allows, so that a vertex
  // inside an obstacle or walled in by obstacles leaves the rest of its
  // part joined; parts that the free space still joins are then bridged
  // along the exact graph's spanning tree (bridgeParts). Returns the routes
  // of the connections whose primary L (or straight piece) is blocked;
  // every other connection draws as its primary L.
  std::map<Connection, FreeRoute> routeTreeConnections();
  // Where the pins form more parts than the free space leaves them, joins
  // the parts along the paths of the exact graph's spanning tree, which
  // joins exactly what the free space joins.
  void bridgeParts();
  bool partsBridged = false;
  // Fresh vertices at the pins' and corners' places, in order, rings linked
  // alike: the input of a second Router. The caller frees them.
  static std::vector<Vertex*> copyInput(const std::vector<Vertex*>& vertices);
  // A Steiner candidate's new connections (u to s, s to both ends of eSub,
  // the steps of u's path to its tree vertex) can all be drawn free within
  // their rectilinear lengths, as its gain assumes.
  bool steinerConnectionsFree(const SteinerCandidate* c);

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
  // Made with makeSteinerCandidate; candidatePool owns them.
  std::vector<SteinerCandidate*> steinerCandidates;
  std::vector<Segment*> segments;
  BinaryMergingTree mergingTree;
  BinaryHeap<Vertex, float> verHeap;
  BinaryHeap<Edge, float> edgeHeap;
  DisjointSet<Vertex> verSet;

  // formSG builds the exact graph instead of the sides and sweeps.
  bool exactGraph = false;
  // Called, when set, after each stage of a pipeline entry with the stage's
  // name and pStageData: for timing; stages never look at it.
  void (*pStageDone)(const char* stage, void* data) = nullptr;
  void* pStageData = nullptr;
  void stageDone(const char* stage);

  // What the pipeline created and no list above owns; freed with the Router.
  std::vector<Vertex*> turningPoints;
  std::vector<Vertex*> cutPoints;
  std::vector<Edge*> partialEdges;
  std::vector<BinMergTreeNode*> mergTreeNodes;
  // Spanning-graph edges, sub-edges and partial edges, and merging-tree
  // nodes: millions each on large nets.
  ObjectPool<Edge> edgePool;
  ObjectPool<BinMergTreeNode> mergTreeNodePool;
  ObjectPool<SteinerCandidate> candidatePool;

  std::unique_ptr<ObstacleIndex> pObstacleIndex;
  std::unique_ptr<RouteFinder> pRouteFinder;
};
