#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "geometry/edge.h"
#include "geometry/vertex.h"
#include "router/legality.h"
#include "router/routerOptions.h"
#include "router/routerScratch.h"
#include "router/routerStore.h"
#include "steiner/mergingTree.h"
#include "support/binaryHeap.h"
#include "support/disjointSet.h"

class OutputFile;
class Segment;
class SteinerCandidate;

// One tree connection as exportMST and exportSMT draw it: its end vertices,
// the lower by x, then y, first, and the points of its drawn path from
// pStart to pEnd. A connection drawn as its primary L has three points:
// pStart, the bend (pEnd.x, pStart.y) and pEnd, the bend repeating an end
// where the connection is straight (the export then writes a block of no
// length); one drawn by a free route has that route's points.
struct DrawnConnection {
  const Vertex* pStart;
  const Vertex* pEnd;
  std::vector<RoutePoint> points;
};

// The one object of a run: every list the pipeline builds, the working
// structures its graph searches share, and every stage as an operation.
// Stages hand results on only through these lists and the vertices' fields.
class Router {
 public:
  // Copies the pointers; the vertices stay the caller's. The stages work in
  // `scratch`, which the caller keeps for the Router's life, or, without
  // one, in the Router's own.
  explicit Router(std::vector<Vertex*>& vertices,
                  RouterScratch* scratch = nullptr);
  // Frees every object the pipeline created, never the caller's vertices.
  ~Router();
  Router(const Router&) = delete;
  Router& operator=(const Router&) = delete;

  // Each entry leaves a finished tree: legalizeTree or cleanSegments is its
  // last stage, and pinPartCount holds the parts the pins form.
  void formSG();
  // The stages formMST and formSMT share: formSG, the pin forest and
  // extendedKruskal. The spanning tree it leaves is not yet legal.
  void formSpanningTree();
  void formMST();
  // The Steiner tree before refinement: the first six stages of formSMT,
  // then legalizeTree.
  void formUnrefinedSMT();
  void formSMT();
  void localRefinement();
  // As short a Steiner tree as options.effort's work allows, never longer
  // than formSMT's: an optimal tree for a small net; otherwise formSMT's
  // improved window by window with work in proportion to the net's
  // vertices. Each level above the first continues from the tree of the one
  // below with a fixed multiple of its work (an exact solve of up to 16
  // pins, larger windows, a second start from the other spanning graph,
  // restarts from the net mirrored) and keeps the shorter. Reads
  // options.effort and options.bound; leaves segments, and lowerBound when
  // asked.
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
  // The graph formSG builds when options.exactGraph is set: its shortest paths
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
  // mstEdges and inTree on every path vertex, and pinPartCount.
  void extendedKruskal();
  void connectMstSubEdge(Vertex* a, Vertex* b);

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
  // Reads and leaves pinPartCount: a tree that the candidates split is
  // joined again. Counts the parts in verSet, which it leaves holding them.
  void addSteinerPoints();

  // Legality: the last stage of formMST (after extendedKruskal) and of
  // formUnrefinedSMT (after addSteinerPoints).
  // Reads mstNbrs, pinPartCount and the obstacle corners. Gives every tree
  // connection a free route or takes it out of the tree: each connection whose
  // primary L (or straight piece) meets an obstacle's interior gets the route
  // finder's route in legal.treeRoutes; one without any route is cut (every
  // copy, both directions), and the ends of the connections cut are joined
  // again where a free route allows, nearest pairs first (ties by the order in
  // which the cut connections were found), so that a vertex inside an obstacle
  // or walled in leaves the rest of its part joined. Parts that the free space
  // still joins (with no obstacles, all) are then bridged along the exact
  // graph's spanning tree. Leaves mstNbrs (mstEdges keep Kruskal's paths),
  // legal.treeRoutes and pinPartCount, the parts the drawn pieces make.
  // Cost: one obstacle query per connection, O(log^2 m); a route search for
  // each blocked one.
  void legalizeTree();

