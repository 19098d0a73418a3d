#include "analysis/probe_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/port_io.h"
#include "device/live_sweep.h"
#include "tests/support/probed_simulator.h"

namespace kvt {

namespace {

class StillClock : public Clock {
 public:
  double Seconds() override { return 0; }
};

// Live sweeps of the simulated instrument with its noise and stray readings,
// the part switched through its control file.
class Probed {
 public:
  Probed(const std::string& settings, int pointCount = 128)
      : sim("open", settings), session(sim, clock, options.Device()), pointCount(pointCount) {
    options.SetEntry(PortDelayMicros, "0");
    session.Instrument().SetupPorts();
  }
  // The next `count` sweeps of `component`.
  std::vector<Curve> Sweeps(const std::string& component, int count) {
    sim.Probe(component);
    std::vector<Curve> curves;
    LiveSweep live(session, pointCount, [&](const Curve& c) { curves.push_back(c); });
    live.Start();
    live.Run([&] { return static_cast<int>(curves.size()) == count; });
    return curves;
  }

  TypedOptions options;
  StillClock clock;
  ProbedSimulator sim;
  MeasuringSession session;
  int pointCount;
};

std::string SimSettings(const char* range, double noise, double stray, int seed) {
  return "range = " + std::string(range) + "\nnoise = " + std::to_string(noise) + "\nstray = " +
         std::to_string(stray) + "\nseed = " + std::to_string(seed) + "\n";
}

}  // namespace

// Each part held under the probe for four sweeps: whatever conducts is
// stable from its second sweep (with the instrument's own noise) and never lifted; nothing connected is lifted
// from its third sweep and never stable (no curve is captured off the board).
TEST(ProbeStateTest, StableAndLiftedOnSimulatedParts) {
  const struct {
    const char* part;
    const char* range;
    double noise;
    double stray;
    int seed;
    bool open;
  } rows[] = {
      {"open", "1k", 1, 0.02, 1, true},
      {"open", "100", 1, 0.02, 2, true},
      {"open", "10k", 1, 0.02, 3, true},
      {"open", "1k", 2, 0.05, 4, true},
      {"diode", "1k", 1, 0.02, 5, false},
      {"diode", "10k", 1, 0.02, 6, false},
      {"led", "100", 1, 0.02, 7, false},
      {"zener 3.3", "1k", 1, 0.02, 8, false},
      {"zener 4.7", "100", 1, 0.02, 9, false},
      {"resistor 1k", "1k", 1, 0.02, 10, false},
      {"resistor 4.7k", "10k", 1, 0.02, 11, false},
      {"short", "1k", 1, 0.02, 12, false},
      // Twice the instrument's noise: sweeps may disagree (no capture), but
      // connected is never taken for lifted.
      {"diode", "1k", 2, 0.05, 13, false},
      {"resistor 10k", "1k", 2, 0.05, 14, false},
  };
  for (const auto& row : rows) {
    const std::string name = std::string(row.part) + " on " + row.range + " seed " + std::to_string(row.seed);
    Probed probed(SimSettings(row.range, row.noise, row.stray, row.seed));
    ProbeWatch watch;
    std::vector<bool> stable, lifted;
    for (const Curve& sweep : probed.Sweeps(row.part, 4)) {
      EXPECT_EQ(IsOpenCircuit(sweep), row.open) << name;
      watch.Add(sweep);
      stable.push_back(watch.Stable());
      lifted.push_back(watch.Lifted());
    }
    const std::vector<bool> never(4, false);
    if (row.noise <= 1) {
      EXPECT_EQ(stable, row.open ? never : std::vector<bool>({false, true, true, true})) << name;
    }
    EXPECT_EQ(lifted, row.open ? std::vector<bool>({false, false, true, true}) : never) << name;
  }
}

// A probe moved from part to part: stable again only with two sweeps of the
// new one, lifted only after three open sweeps in a row.
TEST(ProbeStateTest, FollowsTheProbeFromPartToPart) {
  const struct {
    const char* name;
    std::vector<const char*> parts;  // one sweep each
    std::vector<bool> stable;
    std::vector<bool> lifted;
  } rows[] = {
      {"touch after lift", {"open", "open", "open", "diode", "diode"}, {0, 0, 0, 0, 1}, {0, 0, 1, 0, 0}},
      {"moved to another part", {"diode", "diode", "zener 3.3", "zener 3.3"}, {0, 1, 0, 1}, {0, 0, 0, 0}},
      {"a brief lift is no lift", {"led", "open", "open", "led", "open", "open"}, {0, 0, 0, 0, 0, 0},
       {0, 0, 0, 0, 0, 0}},
      {"one part to a like one", {"resistor 1k", "resistor 1.2k", "resistor 1.2k"}, {0, 0, 1}, {0, 0, 0}},
  };
  int seed = 20;
  for (const auto& row : rows) {
    Probed probed(SimSettings("1k", 1, 0.02, seed++));
    ProbeWatch watch;
    std::vector<bool> stable, lifted;
    for (const char* part : row.parts) {
      watch.Add(probed.Sweeps(part, 1).front());
      stable.push_back(watch.Stable());
      lifted.push_back(watch.Lifted());
    }
    EXPECT_EQ(stable, row.stable) << row.name;
    EXPECT_EQ(lifted, row.lifted) << row.name;
  }
}

TEST(ProbeStateTest, ResetForgetsTheLastPoint) {
  Probed probed(SimSettings("1k", 1, 0.02, 30));
  ProbeWatch watch;
  for (const Curve& sweep : probed.Sweeps("open", 3)) watch.Add(sweep);
  ASSERT_TRUE(watch.Lifted());
  watch.Reset();
  EXPECT_FALSE(watch.Lifted());
  EXPECT_FALSE(watch.Latest().has_value());
}

}  // namespace kvt
