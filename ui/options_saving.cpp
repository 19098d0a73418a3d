#include "ui/options_saving.h"

#include "core/prompt.h"

namespace kvt {

void SaveOptionsFromDialog(const Settings& settings, const std::string& configDir, Prompt& prompt) {
  if (const auto failure = WriteSettingsOrSayWhy(settings, configDir))
    prompt.Message(*failure + "\n\nThe new options apply until the program ends.", PromptIcon::Exclamation,
                   PromptButtons::Ok, PromptAnswer::Ok);
}

}  // namespace kvt
