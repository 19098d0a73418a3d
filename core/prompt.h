#pragma once
// Every question, message and file dialog the program shows goes through
// this interface, so tests can script the user's answers.
#include <string>
#include <vector>

namespace kvt {

enum class PromptIcon { Exclamation, Question, Information };
enum class PromptButtons { Ok, OkCancel, YesNo };
enum class PromptAnswer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
  std::string title;
  std::vector<std::string> filters;  // e.g. "All Files (*.*)", "Files with Points(*.kvt)"
  int selectedFilter = 0;            // index into filters
};

class Prompt {
 public:
  virtual ~Prompt() = default;
  // Message box with an empty title. defaultAnswer names the default button.
  virtual PromptAnswer Message(const std::string& text, PromptIcon icon, PromptButtons buttons,
                               PromptAnswer defaultAnswer) = 0;
  // Return the chosen file name, or an empty text when the user cancelled.
  virtual std::string OpenFileName(const FileDialogRequest& request) = 0;
  virtual std::string SaveFileName(const FileDialogRequest& request) = 0;
};

}  // namespace kvt
