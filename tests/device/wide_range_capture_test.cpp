// The guided capture on several ranges against a scripted instrument whose
// switch the test (or the capture's hand) moves: what is asked, what is
// swept, and 0 V on the part whenever it is cancelled.
#include "device/wide_range_capture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "device/measuring_session.h"
#include "tests/support/timed_port.h"

namespace kvt {

namespace {

int StatusFor(double ohms) { return ohms == 100 ? 128 : ohms == 1000 ? 255 : 0; }

class CaptureTest : public testing::Test {
 protected:
  CaptureTest() : port(time, 1.0 / (1 << 20)), session(port, time, options.Device()) {
    options.SetEntry(PortDelayMicros, "3");
    session.Connect();
    port.fixedStatus = StatusFor(1000);
    port.dacCodes.clear();
  }

  // A capture whose hand turns the switch `handTicks` ticks after it is
  // asked (never when negative: a person the test plays instead).
  WideRangeCapture Capture(std::vector<double> ranges, int handTicks = 3) {
    WideRangeCalls calls;
    calls.ask = [this](const std::string& text) { asked.push_back(text); };
    if (handTicks >= 0)
      calls.hand = [this, handTicks](double ohms) {
        hands.push_back(ohms);
        pendingHand = {ohms, handTicks};
      };
    return WideRangeCapture(session, std::move(ranges), 32, calls);
  }

  // One tick, the hand's pending move counted down before it.
  WideRangeTick Tick(WideRangeCapture& capture) {
    if (pendingHand && pendingHand->second-- == 0) {
      port.fixedStatus = StatusFor(pendingHand->first);
      pendingHand.reset();
    }
    return capture.Tick();
  }

