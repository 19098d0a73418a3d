// kvt measure: one sweep through the port library, point after point.
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <vector>

#include "analysis/range_advice.h"
#include "cli/cli_files.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/instrument_sweep.h"
#include "cli/wide_range_measure.h"
#include "core/curve.h"
#include "device/switch_hand.h"
#include "device/wide_range_capture.h"

namespace kvt {

namespace {

int RunMeasure(const Words& words) {
  const CommandLine line(words, MeasureCommand().options);
  line.ExpectPositional({});
  const TypedOptions options = OptionsOfThisFolder();
  const int count = PointCountFrom(line, options.Device());
  const std::string output = line.Value("-o").value_or("-");
  if (output != "-") OutputExtension(output, CurveExtensions);
  std::optional<std::vector<double>> ranges;
  if (const auto list = line.Value("--ranges")) {
    std::string reason;
    ranges = RangeListFromText(*list, &reason);
    if (!ranges) throw UsageError("option --ranges: " + reason + "; it takes 100, 1k and 10k, each at most once, separated by commas (10k,1k,100)");
    if (output == "-" || OutputExtension(output, CurveExtensions) != ".csv")
      throw UsageError("option --ranges writes a curve of several ranges, which only CSV holds: name a .csv file with -o");
  }

  CommandLineInstrument instrument(line, options.Device());
  Curve curve;
  std::optional<StitchedCurve> stitched;
  const bool whole =
      ranges ? (stitched = MeasureOnRanges(instrument.Session(), *ranges, count,
                                           SwitchHandOf(instrument.SimulatedLibrary()), instrument.StopAsked(),
                                           isatty(STDERR_FILENO)))
                   .has_value()
             : instrument.Sweep(curve, count);
  if (!whole && StopSignalCatcher::Caught()) return instrument.Stopped("measure", "nothing written");
  instrument.ThrowIfFailed();

  if (stitched) {
    curve = stitched->curve;
    std::fprintf(stderr, "kvt measure: overlap mismatch in steps of the coarser range: %s\n",
                 MismatchSummary(stitched->mismatches).c_str());
  }
  curve.info.dateTime = LocalDateTimeNow();
  curve.info.source = instrument.Source();
  WriteCurve(output, curve, "");
  if (const RangeAdvice advice = AdviseRange(curve); !advice.text.empty())
    std::fprintf(stderr, "kvt measure: %s\n", advice.text.c_str());
  return 0;
}

}  // namespace

const Subcommand& MeasureCommand() {
  static const Subcommand command{
      "measure",
      "measure [-n POINTS] [-o FILE] [--simulate[=COMPONENT]] [--range 100|1k|10k] [--ranges LIST]",
      "Sweeps the instrument from -5.12 V to +5.11 V and writes the points. The\n"
      "port, delay and averaging come from kvt_win.cfg in the current folder\n"
      "when there is one. SIGINT (Ctrl-C), SIGTERM, SIGHUP or SIGQUIT stop the\n"
      "sweep with 0 V on the part and nothing written (exit status 128 + the\n"
      "signal's number).\n",
      {PointsOption(),
       {"-o", true, false, false, "FILE",
        "the file to write: .kvt (points file) or .csv; default: the points\n"
        "file on standard output\n"},
       SimulateOption(),
       RangeOption(),
       {"--ranges", true, false, false, "LIST",
        "sweep on each range of LIST in turn (10k,1k,100), asking on standard\n"
        "error for the switch to be moved between them (the simulated\n"
        "instrument's switch moves by itself), and write one CSV curve whose\n"
        "points keep their range; the mismatch where ranges overlap goes to\n"
        "standard error\n"}},
      RunMeasure};
  return command;
}

}  // namespace kvt
