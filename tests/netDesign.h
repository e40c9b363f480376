#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "check/checkTree.h"
#include "drivers/readInput.h"
#include "geometry/vertex.h"
#include "router/fileBanner.h"
#include "router/router.h"
#include "support/formatCoord.h"
#include "tests/programRun.h"
#include "treecore/route.h"

// Small random designs on an integer grid, as the value interface takes
// them and as the programs' files give them, and the single-net programs'
// output for a net, made in process the way the drivers make it.
namespace netDesign {

using Ring = std::array<treecore::Point, 4>;

struct Design {
  std::vector<Ring> rings;  // corners in file order
  std::vector<treecore::Net> nets;
};

// Up to `rects` rectangles in [0, side)^2 that may touch and overlap, their
// corners in any order round each, and `nets` nets of up to `pins` pins off
// every open interior.
inline Design randomDesign(
    unsigned seed, int nets, int rects, int pins, int side = 60) {
  std::mt19937 rng(seed);
  auto below = [&rng](int n) {
    return static_cast<int>(rng() % static_cast<unsigned>(n));
  };
  Design d;
  std::vector<std::array<int, 4>> boxes;
  for (int i = 0, n = below(rects + 1); i < n; ++i) {
    int x = below(side - 5), y = below(side - 5);
    int w = 1 + below(side / 4), h = 1 + below(side / 4);
    boxes.push_back({x, y, std::min(x + w, side), std::min(y + h, side)});
    const auto& b = boxes.back();
    double xs[4] = {1.0 * b[0], 1.0 * b[2], 1.0 * b[2], 1.0 * b[0]};
    double ys[4] = {1.0 * b[1], 1.0 * b[1], 1.0 * b[3], 1.0 * b[3]};
    int start = below(4), step = below(2) ? 1 : 3;
    Ring r;
    for (int k = 0, c = start; k < 4; ++k, c = (c + step) % 4) {
      r[k] = {xs[c], ys[c]};
    }
    d.rings.push_back(r);
  }
  for (int n = 0; n < nets; ++n) {
    treecore::Net net;
    int want = 1 + below(pins);
    for (int tries = 0; static_cast<int>(net.size()) < want && tries < 500;
         ++tries) {
      int x = below(side), y = below(side);
      bool inside = false;
      for (const auto& b : boxes) {
        inside = inside || (b[0] < x && x < b[2] && b[1] < y && y < b[3]);
      }
      if (!inside) {
        net.push_back({1.0 * x, 1.0 * y});
      }
    }
    d.nets.push_back(net);
  }
  return d;
}

inline std::string number(double v) {
  return formatCoord(static_cast<float>(v));
}

inline std::string pinText(const treecore::Net& net) {
  std::string s;
  for (const treecore::Point& p : net) {
    s += number(p.x) + " " + number(p.y) + " pin\n";
  }
  return s + "-1 -1 pin\n";
}

inline std::string obstacleText(const std::vector<Ring>& rings) {
  std::string s;
  for (const Ring& r : rings) {
    for (const treecore::Point& p : r) {
      s += number(p.x) + " " + number(p.y) + " corner\n";
    }
  }
  return s;
}

// What the single-net program writes for the net over every obstacle,
// made as its driver makes it: read the texts, one Router, one entry, one
// export.
inline std::string programOutput(const treecore::Net& net,
                                 const std::vector<Ring>& rings,
                                 treecore::Form form,
                                 bool exactGraph = false) {
  std::vector<Vertex*> vertices;
  std::string error;
  EXPECT_TRUE(parsePins(pinText(net), "pins", vertices, error)) << error;
  EXPECT_TRUE(parseObstacles(obstacleText(rings), "obsts", vertices, error))
      << error;
  std::string path =
      ::testing::TempDir() + "netDesign." + std::to_string(getpid()) + ".txt";
  {
    Router router(vertices);
    router.options.exactGraph = exactGraph;
    using treecore::Form;
    switch (form) {
      case Form::spanningTree:
        router.formMST();
        EXPECT_TRUE(router.exportMST(path.c_str()));
        break;
      case Form::unrefinedSteinerTree:
        router.formUnrefinedSMT();
        EXPECT_TRUE(router.exportSMT(path.c_str()));
        break;
      case Form::steinerTree:
        router.formSMT();
        EXPECT_TRUE(router.exportSMTSegs(path.c_str()));
        break;
      case Form::optimizedSteinerTree:
        router.formOptimizedSMT();
        EXPECT_TRUE(router.exportSMTSegs(path.c_str()));
        break;
    }
  }
  for (Vertex* v : vertices) {
    delete v;
  }
  std::string text = ProgramRun::readPath(path);
  std::remove(path.c_str());
  return text;
}

// The banner the programs write for the form.
inline std::string banner(treecore::Form form) {
  return fileBanner(form == treecore::Form::spanningTree ? kMstTitle
                                                         : kSmtTitle);
}

// The product's checker over the net's pins, every obstacle and the
// tree's segments.
inline TreeCheck checkOf(const treecore::Tree& t,
                         const treecore::Net& net,
                         const treecore::Obstacles& obstacles) {
  std::vector<Piece> pieces;
  for (const treecore::Segment& s : t.segments) {
    pieces.push_back({s.a.x, s.a.y, s.b.x, s.b.y});
  }
  return checkTree(net, obstacles.rects(), pieces);
}

}  // namespace netDesign
