#include "core/device_text_check.h"

#include "core/text_number.h"

namespace kvt {

std::optional<DeviceTextField> FirstRefusedDeviceText(const Settings& current, const DeviceTexts& texts) {
  // Run the very validation the next start would run, so both always agree.
  Settings trial = current;
  trial[PortDelayMicros] = texts.delay;
  trial[PortHex] = texts.port;
  trial[AveragingCount] = texts.averaging;
  ValidateSettings(trial, DeviceGroup, ScreenTwips{});

  // The start-up check sets no upper limit for the delay, but the pause after
  // each output counts microseconds in a 32-bit integer.
  if (trial[PortDelayMicros] != texts.delay || !ToInt32(LeadingNumber(texts.delay)))
    return DeviceTextField::Delay;
  if (trial[PortHex] != texts.port) return DeviceTextField::Port;
  if (trial[AveragingCount] != texts.averaging) return DeviceTextField::Averaging;
  return std::nullopt;
}

std::string RefusalMessage(DeviceTextField field) {
  switch (field) {
    case DeviceTextField::Delay:
      return "Delay (output to port): enter a number of microseconds from 1 to 2147483647.";
    case DeviceTextField::Port:
      return "Port of device: enter a hexadecimal address from 0 to 4000.";
    case DeviceTextField::Averaging:
      return "Number of points for averaging: enter a number from 1 to 100.";
  }
  return {};
}

}  // namespace kvt
