#include "plot/plot_font.h"

#include <QGuiApplication>

namespace kvt {

QFont ProgramFont() {
  QFont font = QGuiApplication::font();
  font.setPointSizeF(8);
  return font;
}

}  // namespace kvt
