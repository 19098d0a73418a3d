#include "ui/main_menu.h"

#include <QMenu>
#include <QMenuBar>

namespace kvt {

namespace {

QAction* Item(QMenu* menu, const char* name, const char* caption) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  return action;
}

}  // namespace

MainMenu BuildMainMenu(QMenuBar* bar) {
  MainMenu m{};
  QMenu* file = bar->addMenu("&File");
  file->setObjectName("File");
  m.File_Load = Item(file, "File_Load", "&Open file with points");
  m.File_Save = Item(file, "File_Save", "&Save file with points");
  file->addSeparator()->setObjectName("dummy");
  m.File_Exit = Item(file, "File_Exit", "E&xit");

  QMenu* tools = bar->addMenu("&Tools");
  tools->setObjectName("Tools");
  m.Tools_Get = Item(tools, "Tools_Get", "&Get points from device");
  tools->addSeparator()->setObjectName("dummy1");
  m.Tools_Clear = Item(tools, "Tools_Clear", "Clea&r plot (remove points)");
  m.Tools_Copy = Item(tools, "Tools_Copy", "&Copy image to clipboard");

  QMenu* options = bar->addMenu("&Options");
  options->setObjectName("Options");
  m.Options_KVT = Item(options, "Options_KVT", "&KVT Options");
  m.Options_Window = Item(options, "Options_Window", "&Window Options");

  QMenu* help = bar->addMenu("&Help");
  help->setObjectName("Help");
  m.Help_About = Item(help, "Help_About", "&About program");
  return m;
}

}  // namespace kvt
