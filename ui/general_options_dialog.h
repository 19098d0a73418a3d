#pragma once
// "General Options": output delay, port address, averaging count and the
// three plot colours. Created for each opening and shown modally; "&OK"
// commits to the options, writes the configuration file, sets the ports up
// again and redraws the plot.
#include <array>
#include <string>

#include "core/plot_view.h"
#include "core/typed_options.h"
#include "ui/dialog_frame.h"

class QLabel;
class QLineEdit;
class QScrollBar;

namespace kvt {

class Device;
class PictureBox;
class Prompt;

class GeneralOptionsDialog : public ButtonRowDialog {
  Q_OBJECT
 public:
  // The dialog edits `options` in place and writes configDir + "kvt_win.cfg";
  // on OK the device takes the new port and `view` redraws the plot.
  // mainWindow (may be null) is its parent and fixes where it opens.
  GeneralOptionsDialog(TypedOptions& options, std::string configDir, Device& device, PlotView& view, Prompt& prompt,
                       QWidget* mainWindow);

  // Controls, so tests can drive the dialog as a user would.
  QScrollBar* ColourBar(int index) const { return bars_.at(static_cast<std::size_t>(index)); }  // 0..8
  QLabel* ValueLabel(int index) const { return values_.at(static_cast<std::size_t>(index)); }   // 0..8
  PictureBox* Preview(int index) const { return previews_.at(static_cast<std::size_t>(index)); }  // 0..2
  QLineEdit* DelayText() const { return delayText_; }
  QLineEdit* PortText() const { return portText_; }
  QLineEdit* AveragingText() const { return averagingText_; }

 private:
  void BuildControls();
  void FillFrom(const TypedOptions& options);
  void UpdatePreviews();
  void OnDefault() override;
  void OnOk() override;
  static std::string Typed(const QLineEdit* box, const std::string& stored);

  TypedOptions& options_;
  std::string configDir_;
  Device& device_;
  PlotView& view_;
  Prompt& prompt_;

  std::array<QScrollBar*, 9> bars_{};
  std::array<QLabel*, 9> values_{};
  std::array<PictureBox*, 3> previews_{};
  QLineEdit* delayText_ = nullptr;
  QLineEdit* portText_ = nullptr;
  QLineEdit* averagingText_ = nullptr;
};

}  // namespace kvt
