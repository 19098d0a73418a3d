#pragma once
// The about box: one fixed picture, no border, no title bar, no task-bar
// entry; a click anywhere closes it.
#include <QDialog>

namespace kvt {

class AboutWindow : public QDialog {
  Q_OBJECT
 public:
  explicit AboutWindow(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QPixmap picture_;
};

// Keeps the start-up picture on screen for the given seconds, or until it is
// clicked away. Input is taken meanwhile, so that the click arrives; the
// picture is the only window on screen.
void PauseOnPicture(QDialog& picture, double seconds);

}  // namespace kvt
