#include "core/device_text_check.h"

#include <gtest/gtest.h>

namespace kvt {

namespace {

struct Case {
  DeviceTexts texts;
  std::optional<DeviceTextField> refused;
};

Settings Defaults() {
  Settings s;
  SetDefaultSettings(s, AllGroups);
  return s;
}

}  // namespace

TEST(DeviceTextCheck, RefusesWhatTheNextStartWouldReplace) {
  const Settings s = Defaults();
  const std::vector<Case> cases = {
      {{"100", "378", "4"}, std::nullopt},
      {{"1", "0", "1"}, std::nullopt},
      {{"1.5", "4000", "100"}, std::nullopt},
      {{"100", "", "4"}, std::nullopt},             // no number: port 0, kept at start-up
      {{"100", "3bc", "100.5"}, std::nullopt},      // 100.5 rounds to the even 100
      {{"2147483647", "378", "4"}, std::nullopt},
      {{"0.99", "378", "4"}, DeviceTextField::Delay},
      {{"", "378", "4"}, DeviceTextField::Delay},
      {{"abc", "378", "4"}, DeviceTextField::Delay},
      {{"2147483648", "378", "4"}, DeviceTextField::Delay},  // too large for the pause counter
      {{"1e400", "378", "4"}, DeviceTextField::Delay},
      {{"100", "4001", "4"}, DeviceTextField::Port},
      {{"100", "5000", "4"}, DeviceTextField::Port},
      {{"100", "FFFFF", "4"}, DeviceTextField::Port},
      {{"100", "378", "0"}, DeviceTextField::Averaging},
      {{"100", "378", "100.6"}, DeviceTextField::Averaging},
      {{"100", "378", "99999999"}, DeviceTextField::Averaging},
      {{"0", "5000", "0"}, DeviceTextField::Delay},  // the first field in dialog order
      {{"100", "5000", "0"}, DeviceTextField::Port},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.texts.delay + " | " + c.texts.port + " | " + c.texts.averaging);
    EXPECT_EQ(FirstRefusedDeviceText(s, c.texts), c.refused);
  }
}

}  // namespace kvt
