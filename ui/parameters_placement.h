#pragma once
// Where a tool window opens beside the main window, from the geometries
// alone, so the choice can be checked for any screen.
#include <QPoint>
#include <QRect>
#include <QSize>

namespace kvt {

// The top-left corner of a window frame of `size`: right of the main window's
// frame, else left of it, top edges level, when the available screen area
// has room there; else below or above it. Failing all of these, on the
// screen where it covers the least of `plot` (both in screen coordinates).
QPoint PlaceBeside(const QRect& mainFrame, const QRect& plot, QSize size, const QRect& available);

}  // namespace kvt