  // Refinement.
  // Reads mstNbrs and legal.treeRoutes. Splits every connection that is not
  // straight at the bends of its route in legal.treeRoutes, or else at its
  // primary L's bend (the right end's x, the left end's y); leaves
  // legal.treeRoutes empty.
  void rectilinearizeSMT();
  // Reads mstNbrs; takes out of vertices (null) each vertex that is not a
  // pin and whose two neighbours lie on one horizontal or vertical line,
  // and joins the two.
  void rmRedundentVers();
  // rectilinearizeSMT and rmRedundentVers once more, moveSegments' first
  // step: a tree that has not been through them gets them, and after them
  // the second removal catches vertices that became pass-throughs when one
  // later in vertices was taken out.
  void refineAgain();
  // refineAgain, then the tree cut into segments at its vertices and each
  // segment slid where that shortens it. Leaves segments, moved.
  void moveSegments();
  // The last stage of formSMT and localRefinement. Reads segments; leaves
  // them as they are when they form a clean tree (no stretch of wire twice,
  // no contact but at shared ends, no loop), else replaces them by the same
  // wire as one (see cleanWires: ties by position); leaves pinPartCount.
  // Cost: O(s log s) for s segments.
  void cleanSegments();

  // The finished tree, read without side effects after any pipeline entry.
  // The tree connections (mstNbrs) in the order exportMST and exportSMT
  // write them: by vertices, then by each vertex's list, each connection
  // once from its lower end; none of no length. After formSMT, where the
  // segments are the tree, these are the connections they were cut from.
  std::vector<DrawnConnection> drawnConnections() const;
  // The pieces the entry's export writes, in its order: after formSMT and
  // formOptimizedSMT the segments (exportSMTSegs), after formMST and
  // formUnrefinedSMT the steps between consecutive points of each drawn
  // connection (exportMST, exportSMT), blocks of no length included.
  std::vector<Wire> drawnPieces() const;
  // The same pieces handed to deliver in runs of `run` (the last may be
  // shorter; none is empty), in the same order, so that a caller writing
  // them need not hold them all.
  void drawnPieces(
      size_t run,
      const std::function<void(const std::vector<Wire>&)>& deliver) const;

  // Each only writes; it returns false, having written nothing, when the
  // file cannot be written. exportMST and exportSMT write the pieces of
  // drawnConnections(), exportSMTSegs the segments.
  bool exportPins(const char* fileName) const;
  bool exportObsts(const char* fileName) const;
  bool exportSG(const char* fileName) const;
  bool exportMST(const char* fileName) const;
  bool exportPinTree(const char* fileName) const;
  bool exportSMT(const char* fileName) const;
  bool exportSMTSegs(const char* fileName) const;
  // The same into a file the caller opened before computing, committed here.
  bool exportMST(OutputFile& file) const;
  bool exportSMT(OutputFile& file) const;
  bool exportSMTSegs(OutputFile& file) const;

  std::vector<Vertex*> vertices;
  std::vector<Edge*> sgEdges;
  std::vector<Edge*> mstEdges;
  // Made with makeSteinerCandidate; store.candidatePool owns them.
  std::vector<SteinerCandidate*> steinerCandidates;
  std::vector<Segment*> segments;
  BinaryMergingTree mergingTree;
  BinaryHeap<Vertex, float> verHeap;
  BinaryHeap<Edge, float> edgeHeap;
  DisjointSet<Vertex> verSet;

  // The parts the pins form in the finished tree: 1 for a tree, more for a
  // forest, 0 without pins. Left by extendedKruskal and every stage after
  // it that can change it, so every entry's last stage leaves it.
  int pinPartCount = 0;
  // Left by formOptimizedSMT when options.bound is set: no tree over the
  // pins that avoids the obstacles is shorter; negative when not asked.
  double lowerBound = -1;

  // What the entries do beyond the default pipeline.
  RouterOptions options;
  // What the stages make and no list above owns.
  RouterStore store;
  // The obstacles, indexed on first use, and what the legality stages hand
  // on; it reads vertices, declared before it.
  Legality legal{vertices};

  // The stages' working lists: the caller's, or ownScratch.
  std::unique_ptr<RouterScratch> ownScratch;
  RouterScratch& scratch;

  // Reports a finished stage through options.pStageDone.
  void stageDone(const char* stage);
};
