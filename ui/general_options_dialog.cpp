#include "ui/general_options_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include "core/plot_view.h"
#include "core/prompt.h"
#include "core/text_number.h"
#include "core/device_text_check.h"
#include "device/device_routines.h"
#include "ui/dialog_frame.h"
#include "ui/options_saving.h"
#include "ui/picture_box.h"
#include "ui/setting_scroll_bar.h"

namespace kvt {

namespace {

// The nine scroll bars are background, line, numbers; red, green, blue each.
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

bool IsControl(QChar c) {
  return c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

// A one-line box keeps no line breaks or other control characters, whether
// typed or pasted; the cursor stays after what was inserted.
void DropControlCharacters(QLineEdit* box) {
  QObject::connect(box, &QLineEdit::textEdited, box, [box](const QString& text) {
    const int at = box->cursorPosition();
    QString kept;
    int cursor = at;
    for (qsizetype i = 0; i < text.size(); ++i) {
      if (!IsControl(text[i]))
        kept += text[i];
      else if (i < at)
        --cursor;
    }
    if (kept.size() == text.size()) return;
    box->setText(kept);
    box->setCursorPosition(cursor);
  });
}

}  // namespace

GeneralOptionsDialog::GeneralOptionsDialog(TypedOptions& options, std::string configDir, Device& device,
                                           PlotView& view, Prompt& prompt, QWidget* mainWindow)
    : ButtonRowDialog(mainWindow),
      options_(options),
      configDir_(std::move(configDir)),
      device_(device),
      view_(view),
      prompt_(prompt) {
  setObjectName("OptionsKVT");
  MakeFixedDialog(*this, "General Options", 6255, 4095);
  BuildControls();
  // Size the font for the widest value the labels can show.
  for (QLabel* label : values_) label->setText(QStringLiteral("G =  255"));
  FitFontToDesign(*this);
  PlaceBelowRightOf(*this, mainWindow);
  FillFrom(options_);
}

void GeneralOptionsDialog::BuildControls() {
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

      auto* bar = NewSettingScrollBar(frame, 0, 255, 16);
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
  auto* delayLabel = new QLabel(QStringLiteral("Delay (output to port) 1E-6 s:"), misc);
  place(delayLabel, 120, 240, 2055, 255);
  delayText_ = new QLineEdit(misc);
  delayText_->setObjectName("Text1");
  place(delayText_, 2280, 240, 495, 285);
  auto* portLabel = new QLabel(QStringLiteral("Port of device: 0x"), misc);
  place(portLabel, 120, 720, 1335, 255);
  portText_ = new QLineEdit(misc);
  portText_->setObjectName("Text2");
  place(portText_, 1440, 720, 1335, 285);
  auto* averagingLabel = new QLabel(QStringLiteral("Number of points for averaging:"), misc);
  place(averagingLabel, 120, 1200, 2295, 255);
  averagingText_ = new QLineEdit(misc);
  averagingText_->setObjectName("Text3");
  place(averagingText_, 2400, 1200, 375, 285);
  for (QLineEdit* box : {delayText_, portText_, averagingText_}) DropControlCharacters(box);
  delayLabel->setBuddy(delayText_);
  portLabel->setBuddy(portText_);
  averagingLabel->setBuddy(averagingText_);

  AddButtonRow(3600, {120, 3240, 4920});
}

void GeneralOptionsDialog::FillFrom(const TypedOptions& options) {
  // The three boxes show the texts as stored, typed as they were.
  const Settings& table = options.Table();
  delayText_->setText(ToQ(table[PortDelayMicros]));
  const PlotColours& colours = options.Plot().colours;
  const std::array<Colour, 3> frames = {colours.background, colours.line, colours.text};
  for (std::size_t f = 0; f < frames.size(); ++f) {
    bars_[f * 3]->setValue(RedOf(frames[f]));
    bars_[f * 3 + 1]->setValue(GreenOf(frames[f]));
    bars_[f * 3 + 2]->setValue(BlueOf(frames[f]));
  }
  portText_->setText(ToQ(table[PortHex]));
  averagingText_->setText(ToQ(table[AveragingCount]));
  UpdatePreviews();
}

void GeneralOptionsDialog::UpdatePreviews() {
  for (std::size_t i = 0; i < values_.size(); ++i)
    values_[i]->setText(QString::fromLatin1(ComponentNames[i % 3]) + ToQ(SignedDecimal(bars_[i]->value())));
  for (std::size_t f = 0; f < previews_.size(); ++f) {
    const Colour colour =
        MakeColour(bars_[f * 3]->value(), bars_[f * 3 + 1]->value(), bars_[f * 3 + 2]->value());
    KeptPicture& preview = previews_[f]->Picture();
    // The background takes the colour too, so the box stays filled when it
    // is first laid out.
    preview.SetBackground(colour);
    preview.FilledBox(0, 0, preview.InnerWidth(), preview.InnerHeight(), colour);
  }
}

void GeneralOptionsDialog::OnDefault() {
  // The controls show the defaults; the options themselves keep their values.
  TypedOptions defaults = options_;
  defaults.SetDefaults(DeviceGroup);
  FillFrom(defaults);
}

std::string GeneralOptionsDialog::Typed(const QLineEdit* box, const std::string& stored) {
  // An untouched box gives back the entry's own bytes, whatever their encoding.
  if (box->text() == ToQ(stored)) return stored;
  return box->text().toStdString();
}

void GeneralOptionsDialog::OnOk() {
  const Settings& table = options_.Table();
  const DeviceTexts texts{Typed(delayText_, table[PortDelayMicros]), Typed(portText_, table[PortHex]),
                          Typed(averagingText_, table[AveragingCount])};
  const auto refuse = [this](QLineEdit* box, const std::string& message) {
    prompt_.Message(message, PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
    box->setFocus();
    box->selectAll();
  };
  if (const auto refused = FirstRefusedDeviceText(table, texts)) {
    QLineEdit* box = *refused == DeviceTextField::Delay  ? delayText_
                     : *refused == DeviceTextField::Port ? portText_
                                                         : averagingText_;
    refuse(box, RefusalMessage(*refused, texts));
    return;
  }
  // A new address must be one the port library can use, or the instrument
  // would be out of reach until the file is edited. The address in use is
  // not asked again, so the other options stay editable without a port.
  if (texts.port != table[PortHex]) {
    const auto base = Device::BaseAddress(texts.port);
    if (const auto why = base ? device_.AccessError(*base) : std::nullopt) {
      refuse(portText_, PortRefusalMessage(*why));
      return;
    }
  }

  const auto colour = [this](std::size_t f) {
    return MakeColour(bars_[f * 3]->value(), bars_[f * 3 + 1]->value(), bars_[f * 3 + 2]->value());
  };
  options_.SetDeviceTexts(texts);
  options_.SetColours({colour(0), colour(1), colour(2)});
  SaveOptionsFromDialog(options_.Table(), configDir_, prompt_);
  device_.SetupPorts();
  view_.DrawPlot();
  accept();
}

}  // namespace kvt
