#pragma once
// Circuit-simulator models of a measured part: a junction diode model from
// the Shockley fit, and a table subcircuit that follows the measured points
// for parts a diode model cannot describe.
#include <optional>
#include <string>
#include <string_view>

#include "core/curve.h"
#include "analysis/parameters.h"

namespace kvt {

// A name the simulator accepts: letters, digits and "_", starting with a
// letter ("D" in front otherwise); "PART" for an empty name.
std::string SpiceName(std::string_view name);

// ".model NAME D(IS=... N=... RS=... [BV=... IBV=... NBV=...])". The
// breakdown is added when the curve showed one. Nothing without a Shockley fit.
std::optional<std::string> SpiceDiodeModel(std::string_view name, const PartParameters& parameters,
                                           const AnalysisOptions& options = {});

// ".subckt NAME_TABLE 1 2" with a behavioural current source
// I = pwl(V(1,2), v1, i1, ...) through the unclipped points: sorted by
// voltage, equal voltages averaged, and the currents made non-decreasing
// (a passive part never draws less current at a higher voltage), so the
// simulator finds one operating point. Nothing for fewer than two voltages.
std::optional<std::string> SpiceTableSubcircuit(std::string_view name, const Curve& curve);

// Both, with a comment line naming the part kind; the parts that cannot be
// made are left out.
std::string SpiceModelText(std::string_view name, const Curve& curve, const PartParameters& parameters,
                           const AnalysisOptions& options = {});

}  // namespace kvt
