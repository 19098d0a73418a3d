#include "library/part_figures.h"

#include <algorithm>

#include "analysis/parameter_report.h"
#include "analysis/part_kind.h"

namespace kvt {

namespace {

struct Named {
  const char* name;
  ReportedFigure ReportedFigures::*figure;
};

// The junction fit's figures sit under "shockley" in kvt params --json.
constexpr Named Figures[] = {
    {"vf", &ReportedFigures::forwardVolts},
    {"rd", &ReportedFigures::dynamicOhms},
    {"vbr", &ReportedFigures::breakdownVolts},
    {"leakage", &ReportedFigures::leakageAmps},
    {"resistance", &ReportedFigures::resistance},
    // The current the breakdown voltage is read at, when the analysis moved
    // it: a condition, not a figure, so it has no uncertainty.
    {"vbr_amps", nullptr},
    {"shockley.is", &ReportedFigures::saturationAmps},
    {"shockley.n", &ReportedFigures::ideality},
    {"shockley.rs", &ReportedFigures::seriesOhms},
};

}  // namespace

const PartFigure* PartRecord::Figure(const std::string& name) const {
  const auto found = std::find_if(figures.begin(), figures.end(), [&](const PartFigure& f) { return f.name == name; });
  return found == figures.end() ? nullptr : &*found;
}

PartTable TableOf(const std::vector<PartRecord>& records) {
  PartTable table;
  for (const PartParameter& p : AllPartParameters()) table[p.name].resize(records.size());
  for (std::size_t i = 0; i < records.size(); ++i)
    for (const PartFigure& f : records[i].figures)
      if (f.value) table[f.name][i] = MeasuredFigure{*f.value, f.uncertainty.value_or(0.0)};
  return table;
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
