// PNG files of images, read back by Qt's own PNG reader pixel for pixel.
#include <QImage>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/settings.h"
#include "plot/indexed_png.h"
#include "plot/plot_export.h"
#include "plot/plot_font.h"
#include "tests/support/diode_curve.h"

namespace kvt {

namespace {

QImage Filled(int width, int height, QRgb colour, QImage::Format format = QImage::Format_RGB32) {
  QImage image(width, height, format);
  image.fill(colour);
  return image;
}

// Pixels of `colours` different colours at random, so hardly two neighbours
// are alike.
QImage Noise(int width, int height, int colours) {
  QImage image(width, height, QImage::Format_RGB32);
  QRandomGenerator random(7);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int n = random.bounded(colours);
      image.setPixel(x, y, qRgb(n % 256, 17 + n / 256, 99));
    }
  return image;
}

// Runs of every length up to a few times 258 running on over the rows' ends.
QImage Runs() {
  QImage image(301, 97, QImage::Format_RGB32);
  int length = 1, left = 1;
  QRgb colour = qRgb(0, 96, 0);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      if (--left == 0) {
        left = ++length % 700 + 1;
        colour = colour == qRgb(0, 96, 0) ? qRgb(0, 255, 0) : qRgb(0, 96, 0);
      }
      image.setPixel(x, y, colour);
    }
  return image;
}

QImage Plot() {
  PlotPicture picture;
  picture.plot.colours = TypedOptions().Plot().colours;
  picture.curve = DiodeCurve(1024);
  picture.size = QSize(1920, 1080);
  picture.font = ProgramFont();
  return PlotImage(picture);
}

struct PngCase {
  const char* name;
  std::function<QImage()> image;
};

void PrintTo(const PngCase& c, std::ostream* os) { *os << c.name; }

class IndexedPngFile : public testing::TestWithParam<PngCase> {};

TEST_P(IndexedPngFile, ReadsBackAsTheSamePixels) {
  const QImage image = GetParam().image();
  const auto png = IndexedPng(image);
  ASSERT_TRUE(png);
  QImage read;
  ASSERT_TRUE(read.loadFromData(*png, "PNG"));
  EXPECT_EQ(read.format(), QImage::Format_Indexed8);
  EXPECT_EQ(read.size(), image.size());
  // Opaque whatever the image's alpha.
  QImage opaque(image.size(), QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) opaque.setPixel(x, y, image.pixel(x, y) | 0xFF000000u);
  EXPECT_TRUE(read.convertToFormat(QImage::Format_RGB32) == opaque);
  EXPECT_EQ(read.dotsPerMeterX(), image.dotsPerMeterX());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IndexedPngFile,
    testing::Values(PngCase{"OnePixel", [] { return Filled(1, 1, qRgb(1, 2, 3)); }},
                    PngCase{"OneColour", [] { return Filled(373, 341, qRgb(0, 96, 0)); }},
                    PngCase{"OneColumn", [] { return Noise(1, 500, 3); }},
                    PngCase{"AllRuns", Runs},
                    PngCase{"Noise256Colours", [] { return Noise(640, 480, 256); }},
                    PngCase{"TranslucentIsOpaque", [] { return Filled(50, 20, qRgba(10, 20, 30, 40), QImage::Format_ARGB32); }},
                    PngCase{"OtherFormat", [] { return Noise(33, 21, 5).convertToFormat(QImage::Format_RGB888); }},
                    PngCase{"PlotFullHd", Plot}),
    [](const testing::TestParamInfo<PngCase>& info) { return std::string(info.param.name); });

TEST(IndexedPng, NothingForMoreThan256ColoursOrNoImage) {
  EXPECT_FALSE(IndexedPng(Noise(640, 480, 257)));
  EXPECT_FALSE(IndexedPng(QImage()));
}

}  // namespace

}  // namespace kvt
