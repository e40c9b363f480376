#include "tools/instance.h"

#include <algorithm>

#include "drivers/readInput.h"

namespace {

void appendRects(const Input<double>& in, std::vector<Rect>& rects) {
  for (const auto& ring : in.rects) {
    Rect r{ring[0].x, ring[0].y, ring[0].x, ring[0].y};
    for (const InputPoint<double>& c : ring) {
      r = {std::min(r.xlo, c.x), std::min(r.ylo, c.y), std::max(r.xhi, c.x),
           std::max(r.yhi, c.y)};
    }
    rects.push_back(r);
  }
}

}  // namespace

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
  appendRects(in, rects);
  return true;
}

bool readObstacles(const std::string& path,
                   std::vector<Rect>& rects,
                   std::string& error) {
  std::string text;
  Input<double> in;
  if (!readWholeFile(path, text, error) ||
      !parseObstacleText(text, path, in, error)) {
    return false;
  }
  appendRects(in, rects);
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
