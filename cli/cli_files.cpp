#include "cli/cli_files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "files/curve_files.h"
#include "cli/command_line.h"
#include "core/atomic_write.h"

namespace kvt {

Curve LoadCurve(const std::string& path) {
  CurveFile file = ReadCurveFile(path);
  if (!file.ok()) throw UsageError(path + ": " + file.error);
  if (file.curve.points.empty()) throw UsageError(path + ": no points");
  return std::move(file.curve);
}

const std::vector<std::string> CurveExtensions = {".kvt", ".csv"};
const std::vector<std::string> PlotExtensions = {".png", ".svg"};
const std::vector<std::string> SpiceExtensions = {".lib", ".mod", ".inc", ".cir", ".sp"};

std::string OneOf(const std::vector<std::string>& words) {
  std::string text;
  for (std::size_t i = 0; i < words.size(); ++i)
    text += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
  return text;
}

std::string OutputExtension(const std::string& path, const std::vector<std::string>& allowed) {
  const std::string name = path.substr(path.rfind('/') + 1);
  const auto dot = name.rfind('.');
  std::string extension = dot == std::string::npos || dot == 0 ? "" : name.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (std::find(allowed.begin(), allowed.end(), extension) == allowed.end())
    throw UsageError(path + ": the output must end in " + OneOf(allowed));
  return extension;
}

void WriteOutput(const std::string& path, const std::string& text) {
  if (path == "-") {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
      throw RunError(std::string("standard output cannot be written: ") + std::strerror(errno ? errno : EIO));
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

TypedOptions OptionsOfThisFolder() {
  TypedOptions options;
  // The geometry is never used here; any screen will do for its checks.
  options.Load(ConfigDirFrom(CurrentDirectory()), {1920 * 15.0, 1080 * 15.0});
  return options;
}

CsvMetadata Metadata(const std::string& sourceFile) {
  CsvMetadata meta;
  meta.program = "kvt";
  meta.version = KVT_VERSION;
  meta.dateTime = LocalDateTimeNow();
  meta.sourceFile = sourceFile;
  return meta;
}

}  // namespace kvt
