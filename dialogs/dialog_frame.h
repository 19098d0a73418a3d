#pragma once
// What the two options dialogs share: a fixed dialog frame sized in twips,
// controls placed in twips, and the opening place below and right of the
// main window.
#include <QRect>

#include "app/twips.h"

class QDialog;
class QString;
class QWidget;

// Twips to pixels with the logical resolution of the widget's screen.
TwipScale ScaleOf(const QWidget* widget);

QRect TwipRect(const TwipScale& scale, double left, double top, double width, double height);

// Caption, fixed client size in twips, no minimise or maximise buttons.
void MakeFixedDialog(QDialog& dialog, const char* caption, double clientWidth, double clientHeight);

// Puts the dialog 1000 twips right of and below the main window's top-left
// corner (its frame). Nothing happens without a main window.
void PlaceBelowRightOf(QDialog& dialog, const QWidget* mainWindow);

// A frame whose caption sits on its border line, so controls placed a few
// hundred twips below its top stay clear of the caption.
QWidget* NewFrame(const QString& caption, QWidget* parent);

// True when every label and check box shows its whole text within its width.
bool TextsFit(const QWidget& root);

// The design widths were made for a narrow font: makes the dialog's font
// smaller in half points (a condensed face first at each size) until every
// text fits, but never below 6 points.
void FitFontToDesign(QWidget& dialog);
