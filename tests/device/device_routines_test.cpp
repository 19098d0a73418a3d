#include "device/device_routines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/fake_instrument.h"
#include "tests/support/timed_port.h"

namespace kvt {

namespace {

// A port access about a microsecond long, as on the ISA bus: 2^20 reads a
// second, 1.048576 a microsecond.
constexpr double AccessSeconds = 1.0 / (1 << 20);

// A pause of 3 us takes 4 reads (3.8 us): whole reads until the time is up.
constexpr int PauseReads = 4;

class DeviceTest : public testing::Test {
 protected:
  DeviceTest() : port(time, AccessSeconds), device(port, time, options.Device()) {
    options.SetEntry(PortDelayMicros, "3");
    device.SetupPorts();
    device.CalibrateDelay();
    port.trace.clear();
    port.reads = 0;
  }

  long long ReadsOf(const std::function<void()>& action) {
    const long long before = port.reads;
    action();
    return port.reads - before;
  }

  TypedOptions options;
  SimulatedTime time;
  TimedInstrument port;
  Device device;
};

TEST_F(DeviceTest, WriteDacShiftsTheCodeMostSignificantBitFirst) {
  const std::pair<int, std::string> cases[] = {
      {6, "0000000110"}, {512, "1000000000"}, {0, "0000000000"}, {1023, "1111111111"}};
  for (const auto& [code, bits] : cases) {
    SCOPED_TRACE(code);
    port.trace.clear();
    port.dacCodes.clear();
    port.data = 0xF8;  // ADC lines and the unused bits 3, 6, 7 set
    device.WriteDac(code);

    const auto writes = port.DataWrites();
    ASSERT_EQ(writes.size(), 22u);
    EXPECT_EQ(writes[0] & 0x05, 0x00);  // opening pulse: clock 0, frame 0
    EXPECT_EQ(writes[1] & 0x05, 0x01);  // clock 1, frame 0
    std::string low;
    std::string high;
    for (int k = 0; k < 10; ++k) {
      EXPECT_EQ(writes[2 + 2 * k] & 0x05, 0x04);  // clock 0, frame 1
      EXPECT_EQ(writes[3 + 2 * k] & 0x05, 0x05);  // clock 1, frame 1
      low += (writes[2 + 2 * k] & 0x02) ? '1' : '0';
      high += (writes[3 + 2 * k] & 0x02) ? '1' : '0';
    }
    EXPECT_EQ(low, bits);
    EXPECT_EQ(high, bits);
    for (const int w : writes) EXPECT_EQ(w & 0xF8, 0xF8);

    // The pause after every write, then the next write's own read.
    std::vector<int> expected(22, PauseReads + 1);
    expected.back() = PauseReads;
    EXPECT_EQ(port.ReadsAfterWrites(), expected);
    EXPECT_EQ(port.dacCodes, std::vector<int>{code});
    EXPECT_FALSE(port.strayAccess);
    EXPECT_EQ(port.control, 0);
  }
}

TEST_F(DeviceTest, WriteDacOutsideTheRangeTouchesNoPort) {
  device.WriteDac(-1);
  device.WriteDac(1024);
  EXPECT_TRUE(port.trace.empty());
}

TEST_F(DeviceTest, ReadAdcSamplesEachBitAfterItsClockPulse) {
  for (const int code : {682, 341, 0, 1023, 1, 512}) {
    SCOPED_TRACE(code);
    port.trace.clear();
    port.adcCode = code;
    port.data = 0xCF;  // DAC lines and the unused bits 3, 6, 7 set
    EXPECT_EQ(device.ReadAdc(), code);

    const auto writes = port.DataWrites();
    ASSERT_EQ(writes.size(), 22u);
    EXPECT_EQ(writes[0] & 0x30, 0x00);
    EXPECT_EQ(writes[1] & 0x30, 0x10);
    for (int k = 0; k < 10; ++k) {
      EXPECT_EQ(writes[2 + 2 * k] & 0x30, 0x20);
      EXPECT_EQ(writes[3 + 2 * k] & 0x30, 0x30);
    }
    for (const int w : writes) EXPECT_EQ(w & 0xCF, 0xCF);
    std::vector<int> expected(22, PauseReads + 1);
    expected.back() = PauseReads;
    EXPECT_EQ(port.ReadsAfterWrites(), expected);
    int statusReads = 0;
    for (const auto& a : port.trace) statusReads += !a.write && a.port == 0x379;
    EXPECT_EQ(statusReads, 10);
  }
}

// A data register whose read-back differs from what was written (bit 3
// reads inverted): the frame write of each bit starts from the byte last
// written, the other writes from the value just read.
class SkewedReadBack : public FakeInstrument {
 public:
  int InPort(int port) override {
    const int value = FakeInstrument::InPort(port);
    return port == 0x378 ? value ^ 0x08 : value;
  }
};

TEST(ReadAdc, FrameWriteStartsFromTheByteLastWrittenNotTheOneRead) {
  TypedOptions options;
  options.SetEntry(PortDelayMicros, "0");
  SkewedReadBack port;
  BurstClock clock({0.25});
  Device device(port, clock, options.Device());
  device.SetupPorts();
  port.data = 0xC0;
  device.ReadAdc();
  const auto writes = port.DataWrites();
  ASSERT_EQ(writes.size(), 22u);
  for (int k = 0; k < 10; ++k) {
    SCOPED_TRACE(k);
    const int previous = writes[static_cast<std::size_t>(1 + 2 * k)];
    EXPECT_EQ(writes[static_cast<std::size_t>(2 + 2 * k)], (previous & 0xCF) | 0x20);
    EXPECT_EQ(writes[static_cast<std::size_t>(3 + 2 * k)],
              (writes[static_cast<std::size_t>(2 + 2 * k)] ^ 0x08) | 0x30);
  }
}

TEST_F(DeviceTest, ReadAdcWithAStuckDataLine) {
  port.fixedStatus = 0xFF;
  EXPECT_EQ(device.ReadAdc(), 1023);
  port.fixedStatus = 0xDF;  // everything but bit 5
  EXPECT_EQ(device.ReadAdc(), 0);
}

TEST_F(DeviceTest, BlinkLineChangesOnlyControlBitOne) {
  for (const int initial : {0x00, 0xFF, 0xC4, 0x3B}) {
    SCOPED_TRACE(initial);
    port.control = initial;
    port.trace.clear();
    device.SetBlinkLine(0);
    EXPECT_EQ(port.control, initial | 0x02);
    EXPECT_TRUE(port.DataWrites().empty());
    EXPECT_EQ(port.trace.size(), 2u);  // one read, one write, no pause
    for (const int state : {1, -1, 7}) {
      port.control = initial;
      device.SetBlinkLine(state);
      EXPECT_EQ(port.control, initial & 0xFD);
    }
  }
}

TEST_F(DeviceTest, TransfersKeepTheUnusedBits) {
  port.data = 0xC8;
  port.control = 0xF5;
  device.WriteDac(700);
  device.ReadAdc();
  device.MeasurePoint(1.0);
  EXPECT_EQ(port.data & 0xC8, 0xC8);
  EXPECT_EQ(port.data & 0x35, 0x35);  // both converters' clock and frame rest at 1
  EXPECT_EQ(port.control, 0xF5);

  port.data = 0x00;
  device.WriteDac(700);
  device.ReadAdc();
  EXPECT_EQ(port.data & 0xC8, 0x00);
}

TEST_F(DeviceTest, PortAddressesFromPortHex) {
  const struct {
    const char* text;
    int data;
  } cases[] = {{"378", 0x378}, {"3BC", 0x3BC}, {"3bc", 0x3BC}, {"", 0}, {"xyz", 0},
               {"D000", 0xD000}, {"FFFD", 0xFFFD}, {"278 junk", 0x278}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    options.SetEntry(PortHex, c.text);
    device.SetupPorts();
    EXPECT_TRUE(device.HasPort());
    EXPECT_EQ(device.DataPort(), c.data);
    EXPECT_EQ(device.StatusPort(), c.data + 1);
    EXPECT_EQ(device.ControlPort(), c.data + 2);
  }
  // Addresses are taken when SetupPorts runs, not at each transfer.
  options.SetEntry(PortHex, "3BC");
  device.SetupPorts();
  options.SetEntry(PortHex, "278");
  port.trace.clear();
  device.SetBlinkLine(0);
  ASSERT_FALSE(port.trace.empty());
  EXPECT_EQ(port.trace[0].port, 0x3BE);
}

TEST_F(DeviceTest, APortBeyondSixteenBitsIsNeverTouched) {
  for (const char* text : {"FFFE", "10000", "FFFFFFFFFF"}) {
    SCOPED_TRACE(text);
    options.SetEntry(PortHex, text);
    device.SetupPorts();
    EXPECT_FALSE(device.HasPort());
    device.CalibrateDelay();
    device.WaitMicroseconds(100);
    device.SetBlinkLine(0);
    device.WriteDac(512);
    EXPECT_EQ(device.ReadAdc(), 0);
    EXPECT_EQ(device.MeasurePoint(0), -5.12);
    EXPECT_EQ(device.ReadStatus(), 0);
    EXPECT_TRUE(port.trace.empty());
  }
}

TEST_F(DeviceTest, PortDelayReadsItsSettingAtEveryUse) {
  // Whole reads of ~0.95 us until the rounded delay is up.
  const std::pair<const char*, long long> cases[] = {
      {"2.5", 3},  {"3.5", 5},   {"1", 2},         {"0", 0},
      {"-4", 0},   {"abc", 0},   {"0.4", 0},       {"3000000000", 0},
      {" 10", 11}, {"1e1", 11}};
  for (const auto& [text, reads] : cases) {
    SCOPED_TRACE(text);
    options.SetEntry(PortDelayMicros, text);
    EXPECT_EQ(ReadsOf([&] { device.PortDelay(); }), reads);
  }
  for (const auto& a : port.trace) EXPECT_EQ(a.port, 0x378);
}

TEST(CalibrateDelay, CountsTheReadsOfTheFastestBursts) {
  const struct {
    const char* name;
    double accessSeconds;
    double runSeconds;  // preempted after running this long ...
    double lostSeconds;  // ... for this long
    bool clockStopped;
    double readsPerMicrosecond;
  } cases[] = {
      {"steady port", AccessSeconds, 0, 0, false, 1.048576},
      {"a port four times slower", 4 * AccessSeconds, 0, 0, false, 0.262144},
      {"preempted every 3 ms for 3 ms", AccessSeconds, 0.003, 0.003, false, 1.048576},
      {"preempted every 2 ms for 6 ms", AccessSeconds, 0.002, 0.006, false, 1.048576},
      {"a clock that never moves", AccessSeconds, 0, 0, true, Device::MaxReadsPerMicrosecond},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TypedOptions options;
    SimulatedTime time;
    time.stopped = c.clockStopped;
    TimedInstrument port(time, c.accessSeconds);
    port.record = false;
    port.runSeconds = c.runSeconds;
    port.lostSeconds = c.lostSeconds;
    port.readBudget = 4 << 20;
    Device device(port, time, options.Device());
    device.SetupPorts();
    try {
      device.CalibrateDelay();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "the calibration does not end: " << e.what();
      continue;
    }
    EXPECT_DOUBLE_EQ(device.ReadsPerMicrosecond(), c.readsPerMicrosecond);
    EXPECT_TRUE(port.DataWrites().empty());
    EXPECT_FALSE(port.strayAccess);
  }
}

// What the instrument sees after the start-up: the time from each data
// register write to the next, with the default 100 us pause, whatever
// slowed the reads while the calibration counted them.
TEST(PortDelay, PausesLastAtLeastTheAskedTimeWhateverTheCalibrationSaw) {
  const struct {
    const char* name;
    double slowdown;  // of every access while calibrating
    double runSeconds;
    double lostSeconds;
  } cases[] = {
      {"calm calibration", 1, 0, 0},
      {"reads eight times slower while calibrating", 8, 0, 0},
      {"calibration preempted every 2 ms for 6 ms", 1, 0.002, 0.006},
      {"calibration preempted after every read", 1, AccessSeconds, 0.001},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TypedOptions options;
    SimulatedTime time;
    TimedInstrument port(time, c.slowdown * AccessSeconds);
    port.record = false;
    port.runSeconds = c.runSeconds;
    port.lostSeconds = c.lostSeconds;
    Device device(port, time, options.Device());
    device.SetupPorts();
    device.CalibrateDelay();

    port.accessSeconds = AccessSeconds;
    port.runSeconds = 0;
    port.dataWriteTimes.clear();
    device.MeasurePoint(1.0);
    const auto intervals = port.WriteIntervalsMicros();
    ASSERT_EQ(intervals.size(), 22u * 5 - 1);
    const auto [shortest, longest] = std::minmax_element(intervals.begin(), intervals.end());
    EXPECT_GE(*shortest, 100.0);
    // No longer than a read past the time, and the transfer's own accesses.
    EXPECT_LE(*longest, 100.0 + 4 * AccessSeconds * 1e6);
  }
}

// A clock that never moves (or stops after the start-up) would end no pause
// that waits for it: the pause then counts its reads at the calibrated rate.
TEST(PortDelay, AClockThatStandsStillGivesCountedPauses) {
  const struct {
    const char* name;
    bool stoppedBeforeCalibration;
    long long reads;
  } cases[] = {
      {"stopped from the start", true, 100 * 1000},
      {"stopped after the calibration", false, 105},  // 100 us at 1.048576 reads a microsecond
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TypedOptions options;
    SimulatedTime time;
    TimedInstrument port(time, AccessSeconds);
    port.record = false;
    Device device(port, time, options.Device());
    device.SetupPorts();
    time.stopped = c.stoppedBeforeCalibration;
    device.CalibrateDelay();
    time.stopped = true;
    port.reads = 0;
    port.readBudget = 10 * 1000 * 1000;
    try {
      device.PortDelay();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "the pause does not end: " << e.what();
      continue;
    }
    EXPECT_EQ(port.reads, c.reads);
  }
}

TEST_F(DeviceTest, MeasurePointAppliesTheVoltageAndReturnsTheReading) {
  options.SetEntry(AveragingCount, "1");
  port.adcCode = 700;
  const struct {
    double volts;
    std::vector<int> latched;
  } cases[] = {{0.0, {512}},  {-5.12, {0}},  {5.11, {1023}}, {5.12, {}},
               {-5.13, {}},   {0.005, {512}}, {-0.005, {512}}, {0.015, {514}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.volts);
    port.dacCodes.clear();
    EXPECT_DOUBLE_EQ(device.MeasurePoint(c.volts), 1.88);
    EXPECT_EQ(port.dacCodes, c.latched);
  }
  // Far outside the 16-bit code range: nothing written, still measured.
  port.dacCodes.clear();
  EXPECT_DOUBLE_EQ(device.MeasurePoint(1e9), 1.88);
  EXPECT_TRUE(port.dacCodes.empty());
}

TEST_F(DeviceTest, MeasurePointTakesAveragingCountConversions) {
  const std::pair<const char*, int> cases[] = {
      {"4", 4}, {"0", 1}, {"-3", 1}, {"abc", 1}, {"2.5", 2}, {"70000", 1}, {"12", 12}};
  for (const auto& [text, conversions] : cases) {
    SCOPED_TRACE(text);
    options.SetEntry(AveragingCount, text);
    port.trace.clear();
    device.MeasurePoint(0);
    int statusReads = 0;
    for (const auto& a : port.trace) statusReads += !a.write && a.port == 0x379;
    EXPECT_EQ(statusReads, 10 * conversions);
    EXPECT_EQ(port.DataWrites().size(), 22u * (1 + conversions));
  }
}

TEST_F(DeviceTest, MeasurePointLeavesOutAStrayFirstConversion) {
  options.SetEntry(AveragingCount, "4");
  port.adcSequence = {900, 500, 501, 502};
  EXPECT_DOUBLE_EQ(device.MeasurePoint(0), (501 - 512) / 100.0);
}

// The device keeps the options it was built with, not a copy: a change made
// afterwards, as the options dialog's OK makes it, applies from the next
// pause and the next point.
TEST_F(DeviceTest, AChangeOfTheOptionsAppliesFromTheNextPortOperation) {
  const struct {
    const char* name;
    std::function<void(TypedOptions&)> change;
    long long pauseReads;
    int conversions;
  } cases[] = {
      {"typed texts", [](TypedOptions& o) { o.SetDeviceTexts({"10", "378", "2"}); }, 11, 2},
      {"one entry", [](TypedOptions& o) { o.SetEntry(AveragingCount, "6"); }, PauseReads, 6},
      {"defaults", [](TypedOptions& o) { o.SetDefaults(DeviceGroup); }, 105, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    options.SetDeviceTexts({"3", "378", "1"});
    ASSERT_EQ(ReadsOf([&] { device.PortDelay(); }), PauseReads);
    c.change(options);
    EXPECT_EQ(ReadsOf([&] { device.PortDelay(); }), c.pauseReads);
    port.trace.clear();
    device.MeasurePoint(0);
    int statusReads = 0;
    for (const auto& a : port.trace) statusReads += !a.write && a.port == 0x379;
    EXPECT_EQ(statusReads, 10 * c.conversions);
  }
}

TEST(CombineConversions, KeepsReadingsNearTheLastKeptOne) {
  const struct {
    std::vector<int> conversions;
    int code;
  } cases[] = {
      {{512}, 512},
      {{500, 501, 900, 502}, 501},   // stray in the middle
      {{900, 500, 501, 502}, 501},   // stray first: compared with the median
      {{500, 501, 502, 0}, 501},     // stray last
      {{500, 509, 518}, 509},        // 9 codes apart is too far
      {{500, 508, 516}, 508},        // 8 codes apart is near enough
      {{500, 509}, 509},             // a pair 9 apart: only the upper middle one is kept
      {{500, 508}, 504},             // a pair 8 apart: both kept
      {{500, 506, 512, 518}, 512},   // a slow drift follows the last kept one
      {{500, 501}, 500},             // 500.5 to even
      {{501, 502}, 502},             // 501.5 to even
      {{100, 200}, 200},             // two far apart: the upper middle one
      {{1023, 1023, 0, 0, 0}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.conversions));
    EXPECT_EQ(CombineConversions(c.conversions.data(), static_cast<int>(c.conversions.size())),
              c.code);
  }
}

// Port accesses of about a millisecond (2^-10 s), so that long pauses stay
// cheap: a pause of one second is 1024 reads.
constexpr double SlowAccessSeconds = 1.0 / 1024;

TEST(KeepResponsive, LongPausesStopForTheHookAtLeastEvery50Milliseconds) {
  const struct {
    const char* name;
    const char* delay;
    const char* averaging;
    bool clockStopped;  // after the calibration
    long long hookCalls;
  } cases[] = {
      // 44 pauses of one second: a call every 50 ms.
      {"one-second pauses", "1000000", "1", false, 44 * 1000 / 50},
      // Pauses shorter than a slice add up across pauses.
      {"30 ms pauses", "30000", "1", false, 44 * 30 / 50},
      {"110 pauses of 0.2 s", "200000", "4", false, 110 * 200 / 50},
      {"no pause long enough", "1000", "1", false, 0},
      // The counted reads stand in for the clock.
      {"one-second pauses, the clock standing still", "1000000", "1", true, 44 * 1000 / 50},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TypedOptions options;
    options.SetEntry(PortDelayMicros, c.delay);
    options.SetEntry(AveragingCount, c.averaging);
    SimulatedTime time;
    TimedInstrument port(time, SlowAccessSeconds);
    port.record = false;
    Device device(port, time, options.Device());
    device.SetupPorts();
    device.CalibrateDelay();
    ASSERT_EQ(device.ReadsPerMicrosecond(), 0.001024);
    time.stopped = c.clockStopped;

    port.reads = 0;
    device.MeasurePoint(0);
    const long long unhooked = port.reads;  // pauses plus the transfers' own reads

    long long calls = 0;
    double lastAt = time.now;
    double longestGap = 0;
    device.SetKeepResponsive([&] {
      ++calls;
      longestGap = std::max(longestGap, time.now - lastAt);
      lastAt = time.now;
      EXPECT_TRUE(device.Measuring());
      return true;
    });
    port.reads = 0;
    device.MeasurePoint(0);
    EXPECT_EQ(port.reads, unhooked);  // every pause as long as asked
    EXPECT_EQ(calls, c.hookCalls);
    // A slice, a read past it, and the transfer accesses between two pauses.
    EXPECT_LE(longestGap, 0.050 + 8 * SlowAccessSeconds);
    EXPECT_FALSE(device.Measuring());
  }
}

TEST(KeepResponsive, FalseAbandonsThePointButNotTheNext) {
  TypedOptions options;
  options.SetEntry(PortDelayMicros, "1000000");
  options.SetEntry(AveragingCount, "4");
  SimulatedTime time;
  TimedInstrument port(time, SlowAccessSeconds);
  port.record = false;
  Device device(port, time, options.Device());
  device.SetupPorts();
  device.CalibrateDelay();

  int calls = 0;
  bool cancelled = true;
  device.SetKeepResponsive([&] { return ++calls < 3 || !cancelled; });
  port.reads = 0;
  device.MeasurePoint(0);
  EXPECT_EQ(calls, 3);
  EXPECT_LT(port.reads, 3 * 52 + 200);  // three slices and the rest of one transfer without pauses

  cancelled = false;
  calls = 0;
  port.reads = 0;
  device.MeasurePoint(0);
  EXPECT_EQ(calls, 110 * 1000 / 50);
  EXPECT_GE(port.reads, 110 * 1024);

  // Outside a measured point the hook is not asked.
  calls = 0;
  device.WaitMicroseconds(1000000);
  EXPECT_EQ(calls, 0);
}

TEST_F(DeviceTest, RefusedPortLeavesTheDeviceWithoutAPortAndSaysWhy) {
  const struct {
    const char* portHex;
    std::set<int> refused;
    bool usable;
  } cases[] = {
      {"378", {}, true},
      {"378", {0x378}, false},
      {"378", {0x37A}, false},  // the control register counts too
      {"0x378", {0x0}, false},  // "0x" in the box gives port 0
      {"3BC", {0x378, 0x379, 0x37A}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.portHex) + " refused " + testing::PrintToString(c.refused));
    port.refusedPorts = c.refused;
    options.SetEntry(PortHex, c.portHex);
    port.trace.clear();
    device.SetupPorts();
    EXPECT_EQ(device.HasPort(), c.usable);
    EXPECT_EQ(device.PortProblem().has_value(), !c.usable);
    if (!c.usable) {
      EXPECT_NE(device.PortProblem()->find("cannot be used"), std::string::npos);
    }
    device.SetBlinkLine(0);
    device.MeasurePoint(0);
    device.ReadStatus();
    EXPECT_EQ(port.trace.empty(), !c.usable);
  }
}

TEST(DeviceCodes, BinaryDigitsAndVolts) {
  EXPECT_EQ(BinaryDigits(0), "0");
  EXPECT_EQ(BinaryDigits(6), "110");
  EXPECT_EQ(BinaryDigits(512), "1000000000");
  EXPECT_EQ(BinaryDigits(1023), "1111111111");
  EXPECT_EQ(BinaryDigits(-1), "");
  EXPECT_EQ(VoltsFromCode(0), -5.12);
  EXPECT_EQ(VoltsFromCode(1023), 5.11);
  EXPECT_EQ(CodeFromVolts(0.025), 514);  // 514.5 to even
  EXPECT_FALSE(CodeFromVolts(400));
  EXPECT_FALSE(CodeFromVolts(std::nan("")));
}

}  // namespace

}  // namespace kvt
