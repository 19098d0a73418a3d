// The device routines driving the simulated instrument through the program's
// own binding of the port library: transfers, measured points, stray
// readings and the range switch, end to end over the register protocol.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/typed_options.h"
#include "device/device_routines.h"
#include "device/range_monitor.h"
#include "tests/support/fake_instrument.h"
#include "tests/support/simulated_instrument.h"

namespace kvt {

namespace {

constexpr int Base = 0x378;

// The program's settings and a device on a fresh simulated instrument. The
// calibration clock makes every burst last a quarter second, so pauses hold
// no reads: the simulator needs no settling time.
struct SimRig {
  explicit SimRig(const std::string& control) : sim(control) {
    if (!sim.Ready()) return;
    device = std::make_unique<Device>(sim.Port(), clock, options.Device());
    device->SetupPorts();
    device->CalibrateDelay();
  }
  int ReadAdcAt(int code) {
    device->WriteDac(code);
    return device->ReadAdc();
  }

  SimulatedInstrument sim;
  TypedOptions options;
  BurstClock clock{{0.25}};
  std::unique_ptr<Device> device;
};

#define ASSERT_RIG(rig) ASSERT_TRUE((rig).device) << ((rig).sim.Failures().empty() ? "" : (rig).sim.Failures()[0])

constexpr const char* Quiet = "noise = 1\nstray = 0\nseed = 3\n";

}  // namespace

TEST(DeviceOnSimulator, ConversionsFollowTheOutputOnOpenAndShort) {
  SimRig open(std::string("component = open\n") + Quiet);
  ASSERT_RIG(open);
  for (int code : {0, 1, 255, 511, 512, 700, 1022, 1023}) EXPECT_NEAR(open.ReadAdcAt(code), code, 4) << code;

  // Codes outside the converter's range leave the last output applied.
  open.device->WriteDac(900);
  open.device->WriteDac(1024);
  EXPECT_NEAR(open.device->ReadAdc(), 900, 4);
  open.device->WriteDac(-1);
  EXPECT_NEAR(open.device->ReadAdc(), 900, 4);

  SimRig shorted(std::string("component = short\n") + Quiet);
  ASSERT_RIG(shorted);
  for (int code : {0, 300, 512, 800, 1023}) EXPECT_NEAR(shorted.ReadAdcAt(code), 512, 4) << code;
  EXPECT_TRUE(open.sim.Failures().empty());
}

TEST(DeviceOnSimulator, ResistorPointsDivideTheOutputByTheRange) {
  SimRig oneK("component = resistor 1k\nrange = 1k\n");
  ASSERT_RIG(oneK);
  EXPECT_NEAR(oneK.device->MeasurePoint(2.0), 1.0, 0.03);
  EXPECT_NEAR(oneK.device->MeasurePoint(-4.0), -2.0, 0.03);
  EXPECT_NEAR(oneK.device->MeasurePoint(0.0), 0.0, 0.03);
  EXPECT_NEAR(oneK.device->MeasurePoint(-4.0), -2.0, 0.03);
  // +5.12 V has no code: nothing is written and -4 V stays applied.
  EXPECT_NEAR(oneK.device->MeasurePoint(5.12), -2.0, 0.03);

  SimRig hundred("component = resistor 1k\nrange = 100\n");
  ASSERT_RIG(hundred);
  EXPECT_NEAR(hundred.device->MeasurePoint(2.2), 2.0, 0.03);
  SimRig tenK("component = resistor 1k\nrange = 10k\n");
  ASSERT_RIG(tenK);
  EXPECT_NEAR(tenK.device->MeasurePoint(-4.4), -0.4, 0.03);
}

TEST(DeviceOnSimulator, SiliconDiodeConductsForwardAndBlocksReverse) {
  SimRig rig("component = diode\nrange = 1k\n");
  ASSERT_RIG(rig);
  // About 1 mA: 0.65 V across the diode plus 1 V across the range resistor.
  const double applied = 1.65;
  const double forward = rig.device->MeasurePoint(applied);
  EXPECT_GE(forward, 0.55);
  EXPECT_LE(forward, 0.75);
  const double amps = (applied - forward) / 1000;
  EXPECT_NEAR(amps, 1e-3, 0.15e-3);

  // Far forward the voltage hardly moves while the current grows fourfold.
  const double far = rig.device->MeasurePoint(5.0);
  EXPECT_LT(far - forward, 0.12);
  EXPECT_GT((5.0 - far) / 1000, 4 * amps);

  for (double volts : {0.2, -0.5, -2.0, -5.12}) EXPECT_NEAR(rig.device->MeasurePoint(volts), volts, 0.03) << volts;
}

TEST(DeviceOnSimulator, StrayConversionsStayOutOfMeasuredPoints) {
  SimRig rig("component = open\nnoise = 1\nstray = 0.03\nseed = 11\n");
  ASSERT_RIG(rig);
  const int code = 700;
  int strays = 0;
  for (int i = 0; i < 400; ++i)
    if (std::abs(rig.ReadAdcAt(code) - code) >= 15) ++strays;
  ASSERT_GE(strays, 4) << "the setting gives too few stray conversions to show anything";

  // Four conversions a point: one stray moves a plain mean by five codes or
  // more, and about one point in eight holds one. Only two high strays in one
  // point can take the median's place; at this rate that is rare, so two
  // such points are allowed.
  ASSERT_EQ(rig.options.Table()[AveragingCount], "4");
  const double volts = VoltsFromCode(code);
  int off = 0;
  double worst = 0;
  for (int i = 0; i < 300; ++i) {
    const double error = std::fabs(rig.device->MeasurePoint(volts) - volts);
    if (error > 0.035) ++off;
    worst = std::max(worst, error);
  }
  EXPECT_LE(off, 2) << off << " points off, the worst by " << worst * 100 << " codes";
}

TEST(DeviceOnSimulator, StatusRegisterGivesTheSwitchRange) {
  const std::vector<std::pair<std::string, double>> ranges = {{"100", 100}, {"1k", 1000}, {"10k", 10000}};
  for (const auto& [text, ohms] : ranges) {
    SCOPED_TRACE(text);
    SimRig rig("component = open\nrange = " + text + "\n");
    ASSERT_RIG(rig);
    RangeMonitor monitor([&rig] { return rig.device->ReadStatus(); });
    monitor.Reset();
    double rangeOhms = monitor.Poll().ohms;
    EXPECT_EQ(rangeOhms, ohms);

    // The ADC's data line shares the status byte: with a conversion of 1023
    // under way it is high, and the switch still reads the same.
    rig.device->WriteDac(1023);
    rig.sim.Port().OutPort(Base, 0x00);
    rig.sim.Port().OutPort(Base, Device::AdcClock);
    const int status = rig.device->ReadStatus();
    EXPECT_TRUE(status & Device::AdcData);
    EXPECT_EQ(RangeOhms(RangeIndexOfCode(SwitchCode(status))), ohms);
    rangeOhms = monitor.Poll().ohms;
    EXPECT_EQ(rangeOhms, ohms);
  }
}

TEST(DeviceOnSimulator, InstrumentAtAnotherAddressReadsAsStuck) {
  SimRig rig("component = short\n");
  ASSERT_RIG(rig);
  rig.options.SetEntry(PortHex, "3BC");
  rig.device->SetupPorts();
  // Nothing answers there: the status register reads all ones.
  EXPECT_EQ(rig.device->ReadAdc(), 1023);
  EXPECT_DOUBLE_EQ(rig.device->MeasurePoint(1.0), 5.11);
  EXPECT_TRUE(rig.sim.Failures().empty());

  rig.options.SetEntry(PortHex, "378");
  rig.device->SetupPorts();
  EXPECT_NEAR(rig.device->MeasurePoint(1.0), 0.0, 0.03);
}

}  // namespace kvt
