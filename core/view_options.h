#pragma once
// The window's view options that kvt_win.cfg has no line for: the current
// scale beyond the Max I scroll bar, the log-current view and the match
// tolerance. They live in a file of their own beside kvt_win.cfg, because
// older copies of the program and other tools read that file and expect
// exactly its 28 lines.
#include <optional>
#include <string>
#include <string_view>

#include "core/typed_options.h"

namespace kvt {

inline constexpr const char* ViewOptionsFileName = "kvt_win_view.cfg";

// The current scales the View menu offers; the first leaves Max I to the
// scroll bar, the last shows the whole reach of the 100 ohm range.
inline constexpr int CurrentScales[] = {10, 20, 50, 60};
inline constexpr int WholeRangeMilliamps = 60;

struct ViewOptions {
  int currentScaleMilliamps = 10;        // one of CurrentScales
  bool logCurrent = false;
  std::string matchTolerance = "auto";   // as `kvt compare --tolerance` takes it
  bool operator==(const ViewOptions&) const = default;
};

// Lines "key = value"; '#' starts a comment. A missing key, an unknown key
// or a bad value keeps the default. The tolerance is kept as text: its
// meaning belongs to the comparison, which checks it where it is used.
ViewOptions ParseViewOptions(std::string_view text);
std::string ViewOptionsText(const ViewOptions& options);

// ConfigDir + ViewOptionsFileName; a missing or unreadable file gives the defaults.
ViewOptions ReadViewOptions(const std::string& configDir);
// Written atomically; why not, naming the file, or nothing when it was.
std::optional<std::string> WriteViewOptions(const ViewOptions& options, const std::string& configDir);

// The panel's controls as the plot uses them: a current scale above 10 mA
// overrides the scroll bar's Max I.
PlotControls ViewedControls(PlotControls panel, const ViewOptions& view);
// Whether the scale overrides the scroll bar.
bool OverridesMaxI(const ViewOptions& view);

}  // namespace kvt
