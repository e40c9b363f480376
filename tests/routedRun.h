#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "check/checkTree.h"
#include "tests/programRun.h"
#include "tools/instance.h"

// What one program left: its status, its messages, the tree it wrote and
// that tree's figures over the input.
struct Outcome {
  int status = -1;
  std::string err;
  bool written = false;
  std::vector<Piece> pieces;
  TreeCheck check;
};

// Runs program on the given pin and obstacle file texts inside run's folder
// and checks what it wrote with treecheck's checks.
inline Outcome routeFiles(ProgramRun& run,
                          const char* program,
                          const std::string& pins,
                          const std::string& obsts) {
  run.write("pins.txt", pins);
  run.write("obst.txt", obsts);
  std::system(("rm -f '" + run.path("out.txt") + "'").c_str());
  Outcome o;
  o.status = run.run(program, "pins.txt obst.txt out.txt");
  o.err = run.err;
  o.written = run.exists("out.txt");
  if (o.written) {
    std::vector<Point> ps;
    std::vector<Rect> rs;
    std::string error;
    EXPECT_TRUE(readInstanceAndTree(run.path("pins.txt"), run.path("obst.txt"),
                                    run.path("out.txt"), ps, rs, o.pieces,
                                    error))
        << error;
    o.check = checkTree(ps, rs, o.pieces);
  }
  return o;
}
