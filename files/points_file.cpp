#include "files/points_file.h"

#include <algorithm>
#include <cmath>

#include "core/text_number.h"

namespace kvt {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsSpace(char c) { return IsBlank(c) || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A value field with its sign position: a blank in front of a value that is
// not negative, so columns line up with the minus signs.
std::optional<std::string> ValueField(double value, std::string_view pattern) {
  if (!std::isfinite(value)) return std::nullopt;
  if (value == 0) value = 0.0;  // a negative zero is written as zero
  std::string text = FormatNumber(value, pattern, ".");
  if (text.empty()) return std::nullopt;
  if (value >= 0) text.insert(text.begin(), ' ');
  return CommaToPoint(text);
}

std::optional<std::string> PointLine(double volts, double amps) {
  constexpr std::size_t CurrentStart = 8;  // the current field starts at column 9
  const auto v = ValueField(volts, "0.00");
  const auto a = ValueField(amps, "0.0000E+000");
  if (!v || !a) return std::nullopt;
  std::string line = *v;
  line.append(line.size() < CurrentStart ? CurrentStart - line.size() : 1, ' ');
  line += *a;
  line += "\r\n";
  return line;
}

// Splits the text after the header into fields, counting lines so that a
// complaint can say where it found the problem.
class FieldReader {
 public:
  FieldReader(std::string_view text, int firstLine) : text_(text), firstLine_(firstLine), line_(firstLine) {}

  // The next field, or nothing when the data has run out.
  std::optional<std::string_view> Next() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) {
      if (text_[pos_] == '\n') ++line_;
      ++pos_;
    }
    if (pos_ >= text_.size()) return std::nullopt;
    fieldLine_ = line_;
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !IsSpace(text_[pos_]) && text_[pos_] != ',') ++pos_;
    const std::string_view field = text_.substr(start, pos_ - start);
    // A comma after the field (blanks allowed before it) belongs to it.
    std::size_t p = pos_;
    while (p < text_.size() && IsBlank(text_[p])) ++p;
    if (p < text_.size() && text_[p] == ',') pos_ = p + 1;
    return field;
  }

  // The line of the field Next gave last.
  int FieldLine() const { return fieldLine_; }
  // The last line of the file that holds anything.
  int LastLine() const {
    const auto breaks = std::count(text_.begin(), text_.end(), '\n');
    const bool unfinished = !text_.empty() && text_.back() != '\n';
    return firstLine_ - 1 + static_cast<int>(breaks) + (unfinished ? 1 : 0);
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  int firstLine_;
  int line_;
  int fieldLine_ = 0;
};

