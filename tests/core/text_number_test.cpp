#include "core/text_number.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kvt {

TEST(LeadingNumber, ReadsTheNumberAtTheStartOfATextOnly) {
  EXPECT_EQ(LeadingNumber("378"), 378);
  EXPECT_EQ(LeadingNumber(" \t 42abc"), 42);
  EXPECT_EQ(LeadingNumber("-1.5"), -1.5);
  EXPECT_EQ(LeadingNumber("+.25"), 0.25);
  EXPECT_EQ(LeadingNumber("1 2 3"), 123);
  EXPECT_EQ(LeadingNumber("2.5e3x"), 2500);
  EXPECT_EQ(LeadingNumber("1.2340E-003"), 0.001234);
  EXPECT_EQ(LeadingNumber("1e"), 1);
  EXPECT_EQ(LeadingNumber("7e+"), 7);
  EXPECT_EQ(LeadingNumber("1.2.3"), 1.2);
  EXPECT_EQ(LeadingNumber("abc"), 0);
  EXPECT_EQ(LeadingNumber(""), 0);
  EXPECT_EQ(LeadingNumber("-"), 0);
  EXPECT_EQ(LeadingNumber("1,5"), 1);  // the decimal point is always "."
}

TEST(LeadingNumber, ReadsHexadecimalAfterAmpersandH) {
  EXPECT_EQ(LeadingNumber("&H378"), 0x378);
  EXPECT_EQ(LeadingNumber("&h3bc"), 0x3BC);
  EXPECT_EQ(LeadingNumber("&HFFFF"), 0xFFFF);
  EXPECT_EQ(LeadingNumber("&H"), 0);
  EXPECT_EQ(LeadingNumber("&Hxyz"), 0);
  EXPECT_EQ(LeadingNumber("&H4000 "), 0x4000);
}

TEST(LeadingNumber, HugeNumbersBecomeInfinityNotGarbage) {
  EXPECT_TRUE(std::isinf(LeadingNumber("1e999")));
  EXPECT_LT(LeadingNumber("-1e999"), 0);
  EXPECT_EQ(LeadingNumber("1e-999"), 0);
  EXPECT_TRUE(std::isinf(LeadingNumber("9e99999999999999999")));
  EXPECT_TRUE(std::isinf(LeadingNumber(std::string(400, '9'))));
}

TEST(Rounding, TiesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-3.5), -4);
  EXPECT_EQ(RoundHalfEven(165.5), 166);
  EXPECT_EQ(RoundHalfEven(184.5), 184);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
}

TEST(Rounding, RangeChecksRefuseWhatDoesNotFit) {
  EXPECT_EQ(ToInt16(32767.4), 32767);
  EXPECT_FALSE(ToInt16(32767.5));  // rounds to 32768
  EXPECT_EQ(ToInt16(-32768.5), -32768);
  EXPECT_FALSE(ToInt16(99999));
  EXPECT_FALSE(ToInt16(NAN));
  EXPECT_FALSE(ToInt16(INFINITY));
  EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
  EXPECT_FALSE(ToInt32(2147483648.0));
  EXPECT_EQ(IntegerValue16("30.5"), 30);
  EXPECT_FALSE(IntegerValue16("40000"));
}

TEST(SignedDecimal, PutsABlankWhereTheMinusWouldBe) {
  EXPECT_EQ(SignedDecimal(96), " 96");
  EXPECT_EQ(SignedDecimal(0), " 0");
  EXPECT_EQ(SignedDecimal(-5), "-5");
  EXPECT_EQ(SignedDecimal(8175), " 8175");
  EXPECT_EQ(SignedDecimal(8175.5), " 8175.5");
  EXPECT_EQ(LeadingNumber(SignedDecimal(-1234)), -1234);
}

TEST(FormatNumber, TickPatterns) {
  EXPECT_EQ(FormatNumber(-5, "0.0"), "-5.0");
  EXPECT_EQ(FormatNumber(1, " 0.0"), " 1.0");
  EXPECT_EQ(FormatNumber(-7, "#0.0"), "-7.0");
  EXPECT_EQ(FormatNumber(-5.6, "#0.0"), "-5.6");
  EXPECT_EQ(FormatNumber(1.4000000000000004, " #0.0"), " 1.4");
  EXPECT_EQ(FormatNumber(0.6, " 0.0", ","), " 0,6");
  EXPECT_EQ(FormatNumber(-0.6, "0.0", ","), "-0,6");
}

TEST(FormatNumber, FilePatterns) {
  EXPECT_EQ(FormatNumber(1.234, "0.00"), "1.23");
  EXPECT_EQ(FormatNumber(-0.5, "0.00"), "-0.50");
  EXPECT_EQ(FormatNumber(0, "0.00"), "0.00");
  EXPECT_EQ(FormatNumber(0.001234, "0.0000E+000"), "1.2340E-003");
  EXPECT_EQ(FormatNumber(-12345.0, "0.0000E+000"), "-1.2345E+004");
  EXPECT_EQ(FormatNumber(0, "0.0000E+000"), "0.0000E+000");
  EXPECT_EQ(FormatNumber(9.99999e-3, "0.0000E+000"), "1.0000E-002");
  EXPECT_EQ(FormatNumber(1e-300, "0.0000E+000"), "1.0000E-300");
  EXPECT_EQ(FormatNumber(0.5, "0.00", ","), "0,50");
}

TEST(FormatNumber, PercentPattern) {
  EXPECT_EQ(FormatNumber(96, "###"), "96");
  EXPECT_EQ(FormatNumber(100, "###"), "100");
  EXPECT_EQ(FormatNumber(0, "###"), "");
  EXPECT_EQ(FormatNumber(3, "nonsense"), "");
}

}  // namespace kvt
