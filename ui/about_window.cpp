#include "ui/about_window.h"

#include <QGuiApplication>
#include <QEventLoop>
#include <QPainter>
#include <QTimer>
#include <QScreen>

#include "ui/window_geometry.h"

namespace kvt {

AboutWindow::AboutWindow(QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Tool), picture_(":/about.png") {
  setObjectName("About");
  setAttribute(Qt::WA_DeleteOnClose);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const TwipScale scale = ScaleOf(nullptr);
  setFixedSize(scale.Px(6825), scale.Px(4935));
  if (screen) move(screen->geometry().center() - rect().center());
}

void AboutWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawPixmap(rect(), picture_);
}

void AboutWindow::mousePressEvent(QMouseEvent*) { close(); }

void PauseOnPicture(QDialog& picture, double seconds) {
  QEventLoop pause;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &pause, &QEventLoop::quit);
  QObject::connect(&picture, &QDialog::finished, &pause, &QEventLoop::quit);
  QObject::connect(&picture, &QObject::destroyed, &pause, &QEventLoop::quit);
  if (picture.isVisible()) pause.exec();
}

}  // namespace kvt
