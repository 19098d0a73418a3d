#include "files/points_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace kvt {

namespace {

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

std::string Header(const std::string& count) { return "KVT\r\n" + count + "\r\n 0 \r\n"; }

}  // namespace

Curve Zeros(int count) { return CurveFromPairs(std::vector<std::pair<double, double>>(count, {0.0, 0.0})); }

TEST(PointsFileText, IsExactlyTheExpectedBytes) {
  Curve set = Zeros(32);
  set.points[0] = {5.11, 0.001234};
  set.points[1] = {-5.12, -0.01};
  set.points[2] = {-0.0, -0.0};  // negative zero is written as zero
  set.points[3] = {0.126, 0.00012345678};
  set.points[4] = {12345.678, 2.5e-12};  // wider than the gap: one blank only
  const std::string expected =
      "KVT\r\n"
      " 32 \r\n"
      " 0 \r\n"
      " 5.11    1.2340E-003\r\n"
      "-5.12   -1.0000E-002\r\n"
      " 0.00    0.0000E+000\r\n"
      " 0.13    1.2346E-004\r\n"
      " 12345.68  2.5000E-012\r\n" +
      Repeat(" 0.00    0.0000E+000\r\n", 27);
  EXPECT_EQ(PointsFileText(set), expected);

  EXPECT_EQ(PointsFileText(Zeros(1024))->substr(0, 13), "KVT\r\n 1024 \r\n");
}

TEST(PointsFileText, RefusesValuesThatCannotBeReadBack) {
  Curve set = Zeros(64);
  set.points[63].amps = INFINITY;
  EXPECT_FALSE(PointsFileText(set));
  set.points[63].amps = 0;
  set.points[1].volts = NAN;
  EXPECT_FALSE(PointsFileText(set));
  set.points[1].volts = 0;
  EXPECT_TRUE(PointsFileText(set));
}

// The file names its count in its second line and readers take the slots
// from it: only the sweep's six sizes can be written.
TEST(PointsFileText, RefusesCountsThatAreNoSweepSize) {
  for (int count : {0, 1, 31, 33, 100, 1000, 1025, 2048}) EXPECT_FALSE(PointsFileText(Zeros(count))) << count;
  for (int count : {32, 64, 128, 256, 512, 1024}) EXPECT_TRUE(PointsFileText(Zeros(count))) << count;
}

TEST(CommaToPoint, ReplacesEveryCommaAndNothingElse) {
  EXPECT_EQ(CommaToPoint(""), "");
  EXPECT_EQ(CommaToPoint("-1,2340E-003"), "-1.2340E-003");
  EXPECT_EQ(CommaToPoint(",a,,b;"), ".a..b;");
}

TEST(PointsFileRoundTrip, EveryLegalSizeComesBackRounded) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> volts(-5.2, 5.2);
  std::uniform_real_distribution<double> exponent(-12, 0);
  for (int count = 32; count <= 1024; count *= 2) {
    Curve set;
    ForEachSlot(count, [&](int i) {
      set.points.push_back({volts(random), (i % 3 == 0 ? -1 : 1) * std::pow(10.0, exponent(random))});
    });
    const auto text = PointsFileText(set);
    ASSERT_TRUE(text);
    const PointsFileContent read = ReadPointsText(*text);
    ASSERT_EQ(read.status, PointsReadStatus::Ok) << count;
    EXPECT_EQ(read.count, count);
    ASSERT_EQ(read.samples.size(), static_cast<std::size_t>(count));
    const int step = 1024 / count;
    for (std::size_t k = 0; k < read.samples.size(); ++k) {
      const PointsSample& s = read.samples[k];
      ASSERT_EQ(s.slot, static_cast<int>(k) * step);
      EXPECT_NEAR(s.volts, std::round(set.points[k].volts * 100) / 100, 1e-12);
      const double amps = set.points[k].amps;
      EXPECT_LE(std::fabs(s.amps - amps), std::fabs(amps) * 5.0001e-5) << amps;
      EXPECT_EQ(std::signbit(s.amps), std::signbit(amps));
    }
  }
}

