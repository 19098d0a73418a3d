#pragma once
// "Window Options": whether the main window's geometry is stored on exit and
// whether the about box shows during loading. Created for each opening and
// shown modally; "&OK" commits to the options and writes the configuration
// file (telling through `prompt` when it cannot).
#include <string>

#include "core/typed_options.h"
#include "ui/dialog_frame.h"

class QCheckBox;

namespace kvt {

class Prompt;

class WindowOptionsDialog : public ButtonRowDialog {
  Q_OBJECT
 public:
  // The dialog edits `options` in place and writes configDir + "kvt_win.cfg".
  // mainWindow (may be null) is its parent and fixes where it opens.
  WindowOptionsDialog(TypedOptions& options, std::string configDir, Prompt& prompt, QWidget* mainWindow);

  QCheckBox* SaveWindowCheck() const { return saveWindowCheck_; }
  QCheckBox* ShowAboutCheck() const { return showAboutCheck_; }

 private:
  void FillFrom(const WindowOptions& window);
  void OnDefault() override;
  void OnOk() override;

  TypedOptions& options_;
  std::string configDir_;
  Prompt& prompt_;
  QCheckBox* saveWindowCheck_ = nullptr;
  QCheckBox* showAboutCheck_ = nullptr;
};

}  // namespace kvt
