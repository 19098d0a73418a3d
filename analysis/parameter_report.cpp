#include "analysis/parameter_report.h"

#include <cmath>
#include <cstdio>
#include <optional>

namespace kvt {

namespace {

std::string Or(const std::optional<double>& value, const char* unit) {
  return value ? WithUnit(*value, unit) : "-";
}

}  // namespace

std::string WithUnit(double value, const char* unit) {
  static const struct {
    double scale;
    const char* prefix;
  } prefixes[] = {{1e9, "G"}, {1e6, "M"}, {1e3, "k"}, {1, ""}, {1e-3, "m"}, {1e-6, "u"}, {1e-9, "n"},
                  {1e-12, "p"}, {1e-15, "f"}};
  const double magnitude = std::fabs(value);
  auto chosen = prefixes[3];
  if (magnitude > 0 && std::isfinite(magnitude)) {
    chosen = prefixes[8];
    for (const auto& p : prefixes)
      if (magnitude >= p.scale * 0.9995) {
        chosen = p;
        break;
      }
  }
  char text[64];
  std::snprintf(text, sizeof text, "%.3g %s%s", value / chosen.scale, chosen.prefix, unit);
  return text;
}

int ClippedCount(const Curve& curve) {
  int clipped = 0;
  for (const CurvePoint& p : curve.points) clipped += p.clipped;
  return clipped;
}

std::vector<ParameterRow> ParameterRows(const Curve& curve, const PartParameters& p, const AnalysisOptions& o) {
  const std::string atForward = " at " + WithUnit(o.forwardAmps, "A");
  const std::string atReverse = " at " + WithUnit(o.reverseAmps, "A");
  std::vector<ParameterRow> rows = {
      {"component", std::string(PartKindName(p.kind))},
      {"forward voltage" + atForward, Or(p.forwardVolts, "V")},
      {"dynamic resistance" + atForward, Or(p.dynamicOhms, "ohm")},
      {"breakdown voltage" + atReverse, Or(p.breakdownVolts, "V")},
      {"leakage current at " + WithUnit(o.reverseVolts, "V"), Or(p.leakageAmps, "A")},
      {"resistance", p.resistance ? WithUnit(p.resistance->ohms, "ohm") : "-"},
  };
  if (p.resistance) {
    char fit[32];
    std::snprintf(fit, sizeof fit, "%.5f", p.resistance->rSquared);
    rows.push_back({"resistance fit R^2", fit});
  }
  if (p.shockley) {
    char n[32];
    std::snprintf(n, sizeof n, "%.3g", p.shockley->ideality);
    rows.push_back({"diode fit: saturation current Is", WithUnit(p.shockley->saturationAmps, "A")});
    rows.push_back({"diode fit: ideality factor n", n});
    rows.push_back({"diode fit: series resistance Rs", WithUnit(p.shockley->seriesOhms, "ohm")});
  } else {
    rows.push_back({"diode fit", "-"});
  }
  rows.push_back({"clipped points", std::to_string(ClippedCount(curve))});
  return rows;
}

}  // namespace kvt