TEST(ReadPointsText, SplitsFieldsAtBlanksCommasAndLineEnds) {
  // Commas, several fields per line, LF-only lines, tabs, exponents in
  // either field, plain digits for the count, trailing data.
  std::string text = "KVT\n32\n0\n1.5,-2E-3\n\t-1.25 , 4.5e+1 3 .5\r\n";
  text += Repeat("0,0\r\n", 28) + "7 8 9 garbage after the last pair";
  const PointsFileContent read = ReadPointsText(text);
  ASSERT_EQ(read.status, PointsReadStatus::Ok);
  ASSERT_EQ(read.samples.size(), 32u);
  EXPECT_EQ(read.samples[0].volts, 1.5);
  EXPECT_EQ(read.samples[0].amps, -0.002);
  EXPECT_EQ(read.samples[1].slot, 32);
  EXPECT_EQ(read.samples[1].volts, -1.25);
  EXPECT_EQ(read.samples[1].amps, 45);
  EXPECT_EQ(read.samples[2].volts, 3);
  EXPECT_EQ(read.samples[2].amps, 0.5);
  EXPECT_EQ(read.samples[31].slot, 992);
  EXPECT_EQ(read.samples[31].volts, 7);
  EXPECT_EQ(read.samples[31].amps, 8);

  // The reserved field may be anything; the count may be 64.0.
  const std::string comma = "KVT\r\n 64.0 \r\n reserved \r\n" + Repeat("-1.00,1.0000E-003\r\n", 64);
  const PointsFileContent read64 = ReadPointsText(comma);
  EXPECT_EQ(read64.status, PointsReadStatus::Ok);
  EXPECT_EQ(read64.samples.size(), 64u);
  EXPECT_EQ(read64.samples.back().slot, 1008);
  EXPECT_EQ(read64.samples.back().amps, 0.001);
}

TEST(ReadPointsText, HeaderMustBeExactlyKVT) {
  const std::string body = " 32 \r\n 0 \r\n" + Repeat(" 1.00    1.0000E-003\r\n", 32);
  EXPECT_EQ(ReadPointsText("KVT\r\n" + body).status, PointsReadStatus::Ok);
  EXPECT_EQ(ReadPointsText("KVT" + body).status, PointsReadStatus::NotAPointsFile);
  for (const char* header : {"kvt", "KVT ", " KVT", "\xEF\xBB\xBFKVT", "KVT\r", "KVTX", ""}) {
    EXPECT_EQ(ReadPointsText(std::string(header) + "\r\n" + body).status, PointsReadStatus::NotAPointsFile)
        << header;
  }
  EXPECT_EQ(ReadPointsText("").status, PointsReadStatus::NotAPointsFile);
  EXPECT_EQ(ReadPointsText(std::string("\0\x01\x02\xff", 4)).status, PointsReadStatus::NotAPointsFile);
}

TEST(ReadPointsText, BadCountOrMissingDataEmptiesTheSet) {
  const std::string pair = " 1.00    1.0000E-003\r\n";
  // Count unusable: nothing read.
  for (const char* count : {"", "abc", "0", "-0", "3000", "1e999", "nan", "32x"}) {
    const PointsFileContent read = ReadPointsText(Header(count) + Repeat(pair, 32));
    EXPECT_EQ(read.status, PointsReadStatus::BadData) << count;
    EXPECT_TRUE(read.samples.empty()) << count;
  }
  EXPECT_EQ(ReadPointsText("KVT\r\n 32 \r\n").status, PointsReadStatus::BadData);  // no reserved field

  // 31 of 32 lines.
  const PointsFileContent short32 = ReadPointsText(Header(" 32 ") + Repeat(pair, 31));
  EXPECT_EQ(short32.status, PointsReadStatus::BadData);
  EXPECT_EQ(short32.samples.size(), 31u);
  // A voltage without its current.
  EXPECT_EQ(ReadPointsText(Header(" 32 ") + Repeat(pair, 31) + " 1.00\r\n").status, PointsReadStatus::BadData);

  // Fields that are not finite numbers.
  for (const char* bad : {"1e999", "-1e999", "nan", "inf", "1.5abc", "--1", "1e", "1.0E+", ".", "&H10", "1e-3e2"}) {
    const std::string text = Header(" 32 ") + Repeat(pair, 5) + " 1.00 " + bad + "\r\n" + Repeat(pair, 26);
    EXPECT_EQ(ReadPointsText(text).status, PointsReadStatus::BadData) << bad;
  }
  EXPECT_EQ(ReadPointsText(Header(" 32 ") + "1,,2\r\n" + Repeat(pair, 31)).status, PointsReadStatus::BadData);
  EXPECT_EQ(ReadPointsText(Header(" 32 ") + std::string("1\0 2\r\n", 6) + Repeat(pair, 31)).status,
            PointsReadStatus::BadData);
  // Tiny numbers are fine.
  EXPECT_EQ(ReadPointsText(Header(" 32 ") + "1e-400 -1e-400\r\n" + Repeat(pair, 31)).status,
            PointsReadStatus::Ok);
}

