#pragma once
// The program's real message boxes and file dialogs.
#include "core/prompt.h"

#include <QString>

class QWidget;

namespace kvt {

// The title of a message box: it shows no text. An empty title is not used
// because the window system would put the program's name there instead.
inline QString BlankTitle() { return QStringLiteral(" "); }

class QtPrompt : public Prompt {
 public:
  explicit QtPrompt(QWidget* parent) : parent_(parent) {}

  PromptAnswer Message(const std::string& text, PromptIcon icon, PromptButtons buttons,
                       PromptAnswer defaultAnswer) override;
  std::string OpenFileName(const FileDialogRequest& request) override;
  std::string SaveFileName(const FileDialogRequest& request) override;
  SaveChoice SaveFile(const FileDialogRequest& request) override;
  std::vector<std::string> OpenFileNames(const FileDialogRequest& request, int maxCount) override;

 private:
  QWidget* parent_;
};

}  // namespace kvt
