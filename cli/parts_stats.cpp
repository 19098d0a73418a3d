// kvt parts stats: one parameter's statistics over the library's parts,
// its histogram as a picture, and how many parts fall in each bin.
#include <QSaveFile>

#include <algorithm>
#include <cstdio>
#include <set>

#include "analysis/parameter_report.h"
#include "analysis/part_statistics.h"
#include "cli/cli_files.h"
#include "cli/gui_application.h"
#include "cli/parts_options.h"
#include "cli/report.h"
#include "plot/plot_font.h"
#include "report/parts_histogram.h"

namespace kvt {

namespace {

constexpr struct {
  const char* key;
  double ParameterSummary::*value;
} Percentiles[] = {{"5", &ParameterSummary::p5},
                   {"25", &ParameterSummary::p25},
                   {"50", &ParameterSummary::p50},
                   {"75", &ParameterSummary::p75},
                   {"95", &ParameterSummary::p95}};

std::string StatsJson(const PartParameter& parameter, const std::optional<std::string>& lot, std::size_t parts,
                      const std::optional<ParameterSummary>& s, const std::vector<BinDefinition>* bins,
                      const BinCounts& counts) {
  const auto number = [&](double ParameterSummary::*value) {
    return JsonNumber(s ? std::optional<double>(s.value().*value) : std::nullopt);
  };
  std::string json = "{\"parameter\": " + JsonString(parameter.name) + ", \"unit\": " + JsonString(parameter.unit) +
                     ", \"lot\": " + (lot ? JsonString(*lot) : "null") + ", \"count\": " +
                     std::to_string(s ? s->count : 0) + ", \"missing\": " +
                     std::to_string(s ? s->missing : static_cast<int>(parts)) + ", \"mean\": " +
                     number(&ParameterSummary::mean) + ", \"std\": " + number(&ParameterSummary::std) +
                     ", \"min\": " + number(&ParameterSummary::min) + ", \"max\": " + number(&ParameterSummary::max) +
                     ", \"percentiles\": {";
  for (const auto& p : Percentiles)
    json += (&p == Percentiles ? "" : ", ") + JsonString(p.key) + ": " + number(p.value);
  json += "}, \"uncertainty\": " + number(&ParameterSummary::typicalUncertainty) + ", \"histogram\": ";
  if (s) {
    std::string edges, binCounts;
    for (double e : s->histogram.edges) edges += (edges.empty() ? "" : ", ") + JsonNumber(e);
    for (int c : s->histogram.counts) binCounts += (binCounts.empty() ? "" : ", ") + std::to_string(c);
    json += "{\"edges\": [" + edges + "], \"counts\": [" + binCounts + "]}";
  } else {
    json += "null";
  }
  if (bins) {
    json += ", \"bins\": [";
    for (std::size_t i = 0; i < bins->size(); ++i)
      json += (i ? ", " : "") + std::string("{\"bin\": ") + JsonString((*bins)[i].text) +
              ", \"count\": " + std::to_string(counts.counts[i]) + "}";
    json += "], \"unbinned\": " + std::to_string(counts.unbinned);
  }
  return json + "}\n";
}

std::string StatsText(const PartParameter& parameter, const std::optional<std::string>& lot, std::size_t parts,
                      const std::optional<ParameterSummary>& s, const std::vector<BinDefinition>* bins,
                      const BinCounts& counts) {
  const char* unit = parameter.unit;
  std::string text = std::string(parameter.name) + " over " + std::to_string(parts) + " parts (" + LotText(lot) + ")";
  if (!s) {
    text += ": none has a value\n";
  } else {
    text += ": " + std::to_string(s->count) + " with a value, " + std::to_string(s->missing) + " without\n";
    const auto line = [&](const char* name, const std::string& value) {
      char row[128];
      std::snprintf(row, sizeof row, "  %-12s %s\n", name, value.c_str());
      text += row;
    };
    line("mean", FigureText(s->mean, unit));
    line("std", FigureText(s->std, unit));
    line("min", FigureText(s->min, unit));
    line("max", FigureText(s->max, unit));
    std::string percentiles;
    for (const auto& p : Percentiles)
      percentiles += (percentiles.empty() ? "" : ", ") + std::string(p.key) + " %: " + FigureText((*s).*p.value, unit);
    line("percentiles", percentiles);
    line("uncertainty", "±" + FigureText(s->typicalUncertainty, unit) + " (median of the parts')");
  }
  if (bins) {
    text += "bins:\n";
    std::size_t width = 12;
    for (const BinDefinition& b : *bins) width = std::max(width, b.text.size());
    const auto row = [&](const std::string& name, int count) {
      text += "  " + name + std::string(width - name.size() + 2, ' ') + std::to_string(count) + "\n";
    };
    for (std::size_t i = 0; i < bins->size(); ++i) row((*bins)[i].text, counts.counts[i]);
    row("in no bin", counts.unbinned);
  }
  return text;
}

void WritePicture(const std::string& path, const QImage& image) {
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit())
    throw UsageError(path + ": cannot be written");
}

}  // namespace

int StatsAction(const CommandLine& line) {
  const std::vector<const PartParameter*> parameters = ParametersOf(line);
  if (parameters.size() != 1) throw UsageError("parts stats: option --param takes one parameter");
  const PartParameter& parameter = *parameters[0];
  const std::optional<std::string> lot = LotOf(line);
  std::optional<std::vector<BinDefinition>> bins;
  if (const auto text = line.Value("--bins")) {
    std::string error;
    bins = ParseBins(*text, &error);
    if (!bins) throw UsageError("option --bins: " + error);
  }
  const auto histogram = line.Value("--histogram");
  if (histogram) OutputExtension(*histogram, {".png"});
  const auto library = OpenExistingLibrary(line);

  std::vector<std::string> names{parameter.name};
  if (bins)
    for (const BinDefinition& b : *bins)
      for (const BinLimit& limit : b.limits)
        if (std::find(names.begin(), names.end(), limit.parameter) == names.end()) names.push_back(limit.parameter);
  const PartsLibrary::Columns columns = Reading([&] { return library->ReadColumns(names, lot); });
  const std::size_t parts = columns.numbers.size();
  const std::optional<ParameterSummary> summary = Summarise(columns.table.at(parameter.name));
  const BinCounts counts = bins ? AssignBins(*bins, columns.table, parts) : BinCounts{};

  if (histogram) {
    const auto application = ApplicationWithFonts();
    const std::string title = std::string(parameter.name) + ", " + std::to_string(summary ? summary->count : 0) +
                              " parts (" + LotText(lot) + ")";
    WritePicture(*histogram, HistogramPicture(summary ? summary->histogram : Histogram{}, title, parameter.unit,
                                              {ProgramFont(), {560, 320}}));
  }
  const std::vector<BinDefinition>* shown = bins ? &*bins : nullptr;
  const std::string out = line.Has("--json") ? StatsJson(parameter, lot, parts, summary, shown, counts)
                                             : StatsText(parameter, lot, parts, summary, shown, counts);
  std::fputs(out.c_str(), stdout);
  return 0;
}

}  // namespace kvt
