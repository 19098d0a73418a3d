#include "simulator/sim_config.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>

namespace kvtsim {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A finite number, optionally followed by k (x1000) or m (x1e6); nothing else.
std::optional<double> Number(std::string_view text) {
  std::string s = Lower(Trim(text));
  double scale = 1.0;
  if (!s.empty() && s.back() == 'k') { scale = 1e3; s.pop_back(); }
  else if (!s.empty() && s.back() == 'm') { scale = 1e6; s.pop_back(); }
  double v = 0.0;
  const char* end = s.data() + s.size();
  auto [ptr, ec] = std::from_chars(s.data(), end, v);
  if (s.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  // Checked after scaling: 1e308k is no finite value.
  v *= scale;
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

std::optional<Component> ParseComponent(std::string_view text, std::string* reason) {
  auto refuse = [&](std::string why) -> std::optional<Component> {
    if (reason) *reason = std::move(why);
    return std::nullopt;
  };
  std::string s = Lower(Trim(text));
  std::string_view word = s;
  std::string_view rest;
  if (auto gap = word.find_first_of(" \t"); gap != std::string_view::npos) {
    rest = Trim(word.substr(gap));
    word = word.substr(0, gap);
  }
  auto plain = [&](ComponentKind kind) -> std::optional<Component> {
    if (!rest.empty()) return refuse(std::string(word) + " takes no value");
    return Component{kind, 0.0};
  };
  if (word == "open") return plain(ComponentKind::Open);
  if (word == "short") return plain(ComponentKind::Short);
  if (word == "diode") return plain(ComponentKind::Diode);
  if (word == "led") return plain(ComponentKind::Led);
  if (word == "resistor" || word == "zener") {
    const bool resistor = word == "resistor";
    const char* example = resistor ? "a resistance in ohms, such as resistor 4.7k"
                                   : "a breakdown voltage above 0, such as zener 3.3";
    if (rest.empty()) return refuse(std::string(word) + " needs " + example);
    auto v = Number(rest);
    if (!v) return refuse("\"" + std::string(rest) + "\" is not a number (k and M may follow it: 4.7k); " + std::string(word) +
                          " needs " + example);
    if (resistor) {
      if (*v < 0) return refuse("a resistance cannot be negative");
      return *v == 0 ? Component{ComponentKind::Short, 0.0}
                     : Component{ComponentKind::Resistor, *v};
    }
    if (*v <= 0) return refuse("zener needs " + std::string(example));
    return Component{ComponentKind::Zener, *v};
  }
  return refuse("no component \"" + std::string(word) +
                "\"; one of open, short, diode, led, resistor OHMS, zener VOLTS");
}

namespace {

std::optional<int> ParseRange(std::string_view text) {
  auto v = Number(text);
  if (v && (*v == 100 || *v == 1000 || *v == 10000)) return static_cast<int>(*v);
  return std::nullopt;
}

// Hexadecimal digits as the program's port setting holds them, with an
// optional "0x" or "&h" in front.
std::optional<int> ParseBase(std::string_view text) {
  std::string s = Lower(Trim(text));
  std::string_view digits = s;
  if (digits.starts_with("0x") || digits.starts_with("&h")) digits.remove_prefix(2);
  unsigned v = 0;
  const char* end = digits.data() + digits.size();
  auto [ptr, ec] = std::from_chars(digits.data(), end, v, 16);
  if (digits.empty() || ec != std::errc() || ptr != end || v > 0xFFFF) return std::nullopt;
  return static_cast<int>(v);
}

std::optional<std::uint64_t> ParseSeed(std::string_view text) {
  std::string_view s = Trim(text);
  std::uint64_t v = 0;
  const char* end = s.data() + s.size();
  auto [ptr, ec] = std::from_chars(s.data(), end, v);
  if (s.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return v;
}

}  // namespace

SimConfig ParseConfig(std::string_view text, std::vector<std::string>* problems) {
  SimConfig config;
  int lineNumber = 0;
  auto complain = [&](std::string what) {
    if (problems) problems->push_back("line " + std::to_string(lineNumber) + ": " + what);
  };
  while (!text.empty()) {
    ++lineNumber;
    auto eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    if (auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    line = Trim(line);
    if (line.empty()) continue;
    auto eq = line.find('=');
    if (eq == std::string_view::npos) { complain("no '=' in \"" + std::string(line) + "\""); continue; }
    std::string key = Lower(Trim(line.substr(0, eq)));
    std::string_view value = Trim(line.substr(eq + 1));
    bool ok = true;
    if (key == "component") {
      std::string reason;
      if (auto c = ParseComponent(value, &reason)) {
        config.component = *c;
      } else {
        complain("bad value for component: \"" + std::string(value) + "\": " + reason);
        continue;
      }
    } else if (key == "range") {
      if (auto r = ParseRange(value)) config.rangeOhms = *r; else ok = false;
    } else if (key == "noise") {
      auto v = Number(value);
      if (v && *v >= 0) config.noiseLsb = *v; else ok = false;
    } else if (key == "stray") {
      auto v = Number(value);
      if (v && *v >= 0 && *v <= 1) config.strayRate = *v; else ok = false;
    } else if (key == "seed") {
      if (auto s = ParseSeed(value)) config.seed = *s; else ok = false;
    } else if (key == "hand") {
      auto v = Number(value);
      if (v && *v >= 0 && *v <= 60) config.handSeconds = *v; else ok = false;
    } else if (key == "spread" || key == "resistor_spread") {
      // Past 90 % a saturation current or a resistance could come out near 0.
      auto v = Number(value);
      if (!v || *v < 0 || *v > kMaxSpreadPercent) ok = false;
      else if (key == "spread") config.spreadPercent = *v;
      else config.resistorSpreadPercent = *v;
    } else if (key == "base") {
      if (auto b = ParseBase(value)) config.base = *b; else ok = false;
    } else {
      complain("unknown setting \"" + key + "\"");
      continue;
    }
    if (!ok) complain("bad value for " + key + ": \"" + std::string(value) + "\"");
  }
  return config;
}

std::string ProblemSummary(const std::string& fileName, const std::vector<std::string>& problems) {
  if (problems.empty()) return {};
  std::string text = fileName + " " + problems.front();
  if (const std::size_t more = problems.size() - 1; more > 0)
    text += " (and " + std::to_string(more) + (more == 1 ? " more bad line)" : " more bad lines)");
  return text;
}

}  // namespace kvtsim
