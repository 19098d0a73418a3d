#include "ui/acquisition_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <string>
#include <vector>

#include "ui/picture_box.h"

namespace kvt {

namespace {

struct Host : PlotView {
  Curve points;
  std::vector<int> codes;
  std::vector<std::string> events;  // updateParams / drawPlot, in order
  double ohms = 1000;

  AcquisitionCalls Calls() {
    return {[this](double v) {
              codes.push_back(static_cast<int>(std::lround(v * 100 + 512)));
              return v / 2;
            },
            [](int) {}, [this] { return ohms; }};
  }
  void UpdateParams() override { events.push_back("UpdateParams"); }
  void DrawPlot() override { events.push_back("DrawPlot"); }
};

QColor Centre(const PictureBox* box) { return box->Image().pixelColor(box->Image().width() / 2, box->Image().height() / 2); }

}  // namespace

TEST(GetPointsWindow, TicksShowIndicatorBarAndPercentageThenFinish) {
  Host host;
  AcquisitionWindow window(host.points, 32, host.Calls(), host);
  window.show();
  EXPECT_EQ(window.windowTitle(), "Getting points from device ...");
  EXPECT_TRUE(window.TickTimer()->isActive());
  EXPECT_EQ(window.TickTimer()->interval(), 100);

  const QColor background = Centre(window.IndicatorBox());
  window.OnTick();  // code 0: indicator on, no bar
  EXPECT_EQ(Centre(window.IndicatorBox()), QColor(0, 255, 0));
  EXPECT_EQ(window.PercentLabel()->text(), "");
  const PictureBox* bar = window.ProgressBar();
  EXPECT_NE(bar->Image().pixelColor(0, bar->Image().height() / 2), QColor(0, 0, 255));

  window.OnTick();  // code 32: indicator off, 3%
  EXPECT_EQ(Centre(window.IndicatorBox()), background);
  EXPECT_EQ(window.PercentLabel()->text(), "3%");
  const int x = static_cast<int>(std::floor(bar->Picture().InnerWidth() * 32 / 1023.0));
  ASSERT_GT(x, 1);
  EXPECT_EQ(bar->Image().pixelColor(0, 0), QColor(0, 0, 255));
  EXPECT_EQ(bar->Image().pixelColor(x - 1, bar->Image().height() - 1), QColor(0, 0, 255));
  EXPECT_NE(bar->Image().pixelColor(x + 1, bar->Image().height() / 2), QColor(0, 0, 255));

  for (int i = 0; i < 30; ++i) window.OnTick();
  EXPECT_EQ(window.PercentLabel()->text(), "96%");
  EXPECT_TRUE(host.events.empty());
  EXPECT_TRUE(window.isVisible());

  window.OnTick();  // the finishing tick
  EXPECT_EQ(window.PercentLabel()->text(), "100%");
  EXPECT_EQ(bar->Image().pixelColor(bar->Image().width() - 1, bar->Image().height() - 1), QColor(0, 0, 255));
  EXPECT_FALSE(window.TickTimer()->isActive());
  EXPECT_TRUE(window.CancelButton()->isHidden());
  EXPECT_EQ(host.events, (std::vector<std::string>{"UpdateParams", "DrawPlot"}));
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(host.codes.back(), 512);
  ASSERT_EQ(host.points.points.size(), 32u);
  EXPECT_DOUBLE_EQ(host.points.points[0].amps, (-5.12 + 2.56) / 1000);
}

TEST(GetPointsWindow, CancelAndWindowCloseAbandonTheRun) {
  for (const bool byClose : {false, true}) {
    Host host;
    host.points.points.push_back({1, 1});  // an earlier curve
    AcquisitionWindow window(host.points, 128, host.Calls(), host);
    window.show();
    for (int i = 0; i < 5; ++i) window.OnTick();
    if (byClose)
      window.close();
    else
      window.CancelButton()->click();
    EXPECT_FALSE(window.TickTimer()->isActive()) << byClose;
    EXPECT_TRUE(host.points.empty()) << byClose;
    EXPECT_EQ(host.events, (std::vector<std::string>{"UpdateParams", "DrawPlot"})) << byClose;
    EXPECT_EQ(host.codes.back(), 4 * 8) << byClose;  // left at the last code
    EXPECT_FALSE(window.isVisible()) << byClose;
  }
}

TEST(GetPointsWindow, SizeAndPlaceInTwips) {
  QMainWindow main;
  main.move(200, 150);
  main.resize(400, 300);
  main.show();
  Host host;
  AcquisitionWindow window(host.points, 32, host.Calls(), host, &main);
  const double twipsPerPixel = 1440.0 / main.screen()->logicalDotsPerInchX();
  auto px = [&](double twips) { return static_cast<int>(std::lround(twips / twipsPerPixel)); };
  EXPECT_EQ(window.size(), QSize(px(4485), px(2145)));
  EXPECT_EQ(window.pos(), main.frameGeometry().topLeft() + QPoint(px(1000), px(1000)));
  EXPECT_FALSE(window.windowFlags() & Qt::WindowMinMaxButtonsHint);
  window.OnCancel();
}

}  // namespace kvt
