#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/exit_signals.h"
#include "app/options.h"
#include "device/library_locations.h"
#include "device/switch_hand.h"
#include "ui/about_window.h"
#include "ui/main_window.h"
#include "ui/program_font.h"

namespace {

bool HaveDisplay() {
  const auto set = [](const char* name) { return std::getenv(name) && *std::getenv(name); };
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
  kvt::ProgramOptions options;
  if (const auto status = kvt::ReadOptions(argc, argv, options)) return *status;
  if (!HaveDisplay()) {
    std::fprintf(stderr,
                 "kvt_win: no display found; start it from a desktop session, or headless with: xvfb-run -a kvt_win\n");
    return 1;
  }
  if (options.dataFolder) {
    if (const std::string error = kvt::EnterDataFolder(); !error.empty()) {
      std::fprintf(stderr, "kvt_win: %s\n", error.c_str());
      return 1;
    }
  }
  // From here on a logout or Ctrl+C is noted, and acted on once the window
  // is up (a signal during the start-up waits for it).
  kvt::CatchExitSignals();
  kvt::MainWindowServices services;
  if (options.simulate) {
    services.portLibrary = kvt::SimulatedLibraryPath();
    if (services.portLibrary.isEmpty()) {
      std::fprintf(stderr, "kvt_win: the simulated instrument is not installed beside kvt_win\n");
      return 1;
    }
    // The simulated switch follows a wide-range curve's requests by itself.
    services.switchHand = [library = services.portLibrary](double ohms) {
      if (const kvt::SwitchHand hand = kvt::SwitchHandOf(library)) hand(ohms);
    };
  }
  QApplication app(argc, argv);
  kvt::ApplyProgramFont(app);
  services.startupPause = kvt::PauseOnPicture;
  services.quit = [] { QCoreApplication::exit(0); };
  kvt::MainWindow form(services);
  form.ShowLoaded();
  kvt::ExitSignalListener exitSignals([&form] { form.EndWithoutAsking(); });
  return app.exec();
}
