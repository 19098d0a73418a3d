#pragma once
// What the two options dialogs share besides their geometry: captioned
// frames, the Default/OK/Cancel row and a font that fits the design widths.
#include <QDialog>
#include <array>

#include "ui/window_geometry.h"

class QPushButton;
class QString;
class QWidget;

namespace kvt {

// A frame whose caption sits on its border line, so controls placed a few
// hundred twips below its top stay clear of the caption.
QWidget* NewFrame(const QString& caption, QWidget* parent);

// A dialog closed by "&Default", "&OK" and "&Cancel" along its foot. Default
// shows the factory values without committing them, OK commits and closes,
// Cancel (and the close box) discards.
class ButtonRowDialog : public QDialog {
 public:
  QPushButton* DefaultButton() const { return defaultButton_; }
  QPushButton* OkButton() const { return okButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }

 protected:
  using QDialog::QDialog;

  // The three buttons (objects Command1 to Command3), 1215 x 375 twips each
  // at the given lefts along `top`; OK is the default button. Called after
  // the dialog's other controls, so they come last in the tab order.
  void AddButtonRow(double top, const std::array<double, 3>& lefts);

  virtual void OnDefault() = 0;
  virtual void OnOk() = 0;

 private:
  QPushButton* defaultButton_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

// True when every label and check box shows its whole text within its width.
bool TextsFit(const QWidget& root);

// The design widths were made for a narrow font: makes the dialog's font
// smaller in half points (a condensed face first at each size) until every
// text fits, but never below 6 points.
void FitFontToDesign(QWidget& dialog);

}  // namespace kvt
