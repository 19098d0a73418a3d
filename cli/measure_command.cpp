// kvt measure: one sweep through the port library, point after point.
#include <QByteArray>
#include <QFile>
#include <QTemporaryFile>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <memory>

#include "analysis/range_advice.h"
#include "core/curve.h"
#include "cli/cli_files.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "core/steady_clock.h"
#include "device/library_locations.h"
#include "device/library_port_io.h"
#include "device/measuring_session.h"
#include "device/switch_hand.h"
#include "device/wide_range_capture.h"
#include "cli/wide_range_measure.h"
#include "files/points_file.h"
#include "simulator/sim_config.h"

namespace kvt {

namespace {

// The signals that end a program unless it catches them. Each stops the
// sweep the way Ctrl-C does: 0 V on the part, nothing written.
constexpr struct {
  int number;
  const char* name;
} StopSignals[] = {{SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}, {SIGQUIT, "SIGQUIT"}};

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void OnStopSignal(int number) { stopSignal = number; }

// Catches the stop signals while it lives; one ignored when kvt starts (as
// nohup ignores SIGHUP) stays ignored.
class StopSignalCatcher {
 public:
  StopSignalCatcher() {
    stopSignal = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t k = 0; k < std::size(StopSignals); ++k) {
      sigaction(StopSignals[k].number, nullptr, &previous_[k]);
      if (previous_[k].sa_handler != SIG_IGN) sigaction(StopSignals[k].number, &action, nullptr);
    }
  }
  ~StopSignalCatcher() {
    for (std::size_t k = 0; k < std::size(StopSignals); ++k) sigaction(StopSignals[k].number, &previous_[k], nullptr);
  }
  StopSignalCatcher(const StopSignalCatcher&) = delete;
  StopSignalCatcher& operator=(const StopSignalCatcher&) = delete;

  // The name of the signal that came, or nothing.
  static const char* Caught() {
    for (const auto& s : StopSignals)
      if (s.number == stopSignal) return s.name;
    return nullptr;
  }

 private:
  struct sigaction previous_[std::size(StopSignals)] {};
};

// The simulated instrument's control file as the user keeps it, checked with
// the simulator's own reader so a bad line stops kvt before it measures.
QByteArray UserControlText() {
  const QByteArray named = qgetenv("KVT_SIM_CONFIG");
  const std::string name = named.isEmpty() ? "kvt_sim.txt" : named.toStdString();
  QFile user(QFile::decodeName(QByteArray::fromStdString(name)));
  if (!user.exists()) return {};
  if (!user.open(QIODevice::ReadOnly)) throw UsageError(name + ": cannot be read");
  const QByteArray text = user.readAll();
  std::vector<std::string> problems;
  kvtsim::ParseConfig(text.toStdString(), &problems);
  if (!problems.empty()) throw UsageError(kvtsim::ProblemSummary(name, problems));
  return text;
}

// The simulated instrument reads its control file when loaded: a copy of
// the user's (so base address, noise and seed stay) with the component and
// range asked for on the command line added last, where they win.
std::unique_ptr<QTemporaryFile> SimulatorControlFile(const std::string& component, const std::string& range) {
  if (std::string reason; !component.empty() && !kvtsim::ParseComponent(component, &reason))
    throw UsageError("--simulate \"" + component + "\": " + reason);
  std::vector<std::string> problems;
  if (!range.empty()) kvtsim::ParseConfig("range = " + range, &problems);
  if (!problems.empty() || range.find_first_of("\n#") != std::string::npos) throw UsageError("option --range takes 100, 1k or 10k, not \"" + range + "\"");
  QByteArray text = UserControlText() + "\n";
  if (!component.empty()) text += "component = " + QByteArray::fromStdString(component) + "\n";
  if (!range.empty()) text += "range = " + QByteArray::fromStdString(range) + "\n";
  auto file = std::make_unique<QTemporaryFile>();
  if (!file->open() || file->write(text) != text.size() || !file->flush())
    throw RunError("cannot write the simulated instrument's control file");
  qputenv("KVT_SIM_CONFIG", QFile::encodeName(file->fileName()));
  return file;
}

void ShowProgress(int done, int total) {
  const int width = 40;
  const int filled = done * width / total;
  std::fprintf(stderr, "\r[%s%s] %4d/%d", std::string(filled, '#').c_str(), std::string(width - filled, '.').c_str(),
               done, total);
  if (done == total) std::fputc('\n', stderr);
  std::fflush(stderr);
}

int PointCountFrom(const CommandLine& line, const DeviceOptions& options) {
  if (const auto n = line.Value("-n")) {
    const int count = WholeOption("-n", *n, 32, 1024);
    if (OptionForCount(count) == 0) throw UsageError("option -n takes 32, 64, 128, 256, 512 or 1024, not " + *n);
    return count;
  }
  const int choice = options.pointsChoice;
  return choice >= 1 && choice <= 6 ? 32 << (choice - 1) : 32;
}

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

