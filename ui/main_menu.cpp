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
  m.openPoints = Item(file, "File_Load", "&Open file with points");
  m.savePoints = Item(file, "File_Save", "&Save file with points");
  m.boardTest = Item(file, "File_Board", "&Board test...");
  file->addSeparator()->setObjectName("dummy");
  m.exit = Item(file, "File_Exit", "E&xit");

  QMenu* tools = bar->addMenu("&Tools");
  tools->setObjectName("Tools");
  m.getPoints = Item(tools, "Tools_Get", "&Get points from device");
  m.wideRangeCurve = Item(tools, "Tools_WideRange", "&Wide-range curve...");
  m.batchCapture = Item(tools, "Tools_Batch", "&Batch capture...");
  tools->addSeparator()->setObjectName("dummy1");
  m.clearPlot = Item(tools, "Tools_Clear", "Clea&r plot (remove points)");
  m.copyPlot = Item(tools, "Tools_Copy", "&Copy image to clipboard");

  QMenu* options = bar->addMenu("&Options");
  options->setObjectName("Options");
  m.generalOptions = Item(options, "Options_KVT", "&KVT Options");
  m.windowOptions = Item(options, "Options_Window", "&Window Options");

  QMenu* help = bar->addMenu("&Help");
  help->setObjectName("Help");
  m.about = Item(help, "Help_About", "&About program");
  return m;
}

}  // namespace kvt
