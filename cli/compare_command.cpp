// kvt compare: a curve against a known-good reference; status 0 on a pass.
#include <cstdio>
#include <string>

#include "analysis/comparison.h"
#include "analysis/parameter_report.h"
#include "cli/cli_files.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/report.h"

namespace kvt {

namespace {

std::string Json(const Comparison& c, const CompareOptions& options) {
  std::string differs = "[";
  for (const VoltageInterval& i : c.outside) {
    if (differs.size() > 1) differs += ", ";
    differs += "[" + JsonNumber(i.fromVolts) + ", " + JsonNumber(i.toVolts) + "]";
  }
  differs += "]";
  std::string worst = "null";
  if (c.worst)
    worst = "{\"volts\": " + JsonNumber(c.worst->volts) + ", \"amps\": " + JsonNumber(c.worst->amps) +
            ", \"delta_volts\": " + JsonNumber(c.worst->deltaVolts) + ", \"delta_amps\": " +
            JsonNumber(c.worst->deltaAmps) + ", \"bands\": " + JsonNumber(c.worst->bands) + "}";
  return "{\"score\": " + JsonNumber(c.score) + ", \"pass\": " + (c.pass ? "true" : "false") +
         ", \"tolerance\": {\"mode\": " + JsonString(options.percent ? "percent" : "auto") +
         ", \"percent\": " + JsonNumber(options.percent) + ", \"volts\": " + JsonNumber(c.toleranceVolts) +
         ", \"amps\": " + JsonNumber(c.toleranceAmps) + "}, \"worst\": " + worst + ", \"differs\": " + differs +
         "}\n";
}

std::string Report(const Comparison& c, const CompareOptions& options) {
  char score[32];
  std::snprintf(score, sizeof score, "%.1f", c.score);
  std::string text = std::string("score: ") + score + "\nresult: " + (c.pass ? "pass" : "fail") + "\n";
  text += "tolerance: ";
  if (options.percent) {
    char percent[64];
    std::snprintf(percent, sizeof percent, "%g %% of the reference's span, ", *options.percent);
    text += percent;
  } else {
    text += "auto (instrument steps), ";
  }
  text += WithUnit(c.toleranceVolts, "V") + ", " + WithUnit(c.toleranceAmps, "A") + "\n";
  if (c.worst)
    text += "worst: " + WithUnit(c.worst->deltaVolts, "V") + ", " + WithUnit(c.worst->deltaAmps, "A") + " at " +
            WithUnit(c.worst->volts, "V") + (c.worst->onReference ? " (on the reference)" : "") + "\n";
  if (c.outside.empty()) {
    text += "differs: nowhere\n";
  } else {
    text += "differs:";
    for (const VoltageInterval& i : c.outside)
      text += " " + WithUnit(i.fromVolts, "V") + " to " + WithUnit(i.toVolts, "V") + ";";
    text.back() = '\n';
  }
  return text;
}

}  // namespace

int RunCompare(const Words& words) {
  const CommandLine line(words, {{"--tolerance", true}, {"--json"}});
  line.ExpectPositional({"REFERENCE", "FILE"});
  CompareOptions options;
  if (const auto t = line.Value("--tolerance"); t && *t != "auto") {
    std::string number = *t;
    if (!number.empty() && number.back() == '%') number.pop_back();
    options.percent = NumberOption("--tolerance", number);
    if (*options.percent <= 0 || *options.percent > 100)
      throw UsageError("option --tolerance takes auto or a percentage above 0 and up to 100, not \"" + *t + "\"");
  }
  const Curve reference = LoadCurve(line.Positional()[0]);
  const Curve curve = LoadCurve(line.Positional()[1]);
  const Comparison result = CompareCurves(curve, reference, options);
  const std::string text = line.Has("--json") ? Json(result, options) : Report(result, options);
  std::fputs(text.c_str(), stdout);
  return result.pass ? 0 : 1;
}

}  // namespace kvt
