#pragma once

class Vertex;
class Edge;

// One possible improvement of the spanning tree: u joins the piece eSub of
// eMst through the Steiner point s, and the cycle this closes loses eVictim.
class SteinerCandidate {
 public:
  SteinerCandidate(Vertex* u, Edge* eSub, Edge* eMst, Edge* eMstPrime);
  ~SteinerCandidate();
  SteinerCandidate(const SteinerCandidate&) = delete;
  SteinerCandidate& operator=(const SteinerCandidate&) = delete;

  float max(float a, float b) const { return a > b ? a : b; }
  float min(float a, float b) const { return b > a ? a : b; }
  // Median of three, in single precision: (c + (a + b)) - M - m.
  float median(float a, float b, float c) const;
  void print() const;

  float gain = -1.0f;
  bool queryPrimeFixed = false;
  bool valid = true;
  Vertex* u;
  Vertex* pQuery = nullptr;
  Vertex* pQueryPrime = nullptr;
  Vertex* s = nullptr;  // owned
  Edge* eSub;
  Edge* eMst;
  Edge* eMstPrime;
  Edge* eVictim = nullptr;
  // Null when the query vertices are the same pin.
  Edge* longestEdgeBetweenQueryVer = nullptr;
};
