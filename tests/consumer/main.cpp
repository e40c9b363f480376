// Every installed header in one unit beside a user's own global names,
// some of which the library uses inside, and a net routed through the value
// interface: an installed header that declared a global name would clash.
#include <iostream>
#include <string>

#include "treecore/geometry.h"
#include "treecore/inOrder.h"
#include "treecore/obstacles.h"
#include "treecore/route.h"
#include "treecore/timing.h"
#include "treecore/tree.h"
#include "treecore/treeText.h"

struct Point {
  int x;
  int y;
};
struct Rect {
  Point low;
  Point high;
};
template <class T>
struct Node {
  T value;
  Node* pNext;
};
struct Edge {
  int from;
  int to;
};
struct Segment {
  Edge edge;
};
struct Wire {
  double gauge;
};
// An alias clashes with a class, an alias, a template or a namespace of
// the name, and with a forward declaration too.
using plane = int;
using ObstacleIndex = int;
using Vertex = int;
using Router = int;
using RoutePoint = int;
using Piece = int;

int main() {
  Node<Segment> mine{{{0, 1}}, nullptr};
  Rect box{{0, 0}, {4, 4}};
  Wire wire{mine.value.edge.to + box.high.x + 0.5};
  treecore::Net net = {{0, 0}, {2.5, 4}, {4, 1}};
  treecore::Tree tree = treecore::routeNet(treecore::Obstacles(), net);
  std::string blocks;
  treecore::appendBlocks(blocks, tree);
  std::cout << net.size() << " pins, the second at " << tree.nodes[1].at.x
            << " " << tree.nodes[1].at.y << ", " << tree.segments.size()
            << " segments, " << blocks.size() << " bytes of blocks, "
            << treecore::statusName(tree.status) << ", gauge " << wire.gauge
            << std::endl;
  return 0;
}
