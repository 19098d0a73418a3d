#include "ui/curve_menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace kvt {

namespace {

QAction* ItemBefore(QMenu* menu, QAction* before, const char* name, const char* caption) {
  auto* action = new QAction(caption, menu);
  action->setObjectName(name);
  menu->insertAction(before, action);
  return action;
}

}  // namespace

CurveMenu AddCurveMenu(QMenuBar* bar) {
  CurveMenu m;
  auto* file = bar->findChild<QMenu*>("File");
  auto* tools = bar->findChild<QMenu*>("Tools");
  if (!file || !tools) return m;
  QAction* separator = nullptr;
  for (QAction* a : file->actions())
    if (a->isSeparator()) separator = a;
  m.openReference = ItemBefore(file, separator, "File_OpenReference", "Open &reference curve...");
  m.clearReferences = ItemBefore(file, separator, "File_ClearReferences", "Clear re&ferences");
  m.exportCurve = ItemBefore(file, separator, "File_Export", "&Export...");
  tools->addSeparator()->setObjectName("dummy2");
  m.parameters = ItemBefore(tools, nullptr, "Tools_Parameters", "&Parameters");
  return m;
}

}  // namespace kvt
