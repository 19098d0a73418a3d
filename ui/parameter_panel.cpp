#include "ui/parameter_panel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>

#include "core/text_number.h"

namespace kvt {

namespace {

// The value labels reach to the frame's inner edge rather than their design
// width of 495 twips, so that "10 mA" is not cut off in wider fonts.
constexpr double ValueLabelWidth = 585;

QScrollBar* MakeScrollBar(QWidget* parent, int minimum, int maximum) {
  auto* bar = new QScrollBar(Qt::Horizontal, parent);
  bar->setRange(minimum, maximum);
  bar->setSingleStep(1);
  bar->setPageStep(1);
  bar->setValue(minimum);
  return bar;
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

ParameterPanel::ParameterPanel(QWidget* parent, Settings& settings, TwipScale scale, Hooks hooks)
    : QObject(parent), settings_(settings), scale_(scale), hooks_(std::move(hooks)) {
  Frame2 = new QGroupBox("Smoothing of plot:", parent);
  Frame3 = new QGroupBox("Max V (Volts):", parent);
  Frame4 = new QGroupBox("Max I (mA):", parent);
  Frame5 = new QGroupBox("Number of Points:", parent);
  Frame2->setObjectName("Frame2");
  Frame3->setObjectName("Frame3");
  Frame4->setObjectName("Frame4");
  Frame5->setObjectName("Frame5");
  Place(Frame2, 5880, 120, 2055, 975);
  Place(Frame3, 5880, 1080, 2055, 735);
  Place(Frame4, 5880, 1800, 2055, 735);
  Place(Frame5, 5880, 2640, 2055, 1095);

  Check1 = new QCheckBox("Using smoothing", Frame2);
  Place(Check1, 120, 240, 1815, 255);
  HScroll1 = MakeScrollBar(Frame2, 3, 30);
  Place(HScroll1, 120, 600, 1215, 255);
  Label1 = new QLabel(Frame2);
  Place(Label1, 1440, 600, ValueLabelWidth, 255);

  HScroll2 = MakeScrollBar(Frame3, 1, 5);
  Place(HScroll2, 120, 360, 1215, 255);
  Label2 = new QLabel(Frame3);
  Place(Label2, 1440, 360, ValueLabelWidth, 255);

  HScroll3 = MakeScrollBar(Frame4, 1, 10);
  Place(HScroll3, 120, 360, 1215, 255);
  Label3 = new QLabel(Frame4);
  Place(Label3, 1440, 360, ValueLabelWidth, 255);

  options_ = new QButtonGroup(this);
  static const char* const captions[6] = {"32", "64", "128", "256", "512", "1024"};
  for (int k = 0; k < 6; ++k) {
    Option[k] = new QRadioButton(captions[k], Frame5);
    Option[k]->setObjectName(QString("Option%1").arg(k + 1));
    Place(Option[k], k < 3 ? 120 : 1200, 240 + 240 * (k % 3), 735, 255);
    options_->addButton(Option[k], k + 1);
    connect(Option[k], &QRadioButton::toggled, this, [this, k](bool on) {
      if (on) OptionClick(k + 1);
    });
  }

  Check1->setObjectName("Check1");
  HScroll1->setObjectName("HScroll1");
  HScroll2->setObjectName("HScroll2");
  HScroll3->setObjectName("HScroll3");
  Label1->setObjectName("Label1");
  Label2->setObjectName("Label2");
  Label3->setObjectName("Label3");

  connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });
  const std::array<std::pair<QScrollBar*, int>, 3> bars = {
      {{HScroll1, SmoothingLevel}, {HScroll2, MaxVoltsSetting}, {HScroll3, MaxMilliampsSetting}}};
  for (auto [bar, entry] : bars) {
    connect(bar, &QScrollBar::valueChanged, this, [this, bar = bar, entry = entry] { ScrollChanged(bar, entry); });
    connect(bar, &QScrollBar::sliderReleased, this, [this, bar = bar, entry = entry] { ScrollReleased(bar, entry); });
  }
}

void ParameterPanel::Place(QWidget* widget, double left, double top, double width, double height) {
  widget->setGeometry(scale_.Px(left), scale_.Px(top), scale_.Px(width), scale_.Px(height));
}

void ParameterPanel::Sync() {
  const bool smoothing = settings_[SmoothingOn] == "1";
  Check1->setChecked(smoothing);
  if (!smoothing) {
    HScroll1->setEnabled(false);
    Label1->setEnabled(false);
  } else {
    HScroll1->setEnabled(true);
    Label1->setEnabled(true);
    HScroll1->setValue(settings_.Int(SmoothingLevel));
  }
  Label1->setText(Text(settings_[SmoothingLevel]));
  HScroll2->setValue(settings_.Int(MaxVoltsSetting));
  Label2->setText(Text(settings_[MaxVoltsSetting] + " V"));
  HScroll3->setValue(settings_.Int(MaxMilliampsSetting));
  Label3->setText(Text(settings_[MaxMilliampsSetting] + " mA"));
  const int k = settings_.Int(PointsChoice);
  if (k >= 1 && k <= 6)
    TurnOptionOn(k);  // the group turns the others off
  else
    AllOptionsOff();
}

PlotControls ParameterPanel::Controls() const {
  return {Check1->isChecked(), HScroll1->value(), HScroll2->value(), HScroll3->value()};
}

int ParameterPanel::CheckedOption() const {
  for (int k = 0; k < 6; ++k)
    if (Option[k]->isChecked()) return k + 1;
  return 0;
}

void ParameterPanel::AllOptionsOff() {
  // An exclusive group cannot have every button off; lift that briefly.
  options_->setExclusive(false);
  for (auto* option : Option) option->setChecked(false);
  options_->setExclusive(true);
}

void ParameterPanel::TurnOptionOn(int k) {
  if (k >= 1 && k <= 6) Option[k - 1]->setChecked(true);
}

void ParameterPanel::Check1_Click() {
  settings_[SmoothingOn] = Check1->isChecked() ? "1" : "0";
  hooks_.updateParams();
  hooks_.drawPlot();
}

void ParameterPanel::ScrollChanged(QScrollBar* bar, int entry) {
  settings_[entry] = PlainDecimal(bar->value());
  hooks_.updateParams();
  if (!bar->isSliderDown()) hooks_.drawPlot();
}

void ParameterPanel::ScrollReleased(QScrollBar* bar, int entry) {
  settings_[entry] = PlainDecimal(bar->value());
  hooks_.updateParams();
  hooks_.drawPlot();
}

void ParameterPanel::OptionClick(int k) {
  settings_[PointsChoice] = PlainDecimal(k);
  hooks_.updateParams();
}

}  // namespace kvt
