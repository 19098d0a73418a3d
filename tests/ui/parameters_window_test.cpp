// The Parameters window closes without a window manager's help, and opens
// beside the main window wherever the screen leaves room.
#include "ui/parameters_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "ui/parameters_placement.h"

namespace kvt {

TEST(ParametersWindow, CloseButtonEscapeAndCtrlWCloseIt) {
  const struct {
    const char* way;
    std::function<void(ParametersWindow&)> act;
  } ways[] = {
      {"Close clicked", [](ParametersWindow& w) { QTest::mouseClick(w.CloseButton(), Qt::LeftButton); }},
      {"Escape", [](ParametersWindow&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); }},
      {"Ctrl+W", [](ParametersWindow&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier); }},
  };
  for (const auto& w : ways) {
    SCOPED_TRACE(w.way);
    ParametersWindow window;
    window.Show({{"measured", {{"component", "diode"}, {"resistance", "-"}}}});
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.Table()->setFocus();
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    w.act(window);
    EXPECT_FALSE(window.isVisible());
  }
}

// Alt+C presses Close from anywhere in the window (the click itself follows
// the press's short animation).
TEST(ParametersWindow, AltCPressesClose) {
  ParametersWindow window;
  window.Show({{"measured", {{"component", "diode"}}}});
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  window.Table()->setFocus();
  ASSERT_FALSE(window.CloseButton()->isDown());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
  EXPECT_TRUE(window.CloseButton()->isDown());
}

// The window is sized to its table and the button row: nothing hidden,
// nothing to scroll.
TEST(ParametersWindow, TheButtonRowAddsToTheTablesSize) {
  std::vector<ParameterRow> rows;
  for (int i = 0; i < 10; ++i) rows.push_back({"figure " + std::to_string(i), std::to_string(i * 100) + " mV"});
  ParametersWindow window;
  window.Show({{"measured", rows}, {"a long reference name.kvt", rows}});
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_TRUE(window.CloseButton()->isVisible());
  EXPECT_EQ(window.CloseButton()->text(), "&Close");
  EXPECT_GE(window.CloseButton()->geometry().top(), window.Table()->geometry().bottom());
  EXPECT_FALSE(window.Table()->verticalScrollBar()->isVisible());
  EXPECT_FALSE(window.Table()->horizontalScrollBar()->isVisible());
}

TEST(PlaceBeside, RightThenLeftThenBelowOrAboveElseClearOfThePlot) {
  const QSize size(329, 258);
  const QRect designMain(0, 0, 537, 387);
  const QRect designPlot(10, 36, 373, 341);  // inside the main window
  const auto at = [](const QRect& r, int x, int y) { return r.translated(x, y); };
  const struct {
    const char* name;
    QRect main, plot, available;
    QPoint expected;
  } cases[] = {
      {"room on the right", designMain, designPlot, {0, 0, 1280, 1024}, {537, 0}},
      {"tops level, pushed up to stay on the screen", at(designMain, 0, 900), at(designPlot, 0, 900),
       {0, 0, 1280, 1024}, {537, 1024 - 258}},
      {"no room on the right: left", at(designMain, 700, 100), at(designPlot, 700, 100), {0, 0, 1280, 1024},
       {700 - 329, 100}},
      {"left exactly fits", at(designMain, 329, 0), at(designPlot, 329, 0), {0, 0, 800, 1024}, {0, 0}},
      {"right of a second screen", at(designMain, 1300, 50), at(designPlot, 1300, 50), {1280, 0, 1920, 1080},
       {1837, 50}},
      {"neither side: below", designMain, designPlot, {0, 0, 800, 1000}, {0, 387}},
      {"neither side nor below: above", at(designMain, 0, 400), at(designPlot, 0, 400), {0, 0, 800, 700}, {0, 142}},
      {"no room outside: over the panel, clear of the plot", designMain, designPlot, {0, 0, 800, 600}, {383, 0}},
      {"maximised: as little of the plot as may be", {0, 0, 1280, 1024}, {10, 36, 1116, 980}, {0, 0, 1280, 1024},
       {1280 - 329, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QPoint p = PlaceBeside(c.main, c.plot, size, c.available);
    EXPECT_EQ(p, c.expected);
    EXPECT_TRUE(c.available.contains(QRect(p, size)));
  }
}

}  // namespace kvt
