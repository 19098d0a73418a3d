#include "ui/general_options_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTest>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>

#include "core/twips.h"
#include "ui/dialog_frame.h"
#include "ui/picture_box.h"
#include "device/device_routines.h"
#include "tests/support/fake_instrument.h"
#include "tests/support/scripted_prompt.h"

namespace kvt {

namespace {

class OptionsKVTTest : public testing::Test, public PlotView {
 protected:
  OptionsKVTTest() {
    // The plot panel's entries, which this dialog must never touch.
    options.SetEntry(SmoothingOn, "1");
    options.SetEntry(SmoothingLevel, "12");
    options.SetEntry(MaxVoltsSetting, "3");
    options.SetEntry(MaxMilliampsSetting, "7");
    options.SetEntry(PointsChoice, "6");
    options.SetEntry(WindowLeft, " 1500");
    options.SetEntry(27, "extra");
  }

  std::unique_ptr<GeneralOptionsDialog> Open() {
    return std::make_unique<GeneralOptionsDialog>(options, configDir(), device, *this, prompt, nullptr);
  }
  // The redraw records where the device's ports stand by then.
  void UpdateParams() override { calls.push_back("updateParams"); }
  void DrawPlot() override {
    calls.push_back("port " + QString::number(device.DataPort(), 16).toStdString() +
                    (FileWritten() ? " after write" : ""));
    calls.push_back("drawPlot " + options.Table()[BackGreen]);
  }

  std::string configDir() const { return dir.path().toStdString() + "/"; }
  bool FileWritten() const { return QFile::exists(dir.filePath(ConfigFileName)); }
  std::string FileText() const {
    QFile file(dir.filePath(ConfigFileName));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll().toStdString();
  }

  QTemporaryDir dir;
  TypedOptions options;
  ScriptedPrompt prompt;
  std::vector<std::string> calls;
  FakeInstrument port;
  BurstClock clock{{0.2}};
  Device device{port, clock, options.Device()};
};

QRgb Rgb(int r, int g, int b) { return qRgb(r, g, b); }

// Every pixel of the preview's picture has the one colour.
bool FilledWith(const PictureBox& box, QRgb colour) {
  const QImage& image = box.Image();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF)) return false;
  return true;
}

}  // namespace

TEST_F(OptionsKVTTest, OkWithoutChangesRewritesColoursAsSignedDecimalAndKeepsTexts) {
  options.SetEntry(PortDelayMicros, "250 us");
  options.SetEntry(PortHex, "3bc");
  options.SetEntry(AveragingCount, "8");
  options.SetEntry(LineGreen, " 255");
  const Settings before = options.Table();
  auto dialog = Open();
  dialog->OkButton()->click();

  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(options.Table()[PortDelayMicros], "250 us");
  EXPECT_EQ(options.Table()[PortHex], "3bc");
  EXPECT_EQ(options.Table()[AveragingCount], "8");
  const std::vector<std::pair<int, std::string>> colours = {
      {BackRed, " 0"}, {BackGreen, " 96"}, {BackBlue, " 0"},  {LineRed, " 0"}, {LineGreen, " 255"},
      {LineBlue, " 0"}, {TextRed, " 0"},   {TextGreen, " 180"}, {TextBlue, " 0"}};
  for (const auto& [index, text] : colours) EXPECT_EQ(options.Table()[index], text) << index;
  for (int i = 0; i < SettingsSlots; ++i)
    if ((i < BackRed || i > LineBlue) && (i < TextRed || i > TextBlue)) {
      EXPECT_EQ(options.Table()[i], before[i]) << i;
    }

  // The file holds the new table; ports follow it before the plot is redrawn.
  EXPECT_EQ(FileText(),
            " 1500\r\n0\r\n 8175\r\n 6225\r\n0\r\n1\r\n1\r\n\r\n\r\n\r\n"
            "250 us\r\n 0\r\n 96\r\n 0\r\n 0\r\n 255\r\n 0\r\n1\r\n12\r\n3\r\n7\r\n6\r\n"
            " 0\r\n 180\r\n 0\r\n3bc\r\n8\r\nextra\r\n");
  EXPECT_EQ(calls, (std::vector<std::string>{"port 3bc after write", "drawPlot  96"}));
}

