#include "tools/treePlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "support/escapeBytes.h"

namespace {

// Maps plane coordinates to hundredths of a pixel, y pointing down, so that
// shared coordinates stay shared after rounding.
class Frame {
 public:
  Frame(double x0, double yTop, double scale)
      : x0_(x0), yTop_(yTop), scale_(scale) {}
  long x(double v) const { return std::lround((v - x0_) * scale_ * 100); }
  long y(double v) const { return std::lround((yTop_ - v) * scale_ * 100); }

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

// Text as SVG character data, odd bytes escaped.
std::string xmlText(const std::string& text) {
  std::string out;
  for (char c : escapeBytes(text)) {
    out += c == '&'   ? "&amp;"
           : c == '<' ? "&lt;"
           : c == '>' ? "&gt;"
                      : std::string(1, c);
  }
  return out;
}

// Characters of UTF-8 text, for its width.
size_t charCount(const std::string& s) {
  size_t n = 0;
  for (char c : s) {
    n += (static_cast<unsigned char>(c) & 0xc0) != 0x80 ? 1 : 0;
  }
  return n;
}

// Caption items packed greedily into lines that fit the width, by the
// average width of a sans-serif character.
std::vector<std::string> packLines(const std::vector<std::string>& items,
                                   const std::string& separator,
                                   double width,
                                   double charWidth) {
  std::vector<std::string> lines;
  for (const std::string& item : items) {
    std::string joined = lines.empty() ? item : lines.back() + separator + item;
    if (!lines.empty() && charCount(joined) * charWidth <= width) {
      lines.back() = joined;
    } else {
      lines.push_back(item);
    }
  }
  return lines;
}

}  // namespace

std::string stretchColour(double stretch) {
  if (!(stretch == stretch)) {
    return "#999999";
  }
  // Ten steps from green through yellow to red: equal stretches share one
  // colour, so the pins draw as a few paths.
  double t = std::min(1.0, std::max(0.0, (stretch - 1) / (kRedStretch - 1)));
  int step = static_cast<int>(std::lround(t * 10));
  static const char* kSteps[] = {"#1a9850", "#53b154", "#8cca5e", "#b9df74",
                                 "#e0ef8e", "#fee08b", "#fdbe6f", "#f99153",
                                 "#ed5f3c", "#e03b2c", "#c62027"};
  return kSteps[step];
}

std::string plotSvg(const std::vector<Point>& pins,
                    const std::vector<Rect>& rects,
                    const std::vector<Piece>& pieces,
                    const TreeCheck& check,
                    const std::vector<Point>& steinerPoints,
                    long size,
                    const std::string& heading,
                    const std::vector<double>* stretch) {
  double inf = std::numeric_limits<double>::infinity();
  double lx = inf, ly = inf, hx = -inf, hy = -inf;
  auto cover = [&](double x, double y) {
    lx = std::min(lx, x);
    ly = std::min(ly, y);
    hx = std::max(hx, x);
    hy = std::max(hy, y);
  };
  for (const Point& p : pins) {
    cover(p.x, p.y);
  }
  for (const Rect& r : rects) {
    cover(r.xlo, r.ylo);
    cover(r.xhi, r.yhi);
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
  double captionH = 0;
  const std::string kSizePlaceholder = "SIZE";
  Frame f(lx, hy, scale);

  std::string s;
  s.reserve(64 * (pins.size() + rects.size() + pieces.size()) + 4096);
  s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  // The caption's height is known last; its size goes in then.
  s += "<svg xmlns=\"http://www.w3.org/2000/svg\" " + kSizePlaceholder +
       " font-family=\"sans-serif\">\n";
  s += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";

  if (!rects.empty()) {
    s += "<path fill=\"#d4d4d4\" stroke=\"#8a8a8a\" stroke-width=\"" +
         px(0.5 * stroke) + "\" d=\"";
    // Small obstacles would fade to dust on a large drawing: each keeps a
    // few pixels of width and height about its centre.
    long least = std::lround(100 * std::clamp(0.25 * spacing, 2.0, 4.0));
    auto widen = [least](long& lo, long& hi) {
      if (hi - lo < least) {
        long mid = lo + (hi - lo) / 2;
        lo = mid - least / 2;
        hi = lo + least;
      }
    };
    for (const Rect& r : rects) {
      long x1 = f.x(r.xlo), x2 = f.x(r.xhi), top = f.y(r.yhi),
           bottom = f.y(r.ylo);
      widen(x1, x2);
      widen(top, bottom);
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
  std::vector<long> red = check.crossingPieces;
  for (long i = 0; i < static_cast<long>(pieces.size()); ++i) {
    const Piece& p = pieces[i];
    if (p.x1 != p.x2 && p.y1 != p.y2 &&
        !std::binary_search(check.crossingPieces.begin(),
                            check.crossingPieces.end(), i)) {
      red.push_back(i);
    }
  }
  std::sort(red.begin(), red.end());
  if (!red.empty()) {
    std::string cross;
    for (long i : red) {
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
  if (!pins.empty() && !stretch) {
    s += "<path fill=\"none\" stroke=\"#111111\" stroke-width=\"" + px(dot) +
         "\" stroke-linecap=\"round\" d=\"";
    putDots(s, f, pins);
    s += "\"/>\n";
  }
  if (!pins.empty() && stretch) {
    // A dark rim under each coloured dot, so that pale ones show.
    s += "<path fill=\"none\" stroke=\"#111111\" stroke-width=\"" +
         px(1.4 * dot) + "\" stroke-linecap=\"round\" d=\"";
    putDots(s, f, pins);
    s += "\"/>\n";
    std::vector<std::string> colours;
    for (size_t k = 0; k < pins.size(); ++k) {
      colours.push_back(stretchColour(
          k < stretch->size() ? (*stretch)[k]
                              : std::numeric_limits<double>::quiet_NaN()));
    }
    std::vector<std::string> order = colours;
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    for (const std::string& c : order) {
      std::vector<Point> these;
      for (size_t k = 0; k < pins.size(); ++k) {
        if (colours[k] == c) {
          these.push_back(pins[k]);
        }
      }
      s += "<path fill=\"none\" stroke=\"" + c + "\" stroke-width=\"" +
           px(dot) + "\" stroke-linecap=\"round\" d=\"";
      putDots(s, f, these);
      s += "\"/>\n";
    }
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

  std::vector<std::string> items = {
      "wire length " + formatLength(check.wireLength),
      plural(check.pins, "pin", "pins"),
      plural(check.obstacles, "obstacle", "obstacles"),
      plural(static_cast<long>(steinerPoints.size()), "Steiner point",
             "Steiner points")};
  if (stretch) {
    double worst = 1;
    for (size_t k = 1; k < stretch->size(); ++k) {
      worst = (*stretch)[k] > worst ? (*stretch)[k] : worst;
    }
    char max[32];
    std::snprintf(max, sizeof max, "%.3g", worst);
    items.push_back("pins by stretch, green 1 to red " +
                    formatLength(kRedStretch) + "+: max " + max);
  }
  if (check.legal()) {
    items.push_back("legal");
  } else {
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
    items.push_back("not legal: " + why);
  }
  const std::string kDot = "  \u00b7  ";
  // The longest item, or word of the heading, fits on a line of its own.
  double room = w - 2 * font;
  size_t longest = 0;
  for (const std::string& item : items) {
    longest = std::max(longest, charCount(item));
  }
  std::vector<std::string> words;
  for (size_t i = 0, j; i < heading.size(); i = j + 1) {
    j = std::min(heading.find(' ', i), heading.size());
    words.push_back(heading.substr(i, j - i));
    longest = std::max(longest, charCount(words.back()));
  }
  const double kCharWidth = 0.6;
  font = std::max(4.0, std::min(font, room / (kCharWidth * longest + 1)));
  std::vector<std::string> lines =
      packLines(words, " ", room, kCharWidth * font);
  std::vector<std::string> figures =
      packLines(items, kDot, room, kCharWidth * font);
  size_t headingLines = lines.size();
  lines.insert(lines.end(), figures.begin(), figures.end());
  double lineH = 1.3 * font;
  captionH = lineH * lines.size() + 0.9 * font;
  const char* colour = check.legal() ? "#222222" : "#c00000";
  s.replace(s.find(kSizePlaceholder), kSizePlaceholder.size(),
            "width=\"" + px(w) + "\" height=\"" + px(h + captionH) +
                "\" viewBox=\"0 0 " + px(w) + " " + px(h + captionH) + "\"");
  for (size_t k = 0; k < lines.size(); ++k) {
    s += "<text x=\"" + px(font) + "\" y=\"" +
         px(h + 0.45 * font + lineH * (k + 1) - 0.3 * font) +
         "\" font-size=\"" + px(font) + "\" fill=\"" +
         (k < headingLines ? "#222222" : colour) + "\">" + xmlText(lines[k]) +
         "</text>\n";
  }
  s += "</svg>\n";
  return s;
}
