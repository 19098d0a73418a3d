#include "ui/window_options_dialog.h"

#include <QCheckBox>

#include "ui/dialog_frame.h"
#include "ui/options_saving.h"

namespace kvt {

WindowOptionsDialog::WindowOptionsDialog(TypedOptions& options, std::string configDir, Prompt& prompt,
                                         QWidget* mainWindow)
    : ButtonRowDialog(mainWindow), options_(options), configDir_(std::move(configDir)), prompt_(prompt) {
  MakeFixedDialog(*this, "Window Options", 4935, 1815);
  const TwipScale scale = ScaleOf(this);
  auto place = [&](QWidget* w, double l, double t, double wd, double h) {
    w->setGeometry(TwipRect(scale, l, t, wd, h));
  };

  auto* frame = NewFrame(QString(), this);
  place(frame, 120, 120, 4695, 975);
  saveWindowCheck_ = new QCheckBox(QStringLiteral("&Save position and size of main window on exit"), frame);
  saveWindowCheck_->setObjectName("Check1");
  place(saveWindowCheck_, 480, 240, 3615, 255);
  showAboutCheck_ = new QCheckBox(QStringLiteral("S&how \"About Program\" during loading"), frame);
  showAboutCheck_->setObjectName("Check2");
  place(showAboutCheck_, 480, 600, 3615, 255);

  AddButtonRow(1320, {120, 2160, 3600});

  FitFontToDesign(*this);
  PlaceBelowRightOf(*this, mainWindow);
  FillFrom(options_.Window());
}

void WindowOptionsDialog::FillFrom(const WindowOptions& window) {
  saveWindowCheck_->setChecked(window.saveOnExit);
  showAboutCheck_->setChecked(window.showAboutAtStart);
}

void WindowOptionsDialog::OnDefault() {
  // The check boxes show the defaults; the options themselves keep their values.
  TypedOptions defaults = options_;
  defaults.SetDefaults(WindowGroup);
  FillFrom(defaults.Window());
}

void WindowOptionsDialog::OnOk() {
  options_.SetWindowChecks(saveWindowCheck_->isChecked(), showAboutCheck_->isChecked());
  SaveOptionsFromDialog(options_.Table(), configDir_, prompt_);
  accept();
}

}  // namespace kvt
