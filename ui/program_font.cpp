#include "ui/program_font.h"

#include <QApplication>

#include "plot/plot_font.h"

namespace kvt {

void ApplyProgramFont(QApplication& app) { app.setFont(ProgramFont()); }

}  // namespace kvt
