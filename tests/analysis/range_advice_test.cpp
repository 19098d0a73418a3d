// Range advice after one sweep: which range, in which words, and how often
// it is right on parts labelled by sweeping them on every range.
#include "analysis/range_advice.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "range_labels.h"
#include "stitched_by_hand.h"

namespace kvt {
namespace {

using kvtsim::Component;
using kvtsim::ComponentKind;

Curve SweptOn(const Component& part, int ohms) {
  return SweepCurve(Sweep{part, ohms, 256, 7, 1.0, 0.02});
}

TEST(RangeAdvice, SaysWhichRangeAndWhy) {
  const struct {
    const char* name;
    Component part;
    int ohms;
    std::optional<double> move;
    const char* text;
  } cases[] = {
      {"10 ohm on 10k: straight to 100", {ComponentKind::Resistor, 10}, 10000, 100,
       "the voltage reaches only 0.4 % of this range: move the switch to 100 \u03a9"},
      {"100 ohm on 1k", {ComponentKind::Resistor, 100}, 1000, 100,
       "the voltage reaches only 9 % of this range: move the switch to 100 \u03a9"},
      {"22 kohm on 1k", {ComponentKind::Resistor, 22000}, 1000, 10000,
       "the current reaches only 4 % of this range: move the switch to 10 k\u03a9"},
      {"1 Mohm on 1k: its current below one step", {ComponentKind::Resistor, 1e6}, 1000, 10000,
       "the current reaches only 0.4 % of this range: move the switch to 10 k\u03a9"},
      {"4.7 kohm on 100: straight to 10k", {ComponentKind::Resistor, 4700}, 100, 10000,
       "the current reaches only 2 % of this range: move the switch to 10 k\u03a9"},
      {"1 kohm on 1k", {ComponentKind::Resistor, 1000}, 1000, std::nullopt, ""},
      {"3.3 kohm on 1k: 10k as good", {ComponentKind::Resistor, 3300}, 1000, std::nullopt, ""},
      {"diode on 1k", {ComponentKind::Diode, 0}, 1000, std::nullopt, ""},
      {"diode on 10k", {ComponentKind::Diode, 0}, 10000, std::nullopt, ""},
      {"3.3 V zener on 100", {ComponentKind::Zener, 3.3}, 100, std::nullopt, ""},
      {"LED on 10k", {ComponentKind::Led, 0}, 10000, std::nullopt, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RangeAdvice advice = AdviseRange(SweptOn(c.part, c.ohms));
    EXPECT_EQ(advice.moveToOhms, c.move);
    EXPECT_EQ(advice.text, c.text);
  }
}

TEST(RangeAdvice, NoneWithoutOneKnownRange) {
  const Component resistor{ComponentKind::Resistor, 10};
  Curve unknown = SweptOn(resistor, 10000);
  unknown.SetRangeOhms(std::nullopt);
  const Curve stitched = StitchedByHand({SweptOn(resistor, 10000), SweptOn(resistor, 1000), SweptOn(resistor, 100)});
  for (const Curve& curve : {unknown, stitched, Curve{}}) {
    const RangeAdvice advice = AdviseRange(curve);
    EXPECT_FALSE(advice.moveToOhms);
    EXPECT_EQ(advice.text, "");
  }
}

// The sweep foreseen on each range shows about the detail a real sweep
// there shows: the advice rests on it.
TEST(RangeAdvice, ForeseenSweepsShowWhatRealOnesShow) {
  const struct {
    const char* name;
    Component part;
    int from, to;
  } cases[] = {
      {"1 kohm from 1k to 100", {ComponentKind::Resistor, 1000}, 1000, 100},
      {"1 kohm from 100 to 10k", {ComponentKind::Resistor, 1000}, 100, 10000},
      {"47 kohm from 1k to 10k", {ComponentKind::Resistor, 47000}, 1000, 10000},
      {"220 ohm from 10k to 100", {ComponentKind::Resistor, 220}, 10000, 100},
      {"diode from 1k to 100", {ComponentKind::Diode, 0}, 1000, 100},
      {"zener from 1k on 1k", {ComponentKind::Zener, 3.3}, 1000, 1000},
      {"LED from 100 to 1k", {ComponentKind::Led, 0}, 100, 1000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const double real = ResolvedDetail(SweptOn(c.part, c.to));
    const double foreseen = ResolvedDetail(ForeseenSweep(SweptOn(c.part, c.from), c.to));
    EXPECT_GT(foreseen, real / 1.5) << real;
    EXPECT_LT(foreseen, real * 1.5) << real;
  }
}

Curve OnOneKilohm(double ampsPerVolt, double volts, std::optional<double> range = 1000.0) {
  Curve curve;
  for (int k = -10; k <= 10; ++k) {
    const double v = k * 0.1 * volts, i = k * 0.1 * ampsPerVolt;
    curve.points.push_back({v, i, false, range});
  }
  return curve;
}

// Per branch the span, in steps, of the voltage where the current is
// resolved and of the current where the voltage is, the scarcer of the two;
// the outermost reading at each end left out.
TEST(RangeAdvice, DetailIsTheScarcerAxisResolved) {
  const struct {
    const char* name;
    Curve curve;
    double detail;
  } cases[] = {
      {"1 kohm to 1 V: 70 steps of each, twice", OnOneKilohm(1e-3, 1.0), 140},
      {"10 kohm to 1 V: the current spans 7 steps", OnOneKilohm(1e-4, 1.0), 14},
      {"100 ohm to 0.1 V: the voltage spans 7 steps", OnOneKilohm(1e-2, 0.1), 14},
      {"no current: nothing resolved", OnOneKilohm(0.0, 5.0), 0},
      {"no voltage: nothing resolved", OnOneKilohm(5e-3, 0.0), 0},
      {"range unknown: no step to count in", OnOneKilohm(1e-3, 1.0, std::nullopt), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(ResolvedDetail(c.curve), c.detail, 1e-6);
  }
}

// Every simulated part from every range: the advice leaves the switch where
// the part shows best at least 95 % of the time, and more often than the
// baseline rule.
TEST(RangeAdvice, RightOnTheLabelledParts) {
  const std::vector<LabelledPart> parts = RangeAdviceParts();
  int right = 0, baseline = 0, total = 0;
  for (const LabelledSweep& s : LabelledSweeps(parts, 1)) {
    ++total;
    right += s.Right(AdviseRange(s.sweep).moveToOhms);
    baseline += s.Right(BaselineRangeAdvice(s.sweep));
  }
  EXPECT_GE(right * 100, total * 95) << right << " of " << total;
  EXPECT_GT(right, baseline);
}

}  // namespace
}  // namespace kvt
