#include "tools/treePlot.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Maps plane coordinates to hundredths of a pixel, y pointing down, so that
// shared coordinates stay shared after rounding.
class Frame {
 public:
  Frame(double x0, double yTop, double scale)
      : x0_(x0), yTop_(yTop), scale_(scale) {}
  long x(float v) const { return std::lround((v - x0_) * scale_ * 100); }
  long y(float v) const { return std::lround((yTop_ - v) * scale_ * 100); }

 private:
  double x0_;
  double yTop_;
  double scale_;
};

// Hundredths as a decimal number without trailing zeros.
void put(std::string& s, long h) {
  if (h < 0) {
    s += '-';
    h = -h;
  }
  s += std::to_string(h / 100);
  long f = h % 100;
  if (f != 0) {
    s += '.';
    s += static_cast<char>('0' + f / 10);
    if (f % 10 != 0) {
      s += static_cast<char>('0' + f % 10);
    }
  }
}

void putPoint(std::string& s, char cmd, long x, long y) {
  s += cmd;
  put(s, x);
  s += ' ';
  put(s, y);
}

// A piece as path commands; a point piece as a zero-length stroke, which
// the line cap turns into a dot.
void putPiece(std::string& s, const Frame& f, const Piece& p) {
  long x1 = f.x(p.x1), y1 = f.y(p.y1), x2 = f.x(p.x2), y2 = f.y(p.y2);
  putPoint(s, 'M', x1, y1);
  if (y1 == y2) {
    s += 'H';
    put(s, x2);
  } else if (x1 == x2) {
    s += 'V';
    put(s, y2);
  } else {
    putPoint(s, 'L', x2, y2);
  }
}

void putDots(std::string& s, const Frame& f, const std::vector<Point>& pts) {
  for (const Point& p : pts) {
    putPoint(s, 'M', f.x(p.x), f.y(p.y));
    s += "h0";
  }
}

std::string px(double v) {
  std::string s;
  put(s, std::lround(v * 100));
  return s;
}

