#pragma once
// The figures a user reads off a two-terminal part's curve, and what kind of
// part the curve looks like. A figure the curve cannot give is absent.
#include <optional>

#include "analysis/part_kind.h"
#include "core/curve.h"

namespace kvt {

struct AnalysisOptions {
  double forwardAmps = 1e-3;   // forward voltage and dynamic resistance here
  double reverseAmps = -1e-3;  // breakdown voltage here
  double reverseVolts = -1.0;  // leakage current here
};

struct ResistanceFit {
  double ohms = 0.0;
  double rSquared = 0.0;  // of the straight line through all unclipped points
};

// I = Is * (exp((V - I*Rs) / (n*Vt)) - 1), Vt at 27 degrees C, fitted to
// the forward points' currents, each weighed by what one converter step
// moves it (a step in current plus a step in voltage times the slope), so
// the steep part counts as much as the many points near 0 V.
struct ShockleyFit {
  double saturationAmps = 0.0;
  double ideality = 0.0;
  double seriesOhms = 0.0;
  double rmsVolts = 0.0;  // residual of the fit in voltage, over its conducting points
  int points = 0;         // forward points it used
};

struct PartParameters {
  std::optional<double> forwardVolts;    // at forwardAmps
  std::optional<double> dynamicOhms;     // dV/dI at forwardAmps
  // At reverseAmps; when the curve does not reach it but clearly breaks
  // down, at the largest reverse current it carries (from 100 uA).
  std::optional<double> breakdownVolts;  // a negative voltage
  std::optional<double> breakdownAmps;   // where breakdownVolts was read (negative); set with it
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
