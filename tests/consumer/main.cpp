// Reads two pins and builds a Router over them through the installed
// headers and library alone.
#include <iostream>
#include <string>
#include <vector>

#include "drivers/readInput.h"
#include "geometry/vertex.h"
#include "router/router.h"
#include "support/formatCoord.h"

int main() {
  std::vector<Vertex*> vertices;
  std::string error;
  if (!parsePins("0 0 pin\n2.5 4 pin\n-1 -1 pin\n", "pins", vertices, error)) {
    std::cerr << error << std::endl;
    return 1;
  }
  { Router router(vertices); }
  std::cout << vertices.size() << " pins, the second at "
            << formatCoord(vertices[1]->x) << " " << formatCoord(vertices[1]->y)
            << std::endl;
  for (Vertex* v : vertices) {
    delete v;
  }
  return 0;
}
