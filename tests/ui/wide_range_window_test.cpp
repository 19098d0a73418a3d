// Tools → Wide-range curve... through the real main window, ticked by hand:
// the request while the switch is awaited, the stitched curve as the
// measured one, and Cancel leaving 0 V and the curve as it was.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "device/switch_hand.h"
#include "tests/support/program_in_folder.h"
#include "tests/support/simulated_instrument.h"
#include "ui/wide_range_window.h"

namespace kvt {

namespace {

class WideRangeWindowTest : public ProgramInFolder {
 protected:
  void SetUp() override {
    ProgramInFolder::SetUp();
    Settings settings;
    SetDefaultSettings(settings, AllGroups);
    settings[ShowAboutAtStart] = "0";
    settings[PointsChoice] = "1";  // 32 points
    ASSERT_TRUE(WriteSettings(settings, ConfigDirFrom(dir_.path().toStdString())));
  }

  MainWindow& StartReady(PortIo& port) {
    MainWindow& form = StartOn(port);
    form.findChild<QTimer*>("Timer1")->stop();  // the range is polled by the capture alone
    form.PollRange();
    return form;
  }

  // The menu item, the window ticked by hand; `each` sees the window after
  // every tick that did not end it and may end it itself.
  void WideRange(const std::function<void(WideRangeWindow&, int tick)>& each = {}) {
    QTimer::singleShot(0, [each] {
      auto* window = qobject_cast<WideRangeWindow*>(QApplication::activeModalWidget());
      if (!window) return;
      for (int tick = 1; window->TickTimer()->isActive() && tick < 5000; ++tick) {
        window->OnTick();
        if (each && window->TickTimer()->isActive()) each(*window, tick);
      }
    });
    form_->Menu().wideRangeCurve->trigger();
  }
};

}  // namespace

// The simulated switch follows each request: the request is shown while the
// capture waits, the curve that comes back holds all three ranges and is
// unsaved, and the mismatches are told.
TEST_F(WideRangeWindowTest, TheGuidedRunOnTheSimulatorBecomesTheMeasuredCurve) {
  SimulatedInstrument sim("component = zener 3.3\nrange = 1k\nhand = 0\nseed = 4\n");
  ASSERT_TRUE(sim.Ready());
  switchHand_ = SwitchHandOf(sim.LibraryFile());
  ASSERT_TRUE(switchHand_);
  StartReady(sim.Port());
  std::map<std::string, int> requestsSeen;
  std::vector<std::string> rangesShown;
  WideRange([&](WideRangeWindow& w, int) {
    const std::string request = w.RequestLabel()->text().toStdString();
    if (!request.empty()) ++requestsSeen[request];
    const std::string range = w.RangeLabel()->text().toStdString();
    if (rangesShown.empty() || rangesShown.back() != range) rangesShown.push_back(range);
  });
  EXPECT_EQ(requestsSeen.count("Move the range switch to 10 k\u03A9"), 1u);
  EXPECT_EQ(requestsSeen.count("Move the range switch to 1 k\u03A9"), 1u);
  EXPECT_EQ(requestsSeen.count("Move the range switch to 100 \u03A9"), 1u);
  EXPECT_NE(std::find(rangesShown.begin(), rangesShown.end(), "Sweeping on 1 k\u03A9 (range 2 of 3)"),
            rangesShown.end());

  std::map<double, int> perRange;
  for (const CurvePoint& p : form_->Measured().points) ++perRange[p.rangeOhms.value_or(0)];
  EXPECT_EQ(perRange.size(), 3u);
  EXPECT_EQ(form_->Measured().info.source, "instrument");
  ASSERT_FALSE(prompt_.messages.empty());
  EXPECT_NE(prompt_.messages.back().text.find("10k vs 1k: "), std::string::npos) << prompt_.messages.back().text;
  EXPECT_NE(prompt_.messages.back().text.find("1k vs 100: "), std::string::npos);

  // Unsaved like any run: another run asks first.
  prompt_.answers = {PromptAnswer::Cancel};
  const std::size_t before = prompt_.messages.size();
  form_->Menu().getPoints->trigger();
  ASSERT_EQ(prompt_.messages.size(), before + 1);
  EXPECT_EQ(prompt_.messages.back().text, "The measured points have not been saved. Save them first?");
}

// Cancel, the Esc key or closing the window, while the switch is awaited or a
// range is swept: the part is left at 0 V and the measured curve is the one
// from before.
TEST_F(WideRangeWindowTest, CancelAtAnyTimeLeavesZeroVoltsAndTheCurveAsItWas) {
  struct Case {
    const char* name;
    bool whileSweeping;
    std::function<void(WideRangeWindow&)> cancel;
  };
  const Case cases[] = {
      {"Cancel while waiting", false, [](WideRangeWindow& w) { w.CancelButton()->click(); }},
      {"Esc while waiting", false, [](WideRangeWindow& w) { QTest::keyClick(&w, Qt::Key_Escape); }},
      {"Cancel while sweeping", true, [](WideRangeWindow& w) { w.CancelButton()->click(); }},
      {"Esc while sweeping", true, [](WideRangeWindow& w) { QTest::keyClick(&w, Qt::Key_Escape); }},
      {"closed while sweeping", true, [](WideRangeWindow& w) { w.close(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeInstrument port;
    port.adcCode = 300;
    port.fixedStatus = 0xFF;  // 1 kohm: the first range, 10 kohm, is asked for
    switchHand_ = {};
    StartReady(port);
    form_->Measured() = CurveFromPairs({{0.5, 1e-3}, {1.0, 2e-3}}, 1000);
    const Curve before = form_->Measured();
    port.dacCodes.clear();
    bool cancelled = false;
    WideRange([&](WideRangeWindow& w, int tick) {
      if (c.whileSweeping && tick == 1) port.fixedStatus = 0x00;  // the person turns it to 10 kohm
      const bool sweeping = w.Capture().Stage() == WideRangeStage::Sweeping && w.Capture().Sweep()->NextCode() > 200;
      const bool waiting = w.Capture().Stage() == WideRangeStage::Waiting && !w.RequestLabel()->text().isEmpty();
      if (cancelled || (c.whileSweeping ? !sweeping : !waiting)) return;
      if (!c.whileSweeping) {
        EXPECT_EQ(w.RequestLabel()->text().toStdString(), "Move the range switch to 10 k\u03A9");
      }
      cancelled = true;
      c.cancel(w);
      EXPECT_FALSE(w.TickTimer()->isActive());
    });
    EXPECT_TRUE(cancelled);
    ASSERT_FALSE(port.dacCodes.empty());
    EXPECT_EQ(port.dacCodes.back(), 512);
    EXPECT_EQ(form_->Measured(), before);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  }
}

}  // namespace kvt
