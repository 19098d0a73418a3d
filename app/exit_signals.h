#pragma once
// SIGTERM (a desktop logging out), SIGHUP (the terminal gone) and SIGINT
// (Ctrl+C) end kvt_win through its own exit sequence, so its options are
// written as File → Exit writes them. A signal handler may do next to
// nothing safely: it only writes a byte to a pipe, and the UI thread runs
// the exit sequence when it reads it.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace kvt {

// Installs the handlers; from now on the three signals are only noted.
// Signals the program inherited as ignored (nohup) stay ignored; blocked
// ones are unblocked. A second signal of a kind ends the program at once,
// in case the first cannot reach the UI thread. False when the pipe cannot
// be made: the signals then keep their usual effect.
bool CatchExitSignals();

// Runs `end` on the UI thread for the signals noted, including those that
// came before it existed. Create it once the event loop's callers may end
// the program (QCoreApplication::exit before the main loop is lost).
class ExitSignalListener : public QObject {
 public:
  explicit ExitSignalListener(std::function<void()> end, QObject* parent = nullptr);

 private:
  void Drain();

  std::function<void()> end_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace kvt
