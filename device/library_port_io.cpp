#include "device/library_port_io.h"

#include <QCoreApplication>
#include <QDir>
#include <array>

namespace kvt {

LibraryPortIo::LibraryPortIo(FatalHandler fatal, QString libraryName, QStringList fallbackDirs)
    : fatal_(std::move(fatal)),
      libraryName_(std::move(libraryName)),
      fallbackDirs_(std::move(fallbackDirs)) {}

// The library stays loaded for the life of the process: other copies of the
// binding may still hold its functions.
LibraryPortIo::~LibraryPortIo() = default;

QStringList LibraryPortIo::ProgramLibraryDirs() {
  if (!QCoreApplication::instance()) return {};
  const QString dir = QCoreApplication::applicationDirPath();
  return {dir + QStringLiteral("/portio"), dir};
}

void LibraryPortIo::Fail(const std::string& message) {
  failed_ = true;
  if (fatal_) fatal_(message);
}

bool LibraryPortIo::Load() {
  QString errors;
  auto library = std::make_unique<QLibrary>(libraryName_);
  bool loaded = library->load();
  if (!loaded) errors = library->errorString();
  if (!loaded && !QDir::isAbsolutePath(libraryName_)) {
    for (const QString& dir : fallbackDirs_) {
      library = std::make_unique<QLibrary>(QDir(dir).filePath(libraryName_));
      loaded = library->load();
      if (loaded) break;
    }
  }
  if (!loaded) {
    Fail("Can't load the port library \"" + libraryName_.toStdString() + "\": " +
         errors.toStdString());
    return false;
  }
  const std::string file = library->fileName().toStdString();
  out_ = reinterpret_cast<OutFunction>(library->resolve("OutPort"));
  in_ = reinterpret_cast<InFunction>(library->resolve("InPort"));
  accessError_ = reinterpret_cast<AccessErrorFunction>(library->resolve("PortAccessError"));
  message_ = reinterpret_cast<MessageFunction>(library->resolve("SimulatorMessage"));
  for (const auto& [name, found] : {std::pair{"OutPort", out_ != nullptr},
                                    std::pair{"InPort", in_ != nullptr}}) {
    if (!found) {
      Fail(std::string("Can't find the function ") + name + " in the port library \"" + file +
           "\"");
      return false;
    }
  }
  library_ = std::move(library);
  return true;
}

bool LibraryPortIo::Grant(int port) {
  if (!library_ && !Load()) return false;
  if (accessError_) {
    std::array<char, 1024> message{};
    if (accessError_(port, message.data(), static_cast<int>(message.size())) != 0) {
      message.back() = '\0';
      Fail(message.data());
      return false;
    }
  }
  granted_.set(static_cast<unsigned>(port) & 0xFFFF);
  return true;
}

int LibraryPortIo::OutPort(int port, int value) {
  if (!Usable(port)) return 0;
  return out_(port, value);
}

std::string LibraryPortIo::InstrumentMessage() {
  if (!library_ || !message_) return {};
  const char* text = message_();
  return text ? std::string(text) : std::string();
}

int LibraryPortIo::InPort(int port) {
  if (!Usable(port)) return 0;
  return in_(port) & 0xFF;
}

}  // namespace kvt
