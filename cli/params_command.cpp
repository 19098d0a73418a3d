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

}  // namespace

int RunParams(const Words& words) {
  const CommandLine line(words, {{"--json"}, {"--if", true}, {"--ir", true}, {"--vr", true}});
  line.ExpectPositional({"FILE"});
  AnalysisOptions options;
  if (const auto v = line.Value("--if")) options.forwardAmps = NumberOption("--if", *v);
  if (const auto v = line.Value("--ir")) options.reverseAmps = NumberOption("--ir", *v);
  if (const auto v = line.Value("--vr")) options.reverseVolts = NumberOption("--vr", *v);
  if (options.forwardAmps <= 0) throw UsageError("option --if needs a forward (positive) current in amperes");
  if (options.reverseAmps >= 0) throw UsageError("option --ir needs a reverse (negative) current in amperes");
  if (options.reverseVolts >= 0) throw UsageError("option --vr needs a reverse (negative) voltage");

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

}  // namespace kvt