  std::unique_ptr<QTemporaryFile> control;
  QString library = QStringLiteral("portio");
  if (line.Has("--simulate")) {
    control = SimulatorControlFile(*line.Value("--simulate"), line.Value("--range").value_or(""));
    library = SimulatedLibraryPath();
    if (library.isEmpty()) throw RunError("the simulated instrument is not installed beside kvt");
  } else if (line.Has("--range")) {
    throw UsageError("option --range sets the simulated instrument's switch and needs --simulate");
  }

  const StopSignalCatcher catchStopSignals;
  std::string failure;
  LibraryPortIo port([&failure](const std::string& message) { failure = message; }, library);
  SteadyClock clock;
  MeasuringSession session(port, clock, options.Device());
  session.Connect();  // the first port access: loads the library
  if (!failure.empty()) throw RunError(failure);
  const Device& device = session.Instrument();
  if (!device.HasPort()) throw RunError(device.PortProblem().value_or("the instrument cannot be reached"));

  Curve curve;
  const bool progress = isatty(STDERR_FILENO);
  int measured = 0;
  const auto stop = [] { return StopSignalCatcher::Caught() != nullptr; };
  std::optional<StitchedCurve> stitched;
  const bool whole =
      ranges ? (stitched = MeasureOnRanges(session, *ranges, count, SwitchHandOf(control ? library : QString()), stop,
                                           progress))
                   .has_value()
             : session.SweepBackToBack(curve, count, stop, [&] {
                 if (progress && measured < count) ShowProgress(++measured, count);
               });
  if (const char* signal = StopSignalCatcher::Caught(); signal && !whole) {
    session.LeaveAtZeroVolts();  // leave no voltage on the part
    if (progress && measured > 0) std::fputc('\n', stderr);
    std::fprintf(stderr, "kvt measure: stopped by %s; the part is left at 0 V, nothing written\n", signal);
    return 128 + stopSignal;
  }
  if (!failure.empty()) throw RunError(failure);

  if (stitched) {
    curve = stitched->curve;
    std::fprintf(stderr, "kvt measure: overlap mismatch in steps of the coarser range: %s\n",
                 MismatchSummary(stitched->mismatches).c_str());
  }
  curve.info.dateTime = LocalDateTimeNow();
  curve.info.source = line.Has("--simulate") ? "simulated instrument" : "instrument";
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
      {{"-n", true, false, false, "POINTS",
        "points of the sweep: 32, 64, 128, 256, 512 or 1024; default: the\n"
        "choice in kvt_win.cfg, else 32\n"},
       {"-o", true, false, false, "FILE",
        "the file to write: .kvt (points file) or .csv; default: the points\n"
        "file on standard output\n"},
       {"--simulate", true, false, true, "COMPONENT",
        "measure the simulated instrument instead of the parallel port, with\n"
        "kvt_sim.txt (or the file KVT_SIM_CONFIG names) for its settings and\n"
        "COMPONENT in its place: open, short, diode, led, \"resistor OHMS\"\n"
        "(4.7k, 1M) or \"zener VOLTS\" (breakdown above 0 V, such as 3.3)\n"},
       {"--range", true, false, false, "OHMS",
        "the simulated instrument's range switch: 100, 1k or 10k ohms\n"
        "(needs --simulate)\n"},
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
