#pragma once
// A scripted user: records every message and dialog, answers from queues.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/prompt.h"

namespace kvt {

struct ShownMessage {
  std::string text;
  PromptIcon icon;
  PromptButtons buttons;
  PromptAnswer defaultAnswer;
};

class ScriptedPrompt : public Prompt {
 public:
  std::deque<PromptAnswer> answers;    // given in turn; the default button when empty
  std::deque<std::string> fileNames;   // given in turn; empty (cancel) when empty
  std::deque<int> saveFilters;         // filter chosen in each save dialog; the preselected one when empty
  std::deque<std::vector<std::string>> fileLists;  // for multi-file open dialogs, in turn
  std::vector<ShownMessage> messages;
  std::vector<FileDialogRequest> openDialogs;
  std::vector<FileDialogRequest> saveDialogs;
  // Runs while a message is up, to look at the window behind it.
  std::function<void(const std::string& text)> onMessage;

  PromptAnswer Message(const std::string& text, PromptIcon icon, PromptButtons buttons,
                       PromptAnswer defaultAnswer) override {
    messages.push_back({text, icon, buttons, defaultAnswer});
    if (onMessage) onMessage(text);
    if (answers.empty()) return defaultAnswer;
    const PromptAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::string OpenFileName(const FileDialogRequest& request) override {
    openDialogs.push_back(request);
    return NextName();
  }
  std::string SaveFileName(const FileDialogRequest& request) override {
    saveDialogs.push_back(request);
    return NextName();
  }

  SaveChoice SaveFile(const FileDialogRequest& request) override {
    saveDialogs.push_back(request);
    SaveChoice choice{NextName(), request.selectedFilter};
    if (!saveFilters.empty()) {
      choice.filter = saveFilters.front();
      saveFilters.pop_front();
    }
    return choice;
  }
  std::vector<std::string> OpenFileNames(const FileDialogRequest& request, int maxCount) override {
    openDialogs.push_back(request);
    if (fileLists.empty()) return {};
    std::vector<std::string> names = fileLists.front();
    fileLists.pop_front();
    if (static_cast<int>(names.size()) > maxCount) names.resize(static_cast<std::size_t>(maxCount));
    return names;
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& m : messages) texts.push_back(m.text);
    return texts;
  }

 private:
  std::string NextName() {
    if (fileNames.empty()) return {};
    std::string name = fileNames.front();
    fileNames.pop_front();
    return name;
  }
};

}  // namespace kvt
