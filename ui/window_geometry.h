#pragma once
// Window and control geometry given in twips, shared by every window.
#include <QRect>

#include "core/twips.h"
#include "core/draw_surface.h"

class QDialog;
class QFrame;
class QWidget;

namespace kvt {

class PictureBox;

// Twips to pixels with the logical resolution of the widget's screen (the
// primary screen for no widget).
TwipScale ScaleOf(const QWidget* widget);

QRect TwipRect(const TwipScale& scale, double left, double top, double width, double height);

// Caption, fixed client size in twips, no minimise or maximise buttons.
void MakeFixedDialog(QDialog& dialog, const char* caption, double clientWidth, double clientHeight);

// Puts a window 1000 twips right of and below the main window's top-left
// corner (its frame). Nothing happens without a main window.
void PlaceBelowRightOf(QWidget& window, const QWidget* mainWindow);

// A window's rectangle made to fit the available screen area: no larger
// than it, and moved onto it. A window whose minimum size is larger still
// keeps its top-left corner on the area.
QRect FitOnScreen(QRect window, const QRect& available);

// A picture box inside a sunken border: the border takes the box's design
// geometry, the drawing surface is what lies inside it.
PictureBox* NewBorderedPicture(QFrame* border, int lineWidth, Colour background);

}  // namespace kvt
