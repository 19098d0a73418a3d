#include "device/library_locations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifndef KVT_PRIVATE_LIBDIR
#define KVT_PRIVATE_LIBDIR "../lib/kvt_win"
#endif

namespace kvt {

namespace {

// The folders that may hold portio/ and simulator/: the program's own
// (build folder) and its private library folder (installation).
QStringList LibraryRoots() {
  const QString program = ProgramFolder();
  if (program.isEmpty()) return {};
  return {program, QDir::cleanPath(program + QStringLiteral("/" KVT_PRIVATE_LIBDIR))};
}

}  // namespace

QString ProgramFolder() {
  // The link names the executable whether or not an application object exists.
  const QFileInfo self(QStringLiteral("/proc/self/exe"));
  if (self.exists()) return QFileInfo(self.canonicalFilePath()).absolutePath();
  return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}

QStringList PortLibraryDirs() {
  QStringList dirs;
  for (const QString& root : LibraryRoots()) dirs << root + QStringLiteral("/portio") << root;
  return dirs;
}

QString SimulatedLibraryPath() {
  for (const QString& root : LibraryRoots()) {
    const QString path = root + QStringLiteral("/simulator/libportio.so");
    if (QFileInfo::exists(path)) return path;
  }
  return {};
}

}  // namespace kvt
