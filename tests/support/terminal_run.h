#pragma once
// Runs the command with its standard error on a pseudo-terminal, as a person
// at a terminal runs it (the progress shows only there), sends it a signal
// once a given text has appeared, and returns all the terminal showed.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <string>

namespace kvt {

struct TerminalRun {
  bool started = false;
  bool textSeen = false;  // the text waited for appeared before the signal
  QProcess::ExitStatus exitStatus = QProcess::CrashExit;
  int exitCode = -1;
  std::string seen;  // everything the terminal showed
  // The last `n` characters, for a failure message.
  std::string Tail(std::size_t n = 300) const { return seen.substr(seen.size() > n ? seen.size() - n : 0); }
};

// Waits at most `polls` reads of 100 ms for `waitFor`, then signals anyway.
inline TerminalRun SignalOnceShown(const QString& program, const QStringList& arguments, const QString& folder,
                                   const QProcessEnvironment& environment, const std::string& waitFor, int signal,
                                   int polls = 600) {
  TerminalRun run;
  const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0) return run;
  const int side = ::open(ptsname(terminal), O_RDWR | O_NOCTTY);
  if (side < 0) {
    ::close(terminal);
    return run;
  }
  fcntl(terminal, F_SETFL, O_NONBLOCK);
  QProcess process;
  process.setWorkingDirectory(folder);
  process.setProcessEnvironment(environment);
  process.setChildProcessModifier([side] { ::dup2(side, STDERR_FILENO); });
  process.start(program, arguments);
  run.started = process.waitForStarted();
  ::close(side);
  if (!run.started) {
    ::close(terminal);
    return run;
  }
  const auto readTerminal = [&] {
    pollfd ready{terminal, POLLIN, 0};
    ::poll(&ready, 1, 100);
    char buffer[4096];
    for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;) run.seen.append(buffer, n);
  };
  for (int k = 0; k < polls && run.seen.find(waitFor) == std::string::npos && process.state() != QProcess::NotRunning;
       ++k)
    readTerminal();
  run.textSeen = run.seen.find(waitFor) != std::string::npos;
  ::kill(static_cast<pid_t>(process.processId()), signal);
  while (process.state() != QProcess::NotRunning) {
    readTerminal();
    process.waitForFinished(0);
  }
  readTerminal();
  ::close(terminal);
  run.exitStatus = process.exitStatus();
  run.exitCode = process.exitCode();
  return run;
}

}  // namespace kvt
