#include "drivers/commandLine.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
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

}  // namespace

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

bool CommandLine::parse(int argc, char** argv, int& status) {
  status = 1;
  bool optionsDone = false;
  bool help = false, version = false;
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
      usageError("unknown option " + escapeBytes(name));
      return false;
    }
    std::string value;
    if (o->valueName.empty()) {
      if (eq != std::string::npos) {
        usageError(name + " takes no value");
        return false;
      }
    } else if (eq != std::string::npos) {
      value = a.substr(eq + 1);
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      usageError(name + " needs a value (" + o->valueName + ")");
      return false;
    }
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
                                size_t outputs) {
  if (std::find(counts.begin(), counts.end(), operands.size()) ==
      counts.end()) {
    usageError(std::to_string(operands.size()) + " files given; give " + forms);
    return false;
  }
  size_t inputs = operands.size() - outputs;
  long dashes[2] = {0, 0};
  for (size_t k = 0; k < operands.size(); ++k) {
    dashes[k < inputs ? 0 : 1] += operands[k] == "-" ? 1 : 0;
  }
  if (dashes[0] > 1 || dashes[1] > 1) {
    usageError(dashes[0] > 1
                   ? "standard input (-) can stand for one input file only"
                   : "standard output (-) can stand for one output file only");
    return false;
  }
  return true;
}

void CommandLine::usageError(const std::string& what) const {
  std::cerr << program_ << ": " << what << std::endl;
  (usageOnStandardOutput ? std::cout : std::cerr)
      << "Usage: " << usage_[0] << std::endl;
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

const char* treecoreVersion() {
  return TREECORE_VERSION;
}
