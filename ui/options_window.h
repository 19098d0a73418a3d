#pragma once
// "Window Options": whether the main window's geometry is stored on exit and
// whether the about box shows during loading. Created for each opening and
// shown modally; "&OK" commits to the table and writes the configuration file.
#include <QDialog>
#include <string>

#include "core/settings.h"

class QCheckBox;
class QPushButton;

namespace kvt {

class OptionsWindow : public QDialog {
  Q_OBJECT
 public:
  // The dialog edits `settings` in place and writes configDir + "kvt_win.cfg".
  // mainWindow (may be null) is its parent and fixes where it opens.
  OptionsWindow(Settings& settings, std::string configDir, QWidget* mainWindow);

  QCheckBox* SaveWindowCheck() const { return check1_; }
  QCheckBox* ShowAboutCheck() const { return check2_; }
  QPushButton* DefaultButton() const { return command1_; }
  QPushButton* OkButton() const { return command2_; }
  QPushButton* CancelButton() const { return command3_; }

 private:
  void FillFrom(const Settings& table);
  void Command1_Click();
  void Command2_Click();

  Settings& settings_;
  std::string configDir_;
  QCheckBox* check1_ = nullptr;
  QCheckBox* check2_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* command2_ = nullptr;
  QPushButton* command3_ = nullptr;
};

}  // namespace kvt
