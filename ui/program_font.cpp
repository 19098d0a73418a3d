#include "ui/program_font.h"

#include <QApplication>
#include <QFont>

namespace kvt {

void ApplyProgramFont(QApplication& app) {
  QFont font = QApplication::font();
  font.setPointSizeF(8);
  app.setFont(font);
}

}  // namespace kvt
