#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

#include "core/plot_view.h"
#include "device/device_routines.h"
#include "tests/support/fake_instrument.h"
#include "tests/support/scripted_prompt.h"
#include "ui/general_options_dialog.h"
#include "ui/parameter_panel.h"

namespace kvt {

namespace {

// The parameter panel and the options dialog side by side, each with the
// bars it makes.
struct BarsRig : PlotView {
  BarsRig() {
    SetDefaultSettings(settings, AllGroups);
    panel = new ParameterPanel(&window, settings, TwipScale{}, *this);
    dialog = std::make_unique<GeneralOptionsDialog>(settings, dir.path().toStdString() + "/", device, *this, prompt,
                                                    nullptr);
  }
  void UpdateParams() override {}
  void DrawPlot() override {}

  QTemporaryDir dir;
  Settings settings;
  ScriptedPrompt prompt;
  FakeInstrument port;
  BurstClock clock{{0.2}};
  Device device{port, clock, settings};
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
