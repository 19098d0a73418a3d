#pragma once

class QApplication;

namespace kvt {

// The window geometry is laid out for a small dialog font; every window of
// the program uses it so captions fit their design widths.
void ApplyProgramFont(QApplication& app);

}  // namespace kvt
