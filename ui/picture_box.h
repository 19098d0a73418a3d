#pragma once
// A widget that shows a kept picture: it survives being covered, and the
// picture's image is what gets copied to the clipboard. The picture follows
// the widget's size and font; on a screen with more device pixels per pixel
// the widget shows the picture drawn again sharp at that density.
#include <QWidget>

#include "plot/kept_picture.h"

namespace kvt {

class PictureBox : public QWidget {
  Q_OBJECT
 public:
  explicit PictureBox(QWidget* parent = nullptr, Colour background = MakeColour(255, 255, 255));

  // What draws into the box.
  KeptPicture& Picture() { return picture_; }
  const KeptPicture& Picture() const { return picture_; }
  const QImage& Image() const { return picture_.Image(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  KeptPicture picture_;
};

}  // namespace kvt
