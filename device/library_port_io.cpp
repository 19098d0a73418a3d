#include "device/library_port_io.h"

#include <QDir>
#include <array>

namespace kvt {

LibraryPortIo::LibraryPortIo(FailureHandler failed, QString libraryName, QStringList fallbackDirs)
    : failed_(std::move(failed)),
      libraryName_(std::move(libraryName)),
      fallbackDirs_(std::move(fallbackDirs)) {}

// The library stays loaded for the life of the process: other copies of the
// binding may still hold its functions.
LibraryPortIo::~LibraryPortIo() = default;

void LibraryPortIo::Fail(const std::string& message) {
  if (told_) return;
  told_ = true;
  if (failed_) failed_(message);
}

// A library that failed to load is not tried again: its failure stays the answer.
bool LibraryPortIo::Load() {
  if (libraryFailed_) return false;
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
    loadError_ = "Can't load the port library \"" + libraryName_.toStdString() + "\": " +
                 errors.toStdString();
    libraryFailed_ = true;
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
      loadError_ = std::string("Can't find the function ") + name + " in the port library \"" +
                   file + "\"";
      libraryFailed_ = true;
      return false;
    }
  }
  library_ = std::move(library);
  return true;
}

std::optional<std::string> LibraryPortIo::AccessError(int port) {
  if (!library_ && !Load()) return loadError_;
  if (!accessError_) return std::nullopt;
  std::array<char, 1024> message{};
  if (accessError_(port, message.data(), static_cast<int>(message.size())) == 0) return std::nullopt;
  message.back() = '\0';
  return std::string(message.data());
}

bool LibraryPortIo::Grant(int port) {
  if (const auto error = AccessError(port)) {
    if (!libraryFailed_) refused_.set(static_cast<unsigned>(port) & 0xFFFF);
    Fail(*error);
    return false;
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
