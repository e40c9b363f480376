#include "options/pathBound.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <tuple>
#include <utility>

#include "options/arborescence.h"
#include "options/pathBoundRefine.h"
#include "spatial/escapeGraph.h"
#include "spatial/linePlan.h"
#include "support/smallLists.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();

// Equal lengths summed in another order may differ in the last bits.
const double kSlack = 1e-9;

// Where the escape graph's lines cross in up to this many points, they
// are drawn whole and every search runs over their plan.
const size_t kLineCrossings = 20000;

// A margin on straight distances taken as lower bounds on ways: wider than
// the rounding of their pieces' sums, narrower than the searches' kSlack.
const double kNear = 1e-11;

// Before a move's search, the points that straight distances may admit are
// looked at: up to kSmallTree points of the tree all of them, else those of
// the tree or the graph's within reach across, whichever are fewer, where
// they are at most kNearScan (more cost more than the search they spare).
const size_t kSmallTree = 128;
const size_t kNearScan = 2048;

// Passes of branch moves per level of effort, each until no branch moves.
const int kPasses = 4;

// Up to this many points, the tree is walked again after each move, so that
// the next may use what the last changed.
const size_t kWalkAgain = 8192;

// From this many pins, a start grown from the first pin alone and moves
// that hang a subtree from any of its points: on fewer they seldom pay
// for their work.
const size_t kManyPins = 20;

// Below this many pins, also a start that draws the pins the tree leaves
// past their bound together: on larger nets it seldom pays for its moves.
const size_t kBreakStartPins = 100;

// Else up to this many points of the graph round the first pin are drawn
// for the joins and moves to search; beyond, the two trees' wire only.
const size_t kGridNodes = 50000;

// To find that part, the lines are planned whole where they cross in up to
// this many points.
const size_t kWholeCrossings = 4000000;

// The first place from q below end where a or (when given) b is set; end
// where none is. Eight marks a read: few pieces of a graph are a tree's.
size_t nextSet(const char* a, const char* b, size_t q, size_t end) {
  for (; q + 8 <= end; q += 8) {
    uint64_t x, y = 0;
    std::memcpy(&x, a + q, 8);
    if (b) {
      std::memcpy(&y, b + q, 8);
    }
    if ((x | y) != 0) {
      break;
    }
  }
  while (q < end && !a[q] && !(b && b[q])) {
    ++q;
  }
  return q;
}

double span(const RoutePoint& a, const RoutePoint& b) {
  return std::fabs(static_cast<double>(a.x) - b.x) +
         std::fabs(static_cast<double>(a.y) - b.y);
}

int nodeOf(const WirePlan& p, RoutePoint q) {
  auto it = std::lower_bound(p.nodes.begin(), p.nodes.end(), q,
                             [](const RoutePoint& a, const RoutePoint& b) {
                               return a.x < b.x || (a.x == b.x && a.y < b.y);
                             });
  return it != p.nodes.end() && *it == q
             ? static_cast<int>(it - p.nodes.begin())
             : -1;
}

void addRoute(std::vector<Wire>& wires, const std::vector<RoutePoint>& pts) {
  for (size_t k = 1; k < pts.size(); ++k) {
    if (!(pts[k] == pts[k - 1])) {
      wires.push_back({pts[k - 1].x, pts[k - 1].y, pts[k].x, pts[k].y});
    }
  }
}

// The plan in the scratch (planLines) as a graph in its lists: each
// node's pieces in their order (start, next, piece), the pieces' lengths
// and the pins' nodes. Searches over it run on the scratch's heap, resetting
// only the nodes they touched, so that a small search in a large graph
// stays small.
class Graph {
 public:
  Graph(PathBoundScratch& s, const std::vector<RoutePoint>& pins)
      : s_(s), plan(s.plan) {
    size_t n = plan.nodes.size();
    s_.start.assign(n + 1, 0);
    int* start = s_.start.data();
    for (auto [a, b] : plan.pieces) {
      ++start[static_cast<size_t>(a) + 1];
      ++start[static_cast<size_t>(b) + 1];
    }
    for (size_t u = 0; u < n; ++u) {
      start[u + 1] += start[u];
    }
    // Only grown: the steps past the last node's are never read.
    if (s_.arcs.size() < 2 * plan.pieces.size()) {
      s_.arcs.resize(2 * plan.pieces.size());
    }
    s_.degree.assign(s_.start.begin(), s_.start.end() - 1);  // fill cursor
    s_.pieceLen.resize(plan.pieces.size());
    int* fill = s_.degree.data();
    PathArc* arcs = s_.arcs.data();
    double* pieceLen = s_.pieceLen.data();
    const RoutePoint* at = plan.nodes.data();
    double shortest = kInf, longest = 0;
    for (size_t k = 0; k < plan.pieces.size(); ++k) {
      auto [a, b] = plan.pieces[k];
      // A piece lies along one axis: the other's zero adds nothing.
      double len = at[a].y == at[b].y
                       ? std::fabs(static_cast<double>(at[a].x) - at[b].x)
                       : std::fabs(static_cast<double>(at[a].y) - at[b].y);
      pieceLen[k] = len;
      shortest = std::min(shortest, len);
      longest = std::max(longest, len);
      arcs[fill[a]++] = {b, static_cast<int>(k), len};
      arcs[fill[b]++] = {a, static_cast<int>(k), len};
    }
    shortestPiece_ = shortest;
    longestPiece_ = longest;
    s_.pinNode.clear();
    for (const RoutePoint& p : pins) {
      s_.pinNode.push_back(nodeOf(plan, p));
    }
    s_.reach.assign(n, kInf);
    s_.viaReach.assign(n, -1);
    s_.touched.clear();
    s_.pinAt.assign(n, 0);
    for (int v : s_.pinNode) {
      if (v >= 0) {
        s_.pinAt[v] = 1;
      }
    }
  }

  size_t nodes() const { return plan.nodes.size(); }

  // No node reached yet: along infinite, via and parent -1, order empty.
  // Returns the first pin's node (-1 where it is off the graph).
  int clearWays() {
    size_t n = nodes();
    s_.along.assign(n, kInf);
    s_.via.assign(n, -1);
    s_.parent.assign(n, -1);
    s_.order.clear();
    return s_.pinNode.empty() ? -1 : s_.pinNode[0];
  }

  // Shortest ways from the first pin over the pieces marked in: along (the
  // length), via (the piece to the parent, -1 at the root) and parent, for
  // every node; order, the nodes in the order settled. Ties go to the lower
  // node, so that the tree depends on the wires alone.
  void fromRoot() { fromRootOver<false>(); }

  // fromRoot's lengths and order where every piece is marked in: no mark
  // read, and via and parent neither cleared nor set.
  void fromRootOverAll() {
    if (!fromRootByBuckets()) {
      fromRootOver<true>();
    }
  }

  // fromRootOverAll without a heap, where the pieces' lengths allow: a
  // node's bucket is its length over a quarter of the shortest piece, so
  // that a step from a node always lands two buckets or more beyond it
  // (with room for rounding) and a bucket's nodes are final when it is
  // reached; they are settled in the order of (length, node), as the heap
  // pops them, and each takes the least of its neighbours' sums, as there.
  // The buckets ahead (at most the longest piece's span) go round one
  // ring, its filled ones marked in a bit per bucket. False, nothing
  // promised of the lists, where the ring would be long for the graph or
  // a length would leave the exact range of the bucket numbers.
  bool fromRootByBuckets() {
    size_t n = nodes();
    double width = shortestPiece_ / 4;
    if (!(width > 0) || !(longestPiece_ / width < 8.0 * n + 4096)) {
      return false;
    }
    size_t ring = 64;
    while (ring < longestPiece_ / width + 8) {
      ring *= 2;
    }
    int root = s_.pinNode.empty() ? -1 : s_.pinNode[0];
    s_.along.assign(n, kInf);
    s_.order.clear();
    if (root < 0) {
      return true;
    }
    // One entry per step at most (a step relaxes once, from its settled
    // end) and the root's: the lists sized once, read through pointers.
    size_t most = s_.start[n] + 1;
    // A search that ends with its buckets spent leaves every head -1 and
    // every bit clear (one that stops early clears them): only grown.
    if (s_.bucketHead.size() < ring) {
      s_.bucketHead.assign(ring, -1);
      s_.bucketBits.assign(ring / 64, 0);
    }
    s_.bucketNext.resize(std::max(s_.bucketNext.size(), most));
    s_.bucketNode.resize(std::max(s_.bucketNode.size(), most));
    s_.bucketLength.resize(std::max(s_.bucketLength.size(), most));
    s_.order.resize(n);
    int* head = s_.bucketHead.data();
    uint64_t* bits = s_.bucketBits.data();
    int* next = s_.bucketNext.data();
    int* entry = s_.bucketNode.data();
    double* at = s_.bucketLength.data();
    double* along = s_.along.data();
    int* order = s_.order.data();
    const int* start = s_.start.data();
    const PathArc* arcs = s_.arcs.data();
    std::vector<int>& batch = s_.bucketBatch;
    const double kExact = 4e15;  // bucket numbers held exactly in a double
    bool exact = true;
    int entries = 0;
    size_t settled = 0;
    auto push = [&](int v, double d) {
      double q = d / width;
      exact = exact && q < kExact;
      // Through a signed number: q is below kExact, and the unsigned
      // conversion costs branches.
      size_t b =
          exact ? static_cast<size_t>(static_cast<int64_t>(q)) & (ring - 1) : 0;
      next[entries] = head[b];
      entry[entries] = v;
      at[entries] = d;
      head[b] = entries++;
      bits[b / 64] |= uint64_t{1} << (b % 64);
    };
    along[root] = 0;
    push(root, 0);
    size_t pending = 1;
    size_t cur = 0;
    while (pending > 0 && exact) {
      // The next filled bucket from cur round the ring.
      size_t w = cur / 64;
      uint64_t word = bits[w] & (~uint64_t{0} << (cur % 64));
      while (word == 0) {
        w = (w + 1) & (ring / 64 - 1);
        word = bits[w];
      }
      cur = w * 64 + static_cast<size_t>(__builtin_ctzll(word));
      bits[w] &= ~(uint64_t{1} << (cur % 64));
      auto settle = [&](int u) {
        order[settled++] = u;
        double d = along[u];
        for (int e = start[u], end = start[u + 1]; e < end; ++e) {
          int v = arcs[e].to;
          double nd = d + arcs[e].len;
          if (nd < along[v]) {
            along[v] = nd;
            push(v, nd);
            ++pending;
          }
        }
      };
      // Most buckets hold one entry: no order to find.
      if (int e = head[cur]; next[e] < 0) {
        head[cur] = -1;
        --pending;
        int u = entry[e];
        // A node's lengths only fall, each pushed once: one entry holds
        // its length, and none comes after it is settled.
        if (at[e] == along[u]) {
          settle(u);
        }
        continue;
      }
      batch.clear();
      for (int e = head[cur]; e >= 0; e = next[e]) {
        --pending;
        int u = entry[e];
        if (at[e] == along[u]) {
          batch.push_back(u);
        }
      }
      head[cur] = -1;
      // By (length, node): few at once on small graphs (an insertion
      // sort), more on large ones.
      if (batch.size() > 16) {
        std::sort(batch.begin(), batch.end(), [&](int a, int b) {
          return along[a] < along[b] || (along[a] == along[b] && a < b);
        });
      }
      for (size_t i = 1; i < batch.size(); ++i) {
        int u = batch[i];
        size_t j = i;
        for (; j > 0 && (along[batch[j - 1]] > along[u] ||
                         (along[batch[j - 1]] == along[u] && batch[j - 1] > u));
             --j) {
          batch[j] = batch[j - 1];
        }
        batch[j] = u;
      }
      for (int u : batch) {
        settle(u);
      }
    }
    s_.order.resize(settled);
    if (!exact) {
      std::fill(s_.bucketHead.begin(), s_.bucketHead.end(), -1);
      std::fill(s_.bucketBits.begin(), s_.bucketBits.end(), 0);
    }
    return exact;
  }

