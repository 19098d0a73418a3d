#pragma once
// The instrument of a measuring subcommand (kvt measure, kvt board golden and
// test): the parallel port's library or the simulated instrument, swept point
// after point, with the stop signals caught so that a stopped sweep leaves
// 0 V on the part.
#include <QString>
#include <QTemporaryFile>

#include <csignal>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "cli/command_line.h"
#include "core/curve.h"
#include "core/steady_clock.h"
#include "device/library_port_io.h"
#include "device/measuring_session.h"

namespace kvt {

// The options every measuring subcommand takes, with one help text each.
const OptionRule& PointsOption();    // -n POINTS
const OptionRule& SimulateOption();  // --simulate[=COMPONENT]
const OptionRule& RangeOption();     // --range OHMS

// -n, checked; else the choice in kvt_win.cfg; else 32.
int PointCountFrom(const CommandLine& line, const DeviceOptions& options);

// Catches SIGINT, SIGTERM, SIGHUP and SIGQUIT while it lives; one ignored
// when kvt starts (as nohup ignores SIGHUP) stays ignored.
class StopSignalCatcher {
 public:
  StopSignalCatcher();
  ~StopSignalCatcher();
  StopSignalCatcher(const StopSignalCatcher&) = delete;
  StopSignalCatcher& operator=(const StopSignalCatcher&) = delete;

  // The name of the signal that came, or nothing; and its number (0).
  static const char* Caught();
  static int CaughtNumber();

 private:
  struct sigaction previous_[4] {};
};

class CommandLineInstrument {
 public:
  // The simulated instrument for --simulate (its component) and --range,
  // else the parallel port; loads its library and finds the instrument.
  // UsageError for bad options or a bad control file, RunError when the
  // instrument cannot be reached.
  CommandLineInstrument(const CommandLine& line, const DeviceOptions& options);
  CommandLineInstrument(const CommandLineInstrument&) = delete;
  CommandLineInstrument& operator=(const CommandLineInstrument&) = delete;

  MeasuringSession& Session() { return session_; }
  bool Simulated() const { return control_ != nullptr; }
  // The simulated instrument's library (its hand turns the range switch);
  // empty for the parallel port.
  QString SimulatedLibrary() const { return Simulated() ? library_ : QString(); }
  // "simulated instrument" or "instrument", for a curve's source.
  const char* Source() const { return Simulated() ? "simulated instrument" : "instrument"; }

  // True once a stop signal came.
  std::function<bool()> StopAsked() const;
  // One sweep of `pointCount` points, its progress on standard error when
  // that is a terminal. False when a stop signal ended it.
  bool Sweep(Curve& curve, int pointCount);
  // After a stop: 0 V on the part and the line "kvt COMMAND: stopped by
  // SIGINT; the part is left at 0 V, AFTERMATH"; returns 128 + the signal.
  int Stopped(const std::string& command, const std::string& aftermath);
  // RunError with the port's problem when it had one.
  void ThrowIfFailed() const;

 private:
  std::unique_ptr<QTemporaryFile> control_;
  QString library_;
  StopSignalCatcher catcher_;
  std::string failure_;
  LibraryPortIo port_;
  SteadyClock clock_;
  MeasuringSession session_;
  bool progressShown_ = false;
};

// One sweep of the part under the probe with the command line's instrument,
// point count and options, dated and named by its source. Nothing when a
// stop signal ended it: the part is then at 0 V and `status` is the exit
// status, the line saying "stopped ..., AFTERMATH". An instrument that cannot
// measure is bad input to a script: UsageError, `failed` followed by the
// first line of the reason (its advice runs to paragraphs).
std::optional<Curve> MeasureOnePart(const CommandLine& line, const std::string& command,
                                    const std::string& aftermath, const std::string& failed, int& status);

}  // namespace kvt
