// kvt params: the parameters of one curve, in words or as JSON.
#include <cstdio>

#include "analysis/parameter_report.h"
#include "analysis/parameters.h"
#include "cli/cli_files.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/report.h"

namespace kvt {

namespace {

std::string Json(const Curve& curve, const PartParameters& p) {
  std::string shockley = "null";
  if (p.shockley)
    shockley = "{\"is\": " + JsonNumber(p.shockley->saturationAmps) + ", \"n\": " + JsonNumber(p.shockley->ideality) +
               ", \"rs\": " + JsonNumber(p.shockley->seriesOhms) + "}";
  return "{\"component\": " + JsonString(std::string(PartKindName(p.kind))) + ", \"vf\": " +
         JsonNumber(p.forwardVolts) + ", \"rd\": " + JsonNumber(p.dynamicOhms) + ", \"vbr\": " +
         JsonNumber(p.breakdownVolts) + ", \"leakage\": " + JsonNumber(p.leakageAmps) + ", \"resistance\": " +
         JsonNumber(p.resistance ? std::optional<double>(p.resistance->ohms) : std::nullopt) +
         ", \"shockley\": " + shockley + ", \"clipped\": " + std::to_string(ClippedCount(curve)) + "}\n";
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
    text = Json(curve, parameters);
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
      "diode fit. \"-\" (null in JSON) marks what the curve cannot give.\n"
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
