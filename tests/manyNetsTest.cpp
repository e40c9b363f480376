#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "drivers/readInput.h"
#include "geometry/vertex.h"
#include "router/router.h"
#include "tests/legalTree.h"
#include "tests/programRun.h"

// One process that routes net after net must give each the result a
// separate run of the program gives it: no state may survive a Router. Under
// the sanitizer build the same runs show that every Router frees what its
// pipeline made.
namespace {

enum class Entry { mst, unrefinedSmt, smt };

// A random net on the integer grid [0, 60)^2: up to 40 pins and 10
// rectangles that may touch and overlap, corners in any order round each,
// no pin strictly inside a rectangle.
struct Net {
  std::string pins;
  std::string obsts;
};

Net randomNet(unsigned seed) {
  std::mt19937 rng(seed);
  auto below = [&rng](int n) {
    return static_cast<int>(rng() % static_cast<unsigned>(n));
  };
  struct Box {
    int x1, y1, x2, y2;
  };
  std::vector<Box> boxes;
  int rects = below(11);
  for (int i = 0; i < rects; ++i) {
    int x = below(55), y = below(55);
    boxes.push_back({x, y, x + 1 + below(15), y + 1 + below(15)});
  }
  Net net;
  for (const Box& b : boxes) {
    int xs[4] = {b.x1, b.x2, b.x2, b.x1};
    int ys[4] = {b.y1, b.y1, b.y2, b.y2};
    int start = below(4);
    int step = below(2) ? 1 : 3;
    for (int k = 0, c = start; k < 4; ++k, c = (c + step) % 4) {
      net.obsts +=
          std::to_string(xs[c]) + " " + std::to_string(ys[c]) + " corner\n";
    }
  }
  int pins = 1 + below(40);
  for (int tries = 0; pins > 0 && tries < 1000; ++tries) {
    int x = below(60), y = below(60);
    bool inside = false;
    for (const Box& b : boxes) {
      inside = inside || (b.x1 < x && x < b.x2 && b.y1 < y && y < b.y2);
    }
    if (!inside) {
      net.pins += std::to_string(x) + " " + std::to_string(y) + " pin\n";
      --pins;
    }
  }
  net.pins += "-1 -1 pin\n";
  return net;
}

// The net read as the programs read it, routed through one entry and
// written as that program writes it.
class InProcessRun {
 public:
  explicit InProcessRun(const Net& net) {
    std::string error;
    EXPECT_TRUE(parsePins(net.pins, "pins", vertices, error)) << error;
    EXPECT_TRUE(parseObstacles(net.obsts, "obsts", vertices, error)) << error;
    router = std::make_unique<Router>(vertices);
  }
  ~InProcessRun() {
    router.reset();
    for (Vertex* v : vertices) {
      delete v;
    }
  }
  InProcessRun(const InProcessRun&) = delete;
  InProcessRun& operator=(const InProcessRun&) = delete;

  void form(Entry entry) {
    if (entry == Entry::mst) {
      router->formMST();
    } else if (entry == Entry::unrefinedSmt) {
      router->formUnrefinedSMT();
    } else {
      router->formSMT();
    }
  }

  bool write(Entry entry, const std::string& path) {
    const char* p = path.c_str();
    return entry == Entry::mst            ? router->exportMST(p)
           : entry == Entry::unrefinedSmt ? router->exportSMT(p)
                                          : router->exportSMTSegs(p);
  }

  std::vector<Vertex*> vertices;
  std::unique_ptr<Router> router;
};

const Entry kEntries[] = {Entry::mst, Entry::unrefinedSmt, Entry::smt};

std::string programArgs(Entry entry) {
  return entry == Entry::unrefinedSmt ? "--no-refine " : "";
}

const char* programPath(Entry entry) {
  return entry == Entry::mst ? OAMST_PATH : ZORVANE_PATH;
}

std::string outName(Entry entry, int net, const char* who) {
  return std::string(who) + "-" + std::to_string(static_cast<int>(entry)) +
         "-" + std::to_string(net) + ".txt";
}

TEST(ManyNetsTest, OneProcessRoutesEachNetAsASeparateRunDoes) {
  const int kNets = 200;
  ProgramRun run;
  std::vector<Net> nets;
  for (int i = 0; i < kNets; ++i) {
    nets.push_back(randomNet(1000 + i));
  }
  for (int i = 0; i < kNets; ++i) {
    for (Entry entry : kEntries) {
      SCOPED_TRACE(testing::Message() << "net seed " << 1000 + i << " entry "
                                      << static_cast<int>(entry));
      InProcessRun r(nets[i]);
      r.form(entry);
      expectLegalTree(*r.router);
      ASSERT_TRUE(r.write(entry, run.path(outName(entry, i, "lib"))));
    }
  }
  for (int i = 0; i < kNets; ++i) {
    SCOPED_TRACE("net seed " + std::to_string(1000 + i));
    run.write("pins.txt", nets[i].pins);
    run.write("obst.txt", nets[i].obsts);
    for (Entry entry : kEntries) {
      std::string out = outName(entry, i, "prog");
      int status = run.run(programPath(entry),
                           programArgs(entry) + "pins.txt obst.txt " + out);
      EXPECT_TRUE(status == 0 || status == 4) << status << run.err;
      EXPECT_EQ(run.read(out), run.read(outName(entry, i, "lib")))
          << "entry " << static_cast<int>(entry);
    }
  }
}

// Routers alive at once, over their own vertices, run in turn: none sees
// another's state.
TEST(ManyNetsTest, InterleavedRoutersKeepToThemselves) {
  const int kNets = 6;
  ProgramRun run;
  std::vector<Net> nets;
  std::vector<std::unique_ptr<InProcessRun>> runs;
  for (int i = 0; i < kNets; ++i) {
    nets.push_back(randomNet(77 + i));
    runs.push_back(std::make_unique<InProcessRun>(nets[i]));
  }
  for (int i = kNets - 1; i >= 0; --i) {
    runs[i]->form(Entry::smt);
  }
  for (int i = 0; i < kNets; ++i) {
    SCOPED_TRACE("net seed " + std::to_string(77 + i));
    ASSERT_TRUE(runs[i]->write(Entry::smt, run.path("lib.txt")));
    runs[i].reset();
    run.write("pins.txt", nets[i].pins);
    run.write("obst.txt", nets[i].obsts);
    int status = run.run(ZORVANE_PATH, "pins.txt obst.txt prog.txt");
    EXPECT_TRUE(status == 0 || status == 4) << status << run.err;
    EXPECT_EQ(run.read("prog.txt"), run.read("lib.txt"));
  }
}

}  // namespace
