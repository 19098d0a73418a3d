#pragma once
// Something that turns the range switch for the user: the simulated
// instrument's hand, which its library offers as SimulatorMoveSwitch. A real
// instrument has none; the guided capture then waits for the person.
#include <QString>
#include <functional>

namespace kvt {

using SwitchHand = std::function<void(double rangeOhms)>;

// The hand of the port library in `libraryFile` (loaded by the port binding
// already, or loaded now); an empty function when the library offers none.
SwitchHand SwitchHandOf(const QString& libraryFile);

}  // namespace kvt
