// The series circuit for every code, range and kind of component.
#include "simulator/circuit.h"

#include <gtest/gtest.h>

#include <cmath>

using kvtsim::CodeVolts;
using kvtsim::Component;
using kvtsim::ComponentKind;
using kvtsim::ComponentVolts;

TEST(SeriesCircuit, SolutionIsSaneForEveryCode) {
  const Component components[] = {
      {ComponentKind::Open, 0},      {ComponentKind::Short, 0},     {ComponentKind::Resistor, 1},
      {ComponentKind::Resistor, 4700}, {ComponentKind::Resistor, 1e7}, {ComponentKind::Diode, 0},
      {ComponentKind::Led, 0},       {ComponentKind::Zener, 0.05},  {ComponentKind::Zener, 3.3},
      {ComponentKind::Zener, 5.1},   {ComponentKind::Zener, 12}};
  for (const Component& c : components) {
    for (int ohms : {100, 1000, 10000}) {
      double previous = -1e9;
      for (int code = 0; code < 1024; ++code) {
        double applied = CodeVolts(code);
        double v = ComponentVolts(c, applied, ohms);
        SCOPED_TRACE(testing::Message() << int(c.kind) << " " << c.value << " " << ohms << " " << code);
        ASSERT_TRUE(std::isfinite(v));
        // A passive part: never more than the source, never against it.
        ASSERT_LE(std::abs(v), std::abs(applied) + 1e-9);
        ASSERT_GE(v * applied, -1e-12);
        // The curve has no jumps back and no jumps of more than the step.
        ASSERT_GE(v, previous - 1e-9);
        if (code > 0) {
          ASSERT_LE(v - previous, 0.01 + 1e-9);
        }
        previous = v;
      }
    }
  }
}

TEST(SeriesCircuit, JunctionsFollowTheirCurrents) {
  // The drop across the range resistor gives the current; the junction's
  // voltage rises by about n*26 mV*ln(10) for each tenfold current.
  auto volts = [](Component c, double applied, int ohms) { return ComponentVolts(c, applied, ohms); };
  Component diode{ComponentKind::Diode, 0};
  double atTenth = volts(diode, 0.1e-3 * 10000 + 0.5, 10000);
  double atOne = volts(diode, 1e-3 * 1000 + 0.58, 1000);
  double atTen = volts(diode, 10e-3 * 100 + 0.68, 100);
  EXPECT_NEAR(atOne - atTenth, 0.107, 0.03);
  EXPECT_NEAR(atTen - atOne, 0.107, 0.03);
  EXPECT_NEAR(atOne, 0.6, 0.05);

  Component led{ComponentKind::Led, 0};
  EXPECT_NEAR(volts(led, 3.9, 1000), 1.85, 0.1);
  EXPECT_NEAR(volts(led, 3.9, 100), 1.95, 0.1);

  Component zener{ComponentKind::Zener, 4.7};
  EXPECT_NEAR(volts(zener, -4.7 - 1e-3 * 100, 100), -4.7, 0.05);
  EXPECT_NEAR(volts(zener, -5.12, 100), -4.7, 0.1);
  EXPECT_NEAR(volts(zener, -4.0, 1000), -4.0, 0.01);
}

namespace kvt {

// Huge but finite resistors are as good as open; the divider must not
// overflow into infinity or NaN on the way there.
TEST(SeriesCircuit, HugeAndTinyResistorsStayFinite) {
  struct Case {
    const char* name;
    double ohms;
    double share;  // of the applied voltage across the resistor
  };
  const Case cases[] = {
      {"1e308 ohms", 1e308, 1.0},
      {"largest double", 1.7976931348623157e308, 1.0},
      {"infinite", INFINITY, 1.0},
      {"denormal", 1e-320, 0.0},
  };
  for (const Case& c : cases) {
    for (double applied : {5.11, -5.12, 0.0}) {
      SCOPED_TRACE(testing::Message() << c.name << " at " << applied << " V");
      const double v = ComponentVolts(Component{ComponentKind::Resistor, c.ohms}, applied, 10000);
      ASSERT_TRUE(std::isfinite(v));
      EXPECT_NEAR(v, applied * c.share, 1e-9);
    }
  }
}

}  // namespace kvt
