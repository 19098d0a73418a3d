#pragma once
// The parts library a batch goes into. It is opened afresh for every store:
// a file removed or a server gone since the last part is then noticed,
// rather than the part written into a file nobody can find any more.
#include <string>
#include <vector>

#include "library/library_location.h"
#include "library/parts_library.h"

namespace kvt {

struct BatchStored {
  std::vector<long long> numbers;  // in the parts' order; empty when not stored
  std::string error;               // why not, on one line; empty when stored
};

class BatchLibrary {
 public:
  // Reads the location and opens the library, making the tables on an empty
  // database and, when `missing` allows, a new SQLite file; the reason when
  // it cannot be used, empty when it can.
  std::string Open(const std::string& text, PartsLibrary::Missing missing);
  bool IsOpen() const { return open_; }
  const LibraryLocation& Location() const { return location_; }

  // Stores the parts together, or none of them.
  BatchStored Store(const std::vector<NewPart>& parts) const;

 private:
  LibraryLocation location_;
  bool open_ = false;
};

}  // namespace kvt
