#include "device/range_monitor.h"

#include <gtest/gtest.h>

#include <deque>

namespace kvt {

namespace {

// A status register whose successive reads are scripted; the last value
// repeats once the script runs out.
struct ScriptedStatus {
  std::deque<int> bytes;
  int last = 0;
  int reads = 0;
  int operator()() {
    ++reads;
    if (!bytes.empty()) {
      last = bytes.front();
      bytes.pop_front();
    }
    return last;
  }
};

struct Rig {
  ScriptedStatus status;
  RangeMonitor monitor{[this] { return status(); }};
};

constexpr int StatusFor100 = 128;    // code 1
constexpr int StatusFor1000 = 255;   // code 2
constexpr int StatusFor10000 = 0;    // code 0

}  // namespace

TEST(RangeMonitor, StatusBytesDecodeToRanges) {
  struct Case {
    int status;
    int rangeIndex;
    double ohms;
  };
  for (const Case c : {Case{0, 2, 10000}, Case{64, 2, 10000}, Case{65, 0, 100}, Case{191, 0, 100},
                       Case{192, 1, 1000}, Case{255, 1, 1000}}) {
    Rig rig;
    rig.monitor.Reset();
    rig.status.bytes = {c.status};
    const RangeReading r = rig.monitor.Poll();
    EXPECT_EQ(r.rangeIndex, c.rangeIndex) << "status " << c.status;
    EXPECT_EQ(r.ohms, c.ohms) << "status " << c.status;
  }
}

TEST(RangeMonitor, ResetReadsOnceAndASteadySwitchIsReadOncePerPoll) {
  Rig rig;
  rig.status.bytes = {StatusFor100};
  rig.monitor.Reset();
  EXPECT_EQ(rig.status.reads, 1);

  for (int poll = 1; poll <= 3; ++poll) {
    const RangeReading r = rig.monitor.Poll();
    EXPECT_EQ(r.ohms, 100);
    EXPECT_FALSE(r.moved);
    EXPECT_EQ(rig.status.reads, 1 + poll);
  }
}

TEST(RangeMonitor, MovedSwitchIsReadAgainAndFollowsTheSecondRead) {
  struct Case {
    const char* name;
    int before;
    int onTheWay;
    int settled;
    double ohms;
  };
  for (const Case c : {Case{"settles further on", StatusFor100, StatusFor1000, StatusFor10000, 10000},
                       Case{"bounces back", StatusFor1000, StatusFor100, StatusFor1000, 1000},
                       Case{"settles where first seen", StatusFor100, StatusFor10000, StatusFor10000, 10000}}) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.status.bytes = {c.before};
    rig.monitor.Reset();
    ASSERT_FALSE(rig.monitor.Poll().moved);

    rig.status.bytes = {c.onTheWay, c.settled};
    rig.status.reads = 0;
    const RangeReading r = rig.monitor.Poll();
    EXPECT_TRUE(r.moved);
    EXPECT_EQ(r.ohms, c.ohms);
    EXPECT_EQ(rig.status.reads, 2);

    // The next poll of the settled switch is quiet.
    const RangeReading next = rig.monitor.Poll();
    EXPECT_FALSE(next.moved);
    EXPECT_EQ(next.ohms, c.ohms);
  }
}

TEST(RangeMonitor, ResetForgetsTheSwitch) {
  Rig rig;
  rig.status.bytes = {StatusFor100};
  rig.monitor.Reset();
  rig.monitor.Poll();
  // A reset followed by a different position: the switch was unknown, so
  // it did not move.
  rig.status.bytes = {StatusFor1000};
  rig.monitor.Reset();
  const RangeReading r = rig.monitor.Poll();
  EXPECT_FALSE(r.moved);
  EXPECT_EQ(r.ohms, 1000);
}

}  // namespace kvt
