// CSV files of curves: what is written, what is read, what is refused.
#include "files/csv_file.h"

#include <gtest/gtest.h>

#include <ostream>

#include <clocale>
#include <cmath>
#include <string>

namespace kvt {
namespace {

TEST(CsvFileText, WritesMetadataHeaderAndRoundTrippingNumbers) {
  CsvMetadata meta{"kvt_win", "1.2", "2024-05-01 12:00:00", 1000.0, "diode\nbad.kvt"};
  const std::vector<CsvPoint> points{
      {-5.12, -1.5e-05, true}, {0.1 + 0.2, 1.0 / 3, false}, {-0.0, 0, false}, {1e300, 5e66, false}};
  const auto text = CsvFileText(points, meta);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text,
            "# program: kvt_win 1.2\n"
            "# date: 2024-05-01 12:00:00\n"
            "# points: 4\n"
            "# range_ohms: 1000\n"
            "# source: diode bad.kvt\n"
            "voltage_V,current_A,clipped\n"
            "-5.12,-1.5e-05,1\n"
            "0.30000000000000004,0.3333333333333333,0\n"
            "0,0,0\n"
            "1e+300,5e+66,0\n");
  const CsvContent back = ReadCsvText(*text);
  ASSERT_TRUE(back.ok()) << back.error;
  EXPECT_EQ(back.points, points);
  EXPECT_EQ(back.rangeOhms, 1000.0);
  EXPECT_EQ(back.sourceFile, "diode bad.kvt");
}

TEST(CsvFileText, UsesAPointWhateverTheLocale) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  const std::string saved = old ? old : "C";
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.UTF-8"))
    GTEST_SKIP() << "no locale with a decimal comma installed";
  const auto text = CsvFileText({{1.5, 2.5e-3, false}}, {"kvt", "1", "", std::nullopt, ""});
  std::setlocale(LC_ALL, saved.c_str());
  ASSERT_TRUE(text);
  EXPECT_NE(text->find("\n1.5,0.0025,0\n"), std::string::npos) << *text;
}

TEST(CsvFileText, RefusesValuesThatCannotBeReadBack) {
  EXPECT_FALSE(CsvFileText({{1.0, std::nan(""), false}}, {}));
  EXPECT_FALSE(CsvFileText({{HUGE_VAL, 0, false}}, {}));
  EXPECT_FALSE(CsvFileText({{1.0, 0, false, 0.0}}, {}));
  EXPECT_FALSE(CsvFileText({{1.0, 0, false, HUGE_VAL}}, {}));
}

// Rows with their own ranges get the column, and the file no range line of
// its own even when the writer names one: it would contradict some rows.
TEST(CsvFileText, PointsWithTheirOwnRangesGetTheColumn) {
  CsvMetadata meta{"kvt", "1.2", "", 1000.0, ""};
  const std::vector<CsvPoint> points{{-1.0, -2e-9, false, 10000.0}, {0.5, 1e-5, false}, {0.72, 0.0121, false, 100.0}};
  const auto text = CsvFileText(points, meta);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text,
            "# program: kvt 1.2\n"
            "# points: 3\n"
            "voltage_V,current_A,clipped,range_ohms\n"
            "-1,-2e-09,0,10000\n"
            "0.5,1e-05,0,\n"
            "0.72,0.0121,0,100\n");
  const CsvContent back = ReadCsvText(*text);
  ASSERT_TRUE(back.ok()) << back.error;
  EXPECT_EQ(back.points, points);
  EXPECT_EQ(back.rangeOhms, std::nullopt);
}

struct ReadCase {
  const char* name;
  std::string text;
  std::vector<CsvPoint> points;
};
void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class CsvReadTest : public testing::TestWithParam<ReadCase> {};

TEST_P(CsvReadTest, ReadsThePoints) {
  const CsvContent c = ReadCsvText(GetParam().text);
  ASSERT_TRUE(c.ok()) << c.error;
  EXPECT_EQ(c.points, GetParam().points);
}

const std::vector<CsvPoint> TwoPoints{{-1.5, -0.002, false}, {0.25, 1e-4, false}};

