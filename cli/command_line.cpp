#include "cli/command_line.h"

#include <charconv>
#include <cmath>

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

int WholeOption(const std::string& option, const std::string& text, int low, int high) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high)
    throw UsageError("option " + option + " needs a whole number from " + std::to_string(low) + " to " +
                     std::to_string(high) + ", not \"" + text + "\"");
  return value;
}

}  // namespace kvt
