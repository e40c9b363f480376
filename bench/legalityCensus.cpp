// Runs both pipelines on one instance stage by stage and counts, with the
// tree checks, the pieces that cross obstacles and the stage that made them.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "check/checkTree.h"
#include "drivers/readInput.h"
#include "geometry/obstacleRects.h"
#include "geometry/segment.h"
#include "geometry/vertex.h"
#include "router/router.h"
#include "spatial/freeRoute.h"
#include "spatial/obstacleIndex.h"
#include "spatial/wirePlan.h"
#include "steiner/steinerCandidate.h"
#include "support/tempTemplate.h"
#include "tools/instance.h"
#include "tools/treeFile.h"

namespace {

// mst*: the spanning tree as exportMST writes it (crossing pieces,
// connections listed twice, tree vertices inside an obstacle, union and
// total wire, parts, seconds). Then the Steiner tree's connections after
// insertion by origin (sg: spanning-tree paths, path: u's path to its tree
// vertex, us: u to s, send: s to eSub's ends): how many, how many whose
// primary L is blocked, how many with no route as long as their
// rectilinear length (and, for sg, none at all). rectCross: crossing
// pieces after rectilinearization; finalCross: crossing segments at the
// end, moveCross of them made by segment moving; smt*: union and total
// wire, loops, parts, seconds.
const char* const kColumns[] = {
    "instance",  "pins",       "obst",       "mstCross",  "mstDupConn",
    "mstBuried", "mstWire",    "mstTotal",   "mstParts",  "mstSec",
    "sgConn",    "sgL",        "sgNoMono",   "sgNoRoute", "pathConn",
    "pathL",     "pathNoMono", "usConn",     "usL",       "usNoMono",
    "sendConn",  "sendL",      "sendNoMono", "rectCross", "finalCross",
    "moveCross", "smtWire",    "smtTotal",   "smtLoops",  "smtParts",
    "smtSec"};

std::vector<Vertex*> readVertices(const std::string& pins,
                                  const std::string& obst) {
  std::vector<Vertex*> vs;
  std::string error;
  if (!readPinFile(pins, vs, error) || !readObstacleFile(obst, vs, error)) {
    std::cerr << "legalityCensus: " << error << std::endl;
    std::exit(2);
  }
  return vs;
}

bool after(const Vertex* u, const Vertex* v) {
  return v->x > u->x || (v->x == u->x && v->y > u->y);
}

using Pair = std::pair<const Vertex*, const Vertex*>;

Pair keyOf(const Vertex* a, const Vertex* b) {
  return a < b ? Pair{a, b} : Pair{b, a};
}

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since)
      .count();
}

// Connections drawn from their lower end, once per listing.
template <class F>
void eachConnection(const Router& r, F f) {
  for (const Vertex* u : r.vertices) {
    if (!u) {
      continue;
    }
    for (const Vertex* v : u->mstNbrs) {
      if (v && after(u, v)) {
        f(u, v);
      }
    }
  }
}

struct Tally {
  long conn = 0;
  long lBlocked = 0;
  long noMonotone = 0;
  long noRoute = 0;
};

