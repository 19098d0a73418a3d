#pragma once
// The Qt application that subcommands drawing text need (render, board
// report): fonts on a headless platform, never a display.
#include <QGuiApplication>
#include <memory>

namespace kvt {

// A QGuiApplication on the "minimal" platform with fonts (a user's own
// QT_QPA_PLATFORM is kept), or nothing when one exists already; RunError
// when no font can be had.
std::unique_ptr<QGuiApplication> ApplicationWithFonts();

}  // namespace kvt
