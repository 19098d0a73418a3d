#pragma once
// "General Options": output delay, port address, averaging count and the
// three plot colours. Created for each opening and shown modally; "&OK"
// commits to the table, writes the configuration file, sets the ports up
// again and redraws the plot.
#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "core/settings.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace kvt {

class PictureBox;
class Prompt;

struct OptionsKVTCallbacks {
  std::function<void()> setupPorts;  // derive the port addresses from PortHex
  std::function<void()> drawPlot;    // repaint the plot with the new colours
};

class OptionsKVT : public QDialog {
  Q_OBJECT
 public:
  // The dialog edits `settings` in place and writes configDir + "kvt_win.cfg".
  // mainWindow (may be null) is its parent and fixes where it opens.
  OptionsKVT(Settings& settings, std::string configDir, QWidget* mainWindow, OptionsKVTCallbacks callbacks,
             Prompt& prompt);

  // Controls, so tests can drive the dialog as a user would.
  QScrollBar* ColourBar(int index) const { return bars_.at(static_cast<std::size_t>(index)); }  // 0..8
  QLabel* ValueLabel(int index) const { return values_.at(static_cast<std::size_t>(index)); }   // 0..8
  PictureBox* Preview(int index) const { return previews_.at(static_cast<std::size_t>(index)); }  // 0..2
  QLineEdit* DelayText() const { return text1_; }
  QLineEdit* PortText() const { return text2_; }
  QLineEdit* AveragingText() const { return text3_; }
  QPushButton* DefaultButton() const { return command1_; }
  QPushButton* OkButton() const { return command2_; }
  QPushButton* CancelButton() const { return command3_; }

 private:
  void BuildControls();
  void FillFrom(const Settings& table);
  void UpdatePreviews();
  void Command1_Click();
  void Command2_Click();
  std::string Typed(const QLineEdit* box, int entry) const;

  Settings& settings_;
  std::string configDir_;
  OptionsKVTCallbacks callbacks_;
  Prompt& prompt_;

  std::array<QScrollBar*, 9> bars_{};
  std::array<QLabel*, 9> values_{};
  std::array<PictureBox*, 3> previews_{};
  QLineEdit* text1_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QLineEdit* text3_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* command2_ = nullptr;
  QPushButton* command3_ = nullptr;
};

}  // namespace kvt
