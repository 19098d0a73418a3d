#include "device/live_sweep.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/timed_port.h"

namespace kvt {

namespace {

constexpr int StatusFor100 = 128;
constexpr int ZeroVolts = 512;

class LiveSweepTest : public testing::Test {
 protected:
  LiveSweepTest() : port(time, 1.0 / (1 << 20)), session(port, time, options.Device()) {
    options.SetEntry(PortDelayMicros, "3");
    session.Connect();
    port.fixedStatus = StatusFor100;
    port.dacCodes.clear();
  }

  static std::vector<int> SweepCodes(int pointCount) {
    std::vector<int> codes;
    for (int code = 0; code < 1024; code += 1024 / pointCount) codes.push_back(code);
    return codes;
  }

  TypedOptions options;
  SimulatedTime time;
  TimedInstrument port;
  MeasuringSession session;
};

}  // namespace

// Asked between points: not one point more is measured once it says stop,
// and the output goes to 0 V at once, wherever the sweep was.
TEST_F(LiveSweepTest, StopsAtOnceOnRequestLeavingZeroVolts) {
  const struct {
    const char* name;
    int pointCount;
    int pointsBeforeStop;
  } rows[] = {
      {"before the first point", 32, 0},
      {"inside the first sweep", 32, 5},
      {"at a sweep's end", 32, 32},
      {"inside the third sweep", 64, 64 * 2 + 17},
  };
  for (const auto& row : rows) {
    port.dacCodes.clear();
    int sweeps = 0;
    LiveSweep live(session, row.pointCount, [&](const Curve&) { ++sweeps; });
    live.Start();
    int measured = 0;
    live.Run([&] { return measured++ == row.pointsBeforeStop; });
    EXPECT_FALSE(live.Running()) << row.name;
    ASSERT_EQ(port.dacCodes.size(), static_cast<std::size_t>(row.pointsBeforeStop + 1)) << row.name;
    EXPECT_EQ(port.dacCodes.back(), ZeroVolts) << row.name;
    EXPECT_EQ(sweeps, row.pointsBeforeStop / row.pointCount) << row.name;
  }
}

// Back to back: the next sweep starts from its lowest code with no stop at
// 0 V between, and each whole sweep is handed on with the range's currents.
TEST_F(LiveSweepTest, HandsOnEverySweepWithoutReturningToZeroBetween) {
  std::vector<Curve> curves;
  LiveSweep live(session, 32, [&](const Curve& c) { curves.push_back(c); });
  live.Start();
  live.Run([&] { return curves.size() == 3; });
  std::vector<int> expected;
  for (int k = 0; k < 3; ++k)
    for (int code : SweepCodes(32)) expected.push_back(code);
  expected.push_back(ZeroVolts);
  EXPECT_EQ(port.dacCodes, expected);
  ASSERT_EQ(curves.size(), 3u);
  for (const Curve& c : curves) {
    ASSERT_EQ(c.points.size(), 32u);
    EXPECT_EQ(c.info.pointCount, 32);
    EXPECT_EQ(c.RangeOhms(), 100.0);
    // Every conversion reads code 0 (-5.12 V) on this port.
    EXPECT_DOUBLE_EQ(c.points[16].amps, (VoltsFromCode(512) + 5.12) / 100);
  }
}

// The receiver of a curve may stop the sweeping (a session's last point):
// the output still ends at 0 V, after the sweep it was handed.
TEST_F(LiveSweepTest, StoppedByTheReceiverOfACurve) {
  LiveSweep* self = nullptr;
  int sweeps = 0;
  LiveSweep live(session, 32, [&](const Curve&) {
    ++sweeps;
    self->Stop();
  });
  self = &live;
  live.Start();
  for (int i = 0; i < 100 && live.Running(); ++i) live.Tick();
  EXPECT_EQ(sweeps, 1);
  EXPECT_EQ(port.dacCodes.size(), 33u);
  EXPECT_EQ(port.dacCodes.back(), ZeroVolts);
  live.Tick();  // stopped: nothing more
  EXPECT_EQ(port.dacCodes.size(), 33u);
}

TEST_F(LiveSweepTest, EndingTheLiveSweepLeavesZeroVolts) {
  {
    LiveSweep live(session, 64, {});
    live.Start();
    for (int i = 0; i < 10; ++i) live.Tick();
  }
  ASSERT_EQ(port.dacCodes.size(), 11u);
  EXPECT_EQ(port.dacCodes.back(), ZeroVolts);
}

TEST_F(LiveSweepTest, ACountOfNoSweepSizeDoesNotStart) {
  for (int count : {0, 16, 2048}) {
    LiveSweep live(session, count, {});
    live.Start();
    live.Tick();
    EXPECT_FALSE(live.Running()) << count;
  }
  EXPECT_TRUE(port.dacCodes.empty());
}

}  // namespace kvt
