#pragma once
// What the two options dialogs share besides their geometry: captioned
// frames and a font that fits the design widths.
#include "ui/window_geometry.h"

class QDialog;
class QString;
class QWidget;

namespace kvt {

// A frame whose caption sits on its border line, so controls placed a few
// hundred twips below its top stay clear of the caption.
QWidget* NewFrame(const QString& caption, QWidget* parent);

// True when every label and check box shows its whole text within its width.
bool TextsFit(const QWidget& root);

// The design widths were made for a narrow font: makes the dialog's font
// smaller in half points (a condensed face first at each size) until every
// text fits, but never below 6 points.
void FitFontToDesign(QWidget& dialog);

}  // namespace kvt
