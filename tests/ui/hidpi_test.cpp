// The window's pictures on a screen with two device pixels per pixel: shown
// sharp, while the image that Copy and the file export take stays the same.
#include <QApplication>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "core/settings.h"
#include "plot/plot_export.h"
#include "plot/plot_font.h"
#include "tests/support/diode_curve.h"
#include "ui/picture_box.h"
#include "ui/plot_overlay.h"
#include "ui/program_font.h"

namespace kvt {

namespace {

struct Shown {
  PictureBox box;
  PlotPicture picture;
  explicit Shown(int points) {
    picture.plot = {TypedOptions().Plot().colours, PlotControls{true, 3, 5, 10}};
    picture.curve = DiodeCurve(points);
    picture.font = ProgramFont();
    box.resize(picture.size);
    box.show();
    DrawPlot(box.Picture(), picture.plot, picture.curve, ".");
  }
};

}  // namespace

TEST(HiDpi, TheScreenHasTwoDevicePixelsPerPixel) {
  Shown shown(0);
  EXPECT_EQ(shown.box.devicePixelRatioF(), 2);
}

TEST(HiDpi, TheImageStaysThePlotAtItsOwnSize) {
  Shown shown(1024);
  EXPECT_EQ(shown.box.Image().size(), QSize(373, 341));
  EXPECT_EQ(shown.box.Image(), PlotImage(shown.picture));
}

TEST(HiDpi, TheBoxShowsItsSharpPicture) {
  Shown shown(1024);
  const QImage shownPixels = shown.box.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shownPixels.size(), QSize(746, 682));
  const QImage sharp = shown.box.Picture().SharpImage(2);
  EXPECT_EQ(shownPixels, sharp);
  QImage doubled = shown.box.Image().scaled(QSize(746, 682));
  doubled.setDevicePixelRatio(2);
  EXPECT_NE(shownPixels, doubled);
}

// The mismatch band over the whole plot tints the sharp picture's background
// only: every curve pixel keeps the line colour at two device pixels too.
TEST(HiDpi, TheBandLeavesTheSharpCurveItsColour) {
  Shown shown(1024);
  auto* overlay = new PlotOverlay(shown.box, [&shown] { return shown.picture.plot.controls; });
  overlay->SetMatch(MatchBox{{"FAIL"}, false, {{-5.0, 5.0}}, 0});
  overlay->show();
  const QImage sharp = shown.box.Picture().SharpImage(2);
  const QImage seen = shown.box.grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(seen.size(), sharp.size());
  const QColor line = QColor(0, 255, 0);
  const QRect boxes[] = {overlay->MatchRect(), overlay->BandLegendRect()};
  int curve = 0, changed = 0, tinted = 0;
  for (int y = 0; y < sharp.height(); ++y)
    for (int x = 0; x < sharp.width(); ++x) {
      const QPoint logical(x / 2, y / 2);
      if (std::any_of(std::begin(boxes), std::end(boxes), [&](const QRect& r) { return r.contains(logical); }))
        continue;
      if (sharp.pixelColor(x, y) != line) {
        tinted += sharp.pixelColor(x, y) != seen.pixelColor(x, y);
        continue;
      }
      ++curve;
      changed += seen.pixelColor(x, y) != line;
    }
  EXPECT_GT(curve, 500);
  EXPECT_GT(tinted, 100000);
  EXPECT_EQ(changed, 0);
}

}  // namespace kvt

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Before the application exists, or the screen keeps its one pixel.
  qputenv("QT_SCALE_FACTOR", "2");
  QApplication app(argc, argv);
  kvt::ApplyProgramFont(app);
  return RUN_ALL_TESTS();
}
