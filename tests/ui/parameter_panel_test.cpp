#include "ui/parameter_panel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QTest>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QWidget>
#include <algorithm>
#include <string>
#include <vector>

namespace kvt {

namespace {

// The panel on a bare parent, with the main window's two calls recorded.
struct PanelRig : PlotView {
  PanelRig() {
  }
  ParameterPanel& Make() {
    panel = new ParameterPanel(&parent, options, TwipScale{}, *this);
    return *panel;
  }
  void UpdateParams() override {
    ++updates;
    panel->Sync();
  }
  void DrawPlot() override { ++draws; }
  QWidget parent;
  TypedOptions options;
  ParameterPanel* panel = nullptr;
  int updates = 0;
  int draws = 0;
};

}  // namespace

TEST(ParameterPanel, FirstSyncBringsEveryControlInLineAndLeavesPlainTexts) {
  PanelRig rig;
  rig.options.SetEntry(MaxVoltsSetting, "03");
  rig.options.SetEntry(PointsChoice, "4");
  ParameterPanel& panel = rig.Make();
  EXPECT_EQ(panel.MaxVoltsBar()->value(), 1);  // design values until the first sync
  EXPECT_EQ(panel.CheckedOption(), 0);
  panel.Sync();
  EXPECT_EQ(panel.MaxVoltsBar()->value(), 3);
  EXPECT_EQ(rig.options.Table()[MaxVoltsSetting], "3");  // written back by the change handler
  EXPECT_EQ(panel.MaxVoltsLabel()->text(), "3 V");
  EXPECT_EQ(panel.MaxMilliampsBar()->value(), 10);
  EXPECT_EQ(panel.MaxMilliampsLabel()->text(), "10 mA");
  EXPECT_EQ(panel.CheckedOption(), 4);
  EXPECT_TRUE(panel.PointCountOptions()[3]->isChecked());
  EXPECT_FALSE(panel.SmoothingCheck()->isChecked());
  EXPECT_FALSE(panel.SmoothingLevelBar()->isEnabled());
  EXPECT_FALSE(panel.SmoothingLevelLabel()->isEnabled());
  EXPECT_EQ(panel.SmoothingLevelLabel()->text(), "5");
  EXPECT_GE(rig.draws, 2);  // Max V and Max I changed from their design values

  const int draws = rig.draws;
  panel.Sync();  // everything agrees now: nothing runs
  EXPECT_EQ(rig.draws, draws);
}

TEST(ParameterPanel, DraggingTheMaxVThumbFollowsLiveAndRedrawsOnceAtTheEnd) {
  PanelRig rig;
  rig.options.SetEntry(MaxVoltsSetting, "1");
  ParameterPanel& panel = rig.Make();
  panel.Sync();
  const int draws = rig.draws;
  std::vector<QString> labels;
  panel.MaxVoltsBar()->setSliderDown(true);
  for (int v = 2; v <= 5; ++v) {
    panel.MaxVoltsBar()->setSliderPosition(v);
    labels.push_back(panel.MaxVoltsLabel()->text());
    EXPECT_EQ(rig.options.Table()[MaxVoltsSetting], std::to_string(v));
  }
  EXPECT_EQ(rig.draws, draws);
  panel.MaxVoltsBar()->setSliderDown(false);
  EXPECT_EQ(labels, (std::vector<QString>{"2 V", "3 V", "4 V", "5 V"}));
  EXPECT_EQ(rig.draws, draws + 1);
  EXPECT_EQ(panel.Controls().maxVolts, 5);
  // An arrow click is a settled value: it redraws at once.
  panel.MaxVoltsBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(rig.options.Table()[MaxVoltsSetting], "4");
  EXPECT_EQ(rig.draws, draws + 2);
}

TEST(ParameterPanel, SmoothingCheckBoxEnablesTheLevelAndRestoresIt) {
  PanelRig rig;
  rig.options.SetEntry(SmoothingOn, "1");
  rig.options.SetEntry(SmoothingLevel, "12");
  ParameterPanel& panel = rig.Make();
  panel.Sync();
  EXPECT_TRUE(panel.SmoothingLevelBar()->isEnabled());
  EXPECT_EQ(panel.SmoothingLevelBar()->value(), 12);

  int draws = rig.draws;
  panel.SmoothingCheck()->click();
  EXPECT_EQ(rig.options.Table()[SmoothingOn], "0");
  EXPECT_FALSE(panel.SmoothingLevelBar()->isEnabled());
  EXPECT_FALSE(panel.SmoothingLevelLabel()->isEnabled());
  EXPECT_EQ(panel.SmoothingLevelBar()->value(), 12);  // keeps its value while off
  EXPECT_EQ(rig.draws, draws + 1);
  EXPECT_FALSE(panel.Controls().smoothing);

  rig.options.SetEntry(SmoothingLevel, "20");
  draws = rig.draws;
  panel.SmoothingCheck()->click();
  EXPECT_EQ(rig.options.Table()[SmoothingOn], "1");
  EXPECT_TRUE(panel.SmoothingLevelBar()->isEnabled());
  EXPECT_EQ(panel.SmoothingLevelBar()->value(), 20);
  EXPECT_GE(rig.draws, draws + 1);
  EXPECT_TRUE(panel.Controls().smoothing);
  EXPECT_EQ(panel.Controls().smoothingLevel, 20);
}

// The labels show the stored texts; the bars their rounded numbers. With
// smoothing off the level bar is not synced, so the stored text stays.
TEST(ParameterPanel, ValueLabelsShowTheTextsAsStored) {
  struct Case {
    int entry;
    const char* stored;
    const char* label;
    QLabel* (ParameterPanel::*control)() const;
  };
  const Case cases[] = {
      {SmoothingLevel, "7.5", "7.5", &ParameterPanel::SmoothingLevelLabel},
      {SmoothingLevel, "12", "12", &ParameterPanel::SmoothingLevelLabel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    PanelRig rig;
    rig.options.SetEntry(c.entry, c.stored);
    ParameterPanel& panel = rig.Make();
    panel.Sync();
    EXPECT_EQ(((panel.*c.control)())->text().toStdString(), c.label);
    EXPECT_EQ(rig.options.Table()[c.entry], c.stored);
  }
}

TEST(ParameterPanel, SmoothingOnOtherThanExactlyOneCountsAsOff) {
  PanelRig rig;
  rig.options.SetEntry(SmoothingOn, " 1");
  ParameterPanel& panel = rig.Make();
  panel.Sync();
  EXPECT_FALSE(panel.SmoothingCheck()->isChecked());
  panel.SmoothingCheck()->click();
  EXPECT_EQ(rig.options.Table()[SmoothingOn], "1");
}

TEST(ParameterPanel, OptionButtonsWriteTheirNumberWithoutRedrawing) {
  PanelRig rig;
  ParameterPanel& panel = rig.Make();
  panel.Sync();
  EXPECT_EQ(panel.CheckedOption(), 3);
  const int updates = rig.updates;
  const int draws = rig.draws;
  panel.PointCountOptions()[2]->click();  // already on: nothing happens
  EXPECT_EQ(rig.updates, updates);
  EXPECT_EQ(rig.options.Table()[PointsChoice], "3");

  panel.PointCountOptions()[5]->click();
  EXPECT_EQ(rig.options.Table()[PointsChoice], "6");
  EXPECT_EQ(panel.CheckedOption(), 6);
  EXPECT_EQ(rig.draws, draws);

  panel.AllOptionsOff();
  EXPECT_EQ(panel.CheckedOption(), 0);
  EXPECT_EQ(rig.options.Table()[PointsChoice], "6");
  panel.TurnOptionOn(5);
  EXPECT_EQ(rig.options.Table()[PointsChoice], "5");
  EXPECT_EQ(panel.CheckedOption(), 5);
}

TEST(ParameterPanel, TabReachesTheScrollBarsAndArrowKeysMoveThem) {
  const struct {
    const char* smoothing;
    std::vector<std::pair<QScrollBar* (ParameterPanel::*)() const, int>> chain;  // bar and its entry
  } cases[] = {
      {"1", {{&ParameterPanel::SmoothingLevelBar, SmoothingLevel},
             {&ParameterPanel::MaxVoltsBar, MaxVoltsSetting},
             {&ParameterPanel::MaxMilliampsBar, MaxMilliampsSetting}}},
      // A disabled level bar is passed over.
      {"0", {{&ParameterPanel::MaxVoltsBar, MaxVoltsSetting}, {&ParameterPanel::MaxMilliampsBar, MaxMilliampsSetting}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("smoothing ") + c.smoothing);
    PanelRig rig;
    rig.options.SetEntry(SmoothingOn, c.smoothing);
    ParameterPanel& panel = rig.Make();
    panel.Sync();
    rig.parent.show();
    QApplication::setActiveWindow(&rig.parent);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.parent));
    panel.SmoothingCheck()->setFocus();
    for (const auto& [bar, entry] : c.chain) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      ASSERT_EQ(QApplication::focusWidget(), (panel.*bar)());
      const int before = (panel.*bar)()->value();
      const int draws = rig.draws;
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);  // the defaults are not at the minimum
      EXPECT_EQ((panel.*bar)()->value(), before - 1);
      EXPECT_EQ(rig.options.Table()[entry], std::to_string(before - 1));
      EXPECT_GT(rig.draws, draws);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
      EXPECT_EQ(rig.options.Table()[entry], std::to_string(before));
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    const auto& options = panel.PointCountOptions();  // then the number of points
    EXPECT_NE(std::find(options.begin(), options.end(), QApplication::focusWidget()), options.end());
  }
}

}  // namespace kvt
