// How long real acquisitions take against the simulated instrument: the
// calibrated port pauses inside one measured point, the pause the instrument
// sees between two writes after a calibration on an idle and on a busy
// machine, and whole 32-point runs of the acquisition window with its 100 ms
// timer. Prints the figures next to what the timing should come to.
//
//   acquisition_timing [runs] [points]
//
// For the busy start, three processes spin while the calibration runs and
// end before the pauses are timed, as other programs busy at start-up do.
// The simulated instrument reads its control file as usual (KVT_SIM_CONFIG or
// kvt_sim.txt); without one it is a diode on the 1 kOhm range.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "core/typed_options.h"
#include "core/text_number.h"
#include "device/device_routines.h"
#include "ui/acquisition_window.h"
#include "device/library_port_io.h"
#include "core/steady_clock.h"
#include "core/plot_view.h"
#include "core/sweep_steps.h"

using namespace kvt;

namespace {

using Wall = std::chrono::steady_clock;

double SecondsSince(Wall::time_point start) {
  return std::chrono::duration<double>(Wall::now() - start).count();
}

struct Spread {
  double mean = 0, low = 0, high = 0;
};

template <typename Call>
Spread Time(int repeats, Call call) {
  std::vector<double> seconds;
  for (int i = 0; i < repeats; ++i) {
    const auto start = Wall::now();
    call();
    seconds.push_back(SecondsSince(start));
  }
  Spread s;
  for (double t : seconds) s.mean += t;
  s.mean /= repeats;
  s.low = *std::min_element(seconds.begin(), seconds.end());
  s.high = *std::max_element(seconds.begin(), seconds.end());
  return s;
}

void PrintMs(const char* what, const Spread& s, double expectedMs) {
  std::printf("%-28s mean %8.3f ms  (min %8.3f, max %8.3f)  expected %7.3f ms  ratio %.3f\n", what,
              s.mean * 1e3, s.low * 1e3, s.high * 1e3, expectedMs, s.mean * 1e3 / expectedMs);
}

// The window's picture goes nowhere: only the timing counts here.
class QuietView : public PlotView {
 public:
  void UpdateParams() override {}
  void DrawPlot() override {}
};

// Passes everything on to the instrument and notes when each write to the
// data register happened.
class StampingPort : public PortIo {
 public:
  StampingPort(PortIo& instrument, int dataPort) : instrument_(instrument), dataPort_(dataPort) {}
  int OutPort(int port, int value) override {
    if (port == dataPort_) writes.push_back(Wall::now());
    return instrument_.OutPort(port, value);
  }
  int InPort(int port) override { return instrument_.InPort(port); }
  std::string InstrumentMessage() override { return instrument_.InstrumentMessage(); }
  std::optional<std::string> AccessError(int port) override { return instrument_.AccessError(port); }

  std::vector<Wall::time_point> writes;

 private:
  PortIo& instrument_;
  int dataPort_;
};

// Processes that keep the processors busy until destroyed.
class BusyProcesses {
 public:
  explicit BusyProcesses(int count) {
    char sh[] = "sh", c[] = "-c", loop[] = "while :; do :; done";
    char* args[] = {sh, c, loop, nullptr};
    for (int i = 0; i < count; ++i) {
      pid_t pid = 0;
      if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, args, environ) == 0) pids_.push_back(pid);
    }
  }
  ~BusyProcesses() {
    for (const pid_t pid : pids_) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  BusyProcesses(const BusyProcesses&) = delete;
  BusyProcesses& operator=(const BusyProcesses&) = delete;

 private:
  std::vector<pid_t> pids_;
};

std::string LoadAverage() {
  QFile file(QStringLiteral("/proc/loadavg"));
  if (!file.open(QIODevice::ReadOnly)) return "unknown";
  return file.readLine().trimmed().toStdString();
}

