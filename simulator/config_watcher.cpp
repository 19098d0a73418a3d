#include "simulator/config_watcher.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kvtsim {

namespace fs = std::filesystem;

std::string ConfigNameFromEnvironment() {
  const char* named = std::getenv("KVT_SIM_CONFIG");
  return (named && *named) ? named : "kvt_sim.txt";
}

std::string ConfigPathFromEnvironment() {
  const fs::path path = ConfigNameFromEnvironment();
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  return (error ? path : absolute).string();
}

ConfigWatcher::ConfigWatcher(std::string path, double intervalSeconds, std::string name)
    : path_(std::move(path)), name_(name.empty() ? path_ : std::move(name)), interval_(intervalSeconds) {}

ConfigWatcher::Stamp ConfigWatcher::Look() const {
  std::error_code error;
  Stamp stamp;
  auto modified = fs::last_write_time(path_, error);
  if (error) return stamp;
  auto size = fs::file_size(path_, error);
  if (error) return stamp;
  stamp.exists = true;
  stamp.modified = modified.time_since_epoch().count();
  stamp.size = size;
  return stamp;
}

SimConfig ConfigWatcher::Load() {
  stamp_ = Look();
  problems_.clear();
  if (!stamp_.exists) return SimConfig{};
  std::ifstream in(path_, std::ios::binary);
  if (!in) return SimConfig{};
  std::ostringstream text;
  text << in.rdbuf();
  return ParseConfig(text.str(), &problems_);
}

std::optional<SimConfig> ConfigWatcher::Poll(double nowSeconds) {
  if (lastLook_ && nowSeconds - *lastLook_ < interval_) return std::nullopt;
  lastLook_ = nowSeconds;
  Stamp now = Look();
  // A file that is gone (or half-way through an editor's save by renaming)
  // leaves the instrument as it is.
  if (!now.exists || now == stamp_) return std::nullopt;
  return Load();
}

}  // namespace kvtsim
