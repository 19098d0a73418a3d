#include "plot/log_current_plot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/typed_options.h"
#include "plot/plot_geometry.h"
#include "tests/support/recording_surface.h"

namespace kvt {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// 40 pixels a decade from 1 uA at y 200 up to 10 mA.
AxisScale Decades() { return AxisScale::LogMirrored(200, AxisDirection::Up, 40, 1e-3, 10); }

PlotOptions Options(int maxMilliamps) {
  PlotOptions plot = TypedOptions().Plot();
  plot.controls.maxMilliamps = maxMilliamps;
  return plot;
}

}  // namespace

TEST(LogCurrentAxis, CurrentsToPixelsAndBack) {
  const struct {
    const char* name;
    double milliamps;
    int pixel;
  } cases[] = {
      {"the floor lies on the voltage axis", 1e-3, 200},
      {"10 uA one decade up", 1e-2, 160},
      {"100 uA", 0.1, 120},
      {"1 mA", 1, 80},
      {"10 mA, full scale, at the top", 10, 40},
      {"half a decade: 3.16 uA", std::sqrt(10.0) * 1e-3, 180},
      {"reverse 10 uA one decade down", -1e-2, 240},
      {"reverse 1 mA", -1, 320},
      {"under the floor: on the axis", 4e-4, 200},
      {"reverse under the floor: on the axis", -4e-4, 200},
      {"zero: on the axis", 0, 200},
      {"NaN: on the axis", NaN, 200},
  };
  const AxisScale axis = Decades();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(axis.PixelOf(c.milliamps), c.pixel);
    if (std::fabs(c.milliamps) >= 1e-3) {
      EXPECT_NEAR(axis.ValueAt(c.pixel), c.milliamps, std::fabs(c.milliamps) * 1e-9);
    }
  }
  EXPECT_TRUE(axis.Logarithmic());
  EXPECT_TRUE(axis.Contains(-10));
  EXPECT_FALSE(axis.Contains(10.5));
  // One pixel near 1 mA spans ln 10 / 40 of it.
  EXPECT_NEAR(axis.ValuePerPixelAt(1), std::log(10.0) / 40, 1e-12);
  EXPECT_NEAR(axis.ValuePerPixelAt(-1), std::log(10.0) / 40, 1e-12);
}

TEST(LogCurrentAxis, TicksAtEveryDecadeBothWays) {
  const std::vector<double> expected = {-10, -1, -0.1, -0.01, -0.001, 0.001, 0.01, 0.1, 1, 10};
  const std::vector<double> ticks = Decades().Ticks();
  ASSERT_EQ(ticks.size(), expected.size());
  for (std::size_t i = 0; i < ticks.size(); ++i) EXPECT_DOUBLE_EQ(ticks[i], expected[i]) << i;
  // Full scale off a decade: the last tick is the decade under it.
  EXPECT_DOUBLE_EQ(AxisScale::LogMirrored(200, AxisDirection::Up, 30, 0.1, 60).Ticks().back(), 10);
}

