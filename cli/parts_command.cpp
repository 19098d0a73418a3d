// kvt parts: a library of measured parts, filled from files or the
// instrument and listed with each part's figures.
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/parameter_report.h"
#include "cli/cli_files.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/instrument_sweep.h"
#include "cli/parts_options.h"
#include "cli/parts_probe.h"
#include "cli/report.h"
#include "library/parts_library.h"

namespace kvt {

namespace {

std::vector<std::string> TagsOf(const CommandLine& line) {
  std::vector<std::string> tags;
  for (const std::string& given : line.Values("--tag")) {
    const std::string tag = Trimmed(given);
    if (tag.empty()) throw UsageError("option --tag needs a name, not an empty text");
    if (std::find(tags.begin(), tags.end(), tag) != tags.end())
      throw UsageError("option --tag: \"" + tag + "\" is given twice");
    tags.push_back(tag);
  }
  return tags;
}

std::string Summary(const PartRecord& record) {
  std::string text = record.component;
  for (const PartFigure& f : record.figures)
    if (f.value)
      text += ", " + f.name + " " + WithUncertainty(*f.value, f.uncertainty.value_or(0.0), FindPartParameter(f.name)->unit);
  return text;
}

// The record of a measured or loaded curve as the library keeps it.
PartRecord RecordOf(const Curve& curve, const std::optional<std::string>& lot, const std::vector<std::string>& tags) {
  PartRecord record = RecordOfCurve(curve);
  if (record.measuredAt.empty()) record.measuredAt = LocalDateTimeNow();
  record.lot = lot;
  record.tags = tags;
  record.programVersion = std::string("kvt ") + KVT_VERSION;
  return record;
}

int Add(const CommandLine& line) {
  const std::vector<std::string>& positional = line.Positional();
  const std::vector<std::string> files(positional.begin() + 2, positional.end());
  const bool measure = line.Has("--measure");
  if (measure && !files.empty()) throw UsageError("parts add: curve FILEs or --measure, not both");
  if (!measure && files.empty()) throw UsageError("parts add: missing FILE... or --measure");
  if (!measure)
    for (const char* option : {"--simulate", "-n", "--range", "--count"})
      if (line.Has(option)) throw UsageError(std::string("parts add: option ") + option + " needs --measure");
  const std::optional<std::string> lot = LotOf(line);
  const std::vector<std::string> tags = TagsOf(line);
  const auto count = line.Value("--count");
  const int partCount = count ? WholeOption("--count", *count, 1, MaxPartsPerRun) : 0;

  // The library is checked before anything is measured, and a new SQLite
  // file made only once the first part is ready to go into it.
  const LibraryLocation location = LocationOf(positional[1]);
  std::unique_ptr<PartsLibrary> library;
  if (location.kind != LibraryLocation::Kind::Sqlite || QFileInfo::exists(QString::fromStdString(location.path)))
    library = OpenLibrary(location, PartsLibrary::Missing::Refuse);
  else if (!QFileInfo(QString::fromStdString(location.path)).absoluteDir().exists())
    throw UsageError(location.text + ": the folder it would go into does not exist");
  const auto store = [&](std::vector<NewPart> parts, const std::vector<std::string>& names) {
    if (!library) library = OpenLibrary(location, PartsLibrary::Missing::Create);
    const std::vector<long long> numbers = Reading([&] { return library->Add(parts); });
    for (std::size_t k = 0; k < parts.size(); ++k)
      std::printf("part %lld: %s: %s\n", numbers[k], names[k].c_str(), Summary(parts[k].record).c_str());
    std::fflush(stdout);
  };

  if (partCount) {
    int status = 0;
    MeasurePartsInTurn(line, partCount, status, [&](Curve curve, int k) {
      const PartRecord record = RecordOf(curve, lot, tags);
      store({{record, std::move(curve)}}, {"measured " + std::to_string(k) + " of " + std::to_string(partCount)});
    });
    return status;
  }
  std::vector<NewPart> parts;
  std::vector<std::string> names;
  if (measure) {
    int status = 0;
    std::optional<Curve> curve =
        MeasureOnePart(line, "parts", "the library unchanged", "the part was not measured: ", status);
    if (!curve) return status;
    parts.push_back({{}, std::move(*curve)});
    names.push_back("measured");
  } else {
    for (const std::string& file : files) {
      parts.push_back({{}, LoadCurve(file)});
      names.push_back(file);
    }
  }
  for (NewPart& part : parts) part.record = RecordOf(part.curve, lot, tags);
  store(std::move(parts), names);
  return 0;
}

// The figures as kvt params --json gives them: values, the junction fit
// under "shockley", uncertainties and notes under the same keys.
std::string PartJson(const PartRecord& r) {
  std::string figures, spreads, notes, shockley, shockleySpread;
  const bool fitted = r.junctionFit;
  auto note = [&](const std::string& key, const std::string& text) {
    if (!text.empty()) notes += (notes.empty() ? "" : ", ") + JsonString(key) + ": " + JsonString(text);
  };
  for (const PartFigure& f : r.figures) {
    const std::optional<double> spread = f.value ? f.uncertainty : std::nullopt;
    if (f.name.rfind("shockley.", 0) == 0) {
      const std::string key = f.name.substr(9);
      const char* comma = shockley.empty() ? "" : ", ";
      shockley += comma + JsonString(key) + ": " + JsonNumber(f.value);
      shockleySpread += comma + JsonString(key) + ": " + JsonNumber(spread);
      if (fitted) note(f.name, f.note);
      continue;
    }
    figures += ", " + JsonString(f.name) + ": " + JsonNumber(f.value);
    if (f.name == "vbr_amps") continue;
    spreads += std::string(spreads.empty() ? "" : ", ") + JsonString(f.name) + ": " + JsonNumber(spread);
    note(f.name, f.note);
  }
  if (!fitted)
    if (const PartFigure* is = r.Figure("shockley.is")) note("shockley", is->note);
  std::string tags;
  for (const std::string& tag : r.tags) tags += (tags.empty() ? "" : ", ") + JsonString(tag);
  return "{\"number\": " + std::to_string(r.number) + ", \"lot\": " + (r.lot ? JsonString(*r.lot) : "null") +
         ", \"tags\": [" + tags + "], \"time\": " + JsonString(r.measuredAt) +
         ", \"program\": " + JsonString(r.programVersion) + ", \"component\": " + JsonString(r.component) + figures +
         ", \"shockley\": " + (fitted ? "{" + shockley + "}" : "null") + ", \"clipped\": " + std::to_string(r.clipped) +
         ", \"uncertainty\": {" + spreads + ", \"shockley\": " + (fitted ? "{" + shockleySpread + "}" : "null") +
         "}, \"notes\": {" + notes + "}}";
}

int List(const CommandLine& line) {
  const std::optional<std::string> lot = LotOf(line);
  const auto library = OpenExistingLibrary(line);
  const std::vector<PartRecord> parts = Reading([&] { return library->Parts(lot); });
  std::string text;
  if (line.Has("--json")) {
    text = "[";
    for (std::size_t k = 0; k < parts.size(); ++k) text += (k ? ",\n " : "") + PartJson(parts[k]);
    text += "]\n";
  } else {
    for (const PartRecord& r : parts) {
      std::string tags;
      for (const std::string& tag : r.tags) tags += (tags.empty() ? "" : ", ") + tag;
      text += "part " + std::to_string(r.number) + " (" + (r.lot ? "lot " + *r.lot : "no lot") +
              (tags.empty() ? "" : "; " + tags) + "; " + r.measuredAt + "): " + Summary(r) + "\n";
    }
  }
  std::fputs(text.c_str(), stdout);
  return 0;
}

struct Action {
  const char* name;
  bool files;  // FILE... may follow LIBRARY
  std::vector<std::string> options;
  int (*run)(const CommandLine&);
};

const Action Actions[] = {
    {"add", true, {"--measure", "--count", "--simulate", "-n", "--range", "--lot", "--tag"}, Add},
    {"list", false, {"--lot", "--json"}, List},
    {"stats", false, {"--param", "--lot", "--histogram", "--bins", "--json"}, StatsAction},
    {"match", false, {"--param", "--group", "--max-spread", "--lot", "-o", "--json"}, MatchAction},
    {"report", false, {"-o", "--lot"}, ReportAction},
};

constexpr char ActionNames[] = "add, list, stats, match or report";

int RunParts(const Words& words) {
  const CommandLine line(words, PartsCommand().options);
  const std::vector<std::string>& positional = line.Positional();
  if (positional.empty()) throw UsageError(std::string("missing ACTION: ") + ActionNames);
  const std::string& name = positional[0];
  const auto action = std::find_if(std::begin(Actions), std::end(Actions), [&](const Action& a) { return a.name == name; });
  if (action == std::end(Actions)) throw UsageError("unknown action \"" + name + "\": " + ActionNames);
  if (positional.size() < 2) throw UsageError("parts " + name + ": missing LIBRARY");
  if (!action->files && positional.size() > 2) throw UsageError("parts " + name + ": unexpected \"" + positional[2] + "\"");
  for (const OptionRule& rule : PartsCommand().options)
    if (line.Has(rule.name) &&
        std::find(action->options.begin(), action->options.end(), rule.name) == action->options.end())
      throw UsageError("parts " + name + " takes no " + rule.name);
  return action->run(line);
}

}  // namespace

const Subcommand& PartsCommand() {
  static const Subcommand command{
      "parts",
      "parts ACTION LIBRARY ...\n"
      "  kvt parts add LIBRARY (FILE... | --measure [--count N] [--simulate[=COMPONENT]]) [--lot LOT] [--tag TAG]...\n"
      "  kvt parts list LIBRARY [--lot LOT] [--json]\n"
      "  kvt parts stats LIBRARY --param NAME [--lot LOT] [--histogram OUT.png] [--bins BINS] [--json]\n"
      "  kvt parts match LIBRARY --param NAME[,NAME...] --group N [--max-spread SPREAD[,SPREAD...]] [--lot LOT]\n"
      "                  [-o GROUPS.csv] [--json]\n"
      "  kvt parts report LIBRARY -o REPORT.html|REPORT.csv [--lot LOT]",
      "A parts library keeps measured parts, each with its number, lot, tags,\n"
      "time, curve, figures with their uncertainties and the program version.\n"
      "LIBRARY is a file (an SQLite database, made by the first add) or a\n"
      "postgresql://USER@HOST:PORT/DATABASE URL of a server several benches\n"
      "share; the library gives each part its number, so benches adding at\n"
      "once never collide.\n"
      "  add     the parts of the curve FILEs (.kvt or .csv), or the part under\n"
      "          the probe measured now; all of them or, on bad input, none.\n"
      "          With --count, N parts one after another, each stored as soon\n"
      "          as its curve holds still. One line per part: its number and\n"
      "          figures.\n"
      "  list    every part (of one lot) with its figures; JSON: one object per\n"
      "          part with number, lot, tags and the figures under the names\n"
      "          kvt params --json gives them.\n"
      "  stats   a parameter's count, mean, standard deviation, minimum,\n"
      "          maximum and percentiles over the parts, the parts without a\n"
      "          value, its histogram and the parts in each bin.\n"
      "  match   groups of N parts whose parameters lie closest together, with\n"
      "          each group's spread (said to be within resolution where the\n"
      "          instrument cannot tell the parts apart) and the parts that fit\n"
      "          no group, with the reason.\n"
      "  report  the library's parts per lot, each parameter's statistics and\n"
      "          histogram and the part table, as one HTML file; or the part\n"
      "          table as CSV.\n"
      "Parameters: vf, rd, vbr, leakage, resistance, vbr_amps, shockley.is\n"
      "(is), shockley.n (n), shockley.rs (rs).\n"
      "Bad input (a bad LIBRARY, curve file or option, a measurement that\n"
      "fails) leaves the library as it was (exit status 2); so does a signal\n"
      "during --measure, which leaves 0 V on the part (exit status 128 + the\n"
      "signal's number); with --count the parts stored before it stay.\n",
      {{"--lot", true, false, false, "LOT", "add: the parts' lot; the others: only the parts of this lot\n"},
       {"--tag", true, true, false, "TAG", "add: a tag of the parts (repeat for more)\n"},
       {"--json", false, false, false, "", "list, stats, match: JSON, numbers in plain SI units\n"},
       {"--measure", false, false, false, "", "add: sweep the instrument for the part's curve, as kvt measure\n"
        "does\n"},
       {"--count", true, false, false, "N", "add --measure: N parts in turn, 1 to 100000; the next is awaited\n"
        "once the probe is lifted (the simulated instrument lifts its own and\n"
        "puts it on a new part)\n"},
       PointsOption(),
       SimulateOption(),
       RangeOption(),
       {"--param", true, false, false, "NAME", "stats: the parameter; match: one or more, comma-separated\n"},
       {"--histogram", true, false, false, "OUT.png", "stats: the histogram as a picture\n"},
       {"--bins", true, false, false, "BINS", "stats: bins separated by \";\", each limits joined by commas:\n"
        "\"vf<0.6; 0.6<=vf<0.62, rd<40\"; values in SI units, prefixes allowed\n"
        "(600mV); a part is counted in the first bin it fits\n"},
       {"--group", true, false, false, "N", "match: parts per group, 2 or more\n"},
       {"--max-spread", true, false, false, "SPREAD", "match: the largest spread of a group, per parameter,\n"
        "with its unit (20mV,5ohm); groups beyond it are given up\n"},
       {"-o", true, false, false, "FILE", "match: the groups as CSV; report: the report (.html or .csv)\n"}},
      RunParts};
  return command;
}

}  // namespace kvt
