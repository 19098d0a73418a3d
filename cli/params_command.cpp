// kvt params: the parameters of one curve, in words or as JSON.
#include <cstdio>

#include "analysis/figure_uncertainty.h"
#include "analysis/parameter_report.h"
#include "analysis/parameters.h"
#include "cli/cli_files.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/report.h"

namespace kvt {

namespace {

// The figures, their uncertainties under the same keys and units, and the
// reason for every figure the curve cannot give.
std::string Json(const Curve& curve, const PartParameters& p, const ReportedFigures& f) {
  const struct {
    const char* key;
    const ReportedFigure& figure;
  } plain[] = {{"vf", f.forwardVolts}, {"rd", f.dynamicOhms}, {"vbr", f.breakdownVolts},
               {"leakage", f.leakageAmps}, {"resistance", f.resistance}},
    junction[] = {{"is", f.saturationAmps}, {"n", f.ideality}, {"rs", f.seriesOhms}};
  auto uncertainty = [](const ReportedFigure& g) {
    return g.value ? std::optional<double>(g.uncertainty) : std::nullopt;
  };
  std::string figures, spreads, notes;
  auto note = [&](const std::string& key, const ReportedFigure& g) {
    if (!g.note.empty()) notes += (notes.empty() ? "" : ", ") + JsonString(key) + ": " + JsonString(g.note);
  };
  for (const auto& [key, g] : plain) {
    figures += ", \"" + std::string(key) + "\": " + JsonNumber(g.value);
    spreads += std::string(spreads.empty() ? "" : ", ") + "\"" + key + "\": " + JsonNumber(uncertainty(g));
    note(key, g);
  }
  std::string shockley = "null", shockleySpread = "null";
  if (p.shockley) {
    shockley = shockleySpread = "{";
    for (const auto& [key, g] : junction) {
      const char* comma = *key == 'i' ? "" : ", ";
      shockley += comma + std::string("\"") + key + "\": " + JsonNumber(g.value);
      shockleySpread += comma + std::string("\"") + key + "\": " + JsonNumber(uncertainty(g));
      note(std::string("shockley.") + key, g);
    }
    shockley += "}";
    shockleySpread += "}";
  } else {
    note("shockley", f.saturationAmps);
  }
  std::string breakdownAt;
  if (BreakdownAmpsOf(p)) breakdownAt = ", \"vbr_amps\": " + JsonNumber(f.breakdownAmps);
  return "{\"component\": " + JsonString(std::string(PartKindName(p.kind))) + figures + breakdownAt +
         ", \"shockley\": " + shockley + ", \"clipped\": " + std::to_string(ClippedCount(curve)) +
         ", \"uncertainty\": {" + spreads + ", \"shockley\": " + shockleySpread + "}, \"notes\": {" + notes +
         "}}\n";
}

int RunParams(const Words& words) {
  const CommandLine line(words, ParamsCommand().options);
  line.ExpectPositional({"FILE"});
  AnalysisOptions options;
  if (const auto v = line.Value("--if")) options.forwardAmps = QuantityOption("--if", *v, "A", "current");
  if (const auto v = line.Value("--ir")) options.reverseAmps = QuantityOption("--ir", *v, "A", "current");
  if (const auto v = line.Value("--vr")) options.reverseVolts = QuantityOption("--vr", *v, "V", "voltage");
  if (options.forwardAmps <= 0)
    throw UsageError("option --if needs a forward (positive) current in amperes, not \"" + *line.Value("--if") + "\"");
  if (options.reverseAmps >= 0)
    throw UsageError("option --ir needs a reverse (negative) current in amperes, not \"" + *line.Value("--ir") + "\"");
  if (options.reverseVolts >= 0)
    throw UsageError("option --vr needs a reverse (negative) voltage in volts, not \"" + *line.Value("--vr") + "\"");

  const Curve curve = LoadCurve(line.Positional()[0]);
  const PartParameters parameters = AnalysePart(curve, options);
  std::string text;
  if (line.Has("--json")) {
    text = Json(curve, parameters, ReportFigures(curve, parameters, options));
  } else {
    for (const ParameterRow& row : ParameterRows(curve, parameters, options))
      text += row.label + ": " + row.value + "\n";
  }
  std::fputs(text.c_str(), stdout);
  return 0;
}

}  // namespace

const Subcommand& ParamsCommand() {
  static const Subcommand command{
      "params",
      "params FILE [--json] [--if CURRENT] [--ir CURRENT] [--vr VOLTAGE]",
      "Prints the parameters of the part in FILE: its kind, forward voltage and\n"
      "dynamic resistance, breakdown voltage, leakage current, resistance and a\n"
      "diode fit, each with its uncertainty (\"592 ± 5 mV\": the true value lies\n"
      "within it nine times in ten or more). A dash (null in JSON) and the\n"
      "reason mark what the curve cannot give; JSON holds the uncertainties\n"
      "under \"uncertainty\" with the figures' keys and units, the reasons under\n"
      "\"notes\".\n"
      "Currents are in amperes, voltages in volts: plain (0.002) or with a prefix\n"
      "and the unit (2mA, 2m, -5V).\n",
      {{"--json", false, false, false, "", "one JSON object, numbers in plain SI units\n"},
       {"--if", true, false, false, "CURRENT",
        "forward current (above 0) for the forward voltage and the dynamic\n"
        "resistance; default 1mA\n"},
       {"--ir", true, false, false, "CURRENT", "reverse current (below 0) for the breakdown voltage; default -1mA\n"},
       {"--vr", true, false, false, "VOLTAGE", "reverse voltage (below 0) for the leakage current; default -1V\n"}},
      RunParams};
  return command;
}

}  // namespace kvt
