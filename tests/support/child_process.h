#pragma once
// Runs a piece of a test in a forked child: as an ordinary user when the
// tests run as root (permission bits do not stop root), and under a time
// limit, so that a call that blocks fails the test instead of hanging it.
// The child hands its findings back as text.
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <grp.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

namespace kvt {

// The "nobody" user and group of Debian.
constexpr uid_t UnprivilegedId = 65534;

struct ChildOptions {
  bool unprivileged = false;
  int timeoutMs = 10000;
};

// What the child returned, or a text in angle brackets saying what went
// wrong ("<timed out>", "<no privileges dropped>", "<crashed>").
inline std::string RunInChild(const std::function<std::string()>& body, ChildOptions options = {}) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return "<no pipe>";
  const pid_t pid = ::fork();
  if (pid < 0) return "<no fork>";
  if (pid == 0) {
    ::close(pipeFds[0]);
    if (options.unprivileged && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(UnprivilegedId) != 0 || ::setuid(UnprivilegedId) != 0))
      ::_exit(3);
    const std::string result = body();
    const ssize_t written = ::write(pipeFds[1], result.data(), result.size());
    ::_exit(written == static_cast<ssize_t>(result.size()) ? 0 : 4);
  }
  ::close(pipeFds[1]);
  std::string result;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.timeoutMs);
  bool timedOut = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd fd{pipeFds[0], POLLIN, 0};
    if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) == 0) {
      timedOut = true;
      break;
    }
    char buffer[4096];
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    result.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  if (timedOut) ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (timedOut) return "<timed out>";
  if (WIFEXITED(status) && WEXITSTATUS(status) == 3) return "<no privileges dropped>";
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "<crashed>";
  return result;
}

// Hands a file or folder to the user RunInChild runs as, so that its
// permission bits are what decides.
inline bool GiveToChild(const std::string& path) {
  return ::geteuid() != 0 || ::lchown(path.c_str(), UnprivilegedId, UnprivilegedId) == 0;
}

}  // namespace kvt
