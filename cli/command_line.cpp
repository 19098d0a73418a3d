#include "cli/command_line.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/text_number.h"

namespace kvt {

CommandLine::CommandLine(const std::vector<std::string>& words, const std::vector<OptionRule>& rules) {
  const auto find = [&](const std::string& name) -> const OptionRule* {
    for (const OptionRule& rule : rules)
      if (rule.name == name) return &rule;
    return nullptr;
  };
  bool optionsEnded = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (optionsEnded || word.size() < 2 || word[0] != '-') {
      positional_.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = word;
    std::optional<std::string> value;
    if (const auto eq = word.find('='); word.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = word.substr(0, eq);
      value = word.substr(eq + 1);
    }
    const OptionRule* rule = find(name);
    if (!rule) throw UsageError("unknown option " + name);
    if (rule->takesValue && !value && !rule->optionalValue) {
      if (i + 1 >= words.size()) throw UsageError("option " + name + " needs a value");
      value = words[++i];
    }
    if (!rule->takesValue && value) throw UsageError("option " + name + " takes no value");
    auto& list = values_[name];
    if (!list.empty() && !rule->repeats) throw UsageError("option " + name + " given twice");
    list.push_back(value.value_or(""));
  }
}

std::optional<std::string> CommandLine::Value(const std::string& name) const {
  const auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second.front();
}

std::vector<std::string> CommandLine::Values(const std::string& name) const {
  const auto it = values_.find(name);
  return it == values_.end() ? std::vector<std::string>{} : it->second;
}

void CommandLine::ExpectPositional(const std::vector<std::string>& names) const {
  if (positional_.size() < names.size()) throw UsageError("missing " + names[positional_.size()]);
  if (positional_.size() > names.size()) throw UsageError("unexpected argument " + positional_[names.size()]);
}

double NumberOption(const std::string& option, const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value))
    throw UsageError("option " + option + " needs a number, not \"" + text + "\"");
  return value;
}

int WholeOption(const std::string& option, const std::string& text, int low, int high, const std::string& unit) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high)
    throw UsageError("option " + option + " needs a whole number " + (unit.empty() ? "" : "of " + unit + " ") +
                     "from " + std::to_string(low) + " to " + std::to_string(high) + ", not \"" + text + "\"");
  return value;
}

double QuantityOption(const std::string& option, const std::string& text, const std::string& unit,
                      const std::string& quantity) {
  if (const auto value = QuantityOf(text, unit)) return *value;
  throw UsageError("option " + option + " needs a " + quantity + " in " + (unit == "A" ? "amperes" : "volts") +
                   " (0.002 or 2m" + unit + "), not \"" + text + "\"");
}

bool AsksForHelp(const std::vector<std::string>& words) {
  for (const std::string& word : words) {
    if (word == "--") return false;
    if (word == "-h" || word == "--help") return true;
  }
  return false;
}

namespace {

// `text` as lines of at most `width` characters, each but the first
// indented by `indent` spaces.
std::string Wrapped(const std::string& text, std::size_t width, std::size_t indent) {
  std::string out, line;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find_first_of(" \n", start), text.size());
    const std::string word = text.substr(start, end - start);
    start = end + 1;
    if (word.empty()) continue;
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      out += line + "\n" + std::string(indent, ' ');
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  return out + line + "\n";
}

}  // namespace

std::string HelpText(const Subcommand& command) {
  constexpr std::size_t column = 24, width = 79;
  std::string text = "Usage: kvt " + command.usage + "\n\n" + command.summary;
  std::vector<OptionRule> options = command.options;
  options.push_back({"-h, --help", false, false, false, "", "this help"});
  text += "\nOptions:\n";
  for (const OptionRule& rule : options) {
    std::string head = "  " + rule.name;
    if (!rule.value.empty()) head += (rule.optionalValue ? "[=" + rule.value + "]" : " " + rule.value);
    head += head.size() + 2 <= column ? std::string(column - head.size(), ' ') : "\n" + std::string(column, ' ');
    text += head + Wrapped(rule.help, width - column, column);
  }
  return text;
}

}  // namespace kvt
