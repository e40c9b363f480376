#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "router/partialLengths.h"
#include "router/router.h"
#include "router/vertexParts.h"
#include "steiner/steinerCandidate.h"
#include "support/smallLists.h"

namespace {

Vertex* farEnd(const Edge* e, const Vertex* x) {
  return e->pStart == x ? e->pEnd : e->pStart;
}

float pathLength(const Edge* m) {
  float len = 0;
  for (const Edge* d : m->subEdges) {
    len += pieceLength(d);
  }
  return len;
}

// The update passes over e with w1 and then with w2, in one walk of its
// list: each pass moves the query vertex of a candidate on e to the pass's
// vertex while only one of its two edges has been crossed, so that the last
// such move leaves the end nearer to the other edge. e is crossed between
// the two passes when `crossing` (the caller has set it visited already).
// A pass changes only the candidate at hand, so taking both passes in turn
// per candidate leaves what two walks would.
void updatePasses(Edge* e, Vertex* w1, Vertex* w2, bool crossing) {
  for (SteinerCandidate* c : e->candidates) {
    if (c->eMst == c->eMstPrime) {
      c->valid = false;
      continue;
    }
    bool otherVisited = (e == c->eMst ? c->eMstPrime : c->eMst)->visited;
    Vertex* SteinerCandidate::*query = nullptr;
    if (e == c->eMst) {
      query = &SteinerCandidate::pQuery;
    } else if (e == c->eMstPrime && !c->queryPrimeFixed) {
      query = &SteinerCandidate::pQueryPrime;
    }
    if (!query) {
      continue;
    }
    // The second pass always sees e crossed; the first only on the way back.
    if (!otherVisited) {
      c->*query = w2;
    } else if (crossing) {
      c->*query = w1;
    }
  }
}

// A partial edge: the stretch of ePrime between its end q and v, with ends
// only; fillPartialEdge gives it the pieces. Without ends when q is neither
// end.
Edge* makePartialEdge(ObjectPool<Edge>& pool,
                      const Edge* ePrime,
                      Vertex* q,
                      Vertex* v) {
  if (q == ePrime->pStart) {
    return pool.make(q, v);
  }
  if (q == ePrime->pEnd) {
    return pool.make(v, q);
  }
  return pool.make();
}

// The pieces of the partial edge p made for q and v: those of ePrime from
// its pStart up to the first piece that starts at v, or, from the pEnd side,
// those after the last piece that ends at v; the same piece objects, in path
// order.
void fillPartialEdge(Edge* p,
                     const Edge* ePrime,
                     const Vertex* q,
                     const Vertex* v) {
  if (q == ePrime->pStart) {
    for (Edge* d : ePrime->subEdges) {
      if (d->pStart == v) {
        break;
      }
      p->subEdges.push_back(d);
    }
  } else if (q == ePrime->pEnd) {
    size_t first = ePrime->subEdges.size();
    while (first > 0 && ePrime->subEdges[first - 1]->pEnd != v) {
      --first;
    }
    for (size_t k = first; k < ePrime->subEdges.size(); ++k) {
      p->subEdges.push_back(ePrime->subEdges[k]);
    }
  }
}

BinMergTreeNode* rootOf(BinMergTreeNode* n) {
  while (n->pParent) {
    n = n->pParent;
  }
  return n;
}

// The part of every pin under each root, for a forest of merging trees.
std::unordered_map<const Vertex*, const BinMergTreeNode*> labelParts(
    const std::vector<BinMergTreeNode*>& roots) {
  std::unordered_map<const Vertex*, const BinMergTreeNode*> part;
  std::vector<const BinMergTreeNode*> stack;
  for (const BinMergTreeNode* root : roots) {
    stack.push_back(root);
    while (!stack.empty()) {
      const BinMergTreeNode* n = stack.back();
      stack.pop_back();
      if (n->attribute == BinMergTreeNode::leafNode) {
        part[n->pVertex] = root;
      }
      for (const BinMergTreeNode* child : {n->pLeft, n->pRight}) {
        if (child) {
          stack.push_back(child);
        }
      }
    }
  }
  return part;
}

// Every entry of a's tree neighbours that is b becomes null.
void cutAll(Vertex* a, const Vertex* b) {
  for (Vertex*& w : a->mstNbrs) {
    if (w == b) {
      w = nullptr;
    }
  }
}

// Only the first: where paths overlap, the other edges' entries stay.
void cutFirst(Vertex* a, const Vertex* b) {
  auto it = std::find(a->mstNbrs.begin(), a->mstNbrs.end(), b);
  if (it != a->mstNbrs.end()) {
    *it = nullptr;
  }
}

// A candidate whose cycle earlier insertions had already changed cuts a
// victim that no longer lies on its cycle: the tree falls apart, and a loop
// stays elsewhere. Every victim piece that joins two parts is put back, in
// the order the victims were cut, and then each loop loses its longest
// connection (ties by the ends' places in vertices). Connections listed
// more than once count as one. parts holds the tree's parts as they are,
// and then as they are left.
void rejoinCutTree(Router& r,
                   const std::vector<SteinerCandidate*>& applied,
                   VertexParts& parts) {
  for (const SteinerCandidate* c : applied) {
    for (Edge* d : c->eVictim->subEdges) {
      if (parts.join(d->pStart, d->pEnd)) {
        r.connectMstSubEdge(d->pStart, d->pEnd);
      }
    }
  }
  std::vector<std::tuple<float, int, int, Vertex*, Vertex*>> links;
  for (Vertex* v : r.vertices) {
    if (!v) {
      continue;
    }
    for (Vertex* w : v->mstNbrs) {
      if (w && parts.at(v) < parts.at(w)) {
        links.emplace_back(std::fabs(v->x - w->x) + std::fabs(v->y - w->y),
                           parts.at(v), parts.at(w), v, w);
      }
    }
  }
  std::sort(links.begin(), links.end());
  links.erase(std::unique(links.begin(), links.end()), links.end());
  VertexParts tree(r.vertices);
  for (const auto& l : links) {
    Vertex* v = std::get<3>(l);
    Vertex* w = std::get<4>(l);
    if (!tree.join(v, w)) {
      cutAll(v, w);
      cutAll(w, v);
    }
  }
}

// The parts the pins form in the tree, as VertexParts::ofTree counts them,
// but in the router's vertex set, which no search needs any more, instead of
// an index of the vertices made for the purpose. A neighbour that is not in
// vertices is held by no set and joins nothing.
int treePinParts(Router& r) {
  for (Vertex* v : r.vertices) {
    if (v) {
      for (Vertex* w : v->mstNbrs) {
        if (w) {
          r.verSet.forget(w);
        }
      }
    }
  }
  r.verSet.clear();
  for (Vertex* v : r.vertices) {
    if (v) {
      r.verSet.makeSet(v);
    }
  }
  std::vector<const Vertex*>& roots = r.scratch.roots;
  roots.clear();
  for (Vertex* v : r.vertices) {
    if (!v) {
      continue;
    }
    for (Vertex* w : v->mstNbrs) {
      if (w && r.verSet.holds(w)) {
        r.verSet.setUnion(v, w);
      }
    }
  }
  for (Vertex* v : r.vertices) {
    if (v && v->isAPin()) {
      roots.push_back(r.verSet.findSet(v));
    }
  }
  std::sort(roots.begin(), roots.end(), std::less<const Vertex*>());
  int parts =
      static_cast<int>(std::unique(roots.begin(), roots.end()) - roots.begin());
  releaseLarge(roots);
  return parts;
}

// std::sort with SteinerCandidateLarger, on integer keys that compare as
// the gains do (every NaN the least, -0 equal to +0): the sort compares and
// moves exactly as on the pointers, so equal gains end in the same order,
// without a cache miss per comparison on 10^7 candidates.
std::int32_t gainKey(float gain) {
  if (std::isnan(gain)) {
    return std::numeric_limits<std::int32_t>::min();
  }
  std::uint32_t bits;
  std::memcpy(&bits, &gain, sizeof bits);
  auto magnitude = static_cast<std::int32_t>(bits & 0x7fffffffu);
  return (bits >> 31) != 0 ? -magnitude : magnitude;
}

void sortByGain(std::vector<SteinerCandidate*>& candidates,
                std::vector<RouterScratch::GainKeyed>& keyed) {
  using Keyed = RouterScratch::GainKeyed;
  keyed.clear();
  keyed.reserve(candidates.size());
  for (SteinerCandidate* c : candidates) {
    keyed.push_back({gainKey(c->gain), c});
  }
  std::sort(keyed.begin(), keyed.end(),
            [](const Keyed& a, const Keyed& b) { return a.key > b.key; });
  for (size_t i = 0; i < keyed.size(); ++i) {
    candidates[i] = keyed[i].c;
  }
  releaseLarge(keyed);
}

}  // namespace

