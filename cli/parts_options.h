#pragma once
// What the kvt parts actions share: the library named on the command line,
// the lot, the parameters asked for, and the library's errors as bad input.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/part_figures.h"
#include "cli/command_line.h"
#include "library/parts_library.h"

namespace kvt {

LibraryLocation LocationOf(const std::string& text);

// The library, or UsageError naming it and the problem.
std::unique_ptr<PartsLibrary> OpenLibrary(const LibraryLocation& location, PartsLibrary::Missing missing);
// The existing library the second word names.
std::unique_ptr<PartsLibrary> OpenExistingLibrary(const CommandLine& line);

std::string Trimmed(const std::string& text);

// --lot, trimmed; UsageError when empty.
std::optional<std::string> LotOf(const CommandLine& line);

// --param's comma-separated names ("vf,rd", short names allowed), each
// once; UsageError naming the unknown one and the known.
std::vector<const PartParameter*> ParametersOf(const CommandLine& line);
// The same of a text already taken from --param.
std::vector<const PartParameter*> ParametersIn(const std::string& given);

// A reading of the library; its failures become UsageError.
template <typename Read>
auto Reading(Read read) -> decltype(read()) {
  try {
    return read();
  } catch (const LibraryError& e) {
    throw UsageError(e.what());
  }
}

// "lot L1" or "all lots", for headings.
std::string LotText(const std::optional<std::string>& lot);

// The actions other than add and list.
int StatsAction(const CommandLine& line);
int MatchAction(const CommandLine& line);
int ReportAction(const CommandLine& line);

}  // namespace kvt
