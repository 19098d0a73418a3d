#pragma once
// The simulated instrument's hands, which its library offers: one turns the
// range switch (SimulatorMoveSwitch), one lifts the probe and puts it on the
// next part (SimulatorLiftProbe). A real instrument has none; the program
// then waits for the person.
#include <QString>
#include <functional>

namespace kvt {

using SwitchHand = std::function<void(double rangeOhms)>;

// The hand of the port library in `libraryFile` (loaded by the port binding
// already, or loaded now); an empty function when the library offers none.
SwitchHand SwitchHandOf(const QString& libraryFile);

// true: the probe lifted; false: put on the next part.
using ProbeHand = std::function<void(bool lifted)>;

// As SwitchHandOf, for the probe.
ProbeHand ProbeHandOf(const QString& libraryFile);

}  // namespace kvt
