#pragma once
// "Window Options": whether the main window's geometry is stored on exit and
// whether the about box shows during loading. Created for each opening and
// shown modally; "&OK" commits to the table and writes the configuration
// file (telling through `prompt` when it cannot).
#include <QDialog>
#include <string>

#include "core/settings.h"

class QCheckBox;
class QPushButton;

namespace kvt {

class Prompt;

class WindowOptionsDialog : public QDialog {
  Q_OBJECT
 public:
  // The dialog edits `settings` in place and writes configDir + "kvt_win.cfg".
  // mainWindow (may be null) is its parent and fixes where it opens.
  WindowOptionsDialog(Settings& settings, std::string configDir, Prompt& prompt, QWidget* mainWindow);

  QCheckBox* SaveWindowCheck() const { return saveWindowCheck_; }
  QCheckBox* ShowAboutCheck() const { return showAboutCheck_; }
  QPushButton* DefaultButton() const { return defaultButton_; }
  QPushButton* OkButton() const { return okButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }

 private:
  void FillFrom(const Settings& table);
  void OnDefault();
  void OnOk();

  Settings& settings_;
  std::string configDir_;
  Prompt& prompt_;
  QCheckBox* saveWindowCheck_ = nullptr;
  QCheckBox* showAboutCheck_ = nullptr;
  QPushButton* defaultButton_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

}  // namespace kvt
