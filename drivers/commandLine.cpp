#include "drivers/commandLine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <iostream>

#include "support/escapeBytes.h"

namespace {

const size_t kWidth = 79;

// Words of text wrapped to the width, every line after the first indented.
std::string wrap(const std::string& text, size_t indent, size_t first) {
  std::string out, line;
  size_t room = kWidth - first;
  size_t i = 0;
  while (i < text.size()) {
    size_t j = text.find(' ', i);
    if (j == std::string::npos) {
      j = text.size();
    }
    std::string word = text.substr(i, j - i);
    i = j + 1;
    if (!line.empty() && line.size() + 1 + word.size() > room) {
      out += line + "\n" + std::string(indent, ' ');
      line.clear();
      room = kWidth - indent;
    }
    line += (line.empty() ? "" : " ") + word;
  }
  return out + line;
}

// Paragraphs, split at empty lines, wrapped one by one.
std::string wrapParagraphs(const std::string& text) {
  std::string out;
  size_t i = 0;
  while (i <= text.size()) {
    size_t j = text.find("\n\n", i);
    if (j == std::string::npos) {
      j = text.size();
    }
    out += (out.empty() ? "" : "\n\n") + wrap(text.substr(i, j - i), 0, 0);
    i = j + 2;
  }
  return out;
}

// Edits between two words, a swap of neighbours counting one.
size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1,
                                     std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) {
    for (size_t j = 0; j <= b.size(); ++j) {
      if (i == 0 || j == 0) {
        d[i][j] = i + j;
        continue;
      }
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                          d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

std::string withoutDashes(const std::string& name) {
  return name.substr(std::min(name.find_first_not_of('-'), name.size()));
}

// What an operand writes over: a regular file by device and inode, or a
// path still to be made by its folder and name; a device, a pipe or a
// folder is no file to lose.
struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  std::string name;  // empty for an existing file
  bool known = false;

  // Unknown ones differ from everything.
  bool operator!=(const FileId& o) const {
    return !known || !o.known || dev != o.dev || ino != o.ino || name != o.name;
  }
};

FileId regularFileId(const struct stat& st) {
  FileId id;
  if (S_ISREG(st.st_mode)) {
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    id.known = true;
  }
  return id;
}

// "-" is standard input or output; an output's dangling link is followed
// to the path it would create. An input that is not there has nothing to
// lose.
FileId fileIdOf(std::string path, bool output) {
  struct stat st;
  if (path == "-") {
    return fstat(output ? 1 : 0, &st) == 0 ? regularFileId(st) : FileId();
  }
  for (int hops = 0; hops < 40; ++hops) {
    if (stat(path.c_str(), &st) == 0) {
      return regularFileId(st);
    }
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    std::string name = path.substr(slash + 1);
    char target[PATH_MAX];
    ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n <= 0) {
      if (!output || name.empty() || name == "." || name == ".." ||
          stat((dir.empty() ? "/" : dir).c_str(), &st) != 0) {
        return FileId();
      }
      FileId id;
      id.dev = st.st_dev;
      id.ino = st.st_ino;
      id.name = name;
      id.known = S_ISDIR(st.st_mode);
      return id;
    }
    std::string link(target, static_cast<size_t>(n));
    path =
        link[0] == '/' || slash == std::string::npos ? link : dir + "/" + link;
  }
  return FileId();
}

}  // namespace

std::string joinWords(const std::vector<std::string>& words,
                      const std::string& last) {
  std::string s;
  for (size_t k = 0; k < words.size(); ++k) {
    s += (k == 0                  ? ""
          : k + 1 == words.size() ? " " + last + " "
                                  : ", ") +
         words[k];
  }
  return s;
}

CommandLine::CommandLine(std::string program,
                         std::vector<std::string> usage,
                         std::string about)
    : program_(std::move(program)),
      usage_(std::move(usage)),
      about_(std::move(about)) {}

void CommandLine::addFlag(const std::string& name,
                          const std::string& help,
                          bool& flag) {
  options_.push_back(
      {name, "", help, [&flag](const std::string&, std::string&) {
         flag = true;
         return true;
       }});
}

