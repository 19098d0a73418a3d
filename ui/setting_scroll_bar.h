#pragma once
// The horizontal scroll bars that set one whole number: the parameter
// panel's ranges and the options dialog's colour components.

class QScrollBar;
class QWidget;

namespace kvt {

// A bar from minimum to maximum standing at minimum, one per arrow click and
// pageStep per click in the track. Tab reaches it, the arrow keys move the
// thumb their own way, and the value follows the thumb while it is dragged.
QScrollBar* NewSettingScrollBar(QWidget* parent, int minimum, int maximum, int pageStep);

}  // namespace kvt
