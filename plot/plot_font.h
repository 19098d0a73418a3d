#pragma once
// The program's font: the platform's default at 8 points. Every window uses
// it, and the plot's texts are drawn in it, on screen and off it alike.
#include <QFont>

namespace kvt {

// Needs a QGuiApplication (or QApplication) for the platform's default.
QFont ProgramFont();

}  // namespace kvt
