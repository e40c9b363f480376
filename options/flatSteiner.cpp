#include "options/flatSteiner.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <tuple>

#include "options/flatTableData.h"
#include "options/positionSequence.h"

namespace {

using positionSequence::kAlongY;
using positionSequence::kCorner;
using positionSequence::kMaxPins;
using positionSequence::Part;
using positionSequence::Seq;

// A list of fields of Bits bits (16, 32 or 64) packed into words from the
// low end, as flatTableGen writes them, read in place. The width is the
// type's: shifts and masks by constants, no division, on the solver's hot
// path.
template <int Bits>
class Fields {
  static_assert(Bits == 16 || Bits == 32 || Bits == 64, "a power of two");
  static const int kPerShift = Bits == 16 ? 2 : Bits == 32 ? 1 : 0;

 public:
  Fields() = default;
  Fields(const std::uint64_t*& at, size_t count) : at_(at) {
    size_t per = size_t{1} << kPerShift;
    at += (count + per - 1) / per;
  }

  // The words themselves, for a list of 64-bit fields.
  const std::uint64_t* words() const { return at_; }

  std::uint64_t operator[](size_t i) const {
    std::uint64_t w = at_[i >> kPerShift];
    unsigned slot = static_cast<unsigned>(i & ((size_t{1} << kPerShift) - 1));
    return Bits == 64 ? w : w >> (Bits * slot) & ((1ull << (Bits % 64)) - 1);
  }

