// Fuzz target for the points file reader: any bytes must be read without a
// crash, and whatever it accepts must write back and read back the same.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "files/points_file.h"

using namespace kvt;

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

Curve SetOf(const PointsFileContent& content) {
  Curve curve;
  for (const PointsSample& s : content.samples) curve.points.push_back({s.volts, s.amps});
  return curve;
}

void CheckRead(std::string_view bytes, bool wholeFile) {
  const PointsFileContent read = ReadPointsText(bytes, wholeFile);
  for (const PointsSample& s : read.samples) {
    Check(s.slot >= 0 && s.slot <= 1023);
    Check(std::isfinite(s.volts) && std::isfinite(s.amps));
  }
  if (read.status != PointsReadStatus::Ok) return;
  Check(read.samples.size() == static_cast<std::size_t>(read.count));

  // What was accepted writes and reads back; once written, values are
  // rounded and a further round trip gives the same text.
  const auto text = PointsFileText(SetOf(read));
  Check(text.has_value());
  const PointsFileContent again = ReadPointsText(*text);
  Check(again.status == PointsReadStatus::Ok && again.count == read.count);
  const auto rewritten = PointsFileText(SetOf(again));
  Check(rewritten.has_value());
  Check(PointsFileText(SetOf(ReadPointsText(*rewritten))) == rewritten);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > MaxPointsFileBytes) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckRead(bytes, true);
  CheckRead(bytes, false);
  return 0;
}