std::string plural(long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string plotSvg(const std::vector<Point>& pins,
                    const std::vector<Rect>& rects,
                    const std::vector<Piece>& pieces,
                    const TreeCheck& check,
                    const std::vector<Point>& steinerPoints,
                    long size) {
  double inf = std::numeric_limits<double>::infinity();
  double lx = inf, ly = inf, hx = -inf, hy = -inf;
  auto cover = [&](float x, float y) {
    lx = std::min(lx, static_cast<double>(x));
    ly = std::min(ly, static_cast<double>(y));
    hx = std::max(hx, static_cast<double>(x));
    hy = std::max(hy, static_cast<double>(y));
  };
  for (const Point& p : pins) {
    cover(p.x, p.y);
  }
  for (const Rect& r : rects) {
    cover(r.x1, r.y1);
    cover(r.x2, r.y2);
  }
  for (const Piece& p : pieces) {
    cover(p.x1, p.y1);
    cover(p.x2, p.y2);
  }
  if (lx > hx) {
    lx = ly = 0;
    hx = hy = 1;
  }
  double span = std::max({hx - lx, hy - ly, 1e-30});
  // A drawing no thinner than a quarter of its length, with a margin.
  double padX = std::max(0.0, 0.25 * span - (hx - lx)) / 2 + 0.04 * span;
  double padY = std::max(0.0, 0.25 * span - (hy - ly)) / 2 + 0.04 * span;
  lx -= padX;
  hx += padX;
  ly -= padY;
  hy += padY;

  double n = static_cast<double>(std::max(
      {static_cast<long>(pins.size()), static_cast<long>(rects.size()), 1L}));
  double longer = size > 0 ? static_cast<double>(size)
                           : std::clamp(20 * std::sqrt(n), 800.0, 4000.0);
  double scale = longer / std::max(hx - lx, hy - ly);
  double w = (hx - lx) * scale, h = (hy - ly) * scale;
  double spacing = std::sqrt(w * h / n);
  double stroke = std::clamp(0.08 * spacing, 0.5, 3.0);
  double dot = std::clamp(0.35 * spacing, 1.5, 10.0);
  double font = std::clamp(longer / 60, 12.0, 40.0);
  double captionH = 2.2 * font;
  Frame f(lx, hy, scale);

  std::string s;
  s.reserve(64 * (pins.size() + rects.size() + pieces.size()) + 4096);
  s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + px(w) +
       "\" height=\"" + px(h + captionH) + "\" viewBox=\"0 0 " + px(w) + " " +
       px(h + captionH) + "\" font-family=\"sans-serif\">\n";
  s += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";

  if (!rects.empty()) {
    s += "<path fill=\"#d4d4d4\" stroke=\"#8a8a8a\" stroke-width=\"" +
         px(0.5 * stroke) + "\" d=\"";
    for (const Rect& r : rects) {
      long x1 = f.x(r.x1), x2 = f.x(r.x2), top = f.y(r.y2), bottom = f.y(r.y1);
      putPoint(s, 'M', x1, top);
      s += 'h';
      put(s, x2 - x1);
      s += 'v';
      put(s, bottom - top);
      s += 'h';
      put(s, x1 - x2);
      s += 'z';
    }
    s += "\"/>\n";
  }

  std::string tree;
  for (const Piece& p : pieces) {
    if (p.x1 != p.x2 || p.y1 != p.y2) {
      putPiece(tree, f, p);
    }
  }
  if (!tree.empty()) {
    s += "<path fill=\"none\" stroke=\"#1f5fbf\" stroke-width=\"" + px(stroke) +
         "\" stroke-linecap=\"round\" stroke-linejoin=\"round\" d=\"" + tree +
         "\"/>\n";
  }
  if (!check.crossingPieces.empty()) {
    std::string cross;
    for (long i : check.crossingPieces) {
      putPiece(cross, f, pieces[i]);
    }
    s += "<path fill=\"none\" stroke=\"#e00000\" stroke-width=\"" +
         px(2 * stroke) + "\" stroke-linecap=\"round\" d=\"" + cross + "\"/>\n";
  }
  if (!steinerPoints.empty()) {
    // Filled squares: renderers disagree on square caps of zero length.
    long side = std::lround(80 * dot);
    s += "<path fill=\"#e07b00\" d=\"";
    for (const Point& p : steinerPoints) {
      putPoint(s, 'M', f.x(p.x) - side / 2, f.y(p.y) - side / 2);
      s += 'h';
      put(s, side);
      s += 'v';
      put(s, side);
      s += 'h';
      put(s, -side);
      s += 'z';
    }
    s += "\"/>\n";
  }
  if (!pins.empty()) {
    s += "<path fill=\"none\" stroke=\"#111111\" stroke-width=\"" + px(dot) +
         "\" stroke-linecap=\"round\" d=\"";
    putDots(s, f, pins);
    s += "\"/>\n";
  }
  if (static_cast<long>(pins.size()) <= kMaxLabelledPins) {
    s += "<g font-size=\"" + px(0.75 * font) + "\" fill=\"#444444\">\n";
    for (size_t k = 0; k < pins.size(); ++k) {
      std::string x, y;
      put(x, f.x(pins[k].x) + std::lround(0.7 * dot * 100));
      put(y, f.y(pins[k].y) - std::lround(0.7 * dot * 100));
      s += "<text x=\"" + x + "\" y=\"" + y + "\">" + std::to_string(k + 1) +
           "</text>\n";
    }
    s += "</g>\n";
  }

  std::string caption =
      "wire length " + formatLength(check.wireLength) + "  \u00b7  " +
      plural(check.pins, "pin", "pins") + "  \u00b7  " +
      plural(check.obstacles, "obstacle", "obstacles") + "  \u00b7  " +
      plural(static_cast<long>(steinerPoints.size()), "Steiner point",
             "Steiner points");
  if (!check.legal()) {
    std::string why;
    auto add = [&](long count, const char* one, const char* many) {
      if (count > 0) {
        why += (why.empty() ? "" : ", ") + plural(count, one, many);
      }
    };
    add(check.crossings, "crossing", "crossings");
    add(check.pinsOffTree, "pin off the tree", "pins off the tree");
    if (check.pinParts > 1) {
      add(check.pinParts, "part", "parts");
    }
    add(check.diagonalPieces, "diagonal piece", "diagonal pieces");
    caption += "  \u00b7  not legal: " + why;
  }
  s += "<text x=\"" + px(font) + "\" y=\"" + px(h + 1.45 * font) +
       "\" font-size=\"" + px(font) + "\" fill=\"" +
       (check.legal() ? "#222222" : "#c00000") + "\">" + caption + "</text>\n";
  s += "</svg>\n";
  return s;
}
