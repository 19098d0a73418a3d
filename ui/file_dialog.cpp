#include "ui/file_dialog.h"

#include <QAbstractItemView>
#include <QAction>
#include <QFileSystemModel>
#include <QShortcut>
#include <algorithm>

namespace kvt {

namespace {

// "All Files (*.*)" is meant to list every file; Qt takes "*.*" literally
// and would hide names without a dot.
void ListEveryFileForStarDotStar(QFileDialog& dialog) {
  const auto apply = [&dialog](const QString& filter) {
    if (!filter.endsWith(QLatin1String("(*.*)"))) return;
    if (auto* model = dialog.findChild<QFileSystemModel*>()) model->setNameFilters({QStringLiteral("*")});
  };
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, apply);
  apply(dialog.selectedNameFilter());
}

// An open dialog's model is read-only, which also takes "New Folder" away.
// A save dialog keeps a writable model for "New Folder" (and for naming the
// new folder), so its views are closed to everything else: no drags or
// drops, no renaming by key or click, no Delete key, and the context menu
// loses "Rename" and "Delete".
void PickNamesOnly(QFileDialog& dialog) {
  if (dialog.acceptMode() == QFileDialog::AcceptOpen) dialog.setOption(QFileDialog::ReadOnly);
  for (const char* name : {"listView", "treeView"}) {
    auto* view = dialog.findChild<QAbstractItemView*>(QLatin1String(name));
    if (!view) continue;
    view->setDragEnabled(false);
    view->setDragDropMode(QAbstractItemView::NoDragDrop);
    view->setAcceptDrops(false);
    view->viewport()->setAcceptDrops(false);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (QShortcut* shortcut : view->findChildren<QShortcut*>()) shortcut->setEnabled(false);
  }
  for (const char* name : {"qt_rename_action", "qt_delete_action"})
    if (auto* action = dialog.findChild<QAction*>(QLatin1String(name))) action->setVisible(false);
}

}  // namespace

FileDialogOutcome RunFileDialog(QWidget* parent, const FileDialogRequest& request, QFileDialog::AcceptMode mode,
                                QFileDialog::FileMode fileMode) {
  QFileDialog dialog(parent, QString::fromStdString(request.title));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(fileMode);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setDefaultSuffix(QString());
  PickNamesOnly(dialog);
  QStringList filters;
  for (const std::string& f : request.filters) filters << QString::fromStdString(f);
  dialog.setNameFilter(filters.join(QStringLiteral(";;")));
  if (request.selectedFilter >= 0 && request.selectedFilter < filters.size())
    dialog.selectNameFilter(filters[request.selectedFilter]);
  ListEveryFileForStarDotStar(dialog);
  if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
  if (dialog.exec() != QDialog::Accepted) return {};
  return {dialog.selectedFiles(), std::max<int>(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())))};
}

}  // namespace kvt
