#include "core/settings.h"

#include <QFile>
#include <QSaveFile>

#include "core/text_number.h"

namespace kvt {

namespace {

// A sound file has 28 short lines; anything much larger is not ours.
constexpr qint64 MaxConfigBytes = 1 << 20;

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
  QFile file(QString::fromStdString(configDir + ConfigFileName));
  if (!file.open(QIODevice::ReadOnly)) {
    SetDefaultSettings(settings, AllGroups);
    return;
  }
  const QByteArray bytes = file.read(MaxConfigBytes + 1);
  if (file.error() != QFileDevice::NoError || bytes.size() > MaxConfigBytes) {
    SetDefaultSettings(settings, AllGroups);
    return;
  }
  ParseSettingsText(settings, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

bool WriteSettings(const Settings& settings, const std::string& configDir) {
  std::string text;
  for (int i = 0; i <= settings.lastIndex && i < SettingsSlots; ++i) text += settings[i] + "\r\n";
  QSaveFile file(QString::fromStdString(configDir + ConfigFileName));
  // Unbuffered, so a short write shows up here rather than being lost in a flush.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
  const auto size = static_cast<qint64>(text.size());
  if (file.write(text.data(), size) != size) {
    file.cancelWriting();
    file.commit();  // discards the temporary file
    return false;
  }
  return file.commit();
}

}  // namespace kvt
