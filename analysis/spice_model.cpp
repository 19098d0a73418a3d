#include "analysis/spice_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "analysis/spice_table.h"

namespace kvt {
namespace {

// Locale-free and short; seven significant digits are far below the noise.
std::string Num(double value) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
  return std::string(buffer, r.ptr);
}

}  // namespace

std::string SpiceName(std::string_view name) {
  std::string out;
  for (char c : name)
    out += ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') ? c : '_';
  if (out.empty()) return "PART";
  if (!((out[0] >= 'A' && out[0] <= 'Z') || (out[0] >= 'a' && out[0] <= 'z'))) out.insert(out.begin(), 'D');
  return out;
}

SpiceDiode SpiceDiodeOf(std::string_view name, const DiodeModel& m) {
  const std::string model = SpiceName(name);
  SpiceDiode d{".model " + model + " D(IS=" + Num(m.saturationAmps) + " N=" + Num(m.ideality) +
                   " RS=" + Num(m.seriesOhms),
               'D', model};
  if (m.breakdown)
    d.text += " BV=" + Num(m.breakdown->volts) + " IBV=" + Num(m.breakdown->amps) +
              " NBV=" + Num(m.breakdown->ideality);
  d.text += ")\n";
  if (m.parallelOhms) {
    d.element = 'X';
    d.device = model + "_LEAKY";
    d.text += ".subckt " + d.device + " 1 2\nD1 1 2 " + model + "\nRP 1 2 " + Num(*m.parallelOhms) + "\n.ends " +
              d.device + "\n";
  }
  return d;
}

std::optional<SpiceDiode> SpiceDiodeModel(std::string_view name, const Curve& curve, const PartParameters& p,
                                          const AnalysisOptions& options) {
  const auto model = FitDiodeModel(curve, p, options);
  if (!model) return std::nullopt;
  return SpiceDiodeOf(name, *model);
}

std::optional<std::string> SpiceTableSubcircuit(std::string_view name, const Curve& curve) {
  const std::vector<TableKnot> knots = TableKnots(curve);
  if (knots.empty()) return std::nullopt;
  std::string text = ".subckt " + SpiceName(name) + "_TABLE 1 2\nB1 1 2 I = pwl(V(1,2)";
  for (std::size_t k = 0; k < knots.size(); ++k) {
    if (k % 6 == 0) text += "\n+";
    text += " , " + Num(knots[k].volts) + ", " + Num(knots[k].amps);
  }
  return text + ")\n.ends " + SpiceName(name) + "_TABLE\n";
}

std::string SpiceModelText(std::string_view name, const Curve& curve, const PartParameters& parameters,
                           const AnalysisOptions& options) {
  std::string text = "* " + SpiceName(name) + ": measured " + std::string(PartKindName(parameters.kind)) + "\n";
  if (const auto d = SpiceDiodeModel(name, curve, parameters, options)) {
    // Said outright: placing the bare diode would lose the leakage it showed.
    if (d->element == 'X') text += "* place " + d->device + " (an X element): the diode with its leakage path\n";
    text += d->text;
  }
  if (const auto t = SpiceTableSubcircuit(name, curve)) text += *t;
  return text;
}

}  // namespace kvt