 private:
  const std::uint64_t* at_ = nullptr;
};

struct SizeTable {
  Fields<16> classOf;  // per sequence rank: class << 3 | the symmetry to it
  Fields<32> treeStart;
  Fields<64> lanes;  // per tree: sixteen four-bit crossing counts
  Fields<32> partStart;
  Fields<32> parts;
};

// Nine pins: per class, its least rank and the moves that make its trees.
struct MovesTable {
  size_t classes = 0;
  Fields<32> ranks;
  // The first class of each run of 2^kBucketShift ranks: a class is
  // searched for among a few cache lines of ranks, not the whole list.
  static const int kBucketShift = 9;
  std::vector<std::uint32_t> bucketStart;
  Fields<32> moveStart;
  Fields<16> moves;
};

struct Tables {
  SizeTable bySize[kMaxPins + 1];
  MovesTable nine;
};

// Out of line, so that tables() inlines to a test of its guard.
__attribute__((noinline)) Tables readTables() {
  Tables t;
  const std::uint64_t* at = flatTableData::kTableData;
  size_t seqs = 1;
  for (int n = 2; n <= flatTableData::kToPins; ++n) {
    seqs *= n;
    if (n < flatTableData::kFromPins) {
      continue;
    }
    size_t classes = at[0], trees = at[1], parts = at[2];
    at += 3;
    SizeTable& s = t.bySize[n];
    s.classOf = Fields<16>(at, seqs);
    s.treeStart = Fields<32>(at, classes + 1);
    s.lanes = Fields<64>(at, trees);
    s.partStart = Fields<32>(at, trees + 1);
    s.parts = Fields<32>(at, parts);
  }
  at = flatTableData::kMovesData;
  MovesTable& m = t.nine;
  m.classes = at[0];
  ++at;
  m.ranks = Fields<32>(at, m.classes);
  m.moveStart = Fields<32>(at, m.classes + 1);
  m.moves = Fields<16>(at, 0);
  // The ranks ascend: each bucket's first class by a search, not a pass
  // over every class at the first net.
  size_t buckets =
      m.classes ? (m.ranks[m.classes - 1] >> MovesTable::kBucketShift) + 1 : 1;
  m.bucketStart.resize(buckets + 1);
  for (size_t b = 0; b <= buckets; ++b) {
    size_t lo = 0, hi = m.classes;  // the first class of bucket b or later
    while (lo < hi) {
      size_t mid = (lo + hi) / 2;
      if (m.ranks[mid] >> MovesTable::kBucketShift < b) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    m.bucketStart[b] = static_cast<std::uint32_t>(lo);
  }
  return t;
}

const Tables& tables() {
  static const Tables t = readTables();
  return t;
}

// The table look-ups' lengths over one net's subsets, for a caller that
// solves many overlapping subsets of it (breakFlatTree's halves and their
// nine-position splits): by the mask of the positions' x ranks in the
// whole net, each length exact or, where a cap ended its scan, a bound
// under it; with an exact one, the tree that gave it, to draw without a
// second scan. The same lengths and trees as the look-ups give, so the same
// trees win.
class LookUpMemo {
 public:
  LookUpMemo() { std::fill(key_, key_ + kSlots, 0u); }
  // The slot of the subset, found or free; -1 where the table is full.
  int slotOf(std::uint32_t key) const {
    for (unsigned s = (key * 0x9e3779b1u) >> (32 - kShift), probes = 0;
         probes < kSlots; s = (s + 1) & (kSlots - 1), ++probes) {
      if (key_[s] == key || key_[s] == 0) {
        return static_cast<int>(s);
      }
    }
    return -1;
  }
  bool known(int slot) const { return key_[slot] != 0; }
  double length(int slot) const { return length_[slot]; }
  bool exact(int slot) const { return exact_[slot]; }
  std::uint32_t tree(int slot) const { return tree_[slot]; }
  int symmetry(int slot) const { return sym_[slot]; }
  void keep(int slot,
            std::uint32_t key,
            double length,
            bool exact,
            std::uint32_t tree,
            int sym) {
    // Never the last free slot, so that a search ends.
    if (key_[slot] == 0 && ++used_ >= kSlots) {
      return;
    }
    key_[slot] = key;
    length_[slot] = length;
    exact_[slot] = exact;
    tree_[slot] = tree;
    sym_[slot] = static_cast<std::uint8_t>(sym);
  }

 private:
  static const int kShift = 7;
  static const int kSlots = 1 << kShift;
  std::uint32_t key_[kSlots];  // 0: free (no subset is empty)
  double length_[kSlots];
  bool exact_[kSlots];
  std::uint32_t tree_[kSlots];
  std::uint8_t sym_[kSlots];
  int used_ = 0;
};

// Distinct positions by x rank (then y), with each one's y rank (by y, then
// x).
struct FlatNet {
  int n = 0;
  double x[kMaxPins];
  double y[kMaxPins];
  int yRank[kMaxPins];
  int byY[kMaxPins];  // the position of each y rank
  // Every coordinate a whole number below 2^23: every gap is then a whole
  // number below 2^24, every length the solvers sum is exact, and bounds
  // on them can be compared as they are.
  bool whole = false;
  // Where given, the drawing goes there, not to the wires: each piece's
  // ends by the pins whose coordinates they take (as
  // FlatScratch::drawnLines holds them), by rank where byRank.
  std::vector<std::uint32_t>* lines = nullptr;
  bool byRank = false;
  // Where given, the look-ups' lengths and trees by each pin's x rank in a
  // larger net, in rank.
  LookUpMemo* memo = nullptr;
  std::uint8_t rank[kMaxPins];
  std::uint32_t key = 0;  // the ranks of all, as a mask
};

// A drawing kept as its pieces' pins (FlatNet::lines) and the lines of its
// net's distinct positions, ascending, with each position's: what gridTree
// reads instead of sorting the pins' lines and searching each piece's ends
// among them.
struct PinLines {
  const std::vector<std::uint32_t>* pieces = nullptr;
  int nx = 0, ny = 0;
  float xs[kFlatBreakPins], ys[kFlatBreakPins];
  std::uint8_t xLine[kFlatBreakPins], yLine[kFlatBreakPins];
};

// Draws the wire from (x of pin x1, y of pin y1) to (x of x2, y of y2):
// as its lines where the net keeps them (and not in wires), else in wires.
void put(const FlatNet& net,
         std::vector<Wire>& wires,
         int x1,
         int y1,
         int x2,
         int y2) {
  if (net.lines) {
    if (net.byRank) {
      x1 = net.rank[x1], y1 = net.rank[y1];
      x2 = net.rank[x2], y2 = net.rank[y2];
    }
    net.lines->push_back(
        static_cast<std::uint32_t>(x1 | y1 << 8 | x2 << 16 | y2 << 24));
    return;
  }
  wires.push_back({static_cast<float>(net.x[x1]), static_cast<float>(net.y[y1]),
                   static_cast<float>(net.x[x2]),
                   static_cast<float>(net.y[y2])});
}

// A whole number below 2^23 in size (a cast, not a call of floor).
bool isWhole(double v) {
  return std::fabs(v) < 8388608.0 &&
         static_cast<double>(static_cast<std::int32_t>(v)) == v;
}

// pts: the pins, sorted and made distinct in place.
FlatNet flatNetOf(std::vector<RoutePoint>& pts) {
  auto byX = [](const RoutePoint& a, const RoutePoint& b) {
    return a.x < b.x || (a.x == b.x && a.y < b.y);
  };
  std::sort(pts.begin(), pts.end(), byX);
  pts.erase(std::unique(pts.begin(), pts.end()), pts.end());
  FlatNet net;
  net.n = static_cast<int>(pts.size());
  if (net.n > kMaxPins) {
    return net;
  }
  net.whole = true;
  for (int i = 0; i < net.n; ++i) {
    net.x[i] = pts[i].x;
    net.y[i] = pts[i].y;
    net.byY[i] = i;
    net.whole = net.whole && isWhole(net.x[i]) && isWhole(net.y[i]);
  }
  std::sort(net.byY, net.byY + net.n, [&](int a, int b) {
    return pts[a].y < pts[b].y || (pts[a].y == pts[b].y && pts[a].x < pts[b].x);
  });
  for (int j = 0; j < net.n; ++j) {
    net.yRank[net.byY[j]] = j;
  }
  return net;
}

int countOf(int mask) {
  return positionSequence::kBitCounts.of[mask];
}
int lowestOf(int mask) {
  return __builtin_ctz(mask);
}
int highestOf(int mask) {
  return 31 - __builtin_clz(mask);
}

// Half the perimeter of the mask's box: no tree over it is shorter.
double boxOf(const FlatNet& net, int mask) {
  double ylo = INFINITY, yhi = -INFINITY;
  for (int m = mask; m; m &= m - 1) {
    int i = lowestOf(m);
    ylo = std::min(ylo, net.y[i]);
    yhi = std::max(yhi, net.y[i]);
  }
  return net.x[highestOf(mask)] - net.x[lowestOf(mask)] + (yhi - ylo);
}

// The spine of a spine tree crosses at the lower median of its pins: the
// pin there.
int spinePin(const FlatNet& net, int mask, bool alongY) {
  int k = countOf(mask);
  int want = (k - 1) / 2;
  if (alongY) {
    for (int i = 0;; ++i) {
      if (mask >> i & 1 && want-- == 0) {
        return i;
      }
    }
  }
  for (int j = 0;; ++j) {
    if (mask >> net.byY[j] & 1 && want-- == 0) {
      return net.byY[j];
    }
  }
}

double spineAt(const FlatNet& net, int mask, bool alongY) {
  int i = spinePin(net, mask, alongY);
  return alongY ? net.x[i] : net.y[i];
}

double spineLength(const FlatNet& net, int mask, bool alongY) {
  double at = spineAt(net, mask, alongY);
  double len = 0;
  double lo = INFINITY, hi = -INFINITY;
  for (int m = mask; m; m &= m - 1) {
    int i = lowestOf(m);
    double along = alongY ? net.y[i] : net.x[i];
    lo = std::min(lo, along);
    hi = std::max(hi, along);
    len += std::fabs((alongY ? net.x[i] : net.y[i]) - at);
  }
  return len + (hi - lo);
}

// The L from a to b (each a point of a pin's x and a pin's y), first
// along x.
void addL(const FlatNet& net,
          const int (&a)[2],
          const int (&b)[2],
          std::vector<Wire>& wires) {
  put(net, wires, a[0], a[1], b[0], a[1]);
  put(net, wires, b[0], a[1], b[0], b[1]);
}

double cornerTree(const FlatNet& net, Part part, std::vector<Wire>* wires);

// A spine tree's pieces: the spine on its pins' lower median line, and a
// straight leg to each pin off it.
void addPart(const FlatNet& net, Part part, std::vector<Wire>& wires) {
  if (part & kCorner) {
    cornerTree(net, part, &wires);
    return;
  }
  int mask = positionSequence::maskOf(part);
  bool alongY = part & kAlongY;
  int at = spinePin(net, mask, alongY);
  double lo = INFINITY, hi = -INFINITY;
  int loPin = at, hiPin = at;
  for (int m = mask; m; m &= m - 1) {
    int i = lowestOf(m);
    double along = alongY ? net.y[i] : net.x[i];
    if (along < lo) {
      lo = along;
      loPin = i;
    }
    if (along > hi) {
      hi = along;
      hiPin = i;
    }
    if (alongY) {
      put(net, wires, at, i, i, i);
    } else {
      put(net, wires, i, at, i, i);
    }
  }
  if (alongY) {
    put(net, wires, at, loPin, at, hiPin);
  } else {
    put(net, wires, loPin, at, hiPin, at);
  }
}

// The least of the trees from..to of a table's lanes on whole gaps, below
// least, into least and bestTree: L gaps an axis (the subnet's pins less
// one), so that no lane past them is read. A tree whose x lanes and the
// y gaps (every tree crosses each at least once) reach least is passed
// over; most trees end at that bound.
template <int L>
void scanWhole(const std::uint64_t* lanes,
               std::uint32_t from,
               std::uint32_t to,
               const std::int64_t* whole,
               std::int64_t& least,
               std::uint32_t& bestTree) {
  std::int64_t acrossY = 0;
  for (int g = 0; g < L; ++g) {
    acrossY += whole[8 + g];
  }
  for (std::uint32_t t = from; t < to; ++t) {
    std::uint64_t v = lanes[t];
    std::int64_t len = 0;
    for (int g = 0; g < L; ++g) {
      len += static_cast<std::int64_t>(v >> (4 * g) & 15) * whole[g];
    }
    if (len + acrossY >= least) {
      continue;
    }
    for (int g = 0; g < L; ++g) {
      len += static_cast<std::int64_t>(v >> (32 + 4 * g) & 15) * whole[8 + g];
    }
    if (len < least) {
      least = len;
      bestTree = t;
    }
  }
}

// std::ceil of a value below 2^63 in size, without a call where the
// processor has no rounding instruction (of zero's two signs, +0).
double ceilOf(double v) {
  double t = static_cast<double>(static_cast<std::int64_t>(v));
  return t < v ? t + 1 : t;
}

// What lookUp read of a subnet and the tree it chose: enough to draw that
// tree later without a second look-up (drawSubnet). No subnet (k 0) for
// those of fewer than five pins, which solveMask solves without a table.
struct Subnet {
  int k = 0;
  int sym = 0;
  std::uint32_t tree = 0;
  Seq seq;
  int pin[kMaxPins];  // by the subnet's x rank
};

// Draws the tree lookUp chose for the subnet.
void drawSubnet(const FlatNet& net, const Subnet& s, std::vector<Wire>& wires) {
  const SizeTable& table = tables().bySize[s.k];
  int fromCanon[kMaxPins];
  for (int t = 0; t < s.k; ++t) {
    int mx, my;
    positionSequence::mapRanks(s.sym, s.k, t, s.seq[t], mx, my);
    fromCanon[mx] = s.pin[t];
  }
  for (std::uint32_t p = table.partStart[s.tree];
       p < table.partStart[s.tree + 1]; ++p) {
    addPart(net,
            positionSequence::renamePins(table.parts[p], fromCanon, s.sym & 4),
            wires);
  }
}

// The tables' shortest tree of the mask's pins (five to eight of them).
// Without wires and on a net of whole coordinates, a tree no shorter than
// cap is of no use to the caller: where none is shorter, cap itself.
// With keep, the subnet and the tree it chose are left there.
double lookUp(const FlatNet& net,
              int mask,
              std::vector<Wire>* wires,
              double cap,
              Subnet* keep) {
  Subnet own;
  Subnet& sub = keep ? *keep : own;
  int* pin = sub.pin;
  int xRank[kMaxPins];  // each pin's x rank in the subnet
  int yRanks = 0;       // the net's y ranks of the subnet's pins
  int k = 0;
  std::uint32_t key = 0;
  if (mask == (1 << net.n) - 1) {
    for (; k < net.n; ++k) {
      xRank[k] = pin[k] = k;
    }
    yRanks = mask;
    key = net.key;
  }
  for (int m = k ? 0 : mask; m; m &= m - 1) {
    int i = lowestOf(m);
    xRank[i] = k;
    pin[k++] = i;
    yRanks |= 1 << net.yRank[i];
    key |= net.memo ? 1u << net.rank[i] : 0;
  }
  // A capped scan's length bounds the shortest, and a lower cap ends
  // there as well: what the scan below would give.
  int slot = net.memo ? net.memo->slotOf(key) : -1;
  double ceiling =
      !wires && net.whole && std::fabs(cap) < 9e15 ? ceilOf(cap) : INFINITY;
  bool drawKept = false;
  if (slot >= 0 && net.memo->known(slot)) {
    double len = net.memo->length(slot);
    if (net.memo->exact(slot)) {
      if (!wires) {
        return len < ceiling ? len : ceiling;
      }
      drawKept = true;
    } else if (ceiling <= len) {
      return ceiling;
    }
  }
  Seq& seq = sub.seq;
  seq = Seq{};
  double gx[kMaxPins], gy[kMaxPins], ys[kMaxPins];
  int r = 0;
  for (int m = yRanks; m; m &= m - 1) {
    int i = net.byY[lowestOf(m)];
    seq[xRank[i]] = static_cast<std::int8_t>(r);
    ys[r++] = net.y[i];
  }
  if (drawKept) {
    sub.k = k;
    sub.sym = net.memo->symmetry(slot);
    sub.tree = net.memo->tree(slot);
    drawSubnet(net, sub, *wires);
    return net.memo->length(slot);
  }
  for (int t = 0; t + 1 < k; ++t) {
    gx[t] = net.x[pin[t + 1]] - net.x[pin[t]];
    gy[t] = ys[t + 1] - ys[t];
  }
  const SizeTable& table = tables().bySize[k];
  std::uint16_t code = table.classOf[positionSequence::rankOf(seq, k)];
  int cls = code >> 3, sym = code & 7;
  // The class's gaps: lane g (x gaps, then from 8 the y gaps) is gap
  // number g of the subnet's axis that the symmetry turns into it.
  const double* fromX = sym & 4 ? gy : gx;
  const double* fromY = sym & 4 ? gx : gy;
  // Whole gaps below 2^24, as most nets have, are summed as integers: the
  // sums are exact either way, so the same tree wins, but integer adds need
  // not wait on each other. Their scan reads the subnet's lanes alone.
  double w[16];
  std::int64_t whole[16];
  bool integral = true;
  if (net.whole) {
    for (int g = 0; g + 1 < k; ++g) {
      whole[g] = static_cast<std::int64_t>(fromX[sym & 1 ? k - 2 - g : g]);
      whole[8 + g] = static_cast<std::int64_t>(fromY[sym & 2 ? k - 2 - g : g]);
    }
  } else {
    std::fill(w, w + 16, 0.0);
    for (int g = 0; g + 1 < k; ++g) {
      w[g] = fromX[sym & 1 ? k - 2 - g : g];
      w[8 + g] = fromY[sym & 2 ? k - 2 - g : g];
    }
    for (int g = 0; g < 16; ++g) {
      integral = integral && w[g] < 16777216.0;
      whole[g] = integral ? static_cast<std::int64_t>(w[g]) : 0;
      integral = integral && static_cast<double>(whole[g]) == w[g];
    }
  }
  double best = INFINITY;
  std::uint32_t bestTree = 0;
  std::uint32_t from = table.treeStart[cls], to = table.treeStart[cls + 1];
  if (integral) {
    std::int64_t least = INT64_MAX;
    if (ceiling < INFINITY) {
      least = static_cast<std::int64_t>(ceiling);
    }
    const std::uint64_t* lanes = table.lanes.words();
    switch (k) {
      case 5:
        scanWhole<4>(lanes, from, to, whole, least, bestTree);
        break;
      case 6:
        scanWhole<5>(lanes, from, to, whole, least, bestTree);
        break;
      case 7:
        scanWhole<6>(lanes, from, to, whole, least, bestTree);
        break;
      case 8:
        scanWhole<7>(lanes, from, to, whole, least, bestTree);
        break;
      default:
        scanWhole<8>(lanes, from, to, whole, least, bestTree);
        break;
    }
    best = static_cast<double>(least);
  }
  for (std::uint32_t t = from; t < to && !integral; ++t) {
    // All eight lanes of each axis, those past the subnet's gaps weighing
    // nothing: a fixed count the compiler unrolls, no branch per gap.
    std::uint64_t v = table.lanes[t];
    std::uint64_t u = v >> 32;
    double len = 0;
    for (int g = 0; g < 8; ++g, v >>= 4, u >>= 4) {
      len += static_cast<double>(v & 15) * w[g] +
             static_cast<double>(u & 15) * w[8 + g];
    }
    if (len < best) {
      best = len;
      bestTree = t;
    }
  }
  sub.k = k;
  sub.sym = sym;
  sub.tree = bestTree;
  if (wires) {
    drawSubnet(net, sub, *wires);
  }
  if (slot >= 0) {
    net.memo->keep(slot, key, best, best < ceiling, bestTree, sym);
  }
  return best;
}

// The pins' coordinates across and along an axis.
double acrossOf(const FlatNet& net, int i, bool alongY) {
  return alongY ? net.x[i] : net.y[i];
}
double alongOf(const FlatNet& net, int i, bool alongY) {
  return alongY ? net.y[i] : net.x[i];
}

// A straight piece along an axis from pin a's coordinate to pin b's, on
// pin c's line across it.
void putOn(const FlatNet& net,
           std::vector<Wire>& wires,
           bool alongY,
           int c,
           int a,
           int b) {
  if (alongY) {
    put(net, wires, c, a, c, b);
  } else {
    put(net, wires, a, c, b, c);
  }
}

// A coordinate and the pin it is of, compared by the coordinate: the
// comparisons that chose a coordinate choose its pin.
struct Coord {
  double v;
  int pin;
  bool operator<(const Coord& o) const { return v < o.v; }
};

// The corner tree's pieces (positionSequence::Part) and their length.
double cornerTree(const FlatNet& net, Part part, std::vector<Wire>* wires) {
  using namespace positionSequence;
  bool alongY = part & kAlongY;
  int mask = maskOf(part), end = endOf(part), leg = legOf(part),
      line = lineOf(part);
  double c = acrossOf(net, line, alongY);
  double r = alongOf(net, end, alongY);
  double lo = r, hi = r, len = 0;
  int loPin = end, hiPin = end;
  for (int m = mask & ~(1 << end | 1 << leg); m; m &= m - 1) {
    int t = lowestOf(m);
    double a = alongOf(net, t, alongY);
    if (a < lo) {
      lo = a;
      loPin = t;
    }
    if (a > hi) {
      hi = a;
      hiPin = t;
    }
    len += std::fabs(acrossOf(net, t, alongY) - c);
    if (wires) {
      putOn(net, *wires, !alongY, t, t, line);
    }
  }
  double ce = acrossOf(net, end, alongY), cl = acrossOf(net, leg, alongY);
  double armLo = std::min({c, ce, cl}), armHi = std::max({c, ce, cl});
  double legAt = alongOf(net, leg, alongY);
  if (wires) {
    // The arm's ends: the pins of the coordinates min and max chose (of
    // two zeros, the sign is the chosen pin's).
    Coord arm[3] = {{c, line}, {ce, end}, {cl, leg}};
    int armLoPin = std::min({arm[0], arm[1], arm[2]}).pin;
    int armHiPin = std::max({arm[0], arm[1], arm[2]}).pin;
    putOn(net, *wires, alongY, line, loPin, hiPin);
    putOn(net, *wires, !alongY, end, armLoPin, armHiPin);
    putOn(net, *wires, alongY, leg, end, leg);
  }
  return len + (hi - lo) + (armHi - armLo) + std::fabs(legAt - r);
}

// Four pins: two branch points, each with two pins, the best of the three
// pairings (each axis placed on its own: the pairs' spans and the gap
// between them), or one pin joined to its nearest and the other three's
// box.
double solveFour(const FlatNet& net, int mask, std::vector<Wire>* wires) {
  int p[4];
  int k = 0;
  for (int m = mask; m; m &= m - 1) {
    p[k++] = lowestOf(m);
  }
  const int pairs[3][4] = {{0, 1, 2, 3}, {0, 2, 1, 3}, {0, 3, 1, 2}};
  double best = INFINITY;
  int bestPairing = -1, bestA = -1, bestP = -1;
  for (int q = 0; q < 3; ++q) {
    double len = 0;
    for (int axis = 0; axis < 2; ++axis) {
      auto coord = [&](int t) {
        return axis ? net.y[p[pairs[q][t]]] : net.x[p[pairs[q][t]]];
      };
      double lo1 = std::min(coord(0), coord(1)),
             hi1 = std::max(coord(0), coord(1));
      double lo2 = std::min(coord(2), coord(3)),
             hi2 = std::max(coord(2), coord(3));
      len += (hi1 - lo1) + (hi2 - lo2) + std::max({0.0, lo2 - hi1, lo1 - hi2});
    }
    if (len < best) {
      best = len;
      bestPairing = q;
    }
  }
  for (int a = 0; a < 4; ++a) {
    int rest = mask & ~(1 << p[a]);
    double box = boxOf(net, rest);
    for (int b = 0; b < 4; ++b) {
      double len = box + std::fabs(net.x[p[a]] - net.x[p[b]]) +
                   std::fabs(net.y[p[a]] - net.y[p[b]]);
      if (b != a && len < best) {
        best = len;
        bestPairing = -1;
        bestA = p[a];
        bestP = p[b];
      }
    }
  }
  if (wires) {
    if (bestPairing >= 0) {
      // Each branch point's coordinates are pins' (clamps of them): the
      // same comparisons again name those pins.
      int s[2][2];
      for (int axis = 0; axis < 2; ++axis) {
        Coord c[4];
        for (int t = 0; t < 4; ++t) {
          int i = p[pairs[bestPairing][t]];
          c[t] = {axis ? net.y[i] : net.x[i], i};
        }
        const Coord& lo1 = std::min(c[0], c[1]);
        const Coord& hi1 = std::max(c[0], c[1]);
        const Coord& lo2 = std::min(c[2], c[3]);
        const Coord& hi2 = std::max(c[2], c[3]);
        const Coord& first = std::clamp(std::max(lo1, lo2), lo1, hi1);
        const Coord& second = std::clamp(first, lo2, hi2);
        s[0][axis] = std::clamp(second, lo1, hi1).pin;
        s[1][axis] = second.pin;
      }
      for (int t = 0; t < 4; ++t) {
        int i = p[pairs[bestPairing][t]];
        int pinAt[2] = {i, i};
        addL(net, s[t / 2], pinAt, *wires);
      }
      addL(net, s[0], s[1], *wires);
    } else {
      addPart(net, static_cast<Part>(mask & ~(1 << bestA)), *wires);
      addPart(net, static_cast<Part>(1 << bestA | 1 << bestP), *wires);
    }
  }
  return best;
}

double solveMask(const FlatNet& net,
                 int mask,
                 std::vector<Wire>* wires,
                 double cap = INFINITY,
                 Subnet* keep = nullptr);

// Nine pins: the best of the few moves that make the class's potentially
// optimal trees (flatMoves.cpp): a spine or corner tree of all, or two
// shortest trees that share a pin, each over fewer; a split whose boxes
// alone reach the best so far is passed over. Cap as lookUp takes it.
double solveNine(const FlatNet& net,
                 int mask,
                 std::vector<Wire>* wires,
                 double cap) {
  // Through the memo, the length and the chosen tree (a part, or a split's
  // first half and shared pin) as for a look-up.
  std::uint32_t key = net.key;
  int slot = net.memo ? net.memo->slotOf(key) : -1;
  bool capped = !wires && net.whole;
  const std::uint32_t kSplit = 1u << 31;
  if (slot >= 0 && net.memo->known(slot)) {
    double len = net.memo->length(slot);
    if (net.memo->exact(slot)) {
      if (!wires) {
        return capped && cap <= len ? cap : len;
      }
      std::uint32_t tree = net.memo->tree(slot);
      if (!(tree & kSplit)) {
        addPart(net, static_cast<Part>(tree), *wires);
        return len;
      }
      int first = static_cast<int>(tree & 0xffff);
      int shared = static_cast<int>(tree >> 16 & 15);
      solveMask(net, first, wires);
      solveMask(net, (mask & ~first) | 1 << shared, wires);
      return len;
    }
    if (capped && cap <= len) {
      return cap;
    }
  }
  const MovesTable& table = tables().nine;
  Seq seq{};
  for (int i = 0; i < net.n; ++i) {
    seq[i] = static_cast<std::int8_t>(net.yRank[i]);
  }
  std::uint32_t rank;
  int sym = positionSequence::leastSymmetry(seq, net.n, rank);
  // The last class of least rank up to rank, among those of its bucket
  // (and the one before them).
  size_t bucket = std::min(size_t{rank >> MovesTable::kBucketShift},
                           table.bucketStart.size() - 2);
  size_t lo = table.bucketStart[bucket], hi = table.bucketStart[bucket + 1];
  lo = lo > 0 ? lo - 1 : 0;
  hi = rank >> MovesTable::kBucketShift > bucket ? table.classes : hi;
  while (hi - lo > 1) {
    size_t mid = (lo + hi) / 2;
    (table.ranks[mid] <= rank ? lo : hi) = mid;
  }
  int fromCanon[kMaxPins];
  for (int t = 0; t < net.n; ++t) {
    int mx, my;
    positionSequence::mapRanks(sym, net.n, t, seq[t], mx, my);
    fromCanon[mx] = t;
  }
  bool swap = sym & 4;
  // A mask of canonical names as pins, and a mask of pins as y ranks, each
  // by three look-ups (three bits each): a split's halves and their boxes
  // without a loop over their pins, from tables of few entries to fill.
  static_assert(kMaxPins <= 9, "three look-ups of three bits");
  int pinsOf[3][8], ranksOf[3][8];
  for (int c = 0; c < 3; ++c) {
    pinsOf[c][0] = ranksOf[c][0] = 0;
    for (int m = 1; m < 8; ++m) {
      int b = 3 * c + lowestOf(m), rest = m & (m - 1);
      pinsOf[c][m] = pinsOf[c][rest] | (b < net.n ? 1 << fromCanon[b] : 0);
      ranksOf[c][m] = ranksOf[c][rest] | (b < net.n ? 1 << net.yRank[b] : 0);
    }
  }
  auto box = [&](int m) {
    int ranks = ranksOf[0][m & 7] | ranksOf[1][m >> 3 & 7] | ranksOf[2][m >> 6];
    return net.x[highestOf(m)] - net.x[lowestOf(m)] +
           (net.y[net.byY[highestOf(ranks)]] - net.y[net.byY[lowestOf(ranks)]]);
  };
  // Without wires, on whole coordinates, only a tree shorter than cap
  // counts: where none is, cap itself.
  double best = !wires && net.whole ? cap : INFINITY;
  Part bestPart = 0;
  int bestFirst = -1, bestShared = -1;
  // The halves of the split being solved and of the best so far, the
  // latter drawn without a second look-up: pairs swapped, not copied.
  Subnet halves[2][2];
  int solving = 0;
  struct Split {
    double bound;  // the halves' boxes
    int first;
    int shared;
  };
  const int kMaxSplits = 32;  // more than any class keeps
  Split split[kMaxSplits];
  int splits = 0;
  for (size_t k = table.moveStart[lo]; k < table.moveStart[lo + 1]; ++k) {
    unsigned move = static_cast<unsigned>(table.moves[k]);
    bool alongY = ((move >> 12 & 1) != 0) != swap;
    if (move >> 13 == 0) {
      Part part = static_cast<Part>(mask) | (alongY ? kAlongY : 0);
      double len = spineLength(net, mask, alongY);
      if (len < best) {
        best = len;
        bestPart = part;
        bestFirst = -1;
      }
    } else if (move >> 13 == 1) {
      Part part = positionSequence::cornerPart(
          mask, alongY, fromCanon[move >> 8 & 15], fromCanon[move >> 4 & 15],
          fromCanon[move & 15]);
      double len = cornerTree(net, part, nullptr);
      if (len < best) {
        best = len;
        bestPart = part;
        bestFirst = -1;
      }
    } else if (splits < kMaxSplits) {
      int p = fromCanon[move >> 9 & 15];
      int first = pinsOf[0][move & 7] | pinsOf[1][move >> 3 & 7] |
                  pinsOf[2][move >> 6 & 7];
      int second = (mask & ~first) | 1 << p;
      split[splits++] = {box(first) + box(second), first, p};
    }
  }
  // Splits by their boxes, so that the likely best comes first and the
  // rest mostly end at their bounds; the smaller half solved first.
  std::sort(split, split + splits, [](const Split& a, const Split& b) {
    return a.bound < b.bound || (a.bound == b.bound && a.first < b.first);
  });
  for (int k = 0; k < splits && split[k].bound < best; ++k) {
    int first = split[k].first, p = split[k].shared;
    int second = (mask & ~first) | 1 << p;
    int small = countOf(first) <= countOf(second) ? first : second;
    int large = small == first ? second : first;
    double largeBox = box(large);
    Subnet* pair = halves[solving];
    Subnet& smallSub = pair[small == first ? 0 : 1];
    Subnet& largeSub = pair[small == first ? 1 : 0];
    smallSub.k = largeSub.k = 0;
    double one = solveMask(net, small, nullptr, best - largeBox, &smallSub);
    if (one + largeBox < best) {
      double len = one + solveMask(net, large, nullptr, best - one, &largeSub);
      if (len < best) {
        best = len;
        bestFirst = first;
        bestShared = p;
        solving = 1 - solving;
      }
    }
  }
  if (wires) {
    if (bestFirst < 0) {
      addPart(net, bestPart, *wires);
    } else {
      // The halves as chosen, first then second.
      const Subnet* chosen = halves[1 - solving];
      int halfMask[2] = {bestFirst, (mask & ~bestFirst) | 1 << bestShared};
      for (int h = 0; h < 2; ++h) {
        if (chosen[h].k > 0) {
          drawSubnet(net, chosen[h], *wires);
        } else {
          solveMask(net, halfMask[h], wires);
        }
      }
    }
  }
  if (slot >= 0) {
    std::uint32_t tree = bestFirst < 0
                             ? bestPart
                             : kSplit | static_cast<std::uint32_t>(bestFirst) |
                                   static_cast<std::uint32_t>(bestShared) << 16;
    net.memo->keep(slot, key, best, !capped || best < cap, tree, 0);
  }
  return best;
}

// A shortest tree of the mask's pins; cap and keep as lookUp takes them.
double solveMask(const FlatNet& net,
                 int mask,
                 std::vector<Wire>* wires,
                 double cap,
                 Subnet* keep) {
  int k = countOf(mask);
  if (k <= 3) {
    if (wires && k >= 2) {
      addPart(net, static_cast<Part>(mask), *wires);
    }
    return k >= 2 ? boxOf(net, mask) : 0;
  }
  if (k == 4) {
    return solveFour(net, mask, wires);
  }
  if (k <= flatTableData::kToPins) {
    return lookUp(net, mask, wires, cap, keep);
  }
  return solveNine(net, mask, wires, cap);
}

// Function objects, so that sorts inline them.
const auto lessPoint = [](const RoutePoint& a, const RoutePoint& b) {
  return a.x < b.x || (a.x == b.x && a.y < b.y);
};
const auto lessFlipped = [](const RoutePoint& a, const RoutePoint& b) {
  return a.y < b.y || (a.y == b.y && a.x < b.x);
};
const auto lessWire = [](const Wire& a, const Wire& b) {
  return std::tie(a.x1, a.y1, a.x2, a.y2) < std::tie(b.x1, b.y1, b.x2, b.y2);
};

// The index of each of up to kLines values by its bits: a slot from a
// hash and a probe or two, where a search would take a step per halving
// for each of a drawing's wire ends. Zero's two signs are one value, as
// they compare equal.
class LineTable {
 public:
  // Leaves the table empty.
  LineTable() { std::fill(at_, at_ + kSlots, -1); }
  // Files v (not yet filed) as index k.
  void add(float v, int k) {
    unsigned s = slotOf(v);
    while (at_[s] >= 0) {
      s = (s + 1) & (kSlots - 1);
    }
    key_[s] = v;
    at_[s] = static_cast<signed char>(k);
  }
  // The index filed for v, or -1.
  int find(float v) const {
    for (unsigned s = slotOf(v);; s = (s + 1) & (kSlots - 1)) {
      int k = at_[s];
      if (k < 0 || key_[s] == v) {
        return k;
      }
    }
  }

 private:
  static const int kSlots = 64;  // at most half full
  static_assert(2 * FlatScratch::Grid::kLines <= kSlots, "a slot left free");
  static unsigned slotOf(float v) {
    float plus = v + 0.0f;  // -0 as +0
    std::uint32_t bits;
    std::memcpy(&bits, &plus, sizeof bits);
    return (bits * 0x9e3779b1u) >> 26;
  }
  float key_[kSlots];
  signed char at_[kSlots];
};

// A shortest tree's drawing as clean wires on the grid of the pins' lines,
// where every piece the solvers draw lies: each grid edge a bit, so that
// the drawing's union, its degrees and its straight runs come from masks.
// False where the drawing leaves the grid (or a pin has a negative zero,
// whose sign the cuts below keep), or its union is no tree whose bare ends
// are pins: cleanTree's cuts then decide.
// With grid, the lines and the wires' ends on them are left there. With
// on, the drawing is its pieces there (drawn unused) and the lines are
// read off it.
bool gridTree(const std::vector<Wire>& drawn,
              const std::vector<RoutePoint>& pins,
              std::vector<Wire>& out,
              FlatScratch::Grid* grid = nullptr,
              const PinLines* on = nullptr,
              bool gridOnly = false) {
  const int kLines = FlatScratch::Grid::kLines;
  float xs[kLines], ys[kLines];
  int nx = 0, ny = 0;
  auto insert = [](float* lines, int& n, float v) {
    int k = n;
    while (k > 0 && lines[k - 1] > v) {
      --k;
    }
    if (k > 0 && lines[k - 1] == v) {
      return true;
    }
    if (n == kLines) {
      return false;
    }
    std::copy_backward(lines + k, lines + n, lines + n + 1);
    lines[k] = v;
    ++n;
    return true;
  };
  for (const RoutePoint& p : pins) {
    if ((p.x == 0 && std::signbit(p.x)) || (p.y == 0 && std::signbit(p.y)) ||
        (!on && (!insert(xs, nx, p.x) || !insert(ys, ny, p.y)))) {
      return false;
    }
  }
  if (on) {
    static_assert(kFlatBreakPins <= kLines, "a net's lines fit");
    nx = on->nx, ny = on->ny;
    std::copy(on->xs, on->xs + nx, xs);
    std::copy(on->ys, on->ys + ny, ys);
  }
  LineTable xAt, yAt;
  for (int k = 0; k < nx; ++k) {
    xAt.add(xs[k], k);
  }
  for (int k = 0; k < ny; ++k) {
    yAt.add(ys[k], k);
  }
  // Bit i of across[j]: the edge from column i to i + 1 on row j; bit j of
  // along[i]: from row j to j + 1 on column i.
  std::uint32_t across[kLines] = {}, along[kLines] = {}, pinAt[kLines] = {};
  auto span = [](int a, int b) {
    int lo = std::min(a, b), hi = std::max(a, b);
    return ((std::uint32_t{1} << hi) - 1) & ~((std::uint32_t{1} << lo) - 1);
  };
  // The drawing's lines as the solvers drew them, where they kept them.
  const std::uint32_t* drawnLines = on ? on->pieces->data() : nullptr;
  size_t pieces = on ? on->pieces->size() : drawn.size();
  for (size_t k = 0; k < pieces; ++k) {
    int x1, x2, y1, y2;
    if (drawnLines) {
      std::uint32_t q = drawnLines[k];
      x1 = on->xLine[q & 255], y1 = on->yLine[q >> 8 & 255];
      x2 = on->xLine[q >> 16 & 255], y2 = on->yLine[q >> 24];
    } else {
      const Wire& w = drawn[k];
      x1 = xAt.find(w.x1), x2 = xAt.find(w.x2);
      y1 = yAt.find(w.y1), y2 = yAt.find(w.y2);
    }
    if (x1 < 0 || x2 < 0 || y1 < 0 || y2 < 0 || (x1 != x2 && y1 != y2)) {
      return false;
    }
    if (x1 != x2) {
      across[y1] |= span(x1, x2);
    } else if (y1 != y2) {
      along[x1] |= span(y1, y2);
    }
  }
  if (grid) {
    grid->pinPoint.resize(pins.size());
  }
  for (size_t k = 0; k < pins.size(); ++k) {
    int i = xAt.find(pins[k].x), j = yAt.find(pins[k].y);
    pinAt[j] |= std::uint32_t{1} << i;
    if (grid) {
      grid->pinPoint[k] = static_cast<std::uint16_t>(i << 5 | j);
    }
  }
  auto count = [](std::uint32_t v) {
    v = v - (v >> 1 & 0x55555555u);
    v = (v & 0x33333333u) + (v >> 2 & 0x33333333u);
    return static_cast<int>(((v + (v >> 4)) & 0x0f0f0f0fu) * 0x01010101u >> 24);
  };
  // Per row, as masks over the columns: the vertical edges up from each
  // point, then the points where a run goes on (two edges, in line, no
  // pin) and where one starts or ends (a joint).
  std::uint32_t up[kLines] = {}, joint[kLines];
  for (int i = 0; i < nx; ++i) {
    for (std::uint32_t m = along[i]; m; m &= m - 1) {
      up[__builtin_ctz(m)] |= std::uint32_t{1} << i;
    }
  }
  int edges = 0, ends = 0;
  for (int j = 0; j < ny; ++j) {
    edges += count(across[j]);
  }
  for (int i = 0; i < nx; ++i) {
    edges += count(along[i]);
  }
  for (int j = 0; j < ny; ++j) {
    std::uint32_t west = across[j] << 1, east = across[j], north = up[j],
                  south = j > 0 ? up[j - 1] : 0;
    std::uint32_t any = west | east | north | south;
    std::uint32_t two = (west & east) | (west & north) | (west & south) |
                        (east & north) | (east & south) | (north & south);
    std::uint32_t three =
        (west & east & (north | south)) | (north & south & (west | east));
    std::uint32_t bare = any & ~two & ~pinAt[j];
    ends += count(any);
    if (bare || (edges > 0 && (pinAt[j] & ~any))) {
      return false;  // a bare end, or a pin off the drawing
    }
    joint[j] = pinAt[j] | ~two | three;
  }
  if (edges == 0) {
    out.clear();
    return nx == 1 && ny == 1;
  }
  if (edges + 1 != ends) {
    return false;  // a loop
  }
  // The runs, each from its lower end, in the order of that end's column,
  // row and whether it runs across (a vertical run first): the across
  // runs filed by column as the rows give them, then each column's runs
  // merged by row, without a sort.
  const int kMaxRuns = FlatScratch::Grid::kWires;
  std::uint32_t acrossAt[kLines] = {}, alongAt[kLines];  // rows, by column
  std::uint8_t acrossEnd[kLines][kLines];
  int runs = 0;
  for (int j = 0; j < ny; ++j) {
    std::uint32_t starts = across[j] & (~(across[j] << 1) | joint[j]);
    for (; starts; starts &= starts - 1) {
      int i = __builtin_ctz(starts);
      int b = i + 1;
      while ((across[j] >> b & 1) && !(joint[j] >> b & 1)) {
        ++b;
      }
      acrossAt[i] |= std::uint32_t{1} << j;
      acrossEnd[i][j] = static_cast<std::uint8_t>(b);
      ++runs;
    }
  }
  for (int i = 0; i < nx; ++i) {
    // A vertical run starts at each edge up from a point below which the
    // column has no edge, or at a joint.
    std::uint32_t mask = along[i];
    std::uint32_t joints = 0;
    for (std::uint32_t m = mask; m; m &= m - 1) {
      int j = __builtin_ctz(m);
      joints |= (joint[j] >> i & 1) << j;
    }
    alongAt[i] = mask & (~(mask << 1) | joints);
    runs += count(alongAt[i]);
  }
  if (runs > kMaxRuns) {
    return false;
  }
  // With gridOnly, the wires are the grid's ends alone.
  bool floats = !(grid && gridOnly);
  out.resize(floats ? static_cast<size_t>(runs) : 0);
  int k = 0;
  for (int i = 0; i < nx; ++i) {
    for (std::uint32_t m = alongAt[i] | acrossAt[i]; m; m &= m - 1) {
      int j = __builtin_ctz(m);
      for (int flat = 0; flat < 2; ++flat) {
        if (!((flat ? acrossAt[i] : alongAt[i]) >> j & 1)) {
          continue;
        }
        int b = flat ? acrossEnd[i][j] : j + 1;
        while (!flat && (along[i] >> b & 1) && !(joint[b] >> i & 1)) {
          ++b;
        }
        if (floats) {
          out[k] = flat ? Wire{xs[i], ys[j], xs[b], ys[j]}
                        : Wire{xs[i], ys[j], xs[i], ys[b]};
        }
        if (grid) {
          std::uint8_t* e = grid->ends[k];
          e[0] = static_cast<std::uint8_t>(i);
          e[1] = static_cast<std::uint8_t>(j);
          e[2] = static_cast<std::uint8_t>(flat ? b : i);
          e[3] = static_cast<std::uint8_t>(flat ? j : b);
        }
        ++k;
      }
    }
  }
  if (grid) {
    grid->valid = true;
    grid->wires = runs;
    grid->nx = nx;
    grid->ny = ny;
    std::copy(xs, xs + nx, grid->xs);
    std::copy(ys, ys + ny, grid->ys);
  }
  return true;
}

// A shortest tree's drawing as clean wires (cleanWires) without planning
// it: its wires can only meet at their ends, at pins, or where one's end
// lies on another, for any other meeting would make the drawing shorter
// than the shortest tree. Each wire is cut at the ends and pins inside it,
// runs through points of degree two without a pin are joined again, and
// anything else (pieces that overlap or cross, a loop, a bare end) is left
// to cleanWires.
std::vector<Wire> cleanTree(const std::vector<Wire>& drawn,
                            const std::vector<RoutePoint>& pins,
                            FlatScratch& s) {
  std::vector<RoutePoint>& cuts = s.cuts;
  std::vector<RoutePoint>& flipped = s.flipped;
  std::vector<Wire>& across = s.across;
  std::vector<Wire>& along = s.along;
  cuts.assign(pins.begin(), pins.end());
  for (const Wire& w : drawn) {
    cuts.push_back({w.x1, w.y1});
    cuts.push_back({w.x2, w.y2});
  }
  std::sort(cuts.begin(), cuts.end(), lessPoint);
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  flipped.assign(cuts.begin(), cuts.end());
  std::sort(flipped.begin(), flipped.end(), lessFlipped);
  across.clear();
  along.clear();
  for (const Wire& w : drawn) {
    RoutePoint a{w.x1, w.y1}, b{w.x2, w.y2};
    if (lessPoint(b, a)) {
      std::swap(a, b);
    }
    if (a == b) {
      continue;
    }
    // The cuts inside the wire, in order along it.
    bool flat = a.y == b.y;
    const std::vector<RoutePoint>& line = flat ? flipped : cuts;
    auto from = std::upper_bound(line.begin(), line.end(), a,
                                 flat ? lessFlipped : lessPoint);
    auto to =
        std::lower_bound(from, line.end(), b, flat ? lessFlipped : lessPoint);
    std::vector<Wire>& out = flat ? across : along;
    RoutePoint at = a;
    for (auto c = from; c != to; ++c) {
      out.push_back({at.x, at.y, c->x, c->y});
      at = *c;
    }
    out.push_back({at.x, at.y, b.x, b.y});
  }
  auto byLine = [](bool flat) {
    return [flat](const Wire& a, const Wire& b) {
      return flat ? std::tie(a.y1, a.x1) < std::tie(b.y1, b.x1)
                  : std::tie(a.x1, a.y1) < std::tie(b.x1, b.y1);
    };
  };
  std::sort(across.begin(), across.end(), byLine(true));
  std::sort(along.begin(), along.end(), byLine(false));
  for (size_t k = 1; k < across.size(); ++k) {
    if (across[k].y1 == across[k - 1].y1 && across[k].x1 < across[k - 1].x2) {
      return cleanWires(drawn, pins, s.clean);
    }
  }
  for (size_t k = 1; k < along.size(); ++k) {
    if (along[k].x1 == along[k - 1].x1 && along[k].y1 < along[k - 1].y2) {
      return cleanWires(drawn, pins, s.clean);
    }
  }
  for (const Wire& h : across) {
    for (const Wire& v : along) {
      if (h.x1 < v.x1 && v.x1 < h.x2 && v.y1 < h.y1 && h.y1 < v.y2) {
        return cleanWires(drawn, pins, s.clean);
      }
    }
  }
  // Degrees of the pieces' ends; a tree has one piece fewer than ends, and
  // every bare end has a pin.
  std::vector<int>& degree = s.degree;
  std::vector<char>& pinAt = s.pinAt;
  degree.assign(cuts.size(), 0);
  auto idOf = [&cuts](float x, float y) {
    return static_cast<int>(std::lower_bound(cuts.begin(), cuts.end(),
                                             RoutePoint{x, y}, lessPoint) -
                            cuts.begin());
  };
  for (const auto* list : {&across, &along}) {
    for (const Wire& w : *list) {
      ++degree[idOf(w.x1, w.y1)];
      ++degree[idOf(w.x2, w.y2)];
    }
  }
  pinAt.assign(cuts.size(), 0);
  for (const RoutePoint& p : pins) {
    pinAt[idOf(p.x, p.y)] = 1;
  }
  size_t ends = 0;
  for (size_t c = 0; c < cuts.size(); ++c) {
    ends += degree[c] > 0;
    if ((degree[c] == 1 && !pinAt[c]) || (degree[c] == 0 && pinAt[c])) {
      return cleanWires(drawn, pins, s.clean);
    }
  }
  if (across.size() + along.size() + 1 != ends) {
    return cleanWires(drawn, pins, s.clean);
  }
  std::vector<Wire> out;
  out.reserve(across.size() + along.size());
  for (const auto* list : {&across, &along}) {
    bool flat = list == &across;
    for (const Wire& w : *list) {
      int joint = idOf(w.x1, w.y1);
      bool runsOn = !out.empty() && out.back().x2 == w.x1 &&
                    out.back().y2 == w.y1 && degree[joint] == 2 &&
                    !pinAt[joint] &&
                    (flat ? out.back().y1 == w.y1 : out.back().x1 == w.x1);
      if (runsOn) {
        out.back().x2 = w.x2;
        out.back().y2 = w.y2;
      } else {
        out.push_back(w);
      }
    }
  }
  std::sort(out.begin(), out.end(), lessWire);
  return out;
}

}  // namespace

std::vector<Wire> solveFlatTree(const std::vector<RoutePoint>& pins) {
  FlatScratch s;
  return solveFlatTree(pins, s);
}

std::vector<Wire> solveFlatTree(const std::vector<RoutePoint>& pins,
                                FlatScratch& s) {
  std::vector<Wire> out;
  solveFlatTreeTo(pins, s, out);
  return out;
}

bool solveFlatTreeTo(const std::vector<RoutePoint>& pins,
                     FlatScratch& s,
                     std::vector<Wire>& out,
                     bool gridOnly) {
  out.clear();
  s.grid.valid = false;
  s.cuts.assign(pins.begin(), pins.end());
  FlatNet net = flatNetOf(s.cuts);
  if (net.n < 2 || net.n > kFlatExactPins) {
    return net.n <= kFlatExactPins;
  }
  std::vector<Wire>& wires = s.drawn;
  wires.clear();
  // Each pin's lines, as gridTree numbers them from the net, for the
  // solvers to draw on.
  s.drawnLines.clear();
  net.lines = &s.drawnLines;
  PinLines on;
  on.pieces = &s.drawnLines;
  for (int i = 0; i < net.n; ++i) {
    float x = static_cast<float>(net.x[i]);
    if (on.nx == 0 || on.xs[on.nx - 1] != x) {
      on.xs[on.nx++] = x;
    }
    on.xLine[i] = static_cast<std::uint8_t>(on.nx - 1);
  }
  for (int j = 0; j < net.n; ++j) {
    float y = static_cast<float>(net.y[net.byY[j]]);
    if (on.ny == 0 || on.ys[on.ny - 1] != y) {
      on.ys[on.ny++] = y;
    }
    on.yLine[net.byY[j]] = static_cast<std::uint8_t>(on.ny - 1);
  }
  solveMask(net, (1 << net.n) - 1, &wires);
  if (!gridTree(wires, pins, out, &s.grid, &on, gridOnly)) {
    // The pieces from their pins' coordinates, for the cuts.
    for (std::uint32_t q : s.drawnLines) {
      auto x = [&net](std::uint32_t i) { return static_cast<float>(net.x[i]); };
      auto y = [&net](std::uint32_t i) { return static_cast<float>(net.y[i]); };
      wires.push_back(
          {x(q & 255), y(q >> 8 & 255), x(q >> 16 & 255), y(q >> 24)});
    }
    out = cleanTree(wires, pins, s);
  }
  return true;
}

namespace {

// Distinct positions sorted along one axis, then the other.
void sortAlong(std::vector<RoutePoint>& pts, bool alongY) {
  if (alongY) {
    std::sort(pts.begin(), pts.end(), lessFlipped);
  } else {
    std::sort(pts.begin(), pts.end(), lessPoint);
  }
}

// A shortest tree over the distinct positions begin..end, up to
// kFlatExactPins of them (pts: a working copy), appended to wires when
// given; cap as solveMask takes it.
double solvePositions(const RoutePoint* begin,
                      const RoutePoint* end,
                      std::vector<RoutePoint>& pts,
                      std::vector<Wire>* wires,
                      double cap = INFINITY) {
  if (end - begin < 2) {
    return 0;
  }
  pts.assign(begin, end);
  FlatNet net = flatNetOf(pts);
  return solveMask(net, (1 << net.n) - 1, wires, cap);
}

// A net's distinct positions ranked once along each axis: sorted[0] by x
// (then y), sorted[1] by y (then x), and each one's x and y rank, so that
// a run of either list has its FlatNet from masks of its ranks, as
// flatNetOf would sort it.
struct Ranked {
  const std::vector<RoutePoint>* sorted[2];
  int xRank[2][kFlatBreakPins];  // of sorted[axis][k]
  int yRank[2][kFlatBreakPins];
  int xOfY[kFlatBreakPins];  // the x rank of the position of y rank j
  // The x ranks and the y ranks of sorted[axis][0 .. k - 1], as masks.
  unsigned xsBefore[2][kFlatBreakPins + 1];
  unsigned ysBefore[2][kFlatBreakPins + 1];
  // Every coordinate whole (FlatNet::whole): so then is every run's. A run
  // of whole coordinates in a net of others is solved as they are, by the
  // same sums without the bounds, to the same tree.
  bool whole;
};

// solvePositions over sorted[axis][from .. to - 1] (up to kFlatExactPins),
// its look-ups through memo where given; with lines, drawn there by the
// x ranks of the whole net (FlatNet::lines).
double solveRun(const Ranked& r,
                int axis,
                int from,
                int to,
                std::vector<Wire>* wires,
                double cap = INFINITY,
                LookUpMemo* memo = nullptr,
                std::vector<std::uint32_t>* lines = nullptr) {
  if (to - from < 2) {
    return 0;
  }
  unsigned xs = r.xsBefore[axis][to] & ~r.xsBefore[axis][from];
  unsigned ys = r.ysBefore[axis][to] & ~r.ysBefore[axis][from];
  FlatNet net;
  net.n = to - from;
  net.whole = r.whole;
  int at[kFlatBreakPins];  // the subnet's index of each x rank
  int i = 0;
  for (unsigned m = xs; m; m &= m - 1) {
    int g = __builtin_ctz(m);
    const RoutePoint& p = (*r.sorted[0])[static_cast<size_t>(g)];
    net.x[i] = p.x;
    net.y[i] = p.y;
    net.rank[i] = static_cast<std::uint8_t>(g);
    at[g] = i++;
  }
  net.memo = memo;
  net.key = xs;
  net.lines = lines;
  net.byRank = true;
  int j = 0;
  for (unsigned m = ys; m; m &= m - 1) {
    int k = at[r.xOfY[__builtin_ctz(m)]];
    net.byY[j] = k;
    net.yRank[k] = j++;
  }
  return solveMask(net, (1 << net.n) - 1, wires, cap);
}

// Appends a tree over the distinct positions pts, up to kFlatBreakPins of
// them: exact up to kFlatExactPins, else the best of the two exact trees of
// the net broken at one position into those up to it and those from it
// along one axis, over every such break (the first of the shortest in the
// order of their boxes; those with a nine-position half tried last, when
// the best so far and the eight-position halves below them bound their
// costliest solves; on whole coordinates, each half's scan bounded by what
// it could still win; each subset's look-up once).
// pts: sorted by x (then y); flipped: a list for them sorted by y. With
// on (beyond kFlatExactPins positions, with wires), the tree is drawn as
// lines into lines, and on holds the net's lines.
double addBroken(const std::vector<RoutePoint>& pts,
                 std::vector<RoutePoint>& flipped,
                 std::vector<Wire>* wires,
                 std::vector<std::uint32_t>* lines = nullptr,
                 PinLines* on = nullptr) {
  int n = static_cast<int>(pts.size());
  std::vector<RoutePoint> work;
  if (n <= kFlatExactPins) {
    return solvePositions(pts.data(), pts.data() + n, work, wires);
  }
  struct Break {
    double bound;  // the halves' boxes
    bool alongY;
    int at;
    double box[2];  // of the positions up to at, and from it
  };
  const int kMaxBreaks = 2 * kFlatExactPins;
  Break breaks[kMaxBreaks];
  int count = 0;
  bool whole = true;
  for (const RoutePoint& p : pts) {
    whole = whole && isWhole(p.x) && isWhole(p.y);
  }
  flipped.assign(pts.begin(), pts.end());
  sortAlong(flipped, true);
  const std::vector<RoutePoint>* sorted[2] = {&pts, &flipped};
  // Per axis, bounds under the shortest trees of the positions up to each
  // one (0) and from it (1): their boxes, then what their solves gave (a
  // bounded solve gives no more than the length), which also bound every
  // larger prefix and suffix, as a tree over more positions spans fewer.
  double least[2][2][kFlatBreakPins];
  double boxes[2][2][kFlatBreakPins];
  for (bool alongY : {false, true}) {
    const std::vector<RoutePoint>& along = *sorted[alongY];
    // The boxes of every prefix and suffix, grown one position at a time.
    double upTo[kFlatBreakPins], from[kFlatBreakPins];
    for (int pass = 0; pass < 2; ++pass) {
      double* box = pass ? from : upTo;
      float xlo = INFINITY, xhi = -INFINITY, ylo = INFINITY, yhi = -INFINITY;
      for (int k = 0; k < n; ++k) {
        const RoutePoint& p = along[pass ? n - 1 - k : k];
        xlo = std::min(xlo, p.x), xhi = std::max(xhi, p.x);
        ylo = std::min(ylo, p.y), yhi = std::max(yhi, p.y);
        box[pass ? n - 1 - k : k] =
            (static_cast<double>(xhi) - xlo) + (static_cast<double>(yhi) - ylo);
      }
    }
    std::copy(upTo, upTo + n, least[alongY][0]);
    std::copy(from, from + n, least[alongY][1]);
    std::copy(upTo, upTo + n, boxes[alongY][0]);
    std::copy(from, from + n, boxes[alongY][1]);
    for (int at = n - kFlatExactPins; at < kFlatExactPins; ++at) {
      breaks[count++] = {upTo[at] + from[at], alongY, at, {upTo[at], from[at]}};
    }
  }
  Ranked ranked{{sorted[0], sorted[1]}, {}, {}, {}, {}, {}, whole};
  for (int k = 0; k < n; ++k) {
    int g = static_cast<int>(
        std::lower_bound(pts.begin(), pts.end(), flipped[k], lessPoint) -
        pts.begin());
    ranked.xOfY[k] = g;
    ranked.xRank[1][k] = g;
    ranked.yRank[1][k] = k;
    ranked.xRank[0][g] = g;
    ranked.yRank[0][g] = k;
  }
  for (int axis = 0; axis < 2; ++axis) {
    for (int k = 0; k < n; ++k) {
      ranked.xsBefore[axis][k + 1] =
          ranked.xsBefore[axis][k] | 1u << ranked.xRank[axis][k];
      ranked.ysBefore[axis][k + 1] =
          ranked.ysBefore[axis][k] | 1u << ranked.yRank[axis][k];
    }
  }
  // By the boxes, then as made (x first, then by position): as a stable
  // sort would leave them, without its buffer.
  std::sort(breaks, breaks + count, [](const Break& x, const Break& y) {
    return x.bound < y.bound ||
           (x.bound == y.bound &&
            (x.alongY < y.alongY || (x.alongY == y.alongY && x.at < y.at)));
  });
  double best = INFINITY;
  int chosen = -1;  // of breaks: the first of the shortest wins
  LookUpMemo memo;
  int order[kMaxBreaks];  // the breaks as tried
  int placed = 0;
  for (int pass = 0; pass < 2; ++pass) {
    for (int b = 0; b < count; ++b) {
      const Break& k = breaks[b];
      bool nine = k.at + 1 == kFlatExactPins || n - k.at == kFlatExactPins;
      if (nine == (pass == 1)) {
        order[placed++] = b;
      }
    }
  }
  for (int o = 0; o < count; ++o) {
    int b = order[o];
    const Break& k = breaks[b];
    // A break before the chosen one wins on equal length too: on whole
    // coordinates, where lengths are whole, below one more.
    bool ties = b < chosen;
    auto beats = [&](double len) {
      return len < best || (ties && len == best);
    };
    double limit = ties ? best + 1 : best;
    if (!beats(k.bound)) {
      continue;
    }
    // The smaller half first, bounded by the larger's box. A half's scan
    // that finds nothing below its bound gives the bound itself, which
    // ends the break as its true length would.
    double(&bound)[2][kFlatBreakPins] = least[k.alongY];
    if (!beats(bound[0][k.at] + bound[1][k.at])) {
      continue;
    }
    int axis = k.alongY;
    bool upFirst = k.at + 1 <= n - k.at;
    int firstBegin = upFirst ? 0 : k.at;
    int firstEnd = upFirst ? k.at + 1 : n;
    int otherBegin = upFirst ? k.at : 0;
    int otherEnd = upFirst ? n : k.at + 1;
    // What a solve of the half up to at (side 0) or from it (1) gave.
    const double(&box)[2][kFlatBreakPins] = boxes[k.alongY];
    auto learn = [&](int side, double len) {
      int lo = side ? 0 : k.at, hi = side ? k.at : n - 1;
      double* to = bound[side];
      const double* grows = box[side];
      double base = len - grows[k.at];  // exact on whole coordinates
      for (int a = lo; whole && a <= hi; ++a) {
        to[a] = std::max(to[a], base + grows[a]);
      }
      for (int a = lo; !whole && a <= hi; ++a) {
        to[a] = std::max(to[a], len);
      }
    };
    int firstSide = upFirst ? 0 : 1;
    double otherBound = bound[1 - firstSide][k.at];
    // A half of up to three positions is its box.
    auto solveHalf = [&](int side, int begin, int end, double cap) {
      return end - begin <= 3
                 ? box[side][k.at]
                 : solveRun(ranked, axis, begin, end, nullptr, cap, &memo);
    };
    double len = solveHalf(firstSide, firstBegin, firstEnd,
                           whole ? limit - otherBound : INFINITY);
    learn(firstSide, len);
    if (!beats(len + otherBound)) {
      continue;
    }
    double second = solveHalf(1 - firstSide, otherBegin, otherEnd,
                              whole ? limit - len : INFINITY);
    learn(1 - firstSide, second);
    len += second;
    if (beats(len)) {
      best = len;
      chosen = b;
    }
  }
  if (wires) {
    const Break& k = breaks[chosen];
    solveRun(ranked, k.alongY, 0, k.at + 1, wires, INFINITY, &memo, lines);
    solveRun(ranked, k.alongY, k.at, n, wires, INFINITY, &memo, lines);
  }
  for (int k = 0; on && k < n; ++k) {
    if (on->nx == 0 || on->xs[on->nx - 1] != pts[k].x) {
      on->xs[on->nx++] = pts[k].x;
    }
    on->xLine[k] = static_cast<std::uint8_t>(on->nx - 1);
    if (on->ny == 0 || on->ys[on->ny - 1] != flipped[k].y) {
      on->ys[on->ny++] = flipped[k].y;
    }
    on->yLine[ranked.xOfY[k]] = static_cast<std::uint8_t>(on->ny - 1);
  }
  return best;
}

}  // namespace

std::vector<Wire> breakFlatTree(const std::vector<RoutePoint>& pins) {
  FlatScratch s;
  return breakFlatTree(pins, s);
}

std::vector<Wire> breakFlatTree(const std::vector<RoutePoint>& pins,
                                FlatScratch& s) {
  std::vector<Wire> out;
  breakFlatTreeTo(pins, s, out);
  return out;
}

bool breakFlatTreeTo(const std::vector<RoutePoint>& pins,
                     FlatScratch& s,
                     std::vector<Wire>& out) {
  out.clear();
  s.grid.valid = false;
  // The scratch's lists, which the cleaning below reads none of.
  std::vector<RoutePoint>& pts = s.cuts;
  pts.assign(pins.begin(), pins.end());
  std::sort(pts.begin(), pts.end(), lessPoint);
  pts.erase(std::unique(pts.begin(), pts.end()), pts.end());
  if (pts.size() > kFlatBreakPins) {
    return false;
  }
  std::vector<Wire>& wires = s.drawn;
  wires.clear();
  if (pts.size() <= static_cast<size_t>(kFlatExactPins)) {
    addBroken(pts, s.flipped, &wires);
    if (!gridTree(wires, pins, out, &s.grid)) {
      out = cleanTree(wires, pins, s);
    }
    return true;
  }
  // Drawn by the pins' ranks on the net's lines, which gridTree then reads
  // without sorting or searching them.
  s.drawnLines.clear();
  PinLines on;
  on.pieces = &s.drawnLines;
  addBroken(pts, s.flipped, &wires, &s.drawnLines, &on);
  if (!gridTree(wires, pins, out, &s.grid, &on)) {
    // The pieces from their pins' coordinates, before the cuts take pts.
    for (std::uint32_t q : s.drawnLines) {
      wires.push_back({pts[q & 255].x, pts[q >> 8 & 255].y,
                       pts[q >> 16 & 255].x, pts[q >> 24].y});
    }
    out = cleanTree(wires, pins, s);
  }
  return true;
}

int flatPlaces(const std::vector<RoutePoint>& pins) {
  std::vector<RoutePoint> p(pins);
  std::sort(p.begin(), p.end(), lessPoint);
  return static_cast<int>(std::unique(p.begin(), p.end()) - p.begin());
}
