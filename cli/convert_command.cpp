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

std::string RequiredOutput(const CommandLine& line, const std::vector<std::string>& extensions) {
  const auto out = line.Value("-o");
  if (!out || out->empty()) throw UsageError("missing -o OUT");
  OutputExtension(*out, extensions);
  return *out;
}

int RunConvert(const Words& words) {
  const CommandLine line(words, ConvertCommand().options);
  line.ExpectPositional({"IN"});
  const std::string output = RequiredOutput(line, CurveExtensions);
  const std::string input = line.Positional()[0];
  WriteCurve(output, LoadCurve(input), input.substr(input.rfind('/') + 1));
  return 0;
}

int RunSpice(const Words& words) {
  const CommandLine line(words, SpiceCommand().options);
  line.ExpectPositional({"FILE"});
  const std::string output = RequiredOutput(line, SpiceExtensions);
  const std::string input = line.Positional()[0];
  const Curve curve = LoadCurve(input);
  const std::string name = SpiceName(line.Value("--name").value_or(BaseName(input)));
  WriteOutput(output, SpiceModelText(name, curve, AnalysePart(curve)));
  return 0;
}

}  // namespace

const Subcommand& ConvertCommand() {
  static const Subcommand command{
      "convert",
      "convert IN -o OUT",
      "Writes the curve of IN (a points file or a CSV file) in the form OUT's\n"
      "extension names: .kvt a points file (32, 64, 128, 256, 512 or 1024 points,\n"
      "all of one range), .csv a CSV file (with each point's range in a column\n"
      "where they come from several).\n",
      {{"-o", true, false, false, "OUT", "the file to write: " + OneOf(CurveExtensions) + " (required)\n"}},
      RunConvert};
  return command;
}

const Subcommand& SpiceCommand() {
  static const Subcommand command{
      "spice",
      "spice FILE -o OUT [--name NAME]",
      "Writes a circuit-simulator model of the part in FILE: a diode model NAME\n"
      "fitted to the curve (with BV and IBV where it conducts in reverse), and\n"
      "where the curve shows leakage a subcircuit NAME_LEAKY, the diode with a\n"
      "resistor across it, to place instead; and a table subcircuit NAME_TABLE\n"
      "that follows the measured points. In a text file any SPICE includes.\n",
      {{"-o", true, false, false, "OUT", "the file to write: " + OneOf(SpiceExtensions) + " (required)\n"},
       {"--name", true, false, false, "NAME",
        "the model's name: letters, digits and _, a letter first (D is put in\n"
        "front otherwise); default: FILE's name without its extension\n"}},
      RunSpice};
  return command;
}

}  // namespace kvt
