// The window's pictures on a screen with two device pixels per pixel: shown
// sharp, while the image that Copy and the file export take stays the same.
#include <QApplication>
#include <gtest/gtest.h>

#include "core/settings.h"
#include "plot/plot_export.h"
#include "plot/plot_font.h"
#include "tests/support/diode_curve.h"
#include "ui/picture_box.h"
#include "ui/program_font.h"

namespace kvt {

namespace {

struct Shown {
  PictureBox box;
  PlotPicture picture;
  explicit Shown(int points) {
    SetDefaultSettings(picture.settings, AllGroups);
    picture.points = DiodeCurve(points);
    picture.controls = PlotControls{true, 3, 5, 10};
    picture.font = ProgramFont();
    box.resize(picture.size);
    box.show();
    DrawPlot(box, picture.settings, picture.points, picture.controls, ".");
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
  const QImage sharp = shown.box.SharpImage(2);
  EXPECT_EQ(shownPixels, sharp);
  QImage doubled = shown.box.Image().scaled(QSize(746, 682));
  doubled.setDevicePixelRatio(2);
  EXPECT_NE(shownPixels, doubled);
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
