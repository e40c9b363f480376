// Builds the Steiner tree of three pins through the installed headers and
// library alone.
#include <iostream>
#include <string>
#include <vector>

#include "geometry/vertex.h"
#include "router/router.h"
#include "support/formatCoord.h"

int main() {
  std::vector<Vertex*> vertices = {new Vertex(0, 0, "pin"),
                                   new Vertex(2.5f, 4, "pin"),
                                   new Vertex(4, 1, "pin")};
  size_t segments = 0;
  {
    Router router(vertices);
    router.formSMT();
    segments = router.segments.size();
  }
  std::cout << vertices.size() << " pins, the second at "
            << formatCoord(vertices[1]->x) << " " << formatCoord(vertices[1]->y)
            << ", " << segments << " segments" << std::endl;
  for (Vertex* v : vertices) {
    delete v;
  }
  return 0;
}
