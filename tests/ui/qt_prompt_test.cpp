#include "ui/qt_prompt.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <QWindow>
#include <functional>

namespace kvt {

namespace {

// Runs `inspect` on the modal window once it is shown; the inspector must
// close it.
void WhenModalShows(std::function<void(QWidget*)> inspect) {
  QTimer::singleShot(0, [inspect] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    inspect(modal);
  });
}

}  // namespace

TEST(QtPrompt, MessageBoxHasNoTitleAndTheGivenIconButtonsAndDefault) {
  QtPrompt prompt(nullptr);
  WhenModalShows([](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    // No text in the title bar; an empty title would be filled with the
    // program's name by the window system.
    const QString title = box->windowTitle();
    EXPECT_FALSE(title.isEmpty());
    EXPECT_TRUE(title.trimmed().isEmpty()) << title.toStdString();
    ASSERT_NE(box->windowHandle(), nullptr);
    EXPECT_EQ(box->windowHandle()->title(), title);
    EXPECT_EQ(box->text(), "Overwrite existing file?");
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::No));
    box->button(QMessageBox::Yes)->click();
  });
  EXPECT_EQ(prompt.Message("Overwrite existing file?", PromptIcon::Question, PromptButtons::YesNo,
                           PromptAnswer::No),
            PromptAnswer::Yes);

  WhenModalShows([](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::Ok));
    box->button(QMessageBox::Cancel)->click();
  });
  EXPECT_EQ(prompt.Message("Can't save file", PromptIcon::Exclamation, PromptButtons::OkCancel, PromptAnswer::Ok),
            PromptAnswer::Cancel);
}

TEST(QtPrompt, FileDialogsTakeNamesAsTypedAndAskNothingThemselves) {
  QTemporaryDir dir;
  QtPrompt prompt(nullptr);
  const FileDialogRequest save{"Save Points", {"All Files (*.*)", "Files with Points (*.kvt)"}, 1};
  const QString typed = dir.filePath("curve");
  WhenModalShows([&](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Save Points");
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog->nameFilters(), (QStringList{"All Files (*.*)", "Files with Points (*.kvt)"}));
    EXPECT_EQ(dialog->selectedNameFilter(), "Files with Points (*.kvt)");
    EXPECT_TRUE(dialog->defaultSuffix().isEmpty());
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    dialog->selectFile(typed);
    static_cast<QDialog*>(dialog)->accept();
  });
  EXPECT_EQ(prompt.SaveFileName(save), typed.toStdString());

  // The open dialog accepts a name that does not exist; the command reports it.
  const FileDialogRequest open{"Open file with points", {"All Files (*.*)", "Files with Points(*.kvt)"}, 1};
  const QString missing = dir.filePath("missing.kvt");
  WhenModalShows([&](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Open file with points");
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog->selectedNameFilter(), "Files with Points(*.kvt)");
    dialog->selectFile(missing);
    static_cast<QDialog*>(dialog)->accept();
  });
  EXPECT_EQ(prompt.OpenFileName(open), missing.toStdString());

  WhenModalShows([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
  EXPECT_EQ(prompt.OpenFileName(open), "");
}

TEST(QtPrompt, AllFilesFilterListsNamesWithoutADot) {
  QtPrompt prompt(nullptr);
  const FileDialogRequest open{"Open file with points", {"All Files (*.*)", "Files with Points(*.kvt)"}, 0};
  WhenModalShows([](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    auto* model = dialog->findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->nameFilters(), QStringList{"*"});
    // The user picks the points filter, then "All Files" again.
    if (auto* types = dialog->findChild<QComboBox*>("fileTypeCombo")) {
      for (int index : {1, 0}) {
        types->setCurrentIndex(index);
        emit types->activated(index);
        emit types->textActivated(types->itemText(index));
        EXPECT_EQ(model->nameFilters(), index == 0 ? QStringList{"*"} : QStringList{"*.kvt"});
      }
    }
    dialog->reject();
  });
  EXPECT_EQ(prompt.OpenFileName(open), "");
}

// Behind the message that follows a file dialog, the window was still
// missing what the dialog had covered: it is drawn before the box shows.
TEST(QtPrompt, TheWindowIsDrawnBeforeTheMessageShows) {
  struct CountingWindow : QWidget {
    int paints = 0;
    void paintEvent(QPaintEvent*) override { ++paints; }
  } window;
  window.resize(200, 100);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QCoreApplication::processEvents();

  struct SeeBoxShow : QObject {
    CountingWindow* window = nullptr;
    int paintsWhenShown = -1;
    bool eventFilter(QObject* object, QEvent* event) override {
      if (event->type() == QEvent::Show && qobject_cast<QMessageBox*>(object) && paintsWhenShown < 0)
        paintsWhenShown = window->paints;
      return false;
    }
  } watch;
  watch.window = &window;
  qApp->installEventFilter(&watch);
  const int before = window.paints;
  window.update();  // what the closed dialog uncovered
  QtPrompt prompt(&window);
  WhenModalShows([](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click(); });
  prompt.Message("Can't save file", PromptIcon::Exclamation, PromptButtons::OkCancel, PromptAnswer::Ok);
  qApp->removeEventFilter(&watch);
  EXPECT_GT(watch.paintsWhenShown, before);
}

}  // namespace kvt
