#include "plot/plot_scale.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/text_number.h"

namespace kvt {

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

AxisScale Across(int origin, double pixelsPerUnit, double max = 5) {
  return AxisScale::Linear(origin, AxisDirection::Right, pixelsPerUnit, max, max / 5);
}
AxisScale Upward(int origin, double pixelsPerUnit, double max = 10) {
  return AxisScale::Linear(origin, AxisDirection::Up, pixelsPerUnit, max, max / 5);
}

}  // namespace

TEST(AxisScale, ValueToPixelAndBack) {
  // The plot of 373 x 341: volts from x 184 at 32.9 px/V, milliamps from y
  // 166 at 15.6 px/mA; pixels are round(value * scale + 0.001), ties to even.
  const struct {
    const char* name;
    AxisScale axis;
    double value;
    int pixel;
    double back;  // the value under that pixel
  } cases[] = {
      {"origin", Across(184, 32.9), 0, 184, 0},
      {"+5 V: 164.5 pushed up by the margin", Across(184, 32.9), 5, 349, 165 / 32.9},
      {"-5 V: -164.5 pulled to -164.499", Across(184, 32.9), -5, 20, -164 / 32.9},
      {"+10 mA goes up", Upward(166, 15.6), 10, 10, 156 / 15.6},
      {"-10 mA goes down", Upward(166, 15.6), -10, 322, -156 / 15.6},
      {"164.5 after the margin: to even, down", Across(0, 1, 200), 164.499, 164, 164},
      {"165.5 after the margin: to even, up", Across(0, 1, 200), 165.499, 166, 166},
      {"just below a half after the margin", Across(0, 1, 200), 0.4989, 0, 0},
      {"-165.5 after the margin: to even", Across(0, 1, 200), -165.501, -166, -166},
      {"upward tie to even", Upward(100, 1), 2.499, 98, 2},
      {"upward negative tie", Upward(100, 1), -2.501, 102, -2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.axis.PixelOf(c.value), c.pixel);
    EXPECT_DOUBLE_EQ(c.axis.ValueAt(c.pixel), c.back);
  }
}

TEST(AxisScale, EveryPixelOfThePlotMapsBackToItself) {
  for (const auto& [w, h] : {std::pair{373, 341}, {1920, 1080}, {101, 77}}) {
    const PlotGeometry g = ComputePlotGeometry(w, h);
    const PlotScale s = ComputePlotScale(g, 3, 7);
    for (int x = g.PlotLeft; x <= g.PlotRight; ++x) ASSERT_EQ(s.volts.PixelOf(s.volts.ValueAt(x)), x) << w;
    for (int y = g.PlotTop; y <= g.PlotBottom; ++y) ASSERT_EQ(s.milliamps.PixelOf(s.milliamps.ValueAt(y)), y) << h;
    // One pixel further is one span of value further.
    EXPECT_NEAR(s.volts.ValueAt(g.OriginX + 1) - s.volts.ValueAt(g.OriginX), s.volts.ValuePerPixelAt(0), 1e-12);
    EXPECT_NEAR(s.milliamps.ValueAt(g.OriginY - 1), s.milliamps.ValuePerPixelAt(0), 1e-12);
  }
}

TEST(AxisScale, ClampedValuesStopAtTheRangeEnds) {
  const AxisScale up = Upward(166, 15.6);
  const struct {
    const char* name;
    double value;
    int pixel;
    bool inside;
  } cases[] = {
      {"top end", 10, 10, true},     {"just above", 10.000001, 10, false}, {"far above", 1e300, 10, false},
      {"infinity", Inf, 10, false},  {"bottom end", -10, 322, true},       {"far below", -Inf, 322, false},
      {"inside", 2, 135, true},      {"NaN lands on the origin", NaN, 166, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(up.ClampedPixelOf(c.value), c.pixel);
    EXPECT_EQ(up.Contains(c.value), c.inside);
  }
}

TEST(AxisScale, PixelOfRoundsLikeEveryOtherConversion) {
  // Halves either side of zero (0.001 below them before the margin), values
  // near them, and points far off the plot.
  std::vector<double> values;
  for (int k = -40; k <= 40; ++k) {
    const double half = k + 0.5;
    for (double v : {half - 0.001, half, half - 0.0011, half - 0.0009, k + 0.3, k - 0.3}) values.push_back(v);
  }
  for (double v : {3e9, -3e9, 1e300, -1e300, NaN}) values.push_back(v);
  for (double v : values)
    for (double scale : {1.0, 2.0, 32.9})
      EXPECT_EQ(Across(0, scale).PixelOf(v / scale), ToInt32(v / scale * scale + 0.001).value_or(0))
          << v << " " << scale;
}

TEST(AxisScale, ElevenTicksForEveryRange) {
  // The running sum may overshoot the top end by rounding; the top tick stays.
  for (int max = 0; max <= 10; ++max) {
    const PlotScale s = ComputePlotScale(ComputePlotGeometry(373, 341), max, max);
    for (const AxisScale* axis : {&s.volts, &s.milliamps}) {
      const std::vector<double> ticks = axis->Ticks();
      ASSERT_EQ(ticks.size(), 11u) << max;
      EXPECT_EQ(ticks.front(), -std::max(max, 1));
      EXPECT_NEAR(ticks.back(), std::max(max, 1), 1e-9);
    }
  }
}

}  // namespace kvt