TEST_F(OptionsKVTTest, DefaultShowsFactoryValuesWithoutTouchingTheTable) {
  options.SetEntry(PortDelayMicros, "250");
  options.SetEntry(PortHex, "3BC");
  options.SetEntry(AveragingCount, "8");
  for (int i : {BackRed, BackGreen, BackBlue, LineRed, LineGreen, LineBlue, TextRed, TextGreen, TextBlue})
    options.SetEntry(i, "10");
  const Settings before = options.Table();
  auto dialog = Open();
  dialog->DefaultButton()->click();

  EXPECT_EQ(dialog->DelayText()->text(), "100");
  EXPECT_EQ(dialog->PortText()->text(), "378");
  EXPECT_EQ(dialog->AveragingText()->text(), "4");
  const int expected[9] = {0, 96, 0, 0, 255, 0, 0, 180, 0};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(dialog->ColourBar(i)->value(), expected[i]) << i;
  EXPECT_EQ(dialog->ValueLabel(1)->text(), "G =  96");
  EXPECT_EQ(dialog->ValueLabel(4)->text(), "G =  255");
  EXPECT_EQ(options.Table().slot, before.slot);
  EXPECT_EQ(options.Table().lastIndex, before.lastIndex);

  dialog->CancelButton()->click();
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(options.Table().slot, before.slot);
  EXPECT_FALSE(FileWritten());
  EXPECT_TRUE(calls.empty());
}

TEST_F(OptionsKVTTest, DefaultThenOkCommitsFactoryValuesOnly) {
  options.SetEntry(PortDelayMicros, "250");
  options.SetEntry(PortHex, "3BC");
  options.SetEntry(AveragingCount, "8");
  options.SetEntry(BackGreen, "10");
  options.SetEntry(TextBlue, "77");
  const Settings before = options.Table();
  auto dialog = Open();
  dialog->DefaultButton()->click();
  dialog->OkButton()->click();

  const std::vector<std::pair<int, std::string>> committed = {
      {PortDelayMicros, "100"}, {BackRed, " 0"},  {BackGreen, " 96"},  {BackBlue, " 0"},
      {LineRed, " 0"},          {LineGreen, " 255"}, {LineBlue, " 0"},  {TextRed, " 0"},
      {TextGreen, " 180"},      {TextBlue, " 0"},  {PortHex, "378"},   {AveragingCount, "4"}};
  Settings expected = before;
  for (const auto& [index, text] : committed) expected[index] = text;
  EXPECT_EQ(options.Table().slot, expected.slot);  // 17..21 keep "1","12","3","7","6"
  EXPECT_EQ(calls, (std::vector<std::string>{"port 378 after write", "drawPlot  96"}));
}

TEST_F(OptionsKVTTest, TypedPortTakesEffectAtOnce) {
  auto dialog = Open();
  dialog->PortText()->setText("3BC");
  dialog->OkButton()->click();
  EXPECT_EQ(options.Table()[PortHex], "3BC");
  EXPECT_EQ(calls.front(), "port 3bc after write");
}

TEST_F(OptionsKVTTest, CloseBoxDiscardsLikeCancel) {
  const Settings before = options.Table();
  auto dialog = Open();
  dialog->show();
  dialog->PortText()->setText("3BC");
  dialog->ColourBar(0)->setValue(200);
  EXPECT_TRUE(dialog->close());
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(options.Table().slot, before.slot);
  EXPECT_FALSE(FileWritten());
  EXPECT_TRUE(calls.empty());
}

TEST_F(OptionsKVTTest, LabelsAndPreviewsFollowTheThumbWhileDragged) {
  auto dialog = Open();
  dialog->show();
  QScrollBar* red = dialog->ColourBar(3);  // line colour, red
  red->setSliderDown(true);
  red->setSliderPosition(200);
  EXPECT_EQ(dialog->ValueLabel(3)->text(), "R =  200");
  EXPECT_TRUE(FilledWith(*dialog->Preview(1), Rgb(200, 255, 0)));
  red->setSliderDown(false);

  QScrollBar* blue = dialog->ColourBar(8);
  blue->triggerAction(QAbstractSlider::SliderPageStepAdd);
  blue->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(dialog->ValueLabel(8)->text(), "B =  17");
  EXPECT_TRUE(FilledWith(*dialog->Preview(2), Rgb(0, 180, 17)));
}

TEST_F(OptionsKVTTest, PreviewsShowExactColours) {
  options.SetEntry(BackGreen, "0");
  options.SetEntry(LineRed, "255");
  options.SetEntry(LineGreen, "0");
  auto dialog = Open();
  dialog->show();
  const QSize size = dialog->Preview(0)->size();
  EXPECT_EQ(dialog->Preview(0)->Image().size(), size);
  EXPECT_TRUE(FilledWith(*dialog->Preview(0), Rgb(0, 0, 0)));
  EXPECT_TRUE(FilledWith(*dialog->Preview(1), Rgb(255, 0, 0)));
  // What reaches the screen is the same colour.
  const QImage shown = dialog->Preview(1)->grab().toImage();
  EXPECT_EQ(shown.pixel(size.width() / 2, size.height() / 2) & 0xFFFFFF, 0xFF0000u);
}

