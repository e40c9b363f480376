#include "tools/instance.h"

#include <algorithm>

#include "drivers/readInput.h"

bool readInstance(const std::vector<std::string>& files,
                  std::vector<Point>& pins,
                  std::vector<Rect>& rects,
                  std::string& error,
                  bool* notStp) {
  Input<double> in;
  if (!readInput(files, in, error, notStp)) {
    return false;
  }
  for (const InputPoint<double>& p : in.pins) {
    pins.push_back({p.x, p.y});
  }
  for (const auto& ring : in.rects) {
    Rect r{ring[0].x, ring[0].y, ring[0].x, ring[0].y};
    for (const InputPoint<double>& c : ring) {
      r = {std::min(r.x1, c.x), std::min(r.y1, c.y), std::max(r.x2, c.x),
           std::max(r.y2, c.y)};
    }
    rects.push_back(r);
  }
  return true;
}

bool readInstance(const std::string& pinPath,
                  const std::string& obstaclePath,
                  std::vector<Point>& pins,
                  std::vector<Rect>& rects,
                  std::string& error) {
  return readInstance(std::vector<std::string>{pinPath, obstaclePath}, pins,
                      rects, error);
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
