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
      {{"100", " 3BC ", "4"}, std::nullopt},        // blanks around the digits
      {{"100", "3bc", "100.5"}, std::nullopt},      // 100.5 rounds to the even 100
      {{"90909", "378", "4"}, std::nullopt},           // one point: 110 pauses, just under ten seconds
      {{"4500", "378", "100"}, std::nullopt},          // 2222 pauses
      {{"227272", "378", "1"}, std::nullopt},          // one conversion: 44 pauses
      {{"227273", "378", "1"}, DeviceTextField::Delay},
      {{"90910", "378", "4"}, DeviceTextField::Delay},
      {{"90909.5", "378", "4"}, DeviceTextField::Delay},  // rounds to the even 90910
      {{"4501", "378", "100"}, DeviceTextField::Delay},
      {{"1000000", "378", "4"}, DeviceTextField::Delay},
      {{"2147483647", "378", "4"}, DeviceTextField::Delay},
      {{"250\r\n", "378", "4"}, DeviceTextField::Delay},  // a pasted line break
      {{"100", "378\n", "4"}, DeviceTextField::Port},
      {{"100", "37\r8", "4"}, DeviceTextField::Port},
      {{"100", "378", "4\r"}, DeviceTextField::Averaging},
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

// The start-up check reads a port text as the number it starts with: "zz"
// would be port 0 and "378h" port 0x378 (with a simulated instrument no
// port library objects). A typed port must be the address, and nothing else;
// the text the file already held is left to the start-up check.
TEST(DeviceTextCheck, ANewPortMustBeAHexadecimalAddress) {
  const struct {
    const char* name;
    const char* current;
    const char* typed;
    bool refused;
  } cases[] = {
      {"letters", "378", "zz", true},
      {"empty", "378", "", true},
      {"blanks only", "378", "  ", true},
      {"digits then letters", "378", "378h", true},
      {"C prefix", "378", "0x378", true},
      {"inner blank", "378", "3 78", true},
      {"sign", "378", "-0", true},
      {"upper case", "378", "3BC", false},
      {"lower case", "378", "3bc", false},
      {"tab and blank around", "378", "\t278 ", false},
      {"zero", "378", "0", false},
      {"unchanged empty text", "", "", false},
      {"unchanged text that is no address", "zz", "zz", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Settings s = Defaults();
    s[PortHex] = c.current;
    const auto refused = FirstRefusedDeviceText(s, {"100", c.typed, "4"});
    EXPECT_EQ(refused, c.refused ? std::optional(DeviceTextField::Port) : std::nullopt);
  }
}

TEST(DeviceTextCheck, MessagesNameTheFieldAndWhy) {
  const struct {
    const char* name;
    DeviceTextField field;
    DeviceTexts texts;
    std::vector<std::string> parts;
  } cases[] = {
      {"delay with 4 conversions", DeviceTextField::Delay, {"1000000", "378", "4"},
       {"Delay (output to port)", "from 1 to 90909", "4 points for averaging", "ten seconds"}},
      {"delay with 100 conversions", DeviceTextField::Delay, {"0", "378", "100"}, {"from 1 to 4500"}},
      {"delay line break", DeviceTextField::Delay, {"250\r\n", "378", "4"}, {"Delay (output to port)", "line break"}},
      {"port range", DeviceTextField::Port, {"100", "5000", "4"}, {"Port of device", "0 to 4000"}},
      {"port line break", DeviceTextField::Port, {"100", "378\n", "4"}, {"Port of device", "line break"}},
      {"averaging range", DeviceTextField::Averaging, {"100", "378", "101"}, {"Number of points for averaging", "1 to 100"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string message = RefusalMessage(c.field, c.texts);
    for (const auto& part : c.parts) EXPECT_NE(message.find(part), std::string::npos) << message;
  }
  const std::string port = PortRefusalMessage("The I/O port 0x0 cannot be used: no parallel port.");
  EXPECT_NE(port.find("Port of device"), std::string::npos) << port;
  EXPECT_NE(port.find("0x0 cannot be used: no parallel port."), std::string::npos) << port;
}

}  // namespace kvt
