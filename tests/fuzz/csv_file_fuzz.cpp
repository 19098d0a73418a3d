// Fuzz target for the CSV reader: any bytes are read without a crash, a
// refusal always says why, and what is accepted writes back and reads back
// to exactly the same points.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "files/csv_file.h"

namespace kvt {
namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckRead(std::string_view bytes) {
  const CsvContent read = ReadCsvText(bytes);
  if (!read.ok()) {
    Check(read.points.empty());
    return;
  }
  Check(!read.points.empty() && read.points.size() <= MaxCsvPoints);
  for (const CsvPoint& p : read.points) Check(std::isfinite(p.volts) && std::isfinite(p.amps));
  if (read.rangeOhms) Check(*read.rangeOhms > 0 && std::isfinite(*read.rangeOhms));

  const auto text = CsvFileText(read.points, {"fuzz", "1", "now", read.rangeOhms, read.sourceFile});
  Check(text.has_value());
  const CsvContent again = ReadCsvText(*text);
  Check(again.ok());
  Check(again.points == read.points);
  Check(again.rangeOhms == read.rangeOhms);
}

}  // namespace
}  // namespace kvt

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kvt::CheckRead(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
