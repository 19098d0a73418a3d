#include "files/curve_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/atomic_write.h"

namespace kvt {

Curve CurveFromCsv(const CsvContent& content) {
  Curve curve;
  curve.points.reserve(content.points.size());
  for (const CsvPoint& p : content.points)
    curve.points.push_back({p.volts, p.amps, p.clipped, p.rangeOhms ? p.rangeOhms : content.rangeOhms});
  curve.info.pointCount = static_cast<int>(content.points.size());
  curve.info.dateTime = content.dateTime;
  curve.info.source = content.sourceFile;
  // Rows may come in any order (a spreadsheet sorted by current, say); the
  // analysis walks a curve along its voltage, so any order gives one curve.
  std::sort(curve.points.begin(), curve.points.end(), [](const CurvePoint& a, const CurvePoint& b) {
    return a.volts != b.volts ? a.volts < b.volts : a.amps < b.amps;
  });
  FlagClipping(curve);
  return curve;
}

std::vector<CsvPoint> CsvPointsOf(const Curve& curve) {
  std::vector<CsvPoint> rows;
  rows.reserve(curve.points.size());
  // A curve of one range says it once, in the range line; only points from
  // several ranges need a column.
  const bool mixed = HasMixedRanges(curve);
  for (const CurvePoint& p : curve.points)
    rows.push_back({p.volts, p.amps, p.clipped, mixed ? p.rangeOhms : std::nullopt});
  return rows;
}

bool HasMixedRanges(const Curve& curve) {
  return !curve.RangeOhms() &&
         std::any_of(curve.points.begin(), curve.points.end(), [](const CurvePoint& p) { return p.rangeOhms; });
}

namespace {

// A points file of 1024 points is about 25 KB and a CSV of many points a few
// MB; nothing larger is read.
constexpr std::size_t MaxCurveFileBytes = MaxCsvFileBytes;

std::string_view FirstLine(std::string_view bytes) {
  std::string_view line = bytes.substr(0, bytes.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

std::string RangeList(const Curve& curve) {
  std::vector<double> ranges;
  for (const CurvePoint& p : curve.points)
    if (p.rangeOhms && std::find(ranges.begin(), ranges.end(), *p.rangeOhms) == ranges.end())
      ranges.push_back(*p.rangeOhms);
  std::sort(ranges.rbegin(), ranges.rend());
  std::string text;
  for (std::size_t i = 0; i < ranges.size(); ++i)
    text += (i == 0 ? "" : i + 1 == ranges.size() ? " and " : ", ") + RangeName(ranges[i]);
  return text;
}

namespace {

// The reader's own account (line and reason) where it gave one.
std::string PointsFileError(const PointsFileContent& content) {
  if (content.status != PointsReadStatus::Ok && !content.problem.empty()) return "points file " + content.problem;
  switch (content.status) {
    case PointsReadStatus::BadCount:
      {
      char count[32];
      std::snprintf(count, sizeof count, "%g", content.count);
      return std::string("a points file holds 32, 64, 128, 256, 512 or 1024 points, not ") + count;
    }
    case PointsReadStatus::BadData:
      return "points file with a bad count or fewer points than its count";
    default:
      return {};
  }
}

}  // namespace

CurveFile ReadCurveFile(const std::string& path) {
  CurveFile file;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    file.error = errno == ENOENT ? "no such file" : std::strerror(errno);
    return file;
  }
  if (!S_ISREG(info.st_mode)) {
    file.error = S_ISDIR(info.st_mode) ? "is a folder" : "not a regular file";
    return file;
  }
  std::string bytes;
  errno = 0;
  if (!ReadFileStart(path, MaxCurveFileBytes, bytes)) {
    file.error = std::string("cannot be read: ") + std::strerror(errno ? errno : EIO);
    return file;
  }
  if (bytes.size() > MaxCurveFileBytes) {
    file.error = "too large for a curve (more than 4 MB)";
    return file;
  }
  if (bytes.empty()) {
    file.error = "empty file";
    return file;
  }
  if (bytes.find('\0') != std::string::npos) {
    file.error = "binary data, not a points file or a CSV file";
    return file;
  }
  if (FirstLine(bytes) == "KVT") {
    const PointsFileContent content = ReadPointsText(bytes);
    file.isPointsFile = true;
    file.error = PointsFileError(content);
    if (file.ok()) file.curve = CurveFromPointsFile(content);
    file.curve.info.source = path;
    return file;
  }
  const CsvContent csv = ReadCsvText(bytes);
  file.error = csv.error;
  if (file.ok()) file.curve = CurveFromCsv(csv);
  file.curve.info.source = path;
  return file;
}

CurveFormat CurveFormatOfName(std::string_view path) {
  std::string tail(path.substr(path.size() >= 4 ? path.size() - 4 : 0));
  std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
  return tail == ".csv" ? CurveFormat::Csv : CurveFormat::PointsFile;
}

CurveText CurveFileText(const Curve& curve, CurveFormat format, const CsvMetadata& meta) {
  CurveText out;
  if (format == CurveFormat::Csv) {
    CsvMetadata full = meta;
    if (!full.rangeOhms) full.rangeOhms = curve.RangeOhms();
    if (!curve.info.dateTime.empty()) full.dateTime = curve.info.dateTime;
    if (full.sourceFile.empty()) full.sourceFile = curve.info.source;
    const auto text = CsvFileText(CsvPointsOf(curve), full);
    if (text) out.text = *text;
    else out.error = "a value of the curve is not a finite number";
    return out;
  }
  if (HasMixedRanges(curve)) {
    out.error = "a points file holds one range, and this curve's points come from " + RangeList(curve) +
                ": write it as .csv to keep them";
    return out;
  }
  if (OptionForCount(static_cast<double>(curve.points.size())) == 0) {
    out.error = "a points file holds 32, 64, 128, 256, 512 or 1024 points; this curve has " +
                std::to_string(curve.points.size());
    return out;
  }
  const auto text = PointsFileText(curve);
  if (text) out.text = *text;
  else out.error = "a value of the curve is not a finite number";
  return out;
}

}  // namespace kvt
