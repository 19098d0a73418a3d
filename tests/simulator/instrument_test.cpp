// The simulated instrument driven at the register level.
#include "simulator/instrument.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/text_number.h"
#include "tests/simulator/port_driver.h"

using kvtsim::ComponentKind;
using kvtsim::Instrument;
using kvtsim::SimConfig;
using kvt::RoundHalfEven;

namespace {

SimConfig Bench(ComponentKind kind, double value, int rangeOhms, double noise = 1.0, double stray = 0.02) {
  SimConfig config;
  config.component = {kind, value};
  config.rangeOhms = rangeOhms;
  config.noiseLsb = noise;
  config.strayRate = stray;
  return config;
}

PortDriver DriverFor(Instrument& instrument, int base = 0x378) {
  return PortDriver([&instrument](int port, int value) { return instrument.Out(port, value); },
                    [&instrument](int port) { return instrument.In(port); }, base);
}

int SwitchCode(int statusByte) { return static_cast<int>(RoundHalfEven(statusByte / 128.0)); }

}  // namespace

TEST(SimulatedInstrument, ShortReadsZeroAndOpenReadsTheAppliedVoltage) {
  Instrument shorted(Bench(ComponentKind::Short, 0, 1000));
  Instrument open(Bench(ComponentKind::Open, 0, 1000));
  PortDriver viaShort = DriverFor(shorted), viaOpen = DriverFor(open);
  for (int code : {0, 1, 255, 511, 512, 700, 1022, 1023}) {
    viaShort.WriteDac(code);
    viaOpen.WriteDac(code);
    EXPECT_NEAR(viaShort.MedianReading(), 512, 2) << code;
    EXPECT_NEAR(viaOpen.MedianReading(), code, 2) << code;
  }
}

TEST(SimulatedInstrument, ResistorDividesWithTheRangeResistor) {
  Instrument equal(Bench(ComponentKind::Resistor, 1000, 1000));
  EXPECT_NEAR(DriverFor(equal).Measure(2.0), 1.0, 0.02);
  EXPECT_NEAR(DriverFor(equal).Measure(-4.0), -2.0, 0.02);

  Instrument small(Bench(ComponentKind::Resistor, 100, 10000));
  EXPECT_NEAR(DriverFor(small).Measure(5.0), 5.0 * 100 / 10100, 0.02);

  // Moving the switch changes the reading at once, with the code still applied.
  PortDriver driver = DriverFor(equal);
  driver.WriteDac(712);
  SimConfig moved = equal.Config();
  moved.rangeOhms = 100;
  equal.Configure(moved);
  EXPECT_EQ(equal.AppliedCode(), 712);
  EXPECT_NEAR((driver.MedianReading() - 512) / 100.0, 2.0 * 1000 / 1100, 0.02);
}

TEST(SimulatedInstrument, DiodeConductsForwardAndBlocksInReverse) {
  Instrument diode(Bench(ComponentKind::Diode, 0, 1000));
  PortDriver driver = DriverFor(diode);
  double volts = driver.Measure(1.6);
  double amps = (1.6 - volts) / 1000;
  EXPECT_GT(volts, 0.55);
  EXPECT_LT(volts, 0.75);
  EXPECT_NEAR(amps, 1e-3, 0.15e-3);
  // More current, a little more voltage.
  EXPECT_GT(driver.Measure(5.0), volts);
  EXPECT_NEAR(driver.Measure(-3.0), -3.0, 0.02);
  EXPECT_NEAR(driver.Measure(0.2), 0.2, 0.02);  // below the knee hardly any current

  Instrument led(Bench(ComponentKind::Led, 0, 100));
  double ledVolts = DriverFor(led).Measure(2.5);
  EXPECT_GT(ledVolts, 1.75);
  EXPECT_LT(ledVolts, 2.05);
  EXPECT_NEAR(DriverFor(led).Measure(1.2), 1.2, 0.02);
  EXPECT_NEAR(DriverFor(led).Measure(-5.0), -5.0, 0.02);
}

TEST(SimulatedInstrument, ZenerClampsInReverse) {
  Instrument zener(Bench(ComponentKind::Zener, 3.3, 1000));
  PortDriver driver = DriverFor(zener);
  EXPECT_NEAR(driver.Measure(-5.0), -3.3, 0.15);
  EXPECT_NEAR(driver.Measure(-2.5), -2.5, 0.02);  // below breakdown it blocks
  double forward = driver.Measure(2.0);
  EXPECT_GT(forward, 0.55);
  EXPECT_LT(forward, 0.75);

  SimConfig stiffer = zener.Config();
  stiffer.rangeOhms = 100;
  zener.Configure(stiffer);
  EXPECT_NEAR(driver.Measure(-5.12), -3.3, 0.2);
}

