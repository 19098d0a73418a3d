#pragma once
// Numbers held as text: settings entries, text boxes, file fields and labels.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvt {

// Leading-number value of a text: leading blanks and tabs skipped, optional
// sign, digits with "." as decimal point, optional exponent, blanks inside the
// number skipped, "&H" introducing hexadecimal digits. Reading stops at the
// first character that cannot continue the number; no number gives 0.
// A decimal number too large for a double gives +/-infinity.
double LeadingNumber(std::string_view text);

// Nearest integer, an exact half going to the even neighbour (2.5 -> 2).
double RoundHalfEven(double value);

// Nearest integer (ties to even) if it fits; nothing for NaN or out of range.
std::optional<std::int16_t> ToInt16(double value);
std::optional<std::int32_t> ToInt32(double value);

// Integer value of a text: its leading number rounded to a 16-bit integer.
std::optional<std::int16_t> IntegerValue16(std::string_view text);

// Signed decimal text: a blank for a value that is not negative, else "-",
// then the digits (96 -> " 96", -5 -> "-5", 8175.5 -> " 8175.5").
std::string SignedDecimal(double value);

// Plain decimal text of a whole number, no blank ("5", "-3").
std::string PlainDecimal(long long value);

// Formats a number with one of the patterns the program uses:
// "0.0", " 0.0", "#0.0", " #0.0", "0.00", "0.0000E+000", "###".
// decimalSeparator replaces the "." of the result (the locale's, or ".").
// An unknown pattern gives an empty text.
std::string FormatNumber(double value, std::string_view pattern,
                         std::string_view decimalSeparator = ".");

// A finite quantity of `unit` ("A", "V"): plain ("0.002") or with an SI
// prefix, the unit optional ("2mA", "2m", "50uA"); nothing otherwise.
std::optional<double> QuantityOf(std::string_view text, std::string_view unit);

}  // namespace kvt
