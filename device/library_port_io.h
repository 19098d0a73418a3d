#pragma once
// The port library bound at run time: loaded by name at the first port
// access, its functions resolved once and reused.
#include <QLibrary>
#include <QString>
#include <QStringList>
#include <bitset>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/port_io.h"
#include "device/library_locations.h"
#include "portio/portio.h"

namespace kvt {

class LibraryPortIo : public PortIo {
 public:
  // Told once, at the first access that fails, why the library or a port
  // cannot be used. A port that cannot be used stays silent: reads give 0
  // and nothing is written; other ports stay usable.
  using FailureHandler = std::function<void(const std::string& message)>;

  // libraryName is tried first by the system's ordinary search (so
  // LD_LIBRARY_PATH wins), then in each of fallbackDirs in turn.
  explicit LibraryPortIo(FailureHandler failed, QString libraryName = QStringLiteral("portio"),
                         QStringList fallbackDirs = PortLibraryDirs());
  ~LibraryPortIo() override;

  int OutPort(int port, int value) override;
  int InPort(int port) override;
  std::string InstrumentMessage() override;
  // The library's own answer (its PortAccessError); nothing when it cannot
  // tell. A library that does not load gives the load failure.
  std::optional<std::string> AccessError(int port) override;

 private:
  using OutFunction = int(PORTIO_CALL*)(int, int);
  using InFunction = int(PORTIO_CALL*)(int);
  using AccessErrorFunction = int(PORTIO_CALL*)(int, char*, int);
  using MessageFunction = const char*(PORTIO_CALL*)();

  bool Usable(int port) {
    const unsigned p = static_cast<unsigned>(port) & 0xFFFF;
    return granted_.test(p) || (!libraryFailed_ && !refused_.test(p) && Grant(port));
  }
  bool Grant(int port);
  bool Load();
  void Fail(const std::string& message);

  FailureHandler failed_;
  QString libraryName_;
  QStringList fallbackDirs_;
  std::unique_ptr<QLibrary> library_;
  OutFunction out_ = nullptr;
  InFunction in_ = nullptr;
  AccessErrorFunction accessError_ = nullptr;  // optional
  MessageFunction message_ = nullptr;          // optional, the simulated instrument's
  std::bitset<0x10000> granted_;
  std::bitset<0x10000> refused_;
  std::string loadError_;
  bool libraryFailed_ = false;
  bool told_ = false;
};

}  // namespace kvt
