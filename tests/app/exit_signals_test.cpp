#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "core/settings.h"

namespace kvt {

namespace {

constexpr uid_t Nobody = 65534;

// kvt_win.cfg with LF line ends, which the program never writes: a file
// with CR LF afterwards was written by it.
void WriteOwnConfig(const QString& folder) {
  Settings settings;
  SetDefaultSettings(settings, AllGroups);
  settings[ShowAboutAtStart] = "0";  // no start-up picture to wait for
  QFile file(folder + "/kvt_win.cfg");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  for (int i = 0; i < SettingsLines; ++i) file.write((settings[i] + "\n").c_str());
}

struct Ended {
  bool normally = false;  // ended by itself, not killed by the signal
  int status = -1;
  std::string errors;
};

// Starts kvt_win in `folder` and sends `signal` at once. The child starts
// with the exit signals blocked, so the signal waits until the program is
// ready for it, however slow its start.
// As root the program runs as "nobody", so that permission bits decide.
Ended StartAndSignal(const QString& folder, int signal, bool unprivileged = false) {
  QProcess program;
  program.setWorkingDirectory(folder);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  program.setProcessEnvironment(environment);
  program.setChildProcessModifier([unprivileged] {
    sigset_t exitSignals;
    sigemptyset(&exitSignals);
    for (const int s : {SIGTERM, SIGHUP, SIGINT}) sigaddset(&exitSignals, s);
    ::sigprocmask(SIG_BLOCK, &exitSignals, nullptr);
    if (unprivileged && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
      ::_exit(3);
  });
  program.start(KVT_WIN_PROGRAM, {"--simulate"});
  if (!program.waitForStarted(30000)) return {};
  ::kill(static_cast<pid_t>(program.processId()), signal);
  if (!program.waitForFinished(60000)) {
    program.kill();
    program.waitForFinished();
    return {false, -1, "<still running>"};
  }
  return {program.exitStatus() == QProcess::NormalExit, program.exitCode(),
          program.readAllStandardError().toStdString()};
}

}  // namespace

// A desktop logging out sends SIGTERM; a terminal that goes away SIGHUP;
// Ctrl+C SIGINT. Each ends the program through its exit sequence, which
// writes the options as File → Exit does.
TEST(ExitSignals, EndTheProgramAsFileExitDoes) {
  const struct {
    const char* name;
    int signal;
  } cases[] = {{"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}, {"SIGINT", SIGINT}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir folder;
    WriteOwnConfig(folder.path());
    const Ended ended = StartAndSignal(folder.path(), c.signal);
    EXPECT_TRUE(ended.normally) << ended.errors;
    EXPECT_EQ(ended.status, 0) << ended.errors;
    QFile file(folder.filePath("kvt_win.cfg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_EQ(text.count("\r\n"), SettingsLines) << text.toStdString();
  }
}

// A folder and file the user cannot write, and nobody there to answer a
// question: the failure goes to stderr, and the program ends all the same.
TEST(ExitSignals, OptionsThatCannotBeSavedAreToldOnStandardError) {
  QTemporaryDir folder;
  WriteOwnConfig(folder.path());
  const std::string path = folder.path().toStdString();
  ASSERT_EQ(::chmod((path + "/kvt_win.cfg").c_str(), 0444), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0555), 0);
  const Ended ended = StartAndSignal(folder.path(), SIGTERM, true);
  ::chmod(path.c_str(), 0700);
  EXPECT_TRUE(ended.normally) << ended.errors;
  EXPECT_EQ(ended.status, 0) << ended.errors;
  const std::string told = "kvt_win: Can't save the options in " + path + "/kvt_win.cfg: ";
  EXPECT_NE(ended.errors.find(told), std::string::npos) << ended.errors;
}

}  // namespace kvt
