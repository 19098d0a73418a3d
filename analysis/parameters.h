#pragma once
// The figures a user reads off a two-terminal part's curve, and what kind of
// part the curve looks like. A figure the curve cannot give is absent.
#include <optional>
#include <string_view>

#include "core/curve.h"

namespace kvt {

struct AnalysisOptions {
  double forwardAmps = 1e-3;   // forward voltage and dynamic resistance here
  double reverseAmps = -1e-3;  // breakdown voltage here
  double reverseVolts = -1.0;  // leakage current here
};

enum class PartKind { Open, Short, Resistor, Diode, Led, Zener, Unknown };

// One lower-case word: "open", "short", "resistor", "diode", "LED", "zener", "unknown".
std::string_view PartKindName(PartKind kind);

struct ResistanceFit {
  double ohms = 0.0;
  double rSquared = 0.0;  // of the straight line through all unclipped points
};

// I = Is * (exp((V - I*Rs) / (n*Vt)) - 1), Vt at 27 degrees C.
struct ShockleyFit {
  double saturationAmps = 0.0;
  double ideality = 0.0;
  double seriesOhms = 0.0;
  double rmsVolts = 0.0;  // residual of the fit
  int points = 0;         // forward points it used
};

struct PartParameters {
  std::optional<double> forwardVolts;    // at forwardAmps
  std::optional<double> dynamicOhms;     // dV/dI at forwardAmps
  std::optional<double> breakdownVolts;  // at reverseAmps (a negative voltage)
  std::optional<double> breakdownOhms;   // dV/dI at reverseAmps
  std::optional<double> leakageAmps;     // at reverseVolts
  std::optional<ResistanceFit> resistance;  // only for a part that is ohmic over the range
  std::optional<ShockleyFit> shockley;      // only where a junction explains the forward points
  PartKind kind = PartKind::Unknown;
};

// Thermal voltage kT/q at 27 degrees C, the temperature circuit simulators
// assume for their models.
constexpr double ThermalVolts27C = 0.0258648;

PartParameters AnalysePart(const Curve& curve, const AnalysisOptions& options = {});

// Voltage where the curve carries `amps` (forward or reverse by its sign),
// with dV/dI there, from a local quadratic fit of V over I on the points
// nearest to that current. Nothing when the curve does not reach it.
struct OperatingPoint {
  double volts = 0.0;
  double ohms = 0.0;
};
std::optional<OperatingPoint> VoltsAtCurrent(const Curve& curve, double amps);

// Current at `volts` from a local line fit; nothing outside the curve.
std::optional<double> CurrentAtVolts(const Curve& curve, double volts);

}  // namespace kvt
