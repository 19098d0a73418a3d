#pragma once
// The menu items of the curve tools, added to the main window's File and
// Tools menus beside the items that were always there.
class QAction;
class QMenuBar;

namespace kvt {

struct CurveMenu {
  QAction* openReference = nullptr;
  QAction* clearReferences = nullptr;
  QAction* exportCurve = nullptr;
  QAction* parameters = nullptr;
};

// File: after "&Save file with points", before the separator above "E&xit".
// Tools: after a separator at the end. Access keys clash with none of the
// menu's others.
CurveMenu AddCurveMenu(QMenuBar* bar);

}  // namespace kvt