// The tree is as deep as the number of pins for a chain-like net, so the walk
// keeps its own stack, in the order and with the passes of a recursive walk.
void Router::eulerTrail(Vertex* x) {
  using Frame = RouterScratch::TrailFrame;
  x->visited = true;
  std::vector<Frame>& stack = scratch.trail;
  stack.clear();
  stack.push_back({x, 0});
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.next == f.x->mstEdges.size()) {
      stack.pop_back();
      if (!stack.empty()) {
        Frame& up = stack.back();
        Edge* e = up.x->mstEdges[up.next];
        updatePasses(e, farEnd(e, up.x), up.x, false);
        ++up.next;
      }
      continue;
    }
    Edge* e = f.x->mstEdges[f.next];
    Vertex* y = farEnd(e, f.x);
    // The edge back to where the walk came from.
    if (y->visited) {
      ++f.next;
      continue;
    }
    e->visited = true;
    updatePasses(e, f.x, y, true);
    y->visited = true;
    stack.push_back({y, 0});
  }
  releaseLarge(stack);
}

SteinerCandidate* Router::makeSteinerCandidate(Vertex* u,
                                               Edge* eSub,
                                               Edge* eMst,
                                               Edge* eMstPrime) {
  SteinerCandidate* c = store.candidatePool.make(u, eSub, eMst, eMstPrime);
  steinerCandidates.push_back(c);
  return c;
}

