#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "tools/netsGen.h"
#include "tools/treeGen.h"

namespace {

void printUsage() {
  std::cout << "Usage: ./treegen [options] PIN_POS_FILE RECT_OBSTS_FILE\n"
               "       ./treegen --nets N [options] NETS_FILE RECT_OBSTS_FILE"
            << std::endl;
}

void printHelp() {
  printUsage();
  std::cout
      << "\nWrites a random instance, the same for the same options: a pin "
         "file and an\nobstacle file in the input format of oamst and "
         "zorvane. Coordinates are\nintegers.\n\nOptions:\n"
         "  --pins N                  pin count (10)\n"
         "  --obstacles N             obstacle count (5)\n"
         "  --seed S                  random seed, 0 to 2^64-1 (1)\n"
         "  --box XMIN,YMIN,XMAX,YMAX coordinate box, integers from 0 to "
         "16777216\n                            (0,0,1000,1000)\n"
         "  --layout L                pins uniform, clustered or lattice "
         "(uniform)\n"
         "  --clusters K              cluster count of the clustered "
         "layout\n                            (the square root of the pin "
         "count)\n"
         "  --obstacle-size MIN,MAX   range of obstacle side lengths (sides "
         "that cover\n                            about a fifth of the "
         "box)\n"
         "  --obstacle-contact C      none: obstacles never touch; touch: "
         "they may share\n                            sides; overlap: they "
         "may overlap (none)\n"
         "  --pin-contact C           none: pins outside every obstacle; "
         "sides: a pin\n                            that falls inside an "
         "obstacle moves onto its\n                            boundary "
         "(none)\n"
         "  --corner-order O          ccw or cw from each lower-left corner, "
         "or mixed:\n                            random start and direction "
         "(ccw)\n"
         "  --nets N                  N nets of 2 to 500 pins in the mix of "
         "placed\n                            designs, each net's pins near "
         "one another, among\n                            macro-like "
         "obstacles in the slots of a\n                            "
         "floorplan grid (the obstacle sizes and contact\n                 "
         "           do not apply); the box grows with N unless\n     "
         "                       given\n"
         "  -h, --help                show this help and exit\n"
         "\nPins are distinct. Obstacles, pins and corner orders draw from "
         "separate\nrandom streams: other pin options leave the obstacles "
         "as they were.\n\nExit status: 0 written, 1 usage or options that "
         "cannot be met, 3 output not\nwritten.\n";
}

bool parseLong(const std::string& s, long& v) {
  char* end = nullptr;
  errno = 0;
  v = std::strtol(s.c_str(), &end, 10);
  return !s.empty() && *end == '\0' && errno == 0;
}

bool parseLongs(const std::string& s, size_t n, std::vector<long>& out) {
  out.clear();
  size_t from = 0;
  for (size_t k = 0; k < n; ++k) {
    size_t comma = k + 1 < n ? s.find(',', from) : s.size();
    if (comma == std::string::npos) {
      return false;
    }
    long v;
    if (!parseLong(s.substr(from, comma - from), v)) {
      return false;
    }
    out.push_back(v);
    from = comma + 1;
  }
  return true;
}

template <class E>
bool parseWord(const std::string& s,
               const std::vector<std::pair<const char*, E>>& words,
               E& v) {
  for (const auto& w : words) {
    if (s == w.first) {
      v = w.second;
      return true;
    }
  }
  return false;
}

// False when the value does not suit the option.
bool setOption(GenOptions& opt, const std::string& a, const std::string& v) {
  std::vector<long> n;
  if (a == "--pins") {
    return parseLong(v, opt.pins) && opt.pins >= 0;
  }
  if (a == "--obstacles") {
    return parseLong(v, opt.obstacles) && opt.obstacles >= 0;
  }
  if (a == "--seed") {
    char* end = nullptr;
    errno = 0;
    opt.seed = std::strtoull(v.c_str(), &end, 10);
    return !v.empty() && v[0] >= '0' && v[0] <= '9' && *end == '\0' &&
           errno == 0;
  }
  if (a == "--box") {
    if (!parseLongs(v, 4, n)) {
      return false;
    }
    opt.xMin = n[0];
    opt.yMin = n[1];
    opt.xMax = n[2];
    opt.yMax = n[3];
    return true;
  }
  if (a == "--layout") {
    return parseWord<PinLayout>(v,
                                {{"uniform", PinLayout::uniform},
                                 {"clustered", PinLayout::clustered},
                                 {"lattice", PinLayout::lattice}},
                                opt.layout);
  }
  if (a == "--clusters") {
    return parseLong(v, opt.clusters) && opt.clusters > 0;
  }
  if (a == "--obstacle-size") {
    if (!parseLongs(v, 2, n) || n[0] < 1 || n[0] > n[1]) {
      return false;
    }
    opt.sideMin = n[0];
    opt.sideMax = n[1];
    return true;
  }
  if (a == "--obstacle-contact") {
    return parseWord<ObstacleContact>(v,
                                      {{"none", ObstacleContact::none},
                                       {"touch", ObstacleContact::touch},
                                       {"overlap", ObstacleContact::overlap}},
                                      opt.obstacleContact);
  }
  if (a == "--pin-contact") {
    return parseWord<PinContact>(
        v, {{"none", PinContact::none}, {"sides", PinContact::sides}},
        opt.pinContact);
  }
  return parseWord<CornerOrder>(v,
                                {{"ccw", CornerOrder::ccw},
                                 {"cw", CornerOrder::cw},
                                 {"mixed", CornerOrder::mixed}},
                                opt.cornerOrder);
}

bool writeFile(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    return false;
  }
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  GenOptions opt;
  long nets = -1;
  bool boxGiven = false;
  std::vector<std::string> files;
  bool optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (optionsDone || a.size() < 2 || a[0] != '-') {
      files.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsDone = true;
      continue;
    }
    if (a == "-h" || a == "--help") {
      printHelp();
      return 0;
    }
    if (a == "--nets") {
      if (i + 1 == argc || !parseLong(argv[++i], nets) || nets < 0) {
        std::cerr << "treegen: --nets needs a count" << std::endl;
        return 1;
      }
      continue;
    }
    boxGiven = boxGiven || a == "--box";
    static const char* const kValued[] = {
        "--pins",          "--obstacles",        "--seed",
        "--box",           "--layout",           "--clusters",
        "--obstacle-size", "--obstacle-contact", "--pin-contact",
        "--corner-order"};
    bool known = false;
    for (const char* k : kValued) {
      known = known || a == k;
    }
    if (!known) {
      std::cerr << "treegen: unknown option " << a << std::endl;
      printUsage();
      return 1;
    }
    if (i + 1 == argc) {
      std::cerr << "treegen: " << a << " needs a value" << std::endl;
      printUsage();
      return 1;
    }
    std::string v = argv[++i];
    if (!setOption(opt, a, v)) {
      std::cerr << "treegen: bad value '" << v << "' for " << a
                << "; see --help" << std::endl;
      return 1;
    }
  }
  if (files.size() != 2) {
    printUsage();
    return 1;
  }
  Instance inst;
  NetsInstance design;
  std::string error;
  if (nets >= 0 && !boxGiven) {
    opt.xMax = opt.yMax = netsBoxSide(nets);
  }
  if (nets >= 0 ? !generateNets(opt, nets, design, error)
                : !generateInstance(opt, inst, error)) {
    std::cerr << "treegen: " << error << std::endl;
    return 1;
  }
  const std::string texts[] = {
      nets >= 0 ? formatNetsFile(design) : formatPinFile(inst),
      formatObstacleFile(nets >= 0 ? design.obstacles : inst)};
  for (int k = 0; k < 2; ++k) {
    if (!writeFile(files[k], texts[k])) {
      std::cerr << "treegen: cannot write " << files[k] << ": "
                << std::strerror(errno) << std::endl;
      return 3;
    }
  }
  return 0;
}
