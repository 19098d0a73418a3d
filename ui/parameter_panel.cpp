#include "ui/parameter_panel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>

#include "ui/setting_scroll_bar.h"

namespace kvt {

namespace {

// The value labels reach to the frame's inner edge rather than their design
// width of 495 twips, so that "10 mA" is not cut off in wider fonts.
constexpr double ValueLabelWidth = 585;

// The value labels show the entry's text as stored, so a hand-edited "7.5"
// reads as it is written while the bar stands on its rounded number.
QString StoredText(const TypedOptions& options, int entry, const char* unit = "") {
  return QString::fromStdString(options.Table()[entry]) + QString::fromLatin1(unit);
}

}  // namespace

ParameterPanel::ParameterPanel(QWidget* parent, TypedOptions& options, TwipScale scale, PlotView& view)
    : QObject(parent), options_(options), scale_(scale), view_(view) {
  smoothingFrame_ = new QGroupBox("Smoothing of plot:", parent);
  maxVoltsFrame_ = new QGroupBox("Max V (Volts):", parent);
  maxMilliampsFrame_ = new QGroupBox("Max I (mA):", parent);
  pointCountFrame_ = new QGroupBox("Number of Points:", parent);
  smoothingFrame_->setObjectName("Frame2");
  maxVoltsFrame_->setObjectName("Frame3");
  maxMilliampsFrame_->setObjectName("Frame4");
  pointCountFrame_->setObjectName("Frame5");
  Place(smoothingFrame_, 5880, 120, 2055, 975);
  Place(maxVoltsFrame_, 5880, 1080, 2055, 735);
  Place(maxMilliampsFrame_, 5880, 1800, 2055, 735);
  Place(pointCountFrame_, 5880, 2640, 2055, 1095);

  smoothingCheck_ = new QCheckBox("Using smoothing", smoothingFrame_);
  Place(smoothingCheck_, 120, 240, 1815, 255);
  smoothingLevelBar_ = NewSettingScrollBar(smoothingFrame_, 3, 30, 1);
  Place(smoothingLevelBar_, 120, 600, 1215, 255);
  smoothingLevelLabel_ = new QLabel(smoothingFrame_);
  Place(smoothingLevelLabel_, 1440, 600, ValueLabelWidth, 255);

  maxVoltsBar_ = NewSettingScrollBar(maxVoltsFrame_, 1, 5, 1);
  Place(maxVoltsBar_, 120, 360, 1215, 255);
  maxVoltsLabel_ = new QLabel(maxVoltsFrame_);
  Place(maxVoltsLabel_, 1440, 360, ValueLabelWidth, 255);

  maxMilliampsBar_ = NewSettingScrollBar(maxMilliampsFrame_, 1, 10, 1);
  Place(maxMilliampsBar_, 120, 360, 1215, 255);
  maxMilliampsLabel_ = new QLabel(maxMilliampsFrame_);
  Place(maxMilliampsLabel_, 1440, 360, ValueLabelWidth, 255);

  optionGroup_ = new QButtonGroup(this);
  static const char* const captions[6] = {"32", "64", "128", "256", "512", "1024"};
  for (int k = 0; k < 6; ++k) {
    pointCountOptions_[k] = new QRadioButton(captions[k], pointCountFrame_);
    pointCountOptions_[k]->setObjectName(QString("Option%1").arg(k + 1));
    Place(pointCountOptions_[k], k < 3 ? 120 : 1200, 240 + 240 * (k % 3), 735, 255);
    optionGroup_->addButton(pointCountOptions_[k], k + 1);
    connect(pointCountOptions_[k], &QRadioButton::toggled, this, [this, k](bool on) {
      if (on) OnPointCountChosen(k + 1);
    });
  }

  smoothingCheck_->setObjectName("Check1");
  smoothingLevelBar_->setObjectName("HScroll1");
  maxVoltsBar_->setObjectName("HScroll2");
  maxMilliampsBar_->setObjectName("HScroll3");
  smoothingLevelLabel_->setObjectName("Label1");
  maxVoltsLabel_->setObjectName("Label2");
  maxMilliampsLabel_->setObjectName("Label3");

  connect(smoothingCheck_, &QCheckBox::toggled, this, [this] { OnSmoothingToggled(); });
  const std::array<std::pair<QScrollBar*, Setter>, 3> bars = {{{smoothingLevelBar_, &TypedOptions::SetSmoothingLevel},
                                                                 {maxVoltsBar_, &TypedOptions::SetMaxVolts},
                                                                 {maxMilliampsBar_, &TypedOptions::SetMaxMilliamps}}};
  for (auto [bar, set] : bars) {
    connect(bar, &QScrollBar::valueChanged, this, [this, bar = bar, set = set] { OnRangeBarChanged(bar, set); });
    connect(bar, &QScrollBar::sliderReleased, this, [this, bar = bar, set = set] { OnRangeBarReleased(bar, set); });
  }
}

void ParameterPanel::Place(QWidget* widget, double left, double top, double width, double height) {
  widget->setGeometry(scale_.Px(left), scale_.Px(top), scale_.Px(width), scale_.Px(height));
}

void ParameterPanel::Sync() {
  const PlotControls& controls = options_.Plot().controls;
  const bool smoothing = controls.smoothing;
  smoothingCheck_->setChecked(smoothing);
  if (!smoothing) {
    smoothingLevelBar_->setEnabled(false);
    smoothingLevelLabel_->setEnabled(false);
  } else {
    smoothingLevelBar_->setEnabled(true);
    smoothingLevelLabel_->setEnabled(true);
    smoothingLevelBar_->setValue(controls.smoothingLevel);
  }
  // A setValue above may have run the handlers: the options are read afresh.
  smoothingLevelLabel_->setText(StoredText(options_, SmoothingLevel));
  maxVoltsBar_->setValue(options_.Plot().controls.maxVolts);
  maxVoltsLabel_->setText(StoredText(options_, MaxVoltsSetting, " V"));
  maxMilliampsBar_->setValue(options_.Plot().controls.maxMilliamps);
  maxMilliampsLabel_->setText(StoredText(options_, MaxMilliampsSetting, " mA"));
  const int k = options_.Device().pointsChoice;
  if (k >= 1 && k <= 6)
    TurnOptionOn(k);  // the group turns the others off
  else
    AllOptionsOff();
}

PlotControls ParameterPanel::Controls() const {
  return {smoothingCheck_->isChecked(), smoothingLevelBar_->value(), maxVoltsBar_->value(), maxMilliampsBar_->value()};
}

int ParameterPanel::CheckedOption() const {
  for (int k = 0; k < 6; ++k)
    if (pointCountOptions_[k]->isChecked()) return k + 1;
  return 0;
}

void ParameterPanel::AllOptionsOff() {
  // An exclusive group cannot have every button off; lift that briefly.
  optionGroup_->setExclusive(false);
  for (auto* option : pointCountOptions_) option->setChecked(false);
  optionGroup_->setExclusive(true);
}

void ParameterPanel::TurnOptionOn(int k) {
  if (k >= 1 && k <= 6) pointCountOptions_[k - 1]->setChecked(true);
}

void ParameterPanel::OnSmoothingToggled() {
  options_.SetSmoothing(smoothingCheck_->isChecked());
  view_.UpdateParams();
  view_.DrawPlot();
}

void ParameterPanel::OnRangeBarChanged(QScrollBar* bar, Setter set) {
  (options_.*set)(bar->value());
  view_.UpdateParams();
  if (!bar->isSliderDown()) view_.DrawPlot();
}

void ParameterPanel::OnRangeBarReleased(QScrollBar* bar, Setter set) {
  (options_.*set)(bar->value());
  view_.UpdateParams();
  view_.DrawPlot();
}

void ParameterPanel::OnPointCountChosen(int k) {
  options_.SetPointsChoice(k);
  view_.UpdateParams();
}

}  // namespace kvt
