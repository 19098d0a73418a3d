#include "device/measuring_session.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/timed_port.h"

namespace kvt {

namespace {

// Status bytes of the switch positions. Their ADC data line (0x20) is low,
// so every conversion reads code 0: -5.12 V across the part.
constexpr int StatusFor100 = 128;
constexpr int StatusFor10000 = 0;
constexpr int StatusFor1000 = 255;

class SessionTest : public testing::Test {
 protected:
  SessionTest() : port(time, 1.0 / (1 << 20)), session(port, time, options.Device()) {
    options.SetEntry(PortDelayMicros, "3");
    session.Connect();
    port.fixedStatus = StatusFor100;
    port.dacCodes.clear();
  }

  static std::vector<int> CodesUpTo(int last) {
    std::vector<int> codes;
    for (int code = 0; code <= last; code += 32) codes.push_back(code);
    return codes;
  }

  TypedOptions options;
  SimulatedTime time;
  TimedInstrument port;
  MeasuringSession session;
};

}  // namespace

// The currents of a run come from the range the switch shows when the points
// are stored, however it stood while they were measured.
TEST_F(SessionTest, BackToBackSweepTakesTheRangeAtItsEndAndEndsAtZeroVolts) {
  Curve points;
  int done = 0;
  const bool whole = session.SweepBackToBack(points, 32, {}, [&] {
    if (++done == 5) port.fixedStatus = StatusFor10000;
  });
  EXPECT_TRUE(whole);
  EXPECT_EQ(done, 32);
  std::vector<int> expected = CodesUpTo(992);
  expected.push_back(512);
  EXPECT_EQ(port.dacCodes, expected);
  EXPECT_EQ(session.RangeOhms(), 10000);
  ASSERT_EQ(points.points.size(), 32u);
  for (int code : {0, 480, 992}) {
    const CurvePoint& p = points.points[static_cast<std::size_t>(code / 32)];
    EXPECT_DOUBLE_EQ(p.volts, -5.12) << code;
    EXPECT_DOUBLE_EQ(p.amps, (VoltsFromCode(code) + 5.12) / 10000) << code;
    EXPECT_EQ(p.rangeOhms, 10000.0) << code;
    EXPECT_TRUE(p.clipped) << code;  // the reading sits at the converter's low end
  }
}

TEST_F(SessionTest, AStoppedSweepLeavesTheOutputUntilToldToGoToZero) {
  Curve points;
  int done = 0;
  const bool whole = session.SweepBackToBack(points, 32, [&] { return done == 5; }, [&] { ++done; });
  EXPECT_FALSE(whole);
  EXPECT_TRUE(points.empty());
  EXPECT_EQ(port.dacCodes, CodesUpTo(128));
  session.LeaveAtZeroVolts();
  EXPECT_EQ(port.dacCodes.back(), 512);
  EXPECT_EQ(port.dacCodes.size(), 6u);
}

// A sweep driven tick by tick takes the range of the last poll, as the dial
// shows it: unknown (0) until the first poll and again after a reset.
TEST_F(SessionTest, TickedSweepUsesTheRangeOfTheLastPoll) {
  struct Case {
    const char* name;
    bool poll;
    bool resetAfter;
    double ohms;
  };
  for (const Case& c : {Case{"polled", true, false, 1000}, Case{"never polled", false, false, 0},
                        Case{"reset after the poll", true, true, 0}}) {
    SCOPED_TRACE(c.name);
    MeasuringSession fresh(port, time, options.Device());
    fresh.Connect();
    port.fixedStatus = StatusFor1000;
    if (c.poll) fresh.Range().Poll();
    if (c.resetAfter) fresh.Range().Reset();
    port.fixedStatus = StatusFor100;  // moved since: a ticked run does not read the switch
    EXPECT_EQ(fresh.RangeOhms(), c.ohms);
    EXPECT_EQ(fresh.SweepCalls().rangeOhms(), c.ohms);
  }
}

}  // namespace kvt
