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
#include "cli/report.h"
#include "library/parts_library.h"

namespace kvt {

namespace {

LibraryLocation LocationOf(const std::string& text) {
  const LocationRead read = ReadLibraryLocation(text);
  if (!read.error.empty()) throw UsageError(read.error);
  return read.location;
}

std::unique_ptr<PartsLibrary> OpenLibrary(const LibraryLocation& location, PartsLibrary::Missing missing) {
  try {
    return std::make_unique<PartsLibrary>(location, missing);
  } catch (const LibraryError& e) {
    throw UsageError(e.what());
  }
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<std::string> LotOf(const CommandLine& line) {
  const auto lot = line.Value("--lot");
  if (!lot) return std::nullopt;
  if (Trimmed(*lot).empty()) throw UsageError("option --lot needs a name, not an empty text");
  return Trimmed(*lot);
}

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

// One sweep of the part under the probe; nothing when a stop signal ended it.
std::optional<Curve> MeasuredCurve(const CommandLine& line, int& status) {
  const TypedOptions options = OptionsOfThisFolder();
  const int count = PointCountFrom(line, options.Device());
  Curve curve;
  try {
    CommandLineInstrument instrument(line, options.Device());
    if (!instrument.Sweep(curve, count)) {
      status = instrument.Stopped("parts", "the library unchanged");
      return std::nullopt;
    }
    instrument.ThrowIfFailed();
    curve.info.source = instrument.Source();
  } catch (const RunError& e) {
    const std::string why = e.what();
    throw UsageError("the part was not measured: " + why.substr(0, why.find('\n')));
  }
  curve.info.dateTime = LocalDateTimeNow();
  return curve;
}

std::string Summary(const PartRecord& record) {
  std::string text = record.component;
  for (const PartFigure& f : record.figures)
    if (f.value)
      text += ", " + f.name + " " + WithUncertainty(*f.value, f.uncertainty.value_or(0.0), FindPartParameter(f.name)->unit);
  return text;
}

int Add(const CommandLine& line) {
  const std::vector<std::string>& positional = line.Positional();
  const std::vector<std::string> files(positional.begin() + 2, positional.end());
  const bool measure = line.Has("--measure");
  if (measure && !files.empty()) throw UsageError("parts add: curve FILEs or --measure, not both");
  if (!measure && files.empty()) throw UsageError("parts add: missing FILE... or --measure");
  if (!measure)
    for (const char* option : {"--simulate", "-n", "--range"})
      if (line.Has(option)) throw UsageError(std::string("parts add: option ") + option + " needs --measure");
  const std::optional<std::string> lot = LotOf(line);
  const std::vector<std::string> tags = TagsOf(line);

  // The library is checked before anything is measured, and a new SQLite
  // file made only once every part is ready to go into it.
  const LibraryLocation location = LocationOf(positional[1]);
  std::unique_ptr<PartsLibrary> library;
  if (location.kind != LibraryLocation::Kind::Sqlite || QFileInfo::exists(QString::fromStdString(location.path)))
    library = OpenLibrary(location, PartsLibrary::Missing::Refuse);
  else if (!QFileInfo(QString::fromStdString(location.path)).absoluteDir().exists())
    throw UsageError(location.text + ": the folder it would go into does not exist");

  std::vector<NewPart> parts;
  std::vector<std::string> names;
  if (measure) {
    int status = 0;
    std::optional<Curve> curve = MeasuredCurve(line, status);
    if (!curve) return status;
    parts.push_back({{}, std::move(*curve)});
    names.push_back("measured");
  } else {
    for (const std::string& file : files) {
      parts.push_back({{}, LoadCurve(file)});
      names.push_back(file);
    }
  }
  const std::string now = LocalDateTimeNow();
  for (NewPart& part : parts) {
    part.record = RecordOfCurve(part.curve);
    if (part.record.measuredAt.empty()) part.record.measuredAt = now;
    part.record.lot = lot;
    part.record.tags = tags;
    part.record.programVersion = std::string("kvt ") + KVT_VERSION;
  }

  if (!library) library = OpenLibrary(location, PartsLibrary::Missing::Create);
  std::vector<long long> numbers;
  try {
    numbers = library->Add(parts);
  } catch (const LibraryError& e) {
    throw UsageError(e.what());
  }
  for (std::size_t k = 0; k < parts.size(); ++k)
    std::printf("part %lld: %s: %s\n", numbers[k], names[k].c_str(), Summary(parts[k].record).c_str());
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
  const auto library = OpenLibrary(LocationOf(line.Positional()[1]), PartsLibrary::Missing::Refuse);
  std::vector<PartRecord> parts;
  try {
    parts = library->Parts(lot);
  } catch (const LibraryError& e) {
    throw UsageError(e.what());
  }
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
    {"add", true, {"--measure", "--simulate", "-n", "--range", "--lot", "--tag"}, Add},
    {"list", false, {"--lot", "--json"}, List},
};

constexpr char ActionNames[] = "add or list";

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
      "  kvt parts add LIBRARY (FILE... | --measure [--simulate[=COMPONENT]]) [--lot LOT] [--tag TAG]...\n"
      "  kvt parts list LIBRARY [--lot LOT] [--json]",
      "A parts library keeps measured parts, each with its number, lot, tags,\n"
      "time, curve, figures with their uncertainties and the program version.\n"
      "LIBRARY is a file (an SQLite database, made by the first add) or a\n"
      "postgresql://USER@HOST:PORT/DATABASE URL of a server several benches\n"
      "share; the library gives each part its number, so benches adding at\n"
      "once never collide.\n"
      "  add   the parts of the curve FILEs (.kvt or .csv), or the part under\n"
      "        the probe measured now; all of them or, on bad input, none.\n"
      "        One line per part: its number and figures.\n"
      "  list  every part (of one lot) with its figures; JSON: one object per\n"
      "        part with number, lot, tags and the figures under the names\n"
      "        kvt params --json gives them.\n"
      "Bad input (a bad LIBRARY, curve file or option, a measurement that\n"
      "fails) leaves the library as it was (exit status 2); so does a signal\n"
      "during --measure, which leaves 0 V on the part (exit status 128 + the\n"
      "signal's number).\n",
      {{"--lot", true, false, false, "LOT", "add: the parts' lot; list: only the parts of this lot\n"},
       {"--tag", true, true, false, "TAG", "add: a tag of the parts (repeat for more)\n"},
       {"--json", false, false, false, "", "list: a JSON array, numbers in plain SI units\n"},
       {"--measure", false, false, false, "", "add: sweep the instrument for the part's curve, as kvt measure\n"
        "does\n"},
       PointsOption(),
       SimulateOption(),
       RangeOption()},
      RunParts};
  return command;
}

}  // namespace kvt
