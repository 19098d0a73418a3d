#include "ui/options_kvt.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include "core/prompt.h"
#include "core/text_number.h"
#include "core/device_text_check.h"
#include "ui/dialog_frame.h"
#include "ui/picture_box.h"

namespace kvt {

namespace {

// Entries of the nine scroll bars: background, line, numbers; red, green, blue.
constexpr std::array<int, 9> ColourEntries = {BackRed, BackGreen, BackBlue, LineRed, LineGreen,
                                              LineBlue, TextRed,   TextGreen, TextBlue};
constexpr std::array<const char*, 3> ComponentNames = {"R = ", "G = ", "B = "};

struct ColourFrameLayout {
  const char* caption;
  double left, top;
  double labelWidth;
  double barLeft;
  double pictureLeft;
};
constexpr std::array<ColourFrameLayout, 3> ColourFrames = {{
    {"Background color of plot:", 120, 120, 735, 960, 2160},
    {"Color of line in plot:", 3240, 120, 855, 1080, 2280},
    {"Color of numbers in plot:", 120, 1800, 735, 960, 2160},
}};
constexpr double FrameWidth = 2895, FrameHeight = 1575;
constexpr std::array<double, 3> RowTops = {360, 720, 1080};

QString ToQ(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

OptionsKVT::OptionsKVT(Settings& settings, std::string configDir, QWidget* mainWindow,
                       OptionsKVTCallbacks callbacks, Prompt& prompt)
    : QDialog(mainWindow),
      settings_(settings),
      configDir_(std::move(configDir)),
      callbacks_(std::move(callbacks)),
      prompt_(prompt) {
  MakeFixedDialog(*this, "General Options", 6255, 4095);
  BuildControls();
  // Size the font for the widest value the labels can show.
  for (QLabel* label : values_) label->setText(QStringLiteral("G =  255"));
  FitFontToDesign(*this);
  PlaceBelowRightOf(*this, mainWindow);
  FillFrom(settings_);
}

void OptionsKVT::BuildControls() {
  const TwipScale scale = ScaleOf(this);
  auto place = [&](QWidget* w, double l, double t, double wd, double h) {
    w->setGeometry(TwipRect(scale, l, t, wd, h));
  };

  for (std::size_t f = 0; f < ColourFrames.size(); ++f) {
    const ColourFrameLayout& layout = ColourFrames[f];
    auto* frame = NewFrame(QString::fromUtf8(layout.caption), this);
    place(frame, layout.left, layout.top, FrameWidth, FrameHeight);
    for (std::size_t row = 0; row < 3; ++row) {
      const std::size_t i = f * 3 + row;
      auto* label = new QLabel(frame);
      label->setTextFormat(Qt::PlainText);
      place(label, 120, RowTops[row], layout.labelWidth, 255);
      values_[i] = label;

      auto* bar = new QScrollBar(Qt::Horizontal, frame);
      bar->setRange(0, 255);
      bar->setSingleStep(1);
      bar->setPageStep(16);
      bar->setValue(0);
      // Tracking keeps the value following the thumb while it is dragged,
      // so labels and previews update live, not only on release.
      bar->setTracking(true);
      place(bar, layout.barLeft, RowTops[row], 975, 255);
      connect(bar, &QScrollBar::valueChanged, this, [this] { UpdatePreviews(); });
      bars_[i] = bar;
    }
    auto* picture = new PictureBox(frame);
    place(picture, layout.pictureLeft, 360, 495, 975);
    previews_[f] = picture;
  }

  auto* misc = NewFrame(QStringLiteral("Misc:"), this);
  place(misc, 3240, 1800, FrameWidth, FrameHeight);
  auto* label1 = new QLabel(QStringLiteral("Delay (output to port) 1E-6 s:"), misc);
  place(label1, 120, 240, 2055, 255);
  text1_ = new QLineEdit(misc);
  place(text1_, 2280, 240, 495, 285);
  auto* label11 = new QLabel(QStringLiteral("Port of device: 0x"), misc);
  place(label11, 120, 720, 1335, 255);
  text2_ = new QLineEdit(misc);
  place(text2_, 1440, 720, 1335, 285);
  auto* label14 = new QLabel(QStringLiteral("Number of points for averaging:"), misc);
  place(label14, 120, 1200, 2295, 255);
  text3_ = new QLineEdit(misc);
  place(text3_, 2400, 1200, 375, 285);
  label1->setBuddy(text1_);
  label11->setBuddy(text2_);
  label14->setBuddy(text3_);

  command1_ = new QPushButton(QStringLiteral("&Default"), this);
  place(command1_, 120, 3600, 1215, 375);
  command2_ = new QPushButton(QStringLiteral("&OK"), this);
  place(command2_, 3240, 3600, 1215, 375);
  command3_ = new QPushButton(QStringLiteral("&Cancel"), this);
  place(command3_, 4920, 3600, 1215, 375);
  // Enter in a text box means OK, never Default.
  command2_->setDefault(true);

  connect(command1_, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(command2_, &QPushButton::clicked, this, [this] { Command2_Click(); });
  connect(command3_, &QPushButton::clicked, this, &QDialog::reject);
}

void OptionsKVT::FillFrom(const Settings& table) {
  text1_->setText(ToQ(table[PortDelayMicros]));
  for (std::size_t i = 0; i < bars_.size(); ++i) bars_[i]->setValue(table.Int(ColourEntries[i]));
  text2_->setText(ToQ(table[PortHex]));
  text3_->setText(ToQ(table[AveragingCount]));
  UpdatePreviews();
}

void OptionsKVT::UpdatePreviews() {
  for (std::size_t i = 0; i < values_.size(); ++i)
    values_[i]->setText(QString::fromLatin1(ComponentNames[i % 3]) + ToQ(SignedDecimal(bars_[i]->value())));
  for (std::size_t f = 0; f < previews_.size(); ++f) {
    const Colour colour =
        MakeColour(bars_[f * 3]->value(), bars_[f * 3 + 1]->value(), bars_[f * 3 + 2]->value());
    PictureBox* box = previews_[f];
    // The background takes the colour too, so the box stays filled when it
    // is first laid out.
    box->SetBackground(colour);
    box->FilledBox(0, 0, box->InnerWidth(), box->InnerHeight(), colour);
  }
}

void OptionsKVT::Command1_Click() {
  // The controls show the defaults; the table itself keeps its values.
  Settings defaults = settings_;
  SetDefaultSettings(defaults, DeviceGroup);
  FillFrom(defaults);
}

std::string OptionsKVT::Typed(const QLineEdit* box, int entry) const {
  // An untouched box gives back the entry's own bytes, whatever their encoding.
  if (box->text() == ToQ(settings_[entry])) return settings_[entry];
  return box->text().toStdString();
}

void OptionsKVT::Command2_Click() {
  const DeviceTexts texts{Typed(text1_, PortDelayMicros), Typed(text2_, PortHex),
                          Typed(text3_, AveragingCount)};
  if (const auto refused = FirstRefusedDeviceText(settings_, texts)) {
    prompt_.Message(RefusalMessage(*refused), PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
    QLineEdit* box = *refused == DeviceTextField::Delay  ? text1_
                     : *refused == DeviceTextField::Port ? text2_
                                                         : text3_;
    box->setFocus();
    box->selectAll();
    return;
  }

  settings_[PortDelayMicros] = texts.delay;
  for (std::size_t i = 0; i < bars_.size(); ++i) settings_[ColourEntries[i]] = SignedDecimal(bars_[i]->value());
  settings_[PortHex] = texts.port;
  settings_[AveragingCount] = texts.averaging;
  WriteSettings(settings_, configDir_);
  if (callbacks_.setupPorts) callbacks_.setupPorts();
  if (callbacks_.drawPlot) callbacks_.drawPlot();
  accept();
}

}  // namespace kvt
