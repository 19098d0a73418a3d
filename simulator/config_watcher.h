#pragma once
// The control file that sets the simulated instrument, watched so the
// component and the range switch can be changed while the program runs.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "simulator/sim_config.h"

namespace kvtsim {

// KVT_SIM_CONFIG if set and not empty, else kvt_sim.txt, as the user wrote
// it: the name messages give.
std::string ConfigNameFromEnvironment();

// The same made absolute against the current directory, so a later change
// of directory does not lose it.
std::string ConfigPathFromEnvironment();

class ConfigWatcher {
 public:
  // `name` is the file as messages call it; the path itself by default.
  explicit ConfigWatcher(std::string path, double intervalSeconds = 1.0, std::string name = {});

  // Reads the file now; built-in defaults when it is absent or unreadable.
  SimConfig Load();

  // Looks at the file's time stamp at most once per interval of `nowSeconds`
  // (any clock that does not go backwards) and reloads it when the stamp has
  // changed since the last load. Nothing when it has not looked, nothing
  // changed or the file has gone: the last setting stays.
  std::optional<SimConfig> Poll(double nowSeconds);

  const std::string& Path() const { return path_; }
  const std::string& Name() const { return name_; }
  // What the last load could not understand, one text per line.
  const std::vector<std::string>& Problems() const { return problems_; }

 private:
  struct Stamp {
    bool exists = false;
    std::int64_t modified = 0;
    std::uintmax_t size = 0;
    bool operator==(const Stamp&) const = default;
  };
  Stamp Look() const;

  std::string path_;
  std::string name_;
  double interval_;
  Stamp stamp_;
  std::optional<double> lastLook_;
  std::vector<std::string> problems_;
};

}  // namespace kvtsim
