#include "ui/file_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QDrag>
#include <QMouseEvent>
#include <functional>

#include "ui/qt_prompt.h"

namespace kvt {

namespace {

// The entries of a folder, sub-folders with their entries ("b/a").
QStringList Tree(const QString& root) {
  QStringList found;
  const std::function<void(const QString&, const QString&)> walk = [&](const QString& path, const QString& prefix) {
    for (const QString& name : QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
      found << prefix + name;
      if (QFileInfo(path + "/" + name).isDir()) walk(path + "/" + name, prefix + name + "/");
    }
  };
  walk(root, "");
  return found;
}

// A folder with two sub-folders and a file, as a user's data folder.
struct Folder {
  Folder() {
    QDir(dir.path()).mkdir("a");
    QDir(dir.path()).mkdir("b");
    QFile file(dir.filePath("f.kvt"));
    file.open(QIODevice::WriteOnly);
  }
  QString Path(const char* name) const { return dir.filePath(name); }
  QTemporaryDir dir;
};

// The dialog's file view (the list or the details, as the user last chose),
// once it shows `name` of the folder it was sent to.
QAbstractItemView* ListShowing(QFileDialog& dialog, const QString& folder, const QString& name) {
  dialog.setDirectory(folder);
  auto* view = dialog.findChild<QAbstractItemView*>(dialog.viewMode() == QFileDialog::Detail ? "treeView" : "listView");
  auto* model = dialog.findChild<QFileSystemModel*>();
  if (!view || !model) return nullptr;
  // Laid out: every entry in a place of its own.
  const bool shown = QTest::qWaitFor([&] {
    QSet<QPoint> places;
    for (const QString& entry : QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
      const QRect rect = view->visualRect(model->index(folder + "/" + entry));
      if (rect.isEmpty()) return false;
      places.insert(rect.topLeft());
    }
    return places.size() == 3 && model->index(folder + "/" + name).isValid();
  });
  return shown ? view : nullptr;
}

// Presses the mouse on `from` and moves it onto `onto`, as a user starts a
// drag. (Without a window system there is no drop to follow: the drag
// starting at all is what a test can see. On X11 the release moved or
// copied `from` into `onto`.)
void DragWithMouse(QFileDialog& dialog, QAbstractItemView& view, const QString& from, const QString& onto) {
  auto* model = dialog.findChild<QFileSystemModel*>();
  const QPoint start = view.visualRect(model->index(from)).center();
  const QPoint end = view.visualRect(model->index(onto)).center();
  QWidget* area = view.viewport();
  const auto send = [area](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, area->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(area, &event);
  };
  send(QEvent::MouseButtonPress, start, Qt::LeftButton);
  for (int step = 1; step <= 4; ++step) send(QEvent::MouseMove, start + (end - start) * step / 4, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, end, Qt::NoButton);
}

// Runs `inside` in the dialog the prompt shows, then cancels it.
void InDialog(bool save, const std::function<void(QFileDialog&)>& inside) {
  QtPrompt prompt(nullptr);
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    inside(*dialog);
    dialog->reject();
  });
  const FileDialogRequest request{"Files", {"All Files (*.*)", "Files with Points(*.kvt)"}, 0};
  if (save)
    prompt.SaveFile(request);
  else
    prompt.OpenFileName(request);
}

const QStringList Untouched = {"a", "b", "f.kvt"};

}  // namespace

// A drag onto a folder moved what was dragged into it, on disk: in a
// random-action run a whole folder went into another.
TEST(FileDialog, NoDragStartsFromTheFileList) {
  const struct {
    const char* name;
    bool save;
    const char* dragged;
  } cases[] = {
      {"open dialog, a folder onto another", false, "a"},
      {"open dialog, a file onto a folder", false, "f.kvt"},
      {"save dialog, a folder onto another", true, "a"},
      {"save dialog, a file onto a folder", true, "f.kvt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Folder folder;
    InDialog(c.save, [&](QFileDialog& dialog) {
      for (const auto mode : {QFileDialog::List, QFileDialog::Detail}) {
        dialog.setViewMode(mode);
        QAbstractItemView* view = ListShowing(dialog, folder.dir.path(), "b");
        ASSERT_NE(view, nullptr);
        DragWithMouse(dialog, *view, folder.Path(c.dragged), folder.Path("b"));
        // The view makes each drag a QDrag of its own, deleted only once
        // the event loop runs again.
        EXPECT_EQ(view->findChildren<QDrag*>().size(), 0) << (mode == QFileDialog::List ? "list" : "details");
      }
    });
    EXPECT_EQ(Tree(folder.dir.path()), Untouched);
  }
}

// F2 renamed the selected entry and the Delete key deleted it (after a
// question a hurried user answers Yes).
TEST(FileDialog, KeysRenameOrDeleteNothing) {
  const struct {
    const char* name;
    bool save;
    Qt::Key key;
  } cases[] = {
      {"open dialog, F2", false, Qt::Key_F2},
      {"open dialog, Delete", false, Qt::Key_Delete},
      {"save dialog, F2", true, Qt::Key_F2},
      {"save dialog, Delete", true, Qt::Key_Delete},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Folder folder;
    InDialog(c.save, [&](QFileDialog& dialog) {
      QAbstractItemView* view = ListShowing(dialog, folder.dir.path(), "f.kvt");
      ASSERT_NE(view, nullptr);
      dialog.activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
      auto* model = dialog.findChild<QFileSystemModel*>();
      view->setFocus();
      view->setCurrentIndex(model->index(folder.Path("f.kvt")));
      // Any question that comes up is answered Yes.
      QTimer answer;
      QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
          box->button(QMessageBox::Yes)->click();
      });
      answer.start(0);
      QTest::keyClick(view, c.key);
      if (QWidget* editor = QApplication::focusWidget(); editor && editor != view) {
        QTest::keyClicks(editor, "g");
        QTest::keyClick(editor, Qt::Key_Return);
      }
      QCoreApplication::processEvents();
    });
    EXPECT_EQ(Tree(folder.dir.path()), Untouched);
  }
}

// "New Folder" stays where a save needs it, with its name typed in place;
// an open dialog has no use for it.
TEST(FileDialog, OnlyTheSaveDialogMakesNewFolders) {
  for (const bool save : {true, false}) {
    SCOPED_TRACE(save ? "save dialog" : "open dialog");
    Folder folder;
    InDialog(save, [&](QFileDialog& dialog) {
      ASSERT_NE(ListShowing(dialog, folder.dir.path(), "b"), nullptr);
      dialog.activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
      auto* button = dialog.findChild<QToolButton*>("newFolderButton");
      ASSERT_NE(button, nullptr);
      EXPECT_EQ(button->isEnabled(), save);
      if (!button->isEnabled()) return;
      button->click();
      QWidget* editor = QApplication::focusWidget();
      ASSERT_NE(editor, nullptr);
      QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(editor, "made");
      QTest::keyClick(editor, Qt::Key_Return);
    });
    EXPECT_EQ(Tree(folder.dir.path()), save ? (QStringList{"a", "b", "f.kvt", "made"}) : Untouched);
  }
}

}  // namespace kvt
