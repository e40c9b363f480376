#include "geometry/edge.h"

#include <cmath>
#include <iostream>

#include "geometry/vertex.h"

float Edge::length() const {
  return std::fabs(pStart->x - pEnd->x) + std::fabs(pStart->y - pEnd->y);
}

float Edge::pinPathLen() const {
  return length() + pStart->pinDist + pEnd->pinDist;
}

float Edge::mstEdgeLen() const {
  float len = 0;
  for (const Edge* e : subEdges) {
    len += e->length();
  }
  return len;
}

void Edge::print() const {
  std::cout << "Edge:" << std::endl;
  std::cout << "start: ";
  pStart->print();
  std::cout << "end  : ";
  pEnd->print();
  std::cout << "sub-edges begin: " << std::endl;
  if (pStart != pEnd) {
    for (const Edge* e : subEdges) {
      e->printAsASubEdge();
    }
  }
  std::cout << "sub-edges end" << std::endl;
}

void Edge::printAsASubEdge() const {
  std::cout << "\tsub-edge:" << std::endl;
  std::cout << "\tstart: ";
  pStart->print();
  std::cout << "\tend  : ";
  pEnd->print();
}
