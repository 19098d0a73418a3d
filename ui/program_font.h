#pragma once
// The window geometry is laid out for a small dialog font; every window of
// the program uses it so captions fit their design widths.
class QApplication;
void ApplyProgramFont(QApplication& app);
