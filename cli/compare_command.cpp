// kvt compare: a curve against a known-good reference; status 0 on a pass.
#include <cstdio>
#include <string>
#include <variant>

#include "analysis/compare_tolerance.h"
#include "analysis/comparison.h"
#include "analysis/parameter_report.h"
#include "cli/cli_files.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/report.h"

namespace kvt {

namespace {

const char* ToleranceMode(const CompareOptions& options) {
  if (options.volts && options.amps) return "units";
  return options.percent ? "percent" : "auto";
}

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
         ", \"points\": " + std::to_string(c.judged) + ", \"outside_points\": " + std::to_string(c.outsidePoints) +
         ", \"tolerance\": {\"mode\": " + JsonString(ToleranceMode(options)) +
         ", \"percent\": " + JsonNumber(options.percent) + ", \"volts\": " + JsonNumber(c.toleranceVolts) +
         ", \"amps\": " + JsonNumber(c.toleranceAmps) + ", \"range_ohms\": " + JsonNumber(c.rangeOhms) +
         ", \"estimated\": " + (ToleranceMode(options) == std::string("auto") && !c.rangeOhms ? "true" : "false") + "}, \"worst\": " + worst + ", \"differs\": " + differs +
         "}\n";
}

// "-90 mV" for one point, "-1.2 V to -0.5 V" for a stretch.
std::string Where(const VoltageInterval& i) {
  const std::string from = WithUnit(i.fromVolts, "V");
  return i.toVolts == i.fromVolts ? from : from + " to " + WithUnit(i.toVolts, "V");
}

std::string ResultLine(const Comparison& c) {
  std::string text = std::string("result: ") + (c.pass ? "pass" : "fail");
  if (c.judged == 0) return text + ": no unclipped points to compare\n";
  if (c.outsidePoints == 0) return text + ": all " + std::to_string(c.judged) + " points inside the band\n";
  text += ": " + std::to_string(c.outsidePoints) + " of " + std::to_string(c.judged) + " points outside the band, at ";
  for (std::size_t k = 0; k < c.outside.size(); ++k)
    text += (k == 0 ? "" : k + 1 == c.outside.size() ? " and " : ", ") + Where(c.outside[k]);
  return text + "\n";
}

std::string ToleranceLine(const Comparison& c, const CompareOptions& options) {
  const std::string band = WithUnit(c.toleranceVolts, "V") + " and " + WithUnit(c.toleranceAmps, "A");
  if (options.volts && options.amps) return "tolerance: " + band + ", as given\n";
  char text[96];
  if (options.percent) {
    std::snprintf(text, sizeof text, "%g %% of the reference's span", *options.percent);
    return "tolerance: " + band + ", " + text + "\n";
  }
  std::snprintf(text, sizeof text, "%g converter steps", options.bandSteps);
  if (c.rangeOhms) return "tolerance: " + band + ", " + text + " on the " + WithUnit(*c.rangeOhms, "ohm") + " range\n";
  return "tolerance: " + band + ", " + text + "; range unknown (neither file names it), so the current step " +
         "was estimated from the curves' scatter\n";
}

std::string Report(const Comparison& c, const CompareOptions& options) {
  char score[32];
  std::snprintf(score, sizeof score, "%.1f", c.score);
  std::string text = std::string("score: ") + score + "\n" + ResultLine(c) + ToleranceLine(c, options);
  if (c.worst && c.worst->bands > 0) {
    char bands[32];
    std::snprintf(bands, sizeof bands, "%.2g", c.worst->bands);
    text += "worst point: " + WithUnit(c.worst->volts, "V") + ", " + WithUnit(c.worst->amps, "A") + " on the " +
            (c.worst->onReference ? "reference" : "curve") + ": delta V " + WithUnit(c.worst->deltaVolts, "V") +
            ", delta I " + WithUnit(c.worst->deltaAmps, "A") + " (" + bands + " times the band)\n";
  } else if (c.worst) {
    text += "worst point: none, every point lies on the other curve\n";
  }
  return text;
}

int RunCompare(const Words& words) {
  const CommandLine line(words, CompareCommand().options);
  line.ExpectPositional({"REFERENCE", "FILE"});
  CompareOptions options;
  if (const auto t = line.Value("--tolerance")) {
    auto parsed = ParseTolerance(*t);
    if (const auto* why = std::get_if<std::string>(&parsed)) throw UsageError("option --tolerance " + *why);
    options = std::get<CompareOptions>(parsed);
  }
  const Curve reference = LoadCurve(line.Positional()[0]);
  const Curve curve = LoadCurve(line.Positional()[1]);
  const Comparison result = CompareCurves(curve, reference, options);
  const std::string text = line.Has("--json") ? Json(result, options) : Report(result, options);
  std::fputs(text.c_str(), stdout);
  return result.pass ? 0 : 1;
}

}  // namespace

const Subcommand& CompareCommand() {
  static const Subcommand command{
      "compare",
      "compare REFERENCE FILE [--tolerance auto|PERCENT|VOLTS,AMPS] [--json]",
      "Scores the curve in FILE against the known-good curve in REFERENCE: the\n"
      "share of the points of both that lie within the tolerance band of the\n"
      "other curve (0 to 100). Exit status 0 when it passes (95 or more), 1 when\n"
      "it fails. The report names where the curves differ and the worst point.\n",
      {{"--tolerance", true, false, false, "auto|PERCENT|VOLTS,AMPS",
        "auto (default): 3 converter steps, 30 mV and 3 x 10 mV / range\n"
        "resistance, the current step estimated from the curves' scatter when\n"
        "neither file names its range (a .kvt file never does);\n"
        "PERCENT (above 0, up to 100, % optional): that share of the\n"
        "reference's span on each axis;\n"
        "VOLTS,AMPS (both above 0, such as 20mV,50uA): the band in volts and\n"
        "amperes\n"},
       {"--json", false, false, false, "", "one JSON object, numbers in plain SI units\n"}},
      RunCompare};
  return command;
}

}  // namespace kvt
