#include "plot/plot_renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "plot/plot_geometry.h"
#include "plot/plot_scale.h"
#include "tests/support/recording_surface.h"

namespace kvt {

namespace {

constexpr Colour kBack = MakeColour(0, 96, 0);
constexpr Colour kLine = MakeColour(0, 255, 0);
constexpr Colour kText = MakeColour(0, 180, 0);

// The default colours with the given controls.
PlotOptions DefaultsWith(const PlotControls& controls) { return {TypedOptions().Plot().colours, controls}; }

PlotControls Ranges(int maxVolts, int maxMilliamps) { return PlotControls{false, 3, maxVolts, maxMilliamps}; }

RecordingSurface Draw(const Curve& points, const PlotControls& controls, std::string_view sep = ".") {
  RecordingSurface surface(373, 341);
  DrawPlot(surface, DefaultsWith(controls), points, sep);
  return surface;
}

// Voltage ticks are the vertical 7-pixel lines across the horizontal axis.
std::vector<double> VoltTickXs(const RecordingSurface& s, int originY) {
  std::vector<double> xs;
  for (const auto& c : s.Of(DrawCall::Line))
    if (c.x1 == c.x2 && c.y1 == originY - 3 && c.y2 == originY + 3) xs.push_back(c.x1);
  return xs;
}
std::vector<double> CurrentTickYs(const RecordingSurface& s, int originX) {
  std::vector<double> ys;
  for (const auto& c : s.Of(DrawCall::Line))
    if (c.y1 == c.y2 && c.x1 == originX - 3 && c.x2 == originX + 3) ys.push_back(c.y1);
  return ys;
}

// The curve: lines drawn with the pen at width 2.
std::vector<DrawCall> CurveLines(const RecordingSurface& s) {
  std::vector<DrawCall> out;
  for (const auto& c : s.Of(DrawCall::Line))
    if (c.penWidth == 2) out.push_back(c);
  return out;
}

// A curve of the given volts and milliamps, in order.
Curve ThirtyTwo(const std::vector<std::pair<double, double>>& voltsAndMilliamps) {
  Curve p;
  for (const auto& [volts, milliamps] : voltsAndMilliamps) p.points.push_back({volts, milliamps / 1000});
  return p;
}

}  // namespace

TEST(PlotGeometry, WorkedSizeAndTiesToEven) {
  const PlotGeometry g = ComputePlotGeometry(373, 341);
  EXPECT_EQ(g.PlotLeft, 20);
  EXPECT_EQ(g.PlotTop, 10);
  EXPECT_EQ(g.PlotRight, 348);
  EXPECT_EQ(g.PlotBottom, 321);
  EXPECT_EQ(g.PlotWidth, 329);
  EXPECT_EQ(g.PlotHeight, 312);
  EXPECT_EQ(g.OriginX, 184);
  EXPECT_EQ(g.OriginY, 166);  // 165.5

  const PlotScale s = ComputePlotScale(g, 5, 10);
  EXPECT_DOUBLE_EQ(s.volts.ValuePerPixelAt(0), 1 / 32.9);
  EXPECT_DOUBLE_EQ(s.milliamps.ValuePerPixelAt(0), 1 / 15.6);

  // W - 25 and H - 20 ending in .5 go to the even neighbour.
  EXPECT_EQ(ComputePlotGeometry(373.5, 341.5).PlotRight, 348);
  EXPECT_EQ(ComputePlotGeometry(374.5, 342.5).PlotRight, 350);
  EXPECT_EQ(ComputePlotGeometry(373.5, 341.5).PlotBottom, 322);
  EXPECT_EQ(ComputePlotGeometry(374.5, 342.5).PlotBottom, 322);
  // (349 - 20) / 2 + 20 = 184.5
  EXPECT_EQ(ComputePlotGeometry(374, 341).OriginX, 184);
}

TEST(DrawPlot, EmptyCurveDrawsTheWorkedAxes) {
  const RecordingSurface s = Draw(Curve{}, Ranges(5, 10));
  ASSERT_GE(s.calls.size(), 2u);
  EXPECT_EQ(s.calls[0].kind, DrawCall::Background);
  EXPECT_EQ(s.calls[0].colour, kBack);
  EXPECT_EQ(s.calls[1].kind, DrawCall::TextColour);
  EXPECT_EQ(s.calls[1].colour, kText);

  EXPECT_EQ(VoltTickXs(s, 166), (std::vector<double>{20, 52, 85, 118, 151, 184, 217, 250, 283, 316, 349}));
  EXPECT_EQ(CurrentTickYs(s, 184), (std::vector<double>{322, 291, 260, 228, 197, 166, 135, 104, 72, 41, 10}));

  const auto lines = s.Of(DrawCall::Line);
  ASSERT_GE(lines.size(), 6u);
  const std::vector<std::array<double, 4>> axes = {
      {20, 166, 353, 166}, {184, 5, 184, 321}, {184, 5, 179, 10},
      {184, 5, 189, 10},   {353, 166, 348, 161}, {353, 166, 348, 171}};
  for (std::size_t i = 0; i < axes.size(); ++i) {
    EXPECT_EQ((std::array<double, 4>{lines[i].x1, lines[i].y1, lines[i].x2, lines[i].y2}), axes[i]) << i;
  }
  for (const auto& line : lines) {
    EXPECT_EQ(line.colour, kText);
    EXPECT_EQ(line.penWidth, 1);
  }
  EXPECT_EQ(lines.size(), 6u + 22u);  // one pass only: no curve, no second pass
  EXPECT_TRUE(s.Of(DrawCall::PenWidth).empty());

  // 11 x 11 grid dots, including the tick positions on the axes.
  const auto dots = s.Of(DrawCall::Point);
  ASSERT_EQ(dots.size(), 121u);
  EXPECT_EQ(dots.front().x1, 20);
  EXPECT_EQ(dots.front().y1, 322);
  EXPECT_EQ(dots[1].x1, 52);  // inner loop runs over the voltages
  EXPECT_EQ(dots.back().x1, 349);
  EXPECT_EQ(dots.back().y1, 10);
  EXPECT_EQ(dots[60].x1, 184);
  EXPECT_EQ(dots[60].y1, 166);
}

TEST(DrawPlot, CaptionsAndTickValuesWithTheirPlaces) {
  const RecordingSurface s = Draw(Curve{}, Ranges(5, 10));
  const auto texts = s.Of(DrawCall::Text);
  ASSERT_EQ(texts.size(), 2u + 10u + 10u);
  auto at = [&](const std::string& text) -> const DrawCall& {
    for (const auto& t : texts)
      if (t.text == text) return t;
    ADD_FAILURE() << "no text " << text;
    return texts.front();
  };
  using Place = std::pair<double, double>;
  auto place = [](const DrawCall& c) { return Place(c.x1, c.y1); };
  EXPECT_EQ(place(at("I, mA")), Place(194, 4));
  EXPECT_EQ(place(at("V, Volts")), Place(311, 146));
  // Negative voltages above the axis with their sign, positive ones below with a blank.
  EXPECT_EQ(place(at("-5.0")), Place(8, 150));
  EXPECT_EQ(place(at("-1.0")), Place(139, 150));
  EXPECT_EQ(place(at(" 1.0")), Place(205, 170));
  EXPECT_EQ(place(at(" 5.0")), Place(337, 170));
  // Negative currents right of the axis, positive ones left of it.
  EXPECT_EQ(place(at("-10.0")), Place(188, 316));
  EXPECT_EQ(place(at("-6.0")), Place(188, 254));
  EXPECT_EQ(place(at(" 6.0")), Place(154, 66));
  EXPECT_EQ(place(at(" 10.0")), Place(154, 4));
  for (const auto& t : texts) EXPECT_EQ(t.colour, kText);
}

TEST(DrawPlot, OtherRangesAndDecimalSeparator) {
  {
    // Steps of 0.6: the accumulated centre value is not exactly 0 but gets no
    // text, and the last tick slightly above 3 is still drawn.
    const RecordingSurface s = Draw(Curve{}, Ranges(3, 10));
    EXPECT_EQ(VoltTickXs(s, 166).size(), 11u);
    EXPECT_EQ(VoltTickXs(s, 166).back(), 184 + 165);  // 3 * 54.83 = 164.5
    EXPECT_EQ(s.Texts(), (std::vector<std::string>{"I, mA", "V, Volts", "-3.0", "-2.4", "-1.8", "-1.2", "-0.6",
                                                   " 0.6", " 1.2", " 1.8", " 2.4", " 3.0", "-10.0", "-8.0",
                                                   "-6.0", "-4.0", "-2.0", " 2.0", " 4.0", " 6.0", " 8.0",
                                                   " 10.0"}));
  }
  {
    const RecordingSurface s = Draw(Curve{}, Ranges(1, 7), ",");
    EXPECT_EQ(CurrentTickYs(s, 184).size(), 11u);
    EXPECT_EQ(s.Texts(), (std::vector<std::string>{"I, mA", "V, Volts", "-1,0", "-0,8", "-0,6", "-0,4", "-0,2",
                                                   " 0,2", " 0,4", " 0,6", " 0,8", " 1,0", "-7,0", "-5,6",
                                                   "-4,2", "-2,8", "-1,4", " 1,4", " 2,8", " 4,2", " 5,6",
                                                   " 7,0"}));
  }
}

TEST(DrawPlot, ColoursComeFromTheirSettings) {
  Settings settings;
  SetDefaultSettings(settings, AllGroups);
  settings[BackRed] = " 10";
  settings[BackGreen] = "20.5";  // ties to even: 20
  settings[BackBlue] = "30";
  settings[LineRed] = "1";
  settings[LineGreen] = "2";
  settings[LineBlue] = "3";
  settings[TextRed] = "255";
  settings[TextGreen] = "21.5";  // 22
  settings[TextBlue] = "abc";    // no number: 0
  const PlotColours c = TypedOptions(settings).Plot().colours;
  EXPECT_EQ(c.background, 10u + 256u * 20u + 65536u * 30u);
  EXPECT_EQ(c.line, 1u + 256u * 2u + 65536u * 3u);
  EXPECT_EQ(c.text, 255u + 256u * 22u);

  RecordingSurface s(373, 341);
  DrawPlot(s, {c, Ranges(5, 10)}, ThirtyTwo(std::vector<std::pair<double, double>>(32, {0.0, 0.0})), ".");
  EXPECT_EQ(s.calls[0].colour, c.background);
  EXPECT_EQ(CurveLines(s).front().colour, c.line);
  EXPECT_EQ(s.Of(DrawCall::Point).front().colour, c.text);
}

TEST(DrawPlot, CurveStartsWithADotAndJoinsItsPoints) {
  std::vector<std::pair<double, double>> vi;
  for (int k = 0; k < 32; ++k) vi.push_back({-4.0 + k * 0.25, k * 0.25});
  const Curve points = ThirtyTwo(vi);
  const Curve before = points;
  const RecordingSurface s = Draw(points, Ranges(5, 10));

  const auto curve = CurveLines(s);
  ASSERT_EQ(curve.size(), 32u);
  // First point: a dot at (184 + round(-4 * 32.9), 166).
  EXPECT_EQ(curve[0].x1, 52);
  EXPECT_EQ(curve[0].y1, 166);
  EXPECT_EQ(curve[0].x2, 52);
  EXPECT_EQ(curve[0].y2, 166);
  for (std::size_t k = 1; k < curve.size(); ++k) {
    EXPECT_EQ(curve[k].x2, curve[k - 1].x1);  // each point joined to the one before
    EXPECT_EQ(curve[k].y2, curve[k - 1].y1);
    EXPECT_EQ(curve[k].colour, kLine);
  }
  // Last point: 3.75 V, 7.75 mA.
  EXPECT_EQ(curve.back().x1, 184 + 123);  // 123.375
  EXPECT_EQ(curve.back().y1, 166 - 121);  // 120.9

  // Pen 2 for the curve only, then the axes again on top, and the pen left at 1.
  const auto pens = s.Of(DrawCall::PenWidth);
  ASSERT_EQ(pens.size(), 2u);
  EXPECT_EQ(pens[0].penWidth, 2);
  EXPECT_EQ(pens[1].penWidth, 1);
  EXPECT_EQ(s.PenWidthNow(), 1);
  EXPECT_EQ(s.Of(DrawCall::Point).size(), 242u);
  EXPECT_EQ(s.Texts().size(), 44u);
  EXPECT_EQ(s.calls.back().kind, DrawCall::Point);  // the grid lies over the curve
  // All of it as one batch, closed at the end.
  EXPECT_EQ(s.batches, 1);
  EXPECT_EQ(s.callsOutsideBatch, 0);
  EXPECT_EQ(s.BatchDepthNow(), 0);

  EXPECT_EQ(before.points, points.points);
}

TEST(DrawPlot, CurveBreaksOutsideTheRangesAndRestartsWithADot) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<std::pair<double, double>> vi(32, {1.0, 1.0});
  vi[0] = {5.0, -10.0};     // exactly at +Max V and -Max I: drawn
  vi[1] = {5.01, 0.0};      // just beyond
  vi[2] = {0.0, 0.0};       // restart
  vi[3] = {0.0, 10.001};    // just beyond
  vi[4] = {1e300, 0.0};
  vi[5] = {-1e300, 0.0};
  vi[6] = {0.0, 1e300};
  vi[7] = {0.0, -inf};
  vi[8] = {inf, 0.0};
  vi[9] = {nan, 0.0};
  vi[10] = {0.0, nan};
  vi[11] = {-5.0, 10.0};    // restart at the other corner
  const RecordingSurface s = Draw(ThirtyTwo(vi), Ranges(5, 10));

