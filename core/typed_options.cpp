#include "core/typed_options.h"

#include <algorithm>
#include <utility>

#include "core/text_number.h"

namespace kvt {

namespace {

// Components outside 0..255 would spill into their neighbours.
Colour ColourOf(const Settings& table, int redIndex) {
  const auto component = [&](int index) { return std::clamp(table.Int(index), 0, 255); };
  return MakeColour(component(redIndex), component(redIndex + 1), component(redIndex + 2));
}

const char* OnOff(bool on) { return on ? "1" : "0"; }

}  // namespace

std::int32_t DelayMicrosOf(const std::string& text) { return ToInt32(LeadingNumber(text)).value_or(0); }

int AveragingOf(const std::string& text) {
  const auto count = ToInt16(LeadingNumber(text));
  return count && *count >= 1 ? *count : 1;
}

std::optional<int> PortBaseOf(const std::string& portHex) {
  const double base = RoundHalfEven(LeadingNumber("&H" + portHex));
  if (!(base >= 0 && base <= 0xFFFD)) return std::nullopt;
  return static_cast<int>(base);
}

TypedOptions::TypedOptions() {
  SetDefaultSettings(table_, AllGroups);
  Refresh();
}

TypedOptions::TypedOptions(Settings table) : table_(std::move(table)) { Refresh(); }

void TypedOptions::Load(const std::string& configDir, ScreenTwips screen) {
  ReadSettings(table_, configDir);
  ValidateSettings(table_, AllGroups, screen);
  Refresh();
}

void TypedOptions::SetDefaults(int group) {
  SetDefaultSettings(table_, group);
  Refresh();
}

void TypedOptions::SetEntry(int index, std::string text) {
  table_[index] = std::move(text);
  Refresh();
}

void TypedOptions::SetSmoothing(bool on) { SetEntry(SmoothingOn, OnOff(on)); }
void TypedOptions::SetSmoothingLevel(int level) { SetEntry(SmoothingLevel, PlainDecimal(level)); }
void TypedOptions::SetMaxVolts(int volts) { SetEntry(MaxVoltsSetting, PlainDecimal(volts)); }
void TypedOptions::SetMaxMilliamps(int milliamps) { SetEntry(MaxMilliampsSetting, PlainDecimal(milliamps)); }
void TypedOptions::SetPointsChoice(int choice) { SetEntry(PointsChoice, PlainDecimal(choice)); }

void TypedOptions::SetColours(const PlotColours& colours) {
  const std::pair<int, Colour> groups[] = {
      {BackRed, colours.background}, {LineRed, colours.line}, {TextRed, colours.text}};
  for (const auto& [red, colour] : groups) {
    table_[red] = SignedDecimal(RedOf(colour));
    table_[red + 1] = SignedDecimal(GreenOf(colour));
    table_[red + 2] = SignedDecimal(BlueOf(colour));
  }
  Refresh();
}

void TypedOptions::SetDeviceTexts(const DeviceTexts& texts) {
  table_[PortDelayMicros] = texts.delay;
  table_[PortHex] = texts.port;
  table_[AveragingCount] = texts.averaging;
  Refresh();
}

void TypedOptions::SetWindowChecks(bool saveOnExit, bool showAboutAtStart) {
  table_[SaveWindowOnExit] = OnOff(saveOnExit);
  table_[ShowAboutAtStart] = OnOff(showAboutAtStart);
  Refresh();
}

void TypedOptions::SetWindowGeometry(double left, double top, double width, double height, int state) {
  table_[WindowLeft] = SignedDecimal(left);
  table_[WindowTop] = SignedDecimal(top);
  table_[WindowWidth] = SignedDecimal(width);
  table_[WindowHeight] = SignedDecimal(height);
  table_[WindowState] = SignedDecimal(state);
  Refresh();
}

// The structs are updated in place: a device keeps a reference to its part
// and so applies a change from its next port operation.
void TypedOptions::Refresh() {
  const Settings& t = table_;
  plot_.colours = {ColourOf(t, BackRed), ColourOf(t, LineRed), ColourOf(t, TextRed)};
  plot_.controls = {t.IsOn(SmoothingOn), t.Int(SmoothingLevel), t.Int(MaxVoltsSetting), t.Int(MaxMilliampsSetting)};

  device_.delayMicros = DelayMicrosOf(t[PortDelayMicros]);
  device_.averaging = AveragingOf(t[AveragingCount]);
  device_.portHex = t[PortHex];
  device_.portBase = PortBaseOf(t[PortHex]);
  device_.pointsChoice = t.Int(PointsChoice);

  window_.left = t.Value(WindowLeft);
  window_.top = t.Value(WindowTop);
  window_.width = t.Value(WindowWidth);
  window_.height = t.Value(WindowHeight);
  window_.state = t.Value(WindowState);
  window_.saveOnExit = t.IsOn(SaveWindowOnExit);
  window_.showAboutAtStart = t.IsOn(ShowAboutAtStart);
}

}  // namespace kvt
