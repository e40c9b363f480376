#include "treecore/treeText.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "check/checkTree.h"
#include "support/formatCoord.h"

namespace treecore {

namespace {

void appendInt(std::string& out, long v) {
  char buf[24];
  // By length: the iterator form takes a slower path of the string's.
  size_t n =
      static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, v).ptr - buf);
  out.append(buf, n);
}

// As formatCoord writes the float v holds; its digits alone for the usual
// integer, without a string made for it, and for every integer of a tree
// routed in its own frame (digits), which has some no float holds.
void appendCoord(std::string& out, double v, bool digits) {
  if (v > -1e6 && v < 1e6 && v == static_cast<double>(static_cast<long>(v)) &&
      !(v == 0 && std::signbit(v))) {
    appendInt(out, static_cast<long>(v));
  } else if (digits && std::fabs(v) <= kWidestInteger && v == std::floor(v)) {
    appendInt(out, static_cast<long>(v));
  } else {
    out += formatCoord(static_cast<float>(v));
  }
}

void appendPoint(std::string& out, const Point& p, bool digits) {
  out += '[';
  appendCoord(out, p.x, digits);
  out += ',';
  appendCoord(out, p.y, digits);
  out += ']';
}

bool isWide(double v) {
  return static_cast<double>(static_cast<float>(v)) != v && isWideInteger(v);
}

// Whether a coordinate of the tree is an integer no float holds: then its
// integers are all written as digits, as its net's were given.
bool hasWideCoordinate(const Tree& t) {
  for (const Segment& s : t.segments) {
    if (isWide(s.a.x) || isWide(s.a.y) || isWide(s.b.x) || isWide(s.b.y)) {
      return true;
    }
  }
  for (const Node& n : t.nodes) {
    if (isWide(n.at.x) || isWide(n.at.y)) {
      return true;
    }
  }
  return false;
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

// A figure as the reports write lengths; null where it has no value (a pin
// the tree does not reach) or none JSON can write.
void appendFigure(std::string& out, double v) {
  out += std::isfinite(v) ? formatLength(v) : "null";
}

void appendFigures(std::string& out,
                   const char* name,
                   const std::vector<double>& v) {
  out += ",\"";
  out += name;
  out += "\":[";
  for (size_t i = 0; i < v.size(); ++i) {
    if (i) {
      out += ',';
    }
    appendFigure(out, v[i]);
  }
  out += ']';
}

}  // namespace

void appendTimingJson(std::string& out, const Timing& t) {
  out += "{\"maxStretch\":";
  appendFigure(out, t.maxStretch);
  out += ",\"meanStretch\":";
  appendFigure(out, t.meanStretch);
  out += ",\"radius\":";
  appendFigure(out, t.radius);
  appendFigures(out, "pathLength", t.pathLength);
  appendFigures(out, "shortest", t.shortest);
  appendFigures(out, "stretch", t.stretch);
  appendFigures(out, "elmoreDelay", t.elmoreDelay);
  out += '}';
}

void appendBlocks(std::string& out, const Tree& tree) {
  bool digits = hasWideCoordinate(tree);
  for (const Segment& s : tree.segments) {
    for (const Point& p : {s.a, s.b}) {
      appendCoord(out, p.x, digits);
      out += '\t';
      appendCoord(out, p.y, digits);
      out += '\n';
    }
    out += '\n';
  }
}

void appendNetText(std::string& out, const Tree& tree, long net) {
  out += "# net ";
  appendInt(out, net);
  out += '\n';
  if (tree.status != Status::ok) {
    out += "# status ";
    out += statusName(tree.status);
    out += ": ";
    out += tree.message;
    out += '\n';
  }
  appendBlocks(out, tree);
}

void appendJson(std::string& out, const Tree& tree, long net) {
  bool digits = hasWideCoordinate(tree);
  out += "{\"net\":";
  appendInt(out, net);
  out += ",\"status\":";
  appendString(out, statusName(tree.status));
  out += ",\"message\":";
  appendString(out, tree.message);
  out += ",\"parts\":";
  appendInt(out, tree.parts);
  out += ",\"wireLength\":";
  out += formatLength(tree.wireLength);
  if (tree.lowerBound >= 0) {
    out += ",\"lowerBound\":";
    out += formatLength(tree.lowerBound);
    out += ",\"gap\":";
    out += formatLength(boundGap(tree.wireLength, tree.lowerBound));
  }
  out += ",\"nodes\":[";
  for (size_t i = 0; i < tree.nodes.size(); ++i) {
    const Node& n = tree.nodes[i];
    out += i ? ",{\"x\":" : "{\"x\":";
    appendCoord(out, n.at.x, digits);
    out += ",\"y\":";
    appendCoord(out, n.at.y, digits);
    out += n.kind == NodeKind::pin ? ",\"kind\":\"pin\",\"parent\":"
                                   : ",\"kind\":\"steinerPoint\",\"parent\":";
    appendInt(out, n.parent);
    out += ",\"edge\":";
    appendInt(out, n.edge);
    out += '}';
  }
  out += "],\"edges\":[";
  for (size_t i = 0; i < tree.edges.size(); ++i) {
    const Edge& e = tree.edges[i];
    out += i ? ",{\"from\":" : "{\"from\":";
    appendInt(out, e.from);
    out += ",\"to\":";
    appendInt(out, e.to);
    out += ",\"path\":[";
    for (size_t k = 0; k < e.path.size(); ++k) {
      if (k) {
        out += ',';
      }
      appendPoint(out, e.path[k], digits);
    }
    out += "]}";
  }
  out += "],\"segments\":[";
  for (size_t i = 0; i < tree.segments.size(); ++i) {
    const Segment& s = tree.segments[i];
    out += i ? ",[" : "[";
    appendCoord(out, s.a.x, digits);
    out += ',';
    appendCoord(out, s.a.y, digits);
    out += ',';
    appendCoord(out, s.b.x, digits);
    out += ',';
    appendCoord(out, s.b.y, digits);
    out += ']';
  }
  out += ']';
  if (tree.timing.computed) {
    out += ",\"timing\":";
    appendTimingJson(out, tree.timing);
  }
  out += '}';
}

}  // namespace treecore
