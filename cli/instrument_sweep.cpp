#include "cli/instrument_sweep.h"

#include <QByteArray>
#include <QFile>
#include <unistd.h>

#include <cstdio>
#include <iterator>
#include <vector>

#include "cli/cli_files.h"
#include "device/library_locations.h"
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

std::unique_ptr<QTemporaryFile> ControlFileFor(const CommandLine& line) {
  if (line.Has("--simulate")) return SimulatorControlFile(*line.Value("--simulate"), line.Value("--range").value_or(""));
  if (line.Has("--range")) throw UsageError("option --range sets the simulated instrument's switch and needs --simulate");
  return nullptr;
}

void ShowProgress(int done, int total) {
  const int width = 40;
  const int filled = done * width / total;
  std::fprintf(stderr, "\r[%s%s] %4d/%d", std::string(filled, '#').c_str(), std::string(width - filled, '.').c_str(),
               done, total);
  if (done == total) std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace

const OptionRule& PointsOption() {
  static const OptionRule rule{"-n", true, false, false, "POINTS",
                               "points of the sweep: 32, 64, 128, 256, 512 or 1024; default: the\n"
                               "choice in kvt_win.cfg, else 32\n"};
  return rule;
}

const OptionRule& SimulateOption() {
  static const OptionRule rule{"--simulate", true, false, true, "COMPONENT",
                               "measure the simulated instrument instead of the parallel port, with\n"
                               "kvt_sim.txt (or the file KVT_SIM_CONFIG names) for its settings and\n"
                               "COMPONENT in its place: open, short, diode, led, \"resistor OHMS\"\n"
                               "(4.7k, 1M) or \"zener VOLTS\" (breakdown above 0 V, such as 3.3)\n"};
  return rule;
}

const OptionRule& RangeOption() {
  static const OptionRule rule{"--range", true, false, false, "OHMS",
                               "the simulated instrument's range switch: 100, 1k or 10k ohms\n"
                               "(needs --simulate)\n"};
  return rule;
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

StopSignalCatcher::StopSignalCatcher() {
  static_assert(std::size(StopSignals) == sizeof previous_ / sizeof previous_[0]);
  stopSignal = 0;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (std::size_t k = 0; k < std::size(StopSignals); ++k) {
    sigaction(StopSignals[k].number, nullptr, &previous_[k]);
    if (previous_[k].sa_handler != SIG_IGN) sigaction(StopSignals[k].number, &action, nullptr);
  }
}

StopSignalCatcher::~StopSignalCatcher() {
  for (std::size_t k = 0; k < std::size(StopSignals); ++k) sigaction(StopSignals[k].number, &previous_[k], nullptr);
}

const char* StopSignalCatcher::Caught() {
  for (const auto& s : StopSignals)
    if (s.number == stopSignal) return s.name;
  return nullptr;
}

int StopSignalCatcher::CaughtNumber() { return stopSignal; }

CommandLineInstrument::CommandLineInstrument(const CommandLine& line, const DeviceOptions& options)
    : control_(ControlFileFor(line)),
      library_(control_ ? SimulatedLibraryPath() : QStringLiteral("portio")),
      port_([this](const std::string& message) { failure_ = message; }, library_),
      session_(port_, clock_, options) {
  if (library_.isEmpty()) throw RunError("the simulated instrument is not installed beside kvt");
  session_.Connect();  // the first port access: loads the library
  ThrowIfFailed();
  const Device& device = session_.Instrument();
  if (!device.HasPort()) throw RunError(device.PortProblem().value_or("the instrument cannot be reached"));
}

std::function<bool()> CommandLineInstrument::StopAsked() const {
  return [] { return StopSignalCatcher::Caught() != nullptr; };
}

bool CommandLineInstrument::Sweep(Curve& curve, int pointCount) {
  const bool progress = isatty(STDERR_FILENO);
  int measured = 0;
  return session_.SweepBackToBack(curve, pointCount, StopAsked(), [&] {
    if (progress && measured < pointCount) {
      ShowProgress(++measured, pointCount);
      progressShown_ = measured < pointCount;
    }
  });
}

int CommandLineInstrument::Stopped(const std::string& command, const std::string& aftermath) {
  session_.LeaveAtZeroVolts();  // leave no voltage on the part
  if (progressShown_) std::fputc('\n', stderr);
  std::fprintf(stderr, "kvt %s: stopped by %s; the part is left at 0 V, %s\n", command.c_str(),
               StopSignalCatcher::Caught(), aftermath.c_str());
  return 128 + StopSignalCatcher::CaughtNumber();
}

void CommandLineInstrument::ThrowIfFailed() const {
  if (!failure_.empty()) throw RunError(failure_);
}

std::optional<Curve> MeasureOnePart(const CommandLine& line, const std::string& command,
                                    const std::string& aftermath, const std::string& failed, int& status) {
  const TypedOptions options = OptionsOfThisFolder();
  const int count = PointCountFrom(line, options.Device());
  Curve curve;
  try {
    CommandLineInstrument instrument(line, options.Device());
    if (!instrument.Sweep(curve, count)) {
      status = instrument.Stopped(command, aftermath);
      return std::nullopt;
    }
    instrument.ThrowIfFailed();
    curve.info.source = instrument.Source();
  } catch (const RunError& e) {
    const std::string why = e.what();
    throw UsageError(failed + why.substr(0, why.find('\n')));
  }
  curve.info.dateTime = LocalDateTimeNow();
  return curve;
}

}  // namespace kvt