TEST(SimulatedInstrument, DacTakesWholeWordsOnly) {
  Instrument instrument(Bench(ComponentKind::Open, 0, 1000, 0, 0));
  PortDriver driver = DriverFor(instrument);
  EXPECT_EQ(instrument.AppliedCode(), 512);  // 0 V from power-up
  for (int code : {0, 1023, 6, 512, 341, 682}) {
    driver.WriteDac(code);
    EXPECT_EQ(instrument.AppliedCode(), code);
  }
  driver.WriteDac(700);
  // Nine bits are not a word yet.
  driver.WriteDacPartly(100, 9, false);
  EXPECT_EQ(instrument.AppliedCode(), 700);
  // A frame dropped in the middle throws the word away, even once the
  // clock goes on with the frame back up.
  driver.WriteDacPartly(100, 5, true);
  driver.SetData(driver.Data() | 0x04);
  for (int i = 0; i < 5; ++i) {
    driver.SetData(driver.Data() & ~0x01);
    driver.SetData(driver.Data() | 0x01);
  }
  EXPECT_EQ(instrument.AppliedCode(), 700);
  EXPECT_EQ(driver.ReadAdc(), 700);
  // The next proper word gets through.
  driver.WriteDac(100);
  EXPECT_EQ(instrument.AppliedCode(), 100);
  // The other lines of the data register are left to themselves.
  driver.SetData(driver.Data() | 0xC8);
  driver.WriteDac(900);
  EXPECT_EQ(driver.Data() & 0xC8, 0xC8);
  EXPECT_EQ(instrument.AppliedCode(), 900);
}

TEST(SimulatedInstrument, AdcShiftsOutMostSignificantBitFirst) {
  Instrument instrument(Bench(ComponentKind::Open, 0, 1000, 0, 0));
  PortDriver driver = DriverFor(instrument);
  driver.WriteDac(0b1001101100);
  EXPECT_EQ(instrument.Conversions(), 0);  // DAC traffic starts no conversion
  driver.StartConversion();
  EXPECT_EQ(instrument.Conversions(), 1);
  std::string bits;
  for (int i = 0; i < 10; ++i) {
    bits += driver.AdcBit() ? '1' : '0';
    // Reading does not move the bits; only the clock does.
    EXPECT_EQ(driver.AdcBit(), bits.back() == '1');
    driver.ClockAdc();
  }
  EXPECT_EQ(bits, "1001101100");
  EXPECT_EQ(driver.AdcBit(), 0);  // zeros after the tenth bit
  // An ADC conversion leaves the DAC alone.
  EXPECT_EQ(instrument.AppliedCode(), 0b1001101100);
  EXPECT_EQ(driver.ReadAdc(), 0b1001101100);
  EXPECT_EQ(instrument.Conversions(), 2);
}

TEST(SimulatedInstrument, RangeSwitchDecodesAsTheProgramReadsIt) {
  // Whatever the ADC's data bit shows at the time.
  struct Case { int ohms; int switchCode; };
  for (Case c : {Case{100, 1}, Case{1000, 2}, Case{10000, 0}}) {
    Instrument instrument(Bench(ComponentKind::Open, 0, c.ohms, 0, 0));
    PortDriver driver = DriverFor(instrument);
    EXPECT_EQ(SwitchCode(driver.Status()), c.switchCode) << c.ohms;
    for (int code : {0, 1023}) {
      driver.WriteDac(code);
      driver.StartConversion();
      EXPECT_EQ(driver.AdcBit(), code >> 9);
      EXPECT_EQ(SwitchCode(driver.Status()), c.switchCode) << c.ohms << " " << code;
    }
  }
}

TEST(SimulatedInstrument, RegistersReadBackAndOtherPortsAreAbsent) {
  SimConfig config = Bench(ComponentKind::Open, 0, 1000, 0, 0);
  config.base = 0x278;
  Instrument instrument(config);
  for (int v = 0; v < 256; ++v) {
    EXPECT_EQ(instrument.Out(0x278, v), v);
    EXPECT_EQ(instrument.In(0x278), v);
    instrument.Out(0x27A, v);
    EXPECT_EQ(instrument.In(0x27A), v);
  }
  EXPECT_EQ(instrument.Out(0x278, 0x1A5), 0xA5);
  EXPECT_EQ(instrument.In(0x278), 0xA5);
  EXPECT_EQ(instrument.In(0x7FFF0278), 0xA5);  // only the low 16 bits count
  instrument.Out(0x5A0278, 0x3C);
  EXPECT_EQ(instrument.In(0x278), 0x3C);

  int status = instrument.In(0x279);
  instrument.Out(0x279, 0x00);  // an input register
  EXPECT_EQ(instrument.In(0x279), status);
  for (int port : {0x378, 0x379, 0x37A, 0x277, 0x27B, 0}) {
    EXPECT_EQ(instrument.In(port), 0xFF) << port;
    instrument.Out(port, 0);
  }
  EXPECT_EQ(instrument.In(0x278), 0x3C);
}

