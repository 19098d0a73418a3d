#pragma once
// The options as numbers over the settings table. The table stays the truth
// that kvt_win.cfg holds; every change goes through this object, which writes
// the text and refreshes the numbers at once, so widgets, renderer and device
// read numbers and never parse or format an entry themselves.
#include <cstdint>
#include <optional>
#include <string>

#include "core/device_text_check.h"
#include "core/draw_surface.h"
#include "core/settings.h"

namespace kvt {

struct PlotColours {
  Colour background = 0;
  Colour line = 0;
  Colour text = 0;
};

// The parameter panel's part of the plot.
struct PlotControls {
  bool smoothing = false;  // "Using smoothing" checked
  int smoothingLevel = 3;  // points per block, 3..30
  int maxVolts = 5;        // Max V, whole volts 1..5
  int maxMilliamps = 10;   // Max I, whole milliamperes 1..10
};

struct PlotOptions {
  PlotColours colours;
  PlotControls controls;
};

struct DeviceOptions {
  // The pause after each port write; 0 (no pause) when the entry does not fit 32 bits.
  std::int32_t delayMicros = 0;
  int averaging = 1;           // conversions per point, at least 1
  std::string portHex;         // the address as the table holds it
  std::optional<int> portBase; // nothing when the registers would pass 0xFFFF
  int pointsChoice = 0;        // 1..6 for 32..1024 points; anything else chooses none
};

struct WindowOptions {
  double left = 0, top = 0, width = 0, height = 0;  // twips
  double state = 0;  // 0 normal, 1 minimised, 2 maximised, as stored
  bool saveOnExit = false;
  bool showAboutAtStart = false;
};

// The three texts' numbers as the device applies them.
std::int32_t DelayMicrosOf(const std::string& text);
int AveragingOf(const std::string& text);
// The base address of a PortHex text (hexadecimal digits, no prefix).
std::optional<int> PortBaseOf(const std::string& portHex);

class TypedOptions {
 public:
  // The defaults of every group.
  TypedOptions();
  explicit TypedOptions(Settings table);

  const Settings& Table() const { return table_; }
  const PlotOptions& Plot() const { return plot_; }
  const DeviceOptions& Device() const { return device_; }
  const WindowOptions& Window() const { return window_; }

  // ConfigDir + "kvt_win.cfg" read and validated as at start-up.
  void Load(const std::string& configDir, ScreenTwips screen);
  void SetDefaults(int group);
  // One entry as the file would hold it.
  void SetEntry(int index, std::string text);

  void SetSmoothing(bool on);
  void SetSmoothingLevel(int level);
  void SetMaxVolts(int volts);
  void SetMaxMilliamps(int milliamps);
  void SetPointsChoice(int choice);
  void SetColours(const PlotColours& colours);
  // The texts as typed: the device keeps reading what the user entered.
  void SetDeviceTexts(const DeviceTexts& texts);
  void SetWindowChecks(bool saveOnExit, bool showAboutAtStart);
  void SetWindowGeometry(double left, double top, double width, double height, int state);

 private:
  void Refresh();

  Settings table_;
  PlotOptions plot_;
  DeviceOptions device_;
  WindowOptions window_;
};

}  // namespace kvt