  template <bool all>
  void fromRootOver() {
    int root = -1;
    if (all) {
      s_.along.assign(nodes(), kInf);
      s_.order.clear();
      root = s_.pinNode.empty() ? -1 : s_.pinNode[0];
    } else {
      root = clearWays();
    }
    if (root < 0) {
      return;
    }
    auto& heap = s_.heap;
    heap.clear();
    s_.along[root] = 0;
    heap.push_back(queueKey(0, root));
    while (!heap.empty()) {
      auto [d, u] = queuePop(heap);
      if (d != s_.along[u]) {
        continue;
      }
      s_.order.push_back(u);
      const PathArc* arcs = s_.arcs.data();
      const char* in = s_.in.data();
      double* along = s_.along.data();
      for (int e = s_.start[u], end = s_.start[u + 1]; e < end; ++e) {
        const PathArc& arc = arcs[e];
        int k = arc.piece;
        if (!all && !in[k]) {
          continue;
        }
        int v = arc.to;
        double nd = d + arc.len;
        if (nd < along[v]) {
          along[v] = nd;
          if (!all) {
            s_.via[v] = k;
            s_.parent[v] = u;
          }
          queuePush(heap, nd, v);
        }
      }
    }
  }

  // fromRoot where the pieces marked in that the first pin reaches make a
  // tree (as keepShortestTree leaves them): each node's one way, found by a
  // walk instead of a search, with the same lengths (the same sums in the
  // same order); order then lists parents before children. False, the
  // lists left unfinished, where those pieces hold a cycle after all.
  bool treeFromRoot() {
    int root = clearWays();
    if (root < 0) {
      return true;
    }
    s_.along[root] = 0;
    std::vector<int>& stack = s_.stack;
    stack.assign(1, root);
    // Read through pointers: only the stack and order grow.
    const int* start = s_.start.data();
    const PathArc* arcs = s_.arcs.data();
    const char* in = s_.in.data();
    double* along = s_.along.data();
    int* via = s_.via.data();
    int* parent = s_.parent.data();
    while (!stack.empty()) {
      int u = stack.back();
      stack.pop_back();
      s_.order.push_back(u);
      for (int e = start[u], end = start[u + 1]; e < end; ++e) {
        const PathArc& arc = arcs[e];
        int v = arc.to;
        if (!in[arc.piece] || v == parent[u]) {
          continue;
        }
        if (along[v] != kInf) {
          return false;
        }
        along[v] = along[u] + arc.len;
        via[v] = arc.piece;
        parent[v] = u;
        stack.push_back(v);
      }
    }
    return true;
  }

  // A search from node `from` over every piece, no farther than cap, that
  // stops at the first node that `take` accepts and returns it (-1 when
  // none); nodes that `pass` refuses are not gone through. take must refuse
  // a node u at length d where along[u] + d > limit: since along[u] is at
  // least first[u] (the search over all pieces from the first pin), no way
  // through a node v at length d with d + first[v] > limit can end at an
  // accepted node, and such nodes are left out (with a margin for
  // rounding): the answer and its way stay those of the whole search.
  // Reads first; reach and viaReach hold the way back for the nodes
  // touched.
  template <class Take, class Pass>
  int search(int from, double cap, double limit, Take take, Pass pass) {
    for (int u : s_.touched) {
      s_.reach[u] = kInf;
    }
    s_.touched.clear();
    auto& heap = s_.heap;
    heap.clear();
    s_.reach[from] = 0;
    s_.viaReach[from] = -1;
    s_.touched.push_back(from);
    heap.push_back(queueKey(0, from));
    // Read through pointers: the lists pushed to are not these, so their
    // places need not be read again after each push.
    double* reach = s_.reach.data();
    int* viaReach = s_.viaReach.data();
    const double* first = s_.first.data();
    const int* start = s_.start.data();
    const PathArc* arcs = s_.arcs.data();
    while (!heap.empty()) {
      auto [g, u] = queuePop(heap);
      if (g != reach[u]) {
        continue;
      }
      if (u != from && take(u, g)) {
        return u;
      }
      if (u != from && !pass(u)) {
        continue;
      }
      for (int e = start[u], end = start[u + 1]; e < end; ++e) {
        const PathArc& arc = arcs[e];
        int v = arc.to;
        double ng = g + arc.len;
        if (ng <= cap && ng < reach[v] &&
            !((ng + first[v]) * (1 - kSlack) > limit)) {
          if (reach[v] == kInf) {
            s_.touched.push_back(v);
          }
          reach[v] = ng;
          viaReach[v] = arc.piece;
          queuePush(heap, ng, v);
        }
      }
    }
    return -1;
  }

  // Marks in the pieces of the way search found back from w.
  void takeWay(int w) {
    for (int u = w; s_.viaReach[u] >= 0;) {
      int k = s_.viaReach[u];
      s_.in[k] = 1;
      auto [a, b] = plan.pieces[k];
      u = a == u ? b : a;
    }
  }

 private:
  PathBoundScratch& s_;
  double shortestPiece_ = kInf;
  double longestPiece_ = 0;

 public:
  const WirePlan& plan;
};

// The wires planned into the scratch's plan, as a graph.
Graph wireGraph(PathBoundScratch& s,
                const std::vector<Wire>& wires,
                const std::vector<RoutePoint>& pins) {
  s.h.clear();
  s.v.clear();
  addStretches(wires, false, s.h, s.v);
  planLines(s.h, s.v, pins, s.plan, nullptr, s.lines);
  return Graph(s, pins);
}

double boundOf(double eps, double shortest) {
  return (1 + eps) * shortest * (1 + kSlack);
}

// Whether every pin that the first reaches lies within its bound along the
// pieces marked in, as fromRoot last measured.
bool allWithin(const PathBoundScratch& s) {
  for (size_t i = 1; i < s.pinNode.size(); ++i) {
    if (!std::isfinite(s.bound[i])) {
      continue;
    }
    int v = s.pinNode[i];
    if (v < 0 || !(s.along[v] <= s.bound[i])) {
      return false;
    }
  }
  return true;
}

// The pins in the order a depth-first walk over the pieces marked in from
// the first pin meets them, pieces taken in their order.
void walkOrder(Graph& g, PathBoundScratch& s, std::vector<int>& out) {
  out.clear();
  int root = s.pinNode[0];
  std::vector<char>& seen = s.onTree;
  seen.assign(g.nodes(), 0);
  std::vector<int>& stack = s.stack;
  stack.assign(1, root);
  std::vector<int>& first = s.leave;
  first.assign(g.nodes(), -1);
  int time = 0;
  // Read through pointers: only the stack grows.
  char* met = seen.data();
  int* firstAt = first.data();
  const int* start = s.start.data();
  const PathArc* arcs = s.arcs.data();
  const char* in = s.in.data();
  while (!stack.empty()) {
    int u = stack.back();
    stack.pop_back();
    if (met[u]) {
      continue;
    }
    met[u] = 1;
    firstAt[u] = time++;
    for (int e = start[u + 1] - 1, end = start[u]; e >= end; --e) {
      if (in[arcs[e].piece] && !met[arcs[e].to]) {
        stack.push_back(arcs[e].to);
      }
    }
  }
  for (size_t i = 1; i < s.pinNode.size(); ++i) {
    out.push_back(static_cast<int>(i));
  }
  std::stable_sort(out.begin(), out.end(), [&](int a, int b) {
    int fa = s.pinNode[a] >= 0 ? first[s.pinNode[a]] : -1;
    int fb = s.pinNode[b] >= 0 ? first[s.pinNode[b]] : -1;
    fa = fa < 0 ? time : fa;
    fb = fb < 0 ? time : fb;
    return fa < fb;
  });
}

