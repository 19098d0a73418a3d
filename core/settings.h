#pragma once
// The table of option texts and its file "kvt_win.cfg".
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvt {

enum SettingIndex : int {
  WindowLeft = 0,
  WindowTop = 1,
  WindowWidth = 2,
  WindowHeight = 3,
  WindowState = 4,
  SaveWindowOnExit = 5,
  ShowAboutAtStart = 6,
  Reserved7 = 7,
  Reserved8 = 8,
  Reserved9 = 9,
  PortDelayMicros = 10,
  BackRed = 11,
  BackGreen = 12,
  BackBlue = 13,
  LineRed = 14,
  LineGreen = 15,
  LineBlue = 16,
  SmoothingOn = 17,
  SmoothingLevel = 18,
  MaxVoltsSetting = 19,
  MaxMilliampsSetting = 20,
  PointsChoice = 21,
  TextRed = 22,
  TextGreen = 23,
  TextBlue = 24,
  PortHex = 25,
  AveragingCount = 26,
};

// Groups for defaults and validation.
constexpr int AllGroups = 0;
constexpr int WindowGroup = 1;   // entries 0 to 9
constexpr int DeviceGroup = 2;   // entries 10 to 26

constexpr int SettingsSlots = 256;
constexpr int SettingsLines = 28;  // entries 0 to 27 are written
constexpr const char* ConfigFileName = "kvt_win.cfg";

struct Settings {
  std::array<std::string, SettingsSlots> slot;
  std::int16_t lastIndex = -1;  // SettingsLastIndex

  std::string& operator[](int index) { return slot.at(static_cast<std::size_t>(index)); }
  const std::string& operator[](int index) const { return slot.at(static_cast<std::size_t>(index)); }

  // Leading-number value of an entry.
  double Value(int index) const;
  // The entry's value rounded to a 16-bit integer (ties to even); 0 when it does not fit.
  int Int(int index) const;
  // True only for the exact text "1".
  bool IsOn(int index) const { return (*this)[index] == "1"; }
};

// The current directory as the file system names it (not necessarily UTF-8).
std::string CurrentDirectory();

// ConfigDir from the current directory: a "/" is appended unless it already
// ends in one; an empty directory stays empty.
std::string ConfigDirFrom(std::string_view currentDirectory);

void SetDefaultSettings(Settings& settings, int group);

// Screen size of the primary display, in twips.
struct ScreenTwips {
  double width = 0;
  double height = 0;
};
void ValidateSettings(Settings& settings, int group, ScreenTwips screen);

// Fills the table from the text of a configuration file (lines end in CR LF
// or LF). Returns false, with all defaults taken, when the text does not hold
// exactly 28 lines or holds more than 256.
bool ParseSettingsText(Settings& settings, std::string_view text);

// Reads ConfigDir + "kvt_win.cfg"; any problem gives the defaults, silently.
void ReadSettings(Settings& settings, const std::string& configDir);

// Replaces the file with entries 0 to lastIndex, each ending in CR LF, so
// that a failed write leaves the old file whole (see WriteFileAtomically).
// An entry holding a line break is never written: the old file stays as it
// is. Returns whether the file was written; when not, errno tells why.
bool WriteSettings(const Settings& settings, const std::string& configDir);

// WriteSettings, and when the file could not be written a sentence for the
// user that names it and says why; nothing when it was written.
std::optional<std::string> WriteSettingsOrSayWhy(const Settings& settings, const std::string& configDir);

}  // namespace kvt
