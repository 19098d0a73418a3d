#include "ui/range_indicator.h"

#include <QApplication>
#include <QFont>

#include "ui/picture_box.h"

namespace kvt {

RangeIndicator::RangeIndicator(PictureBox& dialBox, RangeMonitor& monitor, std::function<void()> beep)
    : monitor_(monitor), dial_(dialBox.Picture()), beep_(std::move(beep)) {
  if (!beep_) beep_ = [] { QApplication::beep(); };
  // The labels are printed again over themselves at every move of the
  // needle; smoothed glyph edges would darken with each print.
  QFont font = dialBox.font();
  font.setStyleStrategy(QFont::NoAntialias);
  dialBox.setFont(font);
}

void RangeIndicator::Reset() {
  dial_.Forget();
  monitor_.Reset();
}

double RangeIndicator::Poll() {
  const RangeReading reading = monitor_.Poll();
  if (reading.moved) beep_();
  dial_.Show(reading.rangeIndex);
  return reading.ohms;
}

}  // namespace kvt
