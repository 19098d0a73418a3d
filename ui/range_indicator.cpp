#include "ui/range_indicator.h"

#include <QApplication>
#include <QFont>

#include "ui/picture_box.h"

namespace kvt {

RangeIndicator::RangeIndicator(PictureBox& picture2, std::function<int()> readStatus)
    : monitor_(picture2, std::move(readStatus), [] { QApplication::beep(); }) {
  // The labels are printed again over themselves at every move of the
  // needle; smoothed glyph edges would darken with each print.
  QFont font = picture2.font();
  font.setStyleStrategy(QFont::NoAntialias);
  picture2.setFont(font);
}

void RangeIndicator::Reset() { monitor_.Reset(); }

double RangeIndicator::Poll() { return monitor_.UpdateRange(); }

}  // namespace kvt
