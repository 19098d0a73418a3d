#include "cli/parts_probe.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "analysis/probe_state.h"
#include "cli/cli_files.h"
#include "cli/instrument_sweep.h"
#include "device/switch_hand.h"

namespace kvt {

namespace {

void Ask(bool terminal, const std::string& text) {
  if (!terminal) return;
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

}  // namespace

void MeasurePartsInTurn(const CommandLine& line, int count, int& status,
                        const std::function<void(Curve curve, int place)>& take) {
  const TypedOptions options = OptionsOfThisFolder();
  const int points = PointCountFrom(line, options.Device());
  std::unique_ptr<CommandLineInstrument> instrument;
  try {
    instrument = std::make_unique<CommandLineInstrument>(line, options.Device());
  } catch (const RunError& e) {
    const std::string why = e.what();
    throw UsageError("no part was measured: " + why.substr(0, why.find('\n')));
  }
  // The simulated instrument moves its own probe; a person moves a real one.
  const ProbeHand hand = ProbeHandOf(instrument->SimulatedLibrary());
  const bool terminal = isatty(STDERR_FILENO);
  const auto stop = instrument->StopAsked();
  ProbeWatch watch;
  // Sweeps until `done` holds; false when a stop signal came first.
  const auto sweepUntil = [&](const std::function<bool()>& done) {
    while (!done()) {
      Curve sweep;
      if (!instrument->Session().SweepBackToBack(sweep, points, stop)) return false;
      instrument->ThrowIfFailed();
      watch.Add(sweep);
    }
    return true;
  };
  status = 0;
  for (int place = 1; place <= count; ++place) {
    if (place > 1) {
      Ask(terminal, "lift the probe off part " + std::to_string(place - 1) + " and put it on part " +
                        std::to_string(place) + " of " + std::to_string(count) + " (Ctrl+C stops, keeping what is stored)");
      if (hand) hand(true);
      if (!sweepUntil([&] { return watch.Lifted(); })) break;
      watch.Reset();
      if (hand) hand(false);
    } else {
      Ask(terminal, "put the probe on part 1 of " + std::to_string(count) + " (Ctrl+C stops, keeping what is stored)");
    }
    if (!sweepUntil([&] { return watch.Stable(); })) break;
    Curve curve = *watch.Latest();
    curve.info.source = instrument->Source();
    curve.info.dateTime = LocalDateTimeNow();
    take(std::move(curve), place);
  }
  if (StopSignalCatcher::Caught()) status = instrument->Stopped("parts", "the parts stored so far kept");
}

}  // namespace kvt