void CommandLine::addValue(const std::string& name,
                           const std::string& valueName,
                           const std::string& help,
                           Setter set) {
  options_.push_back({name, valueName, help, std::move(set)});
}

const CommandLine::Option* CommandLine::find(const std::string& name) const {
  for (const Option& o : options_) {
    if (o.name == name) {
      return &o;
    }
  }
  return nullptr;
}

bool CommandLine::isOption(const std::string& arg) const {
  std::string name = arg.substr(0, arg.find('='));
  return arg.compare(0, 2, "--") == 0 &&
         (name == "--help" || name == "--version" || find(name));
}

// The known options nearest the unknown name: within one edit (two for
// longer names), else those it begins or that begin it; "" when none is
// near.
std::string CommandLine::suggest(const std::string& name) const {
  std::vector<std::string> names;
  for (const Option& o : options_) {
    names.push_back(o.name);
  }
  names.insert(names.end(), {"--help", "--version"});
  std::string typed = withoutDashes(name);
  size_t allowed = typed.size() >= 6 ? 2 : typed.size() >= 3 ? 1 : 0;
  size_t best = allowed + 1;
  std::vector<std::string> near;
  for (const std::string& n : names) {
    size_t d = editDistance(typed, withoutDashes(n));
    if (d < best) {
      best = d;
      near = {n};
    }
  }
  if (near.empty() && typed.size() >= 3) {
    for (const std::string& n : names) {
      std::string known = withoutDashes(n);
      if (known.rfind(typed, 0) == 0 || typed.rfind(known, 0) == 0) {
        near.push_back(n);
      }
    }
  }
  return near.empty() ? "" : "; did you mean " + joinWords(near, "or") + "?";
}

bool CommandLine::parse(int argc, char** argv, int& status) {
  status = 1;
  bool optionsDone = false;
  bool help = false, version = false;
  std::vector<const Option*> given;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (optionsDone || a.size() < 2 || a[0] != '-') {
      operands.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsDone = true;
      continue;
    }
    if (a == "-h" || a == "--help") {
      help = true;
      continue;
    }
    if (a == "--version") {
      version = true;
      continue;
    }
    size_t eq = a.find('=');
    std::string name = a.substr(0, eq);
    const Option* o = a.compare(0, 2, "--") == 0 ? find(name) : nullptr;
    if (!o) {
      usageError("unknown option " + escapeBytes(name) + suggest(name));
      return false;
    }
    std::string value;
    std::string needs = o->valueName.find("FILE") != std::string::npos
                            ? " needs a file"
                            : " needs a value (" + o->valueName + ")";
    if (o->valueName.empty()) {
      if (eq != std::string::npos) {
        usageError(name + " takes no value");
        return false;
      }
    } else if (std::find(given.begin(), given.end(), o) != given.end()) {
      usageError(name + " is given twice; give it once");
      return false;
    } else if (eq != std::string::npos) {
      value = a.substr(eq + 1);
    } else if (i + 1 < argc && isOption(argv[i + 1])) {
      std::string next = argv[i + 1];
      usageError(name + needs + "; " + next.substr(0, next.find('=')) +
                 " is an option");
      return false;
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      usageError(name + needs);
      return false;
    }
    given.push_back(o);
    std::string why;
    if (!o->set(value, why)) {
      usageError("bad value '" + escapeBytes(value) + "' for " + name +
                 (why.empty() ? "" : ": " + why));
      return false;
    }
  }
  status = 0;
  if (help) {
    std::cout << helpText() << std::flush;
    return false;
  }
  if (version) {
    std::cout << program_ << " (treecore) " << treecoreVersion() << std::endl;
    return false;
  }
  return true;
}

