// The parts' histogram picture and the figures written beside it: marks on
// round steps, plain numbers for a parameter without a unit, and bars whose
// heights follow the counts.
#include <QGuiApplication>
#include <gtest/gtest.h>

#include <vector>

#include "plot/plot_font.h"
#include "report/parts_histogram.h"

namespace kvt {

namespace {

TEST(PartsPictures, AxisMarksFallOnRoundSteps) {
  const struct {
    const char* name;
    double low, high;
    int wanted;
    double finest;
    std::vector<double> marks;
  } rows[] = {
      {"volts", 0.58, 0.60, 4, 0, {0.58, 0.585, 0.59, 0.595, 0.60}},
      {"counts of a few parts: whole steps", 0, 2, 5, 1, {0, 1, 2}},
      {"counts", 0, 870, 5, 1, {0, 200, 400, 600, 800}},
      {"across zero", -20e-6, 20e-6, 4, 0, {-20e-6, -10e-6, 0, 10e-6, 20e-6}},
      {"nothing to span", 3, 3, 5, 0, {3}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::vector<double> marks = AxisMarks(row.low, row.high, row.wanted, row.finest);
    ASSERT_EQ(marks.size(), row.marks.size());
    for (std::size_t i = 0; i < marks.size(); ++i) EXPECT_NEAR(marks[i], row.marks[i], 1e-12) << i;
  }
}

TEST(PartsPictures, FiguresReadAsPeopleWriteThem) {
  const struct {
    double value;
    const char* unit;
    const char* text;
  } rows[] = {{0.652, "V", "652 mV"}, {1.77, "", "1.77"}, {0.14, "", "0.14"}, {-2.37e-20, "A", "0 A"},
              {47.6, "ohm", "47.6 ohm"}};
  for (const auto& row : rows) EXPECT_EQ(FigureText(row.value, row.unit), row.text) << row.value;
}

// The bar's colour in the middle of each bin, counted up from the axis.
int BarHeight(const QImage& image, double atShare) {
  const int x = 80 + static_cast<int>(atShare * (image.width() - 80 - 40));
  int height = 0;
  for (int y = image.height() - 1; y >= 0; --y)
    if (image.pixelColor(x, y) == QColor(0x6f, 0x9f, 0xd8)) ++height;
  return height;
}

TEST(PartsPictures, BarsFollowTheCounts) {
  int argc = 1;
  char name[] = "test";
  char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "minimal:enable_fonts");
  QGuiApplication application(argc, argv);
  Histogram histogram{{0.0, 1.0, 2.0, 3.0, 4.0}, {10, 40, 0, 20}};
  const QImage image = HistogramPicture(histogram, "vf, 70 parts", "V", {ProgramFont(), {560, 320}});
  ASSERT_EQ(image.size(), QSize(560, 320));
  const int first = BarHeight(image, 0.1), second = BarHeight(image, 0.35), third = BarHeight(image, 0.6),
            fourth = BarHeight(image, 0.85);
  EXPECT_EQ(third, 0);
  EXPECT_GT(first, 10);
  EXPECT_NEAR(second, 4 * first, 4);
  EXPECT_NEAR(fourth, 2 * first, 4);
}

}  // namespace

}  // namespace kvt
