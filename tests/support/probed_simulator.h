#pragma once
// The simulated instrument in the test's own process, its control file
// watched as the port library watches it, but on a clock the test moves: a
// part is "probed" by writing `component = ...` into the file, and the next
// read of the status register takes it up without waiting a second.
#include <QTemporaryDir>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/port_io.h"
#include "simulator/config_watcher.h"
#include "simulator/instrument.h"

namespace kvt {

class ProbedSimulator : public PortIo {
 public:
  // `settings`: the control file's other lines (range, noise, seed ...).
  explicit ProbedSimulator(std::string component = "open", std::string settings = "range = 1k\nseed = 1\n")
      : settings_(std::move(settings)),
        path_(dir_.filePath("kvt_sim.txt").toStdString()),
        watcher_(path_, WatchSeconds) {
    Write(component);
    instrument_.Configure(watcher_.Load());
  }

  static constexpr double WatchSeconds = 1.0;

  // Puts the probe on `component` ("open": lifted), as a user editing the
  // control file would; applies from the next status read.
  void Probe(const std::string& component) {
    Write(component);
    now_ += WatchSeconds;
  }
  const kvtsim::SimConfig& Config() const { return instrument_.Config(); }
  int AppliedCode() const { return instrument_.AppliedCode(); }

  int OutPort(int port, int value) override { return instrument_.Out(port, value); }
  int InPort(int port) override {
    if ((port & 0xFFFF) == instrument_.Config().base + 1)
      if (auto config = watcher_.Poll(now_)) instrument_.Configure(*config);
    return instrument_.In(port);
  }

 private:
  void Write(const std::string& component) {
    namespace fs = std::filesystem;
    std::error_code error;
    const auto before = fs::last_write_time(path_, error);
    std::ofstream(path_, std::ios::trunc) << "component = " << component << "\n" << settings_;
    // A stamp that always moves, however fast the rewrites come.
    if (!error) fs::last_write_time(path_, before + std::chrono::seconds(1), error);
  }

  QTemporaryDir dir_;
  std::string settings_;
  std::string path_;
  kvtsim::ConfigWatcher watcher_;
  kvtsim::Instrument instrument_;
  double now_ = 0;
};

}  // namespace kvt