void Router::gainComputation() {
  extendedDijkstraForMstVerForest();

  auto addCandidate = [this](Vertex* u, Edge* e, Edge* m) {
    Vertex* v = u->pMstVerRoot;
    // A pin on no spanning-tree edge has no edge for u to meet.
    if (v->mstEdges.empty()) {
      return;
    }
    Edge* mPrime = v->mstEdges.front();
    SteinerCandidate* c = makeSteinerCandidate(u, e, m, mPrime);
    if (v->isAPin()) {
      c->pQueryPrime = v;
      c->queryPrimeFixed = true;
    }
    m->candidates.push_back(c, store.candidateLists);
    mPrime->candidates.push_back(c, store.candidateLists);
  };
  auto mostCandidates = [](const Edge* m) {
    size_t most = 0;
    for (const Edge* e : m->subEdges) {
      most += e->pStart->sgNbrs.size() + e->pEnd->sgNbrs.size();
    }
    return most;
  };
  size_t total = steinerCandidates.size();
  for (const Edge* m : mstEdges) {
    total += mostCandidates(m);
  }
  steinerCandidates.reserve(total);
  store.candidatePool.reserve(total - steinerCandidates.size());
  // Before any edge is filled, since a candidate also goes to another edge's
  // list.
  for (Edge* m : mstEdges) {
    m->candidates.reserve(m->candidates.size() + mostCandidates(m),
                          store.candidateLists);
  }
  for (Edge* m : mstEdges) {
    for (Edge* e : m->subEdges) {
      for (Vertex* u : e->pStart->sgNbrs) {
        if (u != e->pEnd) {
          addCandidate(u, e, m);
        }
      }
      for (Vertex* u : e->pEnd->sgNbrs) {
        if (u != e->pStart) {
          addCandidate(u, e, m);
        }
      }
    }
  }

  // One walk per part of a spanning forest, the first from the first pin; a
  // single tree is walked exactly once, from there.
  std::vector<BinMergTreeNode*> roots;
  for (Vertex* p : vertices) {
    if (!p || !p->isAPin() || p->visited) {
      continue;
    }
    eulerTrail(p);
    if (!p->mstEdges.empty() && p->pLeafNode) {
      roots.push_back(rootOf(p->pLeafNode));
    }
  }
  if (roots.empty()) {
    return;
  }
  std::unordered_map<const Vertex*, const BinMergTreeNode*> part;
  if (roots.size() > 1) {
    part = labelParts(roots);
  }
  // A candidate whose query vertices are missing or in different parts of a
  // forest closes no cycle: it gets no answer and no gain.
  auto closesCycle = [&](const SteinerCandidate* c) {
    const Vertex* a = c->pQuery;
    const Vertex* b = c->pQueryPrime;
    if (!a || !b || !a->pLeafNode || !b->pLeafNode) {
      return false;
    }
    if (part.empty()) {
      return true;
    }
    auto pa = part.find(a);
    auto pb = part.find(b);
    return pa != part.end() && pb != part.end() && pa->second == pb->second;
  };
  store.partialEdges.reserve(store.partialEdges.size() +
                             steinerCandidates.size());
  // Those that get a gain, in the order made.
  std::vector<SteinerCandidate*>& closing = scratch.closing;
  closing.clear();
  for (SteinerCandidate* c : steinerCandidates) {
    if (c->valid && closesCycle(c)) {
      pushSmall(c->pQuery->queryCandidates, c, 16);
      pushSmall(c->pQueryPrime->queryCandidates, c, 16);
      closing.push_back(c);
    }
  }
  mergingTree.lcaQuery(scratch.lcaStack);
  for (BinMergTreeNode* root : roots) {
    if (root != mergingTree.pRoot) {
      mergingTree.tarjanLca(root, scratch.lcaStack);
    }
  }

  using EdgeLen = std::pair<const Edge*, float>;
  // By address, only to look lengths up: no result depends on the order.
  auto byEdge = [](const EdgeLen& a, const Edge* b) {
    return std::less<const Edge*>()(a.first, b);
  };
  std::vector<EdgeLen>& wholeLen = scratch.wholeLen;
  std::vector<SteinerCandidate*>& mine = scratch.mine;
  std::vector<const Vertex*>& inner = scratch.inner;
  PartialLengths& stretch = scratch.stretch;
  // A short path is summed again where its length is wanted, which costs
  // less than finding it; only the longer ones are looked up.
  constexpr size_t kSummedAgain = 8;
  wholeLen.clear();
  for (const Edge* m : mstEdges) {
    if (m->subEdges.size() > kSummedAgain) {
      wholeLen.emplace_back(m, m->mstEdgeLen());
    }
  }
  std::sort(
      wholeLen.begin(), wholeLen.end(),
      [&](const EdgeLen& a, const EdgeLen& b) { return byEdge(a, b.first); });
  // The victim and the gain, given the stretch d of eMstPrime from
  // pQueryPrime to v. Each candidate's own: the order in which candidates
  // get theirs changes only the order in which partial edges are made.
  auto setGain = [&](SteinerCandidate* c, float d) {
    Vertex* u = c->u;
    Edge* longest = c->longestEdgeBetweenQueryVer;
    float b = 0.0f;
    if (longest) {
      b = longest->subEdges.size() <= kSummedAgain
              ? pathLength(longest)
              : std::lower_bound(wholeLen.begin(), wholeLen.end(), longest,
                                 byEdge)
                    ->second;
    }
    float victimLen;
    // On a tie the partial edge is the victim. It gets its pieces only
    // when it is applied: a copy of the stretch for every candidate would
    // take memory quadratic in the path's length.
    if (b > d) {
      c->eVictim = longest;
      victimLen = b;
    } else {
      store.partialEdges.push_back(makePartialEdge(
          store.edgePool, c->eMstPrime, c->pQueryPrime, u->pMstVerRoot));
      c->eVictim = store.partialEdges.back();
      victimLen = d;
    }
    c->gain = (victimLen - u->mstVerDist) -
              (std::fabs(u->x - c->sx) + std::fabs(u->y - c->sy));
  };
  // An eMstPrime of one piece, as every one between pins in the open: the
  // stretch from an end is none or the piece, the values the table below
  // would hold (0 + len from the pStart end; len from the pEnd end, exact).
  for (SteinerCandidate* c : closing) {
    const Edge* ePrime = c->eMstPrime;
    if (ePrime->subEdges.size() != 1) {
      continue;
    }
    const Edge* only = ePrime->subEdges.front();
    const Vertex* v = c->u->pMstVerRoot;
    float d = 0.0f;
    if (c->pQueryPrime == ePrime->pStart) {
      d = v == only->pStart ? 0.0f : 0.0f + pieceLength(only);
    } else if (c->pQueryPrime == ePrime->pEnd) {
      d = v == only->pEnd ? 0.0f : 0.0f + pieceLength(only);
    }
    setGain(c, d);
  }
  // Longer ones: each candidate is listed at its eMstPrime, so that edge's
  // path is walked once for the stretches of all of them.
  for (Edge* ePrime : mstEdges) {
    if (ePrime->subEdges.size() == 1) {
      continue;
    }
    mine.clear();
    inner.clear();
    for (SteinerCandidate* c : ePrime->candidates) {
      if (c->eMstPrime == ePrime && c->valid && closesCycle(c)) {
        mine.push_back(c);
        inner.push_back(c->u->pMstVerRoot);
      }
    }
    if (mine.empty()) {
      continue;
    }
    stretch.reset(ePrime, inner);
    for (SteinerCandidate* c : mine) {
      const Vertex* v = c->u->pMstVerRoot;
      float d = 0.0f;
      if (c->pQueryPrime == ePrime->pStart) {
        d = stretch.fromStart(v);
      } else if (c->pQueryPrime == ePrime->pEnd) {
        d = stretch.toEnd(v);
      }
      setGain(c, d);
    }
  }
  releaseLarge(closing);
  releaseLarge(wholeLen);
  releaseLarge(mine);
  releaseLarge(inner);
  stretch.release();
}

