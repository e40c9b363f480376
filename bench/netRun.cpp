// What a user pays for one net: its vertices, a fresh Router, the pipeline
// or the optimizer, and the Router gone again. Compiled once against this
// tree's library and, for comparisons, once more against an older one,
// under another name (NET_RUN), so that both run the same steps.
#include <cmath>
#include <vector>

#include "geometry/segment.h"
#include "geometry/vertex.h"
#include "router/router.h"

#ifndef NET_RUN
#define NET_RUN afterRunNet
#endif

// pins: x, y pairs; rects: xlo, ylo, xhi, yhi. Returns the tree's length.
extern "C" __attribute__((visibility("default"))) double NET_RUN(
    const float* pins,
    int pinCount,
    const float* rects,
    int rectCount,
    int optimize) {
  std::vector<Vertex*> vertices;
  for (int k = 0; k < pinCount; ++k) {
    vertices.push_back(new Vertex(pins[2 * k], pins[2 * k + 1], "pin"));
  }
  for (int k = 0; k < rectCount; ++k) {
    const float* r = rects + 4 * k;
    Vertex* ring[4] = {
        new Vertex(r[0], r[1], "corner"), new Vertex(r[2], r[1], "corner"),
        new Vertex(r[2], r[3], "corner"), new Vertex(r[0], r[3], "corner")};
    for (int c = 0; c < 4; ++c) {
      ring[c]->pNextCorner = ring[(c + 1) % 4];
      ring[c]->pPrevCorner = ring[(c + 3) % 4];
      vertices.push_back(ring[c]);
    }
  }
  double length = 0;
  {
    Router router(vertices);
    if (optimize) {
      router.formOptimizedSMT();
    } else {
      router.formSMT();
    }
    for (const Segment* s : router.segments) {
      length += std::fabs(static_cast<double>(s->x2) - s->x1) +
                std::fabs(static_cast<double>(s->y2) - s->y1);
    }
  }
  for (Vertex* v : vertices) {
    delete v;
  }
  return length;
}
