#pragma once
// The kvt command run as a user runs it: a process of its own in a folder,
// its exit status and what it wrote. The test target defines KVT_PROGRAM.
#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

namespace kvt {

struct KvtOutcome {
  int status = -1;  // -1: it crashed or was killed
  std::string out;
  std::string err;
};

// `setUp` may change the process before it starts: its environment, its
// standard streams.
inline KvtOutcome RunKvt(const QString& folder, const QStringList& arguments,
                         const std::function<void(QProcess&)>& setUp = {}, int timeoutMs = 120000) {
  QProcess process;
  process.setWorkingDirectory(folder);
  if (setUp) setUp(process);
  process.start(QStringLiteral(KVT_PROGRAM), arguments);
  EXPECT_TRUE(process.waitForFinished(timeoutMs)) << arguments.join(' ').toStdString();
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
}

}  // namespace kvt
