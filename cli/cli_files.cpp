#include "cli/cli_files.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "analysis/curve_files.h"
#include "cli/command_line.h"
#include "core/atomic_write.h"

namespace kvt {

Curve LoadCurve(const std::string& path) {
  CurveFile file = ReadCurveFile(path);
  if (!file.ok()) throw UsageError(path + ": " + file.error);
  if (file.curve.points.empty()) throw UsageError(path + ": no points");
  return std::move(file.curve);
}

void WriteOutput(const std::string& path, const std::string& text) {
  if (path == "-") {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return;
  }
  if (const auto why = OutputRefusal(path)) throw UsageError(path + ": " + *why);
  if (!WriteFileAtomically(path, text)) throw UsageError(path + ": cannot be written");
}

void WriteCurve(const std::string& path, const Curve& curve, const std::string& sourceFile) {
  const CurveText out = CurveFileText(curve, CurveFormatOfName(path), Metadata(sourceFile));
  if (!out.error.empty()) throw UsageError(path + ": " + out.error);
  WriteOutput(path, out.text);
}

Settings SettingsOfThisFolder() {
  Settings settings;
  ReadSettings(settings, ConfigDirFrom(CurrentDirectory()));
  // The geometry is never used here; any screen will do for its checks.
  ValidateSettings(settings, AllGroups, {1920 * 15.0, 1080 * 15.0});
  return settings;
}

CsvMetadata Metadata(const std::string& sourceFile) {
  CsvMetadata meta;
  meta.program = "kvt";
  meta.version = KVT_VERSION;
  const std::time_t now = std::time(nullptr);
  char stamp[32] = "";
  if (std::tm local{}; localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  meta.dateTime = stamp;
  meta.sourceFile = sourceFile;
  return meta;
}

}  // namespace kvt
