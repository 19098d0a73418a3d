#include "core/device_text_check.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "core/text_number.h"
#include "core/typed_options.h"

namespace kvt {

namespace {

bool HoldsLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

// Hexadecimal digits, blanks around them allowed. The start-up check reads
// any text as the number it starts with, so "zz" would quietly mean port 0.
bool IsHexAddress(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return false;
  const auto last = text.find_last_not_of(" \t");
  for (std::size_t i = first; i <= last; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  return true;
}

const std::string& TextOf(const DeviceTexts& texts, DeviceTextField field) {
  switch (field) {
    case DeviceTextField::Delay: return texts.delay;
    case DeviceTextField::Port: return texts.port;
    case DeviceTextField::Averaging: return texts.averaging;
  }
  return texts.delay;
}

const char* FieldName(DeviceTextField field) {
  switch (field) {
    case DeviceTextField::Delay: return "Delay (output to port)";
    case DeviceTextField::Port: return "Port of device";
    case DeviceTextField::Averaging: return "Number of points for averaging";
  }
  return "";
}

// Conversions per point as the measurement takes them.
int ConversionsPerPoint(const std::string& averaging) { return AveragingOf(averaging); }

}  // namespace

std::int32_t MaxDelayMicros(const std::string& averaging) {
  const int pauses = PausesPerTransfer * (1 + ConversionsPerPoint(averaging));
  return static_cast<std::int32_t>(std::floor(MaxPointSeconds * 1e6 / pauses));
}

std::optional<DeviceTextField> FirstRefusedDeviceText(const Settings& current, const DeviceTexts& texts) {
  for (const auto field : {DeviceTextField::Delay, DeviceTextField::Port, DeviceTextField::Averaging})
    if (HoldsLineBreak(TextOf(texts, field))) return field;

  // Run the very validation the next start would run, so both always agree.
  Settings trial = current;
  trial[PortDelayMicros] = texts.delay;
  trial[PortHex] = texts.port;
  trial[AveragingCount] = texts.averaging;
  ValidateSettings(trial, DeviceGroup, ScreenTwips{});

  // The start-up check sets no upper limit for the delay, but every pause is
  // a busy wait: a point must stay short enough to wait for.
  const auto delay = ToInt32(LeadingNumber(texts.delay));
  if (trial[PortDelayMicros] != texts.delay || !delay || *delay > MaxDelayMicros(texts.averaging))
    return DeviceTextField::Delay;
  // A port text taken over from the file as it was is not judged again.
  if (trial[PortHex] != texts.port || (texts.port != current[PortHex] && !IsHexAddress(texts.port)))
    return DeviceTextField::Port;
  if (trial[AveragingCount] != texts.averaging) return DeviceTextField::Averaging;
  return std::nullopt;
}

std::string RefusalMessage(DeviceTextField field, const DeviceTexts& texts) {
  const std::string name = FieldName(field);
  if (HoldsLineBreak(TextOf(texts, field))) return name + ": the text holds a line break; enter it on one line.";
  switch (field) {
    case DeviceTextField::Delay:
      return name + ": enter a number of microseconds from 1 to " + std::to_string(MaxDelayMicros(texts.averaging)) +
             " (with " + std::to_string(ConversionsPerPoint(texts.averaging)) +
             " points for averaging, so that one point takes no more than ten seconds).";
    case DeviceTextField::Port:
      return name + ": enter a hexadecimal address from 0 to 4000.";
    case DeviceTextField::Averaging:
      return name + ": enter a number from 1 to 100.";
  }
  return {};
}

std::string PortRefusalMessage(const std::string& reason) {
  return std::string(FieldName(DeviceTextField::Port)) + ": the port library cannot use this address.\n\n" + reason;
}

}  // namespace kvt