  const auto curve = CurveLines(s);
  ASSERT_EQ(curve.size(), 1u + 1u + 21u);
  const auto isDotAt = [](const DrawCall& c, double x, double y) {
    return c.x1 == x && c.x2 == x && c.y1 == y && c.y2 == y;
  };
  EXPECT_TRUE(isDotAt(curve[0], 184 + 165, 166 + 156));  // 164.5 -> 164.501 rounds up
  EXPECT_TRUE(isDotAt(curve[1], 184, 166));
  EXPECT_TRUE(isDotAt(curve[2], 184 - 164, 166 - 156));
  EXPECT_EQ(curve[3].x1, 184 + 33);
  EXPECT_EQ(curve[3].y1, 166 - 16);
  EXPECT_EQ(curve[3].x2, 20);
  EXPECT_EQ(curve[3].y2, 10);
}

TEST(DrawPlot, SmoothedCurveOnPrivateCopies) {
  // A spike beyond Max I in the middle of the first block of five.
  std::vector<std::pair<double, double>> vi;
  for (int k = 0; k < 32; ++k) vi.push_back({k * 0.1, 0.0});
  vi[2].second = 20.0;
  const Curve points = ThirtyTwo(vi);
  const Curve before = points;

  const auto raw = CurveLines(Draw(points, Ranges(5, 10)));
  ASSERT_EQ(raw.size(), 31u);  // the spike is left out
  EXPECT_EQ(raw[2].x1, raw[2].x2);  // and the curve restarts with a dot after it

  const auto smoothed = CurveLines(Draw(points, PlotControls{true, 5, 5, 10}));
  ASSERT_EQ(smoothed.size(), 32u);
  // The symmetric block fits a flat line at its mean current, 4 mA.
  for (int k = 0; k < 5; ++k) EXPECT_EQ(smoothed[static_cast<std::size_t>(k)].y1, 166 - 62) << k;
  EXPECT_EQ(smoothed[5].y1, 166);

  EXPECT_EQ(before.points, points.points);
}

}  // namespace kvt