// A fresh start-up, its calibration with `busy` processes spinning, then the
// median time between two data register writes over some measured points,
// as a multiple of the pause asked for.
void PrintPauseRatio(PortIo& instrument, const DeviceOptions& options, int busy) {
  StampingPort port(instrument, options.portBase.value_or(0));
  SteadyClock clock;
  Device device(port, clock, options);
  device.SetupPorts();
  const auto calibrationStart = Wall::now();
  {
    BusyProcesses load(busy);
    device.CalibrateDelay();
  }
  const double calibrationS = SecondsSince(calibrationStart);
  port.writes.clear();
  for (int i = 0; i < 20; ++i) device.MeasurePoint(1.88);
  std::vector<double> micros;
  for (std::size_t i = 1; i < port.writes.size(); ++i)
    micros.push_back(std::chrono::duration<double, std::micro>(port.writes[i] - port.writes[i - 1]).count());
  std::nth_element(micros.begin(), micros.begin() + micros.size() / 2, micros.end());
  const double median = micros[micros.size() / 2];
  const double asked = options.delayMicros;
  std::printf("%d busy at start-up: calibration %.3f s, %7.2f reads/us; median pause %7.2f us of %g: ratio %.3f\n",
              busy, calibrationS, device.ReadsPerMicrosecond(), median, asked, median / asked);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const int pointCount = argc > 2 ? std::atoi(argv[2]) : 32;
  if (PointStep(pointCount) < 1 || 1024 % PointStep(pointCount) != 0 || pointCount > 1024) {
    std::fprintf(stderr, "points must be 32, 64, 128, 256, 512 or 1024\n");
    return 2;
  }

  bool failed = false;
  LibraryPortIo port(
      [&failed](const std::string& message) {
        std::fprintf(stderr, "port library: %s\n", message.c_str());
        failed = true;
      },
      QStringLiteral(KVT_SIM_LIBRARY), {});
  const TypedOptions options;  // the defaults
  SteadyClock clock;
  Device device(port, clock, options.Device());
  device.SetupPorts();

  std::printf("simulated instrument: %s\n", KVT_SIM_LIBRARY);
  const auto calibrationStart = Wall::now();
  device.CalibrateDelay();
  if (failed) return 1;
  std::printf("calibration: %.3f s, %.1f data register reads per microsecond\n", SecondsSince(calibrationStart),
              device.ReadsPerMicrosecond());

  const double delayUs = options.Device().delayMicros;
  const double averaging = options.Device().averaging;
  std::printf("settings: %g us pause after each output, %g conversions per point\n\n", delayUs, averaging);

  // A transfer is 22 outputs, each followed by one pause.
  const double transferMs = 22 * delayUs / 1e3;
  device.MeasurePoint(0.0);  // warm-up: not timed
  PrintMs("WriteDac", Time(50, [&] { device.WriteDac(700); }), transferMs);
  PrintMs("ReadAdc", Time(50, [&] { device.ReadAdc(); }), transferMs);
  PrintMs("MeasurePoint (1.88 V)", Time(100, [&] { device.MeasurePoint(1.88); }),
          (1 + averaging) * transferMs);
  std::printf("\n");

  std::printf("pauses between writes (load average before: %s)\n", LoadAverage().c_str());
  for (int run = 1; run <= runs; ++run) {
    PrintPauseRatio(port, options.Device(), 0);
    PrintPauseRatio(port, options.Device(), 3);
  }
  std::printf("\n");

  // Whole runs in the acquisition window, one point per tick of its timer,
  // and a finishing tick.
  const double expectedRunS = (pointCount + 1) * 0.1;
  Curve points;
  QuietView view;
  std::vector<double> runSeconds;
  for (int run = 1; run <= runs; ++run) {
    AcquisitionWindow window(points, pointCount,
                             AcquisitionCalls{[&](double volts) { return device.MeasurePoint(volts); },
                                              [&](int state) { device.SetBlinkLine(state); },
                                              [] { return 1000.0; }},
                             view);
    device.SetKeepResponsive([&window] { return window.KeepResponsive(); });
    QElapsedTimer elapsed;
    elapsed.start();
    window.exec();
    device.SetKeepResponsive({});
    const double seconds = elapsed.nsecsElapsed() / 1e9;
    runSeconds.push_back(seconds);
    std::printf("run %d: %d points in %.3f s  expected %.3f s  ratio %.3f  (%.1f ms a tick)\n", run,
                static_cast<int>(points.points.size()), seconds, expectedRunS, seconds / expectedRunS,
                seconds * 1e3 / (pointCount + 1));
  }
  double mean = 0;
  for (double s : runSeconds) mean += s;
  mean /= static_cast<double>(runSeconds.size());
  std::printf("mean of %d runs: %.3f s against %.3f s\n", runs, mean, expectedRunS);
  return 0;
}
