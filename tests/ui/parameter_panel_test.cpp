#include "ui/parameter_panel.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QWidget>
#include <string>
#include <vector>

namespace kvt {

namespace {

// The panel on a bare parent, with the main window's two calls recorded.
struct PanelRig : PlotView {
  PanelRig() {
    SetDefaultSettings(settings, AllGroups);
  }
  ParameterPanel& Make() {
    panel = new ParameterPanel(&parent, settings, TwipScale{}, *this);
    return *panel;
  }
  void UpdateParams() override {
    ++updates;
    panel->Sync();
  }
  void DrawPlot() override { ++draws; }
  QWidget parent;
  Settings settings;
  ParameterPanel* panel = nullptr;
  int updates = 0;
  int draws = 0;
};

}  // namespace

TEST(ParameterPanel, FirstSyncBringsEveryControlInLineAndLeavesPlainTexts) {
  PanelRig rig;
  rig.settings[MaxVoltsSetting] = "03";
  rig.settings[PointsChoice] = "4";
  ParameterPanel& panel = rig.Make();
  EXPECT_EQ(panel.MaxVoltsBar()->value(), 1);  // design values until the first sync
  EXPECT_EQ(panel.CheckedOption(), 0);
  panel.Sync();
  EXPECT_EQ(panel.MaxVoltsBar()->value(), 3);
  EXPECT_EQ(rig.settings[MaxVoltsSetting], "3");  // written back by the change handler
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
  rig.settings[MaxVoltsSetting] = "1";
  ParameterPanel& panel = rig.Make();
  panel.Sync();
  const int draws = rig.draws;
  std::vector<QString> labels;
  panel.MaxVoltsBar()->setSliderDown(true);
  for (int v = 2; v <= 5; ++v) {
    panel.MaxVoltsBar()->setSliderPosition(v);
    labels.push_back(panel.MaxVoltsLabel()->text());
    EXPECT_EQ(rig.settings[MaxVoltsSetting], std::to_string(v));
  }
  EXPECT_EQ(rig.draws, draws);
  panel.MaxVoltsBar()->setSliderDown(false);
  EXPECT_EQ(labels, (std::vector<QString>{"2 V", "3 V", "4 V", "5 V"}));
  EXPECT_EQ(rig.draws, draws + 1);
  EXPECT_EQ(panel.Controls().maxVolts, 5);
  // An arrow click is a settled value: it redraws at once.
  panel.MaxVoltsBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(rig.settings[MaxVoltsSetting], "4");
  EXPECT_EQ(rig.draws, draws + 2);
}

TEST(ParameterPanel, SmoothingCheckBoxEnablesTheLevelAndRestoresIt) {
  PanelRig rig;
  rig.settings[SmoothingOn] = "1";
  rig.settings[SmoothingLevel] = "12";
  ParameterPanel& panel = rig.Make();
  panel.Sync();
  EXPECT_TRUE(panel.SmoothingLevelBar()->isEnabled());
  EXPECT_EQ(panel.SmoothingLevelBar()->value(), 12);

  int draws = rig.draws;
  panel.SmoothingCheck()->click();
  EXPECT_EQ(rig.settings[SmoothingOn], "0");
  EXPECT_FALSE(panel.SmoothingLevelBar()->isEnabled());
  EXPECT_FALSE(panel.SmoothingLevelLabel()->isEnabled());
  EXPECT_EQ(panel.SmoothingLevelBar()->value(), 12);  // keeps its value while off
  EXPECT_EQ(rig.draws, draws + 1);
  EXPECT_FALSE(panel.Controls().smoothing);

  rig.settings[SmoothingLevel] = "20";
  draws = rig.draws;
  panel.SmoothingCheck()->click();
  EXPECT_EQ(rig.settings[SmoothingOn], "1");
  EXPECT_TRUE(panel.SmoothingLevelBar()->isEnabled());
  EXPECT_EQ(panel.SmoothingLevelBar()->value(), 20);
  EXPECT_GE(rig.draws, draws + 1);
  EXPECT_TRUE(panel.Controls().smoothing);
  EXPECT_EQ(panel.Controls().smoothingLevel, 20);
}

TEST(ParameterPanel, SmoothingOnOtherThanExactlyOneCountsAsOff) {
  PanelRig rig;
  rig.settings[SmoothingOn] = " 1";
  ParameterPanel& panel = rig.Make();
  panel.Sync();
  EXPECT_FALSE(panel.SmoothingCheck()->isChecked());
  panel.SmoothingCheck()->click();
  EXPECT_EQ(rig.settings[SmoothingOn], "1");
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
  EXPECT_EQ(rig.settings[PointsChoice], "3");

  panel.PointCountOptions()[5]->click();
  EXPECT_EQ(rig.settings[PointsChoice], "6");
  EXPECT_EQ(panel.CheckedOption(), 6);
  EXPECT_EQ(rig.draws, draws);

  panel.AllOptionsOff();
  EXPECT_EQ(panel.CheckedOption(), 0);
  EXPECT_EQ(rig.settings[PointsChoice], "6");
  panel.TurnOptionOn(5);
  EXPECT_EQ(rig.settings[PointsChoice], "5");
  EXPECT_EQ(panel.CheckedOption(), 5);
}

}  // namespace kvt
