#include "ui/batch_flow.h"

#include <gtest/gtest.h>

#include <string>

#include "core/sweep_steps.h"
#include "tests/support/diode_curve.h"

namespace kvt {

namespace {

constexpr int Points = 128;

// A resistor behind the 1 kOhm range, as a sweep reads it.
Curve ResistorCurve(double ohms) {
  Curve curve;
  curve.info.pointCount = Points;
  ForEachSlot(Points, [&](int slot) {
    const double applied = (slot - 512) / 100.0;
    const double volts = std::round(applied * ohms / (ohms + 1000) * 100) / 100;
    curve.points.push_back({volts, (applied - volts) / 1000, IsClippedVolts(volts), 1000.0});
  });
  return curve;
}

// The sweeps a letter stands for: D a diode and E a resistor held still, O
// nothing connected, N a connection that never holds still (each N reads
// another resistance than the one before).
class Sweeps {
 public:
  Curve Next(char letter) {
    switch (letter) {
      case 'D': return diode_;
      case 'E': return resistor_;
      case 'O': return open_;
      default: return ResistorCurve(noisy_[n_++ % 4]);
    }
  }
  // The letter of a prototype the curve is, '?' for none.
  char Which(const Curve& curve) const {
    if (curve == diode_) return 'D';
    if (curve == resistor_) return 'E';
    return '?';
  }

 private:
  Curve diode_ = DiodeCurve(Points);
  Curve resistor_ = ResistorCurve(2200);
  Curve open_ = OpenCircuitCurve(DiodeCurve(Points));
  const double noisy_[4] = {300, 4700, 820, 10000};
  int n_ = 0;
};

// One letter per sweep: '.' nothing, the taken part's letter in lower case
// when it is taken, in upper case when it is handed on to be stored.
std::string Steps(const std::string& sequence) {
  Sweeps sweeps;
  BatchFlow flow;
  std::string steps;
  for (char letter : sequence) {
    const BatchStep step = flow.Add(sweeps.Next(letter));
    const char which = sweeps.Which(step.curve);
    switch (step.kind) {
      case BatchStep::Kind::None: steps += '.'; break;
      case BatchStep::Kind::Take: steps += static_cast<char>(std::tolower(which)); break;
      case BatchStep::Kind::Store: steps += which; break;
    }
  }
  return steps;
}

}  // namespace

TEST(BatchFlowTest, SweepSequences) {
  const struct {
    const char* name;
    const char* sweeps;
    const char* steps;
  } rows[] = {
      {"stable, then lifted: stored once", "DDOOO", ".d..D"},
      {"held long and lifted long: still once", "DDDDDDDDOOOOOOOO", ".d........D....."},
      {"a connection that never holds still is never stored", "NNNNNNNNNNOOOO", ".............."},
      {"lifted before it held still: nothing", "DOOOO", "....."},
      {"two parts in a row: two stores", "DDOOOEEOOO", ".d..D.e..E"},
      {"an open sweep or two is no lift", "DDOODDOOO", ".d......D"},
      {"the probe starts lifted", "OOOOODDDOOO", "......d...D"},
      {"slid on to another part: the first is kept", "DDEEEOOO", ".d.....D"},
      {"wobbling between parts: nothing taken", "DEDEDEOOO", "........."},
      {"a part again after a store is a new part", "DDOOODDOOO", ".d..D.d..D"},
  };
  for (const auto& row : rows) EXPECT_EQ(Steps(row.sweeps), row.steps) << row.name;
}

// Stopped with the probe still on a part, the part taken is handed over
// once; a restart forgets what was seen.
TEST(BatchFlowTest, ReleaseAndReset) {
  Sweeps sweeps;
  BatchFlow flow;
  EXPECT_FALSE(flow.Release());
  flow.Add(sweeps.Next('D'));
  flow.Add(sweeps.Next('D'));
  ASSERT_TRUE(flow.Taken());
  const std::optional<Curve> released = flow.Release();
  ASSERT_TRUE(released);
  EXPECT_EQ(sweeps.Which(*released), 'D');
  EXPECT_FALSE(flow.Release());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(flow.Add(sweeps.Next('O')).kind, BatchStep::Kind::None);

  flow.Add(sweeps.Next('E'));
  flow.Add(sweeps.Next('E'));
  ASSERT_TRUE(flow.Taken());
  flow.Reset();
  EXPECT_FALSE(flow.Taken());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(flow.Add(sweeps.Next('O')).kind, BatchStep::Kind::None);
  // One sweep after the restart is not yet two that agree.
  EXPECT_EQ(flow.Add(sweeps.Next('E')).kind, BatchStep::Kind::None);
  EXPECT_EQ(flow.Add(sweeps.Next('E')).kind, BatchStep::Kind::Take);
}

}  // namespace kvt
