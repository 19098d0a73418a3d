#include "library/part_figures.h"

#include <algorithm>

#include "analysis/parameter_report.h"
#include "analysis/part_kind.h"

namespace kvt {

namespace {

struct Named {
  const char* name;
  const char* unit;
  ReportedFigure ReportedFigures::*figure;
};

// The junction fit's figures sit under "shockley" in kvt params --json.
constexpr Named Figures[] = {
    {"vf", "V", &ReportedFigures::forwardVolts},
    {"rd", "ohm", &ReportedFigures::dynamicOhms},
    {"vbr", "V", &ReportedFigures::breakdownVolts},
    {"leakage", "A", &ReportedFigures::leakageAmps},
    {"resistance", "ohm", &ReportedFigures::resistance},
    // The current the breakdown voltage is read at, when the analysis moved
    // it: a condition, not a figure, so it has no uncertainty.
    {"vbr_amps", "A", nullptr},
    {"shockley.is", "A", &ReportedFigures::saturationAmps},
    {"shockley.n", "", &ReportedFigures::ideality},
    {"shockley.rs", "ohm", &ReportedFigures::seriesOhms},
};

}  // namespace

const PartFigure* PartRecord::Figure(const std::string& name) const {
  const auto found = std::find_if(figures.begin(), figures.end(), [&](const PartFigure& f) { return f.name == name; });
  return found == figures.end() ? nullptr : &*found;
}

const std::vector<std::string>& FigureNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> all;
    for (const Named& f : Figures) all.push_back(f.name);
    return all;
  }();
  return names;
}

const char* FigureUnit(const std::string& name) {
  for (const Named& f : Figures)
    if (name == f.name) return f.unit;
  return "";
}

PartRecord RecordOfCurve(const Curve& curve, const AnalysisOptions& options) {
  const PartParameters parameters = AnalysePart(curve, options);
  const ReportedFigures reported = ReportFigures(curve, parameters, options);
  PartRecord record;
  record.measuredAt = curve.info.dateTime;
  record.component = std::string(PartKindName(parameters.kind));
  record.clipped = ClippedCount(curve);
  record.junctionFit = parameters.shockley.has_value();
  for (const Named& f : Figures) {
    if (!f.figure) {
      if (BreakdownAmpsOf(parameters)) record.figures.push_back({f.name, reported.breakdownAmps, std::nullopt, ""});
      continue;
    }
    const ReportedFigure& figure = reported.*f.figure;
    PartFigure stored{f.name, figure.value, std::nullopt, figure.note};
    if (figure.value) stored.uncertainty = figure.uncertainty;
    record.figures.push_back(stored);
  }
  return record;
}

}  // namespace kvt
