#include "app/exit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>

namespace kvt {

namespace {

constexpr std::array<int, 3> ExitSignals = {SIGTERM, SIGHUP, SIGINT};

int signalPipe[2] = {-1, -1};

// Async-signal-safe only: write(2) and sigaction(2), errno kept.
void NoteSignal(int signal) {
  const int saved = errno;
  const char byte = static_cast<char>(signal);
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
  struct sigaction usual {};
  usual.sa_handler = SIG_DFL;
  ::sigaction(signal, &usual, nullptr);
  errno = saved;
}

}  // namespace

bool CatchExitSignals() {
  if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  sigset_t unblock;
  sigemptyset(&unblock);
  for (const int signal : ExitSignals) {
    struct sigaction old {};
    if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction noting {};
    noting.sa_handler = NoteSignal;
    sigemptyset(&noting.sa_mask);
    noting.sa_flags = SA_RESTART;
    ::sigaction(signal, &noting, nullptr);
    sigaddset(&unblock, signal);
  }
  ::sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
  return true;
}

ExitSignalListener::ExitSignalListener(std::function<void()> end, QObject* parent)
    : QObject(parent), end_(std::move(end)) {
  if (signalPipe[0] < 0) return;
  notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });
}

void ExitSignalListener::Drain() {
  char bytes[16];
  bool noted = false;
  while (::read(signalPipe[0], bytes, sizeof bytes) > 0) noted = true;
  if (noted && end_) end_();
}

}  // namespace kvt
