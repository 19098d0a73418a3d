#include "cli/parts_options.h"

#include <algorithm>

namespace kvt {

LibraryLocation LocationOf(const std::string& text) {
  const LocationRead read = ReadLibraryLocation(text);
  if (!read.error.empty()) throw UsageError(read.error);
  return read.location;
}

std::unique_ptr<PartsLibrary> OpenLibrary(const LibraryLocation& location, PartsLibrary::Missing missing) {
  return Reading([&] { return std::make_unique<PartsLibrary>(location, missing); });
}

std::unique_ptr<PartsLibrary> OpenExistingLibrary(const CommandLine& line) {
  return OpenLibrary(LocationOf(line.Positional()[1]), PartsLibrary::Missing::Refuse);
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

std::vector<const PartParameter*> ParametersOf(const CommandLine& line) {
  const auto given = line.Value("--param");
  if (!given) throw UsageError("missing --param NAME (" + PartParameterList() + ")");
  return ParametersIn(*given);
}

std::vector<const PartParameter*> ParametersIn(const std::string& text) {
  const std::string* given = &text;
  std::vector<const PartParameter*> parameters;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = std::min(given->find(',', start), given->size());
    const std::string name = Trimmed(given->substr(start, comma - start));
    const PartParameter* parameter = FindPartParameter(name);
    if (!parameter)
      throw UsageError("option --param: " + (name.empty() ? std::string("an empty name") : "\"" + name + "\"") +
                       " is no parameter (" + PartParameterList() + ")");
    if (std::find(parameters.begin(), parameters.end(), parameter) != parameters.end())
      throw UsageError("option --param: " + std::string(parameter->name) + " is given twice");
    parameters.push_back(parameter);
    if (comma == given->size()) break;
    start = comma + 1;
  }
  return parameters;
}

std::string LotText(const std::optional<std::string>& lot) { return lot ? "lot " + *lot : "all lots"; }

}  // namespace kvt
