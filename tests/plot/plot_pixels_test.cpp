// The plot drawn on an image surface, pixel for pixel.
//
// Each reference is the SHA-256 of the pixels (R, G, B bytes, rows top to
// bottom) of the plot that the picture box drew when it still painted every
// primitive with a painter of its own (commit 2dc00fb), in the program's font
// (the platform default at 8 points, which resolves to DejaVu Sans from
// fonts-dejavu-core, as tools/install_deps.sh installs) and the default
// colours. A mismatch means the plot looks different; set KVT_PLOT_SAMPLE_DIR
// to a folder to get the images of failing cases as PNG files.
#include <QCryptographicHash>
#include <QDir>
#include <QFontInfo>
#include <gtest/gtest.h>

#include "core/settings.h"
#include "plot/image_surface.h"
#include "plot/plot_font.h"
#include "plot/plot_renderer.h"
#include "tests/support/diode_curve.h"

namespace kvt {

namespace {

struct PixelCase {
  const char* name;
  int width, height;
  int pointCount;  // of the diode curve; 0 for the empty plot
  PlotControls controls;
  const char* decimalSeparator;
  const char* sha256;
};

void PrintTo(const PixelCase& c, std::ostream* os) { *os << c.name; }

// 373 x 341 is the plot box at the default window size.
const PixelCase kCases[] = {
    {"Empty373x341", 373, 341, 0, {false, 3, 5, 10}, ".",
     "d0af35f5704d6ed24db8340e296ef921975daf44a04b589e3423b4113450255b"},
    {"Raw373x341", 373, 341, 1024, {false, 3, 5, 10}, ".",
     "8222399b2f9b432e98a64985c78661a6ae7cc1074dfc909b61ed3d567f7e429b"},
    {"Smoothed373x341", 373, 341, 1024, {true, 3, 5, 10}, ".",
     "8f0d909fa181d90233eb5251b8d35513f4bd81c9ef23499d931fca6c0121558a"},
    {"Empty800x600", 800, 600, 0, {false, 3, 5, 10}, ".",
     "346bee707be3b4e134b42e91d0f36fdbffab9396e3094d9cdd22f4ee800ad5dd"},
    {"Raw800x600", 800, 600, 1024, {false, 3, 5, 10}, ".",
     "9fa97dab77c96bb6f439317e79808eb158ea49c97c41b12a594920991399bdb1"},
    {"Smoothed800x600", 800, 600, 1024, {true, 3, 5, 10}, ".",
     "f39c11f71df65a77e811e312cee1cd603ce6a0ecc37f5bc3fefb188ef9827f24"},
    {"Empty1920x1080", 1920, 1080, 0, {false, 3, 5, 10}, ".",
     "dcf4fe031249fb3a0baedc357732e2715551e30f6c7aa408789daea8baf0f628"},
    {"Raw1920x1080", 1920, 1080, 1024, {false, 3, 5, 10}, ".",
     "be979c7e0a28851310aac41f1fe8594834cda5b735ab6a3290a0bb26d31980b3"},
    {"Smoothed1920x1080", 1920, 1080, 1024, {true, 3, 5, 10}, ".",
     "2e181610ea57906331cc6eddb91b9edb69845a4c83c546976085aabd415200cf"},
    // Max V 3, Max I 1: the curve leaves the plot and restarts; comma texts.
    {"ClippedComma373x341", 373, 341, 1024, {true, 7, 3, 1}, ",",
     "5dc96669b4f67b3cff41f1343301656847bd9f5ac88d01d8723d68b7a4073a91"},
    {"Points256At800x600", 800, 600, 256, {false, 3, 4, 7}, ".",
     "8be7cf80ee37d6b7cb833d1239109016555efe3e6d6a600ca601ec6043dbe320"},
};

QByteArray PixelHash(const QImage& image) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  QByteArray row;
  for (int y = 0; y < image.height(); ++y) {
    row.resize(image.width() * 3);
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      row[3 * x] = static_cast<char>(qRed(p));
      row[3 * x + 1] = static_cast<char>(qGreen(p));
      row[3 * x + 2] = static_cast<char>(qBlue(p));
    }
    hash.addData(row);
  }
  return hash.result().toHex();
}

class PlotPixels : public testing::TestWithParam<PixelCase> {};

TEST_P(PlotPixels, MatchTheReference) {
  const PixelCase& c = GetParam();
  const QFont font = ProgramFont();
  ASSERT_EQ(QFontInfo(font).family(), QString("DejaVu Sans")) << "the references need fonts-dejavu-core";

  ImageSurface surface(QSize(c.width, c.height));
  surface.SetFont(font);
  Settings settings;
  SetDefaultSettings(settings, AllGroups);
  DrawPlot(surface, settings, DiodeCurve(c.pointCount), c.controls, c.decimalSeparator);

  ASSERT_EQ(surface.Image().size(), QSize(c.width, c.height));
  const QByteArray hash = PixelHash(surface.Image());
  EXPECT_EQ(hash, QByteArray(c.sha256));
  const QString dir = qEnvironmentVariable("KVT_PLOT_SAMPLE_DIR");
  if (hash != c.sha256 && !dir.isEmpty()) surface.Image().save(QDir(dir).filePath(QString(c.name) + ".png"));
}

INSTANTIATE_TEST_SUITE_P(Cases, PlotPixels, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

}  // namespace kvt
