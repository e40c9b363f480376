#include "tools/families.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "drivers/commandLine.h"
#include "support/escapeBytes.h"

namespace {

struct Builder {
  Instance inst;
  bool turned = false;  // x and y swapped: the pattern mirrored in x = y

  void pin(long x, long y) {
    if (turned) {
      std::swap(x, y);
    }
    inst.pins.push_back({static_cast<float>(x), static_cast<float>(y)});
  }

  // Corners counter-clockwise from the lower left.
  void rect(long x1, long y1, long x2, long y2) {
    if (turned) {
      std::swap(x1, y1);
      std::swap(x2, y2);
    }
    float a = static_cast<float>(x1), b = static_cast<float>(y1);
    float c = static_cast<float>(x2), d = static_cast<float>(y2);
    inst.rects.push_back({a, b, c, d});
    inst.corners.push_back(
        std::array<Point, 4>{{{a, b}, {c, b}, {c, d}, {a, d}}});
  }
};

// Frame k spans [c - 4k, c + 4k] on both axes with walls one unit thick, so
// the corridor between frames k and k + 1 is three units wide. The side
// walls overlap the top and bottom walls: touching walls would leave a
// seam that a wire may follow. Frame k's gap, two units high at the middle,
// is on the right for odd k and on the left for even k; each corridor's pin
// sits in its upper right corner, so joining the pins of neighbouring
// corridors goes round through a gap. Turned, the gaps are in the top and
// bottom walls instead.
Instance spiral(long n, bool turned) {
  Builder b;
  b.turned = turned;
  long c = 4 * n + 4;
  b.pin(c, c);
  for (long k = 1; k <= n; ++k) {
    long lo = c - 4 * k, hi = c + 4 * k;
    b.rect(lo, lo, hi, lo + 1);
    b.rect(lo, hi - 1, hi, hi);
    bool gapRight = k % 2 == 1;
    long gx = gapRight ? hi - 1 : lo;
    long wx = gapRight ? lo : hi - 1;
    b.rect(wx, lo, wx + 1, hi);
    b.rect(gx, lo, gx + 1, c - 1);
    b.rect(gx, c + 1, gx + 1, hi);
    if (k < n) {
      b.pin(hi + 2, hi + 2);
    }
  }
  return b.inst;
}

// Squares three units apart on two diagonal chains that leave one spot
// together, one running up to the right, the other up to the left; five pins
// beside each chain, spread along it. The spanning tree's edges then run
// along both chains, hopping from corner to corner, and meet only at the
// bottom.
Instance chains(long n) {
  Builder b;
  long m[2] = {(n + 1) / 2, n / 2};
  long c = 3 * m[0] + 10;
  for (long i = 0; i < m[0]; ++i) {
    b.rect(c + 3 * i, 3 * i, c + 3 * i + 1, 3 * i + 1);
  }
  for (long i = 0; i < m[1]; ++i) {
    b.rect(c - 3 * i - 3, 3 * i, c - 3 * i - 2, 3 * i + 1);
  }
  for (long j = 0; j < 5; ++j) {
    long i = j * std::max(m[0] - 1, 0L) / 4;
    b.pin(c + 3 * i + 2, 3 * i + 2);
    i = j * std::max(m[1] - 1, 0L) / 4;
    b.pin(c - 3 * i - 4, 3 * i + 2);
  }
  return b.inst;
}

Instance copies(long n) {
  Builder b;
  for (long i = 0; i < n; ++i) {
    b.pin(500, 500);
  }
  b.pin(100, 200);
  b.pin(900, 700);
  b.rect(300, 300, 700, 400);
  return b.inst;
}

// Pins ten units apart; each cell holds a six-unit square in its middle.
Instance lattice(long n) {
  Builder b;
  long k = std::max(
      2L, static_cast<long>(std::lround(std::sqrt(static_cast<double>(n)))));
  for (long i = 0; i < k; ++i) {
    for (long j = 0; j < k; ++j) {
      b.pin(10 * i, 10 * j);
    }
  }
  for (long i = 0; i + 1 < k; ++i) {
    for (long j = 0; j + 1 < k; ++j) {
      b.rect(10 * i + 2, 10 * j + 2, 10 * i + 8, 10 * j + 8);
    }
  }
  return b.inst;
}

// Sizes whose coordinates stay within kMaxGenCoord, with room to spare.
const long kMaxFamilySize = 1L << 20;

}  // namespace

const std::vector<std::string>& familyNames() {
  static const std::vector<std::string> names{"spiral", "frames", "chains",
                                              "copies", "lattice"};
  return names;
}

bool generateFamily(const std::string& name,
                    long size,
                    Instance& out,
                    std::string& error) {
  const std::vector<std::string>& names = familyNames();
  if (std::find(names.begin(), names.end(), name) == names.end()) {
    error = "unknown family '" + escapeBytes(name) + "'; the families are " +
            joinWords(names, "and");
    return false;
  }
  if (size < 1 || size > kMaxFamilySize) {
    error =
        "the family size must be from 1 to " + std::to_string(kMaxFamilySize);
    return false;
  }
  if (name == "spiral") {
    out = spiral(size, false);
  } else if (name == "frames") {
    out = spiral(size, true);
  } else if (name == "chains") {
    out = chains(size);
  } else if (name == "copies") {
    out = copies(size);
  } else if (name == "lattice") {
    out = lattice(size);
  }
  return true;
}
