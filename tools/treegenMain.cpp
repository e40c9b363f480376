#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "drivers/commandLine.h"
#include "drivers/programMain.h"
#include "support/outputFile.h"
#include "tools/families.h"
#include "tools/netsGen.h"
#include "tools/treeGen.h"

namespace {

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

// The instance's name in an STP file: the file's, without folder and
// extension.
std::string stpName(const std::string& path) {
  if (path == "-") {
    return "treegen";
  }
  std::string base = path.substr(path.rfind('/') + 1);
  return base.substr(0, base.rfind('.'));
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

int run(int argc, char** argv) {
  GenOptions opt;
  bool stp = false;
  long nets = -1;
  bool boxGiven = false;
  CommandLine cl(
      "treegen",
      {"./treegen [options] PIN_POS_FILE RECT_OBSTS_FILE",
       "./treegen [options] --stp STP_FILE",
       "./treegen --nets N [options] NETS_FILE RECT_OBSTS_FILE"},
      "Writes a random instance, the same for the same options: a pin file "
      "and an obstacle file in the input format of oamst and zorvane, or "
      "with --stp one STP file with an Obstacles section. Coordinates are "
      "integers. A file named - is standard output.\n\nPins are distinct. "
      "Obstacles, pins and corner orders draw from separate random streams: "
      "other pin options leave the obstacles as they were. Options that "
      "cannot be met (more obstacles than the box holds, say) are refused "
      "before anything is drawn.");
  struct Valued {
    const char* name;
    const char* value;
    const char* help;
  };
  const Valued valued[] = {
      {"--pins", "N", "pin count (10)"},
      {"--obstacles", "N", "obstacle count (5)"},
      {"--seed", "S", "random seed, 0 to 2^64-1 (1)"},
      {"--box", "XMIN,YMIN,XMAX,YMAX",
       "coordinate box, integers from 0 to 16777216 (0,0,1000,1000)"},
      {"--layout", "L", "pins uniform, clustered or lattice (uniform)"},
      {"--clusters", "K",
       "cluster count of the clustered layout (the square root of the pin "
       "count)"},
      {"--obstacle-size", "MIN,MAX",
       "range of obstacle side lengths (sides that cover about a fifth of "
       "the box)"},
      {"--obstacle-contact", "C",
       "none: obstacles never touch; touch: they may share sides; overlap: "
       "they may overlap (none)"},
      {"--pin-contact", "C",
       "none: pins outside every obstacle; sides: a pin that falls inside an "
       "obstacle moves onto its boundary (none)"},
      {"--corner-order", "O",
       "ccw or cw from each lower-left corner, or mixed: random start and "
       "direction (ccw)"},
  };
  for (const Valued& v : valued) {
    std::string name = v.name;
    cl.addValue(
        name, v.value, v.help,
        [&opt, &boxGiven, name](const std::string& value, std::string& why) {
          why = "see --help";
          boxGiven = boxGiven || name == "--box";
          return setOption(opt, name, value);
        });
  }
  std::string family;
  long familySize = 0;
  const std::vector<std::string>& families = familyNames();
  cl.addValue("--family", "NAME",
              "a patterned instance instead: " + joinWords(families, "or") +
                  ", grown by --size",
              [&family, &families](const std::string& value, std::string& why) {
                family = value;
                why = "the families are " + joinWords(families, "and");
                return std::find(families.begin(), families.end(), value) !=
                       families.end();
              });
  cl.addValue("--size", "N", "the size of the --family instance",
              [&familySize](const std::string& value, std::string& why) {
                why = "see --help";
                return parseLong(value, familySize);
              });
  cl.addFlag("--stp", "write one STP file instead of the two files", stp);
  cl.addValue("--nets", "N",
              "N nets of 2 to 500 pins in the mix of placed designs, each "
              "net's pins near one another, among macro-like obstacles in "
              "the slots of a floorplan grid (the obstacle sizes and contact "
              "do not apply); the box grows with N unless given",
              [&nets](const std::string& value, std::string& why) {
                why = "a count, 0 or more";
                return parseInteger(value, 0, LONG_MAX, nets);
              });
  cl.epilogue =
      "Exit status: 0 written, 1 usage or options that cannot be met, 3 "
      "output not written.";
  int status = 0;
  if (!cl.parse(argc, argv, status)) {
    return status;
  }
  if (stp && nets >= 0) {
    cl.usageError("--stp writes one instance; it does not go with --nets");
    return 1;
  }
  if (nets >= 0 && !family.empty()) {
    cl.usageError("--nets and --family cannot go together");
    return 1;
  }
  if (!cl.checkOperands(
          {stp ? 1u : 2u},
          stp ? "STP_FILE with --stp" : "PIN_POS_FILE RECT_OBSTS_FILE",
          stp ? 1 : 2)) {
    return 1;
  }
  const std::vector<std::string>& files = cl.operands;
  Instance inst;
  NetsInstance design;
  std::string error;
  if (nets >= 0 && !boxGiven) {
    opt.xMax = opt.yMax = netsBoxSide(nets);
  }
  // Opened before anything is drawn, so that a path that cannot be written
  // is reported at once.
  std::vector<std::unique_ptr<OutputFile>> outs;
  for (const std::string& path : files) {
    outs.push_back(std::make_unique<OutputFile>(path));
    if (!outs.back()->opened()) {
      std::cerr << "treegen: " << outs.back()->error() << std::endl;
      return 3;
    }
  }
  bool made = nets >= 0 ? generateNets(opt, nets, design, error)
              : family.empty()
                  ? generateInstance(opt, inst, error)
                  : generateFamily(family, familySize, inst, error);
  if (!made) {
    std::cerr << "treegen: " << error << std::endl;
    return 1;
  }
  std::vector<std::string> texts;
  if (nets >= 0) {
    texts.push_back(formatNetsFile(design));
    texts.push_back(formatObstacleFile(design.obstacles));
  } else if (stp) {
    texts.push_back(formatStpFile(inst, stpName(files[0])));
  } else {
    texts.push_back(formatPinFile(inst));
    texts.push_back(formatObstacleFile(inst));
  }
  for (size_t k = 0; k < texts.size(); ++k) {
    outs[k]->write(texts[k]);
    if (!outs[k]->commit()) {
      std::cerr << "treegen: " << outs[k]->error() << std::endl;
      return 3;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return runMain("treegen", [&] { return run(argc, argv); });
}