// Keeps only the pieces of the shortest-path tree of those marked in (as
// fromRoot measured them), those the first pin does not reach as they
// were, and prunes branches that end at no pin. Whether any piece went:
// where none did, the ways measured stay those of the tree (in another
// order, which the callers do not read before measuring again).
bool keepShortestTree(Graph& g, PathBoundScratch& s) {
  size_t n = g.nodes();
  size_t dropped = 0, ways = 0, pruned = 0;
  // The pieces marked in at the nodes reached (both their ends are): only
  // their steps are looked at, not every piece of the graph.
  // Read through pointers: stores through a char may touch anything, so
  // the lists' places would be read again after each.
  char* in = s.in.data();
  const int* start = s.start.data();
  const PathArc* arcs = s.arcs.data();
  const int* via = s.via.data();
  for (int u : s.order) {
    for (int e = start[u], end = start[u + 1]; e < end; ++e) {
      int k = arcs[e].piece;
      if (in[k]) {
        in[k] = 0;
        ++dropped;
      }
    }
  }
  for (int v : s.order) {
    if (via[v] >= 0) {
      in[via[v]] = 1;
      ++ways;
    }
  }
  // The nodes reached have only their ways' pieces (an unreached piece
  // meets no reached node); the degrees of the others are not read.
  s.degree.assign(n, 0);
  int* degree = s.degree.data();
  const int* parent = s.parent.data();
  const char* pinAt = s.pinAt.data();
  for (int v : s.order) {
    if (via[v] >= 0) {
      ++degree[v];
      ++degree[parent[v]];
    }
  }
  int root = s.pinNode[0];
  for (auto it = s.order.rbegin(); it != s.order.rend(); ++it) {
    int v = *it;
    if (v != root && !pinAt[v] && degree[v] == 1) {
      in[via[v]] = 0;
      --degree[v];
      --degree[parent[v]];
      ++pruned;
    }
  }
  // The ways are among the pieces dropped, one per node.
  return dropped != ways || pruned > 0;
}

// The tree of the pieces marked in, walked from the first pin: parent,
// via, along, order (parents first), enter and leave (a node's subtree is
// the nodes entered from its enter up to its leave), degree, onTree, own
// and slack: how much longer every pin beyond the node may get within its
// bound. again: the lists are as the last walk left them (only in changed
// since), so that only the nodes it met need clearing: a walk after a move
// then costs the tree's size, not the graph's.
void walkTree(Graph& g, PathBoundScratch& s, bool again = false) {
  size_t n = g.nodes();
  if (again) {
    // Through pointers: the store through a char would have every list's
    // place read again.
    int* parent = s.parent.data();
    int* via = s.via.data();
    int* enter = s.enter.data();
    int* leave = s.leave.data();
    double* along = s.along.data();
    double* slack = s.slack.data();
    double* own = s.own.data();
    int* degree = s.degree.data();
    char* onTree = s.onTree.data();
    for (int u : s.order) {
      parent[u] = via[u] = enter[u] = leave[u] = -1;
      along[u] = slack[u] = kInf;
      own[u] = -kInf;
      degree[u] = 0;
      onTree[u] = 0;
    }
  } else {
    s.parent.assign(n, -1);
    s.via.assign(n, -1);
    s.along.assign(n, kInf);
    s.enter.assign(n, -1);
    s.leave.assign(n, -1);
    s.degree.assign(n, 0);
    s.onTree.assign(n, 0);
    s.slack.assign(n, kInf);
    s.own.assign(n, -kInf);
  }
  s.order.clear();
  int root = s.pinNode[0];
  // Entered when first met, left when popped the second time.
  std::vector<int>& stack = s.stack;
  stack.assign(1, root);
  s.along[root] = 0;
  s.onTree[root] = 1;
  int time = 0;
  // Read through pointers: only the stack and order grow.
  int* enter = s.enter.data();
  int* parent = s.parent.data();
  int* via = s.via.data();
  int* degree = s.degree.data();
  double* along = s.along.data();
  char* onTree = s.onTree.data();
  const char* in = s.in.data();
  const int* start = s.start.data();
  const PathArc* arcs = s.arcs.data();
  while (!stack.empty()) {
    int u = stack.back();
    if (enter[u] >= 0) {
      stack.pop_back();
      s.leave[u] = time;
      continue;
    }
    enter[u] = time++;
    s.order.push_back(u);
    for (int e = start[u + 1] - 1, end = start[u]; e >= end; --e) {
      const PathArc& arc = arcs[e];
      int k = arc.piece;
      if (!in[k]) {
        continue;
      }
      ++degree[u];
      int v = arc.to;
      if (v == parent[u]) {
        continue;
      }
      parent[v] = u;
      via[v] = k;
      along[v] = along[u] + arc.len;
      onTree[v] = 1;
      stack.push_back(v);
    }
  }
  // The walk's places in its order, for nearRest's scans to stream.
  s.orderX.resize(s.order.size());
  s.orderY.resize(s.order.size());
  {
    const RoutePoint* at = g.plan.nodes.data();
    float* x = s.orderX.data();
    float* y = s.orderY.data();
    for (size_t q = 0; q < s.order.size(); ++q) {
      x[q] = at[s.order[q]].x;
      y[q] = at[s.order[q]].y;
    }
  }
  for (size_t i = 1; i < s.pinNode.size(); ++i) {
    int v = s.pinNode[i];
    if (v >= 0 && s.onTree[v] && std::isfinite(s.bound[i])) {
      s.slack[v] = std::min(s.slack[v], s.bound[i] - s.along[v]);
      s.own[v] = std::max(s.own[v], s.along[v] - s.bound[i]);
    }
  }
  for (auto it = s.order.rbegin(); it != s.order.rend(); ++it) {
    if (s.parent[*it] >= 0) {
      s.slack[s.parent[*it]] = std::min(s.slack[s.parent[*it]], s.slack[*it]);
    }
  }
}

// For each node x of the subtree below v, as walkTree left it: need[x],
// the most by which a pin of the subtree would exceed its bound were the
// subtree hung from x at no length (its ways then running from x along its
// own wire); -infinity where it holds no bounded pin. One pass up for each
// node's two largest children, one down for the pins outside a node's own
// subtree.
void subtreeNeed(PathBoundScratch& s, int v) {
  int lo = s.enter[v], hi = s.leave[v];
  for (int q = lo; q < hi; ++q) {
    s.childTop[s.order[q]] = s.childNext[s.order[q]] = -kInf;
  }
  for (int q = hi - 1; q > lo; --q) {
    int c = s.order[q], y = s.parent[c];
    double b = -s.slack[c];
    if (b > s.childTop[y]) {
      s.childNext[y] = s.childTop[y];
      s.childTop[y] = b;
    } else if (b > s.childNext[y]) {
      s.childNext[y] = b;
    }
  }
  // First the excess over the pins outside each node's subtree.
  s.need[v] = -kInf;
  for (int q = lo + 1; q < hi; ++q) {
    int x = s.order[q], y = s.parent[x];
    double others =
        -s.slack[x] == s.childTop[y] ? s.childNext[y] : s.childTop[y];
    others = std::max(others, s.own[y]);
    s.need[x] = std::max(s.need[y] + (s.along[x] - s.along[y]),
                         s.along[x] - 2 * s.along[y] + others);
  }
  for (int q = lo; q < hi; ++q) {
    int x = s.order[q];
    s.need[x] = std::max(s.need[x], -s.slack[x] - s.along[x]);
  }
}

// A move of the subtree below v, whose branch runs up to a (top its
// highest node below a), hung again from any of its nodes: a search from
// all of them at once, no farther than cap, through points off the tree
// (or on the branch), to the nearest point of the rest of the tree whose
// way keeps every pin of the subtree in bound, the subtree's ways then
// running from where the way meets it. The point found (-1 when none);
// reach and viaReach hold the way back to the subtree.
int rehungMove(PathBoundScratch& s, int v, int top, double cap) {
  subtreeNeed(s, v);
  int inLo = s.enter[v], inHi = s.leave[v];
  int topLo = s.enter[top], topHi = s.leave[top];
  for (int u : s.touched) {
    s.reach[u] = kInf;
  }
  s.touched.clear();
  auto& heap = s.heap;
  heap.clear();
  for (int q = inLo; q < inHi; ++q) {
    int x = s.order[q];
    if (!(s.need[x] <= 0)) {
      continue;  // no way in bound from there
    }
    s.reach[x] = 0;
    s.viaReach[x] = -1;
    s.origin[x] = x;
    s.touched.push_back(x);
  }
  // The starts, all at length 0, would leave the queue first and by node,
  // before any step (every step has length): taken so, without the queue.
  std::sort(s.touched.begin(), s.touched.end());
  size_t starts = s.touched.size();
  for (size_t next = 0; next < starts || !heap.empty();) {
    double d = 0;
    int u;
    if (next < starts) {
      u = s.touched[next++];
    } else {
      std::tie(d, u) = queuePop(heap);
      if (d != s.reach[u]) {
        continue;
      }
    }
    bool below = s.onTree[u] && inLo <= s.enter[u] && s.enter[u] < inHi;
    if (below && s.origin[u] != u) {
      continue;  // a way through the subtree would close a loop
    }
    if (!below && s.onTree[u]) {
      bool branch = topLo <= s.enter[u] && s.enter[u] < topHi;
      if (!branch) {
        if (s.along[u] + d + s.need[s.origin[u]] <= 0) {
          return u;
        }
        continue;
      }
    }
    for (int e = s.start[u]; e < s.start[u + 1]; ++e) {
      const PathArc& arc = s.arcs[e];
      int w = arc.to;
      double nd = d + arc.len;
      if (nd <= cap && nd < s.reach[w] &&
          !((nd + s.first[w]) * (1 - kSlack) + s.need[s.origin[u]] > 0)) {
        if (s.reach[w] == kInf) {
          s.touched.push_back(w);
        }
        s.reach[w] = nd;
        s.viaReach[w] = arc.piece;
        s.origin[w] = s.origin[u];
        queuePush(heap, nd, w);
      }
    }
  }
  return -1;
}

