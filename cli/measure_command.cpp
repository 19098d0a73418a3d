// kvt measure: one sweep through the port library, point after point.
#include <QByteArray>
#include <QFile>
#include <QTemporaryFile>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>

#include "analysis/curve.h"
#include "cli/cli_files.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "core/steady_clock.h"
#include "device/acquisition.h"
#include "device/device_routines.h"
#include "device/library_locations.h"
#include "device/library_port_io.h"
#include "device/range_monitor.h"
#include "files/points_file.h"

namespace kvt {

namespace {

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) { interrupted = true; }

bool KnownComponent(const std::string& text) {
  const std::string kind = text.substr(0, text.find(' '));
  const bool needsValue = kind == "resistor" || kind == "zener";
  const bool hasValue = text.find_first_not_of(' ', kind.size()) != std::string::npos;
  return (kind == "open" || kind == "short" || kind == "diode" || kind == "led" || needsValue) &&
         needsValue == hasValue;
}

// The simulated instrument reads its control file when loaded: a copy of
// the user's (so base address, noise and seed stay) with the component and
// range asked for on the command line added last, where they win.
std::unique_ptr<QTemporaryFile> SimulatorControlFile(const std::string& component, const std::string& range) {
  QByteArray text;
  const QByteArray named = qgetenv("KVT_SIM_CONFIG");
  QFile user(named.isEmpty() ? QStringLiteral("kvt_sim.txt") : QFile::decodeName(named));
  if (user.open(QIODevice::ReadOnly)) text = user.read(1 << 16) + "\n";
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

int PointCountFrom(const CommandLine& line, const Settings& settings) {
  if (const auto n = line.Value("-n")) {
    const int count = WholeOption("-n", *n, 32, 1024);
    if (OptionForCount(count) == 0) throw UsageError("option -n takes 32, 64, 128, 256, 512 or 1024, not " + *n);
    return count;
  }
  const int choice = settings.Int(PointsChoice);
  return choice >= 1 && choice <= 6 ? 32 << (choice - 1) : 32;
}

}  // namespace

int RunMeasure(const Words& words) {
  const CommandLine line(words, {{"-n", true}, {"-o", true}, {"--simulate", true, false, true}, {"--range", true}});
  line.ExpectPositional({});
  Settings settings = SettingsOfThisFolder();
  const int count = PointCountFrom(line, settings);
  const std::string output = line.Value("-o").value_or("-");

  std::unique_ptr<QTemporaryFile> control;
  QString library = QStringLiteral("portio");
  if (line.Has("--simulate")) {
    const std::string component = *line.Value("--simulate");
    if (!component.empty() && !KnownComponent(component))
      throw UsageError("--simulate takes open, short, diode, led, \"resistor OHMS\" or \"zener VOLTS\", not \"" +
                       component + "\"");
    const std::string range = line.Value("--range").value_or("");
    if (!range.empty() && range != "100" && range != "1k" && range != "10k")
      throw UsageError("option --range takes 100, 1k or 10k, not \"" + range + "\"");
    library = SimulatedLibraryPath();
    if (library.isEmpty()) throw RunError("the simulated instrument is not installed beside kvt");
    control = SimulatorControlFile(component, range);
  } else if (line.Has("--range")) {
    throw UsageError("option --range sets the simulated instrument's switch and needs --simulate");
  }

  std::string failure;
  LibraryPortIo port([&failure](const std::string& message) { failure = message; }, library);
  SteadyClock clock;
  Device device(port, clock, settings);
  device.SetupPorts();
  device.CalibrateDelay();  // the first port access: loads the library
  if (!failure.empty()) throw RunError(failure);
  if (!device.HasPort()) throw RunError(device.PortProblem().value_or("the instrument cannot be reached"));

  PointSet points;
  points.PointCount = static_cast<std::int16_t>(count);
  Acquisition run(points, {[&device](double volts) { return device.MeasurePoint(volts); },
                           [&device](int state) { device.SetBlinkLine(state); },
                           [&device] { return RangeOhms(RangeIndexOfCode(SwitchCode(device.ReadStatus()))); }});
  interrupted = false;
  const auto previous = std::signal(SIGINT, OnInterrupt);
  const bool progress = isatty(STDERR_FILENO);
  run.Start();
  int measured = 0;
  for (;;) {
    if (interrupted) {
      std::signal(SIGINT, previous);
      run.Cancel();
      if (const auto zero = CodeFromVolts(0)) device.WriteDac(*zero);  // leave no voltage on the part
      if (progress) std::fputc('\n', stderr);
      std::fprintf(stderr, "kvt: measure: interrupted; nothing written\n");
      return 130;
    }
    if (run.Tick(count).finished) break;
    if (progress && measured < count) ShowProgress(++measured, count);
  }
  std::signal(SIGINT, previous);
  if (!failure.empty()) throw RunError(failure);

  const double ohms = RangeOhms(RangeIndexOfCode(SwitchCode(device.ReadStatus())));
  WriteCurve(output, CurveFromPointSet(points, ohms), "");
  return 0;
}

}  // namespace kvt
