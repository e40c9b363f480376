#include <algorithm>
#include <map>
#include <string>
#include <unordered_set>

#include "geometry/segment.h"
#include "router/fileBanner.h"
#include "router/router.h"
#include "support/formatCoord.h"
#include "support/outputFile.h"

namespace {

// A tree or graph file: the banner, then point lines, written through an
// OutputFile so that a failure leaves whatever stood at the path as it was.
class OutFile {
 public:
  OutFile(OutputFile& file, const char* title)
      : file_(file), buf_(fileBanner(title)) {}

  bool opened() const { return file_.opened(); }

  void point(float x, float y) {
    buf_ += formatCoord(x);
    buf_ += '\t';
    buf_ += formatCoord(y);
    buf_ += '\n';
    if (buf_.size() >= (1u << 20)) {
      file_.write(buf_);
      buf_.clear();
    }
  }
  void block(float x1, float y1, float x2, float y2) {
    point(x1, y1);
    point(x2, y2);
    buf_ += '\n';
  }
  void block(const Vertex* a, const Vertex* b) {
    block(a->x, a->y, b->x, b->y);
  }

  bool close() {
    file_.write(buf_);
    buf_.clear();
    return file_.commit();
  }

 private:
  OutputFile& file_;
  std::string buf_;
};

// Each tree connection once, from its end lower by x then y, however often
// it is listed, in the order of vertices and their lists: f(u, v, route)
// with the route legalizeTree gave it, or null for its primary L.
template <class F>
void forEachConnection(const Router& r, F f) {
  std::unordered_set<const Vertex*> seen;
  for (const Vertex* u : r.vertices) {
    if (!u) {
      continue;
    }
    const auto& nbrs = u->mstNbrs;
    // Short lists, the usual ones, are searched rather than hashed.
    bool hashed = nbrs.size() > 16;
    seen.clear();
    for (size_t k = 0; k < nbrs.size(); ++k) {
      const Vertex* v = nbrs[k];
      if (!v || !(v->x > u->x || (v->x == u->x && v->y > u->y)) ||
          (hashed ? !seen.insert(v).second
                  : std::find(nbrs.begin(), nbrs.begin() + k, v) !=
                        nbrs.begin() + k)) {
        continue;
      }
      auto it = r.legal.treeRoutes.find({u, v});
      f(u, v, it == r.legal.treeRoutes.end() ? nullptr : &it->second.points);
    }
  }
}

// A connection's points from u to v: its route's, or the primary L's, the
// bend included even where it repeats an end.
std::vector<RoutePoint> drawnPoints(const Vertex* u,
                                    const Vertex* v,
                                    const std::vector<RoutePoint>* route) {
  if (route) {
    return *route;
  }
  return {{u->x, u->y}, {v->x, u->y}, {v->x, v->y}};
}

// Each connection's pieces, one per step between consecutive points.
template <class F>
void forEachConnectionPiece(const Router& r, F f) {
  forEachConnection(r, [&f](const Vertex* u, const Vertex* v,
                            const std::vector<RoutePoint>* route) {
    if (!route) {
      f(Wire{u->x, u->y, v->x, u->y});
      f(Wire{v->x, u->y, v->x, v->y});
      return;
    }
    for (size_t i = 1; i < route->size(); ++i) {
      f(Wire{(*route)[i - 1].x, (*route)[i - 1].y, (*route)[i].x,
             (*route)[i].y});
    }
  });
}

Wire pieceOf(const Segment* s) {
  return {s->x1, s->y1, s->x2, s->y2};
}

}  // namespace

bool Router::exportPins(const char* fileName) const {
  OutputFile file(fileName);
  OutFile out(file, "#     This file contains the positions of the Pins     #");
  if (!out.opened()) {
    return false;
  }
  for (const Vertex* v : vertices) {
    if (v && v->isAPin()) {
      out.point(v->x, v->y);
    }
  }
  return out.close();
}