TEST(SimulatedInstrument, BlinkLineIsKept) {
  Instrument instrument;
  instrument.Out(0x37A, instrument.In(0x37A) | 0x02);
  EXPECT_TRUE(instrument.BlinkLine());
  instrument.Out(0x37A, instrument.In(0x37A) | 0x0C);  // other bits: no toggle
  instrument.Out(0x37A, instrument.In(0x37A) & 0xFD);
  EXPECT_FALSE(instrument.BlinkLine());
  EXPECT_EQ(instrument.BlinkToggles(), 2);
}

TEST(SimulatedInstrument, NoiseIsSeededAndHasTheRightSize) {
  auto readings = [](std::uint64_t seed, double noise, double stray) {
    SimConfig config = Bench(ComponentKind::Open, 0, 1000, noise, stray);
    config.seed = seed;
    Instrument instrument(config);
    PortDriver driver = DriverFor(instrument);
    driver.WriteDac(600);
    std::vector<int> out;
    for (int i = 0; i < 3000; ++i) out.push_back(driver.ReadAdc());
    return out;
  };
  auto first = readings(7, 1.0, 0.02);
  EXPECT_EQ(first, readings(7, 1.0, 0.02));
  EXPECT_NE(first, readings(8, 1.0, 0.02));

  int strays = 0;
  double sumSquares = 0;
  int quiet = 0;
  for (int r : first) {
    if (std::abs(r - 600) >= 15) { ++strays; continue; }
    sumSquares += (r - 600) * (r - 600);
    ++quiet;
  }
  double sigma = std::sqrt(sumSquares / quiet);
  EXPECT_GT(sigma, 0.7);
  EXPECT_LT(sigma, 1.4);
  EXPECT_GT(strays, 30);  // about 60 expected in 3000
  EXPECT_LT(strays, 100);

  for (int r : readings(7, 0, 0)) ASSERT_EQ(r, 600);
}

TEST(SimulatedInstrument, ReadingsSaturateAtTheEndsOfTheScale) {
  // Noise past either end must clip, not wrap round to the other end.
  Instrument instrument(Bench(ComponentKind::Open, 0, 1000, 3.0, 0.5));
  PortDriver driver = DriverFor(instrument);
  driver.WriteDac(0);
  for (int i = 0; i < 300; ++i) ASSERT_LE(driver.ReadAdc(), 80);
  driver.WriteDac(1023);
  for (int i = 0; i < 300; ++i) ASSERT_GE(driver.ReadAdc(), 943);
}

namespace kvt {

// Settings that reach the instrument without the control file's checks: a
// reading is never NaN turned into an integer, and follows the circuit.
TEST(SimulatedInstrument, NonFiniteSettingsGiveReadingsOnTheScale) {
  struct Case {
    const char* name;
    SimConfig config;
    double expectVolts;  // at 2 V applied; NaN: anything on the scale
  };
  const Case cases[] = {
      {"infinite resistor", Bench(ComponentKind::Resistor, INFINITY, 1000, 0, 0), 2.0},
      {"largest resistor", Bench(ComponentKind::Resistor, 1.7976931348623157e308, 1000, 0, 0), 2.0},
      {"infinite noise", Bench(ComponentKind::Open, 0, 1000, INFINITY, 0), NAN},
      {"NaN noise", Bench(ComponentKind::Open, 0, 1000, NAN, 0), NAN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Instrument instrument(c.config);
    PortDriver driver = DriverFor(instrument);
    driver.WriteDac(712);
    for (int i = 0; i < 20; ++i) {
      const int reading = driver.ReadAdc();
      ASSERT_GE(reading, 0);
      ASSERT_LE(reading, 1023);
      if (!std::isnan(c.expectVolts)) {
        EXPECT_NEAR((reading - 512) / 100.0, c.expectVolts, 0.011);
      }
    }
  }
}

}  // namespace kvt
