#include "analysis/compare_tolerance.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kvt {

TEST(CompareTolerance, TheThreeFormsAndTheirRefusals) {
  const struct {
    const char* name;
    const char* text;
    std::optional<double> volts, amps, percent;
    const char* refusal;  // a phrase of the reason; empty when taken
  } cases[] = {
      {"auto", "auto", {}, {}, {}, ""},
      {"volts and amperes with prefixes", "20mV,50uA", 0.02, 50e-6, {}, ""},
      {"plain numbers", "0.03,0.0001", 0.03, 1e-4, {}, ""},
      {"micro sign", "1V,5\u00b5A", 1, 5e-6, {}, ""},
      {"a percentage", "3", {}, {}, 3, ""},
      {"with its sign", "2.5%", {}, {}, 2.5, ""},
      {"the whole span", "100", {}, {}, 100, ""},
      {"a word", "lots", {}, {}, {}, "needs a number, not \"lots\""},
      {"empty", "", {}, {}, {}, "needs a number"},
      {"zero percent", "0", {}, {}, {}, "above 0 and up to 100"},
      {"past the span", "101%", {}, {}, {}, "above 0 and up to 100"},
      {"a current for the voltage", "20mA,50uA", {}, {}, {}, "needs a voltage in volts"},
      {"a word for the current", "20mV,lots", {}, {}, {}, "needs a current in amperes (0.002 or 2mA), not \"lots\""},
      {"zero current", "20mV,0uA", {}, {}, {}, "both above 0"},
      {"negative voltage", "-20mV,50uA", {}, {}, {}, "both above 0"},
      {"one of two", "20mV,", {}, {}, {}, "needs a current"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto parsed = ParseTolerance(c.text);
    if (*c.refusal) {
      ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
      EXPECT_NE(std::get<std::string>(parsed).find(c.refusal), std::string::npos) << std::get<std::string>(parsed);
      continue;
    }
    ASSERT_TRUE(std::holds_alternative<CompareOptions>(parsed)) << std::get<std::string>(parsed);
    const CompareOptions& o = std::get<CompareOptions>(parsed);
    EXPECT_EQ(o.volts.has_value(), c.volts.has_value());
    EXPECT_EQ(o.amps.has_value(), c.amps.has_value());
    EXPECT_EQ(o.percent.has_value(), c.percent.has_value());
    if (c.volts && o.volts) {
      EXPECT_DOUBLE_EQ(*o.volts, *c.volts);
    }
    if (c.amps && o.amps) {
      EXPECT_DOUBLE_EQ(*o.amps, *c.amps);
    }
    if (c.percent && o.percent) {
      EXPECT_DOUBLE_EQ(*o.percent, *c.percent);
    }
  }
}

}  // namespace kvt
