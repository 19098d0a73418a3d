// The parts the options dialogs and the parameter panel share: the
// Default/OK/Cancel row and the scroll bars that set a whole number.
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

#include "core/plot_view.h"
#include "core/twips.h"
#include "device/device_routines.h"
#include "tests/support/fake_instrument.h"
#include "tests/support/scripted_prompt.h"
#include "ui/dialog_frame.h"
#include "ui/general_options_dialog.h"
#include "ui/parameter_panel.h"
#include "ui/window_options_dialog.h"

namespace kvt {

namespace {

// What either options dialog needs.
struct OptionsRig : PlotView {
  OptionsRig() = default;
  void UpdateParams() override {}
  void DrawPlot() override {}
  std::string ConfigDir() const { return dir.path().toStdString() + "/"; }
  bool FileWritten() const { return QFile::exists(dir.filePath(ConfigFileName)); }

  QTemporaryDir dir;
  TypedOptions options;
  ScriptedPrompt prompt;
  FakeInstrument port;
  BurstClock clock{{0.2}};
  Device device{port, clock, options.Device()};
};

struct RowCase {
  const char* name;
  std::function<std::unique_ptr<ButtonRowDialog>(OptionsRig&)> open;
  double top;
  std::array<double, 3> lefts;
  const char* lastControl;  // the tab stop just before the row
};

const RowCase RowCases[] = {
    {"GeneralOptions",
     [](OptionsRig& rig) {
       return std::make_unique<GeneralOptionsDialog>(rig.options, rig.ConfigDir(), rig.device, rig, rig.prompt,
                                                     nullptr);
     },
     3600,
     {120, 3240, 4920},
     "Text3"},
    {"WindowOptions",
     [](OptionsRig& rig) {
       return std::make_unique<WindowOptionsDialog>(rig.options, rig.ConfigDir(), rig.prompt, nullptr);
     },
     1320,
     {120, 2160, 3600},
     "Check2"},
};

QWidget* NextTabStop(QWidget* widget) {
  QWidget* next = widget->nextInFocusChain();
  while (next != widget && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
  return next;
}

void ShowActive(QDialog& dialog) {
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

void PrintTo(const RowCase& c, std::ostream* os) { *os << c.name; }

class DialogButtonRow : public testing::TestWithParam<RowCase> {};

// The parameter panel and the options dialog side by side, each with the
// bars it makes.
struct BarsRig : OptionsRig {
  BarsRig() {
    panel = new ParameterPanel(&window, options, TwipScale{}, *this);
    dialog = std::make_unique<GeneralOptionsDialog>(options, ConfigDir(), device, *this, prompt, nullptr);
  }
  QWidget window;
  ParameterPanel* panel = nullptr;
  std::unique_ptr<GeneralOptionsDialog> dialog;
};

struct BarCase {
  const char* name;
  std::function<QScrollBar*(const BarsRig&)> bar;
  int minimum, maximum, pageStep;
};

const BarCase BarCases[] = {
    {"SmoothingLevel", [](const BarsRig& rig) { return rig.panel->SmoothingLevelBar(); }, 3, 30, 1},
    {"MaxVolts", [](const BarsRig& rig) { return rig.panel->MaxVoltsBar(); }, 1, 5, 1},
    {"MaxMilliamps", [](const BarsRig& rig) { return rig.panel->MaxMilliampsBar(); }, 1, 10, 1},
    {"BackgroundRed", [](const BarsRig& rig) { return rig.dialog->ColourBar(0); }, 0, 255, 16},
    {"NumbersBlue", [](const BarsRig& rig) { return rig.dialog->ColourBar(8); }, 0, 255, 16},
};

void PrintTo(const BarCase& c, std::ostream* os) { *os << c.name; }

class SettingScrollBar : public testing::TestWithParam<BarCase> {};

}  // namespace

TEST_P(DialogButtonRow, NamesTextsAndTwipGeometry) {
  OptionsRig rig;
  const auto dialog = GetParam().open(rig);
  const TwipScale scale = ScaleOf(dialog.get());
  const std::array<QPushButton*, 3> buttons = {dialog->DefaultButton(), dialog->OkButton(), dialog->CancelButton()};
  const std::array<const char*, 3> names = {"Command1", "Command2", "Command3"};
  const std::array<const char*, 3> texts = {"&Default", "&OK", "&Cancel"};
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    SCOPED_TRACE(names[i]);
    ASSERT_NE(buttons[i], nullptr);
    EXPECT_EQ(buttons[i]->parent(), dialog.get());
    EXPECT_EQ(buttons[i]->objectName(), names[i]);
    EXPECT_EQ(dialog->findChild<QPushButton*>(names[i]), buttons[i]);
    EXPECT_EQ(buttons[i]->text(), texts[i]);
    EXPECT_EQ(buttons[i]->geometry(), TwipRect(scale, GetParam().lefts[i], GetParam().top, 1215, 375));
  }
  EXPECT_FALSE(dialog->DefaultButton()->isDefault());
  EXPECT_TRUE(dialog->OkButton()->isDefault());
  EXPECT_FALSE(dialog->CancelButton()->isDefault());
}

TEST_P(DialogButtonRow, ComesLastInTheTabOrder) {
  OptionsRig rig;
  const auto dialog = GetParam().open(rig);
  auto* last = dialog->findChild<QWidget*>(GetParam().lastControl);
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(NextTabStop(last), dialog->DefaultButton());
  EXPECT_EQ(NextTabStop(dialog->DefaultButton()), dialog->OkButton());
  EXPECT_EQ(NextTabStop(dialog->OkButton()), dialog->CancelButton());
}

TEST_P(DialogButtonRow, EnterMeansOkAndCommits) {
  OptionsRig rig;
  const auto dialog = GetParam().open(rig);
  ShowActive(*dialog);
  auto* last = dialog->findChild<QWidget*>(GetParam().lastControl);
  last->setFocus();
  QTest::keyClick(last, Qt::Key_Return);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_TRUE(rig.FileWritten());
}

TEST_P(DialogButtonRow, DefaultKeepsTheDialogOpenAndCancelDiscards) {
  OptionsRig rig;
  const Settings before = rig.options.Table();
  const auto dialog = GetParam().open(rig);
  ShowActive(*dialog);
  dialog->DefaultButton()->click();
  EXPECT_TRUE(dialog->isVisible());
  dialog->CancelButton()->click();
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(rig.options.Table().slot, before.slot);
  EXPECT_FALSE(rig.FileWritten());
}

INSTANTIATE_TEST_SUITE_P(OptionsDialogs, DialogButtonRow, testing::ValuesIn(RowCases),
                         [](const testing::TestParamInfo<RowCase>& info) { return std::string(info.param.name); });

TEST_P(SettingScrollBar, RangeStepsAndKeys) {
  const BarCase& c = GetParam();
  BarsRig rig;
  QScrollBar* bar = c.bar(rig);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->orientation(), Qt::Horizontal);
  EXPECT_EQ(bar->minimum(), c.minimum);
  EXPECT_EQ(bar->maximum(), c.maximum);
  EXPECT_TRUE(bar->hasTracking());  // what follows the value follows a drag
  EXPECT_TRUE(bar->focusPolicy() & Qt::TabFocus);

  bar->setValue(c.minimum);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // an arrow click
  EXPECT_EQ(bar->value(), c.minimum + 1);
  bar->setValue(c.minimum);
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);  // a click in the track
  EXPECT_EQ(bar->value(), std::min(c.minimum + c.pageStep, c.maximum));

  // Right raises the value and Left lowers it, as the thumb moves.
  bar->setValue(c.minimum + 1);
  QTest::keyClick(bar, Qt::Key_Right);
  EXPECT_EQ(bar->value(), c.minimum + 2);
  QTest::keyClick(bar, Qt::Key_Left);
  QTest::keyClick(bar, Qt::Key_Left);
  EXPECT_EQ(bar->value(), c.minimum);
}

INSTANTIATE_TEST_SUITE_P(PanelAndOptions, SettingScrollBar, testing::ValuesIn(BarCases),
                         [](const testing::TestParamInfo<BarCase>& info) { return std::string(info.param.name); });

}  // namespace kvt
