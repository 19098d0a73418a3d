#pragma once
// The port library bound at run time: loaded by name at the first port
// access, its functions resolved once and reused.
#include <QLibrary>
#include <QString>
#include <QStringList>
#include <bitset>
#include <functional>
#include <memory>
#include <string>

#include "core/port_io.h"
#include "portio/portio.h"

namespace kvt {

class LibraryPortIo : public PortIo {
 public:
  // Shows the message and ends the program. Should it return (tests), the
  // port stays silent: reads give 0 and nothing is written.
  using FatalHandler = std::function<void(const std::string& message)>;

  // libraryName is tried first by the system's ordinary search (so
  // LD_LIBRARY_PATH wins), then in each of fallbackDirs in turn.
  explicit LibraryPortIo(FatalHandler fatal, QString libraryName = QStringLiteral("portio"),
                         QStringList fallbackDirs = ProgramLibraryDirs());
  ~LibraryPortIo() override;

  int OutPort(int port, int value) override;
  int InPort(int port) override;
  std::string InstrumentMessage() override;

  // The program's own folder and its "portio" subfolder, where the build
  // puts the library.
  static QStringList ProgramLibraryDirs();

 private:
  using OutFunction = int(PORTIO_CALL*)(int, int);
  using InFunction = int(PORTIO_CALL*)(int);
  using AccessErrorFunction = int(PORTIO_CALL*)(int, char*, int);
  using MessageFunction = const char*(PORTIO_CALL*)();

  bool Usable(int port) {
    return !failed_ && (granted_.test(static_cast<unsigned>(port) & 0xFFFF) || Grant(port));
  }
  bool Grant(int port);
  bool Load();
  void Fail(const std::string& message);

  FatalHandler fatal_;
  QString libraryName_;
  QStringList fallbackDirs_;
  std::unique_ptr<QLibrary> library_;
  OutFunction out_ = nullptr;
  InFunction in_ = nullptr;
  AccessErrorFunction accessError_ = nullptr;  // optional
  MessageFunction message_ = nullptr;          // optional, the simulated instrument's
  std::bitset<0x10000> granted_;
  bool failed_ = false;
};

}  // namespace kvt
