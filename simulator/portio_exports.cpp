// The port library's two exports, answered by the simulated instrument
// instead of the parallel port. The program cannot tell the difference.
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "simulator/config_watcher.h"
#include "simulator/instrument.h"
#include "simulator/simulated_hand.h"

#if defined(_WIN32)
#define KVT_PORTIO_API(type) extern "C" __declspec(dllexport) type __stdcall
#else
#define KVT_PORTIO_API(type) extern "C" __attribute__((visibility("default"))) type
#endif

namespace {

// The latest complaint about the control file, for the program to show;
// empty once a load finds nothing wrong.
std::string latestComplaint;

// Once per reading of the file, naming it as the user did.
void Report(const kvtsim::ConfigWatcher& watcher) {
  latestComplaint = kvtsim::ProblemSummary(watcher.Name(), watcher.Problems());
  if (!latestComplaint.empty()) std::fprintf(stderr, "kvt_sim: %s\n", latestComplaint.c_str());
}

kvtsim::SimConfig FirstLoad(kvtsim::ConfigWatcher& watcher) {
  kvtsim::SimConfig config = watcher.Load();
  Report(watcher);
  return config;
}

// Built when the library is loaded, so the calls themselves never wait on
// a first-use check.
struct Simulator {
  kvtsim::ConfigWatcher watcher{kvtsim::ConfigPathFromEnvironment(), 1.0, kvtsim::ConfigNameFromEnvironment()};
  kvtsim::Instrument instrument{FirstLoad(watcher)};
  kvtsim::SimulatedHand hand;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

  double Now() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); }

  // The program reads the status register once a second for the switch and
  // ten times per conversion, so that is where the control file and the
  // hand are watched; the data register, read in the calibrated delays,
  // stays free of it.
  void WatchControlFile() {
    const double now = Now();
    if (auto config = watcher.Poll(now)) {
      Report(watcher);
      instrument.Configure(*config);
    }
    if (const auto position = hand.Due(now)) {
      kvtsim::SimConfig turned = instrument.Config();
      turned.rangeOhms = *position;
      instrument.Configure(turned);
    }
  }

  // The component the lifted probe was on, to put it on the next one.
  std::optional<kvtsim::Component> liftedFrom;

  void LiftProbe(bool lift) {
    kvtsim::SimConfig config = instrument.Config();
    if (lift) {
      if (config.component.kind == kvtsim::ComponentKind::Open) return;
      liftedFrom = config.component;
      config.component = {kvtsim::ComponentKind::Open, 0};
    } else {
      if (!liftedFrom) return;
      config.component = *liftedFrom;
      liftedFrom.reset();
    }
    instrument.Configure(config);
  }
};

Simulator simulator;

}  // namespace

KVT_PORTIO_API(int) OutPort(int port, int value) { return simulator.instrument.Out(port, value); }

KVT_PORTIO_API(int) InPort(int port) {
  if ((port & 0xFFFF) == ((simulator.instrument.Config().base + 1) & 0xFFFF)) simulator.WatchControlFile();
  return simulator.instrument.In(port);
}

KVT_PORTIO_API(const char*) SimulatorMessage(void) { return latestComplaint.c_str(); }

// A hand for a program measuring one part after another: lifts the probe
// (nonzero) or puts it on the next part of the component it was lifted
// from (0), at once, where editing the control file takes up to a second.
KVT_PORTIO_API(void) SimulatorLiftProbe(int lifted) { simulator.LiftProbe(lifted != 0); }

KVT_PORTIO_API(void) SimulatorMoveSwitch(int rangeOhms) {
  simulator.hand.Request(rangeOhms, simulator.Now(), simulator.instrument.Config().handSeconds);
}
