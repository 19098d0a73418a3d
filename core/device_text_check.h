#pragma once
// Checks the three device texts of the general options before they are
// committed: a text is refused when the start-up validation would replace it
// at the next start, or when its number does not fit the integer the device
// routines need.
#include <optional>
#include <string>

#include "core/settings.h"

namespace kvt {

struct DeviceTexts {
  std::string delay;      // PortDelayMicros, microseconds
  std::string port;       // PortHex, hexadecimal digits without prefix
  std::string averaging;  // AveragingCount
};

enum class DeviceTextField { Delay, Port, Averaging };

// The first field, in dialog order, that would not survive; nothing when all
// three can be committed as typed. `current` supplies the other entries.
std::optional<DeviceTextField> FirstRefusedDeviceText(const Settings& current, const DeviceTexts& texts);

// The message shown for a refused field: names it and the accepted range.
std::string RefusalMessage(DeviceTextField field);

}  // namespace kvt