bool CommandLine::checkOperands(const std::vector<size_t>& counts,
                                const std::string& forms,
                                size_t outputs,
                                const std::vector<std::string>& optionInputs) {
  if (std::find(counts.begin(), counts.end(), operands.size()) ==
      counts.end()) {
    usageError(std::to_string(operands.size()) + " files given; give " + forms);
    return false;
  }
  size_t inputs = operands.size() - outputs;
  long dashes[2] = {0, 0};
  for (const std::string& in : optionInputs) {
    dashes[0] += in == "-" ? 1 : 0;
  }
  for (size_t k = 0; k < operands.size(); ++k) {
    dashes[k < inputs ? 0 : 1] += operands[k] == "-" ? 1 : 0;
  }
  if (dashes[0] > 1 || dashes[1] > 1) {
    usageError(dashes[0] > 1
                   ? "standard input (-) can stand for one input file only"
                   : "standard output (-) can stand for one output file only");
    return false;
  }
  // Each output replaces what stands at its path, so an output that is
  // another output or an input would destroy it.
  std::vector<std::string> paths = optionInputs;
  paths.insert(paths.end(), operands.begin(), operands.end());
  size_t allInputs = optionInputs.size() + inputs;
  std::vector<FileId> ids;
  for (size_t k = 0; k < paths.size(); ++k) {
    ids.push_back(fileIdOf(paths[k], k >= allInputs));
  }
  for (size_t k = allInputs; k < paths.size(); ++k) {
    for (size_t j = 0; j < k; ++j) {
      if (ids[j] != ids[k]) {
        continue;
      }
      bool input = j < allInputs;
      auto shown = [&](size_t i) {
        return paths[i] != "-" ? escapeBytes(paths[i])
               : i < allInputs ? std::string("standard input (-)")
                               : std::string("standard output (-)");
      };
      std::string a = shown(j), b = shown(k);
      std::string both = input ? "an input and an output" : "two outputs";
      usageError((paths[j] == paths[k]
                      ? a + " is named as " + both
                      : a + " and " + b + " are one file, " + both) +
                 (input ? "; write the output to another file"
                        : "; each output needs a file of its own"));
      return false;
    }
  }
  return true;
}

void CommandLine::usageError(const std::string& what) const {
  std::cerr << program_ << ": " << what << std::endl;
  (usageOnStandardOutput ? std::cout : std::cerr)
      << "Usage: " << usage_[0] << std::endl;
  std::cerr << "Try '" << program_ << " --help' for more information."
            << std::endl;
}

std::string CommandLine::helpText() const {
  std::string s;
  for (size_t k = 0; k < usage_.size(); ++k) {
    s += (k == 0 ? "Usage: " : "   or: ") + usage_[k] + "\n";
  }
  s += "\n" + wrapParagraphs(about_) + "\n\nOptions:\n";
  std::vector<std::pair<std::string, std::string>> rows;
  for (const Option& o : options_) {
    rows.emplace_back(o.name + (o.valueName.empty() ? "" : " " + o.valueName),
                      o.help);
  }
  rows.emplace_back("-h, --help", "show this help and exit");
  rows.emplace_back("--version", "show the version and exit");
  size_t column = 0;
  for (const auto& r : rows) {
    column = std::max(column, r.first.size());
  }
  column = std::min<size_t>(column, 24) + 4;
  for (const auto& r : rows) {
    std::string head = "  " + r.first;
    if (head.size() + 2 > column) {
      s += head + "\n" + std::string(column, ' ');
    } else {
      s += head + std::string(column - head.size(), ' ');
    }
    s += wrap(r.second, column, column) + "\n";
  }
  if (!epilogue.empty()) {
    s += "\n" + wrapParagraphs(epilogue) + "\n";
  }
  return s;
}

bool parseInteger(const std::string& s, long lo, long hi, long& v) {
  char* end = nullptr;
  errno = 0;
  long n = std::strtol(s.c_str(), &end, 10);
  if (s.empty() ||
      !(std::isdigit(static_cast<unsigned char>(s[0])) || s[0] == '-') ||
      *end != '\0' || errno != 0 || n < lo || n > hi) {
    return false;
  }
  v = n;
  return true;
}

bool parseReal(const std::string& s, double lo, double hi, double& v) {
  // Plain decimals only: no hex, inf or nan, which strtod would take.
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.' && c != '-' &&
        c != '+' && c != 'e' && c != 'E') {
      return false;
    }
  }
  char* end = nullptr;
  errno = 0;
  double d = std::strtod(s.c_str(), &end);
  if (s.empty() || *end != '\0' || errno != 0 || !(d >= lo && d <= hi)) {
    return false;
  }
  v = d;
  return true;
}

const char* treecoreVersion() {
  return TREECORE_VERSION;
}