bool Router::exportObsts(const char* fileName) const {
  OutputFile file(fileName);
  OutFile out(
      file, "#     This file contains the connections of the Obstacles     #");
  if (!out.opened()) {
    return false;
  }
  // Every corner starts its own walk round the ring: each side is written
  // once per corner of its rectangle.
  for (const Vertex* c : vertices) {
    if (!c || !c->isACorner()) {
      continue;
    }
    const Vertex* cur = c;
    do {
      out.block(cur, cur->pNextCorner);
      cur = cur->pNextCorner;
    } while (cur != c);
  }
  return out.close();
}

bool Router::exportSG(const char* fileName) const {
  OutputFile file(fileName);
  OutFile out(
      file,
      "#     This file contains the connections of the Spanning Graph     #");
  if (!out.opened()) {
    return false;
  }
  for (const Vertex* u : vertices) {
    if (!u) {
      continue;
    }
    for (const Vertex* v : u->sgNbrs) {
      if (v) {
        out.block(u, v);
      }
    }
  }
  return out.close();
}

std::vector<DrawnConnection> Router::drawnConnections() const {
  std::vector<DrawnConnection> out;
  forEachConnection(*this, [&out](const Vertex* u, const Vertex* v,
                                  const std::vector<RoutePoint>* route) {
    out.push_back({u, v, drawnPoints(u, v, route)});
  });
  return out;
}

std::vector<Wire> Router::drawnPieces() const {
  std::vector<Wire> out;
  if (legal.segmentsDrawn) {
    out.reserve(segments.size());
    for (const Segment* s : segments) {
      out.push_back(pieceOf(s));
    }
  } else {
    // Each connection is listed at both ends and most are an L of two
    // pieces: room for as many pieces as entries, not a doubling past them
    // on a net of 10^6 pins.
    size_t entries = 0;
    for (const Vertex* v : vertices) {
      entries += v ? v->mstNbrs.size() : 0;
    }
    out.reserve(entries);
    forEachConnectionPiece(*this, [&out](const Wire& w) { out.push_back(w); });
  }
  return out;
}

void Router::drawnPieces(
    size_t run,
    const std::function<void(const std::vector<Wire>&)>& deliver) const {
  std::vector<Wire> out;
  out.reserve(run);
  auto add = [&](const Wire& w) {
    out.push_back(w);
    if (out.size() == run) {
      deliver(out);
      out.clear();
    }
  };
  if (legal.segmentsDrawn) {
    for (const Segment* s : segments) {
      add(pieceOf(s));
    }
  } else {
    forEachConnectionPiece(*this, add);
  }
  if (!out.empty()) {
    deliver(out);
  }
}

bool Router::exportMST(const char* fileName) const {
  OutputFile file(fileName);
  return exportMST(file);
}

bool Router::exportMST(OutputFile& file) const {
  OutFile out(file, kMstTitle);
  if (!out.opened()) {
    return false;
  }
  forEachConnectionPiece(
      *this, [&out](const Wire& w) { out.block(w.x1, w.y1, w.x2, w.y2); });
  return out.close();
}

bool Router::exportPinTree(const char* fileName) const {
  OutputFile file(fileName);
  OutFile out(file,
              "#     This file contains the connections of the Pin Tree     #");
  if (!out.opened()) {
    return false;
  }
  // Vertices made after the pin search (Steiner and turning points) have no
  // predecessor and are left out.
  for (const Vertex* v : vertices) {
    if (v && v->pPinPred) {
      out.block(v, v->pPinPred);
    }
  }
  return out.close();
}

bool Router::exportSMT(const char* fileName) const {
  OutputFile file(fileName);
  return exportSMT(file);
}

bool Router::exportSMT(OutputFile& file) const {
  OutFile out(file, kSmtTitle);
  if (!out.opened()) {
    return false;
  }
  forEachConnectionPiece(
      *this, [&out](const Wire& w) { out.block(w.x1, w.y1, w.x2, w.y2); });
  return out.close();
}

bool Router::exportSMTSegs(const char* fileName) const {
  OutputFile file(fileName);
  return exportSMTSegs(file);
}

bool Router::exportSMTSegs(OutputFile& file) const {
  OutFile out(file, kSmtTitle);
  if (!out.opened()) {
    return false;
  }
  for (const Segment* s : segments) {
    Wire w = pieceOf(s);
    out.block(w.x1, w.y1, w.x2, w.y2);
  }
  return out.close();
}
