#include "device/range_monitor.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "tests/support/recording_surface.h"

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
  Rig() {
    surface.SetBackground(MakeColour(200, 200, 200));
    surface.calls.clear();
  }
  RecordingSurface surface{137, 105};
  ScriptedStatus status;
  int beeps = 0;
  RangeMonitor monitor{surface, [this] { return status(); }, [this] { ++beeps; }};
  double ohms = 0;

  void Reset() { monitor.Reset(); }
};

constexpr int StatusFor100 = 128;    // code 1
constexpr int StatusFor1000 = 255;   // code 2
constexpr int StatusFor10000 = 0;    // code 0

}  // namespace

TEST(RangeMonitor, StatusBytesDecodeToRanges) {
  struct Case {
    int status;
    double ohms;
  };
  for (const Case c : {Case{0, 10000}, Case{64, 10000}, Case{65, 100}, Case{191, 100}, Case{192, 1000},
                       Case{255, 1000}}) {
    Rig rig;
    rig.Reset();
    rig.status.bytes = {c.status};
    rig.ohms = rig.monitor.UpdateRange();
    EXPECT_EQ(rig.ohms, c.ohms) << "status " << c.status;
  }
}

TEST(RangeMonitor, ResetReadsOnceAndFirstPollDrawsWithoutBeep) {
  Rig rig;
  rig.status.bytes = {StatusFor100};
  rig.ohms = 0;
  rig.Reset();
  EXPECT_EQ(rig.status.reads, 1);
  EXPECT_TRUE(rig.surface.calls.empty());
  EXPECT_EQ(rig.ohms, 0);  // the resistance waits for the first tick

  // Range 0 is also the index shown after the reset: the dial is drawn anyway.
  rig.ohms = rig.monitor.UpdateRange();
  EXPECT_EQ(rig.ohms, 100);
  EXPECT_EQ(rig.beeps, 0);
  EXPECT_TRUE(rig.monitor.DialDrawn());
  std::vector<std::string> labels;
  for (const auto& call : rig.surface.calls)
    if (call.kind == DrawCall::Text) labels.push_back(call.text);
  EXPECT_EQ(labels, (std::vector<std::string>{"0.1 kOm", "1.0 kOm", "10.0 kOm"}));
  // Nothing to erase yet: every line and circle is black.
  for (const auto& call : rig.surface.calls)
    if (call.kind != DrawCall::Text) {
      EXPECT_EQ(call.colour, MakeColour(0, 0, 0));
    }

  // A steady switch neither beeps nor redraws.
  rig.surface.calls.clear();
  rig.ohms = rig.monitor.UpdateRange();
  rig.ohms = rig.monitor.UpdateRange();
  EXPECT_TRUE(rig.surface.calls.empty());
  EXPECT_EQ(rig.beeps, 0);
  EXPECT_EQ(rig.ohms, 100);
}

TEST(RangeMonitor, MovedSwitchBeepsOnceAndFollowsTheSecondRead) {
  Rig rig;
  rig.status.bytes = {StatusFor100, StatusFor100};
  rig.Reset();
  rig.ohms = rig.monitor.UpdateRange();
  ASSERT_EQ(rig.ohms, 100);

  // First read sees the switch on its way (1000), the second where it settled.
  rig.status.bytes = {StatusFor1000, StatusFor10000};
  rig.surface.calls.clear();
  rig.ohms = rig.monitor.UpdateRange();
  EXPECT_EQ(rig.beeps, 1);
  EXPECT_EQ(rig.ohms, 10000);
  EXPECT_EQ(rig.monitor.ShownIndex(), 2);
  const NeedlePoints expected = NeedleGeometry(2);
  EXPECT_EQ(rig.monitor.Needle().tx, expected.tx);
  EXPECT_EQ(rig.monitor.Needle().ty, expected.ty);

  // The old needle is erased first by drawing it in the background colour.
  const NeedlePoints old = NeedleGeometry(0);
  ASSERT_GE(rig.surface.calls.size(), 6u);
  int erased = 0;
  for (std::size_t i = 0; i < 6; ++i) {
    const auto& call = rig.surface.calls[i];
    EXPECT_EQ(call.colour, rig.surface.Background());
    if (call.kind == DrawCall::Line && call.x2 == old.tx && call.y2 == old.ty) ++erased;  // C-T
  }
  EXPECT_EQ(erased, 1);

  // The next poll of the settled switch is quiet.
  rig.ohms = rig.monitor.UpdateRange();
  EXPECT_EQ(rig.beeps, 1);
}

TEST(RangeMonitor, SwitchBouncingBackBeepsAndTheDialStays) {
  Rig rig;
  rig.status.bytes = {StatusFor1000};
  rig.Reset();
  rig.ohms = rig.monitor.UpdateRange();
  ASSERT_EQ(rig.ohms, 1000);

  rig.status.bytes = {StatusFor100, StatusFor1000};
  rig.surface.calls.clear();
  rig.ohms = rig.monitor.UpdateRange();
  EXPECT_EQ(rig.beeps, 1);
  EXPECT_EQ(rig.ohms, 1000);
  EXPECT_TRUE(rig.surface.calls.empty());
}

TEST(RangeMonitor, ResetForgetsTheDialAndTheSwitch) {
  Rig rig;
  rig.status.bytes = {StatusFor100};
  rig.Reset();
  rig.ohms = rig.monitor.UpdateRange();
  // A reset followed by a different position: no beep (switch unknown), and
  // the dial is drawn again with the old needle erased.
  rig.status.bytes = {StatusFor1000};
  rig.Reset();
  rig.surface.calls.clear();
  rig.ohms = rig.monitor.UpdateRange();
  EXPECT_EQ(rig.beeps, 0);
  EXPECT_EQ(rig.ohms, 1000);
  EXPECT_FALSE(rig.surface.calls.empty());
  EXPECT_EQ(rig.surface.calls.front().colour, rig.surface.Background());
}

TEST(RangeMonitor, NeedlePointsOfTheThreeRanges) {
  struct Case {
    int k;
    double tx, ty, b1x, b1y, b2x, b2y;
  };
  for (const Case c : {Case{0, 74.29, 80.64, 109.70, 19.11, 128.74, 35.08},
                       Case{1, 60.61, 56.95, 127.29, 32.57, 131.61, 57.04},
                       Case{2, 65.36, 30.00, 132.11, 54.19, 119.69, 75.71}}) {
    RecordingSurface surface{137, 105};
    RangeMonitor monitor(surface, [] { return 0; }, [] {});
    monitor.DrawRangeIndicator(c.k);
    const NeedlePoints& n = monitor.Needle();
    EXPECT_EQ(n.cx, 100);
    EXPECT_EQ(n.cy, 50);
    EXPECT_NEAR(n.tx, c.tx, 0.005) << "range " << c.k;
    EXPECT_NEAR(n.ty, c.ty, 0.005) << "range " << c.k;
    EXPECT_NEAR(n.b1x, c.b1x, 0.005) << "range " << c.k;
    EXPECT_NEAR(n.b1y, c.b1y, 0.005) << "range " << c.k;
    EXPECT_NEAR(n.b2x, c.b2x, 0.005) << "range " << c.k;
    EXPECT_NEAR(n.b2y, c.b2y, 0.005) << "range " << c.k;
    // Hub circles of radius 7 and 16 about the centre.
    int hubs = 0;
    for (const auto& call : surface.calls)
      if (call.kind == DrawCall::Circle && call.x1 == 100 && call.y1 == 50 && (call.x2 == 7 || call.x2 == 16)) ++hubs;
    EXPECT_EQ(hubs, 2);
  }
}

}  // namespace kvt
