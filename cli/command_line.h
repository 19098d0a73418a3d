#pragma once
// The words after a subcommand: positional arguments and options, checked
// against what the subcommand accepts.
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kvt {

// Bad input of any kind: the command prints the message and exits with 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The command could not do its job (no instrument, say): status 1.
struct RunError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct OptionRule {
  std::string name;        // "-o", "--size", ...
  bool takesValue = false;
  bool repeats = false;    // e.g. --ref
  bool optionalValue = false;  // --simulate or --simulate=COMPONENT
  std::string value;       // the value's name in the help: "POINTS"
  std::string help;        // its meaning, unit, range and default (wrapped when shown)
};

// A subcommand as its help describes it, with the options it accepts.
struct Subcommand {
  std::string name;      // "measure"
  std::string usage;     // the words after "kvt"
  std::string summary;   // what it does, lines ending in \n
  std::vector<OptionRule> options;
  int (*run)(const std::vector<std::string>& words);
};

// "-h" or "--help" among the options (before any "--").
bool AsksForHelp(const std::vector<std::string>& words);

// Usage, summary and every option with its help, for "kvt SUB --help".
std::string HelpText(const Subcommand& command);

class CommandLine {
 public:
  // Throws UsageError for an unknown option, a missing value or a repeated
  // option that may appear once.
  CommandLine(const std::vector<std::string>& words, const std::vector<OptionRule>& rules);

  const std::vector<std::string>& Positional() const { return positional_; }
  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  std::optional<std::string> Value(const std::string& name) const;
  std::vector<std::string> Values(const std::string& name) const;

  // Exactly `count` positional arguments, named in the message when missing.
  void ExpectPositional(const std::vector<std::string>& names) const;

 private:
  std::vector<std::string> positional_;
  std::map<std::string, std::vector<std::string>> values_;
};

// A finite number, or UsageError naming the option.
double NumberOption(const std::string& option, const std::string& text);
// A whole number within [low, high], or UsageError naming the option and
// the unit ("volts"; empty for a count).
int WholeOption(const std::string& option, const std::string& text, int low, int high,
                const std::string& unit = "");
// A finite number of `unit` ("A" or "V"): plain ("0.002") or with an SI
// prefix and the unit ("2mA", "2m", "-5V"). UsageError naming the option,
// what it measures ("current", "voltage") and the unit otherwise.
double QuantityOption(const std::string& option, const std::string& text, const std::string& unit,
                      const std::string& quantity);

}  // namespace kvt
