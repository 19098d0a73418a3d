// Feeds arbitrary bytes to the configuration reader and the start-up checks.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/settings.h"

using namespace kvt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Settings settings;
  ParseSettingsText(settings, std::string_view(reinterpret_cast<const char*>(data), size));
  ValidateSettings(settings, AllGroups, {15360, 11520});
  for (int i = 0; i < 27; ++i) (void)settings.Int(i);
  return 0;
}