bool overlaps(const Piece& a, const Piece& b) {
  bool ah = a.y1 == a.y2, bh = b.y1 == b.y2;
  if (ah != bh) {
    return false;
  }
  if (ah) {
    return a.y1 == b.y1 &&
           std::max(std::min(a.x1, a.x2), std::min(b.x1, b.x2)) <
               std::min(std::max(a.x1, a.x2), std::max(b.x1, b.x2));
  }
  return a.x1 == b.x1 &&
         std::max(std::min(a.y1, a.y2), std::min(b.y1, b.y2)) <
             std::min(std::max(a.y1, a.y2), std::max(b.y1, b.y2));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--header") {
    for (const char* c : kColumns) {
      std::cout << c << (c == kColumns[std::size(kColumns) - 1] ? "\n" : " ");
    }
    return 0;
  }
  if (argc != 4) {
    std::cerr << "Usage: legalityCensus NAME PIN_POS_FILE RECT_OBSTS_FILE\n"
                 "       legalityCensus --header\n";
    return 1;
  }
  std::string name = argv[1], pinPath = argv[2], obstPath = argv[3];
  std::vector<Point> pins;
  std::vector<Rect> rects;
  std::string error;
  if (!readInstance(pinPath, obstPath, pins, rects, error)) {
    std::cerr << "legalityCensus: " << error << std::endl;
    return 2;
  }
  std::vector<std::string> row = {name, std::to_string(pins.size()),
                                  std::to_string(rects.size())};
  auto add = [&row](double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    row.push_back(buf);
  };

  std::string scratch = tempTemplate("legalityCensus");
  char* tmpl = scratch.data();
  int fd = mkstemp(tmpl);
  if (fd < 0) {
    std::cerr << "legalityCensus: no scratch file" << std::endl;
    return 2;
  }
  close(fd);

  // The spanning tree, as oamst writes it.
  {
    std::vector<Vertex*> vs = readVertices(pinPath, obstPath);
    Router r(vs);
    ObstacleIndex index(collectObstacleRects(vs));
    auto t0 = std::chrono::steady_clock::now();
    r.formMST();
    double mstSec = seconds(t0);
    long dup = 0, buried = 0;
    for (const Vertex* u : r.vertices) {
      if (!u) {
        continue;
      }
      std::set<const Vertex*> seen;
      bool listed = false;
      for (const Vertex* v : u->mstNbrs) {
        listed = listed || v;
        if (v && after(u, v) && !seen.insert(v).second) {
          ++dup;
        }
      }
      if (listed && index.containing(u->x, u->y) >= 0) {
        ++buried;
      }
    }
    t0 = std::chrono::steady_clock::now();
    r.exportMST(tmpl);
    mstSec += seconds(t0);
    std::vector<Piece> pieces;
    readTreeFile(tmpl, pieces, error);
    TreeCheck c = checkTree(pins, rects, pieces);
    add(c.crossings);
    add(dup);
    add(buried);
    add(c.wireLength);
    add(c.totalLength);
    add(c.pinParts);
    add(mstSec);
    for (Vertex* v : vs) {
      delete v;
    }
  }

  // The Steiner tree, stage by stage, as zorvane builds it.
  {
    std::vector<Vertex*> vs = readVertices(pinPath, obstPath);
    Router r(vs);
    ObstacleIndex index(collectObstacleRects(vs));
    RouteFinder finder(index);
    auto t0 = std::chrono::steady_clock::now();
    r.formUnrefinedSMT();
    double smtSec = seconds(t0);

    // Where each connection came from: a Steiner point's three new
    // connections, the path that joins its u to the tree, or the
    // spanning tree's own paths.
    std::set<Pair> us, send, path;
    std::set<const Vertex*> inTree(r.vertices.begin(), r.vertices.end());
    for (const SteinerCandidate* c : r.steinerCandidates) {
      if (!inTree.count(c->s)) {
        continue;
      }
      us.insert(keyOf(c->u, c->s));
      send.insert(keyOf(c->s, c->eSub->pStart));
      send.insert(keyOf(c->s, c->eSub->pEnd));
      for (const Vertex* w = c->u; w != c->u->pMstVerRoot; w = w->pMstVerPred) {
        path.insert(keyOf(w, w->pMstVerPred));
      }
    }
    Tally sg, pathT, usT, sendT;
    eachConnection(r, [&](const Vertex* u, const Vertex* v) {
      Pair k = keyOf(u, v);
      Tally& t = us.count(k)     ? usT
                 : send.count(k) ? sendT
                 : path.count(k) ? pathT
                                 : sg;
      RoutePoint a{u->x, u->y}, b{v->x, v->y};
      ++t.conn;
      if (!finder.primaryLFree(a, b)) {
        ++t.lBlocked;
        if (!finder.monotoneRoute(a, b).found()) {
          ++t.noMonotone;
          if (!finder.route(a, b).found()) {
            ++t.noRoute;
          }
        }
      }
    });
    for (const Tally* t : {&sg, &pathT}) {
      add(t->conn);
      add(t->lBlocked);
      add(t->noMonotone);
      if (t == &sg) {
        add(t->noRoute);
      }
    }
    for (const Tally* t : {&usT, &sendT}) {
      add(t->conn);
      add(t->lBlocked);
      add(t->noMonotone);
    }

    t0 = std::chrono::steady_clock::now();
    r.rectilinearizeSMT();
    r.rmRedundentVers();
    smtSec += seconds(t0);
    std::vector<Piece> before;
    eachConnection(r, [&](const Vertex* u, const Vertex* v) {
      before.push_back({u->x, u->y, v->x, v->y});
    });
    TreeCheck rc = checkTree(pins, rects, before);
    std::vector<Piece> crossingBefore;
    for (long i : rc.crossingPieces) {
      crossingBefore.push_back(before[i]);
    }

    t0 = std::chrono::steady_clock::now();
    r.moveSegments();
    r.cleanSegments();
    smtSec += seconds(t0);
    std::vector<Piece> segs;
    std::vector<Wire> wires;
    for (const Segment* s : r.segments) {
      segs.push_back({s->x1, s->y1, s->x2, s->y2});
      wires.push_back({s->x1, s->y1, s->x2, s->y2});
    }
    TreeCheck fc = checkTree(pins, rects, segs);
    long moved = 0;
    for (long i : fc.crossingPieces) {
      bool inherited = false;
      for (const Piece& p : crossingBefore) {
        inherited = inherited || overlaps(p, segs[i]);
      }
      moved += inherited ? 0 : 1;
    }
    std::vector<RoutePoint> pinPoints;
    for (const Point& p : pins) {
      pinPoints.push_back({static_cast<float>(p.x), static_cast<float>(p.y)});
    }
    add(rc.crossings);
    add(fc.crossings);
    add(moved);
    add(fc.wireLength);
    add(fc.totalLength);
    add(planWires(wires, pinPoints).loops());
    add(fc.pinParts);
    add(smtSec);
    for (Vertex* v : vs) {
      delete v;
    }
  }
  std::remove(tmpl);

  for (size_t k = 0; k < row.size(); ++k) {
    std::cout << row[k] << (k + 1 == row.size() ? "\n" : " ");
  }
  return 0;
}