// Whether a node of the rest of the tree (on it, not marked, not entered
// from topLo up to topHi) lies within cap of v by straight distance and
// within room of the first pin along the tree and that distance: else no
// way through the graph reaches one in time. The graph's nodes come by x,
// so those within cap across make one run. True, untested, where both that
// run and the tree exceed most.
bool nearRest(const Graph& g,
              const PathBoundScratch& s,
              int v,
              int topLo,
              int topHi,
              double cap,
              double room,
              size_t most) {
  const std::vector<RoutePoint>& nodes = g.plan.nodes;
  double x = nodes[v].x, y = nodes[v].y;
  auto near = [&](int u) {
    const RoutePoint& p = nodes[u];
    double d = (std::fabs(p.x - x) + std::fabs(p.y - y)) * (1 - kNear);
    return d <= cap && s.along[u] + d <= room && !s.mark[u];
  };
  // A float test first, wider than the rounding of either measure, so that
  // it never turns away a node that near takes; eight at a time, which the
  // compiler does in a few vector steps.
  float fx = static_cast<float>(x), fy = static_cast<float>(y);
  float within = static_cast<float>(cap / (1 - kNear) * (1 + 1e-5));
  const float* ox = s.orderX.data();
  const float* oy = s.orderY.data();
  const int* order = s.order.data();
  auto close = [&](int q) {
    return std::fabs(ox[q] - fx) + std::fabs(oy[q] - fy) <= within;
  };
  auto scan = [&](int from, int to) {
    int q = from;
    for (; q + 8 <= to; q += 8) {
      bool any = false;
      for (int i = 0; i < 8; ++i) {
        any |= close(q + i);
      }
      if (any) {
        for (int i = 0; i < 8; ++i) {
          if (close(q + i) && near(order[q + i])) {
            return true;
          }
        }
      }
    }
    for (; q < to; ++q) {
      if (close(q) && near(order[q])) {
        return true;
      }
    }
    return false;
  };
  int end = static_cast<int>(s.order.size());
  if (s.order.size() <= kSmallTree) {
    return scan(0, topLo) || scan(topHi, end);
  }
  double reach = cap * (1 + 1e-9) + 1e-9;
  auto byX = [](const RoutePoint& p, double c) { return p.x < c; };
  size_t lo =
      std::lower_bound(nodes.begin(), nodes.begin() + v, x - reach, byX) -
      nodes.begin();
  size_t hi =
      std::upper_bound(nodes.begin() + v, nodes.end(), x + reach,
                       [](double c, const RoutePoint& p) { return c < p.x; }) -
      nodes.begin();
  if (hi - lo < s.order.size()) {
    if (hi - lo > most) {
      return true;
    }
    for (size_t u = lo; u < hi; ++u) {
      if (s.onTree[u] && !(topLo <= s.enter[u] && s.enter[u] < topHi) &&
          near(static_cast<int>(u))) {
        return true;
      }
    }
    return false;
  }
  if (s.order.size() > most) {
    return true;
  }
  return scan(0, topLo) || scan(topHi, end);
}

// One pass of moves over the branches: a branch runs from a pin or a fork
// up to the nearest pin or fork above it, and moves to the nearest point of
// the rest of the tree whose way keeps every pin beyond it in bound, where
// that way is shorter than the branch. Whether any moved. walked: whether
// walkTree's lists are those of the tree as it is, on entry and on return
// (a pass that ends on a move's walk spares the next pass its own).
bool moveBranches(Graph& g, PathBoundScratch& s, bool fromAny, bool& walked) {
  // Where the tree is walked after each move, a search depends on the tree
  // alone: one that found nothing finds nothing again until the next move
  // (a pass that follows one without moves, say). Each tree gets a new
  // number, never used before, and the failures their tree's.
  bool again = g.nodes() <= kWalkAgain;
  if (!walked) {
    walkTree(g, s);
    ++s.treeNumber;
  }
  walked = true;
  if (s.failedAt.size() < g.nodes()) {
    s.failedAt.resize(g.nodes(), 0);
    s.failedAnyAt.resize(g.nodes(), 0);
  }
  int root = s.pinNode[0];
  // What a move changes (the branch and all beyond it, the way it takes,
  // the points above either end) is marked and left alone until the next
  // pass walks the tree again; the rest stays as the walk found it.
  s.mark.assign(g.nodes(), 0);
  s.need.resize(g.nodes());
  s.childTop.resize(g.nodes());
  s.childNext.resize(g.nodes());
  s.origin.resize(g.nodes());
  std::vector<int>& candidates = s.candidates;
  candidates = s.order;
  bool moved = false;
  for (int v : candidates) {
    if (v == root || !s.onTree[v] || s.mark[v] ||
        (!s.pinAt[v] && s.degree[v] == 2)) {
      continue;
    }
    int top = v, a = s.parent[v];
    bool marked = false;
    while (a != root && !s.pinAt[a] && s.degree[a] == 2) {
      marked = marked || s.mark[a];
      top = a;
      a = s.parent[a];
    }
    if (marked || s.mark[a]) {
      continue;
    }
    double branch = s.along[v] - s.along[a];
    double room = s.along[v] + s.slack[v];
    int inLo = s.enter[v], inHi = s.leave[v];
    int topLo = s.enter[top], topHi = s.leave[top];
    double cap = branch * (1 - kSlack);
    bool tried = again && s.failedAt[v] == s.treeNumber;
    // No way through the graph is shorter than the straight distance.
    tried = tried || (s.straightTest &&
                      !nearRest(g, s, v, topLo, topHi, cap, room, kNearScan));
    // The walk's lists, read through pointers during the search.
    const char* onTree = s.onTree.data();
    const char* mark = s.mark.data();
    const int* enter = s.enter.data();
    const double* along = s.along.data();
    int w = tried ? -1
                  : g.search(
                        v, cap, room,
                        [&](int u, double d) {
                          return onTree[u] && !mark[u] &&
                                 !(topLo <= enter[u] && enter[u] < topHi) &&
                                 along[u] + d <= room;
                        },
                        [&](int u) {
                          bool below = inLo <= enter[u] && enter[u] < inHi;
                          bool rest = onTree[u] &&
                                      !(topLo <= enter[u] && enter[u] < topHi);
                          return !below && !rest && !mark[u];
                        });
    if (w < 0 && again) {
      s.failedAt[v] = s.treeNumber;
    }
    if (w < 0 && fromAny && again && s.failedAnyAt[v] != s.treeNumber) {
      // Else hung again from any of its points, where that is shorter.
      w = rehungMove(s, v, top, cap);
      if (w < 0) {
        s.failedAnyAt[v] = s.treeNumber;
      } else {
        for (int u = v; u != a; u = s.parent[u]) {
          s.in[s.via[u]] = 0;
        }
        g.takeWay(w);
        moved = true;
        walkTree(g, s, true);
        ++s.treeNumber;
        walked = true;
        continue;
      }
    }
    if (w < 0) {
      continue;
    }
    // Where the tree is walked again at once, nothing is left marked.
    walked = again;
    if (!walked) {
      for (int q = topLo; q < topHi; ++q) {
        s.mark[s.order[q]] = 1;
      }
      for (int u : {a, w}) {
        for (; u >= 0; u = s.parent[u]) {
          s.mark[u] = 1;
        }
      }
      for (int u = w; u != v;) {
        int k = s.viaReach[u];
        auto [x, y] = g.plan.pieces[k];
        u = x == u ? y : x;
        s.mark[u] = 1;
      }
    }
    for (int u = v; u != a; u = s.parent[u]) {
      s.in[s.via[u]] = 0;
    }
    g.takeWay(w);
    moved = true;
    ++s.treeNumber;
    if (walked) {
      walkTree(g, s, true);
    }
  }
  return moved;
}

// The lists of the lines planned whole (metGrid), which a net of few pins
// may make large.
void releaseWhole(PathBoundScratch& s) {
  for (auto* v : {&s.metH, &s.metV}) {
    releaseLarge(*v);
  }
  releaseLarge(s.metPlan.nodes);
  releaseLarge(s.metPlan.pieces);
  for (auto* v :
       {&s.metRuns, &s.metStart, &s.metNext, &s.metFill, &s.metReached}) {
    releaseLarge(*v);
  }
  releaseLarge(s.metPts);
  releaseLarge(s.metDist);
  for (auto* v : {&s.metOn, &s.metWanted, &s.metTree}) {
    releaseLarge(*v);
  }
}

