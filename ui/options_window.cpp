#include "ui/options_window.h"

#include <QCheckBox>
#include <QPushButton>

#include "ui/dialog_frame.h"

namespace kvt {

OptionsWindow::OptionsWindow(Settings& settings, std::string configDir, QWidget* mainWindow)
    : QDialog(mainWindow), settings_(settings), configDir_(std::move(configDir)) {
  MakeFixedDialog(*this, "Window Options", 4935, 1815);
  const TwipScale scale = ScaleOf(this);
  auto place = [&](QWidget* w, double l, double t, double wd, double h) {
    w->setGeometry(TwipRect(scale, l, t, wd, h));
  };

  auto* frame = NewFrame(QString(), this);
  place(frame, 120, 120, 4695, 975);
  check1_ = new QCheckBox(QStringLiteral("&Save position and size of main window on exit"), frame);
  place(check1_, 480, 240, 3615, 255);
  check2_ = new QCheckBox(QStringLiteral("S&how \"About Program\" during loading"), frame);
  place(check2_, 480, 600, 3615, 255);

  command1_ = new QPushButton(QStringLiteral("&Default"), this);
  place(command1_, 120, 1320, 1215, 375);
  command2_ = new QPushButton(QStringLiteral("&OK"), this);
  place(command2_, 2160, 1320, 1215, 375);
  command3_ = new QPushButton(QStringLiteral("&Cancel"), this);
  place(command3_, 3600, 1320, 1215, 375);
  command2_->setDefault(true);

  connect(command1_, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(command2_, &QPushButton::clicked, this, [this] { Command2_Click(); });
  connect(command3_, &QPushButton::clicked, this, &QDialog::reject);

  FitFontToDesign(*this);
  PlaceBelowRightOf(*this, mainWindow);
  FillFrom(settings_);
}

void OptionsWindow::FillFrom(const Settings& table) {
  // Only the exact text "1" is on.
  check1_->setChecked(table.IsOn(SaveWindowOnExit));
  check2_->setChecked(table.IsOn(ShowAboutAtStart));
}

void OptionsWindow::Command1_Click() {
  // The check boxes show the defaults; the table itself keeps its values.
  Settings defaults = settings_;
  SetDefaultSettings(defaults, WindowGroup);
  FillFrom(defaults);
}

void OptionsWindow::Command2_Click() {
  settings_[SaveWindowOnExit] = check1_->isChecked() ? "1" : "0";
  settings_[ShowAboutAtStart] = check2_->isChecked() ? "1" : "0";
  WriteSettings(settings_, configDir_);
  accept();
}

}  // namespace kvt