TEST_F(OptionsKVTTest, RefusesTextsTheNextStartWouldReplace) {
  struct Case {
    QLineEdit* (GeneralOptionsDialog::*box)() const;
    const char* text;
    const char* field;
    const char* range;
  };
  const Case refused[] = {
      {&GeneralOptionsDialog::DelayText, "0", "Delay", "from 1"},
      {&GeneralOptionsDialog::PortText, "5000", "Port of device", "0 to 4000"},
      {&GeneralOptionsDialog::PortText, "FFFFF", "Port of device", "0 to 4000"},
      // No address at all; the fake port, like the simulated instrument,
      // would take any port the text stands for.
      {&GeneralOptionsDialog::PortText, "zz", "Port of device", "hexadecimal address"},
      {&GeneralOptionsDialog::PortText, "0x378", "Port of device", "hexadecimal address"},
      {&GeneralOptionsDialog::PortText, "", "Port of device", "hexadecimal address"},
      {&GeneralOptionsDialog::AveragingText, "101", "Number of points for averaging", "1 to 100"},
      {&GeneralOptionsDialog::AveragingText, "99999999", "Number of points for averaging", "1 to 100"},
      // A point would take 110 s; with 4 conversions the pause may be 90909 us at most.
      {&GeneralOptionsDialog::DelayText, "1000000", "Delay", "from 1 to 90909"},
      // Line breaks that reached the box other than by typing or pasting.
      {&GeneralOptionsDialog::DelayText, "250\r\n", "Delay", "line break"},
      {&GeneralOptionsDialog::PortText, "378\n", "Port of device", "line break"},
      {&GeneralOptionsDialog::AveragingText, "4\r", "Number of points for averaging", "line break"},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.text);
    prompt.messages.clear();
    const Settings before = options.Table();
    auto dialog = Open();
    dialog->show();
    (dialog.get()->*c.box)()->setText(c.text);
    dialog->ColourBar(0)->setValue(50);
    dialog->OkButton()->click();

    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].text.find(c.field), std::string::npos) << prompt.messages[0].text;
    EXPECT_NE(prompt.messages[0].text.find(c.range), std::string::npos) << prompt.messages[0].text;
    EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Exclamation);
    EXPECT_EQ(prompt.messages[0].buttons, PromptButtons::Ok);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ((dialog.get()->*c.box)()->text(), c.text);
    EXPECT_EQ(options.Table().slot, before.slot);
    EXPECT_FALSE(FileWritten());
    EXPECT_TRUE(calls.empty());
  }

  auto dialog = Open();
  dialog->DelayText()->setText("1.5");
  dialog->PortText()->setText("4000");
  dialog->AveragingText()->setText("1");
  dialog->OkButton()->click();
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(options.Table()[PortDelayMicros], "1.5");
  EXPECT_EQ(options.Table()[PortHex], "4000");
  EXPECT_EQ(options.Table()[AveragingCount], "1");
  EXPECT_TRUE(FileWritten());
}

TEST_F(OptionsKVTTest, OkKeepsTheExactBytesOfUntouchedTexts) {
  // 8-bit texts as an older file may hold them: not UTF-8, so they do not
  // survive a trip through the boxes' own text.
  options.SetEntry(PortDelayMicros, "250 \xB5s");
  options.SetEntry(PortHex, "3bc\xA0");
  options.SetEntry(AveragingCount, "4\xFF");
  auto dialog = Open();
  dialog->OkButton()->click();
  ASSERT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(options.Table()[PortDelayMicros], "250 \xB5s");
  EXPECT_EQ(options.Table()[PortHex], "3bc\xA0");
  EXPECT_EQ(options.Table()[AveragingCount], "4\xFF");
  EXPECT_NE(FileText().find("\r\n250 \xB5s\r\n"), std::string::npos);
}

