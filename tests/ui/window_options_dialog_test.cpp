#include "ui/window_options_dialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "core/twips.h"
#include "ui/dialog_frame.h"
#include "tests/support/scripted_prompt.h"

namespace kvt {

namespace {

class OptionsWindowTest : public testing::Test {
 protected:
  OptionsWindowTest() {
    options.SetEntry(WindowLeft, " 1200");
    options.SetEntry(WindowTop, " 900");
    options.SetEntry(WindowWidth, " 9000");
    options.SetEntry(WindowHeight, " 7000");
    options.SetEntry(WindowState, "2");
    options.SetEntry(Reserved8, "kept");
  }
  std::string configDir() const { return dir.path().toStdString() + "/"; }
  bool FileWritten() const { return QFile::exists(dir.filePath(ConfigFileName)); }

  QTemporaryDir dir;
  TypedOptions options;
  ScriptedPrompt prompt;
};

}  // namespace

TEST_F(OptionsWindowTest, OkWithoutChangesStoresCanonicalTexts) {
  options.SetEntry(SaveWindowOnExit, "1");
  options.SetEntry(ShowAboutAtStart, " 1");  // not exactly "1": off
  const Settings before = options.Table();
  WindowOptionsDialog dialog(options, configDir(), prompt, nullptr);
  EXPECT_TRUE(dialog.SaveWindowCheck()->isChecked());
  EXPECT_FALSE(dialog.ShowAboutCheck()->isChecked());
  dialog.OkButton()->click();

  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  Settings expected = before;
  expected[SaveWindowOnExit] = "1";
  expected[ShowAboutAtStart] = "0";
  EXPECT_EQ(options.Table().slot, expected.slot);
  Settings reread;
  ReadSettings(reread, configDir());
  EXPECT_EQ(reread[ShowAboutAtStart], "0");
  EXPECT_EQ(reread[WindowWidth], " 9000");
}

TEST_F(OptionsWindowTest, DefaultTicksBothButCommitsOnlyOnOk) {
  options.SetEntry(SaveWindowOnExit, "0");
  options.SetEntry(ShowAboutAtStart, "0");
  const Settings before = options.Table();
  {
    WindowOptionsDialog dialog(options, configDir(), prompt, nullptr);
    dialog.DefaultButton()->click();
    EXPECT_TRUE(dialog.SaveWindowCheck()->isChecked());
    EXPECT_TRUE(dialog.ShowAboutCheck()->isChecked());
    EXPECT_EQ(options.Table().slot, before.slot);
    dialog.CancelButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(options.Table().slot, before.slot);
    EXPECT_FALSE(FileWritten());
  }
  {
    WindowOptionsDialog dialog(options, configDir(), prompt, nullptr);
    dialog.DefaultButton()->click();
    dialog.OkButton()->click();
    Settings expected = before;
    expected[SaveWindowOnExit] = "1";
    expected[ShowAboutAtStart] = "1";
    EXPECT_EQ(options.Table().slot, expected.slot);  // window geometry 0..4 untouched
    EXPECT_TRUE(FileWritten());
  }
}

TEST_F(OptionsWindowTest, OpensBelowRightOfTheMainWindowWithEveryTextWhole) {
  QWidget mainWindow;
  mainWindow.move(300, 120);
  WindowOptionsDialog dialog(options, configDir(), prompt, &mainWindow);
  const TwipScale scale = TwipScale::FromDpi(mainWindow.logicalDpiX());
  EXPECT_EQ(dialog.pos(), QPoint(300, 120) + QPoint(scale.Px(1000), scale.Px(1000)));
  EXPECT_EQ(dialog.size(), QSize(scale.Px(4935), scale.Px(1815)));
  dialog.show();
  EXPECT_TRUE(TextsFit(dialog));
}

TEST_F(OptionsWindowTest, CloseBoxDiscardsLikeCancel) {
  const Settings before = options.Table();
  WindowOptionsDialog dialog(options, configDir(), prompt, nullptr);
  dialog.show();
  dialog.SaveWindowCheck()->setChecked(false);
  EXPECT_TRUE(dialog.close());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(options.Table().slot, before.slot);
  EXPECT_FALSE(FileWritten());
}

// Where kvt_win.cfg is a folder no write succeeds, for root too.
TEST_F(OptionsWindowTest, OkTellsWhenTheFileCannotBeWrittenAndKeepsTheOptions) {
  ASSERT_TRUE(QDir(dir.path()).mkdir(ConfigFileName));
  options.SetEntry(ShowAboutAtStart, "1");
  WindowOptionsDialog dialog(options, configDir(), prompt, nullptr);
  dialog.ShowAboutCheck()->setChecked(false);
  dialog.OkButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  ASSERT_EQ(prompt.messages.size(), 1u);
  const std::string& text = prompt.messages[0].text;
  EXPECT_NE(text.find("Can't save the options in " + configDir() + ConfigFileName + ": "), std::string::npos)
      << text;
  EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Exclamation);
  EXPECT_EQ(options.Table()[ShowAboutAtStart], "0");
}

}  // namespace kvt
