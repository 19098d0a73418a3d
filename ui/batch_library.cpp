#include "ui/batch_library.h"

#include <exception>

namespace kvt {

std::string BatchLibrary::Open(const std::string& text, PartsLibrary::Missing missing) {
  open_ = false;
  const LocationRead read = ReadLibraryLocation(text);
  if (!read.error.empty()) return read.error;
  try {
    PartsLibrary library(read.location, missing);
    library.Migrate();
  } catch (const LibraryError& e) {
    return e.what();
  }
  location_ = read.location;
  open_ = true;
  return {};
}

BatchStored BatchLibrary::Store(const std::vector<NewPart>& parts) const {
  if (!open_) return {{}, "no parts library is open"};
  try {
    // Refused when missing: a library that vanished is not made anew
    // under the batch, numbering its parts from 1 again.
    PartsLibrary library(location_, PartsLibrary::Missing::Refuse);
    return {library.Add(parts), {}};
  } catch (const LibraryError& e) {
    return {{}, e.what()};
  }
}

}  // namespace kvt