void release(PathBoundScratch& s) {
  releaseLarge(s.wires);
  releaseLarge(s.kept);
  releaseLarge(s.routes, 256);
  releaseLarge(s.grid);
  for (auto* v :
       {&s.shortest, &s.bound, &s.along, &s.reach, &s.slack, &s.treeAlong,
        &s.first, &s.pieceLen, &s.own, &s.need, &s.childTop, &s.childNext}) {
    releaseLarge(*v);
  }
  releaseLarge(s.arcs);
  for (auto* v : {&s.treeVia, &s.treeParent, &s.treeOrder, &s.firstOrder}) {
    releaseLarge(*v);
  }
  releaseLarge(s.failedAt);
  releaseLarge(s.failedAnyAt);
  for (auto* v : {&s.pinNode, &s.start, &s.via, &s.parent, &s.order, &s.touched,
                  &s.viaReach, &s.enter, &s.leave, &s.degree, &s.stack,
                  &s.candidates, &s.walk, &s.origin, &s.keptPieces}) {
    releaseLarge(*v);
  }
  for (auto* v : {&s.in, &s.onTree, &s.pinAt, &s.mark, &s.treeIn, &s.bestIn}) {
    releaseLarge(*v);
  }
  releaseLarge(s.heap);
  s.arbor = ArborescenceScratch();
  releaseLarge(s.arborIn);
  releaseLarge(s.breaks);
  for (auto* v : {&s.h, &s.v}) {
    releaseLarge(*v);
  }
  releaseLarge(s.plan.nodes);
  releaseLarge(s.plan.pieces);
  s.lines = LinePlanScratch();
  releaseWhole(s);
}

// Moves p, with everything beyond it, from the branch that runs up to a
// onto the way the last search found from p to w, which meets the tree
// at w alone: the branch's nodes leave the tree, the way's join it, and
// the ways beyond p change by one amount.
void rehang(Graph& g, PathBoundScratch& s, int p, int a, int w) {
  double before = s.along[p];
  for (int u = p; u != a; u = s.parent[u]) {
    s.in[s.via[u]] = 0;
  }
  for (int u = s.parent[p]; u != a;) {
    int up = s.parent[u];
    s.along[u] = kInf;
    s.parent[u] = s.via[u] = -1;
    s.degree[u] = 0;
    s.mark[u] = 0;
    u = up;
  }
  --s.degree[a];
  ++s.degree[w];
  // The way from w: viaReach leads each node back towards p.
  for (int u = w; u != p;) {
    int k = s.viaReach[u];
    s.in[k] = 1;
    auto [x, y] = g.plan.pieces[k];
    int v = x == u ? y : x;
    s.parent[v] = u;
    s.via[v] = k;
    s.along[v] = s.along[u] + s.pieceLen[k];
    if (v != p) {
      s.degree[v] = 2;
    }
    u = v;
  }
  if (s.along[p] == before) {
    return;
  }
  std::vector<int>& stack = s.stack;
  stack.assign(1, p);
  while (!stack.empty()) {
    int u = stack.back();
    stack.pop_back();
    for (int e = s.start[u]; e < s.start[u + 1]; ++e) {
      const PathArc& arc = s.arcs[e];
      int k = arc.piece;
      int v = arc.to;
      if (s.in[k] && k != s.via[u]) {
        s.along[v] = s.along[u] + arc.len;
        stack.push_back(v);
      }
    }
  }
}

// The shallow-light tree from the pieces marked in: the walk round them
// from the first pin, where a pin lies past (1 + triggerEps) times its
// distance (at most its bound), joins it from the
// nearest point of the wire whose way brings it within (1 + joinEps)
// times its distance (through any point: the cycles go with the
// shortest-path tree taken after each join), then passes of branch moves
// (kPasses per level of effort). Nearest first, with no allowance, the pins
// past the bound make a shortest-path tree that shares what it can: each joins
// the point farthest from the first pin on a shortest route to it.
void shallowLight(Graph& g,
                  PathBoundScratch& s,
                  double joinEps,
                  bool nearestFirst,
                  double triggerEps,
                  int effort) {
  if (keepShortestTree(g, s)) {
    g.treeFromRoot();
  }
  walkOrder(g, s, s.walk);
  if (nearestFirst) {
    std::stable_sort(s.walk.begin(), s.walk.end(), [&](int a, int b) {
      return s.shortest[a] < s.shortest[b];
    });
  }
  int root = s.pinNode[0];
  s.mark.assign(g.nodes(), 0);  // the branch being moved
  for (int i : s.walk) {
    int p = s.pinNode[i];
    double b = boundOf(triggerEps, s.shortest[i]);
    if (p < 0 || !std::isfinite(b) || s.along[p] <= b) {
      continue;
    }
    // The pin goes with everything beyond it; the branch above it, up to
    // the nearest pin or fork, served only them and goes.
    int a = s.parent[p];
    while (a != root && !s.pinAt[a] && s.degree[a] == 2) {
      s.mark[a] = 1;
      a = s.parent[a];
    }
    double join = boundOf(joinEps, s.shortest[i]);
    auto take = [&](int u, double d) {
      return !s.mark[u] && s.along[u] + d <= join;
    };
    // First a way that meets the tree only where it joins, which keeps the
    // tree a tree; else any (the first pin's route always is one).
    int w = g.search(p, join, join, take, [&](int u) {
      return s.mark[u] || !std::isfinite(s.along[u]);
    });
    if (w >= 0) {
      rehang(g, s, p, a, w);
      continue;
    }
    w = g.search(p, join, join, take, [](int) { return true; });
    for (int u = p; u != a; u = s.parent[u]) {
      s.mark[u] = 0;
      if (w >= 0) {
        s.in[s.via[u]] = 0;
      }
    }
    if (w >= 0) {
      g.takeWay(w);
      g.fromRoot();
      if (keepShortestTree(g, s)) {
        g.treeFromRoot();
      }
    }
  }
  // Moves from the branch's foot until none moves, then (on nets of many
  // pins) one pass that may hang each subtree from any of its points, and
  // so on.
  bool fromAny = false;
  bool walked = false;
  for (int r = 0; r < kPasses * effort; ++r) {
    if (moveBranches(g, s, fromAny, walked)) {
      fromAny = false;
    } else if (fromAny || s.pinNode.size() < kManyPins) {
      break;
    } else {
      fromAny = true;
    }
  }
}

// A start grown from the first pin alone, nearest first: each pin in turn
// (the one whose join is shortest) joins the nearest point of the tree so
// far whose way keeps it within (1 + joinEps) times its distance, through
// points off the tree (failing that, through any: the shortest-path tree
// of the union is then kept). Leaves the tree's pieces marked in, along
// measured over them; pins that a way passes may break the bound, for the
// walk to mend.
void growFromRoot(Graph& g, PathBoundScratch& s, double joinEps) {
  size_t n = g.nodes();
  int root = s.pinNode[0];
  std::fill(s.in.begin(), s.in.end(), 0);
  s.along.assign(n, kInf);
  s.onTree.assign(n, 0);
  s.along[root] = 0;
  s.onTree[root] = 1;
  // (join length so far, pin): a join only gets shorter as the tree grows.
  std::vector<std::pair<double, int>> queue;
  for (size_t i = 1; i < s.pinNode.size(); ++i) {
    if (s.pinNode[i] >= 0 && std::isfinite(s.bound[i])) {
      queue.push_back({boundOf(joinEps, s.shortest[i]), static_cast<int>(i)});
    }
  }
  std::make_heap(queue.begin(), queue.end(), std::greater<>());
  while (!queue.empty()) {
    std::pop_heap(queue.begin(), queue.end(), std::greater<>());
    auto [key, i] = queue.back();
    queue.pop_back();
    int p = s.pinNode[i];
    if (s.onTree[p]) {
      continue;
    }
    double join = boundOf(joinEps, s.shortest[i]);
    auto take = [&](int u, double d) {
      return s.onTree[u] && s.along[u] + d <= join;
    };
    int w = g.search(p, key, join, take, [&](int u) { return !s.onTree[u]; });
    if (w < 0 && key < join) {
      w = g.search(p, join, join, take, [&](int u) { return !s.onTree[u]; });
    }
    if (w >= 0 && !queue.empty() && s.reach[w] > queue.front().first) {
      queue.push_back({s.reach[w], i});
      std::push_heap(queue.begin(), queue.end(), std::greater<>());
      continue;
    }
    if (w >= 0) {
      for (int u = w; u != p;) {
        int k = s.viaReach[u];
        s.in[k] = 1;
        auto [x, y] = g.plan.pieces[k];
        int v = x == u ? y : x;
        s.along[v] = s.along[u] + s.pieceLen[k];
        s.onTree[v] = 1;
        u = v;
      }
      continue;
    }
    w = g.search(p, join, join, take, [](int) { return true; });
    if (w >= 0) {
      g.takeWay(w);
      g.fromRoot();
      if (keepShortestTree(g, s)) {
        g.treeFromRoot();
      }
      for (size_t u = 0; u < n; ++u) {
        s.onTree[u] = std::isfinite(s.along[u]);
      }
    }
  }
}

