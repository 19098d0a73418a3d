#pragma once
// What the simulated instrument is set to: the component under test, the
// range switch, the converter's noise and the port's base address.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvtsim {

enum class ComponentKind { Open, Short, Resistor, Diode, Led, Zener };

struct Component {
  ComponentKind kind = ComponentKind::Diode;
  // Ohms for a resistor, breakdown volts for a zener; unused otherwise.
  double value = 0.0;
  bool operator==(const Component&) const = default;
};

// The widest spread of a part's values the control file takes, in percent.
inline constexpr double kMaxSpreadPercent = 90.0;

struct SimConfig {
  Component component;
  int rangeOhms = 1000;      // 100, 1000 or 10000
  double noiseLsb = 1.0;     // standard deviation of the ADC noise, in codes
  double strayRate = 0.02;   // share of conversions that come out far off
  std::uint64_t seed = 1;
  int base = 0x378;          // data register; status and control follow it
  // How long the simulated hand takes to turn the range switch when the
  // program asks for another range (SimulatorMoveSwitch).
  double handSeconds = 1.0;
  // Each newly probed part its own values, drawn evenly within +-spread
  // percent of the model's: a junction's saturation current and a zener's
  // breakdown voltage, and its resistances (a resistor's, a junction's
  // bulk) within +-resistorSpread when that is given, else within +-spread.
  // 0: every part alike.
  double spreadPercent = 0.0;
  std::optional<double> resistorSpreadPercent;
  bool operator==(const SimConfig&) const = default;
};

// A component as the control file writes it: "diode", "resistor 4.7k",
// "zener 3.3"... Nothing when it is not one, with the reason in `reason`.
std::optional<Component> ParseComponent(std::string_view text, std::string* reason = nullptr);

// Reads "key = value" lines ("#" starts a comment). A line that cannot be
// understood leaves its setting at the default and is described in
// `problems` (if given) with its line number.
SimConfig ParseConfig(std::string_view text,
                      std::vector<std::string>* problems = nullptr);

// One line about a file's problems as ParseConfig gives them: the file as
// the user named it, the first bad line and how many more there are; empty
// when there are none.
std::string ProblemSummary(const std::string& fileName, const std::vector<std::string>& problems);

}  // namespace kvtsim
