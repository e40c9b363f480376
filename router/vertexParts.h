#pragma once
#include <unordered_map>
#include <vector>

#include "geometry/vertex.h"
#include "support/indexParts.h"

// The parts of the vertices of a list, each known by its place in the list
// (nulls skipped); on a join the part keeps the smaller place.
class VertexParts {
 public:
  explicit VertexParts(const std::vector<Vertex*>& vertices) {
    index_.reserve(vertices.size());
    for (const Vertex* v : vertices) {
      if (v) {
        index_.emplace(v, static_cast<int>(index_.size()));
      }
    }
    parts_ = IndexParts(index_.size());
  }

  // The parts the vertices' tree connections make.
  static VertexParts ofTree(const std::vector<Vertex*>& vertices) {
    VertexParts parts(vertices);
    for (const Vertex* v : vertices) {
      if (!v) {
        continue;
      }
      for (const Vertex* w : v->mstNbrs) {
        if (w && parts.knows(w)) {
          parts.join(v, w);
        }
      }
    }
    return parts;
  }

  int find(const Vertex* v) { return parts_.find(index_.at(v)); }
  // False when a and b were joined already.
  bool join(const Vertex* a, const Vertex* b) {
    return parts_.join(index_.at(a), index_.at(b));
  }
  bool knows(const Vertex* v) const { return index_.count(v) > 0; }
  int at(const Vertex* v) const { return index_.at(v); }

  // The parts that hold the pins of the list.
  int countPinParts(const std::vector<Vertex*>& vertices) {
    std::vector<char> seen(parts_.size(), 0);
    int parts = 0;
    for (const Vertex* v : vertices) {
      if (v && v->isAPin() && !seen[find(v)]) {
        seen[find(v)] = 1;
        ++parts;
      }
    }
    return parts;
  }

 private:
  std::unordered_map<const Vertex*, int> index_;
  IndexParts parts_;
};
