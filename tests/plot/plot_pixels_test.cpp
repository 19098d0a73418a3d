// The plot drawn on an image surface, pixel for pixel.
//
// Each reference is the SHA-256 of the pixels (R, G, B bytes, rows top to
// bottom) of the plot. They were first taken from the picture box when it
// still painted every primitive with a painter of its own (commit 2dc00fb),
// and taken again when one-pixel lines began to cover both end points.
// All in the program's font
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
     "d7bcaa3f7774a76af3036bfd813333effdc239054f3cbe6122a08dc7e1bb174d"},
    {"Raw373x341", 373, 341, 1024, {false, 3, 5, 10}, ".",
     "304dddc43de341b505e7746e0131228078beef68f9c14e3d9790582b6aaaff49"},
    {"Smoothed373x341", 373, 341, 1024, {true, 3, 5, 10}, ".",
     "207d0258eb41aea1250d261cefeb605d9005fb96cb8d8017d16adc8633538d97"},
    {"Empty800x600", 800, 600, 0, {false, 3, 5, 10}, ".",
     "b7cb4d6f1fef3929ae069c37eef8f7164ce8e2227547731b896ecf4fd6f6b329"},
    {"Raw800x600", 800, 600, 1024, {false, 3, 5, 10}, ".",
     "f7a57fcdf98d5b33492c7719139ca78489b5e76725eda34c2fbb78b059d998cd"},
    {"Smoothed800x600", 800, 600, 1024, {true, 3, 5, 10}, ".",
     "32664ac0fe7e77b88ed6f7a703dce7e64eec2eb09dab3b9456e66135e98baef2"},
    {"Empty1920x1080", 1920, 1080, 0, {false, 3, 5, 10}, ".",
     "241ea96e2b1856a45f6c7fa87f2d0e7418cc51759ee9f0ee69d72d8ad62cd8b5"},
    {"Raw1920x1080", 1920, 1080, 1024, {false, 3, 5, 10}, ".",
     "5270201fbf56e726c24bb17946126d911c68e6fd5435ac56be81125bb4079ed7"},
    {"Smoothed1920x1080", 1920, 1080, 1024, {true, 3, 5, 10}, ".",
     "28bab0607130706f46797a5e77b3cdc20c3e353b06eed09513948eb92e34b506"},
    // Max V 3, Max I 1: the curve leaves the plot and restarts; comma texts.
    {"ClippedComma373x341", 373, 341, 1024, {true, 7, 3, 1}, ",",
     "2ecf1a9ca358b1b2292cfd34bb3f3cc906362499fb3b16e44997ce7fa4b00892"},
    {"Points256At800x600", 800, 600, 256, {false, 3, 4, 7}, ".",
     "27f64fc8d37a85de3ad80a43cdc9855471665f961baac4583eee29d97c71eb21"},
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
  DrawPlot(surface, {TypedOptions().Plot().colours, c.controls}, DiodeCurve(c.pointCount), c.decimalSeparator);

  ASSERT_EQ(surface.Image().size(), QSize(c.width, c.height));
  const std::string hash = PixelHash(surface.Image()).toStdString();
  EXPECT_EQ(hash, c.sha256);
  const QString dir = qEnvironmentVariable("KVT_PLOT_SAMPLE_DIR");
  if (hash != c.sha256 && !dir.isEmpty()) surface.Image().save(QDir(dir).filePath(QString(c.name) + ".png"));
}

INSTANTIATE_TEST_SUITE_P(Cases, PlotPixels, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

}  // namespace kvt
