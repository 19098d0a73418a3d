#pragma once
// A Prompt whose user answers from a script and whose messages are recorded.
#include <deque>
#include <string>
#include <vector>

#include "app/prompt.h"

struct ShownMessage {
  std::string text;
  PromptIcon icon;
  PromptButtons buttons;
  PromptAnswer defaultAnswer;
};

class ScriptedPrompt : public Prompt {
 public:
  PromptAnswer Message(const std::string& text, PromptIcon icon, PromptButtons buttons,
                       PromptAnswer defaultAnswer) override {
    messages.push_back({text, icon, buttons, defaultAnswer});
    if (answers.empty()) return defaultAnswer;
    const PromptAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::string OpenFileName(const FileDialogRequest& request) override { return NextFile(request); }
  std::string SaveFileName(const FileDialogRequest& request) override { return NextFile(request); }

  std::deque<PromptAnswer> answers;     // for message boxes; the default button when empty
  std::deque<std::string> fileNames;    // for file dialogs; "" (cancel) when empty
  std::vector<ShownMessage> messages;
  std::vector<FileDialogRequest> dialogs;

 private:
  std::string NextFile(const FileDialogRequest& request) {
    dialogs.push_back(request);
    if (fileNames.empty()) return {};
    std::string name = fileNames.front();
    fileNames.pop_front();
    return name;
  }
};
