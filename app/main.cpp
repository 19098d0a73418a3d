#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "ui/about_window.h"
#include "ui/main_window.h"
#include "ui/qt_prompt.h"
#include "ui/program_font.h"

namespace {

bool HaveDisplay() {
  const auto set = [](const char* name) { return std::getenv(name) && *std::getenv(name); };
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

// A port library that cannot be used ends the program: there is nothing
// it could measure.
void PortLibraryFailed(const std::string& message) {
  QMessageBox box(QMessageBox::Warning, kvt::BlankTitle(), QString::fromStdString(message), QMessageBox::Ok);
  box.exec();
  std::fprintf(stderr, "kvt_win: %s\n", message.c_str());
  std::exit(EXIT_FAILURE);
}

}  // namespace

int main(int argc, char** argv) {
  if (!HaveDisplay()) {
    std::fprintf(stderr,
                 "kvt_win: no display found; start it from a desktop session, or headless with: xvfb-run -a kvt_win\n");
    return 1;
  }
  QApplication app(argc, argv);
  kvt::ApplyProgramFont(app);
  kvt::MainWindowServices services;
  services.startupPause = kvt::PauseOnPicture;
  services.quit = [] { QCoreApplication::exit(0); };
  services.fatal = PortLibraryFailed;
  kvt::MainWindow form(services);
  form.ShowLoaded();
  return app.exec();
}
