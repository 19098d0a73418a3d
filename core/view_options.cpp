#include "core/view_options.h"

#include <cerrno>
#include <cstring>

#include "core/atomic_write.h"

namespace kvt {

namespace {

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::optional<int> ScaleOf(std::string_view value) {
  if (value == "whole") return WholeRangeMilliamps;
  for (int scale : CurrentScales)
    if (value == std::to_string(scale)) return scale;
  return std::nullopt;
}

// A hand-edited file may hold anything; nothing longer than a tolerance
// ever needs is kept.
constexpr std::size_t MaxValueLength = 64;
constexpr std::size_t MaxFileBytes = 64 * 1024;

}  // namespace

ViewOptions ParseViewOptions(std::string_view text) {
  ViewOptions options;
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (const auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = Trimmed(line.substr(0, equals));
    const std::string_view value = Trimmed(line.substr(equals + 1));
    if (key == "current_scale_mA") {
      if (const auto scale = ScaleOf(value)) options.currentScaleMilliamps = *scale;
    } else if (key == "log_current") {
      if (value == "0" || value == "1") options.logCurrent = value == "1";
    } else if (key == "match_tolerance") {
      if (!value.empty() && value.size() <= MaxValueLength) options.matchTolerance = std::string(value);
    }
  }
  return options;
}

std::string ViewOptionsText(const ViewOptions& options) {
  const int scale = options.currentScaleMilliamps;
  return "# kvt_win's view options (kvt_win.cfg keeps its own 28 lines)\n"
         "current_scale_mA = " +
         (scale == WholeRangeMilliamps ? std::string("whole") : std::to_string(scale)) +
         "\n"
         "log_current = " +
         (options.logCurrent ? "1" : "0") + "\nmatch_tolerance = " + options.matchTolerance + "\n";
}

ViewOptions ReadViewOptions(const std::string& configDir) {
  std::string bytes;
  if (!ReadFileStart(configDir + ViewOptionsFileName, MaxFileBytes, bytes) || bytes.size() > MaxFileBytes) return {};
  return ParseViewOptions(bytes);
}

std::optional<std::string> WriteViewOptions(const ViewOptions& options, const std::string& configDir) {
  const std::string path = configDir + ViewOptionsFileName;
  if (WriteFileAtomically(path, ViewOptionsText(options))) return std::nullopt;
  return "Can't write the view options to " + path + ": " + std::strerror(errno);
}

bool OverridesMaxI(const ViewOptions& view) { return view.currentScaleMilliamps > 10; }

PlotControls ViewedControls(PlotControls panel, const ViewOptions& view) {
  if (OverridesMaxI(view)) panel.maxMilliamps = view.currentScaleMilliamps;
  return panel;
}

}  // namespace kvt
