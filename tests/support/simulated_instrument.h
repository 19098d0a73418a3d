#pragma once
// The simulated instrument behind the program's own port binding, one fresh
// instrument per use.
//
// The simulator builds its instrument when its library is loaded, from the
// control file named then, and a loaded library stays for the life of the
// process; a changed file is only noticed a second later. A private copy of
// the library file loads as a library of its own, so every test gets an
// instrument set by its own control file at once, whatever ran before it in
// the same process.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "device/library_port_io.h"

namespace kvt {

class SimulatedInstrument {
 public:
  explicit SimulatedInstrument(const std::string& controlText) {
    if (!dir_.isValid()) {
      failures_.push_back("no temporary folder");
      return;
    }
    const QString control = dir_.filePath("kvt_sim.txt");
    QFile file(control);
    if (!file.open(QIODevice::WriteOnly) || file.write(controlText.c_str()) < 0) {
      failures_.push_back("cannot write the control file");
      return;
    }
    file.close();

    static std::atomic<int> copies{0};
    library_ = dir_.filePath(QStringLiteral("libportio_copy%1.so").arg(copies++));
    if (!QFile::copy(QStringLiteral(KVT_SIM_LIBRARY), library_)) {
      failures_.push_back("cannot copy the simulator library");
      return;
    }

    const QByteArray before = qgetenv("KVT_SIM_CONFIG");
    const bool hadBefore = qEnvironmentVariableIsSet("KVT_SIM_CONFIG");
    qputenv("KVT_SIM_CONFIG", control.toLocal8Bit());
    port_ = std::make_unique<LibraryPortIo>(
        [this](const std::string& message) { failures_.push_back(message); }, library_, QStringList{});
    port_->InPort(0);  // loads the library: the instrument reads its control file now
    if (hadBefore)
      qputenv("KVT_SIM_CONFIG", before);
    else
      qunsetenv("KVT_SIM_CONFIG");
  }

  bool Ready() const { return port_ && failures_.empty(); }
  PortIo& Port() { return *port_; }
  // This instrument's own copy of the library, for its other exports.
  const QString& LibraryFile() const { return library_; }
  // Failures the binding reported (and set-up problems), in order.
  const std::vector<std::string>& Failures() const { return failures_; }

 private:
  QTemporaryDir dir_;
  QString library_;
  std::vector<std::string> failures_;
  std::unique_ptr<LibraryPortIo> port_;
};

}  // namespace kvt