INSTANTIATE_TEST_SUITE_P(
    Forms, CsvReadTest,
    testing::Values(
        ReadCase{"CommaNoHeader", "-1.5,-0.002\n0.25,1e-4\n", TwoPoints},
        ReadCase{"CommaHeader", "U,I\n-1.5,-0.002\n0.25,1e-4", TwoPoints},
        ReadCase{"SemicolonHeader", "V;A\n-1.5;-0.002\n0.25;0.0001\n", TwoPoints},
        ReadCase{"SemicolonDecimalComma", "-1,5;-0,002\n0,25;1e-4\n", TwoPoints},
        ReadCase{"TabNoHeader", "-1.5\t-0.002\n0.25\t1E-4\n", TwoPoints},
        ReadCase{"ExponentSigns", "-0.15e+1,-2e-03\n2.5E-1,1e-4\n", TwoPoints},
        ReadCase{"TabHeaderCrLf", "volts\tamps\r\n-1.5\t-0.002\r\n0.25\t1e-4\r\n", TwoPoints},
        ReadCase{"CrLfBlankLinesAndComments", "# note\r\n\r\n-1.5, -0.002\r\n  \r\n+0.25 , 1e-4\r\n", TwoPoints},
        ReadCase{"ByteOrderMarkAndHeader", "\xEF\xBB\xBFvoltage_V,current_A\n-1.5,-0.002\n0.25,1e-4\n", TwoPoints},
        ReadCase{"ByteOrderMarkNoHeader", "\xEF\xBB\xBF-1.5;-0,002\r\n0.25;1e-4\r\n", TwoPoints},
        ReadCase{"QuotedFields", "\"V\",\"A\"\n\"-1.5\",\"-0.002\"\n\"0.25\",\"1e-4\"\n", TwoPoints},
        ReadCase{"ClippedColumn", "voltage_V,current_A,clipped\n-1.5,-0.002,1\n0.25,1e-4,0\n",
                 {{-1.5, -0.002, true}, {0.25, 1e-4, false}}},
        ReadCase{"RangeColumn", "voltage_V,current_A,clipped,range_ohms\n-1.5,-0.002,1,10000\n0.25,1e-4,0,1e2\n",
                 {{-1.5, -0.002, true, 10000.0}, {0.25, 1e-4, false, 100.0}}},
        ReadCase{"RangeColumnUnknownRow", "V,A,clipped, range_ohms \n-1.5,-0.002,0,\n0.25,1e-4,0, 1000 \n",
                 {{-1.5, -0.002, false}, {0.25, 1e-4, false, 1000.0}}},
        ReadCase{"RangeColumnRowsOfThree", "V,A,clipped,range_ohms\n-1.5,-0.002\n0.25,1e-4,0\n", TwoPoints},
        ReadCase{"RangeColumnDecimalComma", "V;A;clipped;range_ohms\n-1,5;-0,002;0;1000,0\n0,25;1e-4;0;100\n",
                 {{-1.5, -0.002, false, 1000.0}, {0.25, 1e-4, false, 100.0}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadCase {
  const char* name;
  std::string text;
  const char* error;
};
void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class CsvRejectTest : public testing::TestWithParam<BadCase> {};

TEST_P(CsvRejectTest, SaysWhichLineAndWhat) {
  const CsvContent c = ReadCsvText(GetParam().text);
  EXPECT_FALSE(c.ok());
  EXPECT_EQ(c.error, GetParam().error);
  EXPECT_TRUE(c.points.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, CsvRejectTest,
    testing::Values(
        BadCase{"Empty", "", "empty file"},
        BadCase{"OnlyComments", "# a\n\r\n# b\n", "no data rows"},
        BadCase{"OnlyHeader", "voltage_V,current_A,clipped\n", "no data rows"},
        BadCase{"Binary", std::string("1,2\n\x01\x02\0\xff", 8), "line 2: binary data, not a text file"},
        BadCase{"NulInRow", std::string("1,2\0\n", 5), "line 1: binary data, not a text file"},
        BadCase{"OneField", "1,2\n3\n", "line 2: expected voltage and current, found one field"},
        BadCase{"TooManyFields", "1,2,0,4\n", "line 1: expected at most 3 fields, found 4"},
        BadCase{"WordInData", "V,A\n1,2\n1,abc\n", "line 3: \"abc\" is not a number"},
        BadCase{"SecondHeader", "1,2\nV,A\n", "line 2: \"V\" is not a number"},
        BadCase{"HalfHeader", "V,2\n", "line 1: \"V\" is not a number"},
        BadCase{"DecimalCommaWithCommas", "1,5,0,002\n", "line 1: expected at most 3 fields, found 4"},
        BadCase{"Infinity", "inf,1\n", "line 1: \"inf\" is not a number"},
        BadCase{"NotANumber", "1,nan\n", "line 1: \"nan\" is not a number"},
        BadCase{"Overflow", "1e999,1\n", "line 1: \"1e999\" is not a number"},
        BadCase{"EmptyField", "1,\n", "line 1: \"\" is not a number"},
        BadCase{"BadFlag", "1,2,yes\n", "line 1: clipped flag must be 0 or 1"},
        BadCase{"FourthColumnNotRange", "V,A,clipped,note\n1,2,0,4\n", "line 1: expected at most 3 fields, found 4"},
        BadCase{"RangeWord", "V,A,clipped,range_ohms\n1,2,0,1000\n1,2,0,high\n",
                "line 3: range_ohms \"high\" is not a resistance in ohms"},
        BadCase{"RangeWithUnit", "V,A,clipped,range_ohms\n1,2,0,1k\n", "line 2: range_ohms \"1k\" is not a resistance in ohms"},
        BadCase{"RangeZero", "V,A,clipped,range_ohms\n1,2,0,0\n", "line 2: range_ohms \"0\" is not a resistance in ohms"},
        BadCase{"RangeNegative", "V,A,clipped,range_ohms\n1,2,0,-100\n",
                "line 2: range_ohms \"-100\" is not a resistance in ohms"},
        BadCase{"RangeInfinite", "V,A,clipped,range_ohms\n1,2,0,inf\n",
                "line 2: range_ohms \"inf\" is not a resistance in ohms"},
        BadCase{"RangeOverflow", "V,A,clipped,range_ohms\n1,2,0,1e999\n",
                "line 2: range_ohms \"1e999\" is not a resistance in ohms"},
        BadCase{"FiveFieldsWithRange", "V,A,clipped,range_ohms\n1,2,0,100,7\n", "line 2: expected at most 4 fields, found 5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CsvRead, RefusesOversizedFiles) {
  const CsvContent c = ReadCsvText(std::string(MaxCsvFileBytes + 1, '1'));
  EXPECT_EQ(c.error, "file too large for a curve");
}

// A field that would split its row, or end it, is quoted whole.
TEST(CsvField, QuotesWhatWouldSplitTheRow) {
  const struct {
    const char* text;
    const char* field;
  } cases[] = {
      {"plain", "plain"},
      {"", ""},
      {"no vf, no rd", "\"no vf, no rd\""},
      {"a \"quoted\" word", "\"a \"\"quoted\"\" word\""},
      {"two\nlines", "\"two\nlines\""},
      {"carriage\rreturn", "\"carriage\rreturn\""},
  };
  for (const auto& c : cases) EXPECT_EQ(CsvField(c.text), c.field) << c.text;
}

}  // namespace
}  // namespace kvt
