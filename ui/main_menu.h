#pragma once

class QAction;
class QMenuBar;

namespace kvt {

// The main window's menu bar: four menus, access keys only, no shortcuts.

struct MainMenu {
  QAction* openPoints;
  QAction* savePoints;
  QAction* boardTest;
  QAction* exit;
  QAction* getPoints;
  QAction* wideRangeCurve;
  QAction* batchCapture;
  QAction* clearPlot;
  QAction* copyPlot;
  QAction* generalOptions;
  QAction* windowOptions;
  QAction* about;
};

MainMenu BuildMainMenu(QMenuBar* bar);

}  // namespace kvt
