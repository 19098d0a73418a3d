#include "core/settings.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "core/atomic_write.h"
#include "core/text_number.h"

namespace kvt {

namespace {

// A sound file has 28 short lines; anything much larger is not ours.
constexpr std::size_t MaxConfigBytes = 1 << 20;

const std::array<const char*, 27> DefaultTexts = {
    "0", "0", nullptr, nullptr, "0", "1", "1", "", "", "",
    "100", "0", "96", "0", "0", "255", "0", "0", "5", "5",
    "10", "3", "0", "180", "0", "378", "4",
};

bool InRange(const Settings& s, int index, int low, int high) {
  const auto v = IntegerValue16(s[index]);
  return v && *v >= low && *v <= high;
}

void Check(Settings& s, int index, int low, int high, const char* replacement) {
  if (!InRange(s, index, low, high)) s[index] = replacement;
}

}  // namespace

double Settings::Value(int index) const { return LeadingNumber((*this)[index]); }

int Settings::Int(int index) const { return IntegerValue16((*this)[index]).value_or(0); }

std::string ConfigDirFrom(std::string_view currentDirectory) {
  std::string dir(currentDirectory);
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

void SetDefaultSettings(Settings& settings, int group) {
  if (group == AllGroups || group == WindowGroup) {
    for (int i = 0; i <= 9; ++i) settings[i] = DefaultTexts[i] ? DefaultTexts[i] : "";
    settings[WindowWidth] = SignedDecimal(8175);
    settings[WindowHeight] = SignedDecimal(6225);
  }
  if (group == AllGroups || group == DeviceGroup) {
    for (int i = 10; i <= 26; ++i) settings[i] = DefaultTexts[i];
  }
  settings.lastIndex = 27;
}

void ValidateSettings(Settings& s, int group, ScreenTwips screen) {
  if (group == AllGroups || group == WindowGroup) {
    const double maxLeft = screen.width - 1000;
    const double maxTop = screen.height - 1000;
    if (static_cast<float>(s.Value(WindowLeft)) > maxLeft) s[WindowLeft] = SignedDecimal(maxLeft);
    if (static_cast<float>(s.Value(WindowTop)) > maxTop) s[WindowTop] = SignedDecimal(maxTop);
    if (s.Value(WindowWidth) < 8175) s[WindowWidth] = SignedDecimal(8175);
    if (s.Value(WindowHeight) < 6225) s[WindowHeight] = SignedDecimal(6225);
  }
  if (group == AllGroups || group == DeviceGroup) {
    if (!(s.Value(PortDelayMicros) >= 1)) s[PortDelayMicros] = "1";
    for (int i = BackRed; i <= LineBlue; ++i) Check(s, i, 0, 255, "128");
    Check(s, SmoothingOn, 0, 1, "0");
    Check(s, SmoothingLevel, 3, 30, "5");
    Check(s, MaxVoltsSetting, 1, 5, "5");
    Check(s, MaxMilliampsSetting, 1, 10, "5");
    Check(s, PointsChoice, 1, 6, "3");
    for (int i = TextRed; i <= TextBlue; ++i) Check(s, i, 0, 255, "128");
    const auto port = IntegerValue16("&H" + s[PortHex]);
    if (!port || *port < 0 || *port > 16384) s[PortHex] = "378";
    Check(s, AveragingCount, 1, 100, "4");
  }
}

bool ParseSettingsText(Settings& settings, std::string_view text) {
  int n = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (n >= SettingsSlots) {
      SetDefaultSettings(settings, AllGroups);
      return false;
    }
    std::size_t end = text.find('\n', pos);
    std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    if (end > pos && text[end - 1] == '\r') --end;
    settings[n] = std::string(text.substr(pos, end - pos));
    ++n;
    pos = next;
  }
  settings.lastIndex = static_cast<std::int16_t>(n - 1);
  if (settings.lastIndex != SettingsLines - 1) {
    SetDefaultSettings(settings, AllGroups);
    return false;
  }
  return true;
}

void ReadSettings(Settings& settings, const std::string& configDir) {
  std::string bytes;
  if (!ReadFileStart(configDir + ConfigFileName, MaxConfigBytes, bytes) || bytes.size() > MaxConfigBytes) {
    SetDefaultSettings(settings, AllGroups);
    return;
  }
  ParseSettingsText(settings, bytes);
}

bool WriteSettings(const Settings& settings, const std::string& configDir) {
  std::string text;
  for (int i = 0; i <= settings.lastIndex && i < SettingsSlots; ++i) {
    // A line break inside an entry would shift every later line: the file
    // would no longer read back, and the next start would lose every setting.
    if (settings[i].find_first_of("\r\n") != std::string::npos) {
      errno = EINVAL;
      return false;
    }
    text += settings[i] + "\r\n";
  }
  return WriteFileAtomically(configDir + ConfigFileName, text);
}

std::optional<std::string> WriteSettingsOrSayWhy(const Settings& settings, const std::string& configDir) {
  errno = 0;
  if (WriteSettings(settings, configDir)) return std::nullopt;
  const int why = errno;
  return "Can't save the options in " + configDir + ConfigFileName + ": " +
         (why != 0 ? std::strerror(why) : "the file cannot be written") + ".";
}

std::string CurrentDirectory() {
  // The bytes as the file system gives them: a folder name need not be UTF-8.
  std::string dir(PATH_MAX, '\0');
  while (::getcwd(dir.data(), dir.size()) == nullptr) {
    if (errno != ERANGE) return {};
    dir.resize(dir.size() * 2);
  }
  dir.resize(dir.find('\0'));
  return dir;
}

}  // namespace kvt