TEST_F(OptionsKVTTest, PastedLineBreaksAndControlCharactersAreDropped) {
  const struct {
    const char* name;
    QString before;
    int cursor;
    QString pasted;
    QString after;
    int cursorAfter;
  } cases[] = {
      {"line break at the end", "", 0, "250\r\n", "250", 3},
      {"line feed only", "", 0, "250\n", "250", 3},
      {"into the middle", "10", 1, "2\r\n5", "1250", 3},
      {"tab and other controls", "", 0, "\t3\x01" "BC\x7F", "3BC", 3},
      {"unicode line separator", "", 0, QString("37") + QChar(0x2028) + "8", "378", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto dialog = Open();
    for (QLineEdit* box : {dialog->DelayText(), dialog->PortText(), dialog->AveragingText()}) {
      box->setText(c.before);
      box->setCursorPosition(c.cursor);
      QGuiApplication::clipboard()->setText(c.pasted);
      box->paste();
      EXPECT_EQ(box->text(), c.after) << box->objectName().toStdString();
      EXPECT_EQ(box->cursorPosition(), c.cursorAfter) << box->objectName().toStdString();
    }
  }
}

TEST_F(OptionsKVTTest, PortTheLibraryCannotUseIsRefused) {
  const struct {
    const char* typed;
    std::set<int> refused;
    const char* reason;
  } cases[] = {
      {"0", {0x0}, "0x0 cannot be used"},
      {"3BC", {0x3BE}, "0x3BE cannot be used"},  // the control register too
      {"278", {0x278}, "0x278 cannot be used"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    prompt.messages.clear();
    port.refusedPorts = c.refused;
    const Settings before = options.Table();
    auto dialog = Open();
    dialog->show();
    dialog->PortText()->setText(c.typed);
    dialog->OkButton()->click();
    ASSERT_EQ(prompt.messages.size(), 1u);
    const std::string& text = prompt.messages[0].text;
    EXPECT_NE(text.find("Port of device"), std::string::npos) << text;
    EXPECT_NE(text.find(c.reason), std::string::npos) << text;
    EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Exclamation);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(options.Table().slot, before.slot);
    EXPECT_FALSE(FileWritten());
    EXPECT_TRUE(calls.empty());
  }

  // The address in use is not asked again: without any usable port the
  // other options can still be changed.
  port.refusedPorts = {0x378, 0x379, 0x37A};
  prompt.messages.clear();
  auto dialog = Open();
  dialog->ColourBar(0)->setValue(50);
  dialog->OkButton()->click();
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(options.Table()[BackRed], " 50");
}

TEST_F(OptionsKVTTest, TabReachesEveryColourBarAndArrowKeysMoveIt) {
  auto dialog = Open();
  dialog->show();
  QApplication::setActiveWindow(dialog.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  dialog->CancelButton()->setFocus();  // the last stop: Tab goes round to the first
  std::vector<QWidget*> chain;
  for (int i = 0; i < 9; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    chain.push_back(QApplication::focusWidget());
  }
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(chain[static_cast<std::size_t>(i)], dialog->ColourBar(i));  // frame by frame, red to blue
  }
  // The default line green is 255: Left moves it down, Right back up.
  dialog->ColourBar(4)->setFocus();
  const std::pair<Qt::Key, const char*> steps[] = {
      {Qt::Key_Left, "G =  254"}, {Qt::Key_Left, "G =  253"}, {Qt::Key_Right, "G =  254"}};
  for (const auto& [key, label] : steps) {
    QTest::keyClick(QApplication::focusWidget(), key);
    EXPECT_EQ(dialog->ValueLabel(4)->text(), label);
  }
  EXPECT_EQ(dialog->ColourBar(4)->value(), 254);
}

TEST_F(OptionsKVTTest, OpensBelowRightOfTheMainWindowWithFixedClientArea) {
  QWidget mainWindow;
  const TwipScale scale = TwipScale::FromDpi(mainWindow.logicalDpiX());
  for (const QPoint at : {QPoint(200, 150), QPoint(40, 300)}) {
    mainWindow.move(at);
    GeneralOptionsDialog dialog(options, configDir(), device, *this, prompt, &mainWindow);
    EXPECT_EQ(dialog.pos(), at + QPoint(scale.Px(1000), scale.Px(1000)));
    EXPECT_EQ(dialog.size(), QSize(scale.Px(6255), scale.Px(4095)));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  }
}

TEST_F(OptionsKVTTest, EveryTextShowsWhole) {
  auto dialog = Open();
  for (int i = 0; i < 9; ++i) dialog->ColourBar(i)->setValue(255);
  dialog->show();
  EXPECT_TRUE(TextsFit(*dialog));
  EXPECT_GE(dialog->font().pointSizeF(), 6.0);
}

// Where kvt_win.cfg is a folder no write succeeds, for root too. The user
// is told once, with the file and why; the options apply all the same.
TEST_F(OptionsKVTTest, OkTellsWhenTheFileCannotBeWrittenAndKeepsTheOptions) {
  ASSERT_TRUE(QDir(dir.path()).mkdir(ConfigFileName));
  auto dialog = Open();
  dialog->ColourBar(0)->setValue(50);
  dialog->PortText()->setText("3BC");
  dialog->OkButton()->click();
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  ASSERT_EQ(prompt.messages.size(), 1u);
  const std::string& text = prompt.messages[0].text;
  EXPECT_NE(text.find("Can't save the options in " + configDir() + ConfigFileName + ": "), std::string::npos)
      << text;
  EXPECT_NE(text.find("apply until the program ends"), std::string::npos) << text;
  EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Exclamation);
  EXPECT_EQ(prompt.messages[0].buttons, PromptButtons::Ok);
  EXPECT_EQ(options.Table()[BackRed], " 50");
  EXPECT_EQ(options.Table()[PortHex], "3BC");
  EXPECT_EQ(device.DataPort(), 0x3BC);
  EXPECT_EQ(calls.size(), 2u);  // the plot redrawn in the new colour
}

}  // namespace kvt
