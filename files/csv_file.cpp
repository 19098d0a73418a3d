#include "files/csv_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace kvt {
namespace {

std::string Number(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// Metadata values stay on their line.
std::string OneLine(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string LinePrefix(std::size_t line) { return "line " + std::to_string(line) + ": "; }

// A finite number in C form, "." as decimal point; a leading "+" and
// surrounding double quotes (as spreadsheets write them) are allowed.
std::optional<double> ParseNumber(std::string_view field, bool decimalComma) {
  field = Trim(field);
  if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
    field = Trim(field.substr(1, field.size() - 2));
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  if (field.empty() || field.front() == '+') return std::nullopt;
  std::string text(field);
  if (decimalComma && text.find('.') == std::string::npos) {
    const auto comma = text.find(',');
    if (comma != std::string::npos && text.find(',', comma + 1) == std::string::npos) text[comma] = '.';
  }
  // from_chars takes "inf" and "nan"; a measurement never holds them.
  for (char c : text)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
      return std::nullopt;
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::vector<std::string_view> Split(std::string_view line, char separator) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const auto at = line.find(separator, start);
    fields.push_back(line.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) break;
    start = at + 1;
  }
  return fields;
}

char SeparatorOf(std::string_view line) {
  if (line.find('\t') != std::string_view::npos) return '\t';
  if (line.find(';') != std::string_view::npos) return ';';
  return ',';
}

void ReadComment(std::string_view comment, CsvContent& content) {
  comment = Trim(comment);
  auto value = [&](std::string_view key) -> std::optional<std::string_view> {
    if (comment.substr(0, key.size()) != key) return std::nullopt;
    return Trim(comment.substr(key.size()));
  };
  if (const auto v = value("range_ohms:")) {
    if (const auto ohms = ParseNumber(*v, false); ohms && *ohms > 0) content.rangeOhms = ohms;
  } else if (const auto s = value("source:")) {
    content.sourceFile = std::string(*s);
  } else if (const auto d = value("date:")) {
    content.dateTime = std::string(*d);
  }
}

CsvContent Failed(std::string message) {
  CsvContent c;
  c.error = std::move(message);
  return c;
}

}  // namespace

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::optional<std::string> CsvFileText(const std::vector<CsvPoint>& points, const CsvMetadata& meta) {
  std::string text = "# program: " + OneLine(meta.program);
  if (!meta.version.empty()) text += " " + OneLine(meta.version);
  text += "\n";
  if (!meta.dateTime.empty()) text += "# date: " + OneLine(meta.dateTime) + "\n";
  text += "# points: " + std::to_string(points.size()) + "\n";
  const bool rangeColumn =
      std::any_of(points.begin(), points.end(), [](const CsvPoint& p) { return p.rangeOhms.has_value(); });
  // Each row says its range; one line for the whole file would contradict some.
  if (meta.rangeOhms && !rangeColumn) {
    if (!std::isfinite(*meta.rangeOhms)) return std::nullopt;
    text += "# range_ohms: " + Number(*meta.rangeOhms) + "\n";
  }
  if (!meta.sourceFile.empty()) text += "# source: " + OneLine(meta.sourceFile) + "\n";
  text += rangeColumn ? "voltage_V,current_A,clipped,range_ohms\n" : "voltage_V,current_A,clipped\n";
  for (const CsvPoint& p : points) {
    if (!std::isfinite(p.volts) || !std::isfinite(p.amps)) return std::nullopt;
    // A negative zero reads back as zero; write it so.
    text += Number(p.volts == 0 ? 0.0 : p.volts) + "," + Number(p.amps == 0 ? 0.0 : p.amps) + "," +
            (p.clipped ? "1" : "0");
    if (rangeColumn) {
      if (p.rangeOhms && !(std::isfinite(*p.rangeOhms) && *p.rangeOhms > 0)) return std::nullopt;
      text += "," + (p.rangeOhms ? Number(*p.rangeOhms) : std::string());
    }
    text += "\n";
  }
  return text;
}

CsvContent ReadCsvText(std::string_view bytes) {
  if (bytes.size() > MaxCsvFileBytes) return Failed("file too large for a curve");
  // Spreadsheets on some systems start their UTF-8 files with a byte-order mark.
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  CsvContent content;
  std::optional<char> separator;
  bool headerSeen = false;
  std::size_t lineNumber = 0;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const auto end = bytes.find('\n', start);
    std::string_view line = bytes.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    start = end == std::string_view::npos ? bytes.size() : end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    for (unsigned char c : line)
      if ((c < 0x20 && c != '\t') || c == 0x7F)
        return Failed(LinePrefix(lineNumber) + "binary data, not a text file");
    if (Trim(line).empty()) continue;
    if (Trim(line).front() == '#') {
      ReadComment(Trim(line).substr(1), content);
      continue;
    }
    if (!separator) separator = SeparatorOf(line);
    const auto fields = Split(line, *separator);
    const bool decimalComma = *separator != ',';
    const bool firstRow = !headerSeen && content.points.empty();
    if (fields.size() < 2)
      return Failed(LinePrefix(lineNumber) + "expected voltage and current, found one field");
    const auto volts = ParseNumber(fields[0], decimalComma);
    const auto amps = ParseNumber(fields[1], decimalComma);
    const bool rangeHeader = fields.size() == 4 && Trim(fields[3]) == "range_ohms";
    const std::size_t most = content.rangeColumn || (firstRow && rangeHeader) ? 4 : 3;
    if (fields.size() > most)
      return Failed(LinePrefix(lineNumber) + "expected at most " + std::to_string(most) + " fields, found " +
                    std::to_string(fields.size()));
    if (!volts && !amps && firstRow) {  // a header line of column names
      headerSeen = true;
      content.rangeColumn = rangeHeader;
      continue;
    }
    for (int k : {0, 1})
      if (!(k == 0 ? volts : amps))
        return Failed(LinePrefix(lineNumber) + "\"" + std::string(Trim(fields[k])) + "\" is not a number");
    CsvPoint point{*volts, *amps, false};
    if (fields.size() >= 3) {
      const auto flag = Trim(fields[2]);
      if (flag == "1") point.clipped = true;
      else if (flag != "0") return Failed(LinePrefix(lineNumber) + "clipped flag must be 0 or 1");
    }
    if (fields.size() == 4 && !Trim(fields[3]).empty()) {
      const auto ohms = ParseNumber(fields[3], decimalComma);
      if (!ohms || !(*ohms > 0))
        return Failed(LinePrefix(lineNumber) + "range_ohms \"" + std::string(Trim(fields[3])) +
                      "\" is not a resistance in ohms");
      point.rangeOhms = ohms;
    }
    if (content.points.size() == MaxCsvPoints)
      return Failed(LinePrefix(lineNumber) + "more than " + std::to_string(MaxCsvPoints) + " points");
    content.points.push_back(point);
  }
  if (content.points.empty()) return Failed(lineNumber == 0 ? "empty file" : "no data rows");
  return content;
}

}  // namespace kvt
