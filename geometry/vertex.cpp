#include "geometry/vertex.h"

#include <iostream>
#include <utility>

Vertex::Vertex(float x, float y, std::string type)
    : x(x), y(y), type(std::move(type)) {
  inTree = isAPin();
}

void Vertex::print() const {
  std::cout << type << "(" << x << ", " << y << ")" << std::endl;
}
