#include "core/text_number.h"

#include <charconv>
#include <algorithm>
#include <cmath>
#include <limits>

namespace kvt {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

double HexValue(std::string_view text, std::size_t pos) {
  double value = 0;
  for (; pos < text.size(); ++pos) {
    if (IsBlank(text[pos])) continue;
    const int d = HexDigit(text[pos]);
    if (d < 0) break;
    value = value * 16 + d;
  }
  return value;
}

// Converts the cleaned-up number text (digits, ".", "e", exponent sign) in a
// way that does not depend on the C locale.
double ParseClean(const std::string& clean, bool negative) {
  if (clean.empty()) return 0;
  double value = 0;
  const auto result = std::from_chars(clean.data(), clean.data() + clean.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Overflow gives infinity, underflow zero: decide by the decimal order
    // of magnitude of the mantissa plus the exponent.
    const auto e = clean.find('e');
    const std::string mantissa = clean.substr(0, e);
    long long exponent = 0;
    if (e != std::string::npos) {
      const char* first = clean.data() + e + 1;
      if (*first == '+') ++first;
      std::from_chars(first, clean.data() + clean.size(), exponent);
    }
    const auto point = std::min(mantissa.find('.'), mantissa.size());
    const auto firstNonZero = mantissa.find_first_of("123456789");
    long long order = 0;
    if (firstNonZero != std::string::npos)
      order = firstNonZero < point ? static_cast<long long>(point - firstNonZero) - 1
                                   : -static_cast<long long>(firstNonZero - point);
    value = (firstNonZero != std::string::npos && order + exponent > 0)
                ? std::numeric_limits<double>::infinity()
                : 0.0;
  } else if (result.ec != std::errc()) {
    value = 0;
  }
  return negative ? -value : value;
}

}  // namespace

double LeadingNumber(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  if (pos + 1 < text.size() && text[pos] == '&' && (text[pos + 1] == 'H' || text[pos + 1] == 'h'))
    return HexValue(text, pos + 2);

  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  std::string clean;
  bool seenPoint = false;
  bool seenDigit = false;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (IsBlank(c)) continue;
    if (IsDigit(c)) {
      clean += c;
      seenDigit = true;
    } else if (c == '.' && !seenPoint) {
      clean += c;
      seenPoint = true;
    } else {
      break;
    }
  }
  if (!seenDigit) return negative ? -0.0 : 0.0;
  if (clean.front() == '.') clean.insert(clean.begin(), '0');

  // Exponent: only taken when at least one digit follows the "E".
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E' || text[pos] == 'd' || text[pos] == 'D')) {
    std::size_t p = pos + 1;
    std::string exponent = "e";
    while (p < text.size() && IsBlank(text[p])) ++p;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) exponent += text[p++];
    bool expDigit = false;
    for (; p < text.size(); ++p) {
      if (IsBlank(text[p])) continue;
      if (!IsDigit(text[p])) break;
      exponent += text[p];
      expDigit = true;
    }
    if (expDigit) {
      // Keep absurd exponents from overflowing the exponent parser.
      if (exponent.size() > 8) exponent = exponent.substr(0, 2) == "e-" ? "e-99999" : "e99999";
      clean += exponent;
    }
  }
  return ParseClean(clean, negative);
}

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double lower = std::floor(value);
  const double diff = value - lower;
  if (diff < 0.5) return lower;
  if (diff > 0.5) return lower + 1;
  return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

std::optional<std::int16_t> ToInt16(double value) {
  const double r = RoundHalfEven(value);
  if (!(r >= -32768.0 && r <= 32767.0)) return std::nullopt;
  return static_cast<std::int16_t>(r);
}

std::optional<std::int32_t> ToInt32(double value) {
  const double r = RoundHalfEven(value);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return std::nullopt;
  return static_cast<std::int32_t>(r);
}

std::optional<std::int16_t> IntegerValue16(std::string_view text) {
  return ToInt16(LeadingNumber(text));
}

std::string PlainDecimal(long long value) { return std::to_string(value); }

std::string SignedDecimal(double value) {
  std::string digits;
  if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15) {
    digits = std::to_string(static_cast<long long>(std::fabs(value)));
  } else {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value));
    digits.assign(buf, r.ptr);
  }
  return (value < 0 ? "-" : " ") + digits;
}

namespace {

std::string Fixed(double value, int decimals) {
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  if (r.ec != std::errc()) return {};
  return std::string(buf, r.ptr);
}

std::string Scientific(double value) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 4);
  if (r.ec != std::errc()) return {};
  std::string text(buf, r.ptr);  // e.g. "-1.2340e-03"
  const auto e = text.find('e');
  const std::string mantissa = text.substr(0, e);
  const char sign = text[e + 1];
  std::string exponent = text.substr(e + 2);
  while (exponent.size() < 3) exponent.insert(exponent.begin(), '0');
  return mantissa + "E" + sign + exponent;
}

}  // namespace

std::string FormatNumber(double value, std::string_view pattern, std::string_view decimalSeparator) {
  if (!std::isfinite(value)) return {};
  std::string text;
  if (pattern == "0.0" || pattern == "#0.0") {
    text = Fixed(value, 1);
  } else if (pattern == " 0.0" || pattern == " #0.0") {
    text = " " + Fixed(value, 1);
  } else if (pattern == "0.00") {
    text = Fixed(value, 2);
  } else if (pattern == "0.0000E+000") {
    text = Scientific(value);
  } else if (pattern == "###") {
    const double r = RoundHalfEven(value);
    return r == 0 ? std::string() : Fixed(r, 0);
  } else {
    return {};
  }
  const auto point = text.find('.');
  if (point != std::string::npos) text.replace(point, 1, decimalSeparator);
  return text;
}

std::optional<double> QuantityOf(std::string_view text, std::string_view unit) {
  std::string_view number = text;
  if (number.size() > unit.size() && number.substr(number.size() - unit.size()) == unit)
    number.remove_suffix(unit.size());
  static const struct {
    std::string_view prefix;
    double scale;
  } prefixes[] = {{"p", 1e-12}, {"n", 1e-9}, {"u", 1e-6}, {"\u00b5", 1e-6}, {"m", 1e-3}, {"k", 1e3}};
  double scale = 1;
  for (const auto& p : prefixes) {
    if (number.size() > p.prefix.size() && number.substr(number.size() - p.prefix.size()) == p.prefix) {
      number.remove_suffix(p.prefix.size());
      scale = p.scale;
      break;
    }
  }
  double value = 0;
  const char* end = number.data() + number.size();
  const auto [ptr, ec] = std::from_chars(number.data(), end, value);
  if (number.empty() || ec != std::errc() || ptr != end || !std::isfinite(value * scale)) return std::nullopt;
  return value * scale;
}

}  // namespace kvt