TEST(LogCurrentAxis, SpansThePlotFromTheFloorToFullScale) {
  const PlotGeometry g = ComputePlotGeometry(373, 341);
  const struct {
    const char* name;
    double floor;
    int max;
    double expectedFloor;
  } cases[] = {
      {"1 uA to 10 mA", 1e-3, 10, 1e-3},
      {"100 uA to the whole range", 0.1, 60, 0.1},
      {"a floor above full scale keeps a decade", 20, 10, 1},
      {"no floor: a decade under full scale", 0, 5, 0.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const PlotScale s = ComputeLogCurrentPlotScale(g, 5, c.floor, c.max);
    EXPECT_DOUBLE_EQ(s.milliamps.Floor(), c.expectedFloor);
    EXPECT_EQ(s.milliamps.PixelOf(c.expectedFloor), g.OriginY);
    EXPECT_NEAR(s.milliamps.PixelOf(c.max), g.OriginY - g.PlotHeight / 2.0, 1);
    EXPECT_NEAR(s.milliamps.PixelOf(-c.max), g.OriginY + g.PlotHeight / 2.0, 1);
    // The voltage axis is the linear plot's own.
    EXPECT_EQ(s.volts.PixelOf(2), ComputePlotScale(g, 5, c.max).volts.PixelOf(2));
  }
}

TEST(LogCurrentPlot, StepsAndResolutionOfEachPoint) {
  const struct {
    const char* name;
    std::vector<std::pair<double, double>> points;
    std::vector<std::optional<double>> ranges;
    std::vector<double> steps;
    std::vector<bool> unresolved;
  } cases[] = {
      {"each point by its own range",
       {{-1, -5e-6}, {0.6, 5e-6}, {0.7, 2e-3}, {0.5, 50e-6}},
       {10000.0, 1000.0, 100.0, 10000.0},
       {1e-6, 1e-5, 1e-4, 1e-6},
       {false, true, false, false}},
      {"one step, a hair under after the subtraction", {{0.5, (0.03 - 0.02) / 1000}, {-0.5, -(0.03 - 0.02) / 1000}}, {1000.0, 1000.0}, {1e-5, 1e-5},
       {false, false}},
      {"zero never is", {{0, 0.0}}, {100.0}, {1e-4}, {true}},
      {"unknown range: the smallest nonzero reading",
       {{-1, 0.0}, {0, 3e-6}, {0.6, -2e-6}, {0.7, 1e-3}},
       {},
       {2e-6, 2e-6, 2e-6, 2e-6},
       {true, false, false, false}},
      {"unknown among known ranges: from the unknown ones only",
       {{0, 1e-7}, {0.6, 4e-5}},
       {1000.0, std::nullopt},
       {1e-5, 4e-5},
       {true, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<double> steps = CurrentSteps(c.points, c.ranges);
    ASSERT_EQ(steps.size(), c.steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
      EXPECT_NEAR(steps[i], c.steps[i], c.steps[i] * 1e-12) << i;
      EXPECT_EQ(Unresolved(c.points[i].second, steps[i]), c.unresolved[i]) << i;
    }
  }
}

TEST(LogCurrentPlot, FloorIsTheFinestStepDownToADecade) {
  const auto curve = [](std::optional<double> range, double amps) {
    return CurveFromPairs({{-1, -amps}, {0.6, amps}}, range);
  };
  const struct {
    const char* name;
    Curve curve;
    std::vector<ReferenceCurve> references;
    double floor;
  } cases[] = {
      {"1 kohm: 10 uA", curve(1000.0, 1e-3), {}, 1e-2},
      {"100 ohm: 100 uA", curve(100.0, 1e-2), {}, 1e-1},
      {"a 10 kohm reference goes finer", curve(100.0, 1e-2), {{"r", {{0.5, 1e-4}}, 0, 1, {10000.0}}}, 1e-3},
      {"unknown range, 2.5 uA: down to 1 uA", curve(std::nullopt, 2.5e-6), {}, 1e-3},
      {"nothing to go by: 1 uA", Curve{}, {}, 1e-3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(LogFloorMilliamps(c.curve, c.references), c.floor, c.floor * 1e-9);
  }
}

// The top is the coarsest range's full scale, so a curve stitched from
// three ranges shows whole whatever the current scale.
TEST(LogCurrentPlot, TopIsTheCoarsestRangesFullScale) {
  Curve stitched = CurveFromPairs({{-1, -1e-6}, {0.5, 1e-5}, {0.7, 4e-2}}, 10000.0);
  stitched.points[1].rangeOhms = 1000.0;
  stitched.points[2].rangeOhms = 100.0;
  const struct {
    const char* name;
    Curve curve;
    std::vector<ReferenceCurve> references;
    int top;
  } cases[] = {
      {"10k, 1k and 100 ohm points", stitched, {}, 52},
      {"1 kohm only", CurveFromPairs({{0.6, 1e-3}}, 1000.0), {}, 6},
      {"10 kohm only", CurveFromPairs({{0.6, 1e-4}}, 10000.0), {}, 1},
      {"a 100 ohm reference", CurveFromPairs({{0.6, 1e-3}}, 1000.0), {{"r", {{0.5, 1e-2}}, 0, 1, {100.0}}}, 52},
      {"no range known: the current scale", CurveFromPairs({{0.6, 1e-3}}, std::nullopt), {}, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(LogTopMilliamps(c.curve, c.references, 10), c.top);
  }
}

TEST(LogCurrentPlot, DecadeLabels) {
  const struct {
    double milliamps;
    const char* text;
  } cases[] = {{1e-4, "100 nA"}, {1e-3, "1 uA"}, {1e-2, "10 uA"}, {0.1, "100 uA"},
               {1, "1 mA"},      {10, "10 mA"},  {-10, "10 mA"},  {1000, "1 A"}};
  for (const auto& c : cases) EXPECT_EQ(DecadeText(c.milliamps), c.text) << c.milliamps;
}

// A diode on 1 kohm: its reverse readings and those near 0 V are under a
// step; they are drawn as hollow grey marks, never joined by the line.
TEST(LogCurrentPlot, UnresolvedReadingsAreDrawnApart) {
  const std::vector<std::pair<double, double>> pairs = {
      {-2, -3e-6}, {-1, 0.0}, {0.3, 4e-6}, {0.5, 20e-6}, {0.6, 300e-6}, {0.7, 3e-3}};
  const Curve curve = CurveFromPairs(pairs, 1000.0);
  const PlotOptions plot = Options(10);
  RecordingSurface surface(373, 341);
  DrawLogCurrentPlot(surface, plot, curve, ".");

  const PlotGeometry g = ComputePlotGeometry(373, 341);
  const PlotScale s = ComputeLogCurrentPlotScale(g, 5, 1e-2, 6);  // 1 kohm's full scale: 5.12 mA
  const Colour grey = UnresolvedColour(plot.colours);
  std::vector<std::pair<int, int>> marks;
  for (const DrawCall& c : surface.Of(DrawCall::Circle)) {
    EXPECT_EQ(c.colour, grey);
    EXPECT_FALSE(c.fill.has_value());
    marks.emplace_back(static_cast<int>(c.x1), static_cast<int>(c.y1));
  }
  // The three under 10 uA, on the voltage axis.
  const std::vector<std::pair<int, int>> expected = {
      {s.volts.PixelOf(-2), g.OriginY}, {s.volts.PixelOf(-1), g.OriginY}, {s.volts.PixelOf(0.3), g.OriginY}};
  EXPECT_EQ(marks, expected);
  // The curve's lines join only the resolved readings.
  std::vector<DrawCall> lines;
  for (const DrawCall& c : surface.Of(DrawCall::Line))
    if (c.colour == plot.colours.line) lines.push_back(c);
  ASSERT_EQ(lines.size(), 3u);  // the first point's dot and two segments
  const int firstX = s.volts.PixelOf(0.5);
  for (const DrawCall& c : lines) {
    EXPECT_GE(std::min(c.x1, c.x2), firstX);
    EXPECT_LT(std::max(c.y1, c.y2), g.OriginY);
  }
  EXPECT_EQ(lines.back().y1, s.milliamps.PixelOf(3));
}

// A reference's readings are judged by its own ranges; the two branches are
// never joined across the axis.
TEST(LogCurrentPlot, ReferencesTooAndNoLineAcrossTheAxis) {
  const PlotOptions plot = Options(10);
  const ReferenceCurve reference{"ref", {{-0.5, -2e-4}, {0.5, 2e-4}, {0.6, 5e-7}}, MakeColour(255, 160, 0), 1,
                                 {1000.0, 1000.0, 1000.0}};
  RecordingSurface surface(373, 341);
  DrawLogCurrentPlot(surface, plot, Curve{}, ".", {reference});
  int referenceLines = 0;
  for (const DrawCall& c : surface.Of(DrawCall::Line))
    if (c.colour == reference.colour) {
      ++referenceLines;
      EXPECT_EQ(c.x1, c.x2);  // each reading a dot of its own
    }
  EXPECT_EQ(referenceLines, 2);
  EXPECT_EQ(surface.Of(DrawCall::Circle).size(), 1u);
}

// The labels: each decade above the floor on both branches, the floor named
// in the caption.
TEST(LogCurrentPlot, DecadeLabelsOnBothBranches) {
  const PlotGeometry g = ComputePlotGeometry(373, 341);
  const PlotScale s = ComputeLogCurrentPlotScale(g, 5, 1e-3, 10);
  std::vector<std::string> above, below;
  std::string caption;
  for (const PlotText& t : AxisTexts(g, s, ".")) {
    if (t.text.find("uA") == std::string::npos && t.text.find("mA") == std::string::npos) continue;
    if (t.text.rfind("|I|", 0) == 0)
      caption = t.text;
    else
      (t.y < g.OriginY ? above : below).push_back(t.text);
  }
  const std::vector<std::string> up = {"10 uA", "100 uA", "1 mA", "10 mA"};
  const std::vector<std::string> down = {"10 mA", "1 mA", "100 uA", "10 uA"};
  EXPECT_EQ(above, up);
  EXPECT_EQ(below, down);
  EXPECT_EQ(caption, "|I|, axis at 1 uA");
}

}  // namespace kvt
