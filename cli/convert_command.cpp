// kvt convert and kvt spice: a curve into another file form.
#include <string>

#include "analysis/parameters.h"
#include "analysis/spice_model.h"
#include "cli/cli_files.h"
#include "cli/command_line.h"
#include "cli/commands.h"

namespace kvt {

namespace {

std::string BaseName(const std::string& path) {
  std::string name = path.substr(path.rfind('/') + 1);
  return name.substr(0, name.rfind('.'));
}

std::string RequiredOutput(const CommandLine& line) {
  const auto out = line.Value("-o");
  if (!out || out->empty()) throw UsageError("missing -o OUT");
  return *out;
}

}  // namespace

int RunConvert(const Words& words) {
  const CommandLine line(words, {{"-o", true}});
  line.ExpectPositional({"IN"});
  const std::string output = RequiredOutput(line);
  const std::string input = line.Positional()[0];
  WriteCurve(output, LoadCurve(input), input.substr(input.rfind('/') + 1));
  return 0;
}

int RunSpice(const Words& words) {
  const CommandLine line(words, {{"-o", true}, {"--name", true}});
  line.ExpectPositional({"FILE"});
  const std::string output = RequiredOutput(line);
  const std::string input = line.Positional()[0];
  const Curve curve = LoadCurve(input);
  const std::string name = SpiceName(line.Value("--name").value_or(BaseName(input)));
  WriteOutput(output, SpiceModelText(name, curve, AnalysePart(curve)));
  return 0;
}

}  // namespace kvt