// EscapeGraph::shortestTree's tree of shortest routes, over the crossings
// metGrid searched (its lists in the scratch): each pin's place, in the
// order reached, back along the steps that lie on a shortest route
// (farthest from the first pin first, ties to the higher place) to the
// first point of the tree so far. Leaves the routes' wires in s.wires
// (each route's bends only); false where a route met no point of the tree
// (lengths summed in other orders), with s.wires to be dropped.
bool routeTree(const WirePlan& plan, int root, PathBoundScratch& s) {
  size_t n = plan.nodes.size();
  const std::vector<double>& dist = s.metDist;
  std::vector<char>& onTree = s.metTree;
  onTree.assign(n, 0);
  onTree[root] = 1;
  std::vector<int>& toward = s.metFill;  // likewise
  toward.assign(n, -1);
  std::vector<int>& seen = s.touched;
  seen.clear();
  auto& back = s.heap;
  s.wires.clear();
  std::vector<RoutePoint>& pts = s.metPts;
  for (int p : s.metReached) {
    if (onTree[p]) {
      continue;
    }
    for (int u : seen) {
      toward[u] = -1;
    }
    seen.assign(1, p);
    toward[p] = p;
    // Farthest first, ties to the higher place: the queue holds the keys
    // complemented, which reverses their order.
    back.assign(1, ~queueKey(dist[p], p));
    int found = -1;
    while (!back.empty()) {
      auto [len, here] = queueEntry(~queuePopKey(back));
      if (onTree[here]) {
        found = here;
        break;
      }
      for (int e = s.metStart[here]; e < s.metStart[here + 1]; ++e) {
        int u = s.metNext[e];
        if (!std::isfinite(dist[u]) || toward[u] >= 0) {
          continue;
        }
        double gap = len - dist[u];
        double piece = span(plan.nodes[here], plan.nodes[u]);
        if (std::fabs(gap - piece) > 1e-9 * std::max(1.0, len)) {
          continue;
        }
        toward[u] = here;
        seen.push_back(u);
        queuePush(back, ~queueKey(dist[u], u));
      }
    }
    if (found < 0) {
      return false;
    }
    pts.assign(1, plan.nodes[found]);
    for (int u = found; u != p;) {
      int v = toward[u];
      onTree[v] = 1;
      const RoutePoint& w = plan.nodes[v];
      if (pts.size() >= 2) {
        const RoutePoint& q = pts[pts.size() - 2];
        const RoutePoint& r = pts.back();
        if ((q.x == r.x && r.x == w.x) || (q.y == r.y && r.y == w.y)) {
          pts.back() = w;
          u = v;
          continue;
        }
      }
      pts.push_back(w);
      u = v;
    }
    addRoute(s.wires, pts);
  }
  return true;
}

// The part of the escape graph that its search from the first pin to every
// pin meets (EscapeGraph::shortestTree's grid), from the graph's lines
// planned whole: the same search, over flat arrays, between the points
// where lines cross (the graph's nodes), in the same order (by length,
// then place), stopping once every pin's place is reached. Where it met
// at most kGridNodes points, leaves the distances in shortest, every step
// between two points met in s.h and s.v (after what they held) and grid
// empty, and returns true; else false, with s.h and s.v as they were.
bool metGrid(const std::vector<RoutePoint>& pins,
             const ObstacleIndex& index,
             PathBoundScratch& s) {
  if (!EscapeGraph(index, true).lines(pins, kWholeCrossings, s.grid, true)) {
    return false;
  }
  std::vector<LineStretch>& h = s.metH;
  std::vector<LineStretch>& v = s.metV;
  h.clear();
  v.clear();
  for (auto [p, q] : s.grid) {
    if (p.y == q.y && p.x != q.x) {
      h.push_back({p.y, std::min(p.x, q.x), std::max(p.x, q.x), false});
    } else if (p.x == q.x && p.y != q.y) {
      v.push_back({p.x, std::min(p.y, q.y), std::max(p.y, q.y), false});
    }
  }
  WirePlan& plan = s.metPlan;
  std::vector<int>& runs = s.metRuns;
  planLines(h, v, pins, plan, nullptr, s.lines, &runs);
  size_t n = plan.nodes.size();
  // A node is a crossing where it lies on runs of both axes (a run's first
  // two nodes tell its axis); the search steps from crossing to crossing.
  std::vector<char>& on = s.metOn;
  on.assign(n, 0);
  for (size_t k = 0; k + 1 < runs.size(); ++k) {
    char axis = plan.nodes[runs[k]].y == plan.nodes[runs[k + 1]].y ? 1 : 2;
    for (; runs[k] >= 0; ++k) {
      on[runs[k]] |= axis;
    }
  }
  // So are the pins' places: a pin's own lines stop the steps there, even
  // one of no length.
  for (const RoutePoint& p : pins) {
    int u = nodeOf(plan, p);
    if (u >= 0) {
      on[u] = 3;
    }
  }
  std::vector<int>& start = s.metStart;
  std::vector<int>& next = s.metNext;
  start.assign(n + 1, 0);
  auto steps = [&](auto&& step) {
    int last = -1;
    for (int u : runs) {
      if (u < 0) {
        last = -1;
      } else if (on[u] == 3) {
        if (last >= 0) {
          step(last, u);
        }
        last = u;
      }
    }
  };
  steps([&](int a, int b) {
    ++start[a + 1];
    ++start[b + 1];
  });
  for (size_t u = 0; u < n; ++u) {
    start[u + 1] += start[u];
  }
  next.resize(start[n]);
  std::vector<int>& fill = s.metFill;
  fill.assign(start.begin(), start.end() - 1);
  steps([&](int a, int b) {
    next[fill[a]++] = b;
    next[fill[b]++] = a;
  });
  auto nodeAt = [&](const RoutePoint& p) {
    int u = nodeOf(plan, p);
    return u >= 0 && on[u] == 3 ? u : -1;
  };
  int root = nodeAt(pins[0]);
  if (root < 0) {
    return false;
  }
  std::vector<double>& dist = s.metDist;
  dist.assign(n, kInf);
  std::vector<char>& wanted = s.metWanted;
  wanted.assign(n, 0);
  size_t left = 0;
  for (const RoutePoint& p : pins) {
    int u = nodeAt(p);
    if (u >= 0 && !wanted[u]) {
      wanted[u] = 1;
      ++left;
    }
  }
  // Ties go to the lower node, which is the lower place (x, then y); the
  // queue pops (length, node) in that order as a binary heap would.
  size_t met = 1;
  s.metReached.clear();
  auto& heap = s.heap;
  heap.clear();
  dist[root] = 0;
  heap.push_back(queueKey(0, root));
  while (!heap.empty() && left > 0) {
    auto [d, u] = queuePop(heap);
    if (d != dist[u]) {
      continue;
    }
    if (wanted[u]) {
      wanted[u] = 0;
      --left;
      s.metReached.push_back(u);
    }
    for (int e = start[u]; e < start[u + 1]; ++e) {
      int w = next[e];
      double nd = d + span(plan.nodes[u], plan.nodes[w]);
      if (nd < dist[w]) {
        met += dist[w] == kInf;
        dist[w] = nd;
        queuePush(heap, nd, w);
      }
    }
  }
  if (met > kGridNodes && !routeTree(plan, root, s)) {
    return false;
  }
  s.shortest.assign(pins.size(), kInf);
  for (size_t i = 0; i < pins.size(); ++i) {
    int u = nodeAt(pins[i]);
    if (u >= 0 && wanted[u] == 0 && std::isfinite(dist[u])) {
      s.shortest[i] = dist[u];
    }
  }
  if (met > kGridNodes) {
    addStretches(s.wires, false, s.h, s.v);
    s.grid.clear();
    return true;
  }
  steps([&](int a, int b) {
    if (std::isfinite(dist[a]) && std::isfinite(dist[b])) {
      const RoutePoint& p = plan.nodes[a];
      const RoutePoint& q = plan.nodes[b];
      if (p.y == q.y) {
        s.h.push_back({p.y, std::min(p.x, q.x), std::max(p.x, q.x), false});
      } else {
        s.v.push_back({p.x, std::min(p.y, q.y), std::max(p.y, q.y), false});
      }
    }
  });
  s.grid.clear();
  return true;
}

// The pieces marked in as cleanWires would draw them, straight from the
// graph, where they make a forest whose every end is a pin: no piece then
// goes (no cycle, no bare end) and pieces meet only at nodes, so each wire
// is a straight run through nodes of two pieces that hold no pin, drawn
// from its lower end (x, then y) and sorted so. False, with out untouched,
// for any other set of pieces.
bool forestWires(const Graph& g, PathBoundScratch& s, std::vector<Wire>& out) {
  size_t n = g.nodes();
  const WirePlan& plan = g.plan;
  std::vector<int>& degree = s.degree;
  degree.assign(n, 0);
  std::vector<int>& kept = s.keptPieces;
  kept.clear();
  // Read through pointers: pushes and stores through a char would have
  // the lists' places read again after each.
  const char* in = s.in.data();
  const std::pair<int, int>* pieces = plan.pieces.data();
  int* degreeAt = degree.data();
  for (size_t k = nextSet(in, nullptr, 0, plan.pieces.size()),
              end = plan.pieces.size();
       k < end; k = nextSet(in, nullptr, k + 1, end)) {
    ++degreeAt[pieces[k].first];
    ++degreeAt[pieces[k].second];
    kept.push_back(static_cast<int>(k));
  }
  // A forest: as many pieces as nodes on them less its parts.
  std::vector<char>& seen = s.mark;
  seen.assign(n, 0);
  char* met = seen.data();
  const char* pinAt = s.pinAt.data();
  const int* start = s.start.data();
  const PathArc* arcs = s.arcs.data();
  std::vector<int>& stack = s.stack;
  size_t used = 0, parts = 0;
  for (int k : kept) {
    for (int u : {pieces[k].first, pieces[k].second}) {
      if (met[u]) {
        continue;
      }
      ++parts;
      met[u] = 1;
      stack.assign(1, u);
      while (!stack.empty()) {
        int x = stack.back();
        stack.pop_back();
        ++used;
        if (degreeAt[x] == 1 && !pinAt[x]) {
          return false;
        }
        for (int e = start[x], end = start[x + 1]; e < end; ++e) {
          int y = arcs[e].to;
          if (in[arcs[e].piece] && !met[y]) {
            met[y] = 1;
            stack.push_back(y);
          }
        }
      }
    }
  }
  if (kept.size() + parts != used) {
    return false;
  }
  auto horizontal = [&](int k) {
    return plan.nodes[plan.pieces[k].first].y ==
           plan.nodes[plan.pieces[k].second].y;
  };
  // The other piece at a node a straight run passes through, or -1.
  auto passOn = [&](int u, int k) {
    if (degree[u] != 2 || s.pinAt[u]) {
      return -1;
    }
    for (int e = s.start[u]; e < s.start[u + 1]; ++e) {
      int q = s.arcs[e].piece;
      if (s.in[q] && q != k) {
        return horizontal(q) == horizontal(k) ? q : -1;
      }
    }
    return -1;
  };
  auto other = [&](int k, int u) {
    return plan.pieces[k].first == u ? plan.pieces[k].second
                                     : plan.pieces[k].first;
  };
  std::vector<char>& done = s.pieceDone;
  done.assign(plan.pieces.size(), 0);
  out.clear();
  out.reserve(kept.size());  // at most a wire a piece
  for (int k0 : kept) {
    if (done[k0]) {
      continue;
    }
    int ends[2];
    for (int side = 0; side < 2; ++side) {
      int k = static_cast<int>(k0);
      int u = side == 0 ? plan.pieces[k].first : plan.pieces[k].second;
      for (int q = passOn(u, k); q >= 0; q = passOn(u, k)) {
        done[q] = 1;
        u = other(q, u);
        k = q;
      }
      ends[side] = u;
    }
    done[k0] = 1;
    // The plan's nodes come in order of place (x, then y).
    const RoutePoint& a = plan.nodes[std::min(ends[0], ends[1])];
    const RoutePoint& b = plan.nodes[std::max(ends[0], ends[1])];
    out.push_back({a.x, a.y, b.x, b.y});
  }
  std::sort(out.begin(), out.end(), [](const Wire& a, const Wire& b) {
    return std::tie(a.x1, a.y1, a.x2, a.y2) < std::tie(b.x1, b.y1, b.x2, b.y2);
  });
  return true;
}

