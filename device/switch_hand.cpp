#include "device/switch_hand.h"

#include <QLibrary>

#include "portio/portio.h"

namespace kvt {

SwitchHand SwitchHandOf(const QString& libraryFile) {
  if (libraryFile.isEmpty()) return {};
  // The same file as the port binding's gives the same loaded library, and
  // so the same instrument; it stays loaded for the life of the process.
  QLibrary library(libraryFile);
  using MoveFunction = void(PORTIO_CALL*)(int);
  const auto move = reinterpret_cast<MoveFunction>(library.resolve("SimulatorMoveSwitch"));
  if (!move) return {};
  return [move](double rangeOhms) { move(static_cast<int>(rangeOhms)); };
}

ProbeHand ProbeHandOf(const QString& libraryFile) {
  if (libraryFile.isEmpty()) return {};
  QLibrary library(libraryFile);
  using LiftFunction = void(PORTIO_CALL*)(int);
  const auto lift = reinterpret_cast<LiftFunction>(library.resolve("SimulatorLiftProbe"));
  if (!lift) return {};
  return [lift](bool lifted) { lift(lifted ? 1 : 0); };
}

}  // namespace kvt
