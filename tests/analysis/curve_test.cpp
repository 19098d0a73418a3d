// Curves from point sets and from files, and where their readings clip.
#include "analysis/curve.h"

#include <gtest/gtest.h>

#include "analysis/curve_files.h"

namespace kvt {
namespace {

TEST(Clipping, FlagsOneStepAtEitherEndOfTheConverter) {
  struct Case {
    double volts;
    bool clipped;
  };
  const Case cases[] = {{-5.12, true}, {-5.11, true},  {-5.10, false}, {0.0, false},
                        {5.09, false}, {5.10, true},   {5.11, true},   {7.0, true},
                        {-9.0, true},  {-5.1049, false}};
  for (const Case& c : cases) EXPECT_EQ(IsClippedVolts(c.volts), c.clipped) << c.volts;
}

TEST(Clipping, AnOpenCircuitSweepIsFlaggedAtBothEndsOnly) {
  PointSet set;
  set.PointCount = 1024;
  for (int i = 0; i < 1024; ++i) set.PointVolts[i] = (i - 512) / 100.0;
  const Curve curve = CurveFromPointSet(set, 1000.0);
  ASSERT_EQ(curve.points.size(), 1024u);
  int flagged = 0;
  for (const CurvePoint& p : curve.points) flagged += p.clipped;
  EXPECT_EQ(flagged, 4);
  EXPECT_TRUE(curve.points.front().clipped && curve.points[1].clipped);
  EXPECT_TRUE(curve.points.back().clipped && curve.points[1022].clipped);
  EXPECT_FALSE(curve.points[2].clipped || curve.points[1021].clipped);
}

TEST(CurveFromPointSet, TakesTheSlotsOfEachCountInOrder) {
  PointSet set;
  for (int i = 0; i < PointSlots; ++i) {
    set.PointVolts[i] = i / 1000.0;
    set.PointAmps[i] = i;
  }
  for (int count : {0, 32, 64, 128, 256, 512, 1024}) {
    set.PointCount = static_cast<std::int16_t>(count);
    const Curve curve = CurveFromPointSet(set, 100.0);
    ASSERT_EQ(curve.points.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(curve.rangeOhms, 100.0);
    for (int k = 0; k < count; ++k) EXPECT_EQ(curve.points[k].amps, k * (1024 / count));
  }
}

TEST(CurveFromFiles, KeepsFlagsFromTheFileAndAddsItsOwn) {
  CsvContent csv;
  csv.points = {{0.5, 1e-3, true}, {5.11, 2e-3, false}, {1.0, 3e-3, false}};
  csv.rangeOhms = 1000.0;
  const Curve curve = CurveFromCsv(csv);
  EXPECT_EQ(curve.rangeOhms, 1000.0);
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
}

}  // namespace
}  // namespace kvt