bool bound(const std::vector<RoutePoint>& pins,
           const ObstacleIndex& index,
           const std::vector<Wire>& tree,
           double eps,
           std::vector<Wire>& out,
           bool always,
           int effort,
           PathBoundScratch& s) {
  if (pins.size() < 2) {
    return false;
  }
  // The graph's lines drawn with the tree where they cross in few points:
  // every search is then one over that plan. Else one search over the
  // graph gives the distances and a tree of shortest routes, drawn with
  // the graph round the first pin where that is small.
  bool drawn = EscapeGraph(index, true).lines(pins, kLineCrossings, s.grid);
  s.h.clear();
  s.v.clear();
  addStretches(tree, true, s.h, s.v);
  if (!drawn && !metGrid(pins, index, s)) {
    EscapeGraph graph(index);
    graph.shortestTree(pins[0], pins, s.shortest, s.routes, &s.grid,
                       kGridNodes);
    s.wires.clear();
    for (const auto& r : s.routes) {
      addRoute(s.wires, r);
    }
    addStretches(s.wires, false, s.h, s.v);
  }
  for (auto [p, q] : s.grid) {
    if (p.y == q.y && p.x != q.x) {
      s.h.push_back({p.y, std::min(p.x, q.x), std::max(p.x, q.x), false});
    } else if (p.x == q.x && p.y != q.y) {
      s.v.push_back({p.x, std::min(p.y, q.y), std::max(p.y, q.y), false});
    }
  }
  // The pieces on the tree come marked from the plan.
  planLines(s.h, s.v, pins, s.plan, &s.treeIn, s.lines);
  Graph g(s, pins);
  if (s.pinNode[0] < 0) {
    return false;
  }
  s.in.assign(g.plan.pieces.size(), 1);
  g.fromRootOverAll();
  // Taken, not copied: the next search sets along and order afresh.
  std::swap(s.first, s.along);
  std::swap(s.firstOrder, s.order);
  if (drawn) {
    s.shortest.resize(pins.size());
    for (size_t i = 0; i < pins.size(); ++i) {
      int v = s.pinNode[i];
      s.shortest[i] = v >= 0 ? s.first[v] : kInf;
    }
  }
  s.bound.resize(pins.size());
  for (size_t i = 0; i < pins.size(); ++i) {
    s.bound[i] = boundOf(eps, s.shortest[i]);
  }
  s.in = s.treeIn;
  // The tree's wire seldom crosses itself: its ways are then walked.
  if (!g.treeFromRoot()) {
    g.fromRoot();
  }
  if (!always && allWithin(s)) {
    return false;
  }
  // Starts that join a pin past the bound with less of its allowance
  // leave more to the pins beyond it; the shortest tree wins, the first
  // on a tie, so that more effort never gives a longer one. The second
  // moves every pin off its shortest way, so that its tree relaxes a
  // shortest-path tree, which keeps every bound: a larger bound seldom
  // gives a longer tree.
  struct Start {
    double join;  // the allowance of a pin's new way, times eps
    bool nearestFirst;
    double trigger;  // a pin moves past (1 + trigger * eps) its distance
  };
  const Start kStarts[] = {{1, false, 1},
                           {0, true, 0},
                           {0, false, 1},
                           {0.5, false, 1},
                           {0.5, true, 1}};
  // At level 1 the tree's own start alone: the second, which relaxes a
  // shortest-path tree, costs twice the first on small nets and on a
  // design's nets seldom wins by much (0.03 % of their length).
  size_t starts =
      effort < 2 ? 1 : std::min<size_t>(std::size(kStarts), 1 + effort);
  // Every start but the grown and the arborescence sets out from these
  // ways over the tree: kept, not searched again (the first uses them as
  // they are).
  if (starts > 1) {
    s.treeAlong = s.along;
    s.treeVia = s.via;
    s.treeParent = s.parent;
    s.treeOrder = s.order;
  }
  double best = kInf;
  // On nets of many pins, a start grown from the first pin alone; below
  // kBreakStartPins also the tree with a Steiner arborescence over the
  // pins it leaves past their bound (so that their shortest routes run
  // together rather than each on its own), whose shortest-path tree keeps
  // what of the tree still serves.
  size_t grown = pins.size() < kManyPins         ? 0
                 : pins.size() < kBreakStartPins ? 2
                                                 : 1;
  // Below kBreakStartPins the broken pins' arborescence wins where the
  // grown start would: that one waits for level 2.
  bool growTree = grown > 0 && (effort >= 2 || grown == 1);
  ArborescenceScratch& arbor = s.arbor;
  std::vector<char>& arborIn = s.arborIn;
  std::vector<int>& breaks = s.breaks;
  breaks.clear();
  if (grown > 1) {
    breaks.push_back(s.pinNode[0]);
    for (size_t i = 1; i < pins.size(); ++i) {
      int v = s.pinNode[i];
      if (v >= 0 && std::isfinite(s.bound[i]) && !(s.along[v] <= s.bound[i])) {
        breaks.push_back(v);
      }
    }
  }
  // And one whose routes run together as far out as they can: a Steiner
  // arborescence, every pin at its distance and its branches ending at
  // pins, a tree the bound admits as it is. From effort 2 the moves relax
  // it; below, their work on it (a fifth more time on a design's nets)
  // seldom pays.
  for (size_t k = 0; k < starts + grown + 1; ++k) {
    s.in = s.treeIn;
    if (k == starts + grown) {
      steinerArborescence({s.start, s.arcs, s.pieceLen}, s.first, s.pinNode,
                          arborIn, arbor, &s.firstOrder);
      // The tree's pieces off the first pin's reach stay (few pieces are
      // the tree's: their mark is read first).
      char* in = s.in.data();
      const char* arborOn = arborIn.data();
      const double* first = s.first.data();
      const std::pair<int, int>* pieces = g.plan.pieces.data();
      // Where neither is set the piece stays out.
      for (size_t q = nextSet(in, arborOn, 0, g.plan.pieces.size()),
                  end = g.plan.pieces.size();
           q < end; q = nextSet(in, arborOn, q + 1, end)) {
        in[q] = static_cast<char>(
            arborOn[q] || (in[q] && !std::isfinite(first[pieces[q].first])));
      }
    } else if (k == starts + 1) {
      steinerArborescence({s.start, s.arcs, s.pieceLen}, s.first, breaks,
                          arborIn, arbor, &s.firstOrder);
      for (size_t q = 0; q < g.plan.pieces.size(); ++q) {
        s.in[q] = static_cast<char>(arborIn[q] || s.in[q]);
      }
    } else if (k == starts) {
      if (!growTree) {
        continue;
      }
      growFromRoot(g, s, eps);
    }
    const Start& start = kStarts[k < starts ? k : 0];
    if (k < starts + grown || effort >= 2) {
      if (k >= starts) {
        g.fromRoot();
      } else if (k > 0) {  // the first finds them as they were left
        s.along = s.treeAlong;
        s.via = s.treeVia;
        s.parent = s.treeParent;
        s.order = s.treeOrder;
      }
      shallowLight(g, s, eps * start.join, start.nearestFirst,
                   eps * start.trigger, effort);
    }
    // Read through pointers, the pieces out of the tree skipped: the same
    // sum as adding their zeros.
    double len = 0;
    const char* in = s.in.data();
    const double* pieceLen = s.pieceLen.data();
    for (size_t q = nextSet(in, nullptr, 0, g.plan.pieces.size()),
                end = g.plan.pieces.size();
         q < end; q = nextSet(in, nullptr, q + 1, end)) {
      len += pieceLen[q];
    }
    if (len < best * (1 - kSlack)) {
      best = len;
      s.bestIn = s.in;
    }
  }
  s.in = s.bestIn;
  refineBoundedTree({s.start, s.arcs, s.pieceLen}, g.plan.nodes, s.pinNode,
                    s.bound, s.first, s.in, effort, s.refine);
  if (forestWires(g, s, out)) {
    return true;
  }
  s.kept.clear();
  for (size_t k = 0; k < g.plan.pieces.size(); ++k) {
    if (s.in[k]) {
      const RoutePoint& a = g.plan.nodes[g.plan.pieces[k].first];
      const RoutePoint& c = g.plan.nodes[g.plan.pieces[k].second];
      s.kept.push_back({a.x, a.y, c.x, c.y});
    }
  }
  out = cleanWires(s.kept, pins, s.planning);
  return true;
}

}  // namespace

