#pragma once
// The program's real message boxes and file dialogs.
#include "core/prompt.h"

class QWidget;

namespace kvt {

class QtPrompt : public Prompt {
 public:
  explicit QtPrompt(QWidget* parent) : parent_(parent) {}

  PromptAnswer Message(const std::string& text, PromptIcon icon, PromptButtons buttons,
                       PromptAnswer defaultAnswer) override;
  std::string OpenFileName(const FileDialogRequest& request) override;
  std::string SaveFileName(const FileDialogRequest& request) override;

 private:
  QWidget* parent_;
};

}  // namespace kvt
