#pragma once
// Every file dialog of the program: Qt's own dialog, the same on every
// desktop, made to pick names and nothing else. A curve tracer's dialogs
// must not move, rename or delete files or folders (Qt's dialog would, by a
// drag onto a folder, F2, the Delete key or its context menu); a save
// dialog keeps "New Folder" so a new place can be made for the file.
#include <QFileDialog>
#include <QStringList>

#include "core/prompt.h"

class QWidget;

namespace kvt {

struct FileDialogOutcome {
  QStringList files;  // empty: cancelled
  int filter = 0;     // index into the request's filters
};

// Shows the dialog modally. The name comes back as typed or picked, with no
// suffix added and no question about overwriting: the commands decide what
// a missing or existing file means.
FileDialogOutcome RunFileDialog(QWidget* parent, const FileDialogRequest& request, QFileDialog::AcceptMode mode,
                                QFileDialog::FileMode fileMode = QFileDialog::AnyFile);

}  // namespace kvt