namespace {

// keepsRectilinearBound without a plan, where the wires are few and meet
// only where one ends (no crossing, no overlap), and the first pin's part
// holds no cycle: each wire cut at its ends, where others meet it and at
// the pins on it gives the plan's pieces, and a walk from the first pin
// the plan's sums. -1 where that does not hold, for the plan to decide;
// the trees of small nets do, at a fraction of a plan's work.
int fewWiresKeepBound(const std::vector<RoutePoint>& pins,
                      const std::vector<Wire>& tree,
                      double eps) {
  constexpr int kMost = 32;
  if (tree.size() > static_cast<size_t>(kMost) ||
      pins.size() > static_cast<size_t>(kMost)) {
    return -1;
  }
  // Each wire as its line and its span's ends, the horizontal first; a
  // point makes no piece, as in the plan.
  struct Run {
    float line, lo, hi;
  };
  Run run[kMost];
  int nh = 0, w = 0;
  for (int across : {1, 0}) {
    for (const Wire& t : tree) {
      if (across && t.y1 == t.y2 && t.x1 != t.x2) {
        run[w++] = {t.y1, std::min(t.x1, t.x2), std::max(t.x1, t.x2)};
      } else if (!across && t.x1 == t.x2 && t.y1 != t.y2) {
        run[w++] = {t.x1, std::min(t.y1, t.y2), std::max(t.y1, t.y2)};
      }
    }
    nh = across ? w : nh;
  }
  for (auto [from, to] : {std::pair{0, nh}, std::pair{nh, w}}) {
    for (int i = from; i < to; ++i) {
      for (int j = i + 1; j < to; ++j) {
        if (run[i].line == run[j].line &&
            std::max(run[i].lo, run[j].lo) < std::min(run[i].hi, run[j].hi)) {
          return -1;
        }
      }
    }
  }
  // The places along each wire where it is cut: its ends, where a wire of
  // the other axis meets it (at most one place each) and the pins inside.
  constexpr int kCuts = 2 * kMost + 2;
  float cut[kMost][kCuts];
  int cuts[kMost];
  for (int r = 0; r < w; ++r) {
    cut[r][0] = run[r].lo;
    cut[r][1] = run[r].hi;
    cuts[r] = 2;
  }
  for (int i = 0; i < nh; ++i) {
    const Run& a = run[i];
    for (int j = nh; j < w; ++j) {
      const Run& b = run[j];
      if (b.line < a.lo || a.hi < b.line || a.line < b.lo || b.hi < a.line) {
        continue;
      }
      if (a.lo < b.line && b.line < a.hi && b.lo < a.line && a.line < b.hi) {
        return -1;
      }
      cut[i][cuts[i]++] = b.line;
      cut[j][cuts[j]++] = a.line;
    }
  }
  bool pinOn[kMost];
  for (size_t i = 0; i < pins.size(); ++i) {
    float x = pins[i].x, y = pins[i].y;
    pinOn[i] = false;
    for (int r = 0; r < w && !pinOn[i]; ++r) {
      float line = r < nh ? y : x, place = r < nh ? x : y;
      if (line == run[r].line && run[r].lo <= place && place <= run[r].hi) {
        pinOn[i] = true;
        cut[r][cuts[r]++] = place;
      }
    }
  }
  if (!pinOn[0]) {
    return -1;
  }
  // The nodes by place, through a small table (zeros of either sign one).
  constexpr int kNodes = 3 * kMost;
  // At most half full, and no larger: small nets' trees are a few wires.
  constexpr uint32_t kSlots = 256;
  int shift = 27;
  while ((1u << (32 - shift)) < 2 * (2 * static_cast<uint32_t>(w) +
                                     static_cast<uint32_t>(pins.size()))) {
    --shift;
  }
  const uint32_t mask = (1u << (32 - shift)) - 1;
  int slot[kSlots];
  std::fill(slot, slot + mask + 1, -1);
  float nx[kNodes], ny[kNodes];
  int n = 0;
  auto node = [&](float x, float y) {
    x += 0.0f;
    y += 0.0f;
    uint32_t a, b;
    std::memcpy(&a, &x, sizeof a);
    std::memcpy(&b, &y, sizeof b);
    uint32_t h = ((a * 0x9E3779B1u) ^ (b * 0x85EBCA77u)) >> shift;
    for (;; h = (h + 1) & mask) {
      int u = slot[h];
      if (u < 0) {
        nx[n] = x;
        ny[n] = y;
        slot[h] = n;
        return n++;
      }
      if (nx[u] == x && ny[u] == y) {
        return u;
      }
    }
  };
  // Each wire's cuts in their order make its pieces; each node's
  // neighbours then come by a count per node.
  constexpr int kPieces = kMost * kCuts;
  int ends[kPieces][2];
  int m = 0;
  int degree[kNodes + 1] = {};
  for (int r = 0; r < w; ++r) {
    float* c = cut[r];
    for (int k = 1; k < cuts[r]; ++k) {
      float place = c[k];
      int j = k;
      for (; j > 0 && c[j - 1] > place; --j) {
        c[j] = c[j - 1];
      }
      c[j] = place;
    }
    int last = -1;
    for (int k = 0; k < cuts[r]; ++k) {
      if (k > 0 && c[k] == c[k - 1]) {
        continue;
      }
      int u = r < nh ? node(c[k], run[r].line) : node(run[r].line, c[k]);
      if (last >= 0) {
        ends[m][0] = last;
        ends[m][1] = u;
        ++degree[last + 1];
        ++degree[u + 1];
        ++m;
      }
      last = u;
    }
  }
  int pinNode[kMost];
  for (size_t i = 0; i < pins.size(); ++i) {
    pinNode[i] = pinOn[i] ? node(pins[i].x, pins[i].y) : -1;
  }
  for (int u = 0; u < n; ++u) {
    degree[u + 1] += degree[u];
  }
  int fill[kNodes];
  int next[2 * kPieces];
  for (int u = 0; u < n; ++u) {
    fill[u] = degree[u];
  }
  for (int e = 0; e < m; ++e) {
    next[fill[ends[e][0]]++] = ends[e][1];
    next[fill[ends[e][1]]++] = ends[e][0];
  }
  double along[kNodes];
  int parent[kNodes];
  std::fill(along, along + n, kInf);
  int stack[kNodes];
  int top = 0;
  stack[top++] = pinNode[0];
  along[pinNode[0]] = 0;
  parent[pinNode[0]] = -1;
  while (top > 0) {
    int u = stack[--top];
    for (int e = degree[u]; e < degree[u + 1]; ++e) {
      int v = next[e];
      if (v == parent[u]) {
        continue;
      }
      if (along[v] != kInf) {
        return -1;  // a cycle: the shortest way decides
      }
      along[v] = along[u] + span({nx[u], ny[u]}, {nx[v], ny[v]});
      parent[v] = u;
      stack[top++] = v;
    }
  }
  for (size_t i = 1; i < pins.size(); ++i) {
    int v = pinNode[i];
    double b = boundOf(eps, span(pins[i], pins[0]));
    if (v < 0 ? b > 0 || !(pins[i] == pins[0]) : !(along[v] <= b)) {
      return 0;
    }
  }
  return 1;
}

}  // namespace

bool keepsRectilinearBound(const std::vector<RoutePoint>& pins,
                           const std::vector<Wire>& tree,
                           double eps,
                           PathBoundScratch& s) {
  if (pins.size() < 2) {
    return true;
  }
  if (s.fewWires) {
    if (int kept = fewWiresKeepBound(pins, tree, eps); kept >= 0) {
      return kept > 0;
    }
  }
  Graph g = wireGraph(s, tree, pins);
  s.in.assign(g.plan.pieces.size(), 1);
  if (!g.treeFromRoot()) {
    g.fromRootOverAll();
  }
  for (size_t i = 1; i < pins.size(); ++i) {
    int v = s.pinNode[i];
    double b = boundOf(eps, span(pins[i], pins[0]));
    if (v < 0 ? b > 0 || !(pins[i] == pins[0]) : !(s.along[v] <= b)) {
      return false;
    }
  }
  return true;
}

std::vector<double> wireDistances(const std::vector<Wire>& wires,
                                  const std::vector<RoutePoint>& pins) {
  PathBoundScratch s;
  Graph g = wireGraph(s, wires, pins);
  s.in.assign(g.plan.pieces.size(), 1);
  g.fromRootOverAll();
  std::vector<double> out;
  for (size_t i = 0; i < s.pinNode.size(); ++i) {
    int v = s.pinNode[i];
    out.push_back(v >= 0 ? s.along[v] : i == 0 ? 0 : kInf);
  }
  return out;
}

bool boundPathTree(const std::vector<RoutePoint>& pins,
                   const ObstacleIndex& index,
                   const std::vector<Wire>& tree,
                   double eps,
                   std::vector<Wire>& out,
                   bool always,
                   int effort,
                   PathBoundScratch& scratch) {
  bool done = bound(pins, index, tree, eps, out, always, effort, scratch);
  if (scratch.pinNode.size() > 4096) {
    release(scratch);
  } else if (scratch.metPlan.nodes.size() > 65536) {
    releaseWhole(scratch);
    scratch.lines = LinePlanScratch();
  }
  return done;
}

bool boundPathTree(const std::vector<RoutePoint>& pins,
                   const ObstacleIndex& index,
                   const std::vector<Wire>& tree,
                   double eps,
                   std::vector<Wire>& out,
                   bool always) {
  PathBoundScratch scratch;
  if (!always && keepsRectilinearBound(pins, tree, eps, scratch)) {
    return false;
  }
  return boundPathTree(pins, index, tree, eps, out, always, 1, scratch);
}
