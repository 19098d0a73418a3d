#include "app/options.h"

#include <QDir>
#include <algorithm>
#include <cstdio>

namespace kvt {

namespace {

constexpr char Usage[] =
    "Usage:\n"
    "  kvt_win [--simulate] [--data-folder]\n"
    "  kvt_win --help | --version\n"
    "\n"
    "The I-V curve tracer's window. It keeps its options in kvt_win.cfg in the\n"
    "current folder.\n"
    "\n"
    "  --simulate      use the simulated instrument instead of the parallel port\n"
    "                  (kvt_sim.txt in the current folder chooses its component)\n"
    "  --data-folder   work in $XDG_DATA_HOME/kvt_win (~/.local/share/kvt_win),\n"
    "                  creating it when missing, instead of the current folder\n"
    "  --help          show this text\n"
    "  --version       show the version\n";

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& arguments) {
  ParsedOptions parsed;
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      parsed.action = ParsedOptions::Action::Help;
      return parsed;
    }
    if (argument == "--version") {
      parsed.action = ParsedOptions::Action::Version;
      return parsed;
    }
    if (argument == "--simulate") {
      parsed.options.simulate = true;
    } else if (argument == "--data-folder") {
      parsed.options.dataFolder = true;
    } else {
      parsed.action = ParsedOptions::Action::Error;
      parsed.error = argument.starts_with('-') ? "unknown option \"" + argument + "\""
                                               : "unexpected argument \"" + argument + "\"";
      return parsed;
    }
  }
  return parsed;
}

std::optional<int> ReadOptions(int argc, char** argv, ProgramOptions& options) {
  const ParsedOptions parsed = ParseOptions({argv + std::min(argc, 1), argv + argc});
  switch (parsed.action) {
    case ParsedOptions::Action::Help:
      std::fputs(Usage, stdout);
      return 0;
    case ParsedOptions::Action::Version:
      std::printf("kvt_win %s\n", KVT_VERSION);
      return 0;
    case ParsedOptions::Action::Error:
      std::fprintf(stderr, "kvt_win: %s (kvt_win --help lists the options)\n", parsed.error.c_str());
      return 2;
    case ParsedOptions::Action::Run:
      break;
  }
  options = parsed.options;
  return std::nullopt;
}

QString DataFolder() {
  QString base = qEnvironmentVariable("XDG_DATA_HOME");
  if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + QStringLiteral("/.local/share");
  return QDir::cleanPath(base + QStringLiteral("/kvt_win"));
}

std::string EnterDataFolder() {
  const QString folder = DataFolder();
  if (!QDir().mkpath(folder)) return "cannot create the data folder " + folder.toStdString();
  if (!QDir::setCurrent(folder)) return "cannot enter the data folder " + folder.toStdString();
  return {};
}

}  // namespace kvt
