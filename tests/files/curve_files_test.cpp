// Curves to and from the two file forms, with what they carry beside the points.
#include "files/curve_files.h"

#include <gtest/gtest.h>

namespace kvt {
namespace {

TEST(CurveFromFiles, KeepsFlagsFromTheFileAndAddsItsOwn) {
  CsvContent csv;
  csv.points = {{0.5, 1e-3, true}, {5.11, 2e-3, false}, {1.0, 3e-3, false}};
  csv.rangeOhms = 1000.0;
  csv.dateTime = "2026-01-02 03:04:05";
  csv.sourceFile = "bench.kvt";
  const Curve curve = CurveFromCsv(csv);
  EXPECT_EQ(curve.RangeOhms(), 1000.0);
  EXPECT_EQ(curve.info, (CurveInfo{3, "2026-01-02 03:04:05", "bench.kvt"}));
  ASSERT_EQ(curve.points.size(), 3u);  // in order of voltage
  EXPECT_TRUE(curve.points[0].clipped);
  EXPECT_FALSE(curve.points[1].clipped);
  EXPECT_TRUE(curve.points[2].clipped);
  EXPECT_EQ(CsvPointsOf(curve)[2], (CsvPoint{5.11, 2e-3, true}));

  PointsFileContent kvt;
  kvt.samples = {{0, -5.12, -1e-3}, {32, 0.25, 1e-4}};
  const Curve fromPoints = CurveFromPointsFile(kvt);
  ASSERT_EQ(fromPoints.points.size(), 2u);
  EXPECT_TRUE(fromPoints.points[0].clipped);
  EXPECT_EQ(fromPoints.points[1].volts, 0.25);
  EXPECT_EQ(fromPoints.RangeOhms(), std::nullopt);  // a points file does not hold it
}

// A curve of each of the six counts goes to the file and comes back in the
// same order, each point on its slot 0, s, 2s ...
TEST(PointsFileCurve, EachCountRoundTripsInOrder) {
  for (int count : {32, 64, 128, 256, 512, 1024}) {
    std::vector<std::pair<double, double>> pairs;
    for (int k = 0; k < count; ++k) pairs.emplace_back(k / 100.0 - 5.0, k * 1e-6);
    const Curve curve = CurveFromPairs(pairs, 100.0);
    const auto text = PointsFileText(curve);
    ASSERT_TRUE(text) << count;
    const PointsFileContent read = ReadPointsText(*text);
    EXPECT_EQ(read.samples.back().slot, (count - 1) * (1024 / count)) << count;
    const Curve back = CurveFromPointsFile(read);
    EXPECT_EQ(back.info.pointCount, count);
    ASSERT_EQ(back.points.size(), curve.points.size());
    for (std::size_t k = 0; k < back.points.size(); ++k)
      EXPECT_NEAR(back.points[k].volts, curve.points[k].volts, 0.005) << count << " " << k;
  }
}

TEST(CurveFileText, CsvCarriesTheCurvesRangeDateAndSource) {
  Curve curve = CurveFromPairs({{0.1, 1e-4}, {0.7, 2e-3}}, 1000.0);
  curve.info = {2, "2026-12-01 10:00:00", "simulated instrument"};
  CsvMetadata meta{"kvt", "1.2", "2026-12-07 18:00:00", std::nullopt, ""};

  const CurveText out = CurveFileText(curve, CurveFormat::Csv, meta);
  ASSERT_EQ(out.error, "");
  const CsvContent back = ReadCsvText(out.text);
  ASSERT_TRUE(back.ok()) << back.error;
  EXPECT_EQ(back.rangeOhms, 1000.0);
  EXPECT_EQ(back.dateTime, "2026-12-01 10:00:00");  // when measured, not when written
  EXPECT_EQ(back.sourceFile, "simulated instrument");

  // What the writer names wins over what the curve knows, and a curve of
  // mixed ranges writes no single range.
  meta.sourceFile = "diode.kvt";
  curve.points[0].rangeOhms = 100.0;
  curve.info.dateTime.clear();
  const CsvContent named = ReadCsvText(CurveFileText(curve, CurveFormat::Csv, meta).text);
  EXPECT_EQ(named.sourceFile, "diode.kvt");
  EXPECT_EQ(named.dateTime, "2026-12-07 18:00:00");
  EXPECT_EQ(named.rangeOhms, std::nullopt);
}

// A curve of one range is written as it always was, whatever range and
// however its points came: stored files and scripts read it so.
TEST(CurveFileText, OneRangeIsWrittenWithoutAColumn) {
  Curve curve = CurveFromPairs({{-5.12, -1.5e-05}, {0.61, 0.00102}}, 1000.0);
  curve.info = {2, "2024-05-01 12:00:00", "diode.kvt"};
  EXPECT_EQ(CurveFileText(curve, CurveFormat::Csv, {"kvt_win", "1.0", "", std::nullopt, ""}).text,
            "# program: kvt_win 1.0\n"
            "# date: 2024-05-01 12:00:00\n"
            "# points: 2\n"
            "# range_ohms: 1000\n"
            "# source: diode.kvt\n"
            "voltage_V,current_A,clipped\n"
            "-5.12,-1.5e-05,1\n"
            "0.61,0.00102,0\n");
  curve.SetRangeOhms(std::nullopt);
  EXPECT_EQ(CurveFileText(curve, CurveFormat::Csv, {"kvt_win", "1.0", "", std::nullopt, ""}).text,
            "# program: kvt_win 1.0\n"
            "# date: 2024-05-01 12:00:00\n"
            "# points: 2\n"
            "# source: diode.kvt\n"
            "voltage_V,current_A,clipped\n"
            "-5.12,-1.5e-05,1\n"
            "0.61,0.00102,0\n");
}

// Points from several ranges come back from the CSV each on its own range,
// in order of voltage, and a points file refuses them rather than drop them.
TEST(CurveFileText, MixedRangesRoundTripThroughCsvOnly) {
  const std::optional<double> none;
  const struct {
    const char* name;
    std::vector<CurvePoint> points;
    const char* pointsFileError;
  } cases[] = {
      {"ThreeRanges",
       {{-1.0, -2e-9, false, 10000.0}, {0.55, 4e-4, false, 10000.0}, {0.66, 3.1e-3, false, 1000.0},
        {0.74, 0.0412, false, 100.0}},
       "a points file holds one range, and this curve's points come from 10 k\u03a9, 1 k\u03a9 and 100 \u03a9: "
       "write it as .csv to keep them"},
      {"TwoRanges",
       {{-3.3, -0.018, false, 100.0}, {-3.1, -1e-4, false, 10000.0}, {0.6, 2e-4, false, 10000.0}},
       "a points file holds one range, and this curve's points come from 10 k\u03a9 and 100 \u03a9: "
       "write it as .csv to keep them"},
      {"OneRangeUnknown",
       {{-1.0, -1e-6, false, none}, {0.5, 1e-5, false, 1000.0}},
       "a points file holds one range, and this curve's points come from 1 k\u03a9: write it as .csv to keep them"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Curve curve;
    curve.points = c.points;
    curve.info.pointCount = static_cast<int>(c.points.size());
    EXPECT_TRUE(HasMixedRanges(curve));
    const CurveText csv = CurveFileText(curve, CurveFormat::Csv, {"kvt", "1.2", "", std::nullopt, ""});
    ASSERT_EQ(csv.error, "");
    EXPECT_NE(csv.text.find("voltage_V,current_A,clipped,range_ohms\n"), std::string::npos);
    EXPECT_EQ(csv.text.find("# range_ohms"), std::string::npos);
    const CsvContent read = ReadCsvText(csv.text);
    ASSERT_TRUE(read.ok()) << read.error;
    EXPECT_EQ(CurveFromCsv(read).points, curve.points);

    const CurveText kvt = CurveFileText(curve, CurveFormat::PointsFile, {});
    EXPECT_EQ(kvt.text, "");
    EXPECT_EQ(kvt.error, c.pointsFileError);
  }
}

// A file's range line fills the rows that do not say their own.
TEST(CurveFromFiles, RowsWithoutARangeTakeTheFilesRange) {
  const CsvContent read = ReadCsvText(
      "# range_ohms: 1000\nvoltage_V,current_A,clipped,range_ohms\n0.5,1e-5,0,\n0.7,0.03,0,100\n");
  ASSERT_TRUE(read.ok()) << read.error;
  const Curve curve = CurveFromCsv(read);
  ASSERT_EQ(curve.points.size(), 2u);
  EXPECT_EQ(curve.points[0].rangeOhms, 1000.0);
  EXPECT_EQ(curve.points[1].rangeOhms, 100.0);
}

TEST(CurveFileText, PointsFileNeedsOneOfItsCounts) {
  const Curve odd = CurveFromPairs(std::vector<std::pair<double, double>>(100, {0.0, 0.0}));
  const CurveText out = CurveFileText(odd, CurveFormat::PointsFile, {});
  EXPECT_TRUE(out.text.empty());
  EXPECT_EQ(out.error, "a points file holds 32, 64, 128, 256, 512 or 1024 points; this curve has 100");
}

}  // namespace
}  // namespace kvt
