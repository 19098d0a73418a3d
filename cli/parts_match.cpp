// kvt parts match: the library's parts in matched groups on chosen
// parameters, each group's spread, and the parts that fit no group.
#include <algorithm>
#include <cstdio>
#include <regex>
#include <stdexcept>

#include "analysis/curve_samples.h"
#include "analysis/parameter_report.h"
#include "analysis/part_groups.h"
#include "cli/cli_files.h"
#include "cli/parts_options.h"
#include "cli/report.h"
#include "core/text_number.h"
#include "files/csv_file.h"
#include "report/parts_histogram.h"

namespace kvt {

namespace {

constexpr int LargestGroup = 1000;

// The whole curve, matched on as one more parameter: its spread is the
// largest voltage difference between a group's curves at the sampled currents.
const PartParameter CurveParameter{"curve", "V", nullptr};

// One --max-spread entry: a spread of the parameter's unit, written with it
// ("20mV", "5ohm"), so a bare number cannot be taken in the wrong unit.
double MaxSpreadOf(const std::string& text, const PartParameter& parameter) {
  const std::string unit = parameter.unit;
  const bool hasUnit = unit.empty() || (text.size() > unit.size() && text.compare(text.size() - unit.size(), unit.size(), unit) == 0);
  const auto value = QuantityOf(text, unit);
  if (!hasUnit || !value || *value < 0)
    throw UsageError("option --max-spread: \"" + text + "\" is no spread of " + parameter.name +
                     (unit.empty() ? std::string(" (a number, 0 or more)")
                                   : " (0 or more, with its unit " + unit + ": 20m" + unit + ")"));
  return *value;
}

std::vector<std::optional<double>> MaxSpreadsOf(const CommandLine& line,
                                                const std::vector<const PartParameter*>& parameters) {
  std::vector<std::optional<double>> spreads(parameters.size());
  const auto given = line.Value("--max-spread");
  if (!given) return spreads;
  std::size_t start = 0, k = 0;
  while (true) {
    const std::size_t comma = std::min(given->find(',', start), given->size());
    if (k == parameters.size())
      throw UsageError("option --max-spread: more spreads than --param has parameters");
    const std::string text = Trimmed(given->substr(start, comma - start));
    // An empty entry leaves that parameter's spread free: "--max-spread ,5ohm".
    if (!text.empty() || comma == given->size()) spreads[k] = MaxSpreadOf(text, *parameters[k]);
    ++k;
    if (comma == given->size()) break;
    start = comma + 1;
  }
  return spreads;
}

// --param's names, "curve" among them where given.
std::vector<const PartParameter*> MatchParametersOf(const CommandLine& line) {
  const auto given = line.Value("--param");
  if (!given) throw UsageError("missing --param NAME (" + PartParameterList() + ", or curve)");
  std::string rest;
  std::optional<std::size_t> curveAt;
  std::size_t start = 0, k = 0;
  while (true) {
    const std::size_t comma = std::min(given->find(',', start), given->size());
    const std::string name = Trimmed(given->substr(start, comma - start));
    if (name == CurveParameter.name) {
      if (curveAt) throw UsageError("option --param: curve is given twice");
      curveAt = k;
    } else {
      rest += (k ? "," : "") + name;
      ++k;
    }
    if (comma == given->size()) break;
    start = comma + 1;
  }
  std::vector<const PartParameter*> parameters;
  if (!curveAt || k > 0) {
    try {
      parameters = ParametersIn(rest);
    } catch (const UsageError& e) {
      std::string message = e.what();
      if (!message.empty() && message.back() == ')') message.insert(message.size() - 1, ", or curve");
      throw UsageError(message);
    }
  }
  if (curveAt) parameters.insert(parameters.begin() + static_cast<std::ptrdiff_t>(*curveAt), &CurveParameter);
  return parameters;
}

struct Matched {
  std::vector<const PartParameter*> parameters;  // as shown, the curve among them where asked
  int groupSize = 2;
  std::optional<std::string> lot;
  PartsLibrary::Columns columns;  // the sampled curve's columns among them
  CurveSampling sampling;
  Grouping grouping;
  std::vector<std::vector<GroupSpread>> spreads;  // per group, per parameter shown
};

bool IsCurve(const PartParameter* p) { return p == &CurveParameter; }

// Per parameter shown, the columns matched on for it: the sampled currents
// stand in for the curve.
std::vector<std::vector<std::string>> ColumnsOf(const Matched& m) {
  std::vector<std::vector<std::string>> names;
  for (const PartParameter* p : m.parameters)
    names.push_back(IsCurve(p) ? m.sampling.names : std::vector<std::string>{p->name});
  return names;
}

// The matcher speaks of sample columns; the user asked for "curve".
std::string CurveReason(const std::string& reason, const std::string& lacking) {
  static const std::regex missing("no curve@[^, ]+(, no curve@[^, ]+)*");
  static const std::regex samples("curve@[^, ]+(, curve@[^, ]+)*");
  const std::string text = std::regex_replace(reason, missing, lacking.empty() ? std::string("no curve") : lacking);
  return std::regex_replace(text, samples, "curve");
}

std::string CurrentsJson(const Matched& m) {
  std::string list;
  for (double amps : m.sampling.currents) list += (list.empty() ? "" : ", ") + JsonNumber(amps);
  return "[" + list + "]";
}

std::string MatchJson(const Matched& m) {
  std::string names;
  for (const PartParameter* p : m.parameters) names += (names.empty() ? "" : ", ") + JsonString(p->name);
  std::string json = "{\"parameters\": [" + names + "], \"group\": " + std::to_string(m.groupSize) +
                     ", \"lot\": " + (m.lot ? JsonString(*m.lot) : "null") +
                     ", \"parts\": " + std::to_string(m.columns.numbers.size()) +
                     (m.sampling.names.empty() ? std::string() : ", \"currents\": " + CurrentsJson(m)) +
                     ", \"groups\": [";
  for (std::size_t g = 0; g < m.grouping.groups.size(); ++g) {
    const MatchedGroup& group = m.grouping.groups[g];
    std::string parts, spread, resolution, within;
    for (std::size_t i : group.parts) parts += (parts.empty() ? "" : ", ") + std::to_string(m.columns.numbers[i]);
    for (std::size_t d = 0; d < m.parameters.size(); ++d) {
      const std::string key = JsonString(m.parameters[d]->name) + ": ";
      const char* comma = d ? ", " : "";
      const GroupSpread& s = m.spreads[g][d];
      spread += comma + key + JsonNumber(s.spread);
      resolution += comma + key + JsonNumber(s.resolution);
      within += comma + key + (s.withinResolution ? "true" : "false");
    }
    json += std::string(g ? ",\n  " : "\n  ") + "{\"group\": " + std::to_string(g + 1) + ", \"parts\": [" + parts +
            "], \"spread\": {" + spread + "}, \"resolution\": {" + resolution + "}, \"within_resolution\": {" +
            within + "}}";
  }
  json += "],\n \"unmatched\": [";
  for (std::size_t k = 0; k < m.grouping.unmatched.size(); ++k) {
    const LeftOver& left = m.grouping.unmatched[k];
    json += std::string(k ? ", " : "") + "{\"part\": " + std::to_string(m.columns.numbers[left.part]) +
            ", \"reason\": " + JsonString(left.reason) + "}";
  }
  return json + "]}\n";
}

std::string SpreadText(const GroupSpread& s, const PartParameter& p) {
  std::string text = std::string(p.name) + " " + FigureText(s.spread, p.unit);
  if (s.withinResolution) text += " (within resolution: below the " + FigureText(s.resolution, p.unit) + " resolved)";
  return text;
}

std::string MatchText(const Matched& m) {
  std::string names;
  for (const PartParameter* p : m.parameters) names += (names.empty() ? "" : ", ") + std::string(p->name);
  std::string text = "groups of " + std::to_string(m.groupSize) + " on " + names + " over " +
                     std::to_string(m.columns.numbers.size()) + " parts (" + LotText(m.lot) + "): " +
                     std::to_string(m.grouping.groups.size()) + " groups, " +
                     std::to_string(m.grouping.unmatched.size()) + " parts unmatched\n";
  if (!m.sampling.currents.empty()) {
    text += "curve compared at";
    for (double amps : m.sampling.currents) text += " " + FigureText(amps, "A");
    text += "\n";
  }
  std::vector<int> within(m.parameters.size(), 0);
  for (std::size_t g = 0; g < m.grouping.groups.size(); ++g) {
    const MatchedGroup& group = m.grouping.groups[g];
    std::string parts;
    for (std::size_t i : group.parts) parts += (parts.empty() ? "" : ", ") + std::to_string(m.columns.numbers[i]);
    text += "group " + std::to_string(g + 1) + ": parts " + parts + ": spread ";
    for (std::size_t d = 0; d < m.parameters.size(); ++d) {
      text += (d ? ", " : "") + SpreadText(m.spreads[g][d], *m.parameters[d]);
      within[d] += m.spreads[g][d].withinResolution;
    }
    text += "\n";
  }
  for (const LeftOver& left : m.grouping.unmatched)
    text += "unmatched: part " + std::to_string(m.columns.numbers[left.part]) + ": " + left.reason + "\n";
  for (std::size_t d = 0; d < m.parameters.size(); ++d)
    if (within[d])
      text += "note: in " + std::to_string(within[d]) + " of the groups the spread of " + m.parameters[d]->name +
              " is below what the instrument resolves: those parts are alike within resolution, and a closer "
              "match cannot be told from their curves\n";
  return text;
}

std::string Number(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

// One row per part of a group, then the unmatched with their reason.
std::string MatchCsv(const Matched& m) {
  std::string text = "group,part";
  const auto unit = [](const PartParameter* p) { return *p->unit ? std::string("_") + p->unit : std::string(); };
  for (const PartParameter* p : m.parameters)
    if (!IsCurve(p)) text += "," + std::string(p->name) + unit(p);
  for (const PartParameter* p : m.parameters) text += "," + std::string(p->name) + "_spread" + unit(p);
  for (const PartParameter* p : m.parameters) text += "," + std::string(p->name) + "_within_resolution";
  text += ",note\n";
  for (std::size_t g = 0; g < m.grouping.groups.size(); ++g) {
    const MatchedGroup& group = m.grouping.groups[g];
    for (std::size_t i : group.parts) {
      text += std::to_string(g + 1) + "," + std::to_string(m.columns.numbers[i]);
      for (const PartParameter* p : m.parameters)
        if (!IsCurve(p)) text += "," + Number(m.columns.table.at(p->name)[i]->value);
      for (const GroupSpread& s : m.spreads[g]) text += "," + Number(s.spread);
      for (const GroupSpread& s : m.spreads[g]) text += s.withinResolution ? ",yes" : ",no";
      text += ",\n";
    }
  }
  for (const LeftOver& left : m.grouping.unmatched) {
    text += "," + std::to_string(m.columns.numbers[left.part]);
    for (const PartParameter* p : m.parameters) {
      if (IsCurve(p)) continue;
      const auto& figure = m.columns.table.at(p->name)[left.part];
      text += "," + (figure ? Number(figure->value) : std::string());
    }
    text += std::string(2 * m.parameters.size(), ',') + "," + CsvField(left.reason) + "\n";
  }
  return text;
}

// The parts' stored curves sampled at currents they share, as more columns.
void SampleStoredCurves(const PartsLibrary& library, Matched& m) {
  const auto curves = Reading([&] { return library.Curves(m.lot); });
  std::vector<const Curve*> bag;
  for (long long number : m.columns.numbers) {
    const auto found = curves.find(number);
    bag.push_back(found == curves.end() ? nullptr : &found->second);
  }
  if (bag.empty()) throw UsageError("parts match: no part has a curve to compare (" + LotText(m.lot) + ")");
  const std::vector<double> currents = SampleCurrents(bag);
  if (currents.empty())
    throw UsageError("parts match: the parts' curves share no current to compare them at (" + LotText(m.lot) + ")");
  m.sampling = SampleCurves(bag, currents);
  for (auto& [name, column] : m.sampling.table) m.columns.table[name] = column;
}

}  // namespace

int MatchAction(const CommandLine& line) {
  Matched m;
  m.parameters = MatchParametersOf(line);
  const auto group = line.Value("--group");
  if (!group) throw UsageError("parts match: missing --group N (2, 4 or more parts per group)");
  m.groupSize = WholeOption("--group", *group, 2, LargestGroup);
  const auto maxSpreads = MaxSpreadsOf(line, m.parameters);
  m.lot = LotOf(line);
  const auto output = line.Value("-o");
  if (output) OutputExtension(*output, {".csv"});
  const auto library = OpenExistingLibrary(line);

  std::vector<std::string> stored;
  for (const PartParameter* p : m.parameters)
    if (!IsCurve(p)) stored.push_back(p->name);
  m.columns = Reading([&] { return library->ReadColumns(stored, m.lot); });
  const bool curve = std::any_of(m.parameters.begin(), m.parameters.end(), IsCurve);
  if (curve) SampleStoredCurves(*library, m);

  GroupOptions options;
  options.groupSize = m.groupSize;
  const auto columns = ColumnsOf(m);
  for (std::size_t d = 0; d < m.parameters.size(); ++d)
    for (const std::string& name : columns[d]) {
      options.parameters.push_back(name);
      options.tolerances.push_back(IsCurve(m.parameters[d]) ? std::optional(CurveSampleTolerance) : std::nullopt);
      options.maxSpreads.push_back(maxSpreads[d]);
    }
  try {
    m.grouping = MatchGroups(m.columns.table, m.columns.numbers.size(), options);
  } catch (const std::invalid_argument& e) {
    throw UsageError(std::string("parts match: ") + e.what());
  }
  for (const MatchedGroup& group : m.grouping.groups) {
    std::vector<GroupSpread> shown;
    std::size_t dim = 0;
    for (std::size_t d = 0; d < m.parameters.size(); ++d) {
      if (IsCurve(m.parameters[d])) {
        const SampleSpread s = CurveSpread(m.columns.table, m.sampling.names, group.parts);
        shown.push_back({s.spread, s.resolution, s.withinResolution});
      } else {
        shown.push_back(group.spreads[dim]);
      }
      dim += columns[d].size();
    }
    m.spreads.push_back(std::move(shown));
  }
  if (curve)
    for (LeftOver& left : m.grouping.unmatched) left.reason = CurveReason(left.reason, m.sampling.lacking[left.part]);
  if (output) {
    WriteOutput(*output, MatchCsv(m));
    if (*output == "-") return 0;
  }
  const std::string out = line.Has("--json") ? MatchJson(m) : MatchText(m);
  std::fputs(out.c_str(), stdout);
  return 0;
}

}  // namespace kvt
