#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>
#include <cstdlib>

#include "ui/main_window.h"
#include "ui/program_font.h"

namespace {

bool HaveDisplay() {
  const auto set = [](const char* name) { return std::getenv(name) && *std::getenv(name); };
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

// The about box stays up for the given time; only painting is done meanwhile,
// and the wait runs on a monotonic clock so it cannot hang at midnight.
void PaintOnlyPause(double seconds) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < seconds * 1000) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QThread::msleep(10);
  }
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
  services.startupPause = PaintOnlyPause;
  services.quit = [] { QCoreApplication::exit(0); };
  kvt::MainWindow form(services);
  form.ShowLoaded();
  return app.exec();
}
