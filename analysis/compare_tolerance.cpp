#include "analysis/compare_tolerance.h"

#include <charconv>
#include <cmath>

#include "core/text_number.h"

namespace kvt {

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::variant<CompareOptions, std::string> ParseTolerance(const std::string& text) {
  CompareOptions options;
  if (text == "auto") return options;
  if (const auto comma = text.find(','); comma != std::string::npos) {
    // VOLTS,AMPS: the band in the instrument's own units.
    const std::string volts = text.substr(0, comma);
    const std::string amps = text.substr(comma + 1);
    options.volts = QuantityOf(volts, "V");
    if (!options.volts) return "needs a voltage in volts (0.002 or 2mV), not " + Quoted(volts);
    options.amps = QuantityOf(amps, "A");
    if (!options.amps) return "needs a current in amperes (0.002 or 2mA), not " + Quoted(amps);
    if (!(*options.volts > 0) || !(*options.amps > 0)) return "VOLTS,AMPS needs both above 0, not " + Quoted(text);
    return options;
  }
  std::string number = text;
  if (!number.empty() && number.back() == '%') number.pop_back();
  double percent = 0;
  const char* end = number.data() + number.size();
  const auto [ptr, ec] = std::from_chars(number.data(), end, percent);
  if (number.empty() || ec != std::errc() || ptr != end || !std::isfinite(percent))
    return "needs a number, not " + Quoted(number);
  if (percent <= 0 || percent > 100)
    return "takes auto or a percentage above 0 and up to 100, not " + Quoted(text);
  options.percent = percent;
  return options;
}

}  // namespace kvt
