#include <algorithm>
#include <cmath>
#include <limits>

#include "router/router.h"
#include "support/smallLists.h"

namespace {

// Any finite coordinate is allowed, so no finite distance can mark a vertex
// that no source reaches.
constexpr float unreached = std::numeric_limits<float>::infinity();

// Multi-source Dijkstra shared by both forests; they differ only in the
// source test and the three fields it writes.
template <class IsSource>
void growForest(Router& r,
                IsSource isSource,
                float Vertex::*dist,
                Vertex* Vertex::*pred,
                Vertex* Vertex::*root) {
  r.verSet.clear();
  r.verHeap.clear();
  r.verHeap.reserve(r.vertices.size());
  r.verSet.members.reserve(r.vertices.size());
  for (Vertex* v : r.vertices) {
    if (!v) {
      continue;
    }
    v->*dist = isSource(v) ? 0.0f : unreached;
    v->*pred = v;
    r.verSet.makeSet(v);
    r.verHeap.insert(v, v->*dist);
  }
  while (!r.verHeap.empty()) {
    Vertex* v = r.verHeap.deleteMin();
    // The predecessor left the heap before v (or is v), so its set is
    // final and v joins it; a vertex that is its own predecessor (a source
    // or an unreached one) becomes a root.
    r.verSet.setUnion(v, v->*pred);
    v->*root = v->dsParent;
    if (v->*dist == unreached) {
      continue;
    }
    const float here = v->*dist;
    for (Vertex* w : v->sgNbrs) {
      // No test first for a vertex already as near as v (every one taken
      // from the heap): its length through v is no shorter, so it fails the
      // one test below anyway, and the extra test guessed badly.
      // Summed in double and compared before it is rounded to the stored
      // float; an equal length keeps the earlier predecessor.
      double cand = std::fabs(static_cast<double>(v->x) - w->x) +
                    std::fabs(static_cast<double>(v->y) - w->y) + here;
      if (w->*dist > cand) {
        w->*dist = static_cast<float>(cand);
        w->*pred = v;
        r.verHeap.setNewKey(w->heapIndex, w->*dist);
      }
    }
  }
}

}  // namespace

void Router::extendedDijkstraForPinForest() {
  growForest(
      *this, [](const Vertex* v) { return v->isAPin(); }, &Vertex::pinDist,
      &Vertex::pPinPred, &Vertex::pPinRoot);
}

void Router::extendedDijkstraForMstVerForest() {
  growForest(
      *this, [](const Vertex* v) { return v->inTree; }, &Vertex::mstVerDist,
      &Vertex::pMstVerPred, &Vertex::pMstVerRoot);
}

void Router::extendedKruskal() {
  mergingTree.clear();
  edgeHeap.clear();
  edgeHeap.reserve(sgEdges.size());
  // The pin search has just stored every vertex's set root as pPinRoot.
  // A vertex it did not reach is its own root and no pin: its predecessor
  // chain never reaches a pin, so an edge at it cannot be expanded.
  // Gathered a batch at a time without a branch per edge, then queued in
  // the same order; the batch lives on the stack, so big graphs pay no
  // extra memory for it.
  constexpr size_t batchSize = 64;
  Edge* batch[batchSize];
  for (size_t from = 0; from < sgEdges.size(); from += batchSize) {
    const size_t to = std::min(sgEdges.size(), from + batchSize);
    size_t nBatch = 0;
    for (size_t k = from; k < to; ++k) {
      Edge* e = sgEdges[k];
      const Vertex* u = e->pStart;
      const Vertex* v = e->pEnd;
      const bool keep = (u->pinDist != unreached) & (v->pinDist != unreached) &
                        (u->pPinRoot != v->pPinRoot);
      batch[nBatch] = e;
      nBatch += keep ? 1 : 0;
    }
    for (size_t k = 0; k < nBatch; ++k) {
      edgeHeap.insert(batch[k], batch[k]->pinPathLen());
    }
  }
  // Once every pin is joined, each remaining candidate would be dropped.
  int unjoined = 0;
  for (const Vertex* v : vertices) {
    unjoined += v && v->isAPin() ? 1 : 0;
  }
  std::vector<Edge*>& towardsStart = scratch.towardsStart;
  mstEdges.reserve(mstEdges.size() + static_cast<size_t>(unjoined));
  store.mergTreeNodes.reserve(2 * static_cast<size_t>(unjoined));
  while (unjoined > 1 && !edgeHeap.empty()) {
    Edge* e = edgeHeap.deleteMin();
    Vertex* u = e->pStart;
    Vertex* v = e->pEnd;
    Vertex* ru = verSet.findSet(u);
    Vertex* rv = verSet.findSet(v);
    if (ru == rv) {
      continue;
    }
    --unjoined;
    Edge* m = new Edge();
    connectMstSubEdge(u, v);
    Edge* middle = store.edgePool.make(u, v);
    pushSmall(u->mstEdges, m);
    pushSmall(v->mstEdges, m);
    // Found from u back to its pin: put in path order afterwards.
    towardsStart.clear();
    Vertex* w = u;
    while (!w->isAPin()) {
      Vertex* p = w->pPinPred;
      connectMstSubEdge(p, w);
      towardsStart.push_back(store.edgePool.make(p, w));
      w = p;
      pushSmall(p->mstEdges, m);
    }
    m->pStart = w;
    m->subEdges.reserve(towardsStart.size() + 1);
    for (size_t k = towardsStart.size(); k-- > 0;) {
      m->subEdges.push_back(towardsStart[k]);
    }
    m->subEdges.push_back(middle);
    w = v;
    while (!w->isAPin()) {
      Vertex* q = w->pPinPred;
      connectMstSubEdge(w, q);
      m->subEdges.push_back(store.edgePool.make(w, q));
      w = q;
      pushSmall(q->mstEdges, m);
    }
    m->pEnd = w;
    mstEdges.push_back(m);

    for (Vertex* root : {ru, rv}) {
      if (!root->pLeafNode) {
        BinMergTreeNode* leaf = store.mergTreeNodePool.make();
        leaf->pVertex = root;
        leaf->attribute = BinMergTreeNode::leafNode;
        root->pLeafNode = leaf;
        root->pMergTreeNode = leaf;
        store.mergTreeNodes.push_back(leaf);
      }
    }
    BinMergTreeNode* left = ru->pMergTreeNode;
    BinMergTreeNode* right = rv->pMergTreeNode;
    verSet.setUnion(ru, rv);
    BinMergTreeNode* n = store.mergTreeNodePool.make();
    n->pEdge = m;
    store.mergTreeNodes.push_back(n);
    // Whichever root survived the union now stands for the joined part.
    verSet.findSet(ru)->pMergTreeNode = n;
    mergingTree.merge(n, left, right);
  }
  edgeHeap.clear();
  releaseLarge(towardsStart);
  // Each join made one part of two.
  pinPartCount = unjoined;
}

void Router::connectMstSubEdge(Vertex* a, Vertex* b) {
  pushSmall(a->mstNbrs, b);
  pushSmall(b->mstNbrs, a);
  a->inTree = true;
  b->inTree = true;
}
