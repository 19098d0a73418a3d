#pragma once
// Checks the three device texts of the general options before they are
// committed: a text is refused when it holds a line break (the file keeps
// one entry a line), when the start-up validation would replace it at the
// next start, when its number does not fit the integer the device routines
// need, when the delay would make one measured point too long to wait for,
// or when a newly typed port is no hexadecimal address.
#include <cstdint>
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

// One measured point pauses after each of the 22 writes of the output
// transfer and of each of its conversions; it may take this long at most.
constexpr int PausesPerTransfer = 22;
constexpr double MaxPointSeconds = 10;

// The longest delay, in whole microseconds, with which one point of the
// averaging text's conversions (at least one) lasts no more than MaxPointSeconds.
std::int32_t MaxDelayMicros(const std::string& averaging);

// The first field, in dialog order, that would not survive; nothing when all
// three can be committed as typed. `current` supplies the other entries; a
// port text other than the current one must be hexadecimal digits.
std::optional<DeviceTextField> FirstRefusedDeviceText(const Settings& current, const DeviceTexts& texts);

// The message shown for a refused field: names it and why, or the accepted range.
std::string RefusalMessage(DeviceTextField field, const DeviceTexts& texts);

// The message for a port address the port library cannot use.
std::string PortRefusalMessage(const std::string& reason);

}  // namespace kvt
