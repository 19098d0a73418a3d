#pragma once

class QAction;
class QMenuBar;

namespace kvt {

// The main window's menu bar: four menus, access keys only, no shortcuts.

struct MainMenu {
  QAction* File_Load;
  QAction* File_Save;
  QAction* File_Exit;
  QAction* Tools_Get;
  QAction* Tools_Clear;
  QAction* Tools_Copy;
  QAction* Options_KVT;
  QAction* Options_Window;
  QAction* Help_About;
};

MainMenu BuildMainMenu(QMenuBar* bar);

}  // namespace kvt
