#include "analysis/parameter_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace kvt {

namespace {

struct Prefix {
  double scale;
  const char* name;
};
constexpr Prefix Prefixes[] = {{1e9, "G"}, {1e6, "M"}, {1e3, "k"}, {1, ""}, {1e-3, "m"}, {1e-6, "u"}, {1e-9, "n"},
                               {1e-12, "p"}, {1e-15, "f"}};

Prefix PrefixFor(double magnitude) {
  if (!(magnitude > 0) || !std::isfinite(magnitude)) return Prefixes[3];
  for (const Prefix& p : Prefixes)
    if (magnitude >= p.scale * 0.9995) return p;
  return Prefixes[8];
}

std::string Figure(const ReportedFigure& f, const char* unit) {
  return f.value ? WithUncertainty(*f.value, f.uncertainty, unit) : "— (" + f.note + ")";
}

}  // namespace

std::string WithUnit(double value, const char* unit) {
  const Prefix chosen = PrefixFor(std::fabs(value));
  char text[64];
  std::snprintf(text, sizeof text, "%.3g %s%s", value / chosen.scale, chosen.name, unit);
  return text;
}

std::string WithUncertainty(double value, double uncertainty, const char* unit) {
  if (!(uncertainty > 0) || !std::isfinite(uncertainty) || !std::isfinite(value)) return WithUnit(value, unit);
  const Prefix chosen = PrefixFor(std::max(std::fabs(value), uncertainty));
  double u = uncertainty / chosen.scale;
  // One significant digit of the uncertainty, two when it starts with 1 or
  // 2 (rounding 1.4 to 1 would understate it by a third); rounded up, so the
  // interval shown is never narrower than the one found.
  const int exponent = static_cast<int>(std::floor(std::log10(u)));
  const int digits = u / std::pow(10.0, exponent) < 3 ? 2 : 1;
  const int decimals = digits - 1 - exponent;
  const double quantum = std::pow(10.0, -decimals);
  u = std::ceil(u / quantum - 1e-9) * quantum;
  const double v = std::nearbyint(value / chosen.scale / quantum) * quantum;
  const int shown = std::max(decimals, 0);
  char text[96];
  std::snprintf(text, sizeof text, "%.*f ± %.*f", shown, v == 0 ? 0.0 : v, shown, u);
  const std::string suffix = std::string(chosen.name) + unit;
  return suffix.empty() ? text : text + (" " + suffix);
}

int ClippedCount(const Curve& curve) {
  int clipped = 0;
  for (const CurvePoint& p : curve.points) clipped += p.clipped;
  return clipped;
}

std::vector<ParameterRow> ParameterRows(const Curve& curve, const PartParameters& p, const AnalysisOptions& o) {
  const ReportedFigures f = ReportFigures(curve, p, o);
  const std::string atForward = " at " + WithUnit(o.forwardAmps, "A");
  std::vector<ParameterRow> rows = {
      {"component", std::string(PartKindName(p.kind))},
      {"forward voltage" + atForward, Figure(f.forwardVolts, "V")},
      {"dynamic resistance" + atForward, Figure(f.dynamicOhms, "ohm")},
      {"breakdown voltage at " + WithUnit(f.breakdownAmps, "A"), Figure(f.breakdownVolts, "V")},
      {"leakage current at " + WithUnit(o.reverseVolts, "V"), Figure(f.leakageAmps, "A")},
      {"resistance", Figure(f.resistance, "ohm")},
  };
  if (p.resistance) {
    char fit[32];
    std::snprintf(fit, sizeof fit, "%.5f", p.resistance->rSquared);
    rows.push_back({"resistance fit R^2", fit});
  }
  if (p.shockley) {
    rows.push_back({"diode fit: saturation current Is", Figure(f.saturationAmps, "A")});
    rows.push_back({"diode fit: ideality factor n", Figure(f.ideality, "")});
    rows.push_back({"diode fit: series resistance Rs", Figure(f.seriesOhms, "ohm")});
  } else {
    rows.push_back({"diode fit", "— (" + f.saturationAmps.note + ")"});
  }
  rows.push_back({"clipped points", std::to_string(ClippedCount(curve))});
  return rows;
}

}  // namespace kvt