  TypedOptions options;
  SimulatedTime time;
  TimedInstrument port;
  MeasuringSession session;
  std::vector<std::string> asked;
  std::vector<double> hands;
  std::optional<std::pair<double, int>> pendingHand;
};

}  // namespace

TEST(WideRangeTexts, RequestsNameTheRangeAsTheSwitchIsLabelled) {
  EXPECT_EQ(MoveSwitchRequest(1000), "Move the range switch to 1 k\u03A9");
  EXPECT_EQ(MoveSwitchRequest(100), "Move the range switch to 100 \u03A9");
  EXPECT_EQ(MoveSwitchRequest(10000), "Move the range switch to 10 k\u03A9");
}

TEST(WideRangeTexts, RangeListsAreReadOrRefusedWithTheReason) {
  struct Case {
    const char* text;
    std::vector<double> ranges;  // empty: refused
    const char* reason;
  };
  const Case cases[] = {
      {"10k,1k,100", {10000, 1000, 100}, ""},
      {"100, 1K ,10000", {100, 1000, 10000}, ""},
      {"1000", {1000}, ""},
      {"", {}, "an empty place in the list"},
      {"10k,,100", {}, "an empty place in the list"},
      {"10k,1k,", {}, "an empty place in the list"},
      {"2k", {}, "\"2k\" is not a range"},
      {"1k,1000", {}, "\"1000\" comes twice"},
      {"10k;1k", {}, "\"10k;1k\" is not a range"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string reason;
    const auto ranges = RangeListFromText(c.text, &reason);
    EXPECT_EQ(ranges.value_or(std::vector<double>{}), c.ranges);
    EXPECT_EQ(reason, c.reason);
  }
}

// Each range is swept once the switch reads it; the request (and the hand)
// comes only where the switch stands elsewhere, and is withdrawn once it
// arrives.
TEST_F(CaptureTest, EachRangeIsSweptOnceTheSwitchReadsIt) {
  struct Case {
    const char* name;
    double switchAtStart;
    std::vector<double> ranges;
    std::vector<std::string> asked;
  };
  const Case cases[] = {
      {"all three from 1k",
       1000,
       {10000, 1000, 100},
       {MoveSwitchRequest(10000), "", MoveSwitchRequest(1000), "", MoveSwitchRequest(100), ""}},
      {"the first already set", 10000, {10000, 1000, 100}, {MoveSwitchRequest(1000), "", MoveSwitchRequest(100), ""}},
      {"one range, already set", 100, {100}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    port.fixedStatus = StatusFor(c.switchAtStart);
    asked.clear();
    hands.clear();
    port.dacCodes.clear();
    WideRangeCapture capture = Capture(c.ranges);
    capture.Start();
    int ticks = 0;
    while (Tick(capture).stage != WideRangeStage::Finished && ++ticks < 1000) {
    }
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(hands.size(), (c.asked.size() / 2));
    ASSERT_EQ(capture.Sweeps().size(), c.ranges.size());
    for (std::size_t k = 0; k < c.ranges.size(); ++k) {
      EXPECT_EQ(capture.Sweeps()[k].RangeOhms(), c.ranges[k]);
      EXPECT_EQ(capture.Sweeps()[k].points.size(), 32u);
    }
    EXPECT_EQ(port.dacCodes.size(), c.ranges.size() * 33);  // 32 points and 0 V after each
    EXPECT_EQ(port.dacCodes.back(), 512);
    EXPECT_EQ(capture.Request(), "");
  }
}

// Without a hand the request stays up until the person moves the switch,
// however long that takes; nothing is measured meanwhile.
TEST_F(CaptureTest, WithoutAHandTheCaptureWaitsForThePerson) {
  WideRangeCapture capture = Capture({100}, -1);
  capture.Start();
  for (int k = 0; k < 50; ++k) EXPECT_EQ(Tick(capture).stage, WideRangeStage::Waiting);
  EXPECT_EQ(asked, std::vector<std::string>{MoveSwitchRequest(100)});
  EXPECT_TRUE(port.dacCodes.empty());
  port.fixedStatus = StatusFor(100);
  EXPECT_EQ(Tick(capture).stage, WideRangeStage::Sweeping);
  EXPECT_EQ(capture.Request(), "");
}

// Cancel at any stage: 0 V on the part, no sweeps kept, the request
// withdrawn, and no tick after it measures anything.
TEST_F(CaptureTest, CancelAtAnyStageLeavesZeroVoltsAndNothing) {
  struct Case {
    const char* name;
    std::function<bool(const WideRangeCapture&)> when;
  };
  const auto sweeping = [](int range, int code) {
    return [range, code](const WideRangeCapture& c) {
      return c.Stage() == WideRangeStage::Sweeping && static_cast<int>(c.Sweeps().size()) == range &&
             c.Sweep()->NextCode() >= code;
    };
  };
  const Case cases[] = {
      {"waiting for the first range",
       [](const WideRangeCapture& c) { return c.Stage() == WideRangeStage::Waiting && !c.Request().empty(); }},
      {"sweeping the first range", sweeping(0, 320)},
      {"waiting for the second range",
       [](const WideRangeCapture& c) { return c.Stage() == WideRangeStage::Waiting && c.Sweeps().size() == 1; }},
      {"sweeping the last range", sweeping(2, 640)},
      {"on the last point", sweeping(2, 1024)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    port.fixedStatus = StatusFor(1000);
    asked.clear();
    pendingHand.reset();
    WideRangeCapture capture = Capture({10000, 1000, 100});
    capture.Start();
    for (int ticks = 0; !c.when(capture) && ticks < 1000; ++ticks) ASSERT_NE(Tick(capture).stage, WideRangeStage::Finished);
    port.dacCodes.clear();
    capture.Cancel();
    EXPECT_EQ(port.dacCodes, std::vector<int>{512});
    EXPECT_EQ(capture.Stage(), WideRangeStage::Cancelled);
    EXPECT_TRUE(capture.Sweeps().empty());
    EXPECT_EQ(capture.Request(), "");
    if (!asked.empty()) {
      EXPECT_EQ(asked.back(), "");
    }
    for (int k = 0; k < 5; ++k) Tick(capture);
    EXPECT_EQ(port.dacCodes, std::vector<int>{512});
  }
}

// A sweep that ends on another range than it was asked for is not one range's
// curve: it is thrown away and the range asked for again.
TEST_F(CaptureTest, ASweepTheSwitchMovedDuringIsTakenAgain) {
  port.fixedStatus = StatusFor(1000);
  WideRangeCapture capture = Capture({1000}, -1);
  capture.Start();
  Tick(capture);
  for (int k = 0; k < 10; ++k) Tick(capture);
  port.fixedStatus = StatusFor(100);  // moved half-way
  WideRangeTick tick;
  for (int k = 0; k < 40 && (tick = Tick(capture)).stage == WideRangeStage::Sweeping; ++k) {
  }
  EXPECT_EQ(tick.stage, WideRangeStage::Waiting);
  EXPECT_TRUE(capture.Sweeps().empty());
  EXPECT_EQ(Tick(capture).stage, WideRangeStage::Waiting);  // the switch is read and found elsewhere
  EXPECT_EQ(asked, std::vector<std::string>{MoveSwitchRequest(1000)});
  port.fixedStatus = StatusFor(1000);
  while (Tick(capture).stage != WideRangeStage::Finished) {
  }
  ASSERT_EQ(capture.Sweeps().size(), 1u);
  EXPECT_EQ(capture.Sweeps()[0].RangeOhms(), 1000.0);
}

// Back to back: stopped while waiting or sweeping it cancels (0 V, false);
// the pause runs only while the switch is awaited.
TEST_F(CaptureTest, BackToBackStopsWhenToldAndPausesOnlyWhileWaiting) {
  struct Case {
    const char* name;
    int stopAfterTicks;  // -1: never
    bool whole;
  };
  for (const Case& c : {Case{"to the end", -1, true}, Case{"stopped while waiting", 2, false},
                        Case{"stopped while sweeping", 40, false}}) {
    SCOPED_TRACE(c.name);
    port.fixedStatus = StatusFor(1000);
    WideRangeCapture capture(session, {1000, 100}, 32, {});
    int ticks = 0, pauses = 0;
    port.dacCodes.clear();
    const bool whole = capture.RunBackToBack([&] { return ticks++ == c.stopAfterTicks; },
                                             [&] {
                                               EXPECT_EQ(capture.Stage(), WideRangeStage::Waiting);
                                               if (++pauses == 5) port.fixedStatus = StatusFor(100);
                                             });
    EXPECT_EQ(whole, c.whole);
    EXPECT_EQ(capture.Sweeps().size(), c.whole ? 2u : 0u);
    EXPECT_EQ(port.dacCodes.back(), 512);
    if (c.whole) {
      EXPECT_EQ(pauses, 5);
    }
  }
}

}  // namespace kvt
