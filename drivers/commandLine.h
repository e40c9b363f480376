#pragma once
#include <functional>
#include <string>
#include <vector>

// The command line of one of the five programs: a table of options with
// their help, "--opt value" and "--opt=value", "--" before operands that
// start with a dash, "-" as an operand (standard input or output), and
// -h/--help and --version for every program. Options may come anywhere; a
// value option at most once, and "--opt value" takes no known option as its
// value ("--opt=--x" does).
class CommandLine {
 public:
  // Sets the option's value; false with a message when it does not suit.
  using Setter = std::function<bool(const std::string& value, std::string&)>;

  struct Option {
    std::string name;       // with its dashes: "--size"
    std::string valueName;  // "PX"; empty for a flag
    std::string help;
    Setter set;
  };

  // usage: the usage lines after "Usage: " ("./treeplot [options] ..."),
  // the first of which a usage error prints; about: the help's paragraph.
  CommandLine(std::string program,
              std::vector<std::string> usage,
              std::string about);

  void addFlag(const std::string& name, const std::string& help, bool& flag);
  void addValue(const std::string& name,
                const std::string& valueName,
                const std::string& help,
                Setter set);

  // True when the program is to run; else status is its exit status: 0
  // after help or --version, 1 after a usage error, whose message is out.
  bool parse(int argc, char** argv, int& status);

  // The operands number one of counts (forms names them for the message),
  // "-" stands for at most one input and one output, and no output is
  // another output or an input, by any path or link; the last outputs
  // operands are the outputs, and optionInputs are inputs that options
  // name. Else a usage error, and false.
  bool checkOperands(const std::vector<size_t>& counts,
                     const std::string& forms,
                     size_t outputs,
                     const std::vector<std::string>& optionInputs = {});

  // "PROGRAM: what" on standard error and the first usage line: on
  // standard output where the program's usage line is specified so, else
  // on standard error; then the pointer to --help on standard error.
  void usageError(const std::string& what) const;

  std::string helpText() const;

  std::vector<std::string> operands;
  // After the options in the help: exit statuses and the like.
  std::string epilogue;
  bool usageOnStandardOutput = false;

 private:
  const Option* find(const std::string& name) const;
  bool isOption(const std::string& arg) const;
  std::string suggest(const std::string& name) const;

  std::string program_;
  std::vector<std::string> usage_;
  std::string about_;
  std::vector<Option> options_;
};

// "a, b or c" for last "or".
std::string joinWords(const std::vector<std::string>& words,
                      const std::string& last);

// A whole decimal integer from lo to hi, for setters.
bool parseInteger(const std::string& s, long lo, long hi, long& v);

// A finite decimal number from lo to hi, for setters.
bool parseReal(const std::string& s, double lo, double hi, double& v);

// The project's version, as CMake knows it.
const char* treecoreVersion();
