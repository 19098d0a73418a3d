#pragma once
// Writing the options file from an options dialog.
#include <string>

#include "core/settings.h"

namespace kvt {

class Prompt;

// Writes configDir + "kvt_win.cfg" after a dialog's OK. When it cannot be
// written the user is told which file and why; the new options apply all
// the same until the program ends.
void SaveOptionsFromDialog(const Settings& settings, const std::string& configDir, Prompt& prompt);

}  // namespace kvt
