#include "ui/picture_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <functional>

#include "core/settings.h"
#include "plot/image_surface.h"
#include "plot/plot_font.h"
#include "plot/plot_renderer.h"
#include "tests/support/diode_curve.h"

namespace kvt {

namespace {

constexpr Colour kBack = MakeColour(0, 96, 0);
constexpr Colour kRed = MakeColour(255, 0, 0);
constexpr Colour kBlue = MakeColour(0, 0, 255);

Colour PixelOf(const QImage& image, int x, int y) {
  const QRgb p = image.pixel(x, y);
  return MakeColour(qRed(p), qGreen(p), qBlue(p));
}
Colour PixelAt(const PictureBox& box, int x, int y) { return PixelOf(box.Image(), x, y); }

int CountColour(const PictureBox& box, Colour colour, QRect area) {
  int n = 0;
  area = area.intersected(box.Image().rect());
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += PixelAt(box, x, y) == colour;
  return n;
}

// The image doubled pixel for pixel, as a screen would show it without the
// sharp rendering.
QImage Doubled(const QImage& image) {
  QImage doubled = image.scaled(image.size() * 2).convertToFormat(QImage::Format_RGB32);
  doubled.setDevicePixelRatio(2);
  return doubled;
}

}  // namespace

TEST(PictureBox, FollowsTheWidgetSizeWhenCleared) {
  PictureBox box;
  box.resize(120, 80);  // not shown: no resize event yet
  box.Picture().SetBackground(MakeColour(1, 2, 3));
  EXPECT_EQ(box.Image().size(), QSize(120, 80));
  EXPECT_EQ(box.Picture().InnerWidth(), 120);
  EXPECT_EQ(box.Picture().InnerHeight(), 80);
  EXPECT_EQ(PixelAt(box, 119, 79), MakeColour(1, 2, 3));
}

// The window's plot and a plot rendered without widgets, in the program's
// font, are the same pixels; the widget shows exactly its image.
struct SameAsImageCase {
  const char* name;
  QSize size;
  int pointCount;
  PlotControls controls;
};
void PrintTo(const SameAsImageCase& c, std::ostream* os) { *os << c.name; }

const SameAsImageCase kSameAsImage[] = {
    {"EmptyAtTheDefaultSize", QSize(373, 341), 0, {false, 3, 5, 10}},
    {"SmoothedAtTheDefaultSize", QSize(373, 341), 1024, {true, 3, 5, 10}},
    {"RawAfterAResize", QSize(800, 600), 1024, {false, 3, 2, 3}},
};

class PictureBoxSameAsImage : public testing::TestWithParam<SameAsImageCase> {};

TEST_P(PictureBoxSameAsImage, ForTheSameDrawPlot) {
  const SameAsImageCase& c = GetParam();
  const PlotColours colours = TypedOptions().Plot().colours;
  const Curve points = DiodeCurve(c.pointCount);

  PictureBox box;
  box.resize(373, 341);
  DrawPlot(box.Picture(), {colours, PlotControls{}}, points, ".");
  box.resize(c.size);
  DrawPlot(box.Picture(), {colours, c.controls}, points, ",");

  ImageSurface surface(c.size);
  surface.SetFont(ProgramFont());
  DrawPlot(surface, {colours, c.controls}, points, ",");

  EXPECT_EQ(box.Image(), surface.Image());
  EXPECT_EQ(box.grab().toImage().convertToFormat(QImage::Format_RGB32), box.Image());
}

INSTANTIATE_TEST_SUITE_P(Cases, PictureBoxSameAsImage, testing::ValuesIn(kSameAsImage),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PictureBox, TextsFollowTheWidgetFont) {
  PictureBox box;
  box.resize(120, 60);
  const Colour white = MakeColour(255, 255, 255);
  const auto inkOf = [&] {
    box.Picture().SetBackground(0);
    box.Picture().SetTextColour(white);
    box.Picture().Text(4, 4, "-10.0");
    return CountColour(box, white, QRect(0, 0, 120, 60));
  };
  const int programFont = inkOf();
  QFont large = box.font();
  large.setPointSizeF(20);
  box.setFont(large);
  EXPECT_GT(inkOf(), 2 * programFont);
}

TEST(PictureBox, WhatAShrinkCutOffStaysGone) {
  PictureBox box;
  box.resize(100, 80);
  box.show();
  KeptPicture& picture = box.Picture();
  picture.SetBackground(kBack);
  picture.SetPenWidth(3);
  picture.Line(2, 10, 97, 10, kBlue);  // partly kept
  picture.SetPenWidth(1);
  picture.Line(2, 70, 97, 70, kRed);   // cut off
  picture.Line(90, 2, 90, 77, kRed);
  (void)picture.SharpImage(2);
  box.resize(60, 50);
  QApplication::processEvents();
  box.resize(100, 80);
  QApplication::processEvents();
  picture.Line(5, 75, 95, 75, kRed);
  ASSERT_EQ(box.Image().size(), QSize(100, 80));
  // Whole-pixel lines only: the sharp picture is the image doubled.
  EXPECT_EQ(picture.SharpImage(2), Doubled(box.Image()));
  EXPECT_EQ(PixelOf(box.Image(), 90, 70), kBack);
  EXPECT_EQ(PixelOf(box.Image(), 59, 10), kBlue);
}

// A shown box repaints when its picture changes, and only then.
namespace {

class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    paints += event->type() == QEvent::Paint;
    return false;
  }
};

struct RepaintCase {
  const char* name;
  std::function<void(KeptPicture&)> draw;
  bool repainted;
};
void PrintTo(const RepaintCase& c, std::ostream* os) { *os << c.name; }

const RepaintCase kRepaintCases[] = {
    {"ALine", [](KeptPicture& p) { p.Line(2, 2, 30, 20, kRed); }, true},
    {"ANewPicture", [](KeptPicture& p) { p.SetBackground(kBlue); }, true},
    {"APlot", [](KeptPicture& p) { DrawPlot(p, {TypedOptions().Plot().colours, PlotControls{}}, DiodeCurve(64), "."); },
     true},
    {"SettingsAlone",
     [](KeptPicture& p) {
       p.SetTextColour(kRed);
       p.SetPenWidth(2);
     },
     false},
};

class PictureBoxRepaint : public testing::TestWithParam<RepaintCase> {};

TEST_P(PictureBoxRepaint, WhenThePictureChanges) {
  PictureBox box;
  box.resize(80, 60);
  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  QApplication::processEvents();
  PaintCounter counter;
  box.installEventFilter(&counter);
  GetParam().draw(box.Picture());
  QApplication::processEvents();
  EXPECT_EQ(counter.paints > 0, GetParam().repainted);
}

INSTANTIATE_TEST_SUITE_P(Changes, PictureBoxRepaint, testing::ValuesIn(kRepaintCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

}  // namespace kvt
