#include "device/acquisition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

namespace kvt {

namespace {

int CodeOf(double volts) { return static_cast<int>(std::lround(volts * 100 + 512)); }

// An instrument whose device voltage is a fixed fraction of the output.
struct FakeInstrument {
  std::vector<int> codesWritten;
  std::vector<int> blinkStates;
  double ohms = 1000;

  AcquisitionCalls Calls() {
    return {[this](double volts) {
              codesWritten.push_back(CodeOf(volts));
              return volts / 4;
            },
            [this](int state) { blinkStates.push_back(state); }, [this] { return ohms; }};
  }
};

struct RunResult {
  std::vector<TickOutcome> ticks;  // the finishing tick last
};

RunResult RunToEnd(Acquisition& run, int limit = 2000) {
  RunResult r;
  for (int i = 0; i < limit; ++i) {
    r.ticks.push_back(run.Tick());
    if (r.ticks.back().finished) break;
  }
  return r;
}

std::optional<double> LastProgressBeforeFinish(const RunResult& r) {
  std::optional<double> last;
  for (std::size_t i = 0; i + 1 < r.ticks.size(); ++i)
    if (r.ticks[i].progress) last = r.ticks[i].progress;
  return last;
}

}  // namespace

TEST(Acquisition, PointCountFromTheCheckedOption) {
  EXPECT_EQ(PointCountForOptions({false, false, false, false, false, false}), 32);
  EXPECT_EQ(PointCountForOptions({true, false, false, false, false, false}), 32);
  EXPECT_EQ(PointCountForOptions({false, false, true, false, false, false}), 128);
  EXPECT_EQ(PointCountForOptions({false, false, false, false, false, true}), 1024);
  EXPECT_EQ(PointCountForOptions({false, true, false, true, false, false}), 64);  // first one wins
}

TEST(Acquisition, ThirtyTwoPointsSweepEvery32ndCodeAndReturnToZeroVolts) {
  FakeInstrument dev;
  Curve points;
  points.points.push_back({7, 7});  // an earlier curve: replaced only at the end
  Acquisition run(points, 32, dev.Calls());
  run.Start();
  const RunResult r = RunToEnd(run);

  ASSERT_EQ(r.ticks.size(), 33u);  // 32 measuring ticks and the finishing one
  std::vector<int> expected;
  for (int code = 0; code <= 992; code += 32) expected.push_back(code);
  expected.push_back(512);  // output back at 0 V
  EXPECT_EQ(dev.codesWritten, expected);

  ASSERT_EQ(points.points.size(), 32u);
  EXPECT_EQ(points.info.pointCount, 32);
  for (int k = 0; k < 32; ++k) {
    const double applied = (k * 32 - 512) / 100.0;
    const CurvePoint& p = points.points[static_cast<std::size_t>(k)];
    EXPECT_DOUBLE_EQ(p.volts, applied / 4);
    EXPECT_DOUBLE_EQ(p.amps, (applied - applied / 4) / 1000);
    EXPECT_EQ(p.rangeOhms, 1000.0);
    EXPECT_FALSE(p.clipped);  // a quarter of the output never reaches the converter's ends
  }

  // The first blink comes with code 0: indicator on, nothing swept yet.
  EXPECT_TRUE(r.ticks[0].blinked);
  EXPECT_EQ(r.ticks[0].blinkState, 1);
  EXPECT_EQ(r.ticks[0].progress, 0.0);
  // The share is that of the code about to be measured, of the codes' span.
  EXPECT_EQ(r.ticks[1].progress, 32 / 1023.0);
  EXPECT_EQ(LastProgressBeforeFinish(r), 992 / 1023.0);
  EXPECT_EQ(r.ticks.back().progress, 1.0);

  // Blink line: set at the start, then toggled at every tick, 32 times.
  ASSERT_EQ(dev.blinkStates.size(), 33u);
  EXPECT_EQ(dev.blinkStates[0], 0);
  for (std::size_t i = 1; i < dev.blinkStates.size(); ++i) EXPECT_EQ(dev.blinkStates[i], i % 2 == 1 ? 1 : 0);
  EXPECT_EQ(run.NextCode(), 0);
  EXPECT_EQ(run.BlinkState(), 0);
}

TEST(Acquisition, LargerRunsMeasureEveryStepAndBlink32Times) {
  for (const int count : {64, 256, 1024}) {
    FakeInstrument dev;
    Curve points;
    Acquisition run(points, count, dev.Calls());
    run.Start();
    const RunResult r = RunToEnd(run);
    const int step = 1024 / count;

    ASSERT_EQ(static_cast<int>(r.ticks.size()), count + 1) << count;
    ASSERT_EQ(static_cast<int>(dev.codesWritten.size()), count + 1) << count;
    for (int i = 0; i < count; ++i) EXPECT_EQ(dev.codesWritten[i], i * step);
    EXPECT_EQ(dev.codesWritten.back(), 512);

    int blinks = 0;
    for (const auto& t : r.ticks) blinks += t.blinked;
    EXPECT_EQ(blinks, 32) << count;
    // Progress comes with the blinks only.
    for (const auto& t : r.ticks)
      if (!t.finished) {
        EXPECT_EQ(t.progress.has_value(), t.blinked);
      }
    // The last point is measured with a blink.
    EXPECT_EQ(LastProgressBeforeFinish(r), (1024 - step) / 1023.0) << count;
    EXPECT_EQ(static_cast<int>(points.points.size()), count);
  }
}

TEST(Acquisition, CurrentsUseTheRangeOfTheFinishingTick) {
  FakeInstrument dev;
  dev.ohms = 100;
  Curve points;
  points.points.push_back({7, 7});  // an earlier curve: replaced only at the end
  Acquisition run(points, 32, dev.Calls());
  run.Start();
  for (int i = 0; i < 16; ++i) run.Tick();
  dev.ohms = 10000;  // the switch moves half-way through
  for (int i = 0; i < 16; ++i) run.Tick();
  EXPECT_EQ(points.points, (std::vector<CurvePoint>{{7, 7}}));
  RunToEnd(run);
  ASSERT_EQ(points.points.size(), 32u);
  for (int k = 0; k < 32; ++k) {
    const double applied = (k * 32 - 512) / 100.0;
    EXPECT_DOUBLE_EQ(points.points[static_cast<std::size_t>(k)].amps, (applied - applied / 4) / 10000) << k;
  }
  EXPECT_EQ(points.RangeOhms(), 10000.0);
}

TEST(Acquisition, CancelEmptiesTheCurveAndLeavesTheOutput) {
  FakeInstrument dev;
  Curve points;
  points.points.push_back({3, 0});
  Acquisition run(points, 64, dev.Calls());
  run.Start();
  for (int i = 0; i < 10; ++i) run.Tick();
  run.Cancel();
  EXPECT_TRUE(points.empty());
  EXPECT_EQ(dev.codesWritten.back(), 9 * 16);  // no return to 0 V

  // The next run starts over at code 0.
  dev.codesWritten.clear();
  run.Start();
  run.Tick();
  EXPECT_EQ(dev.codesWritten, std::vector<int>{0});
}

TEST(Acquisition, ACountOfNoSweepMeasuresNothing) {
  for (const int count : {0, 100, 2048}) {
    FakeInstrument dev;
    Curve points;
    points.points.push_back({1, 1});
    Acquisition run(points, count, dev.Calls());
    run.Start();
    const TickOutcome t = run.Tick();
    EXPECT_TRUE(t.finished) << count;
    EXPECT_TRUE(dev.codesWritten.empty()) << count;
    EXPECT_TRUE(points.empty()) << count;
  }
}

}  // namespace kvt
