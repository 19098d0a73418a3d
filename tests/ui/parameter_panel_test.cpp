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

// The panel on a bare parent, with the main window's two hooks recorded.
struct PanelRig {
  PanelRig() {
    SetDefaultSettings(settings, AllGroups);
  }
  ParameterPanel& Make() {
    panel = new ParameterPanel(&parent, settings, TwipScale{},
                               {[this] {
                                  ++updates;
                                  panel->Sync();
                                },
                                [this] { ++draws; }});
    return *panel;
  }
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
  EXPECT_EQ(panel.HScroll2->value(), 1);  // design values until the first sync
  EXPECT_EQ(panel.CheckedOption(), 0);
  panel.Sync();
  EXPECT_EQ(panel.HScroll2->value(), 3);
  EXPECT_EQ(rig.settings[MaxVoltsSetting], "3");  // written back by the change handler
  EXPECT_EQ(panel.Label2->text(), "3 V");
  EXPECT_EQ(panel.HScroll3->value(), 10);
  EXPECT_EQ(panel.Label3->text(), "10 mA");
  EXPECT_EQ(panel.CheckedOption(), 4);
  EXPECT_TRUE(panel.Option[3]->isChecked());
  EXPECT_FALSE(panel.Check1->isChecked());
  EXPECT_FALSE(panel.HScroll1->isEnabled());
  EXPECT_FALSE(panel.Label1->isEnabled());
  EXPECT_EQ(panel.Label1->text(), "5");
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
  panel.HScroll2->setSliderDown(true);
  for (int v = 2; v <= 5; ++v) {
    panel.HScroll2->setSliderPosition(v);
    labels.push_back(panel.Label2->text());
    EXPECT_EQ(rig.settings[MaxVoltsSetting], std::to_string(v));
  }
  EXPECT_EQ(rig.draws, draws);
  panel.HScroll2->setSliderDown(false);
  EXPECT_EQ(labels, (std::vector<QString>{"2 V", "3 V", "4 V", "5 V"}));
  EXPECT_EQ(rig.draws, draws + 1);
  EXPECT_EQ(panel.Controls().maxVolts, 5);
  // An arrow click is a settled value: it redraws at once.
  panel.HScroll2->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(rig.settings[MaxVoltsSetting], "4");
  EXPECT_EQ(rig.draws, draws + 2);
}

TEST(ParameterPanel, SmoothingCheckBoxEnablesTheLevelAndRestoresIt) {
  PanelRig rig;
  rig.settings[SmoothingOn] = "1";
  rig.settings[SmoothingLevel] = "12";
  ParameterPanel& panel = rig.Make();
  panel.Sync();
  EXPECT_TRUE(panel.HScroll1->isEnabled());
  EXPECT_EQ(panel.HScroll1->value(), 12);

  int draws = rig.draws;
  panel.Check1->click();
  EXPECT_EQ(rig.settings[SmoothingOn], "0");
  EXPECT_FALSE(panel.HScroll1->isEnabled());
  EXPECT_FALSE(panel.Label1->isEnabled());
  EXPECT_EQ(panel.HScroll1->value(), 12);  // keeps its value while off
  EXPECT_EQ(rig.draws, draws + 1);
  EXPECT_FALSE(panel.Controls().smoothing);

  rig.settings[SmoothingLevel] = "20";
  draws = rig.draws;
  panel.Check1->click();
  EXPECT_EQ(rig.settings[SmoothingOn], "1");
  EXPECT_TRUE(panel.HScroll1->isEnabled());
  EXPECT_EQ(panel.HScroll1->value(), 20);
  EXPECT_GE(rig.draws, draws + 1);
  EXPECT_TRUE(panel.Controls().smoothing);
  EXPECT_EQ(panel.Controls().smoothingLevel, 20);
}

TEST(ParameterPanel, SmoothingOnOtherThanExactlyOneCountsAsOff) {
  PanelRig rig;
  rig.settings[SmoothingOn] = " 1";
  ParameterPanel& panel = rig.Make();
  panel.Sync();
  EXPECT_FALSE(panel.Check1->isChecked());
  panel.Check1->click();
  EXPECT_EQ(rig.settings[SmoothingOn], "1");
}

TEST(ParameterPanel, OptionButtonsWriteTheirNumberWithoutRedrawing) {
  PanelRig rig;
  ParameterPanel& panel = rig.Make();
  panel.Sync();
  EXPECT_EQ(panel.CheckedOption(), 3);
  const int updates = rig.updates;
  const int draws = rig.draws;
  panel.Option[2]->click();  // already on: nothing happens
  EXPECT_EQ(rig.updates, updates);
  EXPECT_EQ(rig.settings[PointsChoice], "3");

  panel.Option[5]->click();
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
