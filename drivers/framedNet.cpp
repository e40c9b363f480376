#include "drivers/framedNet.h"

#include <ctime>
#include <iostream>
#include <stdexcept>
#include <vector>

#include "check/checkTree.h"
#include "drivers/batch.h"
#include "router/fileBanner.h"
#include "support/escapeBytes.h"
#include "support/outputFile.h"
#include "treecore/treeText.h"

int writeFramedNet(const char* name,
                   Program program,
                   treecore::RouteOptions options,
                   const Input<DesignCoord>& in,
                   const std::string& outPath) {
  std::vector<std::array<treecore::Point, 4>> rings;
  rings.reserve(in.rects.size());
  for (const auto& ring : in.rects) {
    std::array<treecore::Point, 4> at;
    for (int k = 0; k < 4; ++k) {
      at[k] = {ring[k].x.v, ring[k].y.v};
    }
    rings.push_back(at);
  }
  treecore::Net net;
  net.reserve(in.pins.size());
  for (const auto& p : in.pins) {
    net.push_back({p.x.v, p.y.v});
  }
  treecore::Obstacles obstacles;
  try {
    obstacles = treecore::Obstacles::fromCorners(rings);
  } catch (const std::invalid_argument& e) {
    std::cerr << name << ": " << escapeBytes(in.obstacleFile) << ": "
              << e.what() << std::endl;
    return 2;
  }
  OutputFile out(outPath);
  if (!out.opened()) {
    std::cerr << name << ": " << out.error() << std::endl;
    return 3;
  }
  options.everyObstacle = true;
  options.drawingOnly = true;
  std::clock_t start = std::clock();
  treecore::Tree tree = treecore::routeNet(obstacles, net, options);
  std::clock_t end = std::clock();
  if (tree.status == treecore::Status::badCoordinate ||
      tree.status == treecore::Status::pinInsideObstacle) {
    std::cerr << name << ": " << escapeBytes(in.pinFile) << ": " << tree.message
              << std::endl;
    return 2;
  }
  (out.onStandardOutput() ? std::cerr : std::cout)
      << "Execution Time = "
      << static_cast<double>(end - start) / CLOCKS_PER_SEC << " sec"
      << std::endl;
  std::string text =
      fileBanner(program == Program::oamst ? kMstTitle : kSmtTitle);
  treecore::appendBlocks(text, tree);
  if (options.timing) {
    std::string figures;
    treecore::appendTimingJson(figures, tree.timing);
    (out.onStandardOutput() ? std::cerr : std::cout)
        << "{\"timing\":" << figures << "}" << std::endl;
  }
  out.write(text);
  if (options.bound && tree.lowerBound >= 0) {
    std::cerr << name << ": lower bound " << formatLength(tree.lowerBound)
              << ", tree " << formatLength(tree.wireLength) << ", gap "
              << formatPercent(
                     treecore::boundGap(tree.wireLength, tree.lowerBound))
              << std::endl;
  }
  if (!out.commit()) {
    std::cerr << name << ": " << out.error() << std::endl;
    return 3;
  }
  if (tree.parts > 1) {
    std::cerr << name << ": warning: obstacles keep the " << net.size()
              << " pins in " << tree.parts << " separate parts; "
              << escapeBytes(outPath) << " holds a forest, one tree per part"
              << std::endl;
    return 4;
  }
  return 0;
}
