#pragma once
// A Prompt that records every message and answers OK.
#include <string>
#include <vector>

#include "app/prompt.h"

struct ShownMessage {
  std::string text;
  PromptIcon icon;
  PromptButtons buttons;
};

class ScriptedPrompt : public Prompt {
 public:
  std::vector<ShownMessage> messages;

  PromptAnswer Message(const std::string& text, PromptIcon icon, PromptButtons buttons, PromptAnswer) override {
    messages.push_back({text, icon, buttons});
    return PromptAnswer::Ok;
  }
  std::string OpenFileName(const FileDialogRequest&) override { return {}; }
  std::string SaveFileName(const FileDialogRequest&) override { return {}; }
};
