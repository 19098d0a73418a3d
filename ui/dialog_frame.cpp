#include "ui/dialog_frame.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace kvt {

namespace {

class CaptionedFrame : public QWidget {
 public:
  CaptionedFrame(const QString& caption, QWidget* parent) : QWidget(parent), caption_(caption) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    // An etched border through the middle of the caption line.
    const QRect border = rect().adjusted(0, metrics.height() / 2, -1, -1);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(border.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(border.adjusted(1, 1, 0, 0));
    if (caption_.isEmpty()) return;
    const QRect title(6, 0, metrics.horizontalAdvance(caption_) + 4, metrics.height());
    painter.fillRect(title, palette().window());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(title, Qt::AlignCenter, caption_);
  }

 private:
  QString caption_;
};

}  // namespace

QWidget* NewFrame(const QString& caption, QWidget* parent) { return new CaptionedFrame(caption, parent); }

void ButtonRowDialog::AddButtonRow(double top, const std::array<double, 3>& lefts) {
  const TwipScale scale = ScaleOf(this);
  const auto add = [&](const char* caption, const char* name, double left) {
    auto* button = new QPushButton(QString::fromLatin1(caption), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(TwipRect(scale, left, top, 1215, 375));
    return button;
  };
  defaultButton_ = add("&Default", "Command1", lefts[0]);
  okButton_ = add("&OK", "Command2", lefts[1]);
  cancelButton_ = add("&Cancel", "Command3", lefts[2]);
  // Enter in a text box means OK, never Default.
  okButton_->setDefault(true);
  connect(defaultButton_, &QPushButton::clicked, this, [this] { OnDefault(); });
  connect(okButton_, &QPushButton::clicked, this, [this] { OnOk(); });
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

bool TextsFit(const QWidget& root) {
  for (const QLabel* label : root.findChildren<QLabel*>())
    if (label->sizeHint().width() > label->width()) return false;
  for (const QCheckBox* box : root.findChildren<QCheckBox*>())
    if (box->sizeHint().width() > box->width()) return false;
  return true;
}

void FitFontToDesign(QWidget& dialog) {
  QFont font = dialog.font();
  const double start = font.pointSizeF() > 0 ? font.pointSizeF() : 9.0;
  for (double size = start; size >= 6.0; size -= 0.5) {
    for (int stretch : {int(QFont::Unstretched), int(QFont::Condensed)}) {
      font.setPointSizeF(size);
      font.setStretch(stretch);
      dialog.setFont(font);
      if (TextsFit(dialog)) return;
    }
  }
}

}  // namespace kvt
