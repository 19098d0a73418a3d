#pragma once
// Where the two port libraries live beside the programs: in the build folder
// next to them (portio/, simulator/), in an installation in the programs'
// private library folder. Found from the program's own location, so neither
// needs LD_LIBRARY_PATH.
#include <QString>
#include <QStringList>

namespace kvt {

// The folder of the running program (empty when it cannot be told).
QString ProgramFolder();

// Folders to look in for the real port library, after the system's own search.
QStringList PortLibraryDirs();

// The simulated instrument's library file; empty when it is not installed.
QString SimulatedLibraryPath();

}  // namespace kvt