TEST(ReadPointsText, CountNotASetSizeReadsItsPairsThenFails) {
  const std::string pair = " 1.00    1.0000E-003\r\n";
  // 100 points: step round(10.24) = 10, slots 0, 10, ..., 1020.
  const PointsFileContent read = ReadPointsText(Header(" 100 ") + Repeat(pair, 103));
  EXPECT_EQ(read.status, PointsReadStatus::BadCount);
  ASSERT_EQ(read.samples.size(), 103u);
  EXPECT_EQ(read.samples.back().slot, 1020);
  // Not enough pairs for that count: the earlier failure wins.
  EXPECT_EQ(ReadPointsText(Header(" 100 ") + Repeat(pair, 102)).status, PointsReadStatus::BadData);
  // A negative step reads nothing; 32.4 reads 32 pairs but is no set size;
  // a tiny count reads slot 0 only.
  EXPECT_EQ(ReadPointsText(Header("-32")).status, PointsReadStatus::BadCount);
  const PointsFileContent odd = ReadPointsText(Header("32.4") + Repeat(pair, 32));
  EXPECT_EQ(odd.status, PointsReadStatus::BadCount);
  EXPECT_EQ(odd.samples.size(), 32u);
  EXPECT_EQ(ReadPointsText(Header("1e-310") + pair).samples.size(), 1u);
}

// A file that fails after its header says on which line and why, as the
// user would find it in an editor (line 1 is "KVT").
TEST(ReadPointsText, ALateFailureNamesTheLineAndTheReason) {
  const std::string pair = " 1.00    1.0000E-003\r\n";
  const struct {
    const char* name;
    std::string text;
    std::string problem;
  } cases[] = {
      {"no count", "KVT\r\n", "line 1: the file ends before the point count"},
      {"count not a number", Header(" 3x2 ") + Repeat(pair, 32), "line 2: the point count \"3x2\" is not a number"},
      {"count zero", Header(" 0 "), "line 2: the point count \"0\" is zero"},
      {"count too large", Header(" 3000 "), "line 2: the point count \"3000\" is too large"},
      {"no reserved field", "KVT\n 32\n", "line 2: the file ends before the reserved field after the point count"},
      {"too few points", Header(" 32 ") + Repeat(pair, 31), "line 34: the file ends before point 32"},
      {"too few, no last line end", Header(" 32 ") + Repeat(pair, 30) + " 1.00 1E-3",
       "line 34: the file ends before point 32"},
      {"a current missing", Header(" 32 ") + Repeat(pair, 31) + " 1.00\r\n",
       "line 35: the file ends before the current of point 32"},
      {"a bad field", Header(" 32 ") + Repeat(pair, 5) + " 1.00 1.0E+\r\n" + Repeat(pair, 26),
       "line 9: \"1.0E+\" is not a number"},
      {"blank lines counted", "KVT\n\n 32\n\n 0\n\n" + Repeat(pair, 2) + "\nx 1\n",
       "line 10: \"x\" is not a number"},
      {"control characters shown", Header(" 32 ") + std::string("1\x01 2\r\n"), "line 4: \"1?\" is not a number"},
      {"a long field cut", Header(" 32 ") + std::string(100, '7') + "x 1\r\n",
       "line 4: \"" + std::string(40, '7') + "...\" is not a number"},
      {"count no set size", Header(" 100 ") + Repeat(pair, 103),
       "line 2: a points file holds 32, 64, 128, 256, 512 or 1024 points, not 100"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const PointsFileContent read = ReadPointsText(c.text);
    EXPECT_NE(read.status, PointsReadStatus::Ok);
    EXPECT_EQ(read.problem, c.problem);
  }
  EXPECT_EQ(ReadPointsText(Header(" 32 ") + Repeat(pair, 32)).problem, "");
}

TEST(ReadPointsText, StartOfALongerFileNeverYieldsACutOffNumber) {
  Curve set = Zeros(32);
  set.points.back().amps = 0.0012345;
  const std::string text = *PointsFileText(set);
  const std::string cut = text.substr(0, text.size() - 9);  // "...1.23": inside the last current
  EXPECT_EQ(ReadPointsText(cut, true).status, PointsReadStatus::Ok);  // as a whole file
  EXPECT_EQ(ReadPointsText(cut, false).status, PointsReadStatus::BadData);
  EXPECT_EQ(ReadPointsText(text + "trailing", false).status, PointsReadStatus::Ok);
  EXPECT_EQ(ReadPointsText("KVT", false).status, PointsReadStatus::NotAPointsFile);
}

}  // namespace kvt
