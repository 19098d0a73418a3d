// Feeds arbitrary bytes to the configuration reader and the start-up checks,
// and checks what must hold for any file: a full table, every entry within
// its range after validation, a validation that settles at once, and a
// written file that reads back as the same table.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/settings.h"
#include "core/text_number.h"

using namespace kvt;

namespace {

constexpr ScreenTwips Screen{15360, 11520};

void Require(bool holds, const char* what, int index = -1) {
  if (holds) return;
  std::fprintf(stderr, "settings_fuzz: %s (entry %d)\n", what, index);
  std::abort();
}

bool IntWithin(const std::string& text, int low, int high) {
  const auto v = IntegerValue16(text);
  return v && *v >= low && *v <= high;
}

void RequireInRange(const Settings& s) {
  Require(static_cast<float>(LeadingNumber(s[WindowLeft])) <= Screen.width - 1000, "left beyond the screen", 0);
  Require(static_cast<float>(LeadingNumber(s[WindowTop])) <= Screen.height - 1000, "top beyond the screen", 1);
  Require(LeadingNumber(s[WindowWidth]) >= 8175, "width below the minimum", 2);
  Require(LeadingNumber(s[WindowHeight]) >= 6225, "height below the minimum", 3);
  Require(LeadingNumber(s[PortDelayMicros]) >= 1, "delay below 1", PortDelayMicros);
  const struct {
    int first, last, low, high;
  } ranges[] = {{BackRed, LineBlue, 0, 255},        {SmoothingOn, SmoothingOn, 0, 1},
                {SmoothingLevel, SmoothingLevel, 3, 30}, {MaxVoltsSetting, MaxVoltsSetting, 1, 5},
                {MaxMilliampsSetting, MaxMilliampsSetting, 1, 10}, {PointsChoice, PointsChoice, 1, 6},
                {TextRed, TextBlue, 0, 255},        {AveragingCount, AveragingCount, 1, 100}};
  for (const auto& r : ranges)
    for (int i = r.first; i <= r.last; ++i) Require(IntWithin(s[i], r.low, r.high), "entry out of range", i);
  Require(IntWithin("&H" + s[PortHex], 0, 16384), "port out of range", PortHex);
}

// A folder in memory where possible: every write is flushed to the disk.
// Plain characters, so the clean-up at exit never meets a destroyed string.
char folder[64];

const std::string Folder() {
  if (folder[0] == '\0') {
    std::snprintf(folder, sizeof folder, "%s/settings_fuzz.XXXXXX", access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    Require(mkdtemp(folder) != nullptr, "no temporary folder");
    std::atexit([] {
      std::remove((std::string(folder) + "/" + ConfigFileName).c_str());
      rmdir(folder);
    });
  }
  return std::string(folder) + "/";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Settings settings;
  ParseSettingsText(settings, std::string_view(reinterpret_cast<const char*>(data), size));
  Require(settings.lastIndex == SettingsLines - 1, "not 28 entries after reading");

  ValidateSettings(settings, AllGroups, Screen);
  RequireInRange(settings);
  Settings twice = settings;
  ValidateSettings(twice, AllGroups, Screen);
  for (int i = 0; i < SettingsLines; ++i) Require(twice[i] == settings[i], "a second validation changed", i);

  // A line may end in CR LF or LF alone, so a CR can stay inside an entry;
  // such a table is never written.
  bool breaks = false;
  for (int i = 0; i < SettingsLines; ++i) breaks |= settings[i].find_first_of("\r\n") != std::string::npos;
  const bool written = WriteSettings(settings, Folder());
  Require(written != breaks, breaks ? "an entry with a line break was written" : "the file was not written");
  if (written) {
    Settings back;
    ReadSettings(back, Folder());
    Require(back.lastIndex == settings.lastIndex, "read back with another line count");
    for (int i = 0; i < SettingsLines; ++i) Require(back[i] == settings[i], "read back differently", i);
  }
  return 0;
}