void Router::fillPartialVictim(SteinerCandidate* c) {
  Edge* p = c->eVictim;
  if (p && p != c->longestEdgeBetweenQueryVer && p->subEdges.empty()) {
    fillPartialEdge(p, c->eMstPrime, c->pQueryPrime, c->u->pMstVerRoot);
  }
}

void Router::addSteinerPoints() {
  if (steinerCandidates.empty()) {
    return;
  }
  sortByGain(steinerCandidates, scratch.keyed);
  std::vector<SteinerCandidate*>& applied = scratch.applied;
  applied.clear();
  for (SteinerCandidate* c : steinerCandidates) {
    // Gains descend, and invalid candidates carry -1: nothing later applies.
    if (!(c->gain > 0) || !c->valid) {
      break;
    }
    Vertex* u = c->u;
    Vertex* v = u->pMstVerRoot;
    if (!c->eVictim || c->eMst->removed || c->eVictim->removed ||
        (!v->isAPin() && c->eMstPrime->removed)) {
      continue;
    }
    // A gain that counts connections through an obstacle is not real.
    if (!legal.steinerConnectionsFree(c)) {
      continue;
    }
    fillPartialVictim(c);
    Vertex* s = c->makeSteinerPoint();
    vertices.push_back(s);
    connectMstSubEdge(s, u);
    for (Vertex* w = u; w != v; w = w->pMstVerPred) {
      connectMstSubEdge(w, w->pMstVerPred);
    }
    Vertex* a = c->eSub->pStart;
    Vertex* b = c->eSub->pEnd;
    connectMstSubEdge(s, a);
    connectMstSubEdge(s, b);
    cutAll(a, b);
    cutAll(b, a);
    for (Edge* d : c->eVictim->subEdges) {
      cutFirst(d->pStart, d->pEnd);
      cutFirst(d->pEnd, d->pStart);
    }
    c->eSub->removed = true;
    c->eMst->removed = true;
    c->eVictim->removed = true;
    // Any tree vertex but a pin lies inside eMstPrime's path, so the
    // connection split it.
    if (!v->isAPin()) {
      c->eMstPrime->removed = true;
    }
    applied.push_back(c);
  }
  if (applied.empty()) {
    return;
  }
  int now = treePinParts(*this);
  if (now > pinPartCount) {
    VertexParts parts = VertexParts::ofTree(vertices);
    rejoinCutTree(*this, applied, parts);
    now = parts.countPinParts(vertices);
  }
  pinPartCount = now;
}
