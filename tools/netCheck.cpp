#include "tools/netCheck.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ostream>
#include <vector>

#include "check/checkTree.h"
#include "drivers/readInput.h"
#include "spatial/obstacleIndex.h"
#include "support/escapeBytes.h"
#include "support/floatBounds.h"
#include "tools/instance.h"
#include "tools/treeFile.h"

namespace {

// One net's stretch of the file: its lines from the "# net K" line on.
struct Section {
  long firstLine;
  std::string_view text;
  std::string status;  // from the "# status NAME: ..." line, else "ok"
};

bool startsWith(std::string_view s, std::string_view p) {
  return s.substr(0, p.size()) == p;
}

bool splitNets(std::string_view text,
               const std::string& name,
               std::vector<Section>& out,
               std::string& error) {
  std::vector<size_t> starts;
  std::string shown = escapeBytes(name);
  long line = 1;
  for (size_t pos = 0; pos < text.size(); ++line) {
    size_t nl = text.find('\n', pos);
    size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
    std::string_view l = text.substr(pos, end - pos);
    l = l.substr(0, l.find_last_not_of("\r\n") + 1);
    if (startsWith(l, "# net ")) {
      std::string want = "# net " + std::to_string(out.size() + 1);
      if (l != want) {
        error = shown + ", line " + std::to_string(line) + ": '" +
                escapeBytes(l.substr(0, 40)) + "' where '" + want + "' was due";
        return false;
      }
      starts.push_back(pos);
      out.push_back({line, {}, "ok"});
    } else if (startsWith(l, "# status ") && !out.empty() &&
               out.back().firstLine == line - 1) {
      std::string_view rest = l.substr(9);
      std::string_view status = rest.substr(0, rest.find(':'));
      // The name goes into the report as it stands, JSON included.
      if (status.empty() ||
          !std::all_of(status.begin(), status.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c));
          })) {
        error = shown + ", line " + std::to_string(line) + ": '" +
                escapeBytes(l.substr(0, 40)) +
                "' does not name a status (a word of letters)";
        return false;
      }
      out.back().status = std::string(status);
    } else if (out.empty() && !l.empty() && l[0] != '#' &&
               l.find_first_not_of(" \t") != std::string_view::npos) {
      error = shown + ", line " + std::to_string(line) +
              ": a point line before the first '# net 1' line; was the file "
              "written with --nets?";
      return false;
    }
    pos = end;
  }
  starts.push_back(text.size());
  for (size_t k = 0; k < out.size(); ++k) {
    out[k].text = text.substr(starts[k], starts[k + 1] - starts[k]);
  }
  return true;
}

// The reader's message names lines of the section; this names them in the
// whole file.
std::string shiftedLine(const std::string& error,
                        const std::string& name,
                        long offset) {
  std::string prefix = escapeBytes(name) + ", line ";
  if (!startsWith(error, prefix)) {
    return error;
  }
  char* end = nullptr;
  long line = std::strtol(error.c_str() + prefix.size(), &end, 10);
  return prefix + std::to_string(line + offset) + end;
}

std::string oneLine(const std::string& report) {
  std::string s = report;
  while (!s.empty() && s.back() == '\n') {
    s.pop_back();
  }
  std::replace(s.begin(), s.end(), '\n', ';');
  std::string spaced;
  for (char c : s) {
    spaced += c;
    if (c == ';') {
      spaced += ' ';
    }
  }
  return spaced;
}

}  // namespace

int checkNetsFile(const std::string& netsPath,
                  const std::string& obstaclePath,
                  const std::string& treePath,
                  bool json,
                  std::ostream& out,
                  std::ostream& err) {
  std::vector<InputPoint<double>> pins;
  std::vector<size_t> netEnds;
  std::vector<Rect> rects;
  std::string netsText, treeText, error;
  std::vector<Section> sections;
  if (!readObstacles(obstaclePath, rects, error) ||
      !readWholeFile(netsPath, netsText, error) ||
      !parseNetsText(netsText, netsPath, pins, netEnds, error) ||
      !readWholeFile(treePath, treeText, error) ||
      !splitNets(treeText, treePath, sections, error)) {
    err << "treecheck: " << error << std::endl;
    return 2;
  }
  if (sections.size() != netEnds.size()) {
    err << "treecheck: " << escapeBytes(treePath) << " holds "
        << sections.size() << " nets where " << escapeBytes(netsPath) << " has "
        << netEnds.size() << std::endl;
    return 2;
  }
  // The index holds floats: each box rounded outwards, so that it finds
  // every obstacle the exact box meets, and some more that the checker
  // then finds clear.
  std::vector<ObstacleIndex::Rect> boxes;
  for (const Rect& r : rects) {
    boxes.push_back({floatBelow(r.xlo), floatBelow(r.ylo), floatAbove(r.xhi),
                     floatAbove(r.yhi)});
  }
  ObstacleIndex index(boxes);
  long legal = 0;
  for (size_t k = 0; k < sections.size(); ++k) {
    const Section& s = sections[k];
    std::vector<Piece> pieces;
    if (!parseTreeFile(s.text, treePath, pieces, error)) {
      err << "treecheck: " << shiftedLine(error, treePath, s.firstLine - 1)
          << std::endl;
      return 2;
    }
    std::vector<Point> netPins;
    for (size_t i = k == 0 ? 0 : netEnds[k - 1]; i < netEnds[k]; ++i) {
      netPins.push_back({pins[i].x, pins[i].y});
    }
    // Only obstacles that meet the box of the net's pins and pieces can
    // hold a pin or meet a piece.
    std::vector<Rect> near;
    if (!netPins.empty() || !pieces.empty()) {
      double xlo, ylo, xhi, yhi;
      bool first = true;
      auto take = [&](double x, double y) {
        xlo = first ? x : std::min(xlo, x), xhi = first ? x : std::max(xhi, x);
        ylo = first ? y : std::min(ylo, y), yhi = first ? y : std::max(yhi, y);
        first = false;
      };
      for (const Point& p : netPins) {
        take(p.x, p.y);
      }
      for (const Piece& p : pieces) {
        take(p.x1, p.y1);
        take(p.x2, p.y2);
      }
      for (int r : index.meeting(floatBelow(xlo), floatBelow(ylo),
                                 floatAbove(xhi), floatAbove(yhi))) {
        near.push_back(rects[r]);
      }
    }
    TreeCheck c = checkTree(netPins, near, pieces);
    c.obstacles = static_cast<long>(rects.size());
    legal += c.legal() ? 1 : 0;
    if (json) {
      std::string report = formatReportJson(c);
      out << "{\"net\":" << k + 1 << ",\"status\":\"" << s.status << "\","
          << report.substr(report.find('{') + 1);
    } else {
      out << "net " << k + 1;
      if (s.status != "ok") {
        out << " (" << s.status << ")";
      }
      out << ": " << oneLine(formatReport(c)) << "\n";
    }
  }
  if (!json) {
    out << "nets: " << sections.size() << "\nlegal nets: " << legal << "\n";
  }
  out.flush();
  if (!out) {
    err << "treecheck: cannot write the report to standard output" << std::endl;
    return 3;
  }
  return legal == static_cast<long>(sections.size()) ? 0 : 4;
}
