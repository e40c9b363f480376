#include "tools/instance.h"

#include <algorithm>

#include "drivers/readInput.h"
#include "geometry/vertex.h"

bool readInstance(const std::string& pinPath,
                  const std::string& obstaclePath,
                  std::vector<Point>& pins,
                  std::vector<Rect>& rects,
                  std::string& error) {
  std::vector<Vertex*> vs;
  bool ok = readPinFile(pinPath, vs, error);
  size_t pinCount = vs.size();
  ok = ok && readObstacleFile(obstaclePath, vs, error);
  if (ok) {
    for (size_t i = 0; i < pinCount; ++i) {
      pins.push_back({vs[i]->x, vs[i]->y});
    }
    // The reader leaves each rectangle's four corners together.
    for (size_t i = pinCount; i + 3 < vs.size(); i += 4) {
      Rect r{vs[i]->x, vs[i]->y, vs[i]->x, vs[i]->y};
      for (size_t k = i + 1; k < i + 4; ++k) {
        r = {std::min(r.x1, vs[k]->x), std::min(r.y1, vs[k]->y),
             std::max(r.x2, vs[k]->x), std::max(r.y2, vs[k]->y)};
      }
      rects.push_back(r);
    }
  }
  for (Vertex* v : vs) {
    delete v;
  }
  return ok;
}

bool readInstanceAndTree(const std::string& pinPath,
                         const std::string& obstaclePath,
                         const std::string& treePath,
                         std::vector<Point>& pins,
                         std::vector<Rect>& rects,
                         std::vector<Piece>& pieces,
                         std::string& error) {
  return readInstance(pinPath, obstaclePath, pins, rects, error) &&
         readTreeFile(treePath, pieces, error);
}
