#include "treecore/treeText.h"

#include <cstdio>

#include "legal/checkTree.h"
#include "support/formatCoord.h"

namespace treecore {

namespace {

void appendCoord(std::string& out, double v) {
  out += formatCoord(static_cast<float>(v));
}

void appendPoint(std::string& out, const Point& p) {
  out += '[';
  appendCoord(out, p.x);
  out += ',';
  appendCoord(out, p.y);
  out += ']';
}

void appendString(std::string& out, const std::string& s) {
  out += '"';
  for (char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += c;
    }
  }
  out += '"';
}

}  // namespace

void appendBlocks(std::string& out, const Tree& tree) {
  for (const Segment& s : tree.segments) {
    for (const Point& p : {s.a, s.b}) {
      appendCoord(out, p.x);
      out += '\t';
      appendCoord(out, p.y);
      out += '\n';
    }
    out += '\n';
  }
}

void appendJson(std::string& out, const Tree& tree, long net) {
  out += "{\"net\":" + std::to_string(net) + ",\"status\":";
  appendString(out, statusName(tree.status));
  out += ",\"message\":";
  appendString(out, tree.message);
  out += ",\"parts\":" + std::to_string(tree.parts) +
         ",\"wireLength\":" + formatLength(tree.wireLength) + ",\"nodes\":[";
  for (size_t i = 0; i < tree.nodes.size(); ++i) {
    const Node& n = tree.nodes[i];
    out += i ? ",{\"x\":" : "{\"x\":";
    appendCoord(out, n.at.x);
    out += ",\"y\":";
    appendCoord(out, n.at.y);
    out += ",\"kind\":";
    appendString(out, kindName(n.kind));
    out += ",\"parent\":" + std::to_string(n.parent) +
           ",\"edge\":" + std::to_string(n.edge) + "}";
  }
  out += "],\"edges\":[";
  for (size_t i = 0; i < tree.edges.size(); ++i) {
    const Edge& e = tree.edges[i];
    out += i ? ",{\"from\":" : "{\"from\":";
    out += std::to_string(e.from) + ",\"to\":" + std::to_string(e.to) +
           ",\"path\":[";
    for (size_t k = 0; k < e.path.size(); ++k) {
      if (k) {
        out += ',';
      }
      appendPoint(out, e.path[k]);
    }
    out += "]}";
  }
  out += "],\"segments\":[";
  for (size_t i = 0; i < tree.segments.size(); ++i) {
    const Segment& s = tree.segments[i];
    out += i ? ",[" : "[";
    appendCoord(out, s.a.x);
    out += ',';
    appendCoord(out, s.a.y);
    out += ',';
    appendCoord(out, s.b.x);
    out += ',';
    appendCoord(out, s.b.y);
    out += ']';
  }
  out += "]}";
}

}  // namespace treecore
