#pragma once
// Circuit-simulator models of a measured part: a junction diode model fitted
// to the curve, and a table subcircuit that follows the measured points
// for parts a diode model cannot describe.
#include <optional>
#include <string>
#include <string_view>

#include "core/curve.h"
#include "analysis/diode_model_fit.h"
#include "analysis/parameters.h"
#include "analysis/spice_table.h"

namespace kvt {

// A name the simulator accepts: letters, digits and "_", starting with a
// letter ("D" in front otherwise); "PART" for an empty name.
std::string SpiceName(std::string_view name);

// The fitted diode as simulator text: ".model NAME D(IS=... N=... RS=...
// [BV=... IBV=... NBV=...])", and where the curve shows leakage a
// ".subckt NAME_LEAKY 1 2" that puts a resistor across it. `element` and
// `device` say how a netlist places it: "D... NAME" or "X... NAME_LEAKY".
struct SpiceDiode {
  std::string text;
  char element = 'D';
  std::string device;
};
SpiceDiode SpiceDiodeOf(std::string_view name, const DiodeModel& model);

// The diode for a measured curve (see FitDiodeModel); nothing for a curve
// without a junction.
std::optional<SpiceDiode> SpiceDiodeModel(std::string_view name, const Curve& curve,
                                          const PartParameters& parameters, const AnalysisOptions& options = {});

// ".subckt NAME_TABLE 1 2" with a behavioural current source
// I = pwl(V(1,2), v1, i1, ...) through the curve's TableKnots. Nothing for
// fewer than two voltages.
std::optional<std::string> SpiceTableSubcircuit(std::string_view name, const Curve& curve);

// Both, with a comment line naming the part kind; the parts that cannot be
// made are left out.
std::string SpiceModelText(std::string_view name, const Curve& curve, const PartParameters& parameters,
                           const AnalysisOptions& options = {});

}  // namespace kvt
