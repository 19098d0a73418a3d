#include "ui/window_geometry.h"

#include <QDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/picture_box.h"

namespace kvt {

TwipScale ScaleOf(const QWidget* widget) {
  if (widget) return TwipScale::FromDpi(widget->logicalDpiX());
  const QScreen* screen = QGuiApplication::primaryScreen();
  return TwipScale::FromDpi(screen ? screen->logicalDotsPerInchX() : 96.0);
}

QRect TwipRect(const TwipScale& scale, double left, double top, double width, double height) {
  return QRect(scale.Px(left), scale.Px(top), scale.Px(width), scale.Px(height));
}

void MakeFixedDialog(QDialog& dialog, const char* caption, double clientWidth, double clientHeight) {
  dialog.setWindowTitle(QString::fromUtf8(caption));
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                        Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  const TwipScale scale = ScaleOf(&dialog);
  dialog.setFixedSize(scale.Px(clientWidth), scale.Px(clientHeight));
}

void PlaceBelowRightOf(QWidget& window, const QWidget* mainWindow) {
  if (!mainWindow) return;
  const TwipScale scale = ScaleOf(mainWindow);
  // Screen twips in single precision, top first, then left.
  const float top = static_cast<float>(scale.Twips(mainWindow->frameGeometry().top()) + 1000);
  const float left = static_cast<float>(scale.Twips(mainWindow->frameGeometry().left()) + 1000);
  window.move(scale.Px(left), scale.Px(top));
}

QRect FitOnScreen(QRect window, const QRect& available) {
  if (available.isEmpty()) return window;
  window.setSize(window.size().boundedTo(available.size()));
  const auto within = [](int start, int length, int low, int space) {
    return std::clamp(start, low, std::max(low, low + space - length));
  };
  window.moveTo(within(window.x(), window.width(), available.x(), available.width()),
                within(window.y(), window.height(), available.y(), available.height()));
  return window;
}

PictureBox* NewBorderedPicture(QFrame* border, int lineWidth, Colour background) {
  border->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  border->setLineWidth(lineWidth);
  auto* layout = new QVBoxLayout(border);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* box = new PictureBox(border, background);
  layout->addWidget(box);
  return box;
}

}  // namespace kvt
