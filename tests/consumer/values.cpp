// Routes two nets through the installed value interface alone, as the
// README shows.
#include <iostream>

#include "treecore/route.h"

int main() {
  // Built once; any number of nets and threads share it.
  treecore::Obstacles obstacles({{20, 55, 40, 85}, {60, 30, 80, 70}});
  std::vector<treecore::Net> nets = {
      {{10, 80}, {50, 90}, {90, 60}},  // the first pin drives the net
      {{30, 20}, {70, 75}},
  };
  treecore::RouteOptions options;  // zorvane's Steiner tree
  treecore::routeNets(
      obstacles, nets, options, [](size_t i, treecore::Tree&& tree) {
        std::cout << "net " << i + 1 << ": "
                  << treecore::statusName(tree.status) << ", wire length "
                  << tree.wireLength << "\n";
        for (const treecore::Edge& e : tree.edges) {
          std::cout << "  node " << e.to << " hangs from node " << e.from
                    << " by " << e.length() << "\n";
        }
      });
}