std::string AtLine(int line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

// A field as a message shows it: a runaway one cut short, control
// characters made visible.
std::string Shown(std::string_view field) {
  constexpr std::size_t Longest = 40;
  std::string text(field.substr(0, Longest));
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return field.size() > Longest ? text + "..." : text;
}

std::string Quoted(std::string_view field) { return "\"" + Shown(field) + "\""; }

// The value of a field that is one decimal number and nothing else:
// optional sign, digits with an optional ".", optional exponent. Numbers too
// large for a double are refused like any other field that is not a number.
std::optional<double> FieldNumber(std::string_view field) {
  std::size_t i = 0;
  const std::size_t n = field.size();
  if (i < n && (field[i] == '+' || field[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < n && IsDigit(field[i])) ++i, ++digits;
  if (i < n && field[i] == '.') {
    ++i;
    while (i < n && IsDigit(field[i])) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < n && (field[i] == 'E' || field[i] == 'e')) {
    ++i;
    if (i < n && (field[i] == '+' || field[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < n && IsDigit(field[i])) ++i, ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (i != n) return std::nullopt;
  const double value = LeadingNumber(field);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace

std::string CommaToPoint(std::string_view text) {
  std::string result(text);
  std::replace(result.begin(), result.end(), ',', '.');
  return result;
}

std::optional<std::string> PointsFileText(const Curve& curve) {
  const auto count = static_cast<int>(curve.points.size());
  if (OptionForCount(count) == 0) return std::nullopt;
  std::string text = "KVT\r\n";
  text += SignedDecimal(count) + " \r\n";
  text += SignedDecimal(0) + " \r\n";
  for (const CurvePoint& p : curve.points) {
    const auto line = PointLine(p.volts, p.amps);
    if (!line) return std::nullopt;
    text += *line;
  }
  return text;
}

Curve CurveFromPointsFile(const PointsFileContent& content, std::optional<double> rangeOhms) {
  Curve curve;
  for (const PointsSample& s : content.samples) curve.points.push_back({s.volts, s.amps, false, rangeOhms});
  curve.info.pointCount = static_cast<int>(content.samples.size());
  FlagClipping(curve);
  return curve;
}

int OptionForCount(double count) {
  int option = 1;
  for (int size = 32; size <= 1024; size *= 2, ++option)
    if (count == size) return option;
  return 0;
}

PointsFileContent ReadPointsText(std::string_view bytes, bool wholeFile) {
  PointsFileContent content;
  if (!wholeFile) {
    const auto lastEnd = bytes.rfind('\n');
    bytes = lastEnd == std::string_view::npos ? std::string_view{} : bytes.substr(0, lastEnd + 1);
  }

  // Line 1 must be exactly "KVT"; lines may end in CR LF or LF alone.
  const auto firstEnd = bytes.find('\n');
  std::string_view header = bytes.substr(0, firstEnd);
  if (!header.empty() && header.back() == '\r') header.remove_suffix(1);
  if (header != "KVT") return content;

  content.status = PointsReadStatus::BadData;
  FieldReader fields(firstEnd == std::string_view::npos ? std::string_view{} : bytes.substr(firstEnd + 1), 2);
  // Only the start of a longer file was given: its last line was cut off.
  const auto endsBefore = [&](const std::string& what) {
    content.problem = wholeFile ? AtLine(fields.LastLine(), "the file ends before " + what)
                                : AtLine(fields.LastLine() + 1, "too long; reading stops at 1 MB, before " + what);
  };
  const auto countField = fields.Next();
  if (!countField) {
    endsBefore("the point count");
    return content;
  }
  const auto count = FieldNumber(*countField);
  const int countLine = fields.FieldLine();
  const std::string countText = "the point count " + Quoted(*countField);
  if (!count || *count == 0) {
    content.problem = AtLine(countLine, countText + (count ? " is zero" : " is not a number"));
    return content;
  }
  content.count = *count;
  if (!fields.Next()) {  // reserved field, any content
    endsBefore("the reserved field after the point count");
    return content;
  }

  const double step = RoundHalfEven(1024.0 / *count);
  if (step == 0) {
    content.problem = AtLine(countLine, countText + " is too large");
    return content;
  }
  // A step of at least 1 (possibly infinite for a tiny count); a negative
  // step reads nothing.
  for (double slot = 0; step > 0 && slot <= 1023; slot += step) {
    const std::string point = "point " + std::to_string(content.samples.size() + 1);
    double values[2] = {};
    for (int k = 0; k < 2; ++k) {
      const auto field = fields.Next();
      if (!field) {
        endsBefore(k == 0 ? point : "the current of " + point);
        return content;
      }
      const auto value = FieldNumber(*field);
      if (!value) {
        content.problem = AtLine(fields.FieldLine(), Quoted(*field) + " is not a number");
        return content;
      }
      values[k] = *value;
    }
    content.samples.push_back({static_cast<int>(slot), values[0], values[1]});
  }

  if (OptionForCount(*count) == 0) {
    content.status = PointsReadStatus::BadCount;
    content.problem = AtLine(countLine, "a points file holds 32, 64, 128, 256, 512 or 1024 points, not " +
                                            Shown(*countField));
    return content;
  }
  content.status = PointsReadStatus::Ok;
  return content;
}

}  // namespace kvt
