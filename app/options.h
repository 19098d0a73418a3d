#pragma once
// The command line of kvt_win, read before any window or display exists so
// that --help and --version work anywhere.
#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace kvt {

struct ProgramOptions {
  bool simulate = false;    // load the simulated instrument instead of the port library
  bool dataFolder = false;  // work in the user's data folder instead of the current one
};

struct ParsedOptions {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  ProgramOptions options;
  std::string error;  // one line, for Action::Error
};

ParsedOptions ParseOptions(const std::vector<std::string>& arguments);

// Reads argv; prints usage, version or the error. Returns the exit status
// when the program should end here, nothing when it should start.
std::optional<int> ReadOptions(int argc, char** argv, ProgramOptions& options);

// $XDG_DATA_HOME/kvt_win, or ~/.local/share/kvt_win when that is unset or
// not absolute.
QString DataFolder();

// Creates the data folder when missing and makes it the current folder,
// where kvt_win.cfg and kvt_sim.txt are kept. Returns an error message, empty
// on success.
std::string EnterDataFolder();

}  // namespace kvt
