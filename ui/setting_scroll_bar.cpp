#include "ui/setting_scroll_bar.h"

#include <QScrollBar>

namespace kvt {

QScrollBar* NewSettingScrollBar(QWidget* parent, int minimum, int maximum, int pageStep) {
  auto* bar = new QScrollBar(Qt::Horizontal, parent);
  bar->setRange(minimum, maximum);
  bar->setSingleStep(1);
  bar->setPageStep(pageStep);
  bar->setValue(minimum);
  // Labels and previews follow a drag live, not only on release.
  bar->setTracking(true);
  // Tab reaches it and the arrow keys move the thumb their own way (Qt's
  // scroll bars turn Left and Right round).
  bar->setFocusPolicy(Qt::StrongFocus);
  bar->setInvertedControls(false);
  return bar;
}

}  // namespace kvt
