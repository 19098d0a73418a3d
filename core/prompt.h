#pragma once
// Every question, message and file dialog the program shows goes through
// this interface, so tests can script the user's answers.
#include <string>
#include <vector>

namespace kvt {

enum class PromptIcon { Exclamation, Question, Information };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
  std::string title;
  std::vector<std::string> filters;  // e.g. "All Files (*.*)", "Files with Points(*.kvt)"
  int selectedFilter = 0;            // index into filters
  std::string fileName{};            // the name the dialog proposes; empty for none
};

// A save dialog's outcome: the name as typed or picked, and the filter that
// was selected when the user confirmed (an index into the request's filters).
struct SaveChoice {
  std::string name;  // empty: cancelled
  int filter = 0;
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
  // A save dialog that also tells which filter was selected; prompts that
  // cannot tell report the one the request preselected.
  virtual SaveChoice SaveFile(const FileDialogRequest& request) {
    return {SaveFileName(request), request.selectedFilter};
  }
  // An open dialog where several existing files may be picked at once; at
  // most maxCount names come back, none when the user cancelled.
  virtual std::vector<std::string> OpenFileNames(const FileDialogRequest& request, int maxCount) {
    std::string name = OpenFileName(request);
    if (name.empty() || maxCount < 1) return {};
    return {name};
  }
};

}  // namespace kvt
