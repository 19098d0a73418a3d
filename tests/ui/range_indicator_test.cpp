#include "ui/range_indicator.h"

#include <gtest/gtest.h>

#include "ui/picture_box.h"

namespace kvt {

namespace {

constexpr int StatusFor100 = 128;    // code 1
constexpr int StatusFor10000 = 0;    // code 0

}  // namespace

TEST(RangeIndicator, DialOnAPictureBoxMovesItsNeedle) {
  const Colour face = MakeColour(212, 208, 200);
  PictureBox box(nullptr, face);
  box.resize(137, 105);
  box.show();
  int status = StatusFor100;
  RangeIndicator indicator(box, [&] { return status; });
  indicator.Reset();
  double ohms = indicator.Poll();
  EXPECT_EQ(ohms, 100);

  auto black = [&](int x, int y) { return box.Image().pixelColor(x, y) == QColor(0, 0, 0); };
  // Ink within a pixel of (x, y): line pixels need not hit the exact rounding.
  auto inkNear = [&](double x, double y) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (black(static_cast<int>(x) + dx, static_cast<int>(y) + dy)) return true;
    return false;
  };
  // A point on the C-T line of range 0 two thirds along, then of range 2.
  const NeedlePoints n0 = NeedleGeometry(0);
  const NeedlePoints n2 = NeedleGeometry(2);
  auto along = [](const NeedlePoints& n, double t, double& x, double& y) {
    x = n.cx + (n.tx - n.cx) * t;
    y = n.cy + (n.ty - n.cy) * t;
  };
  double x0, y0, x2, y2;
  along(n0, 0.6, x0, y0);
  along(n2, 0.6, x2, y2);
  EXPECT_TRUE(inkNear(x0, y0));
  EXPECT_FALSE(inkNear(x2, y2));

  status = StatusFor10000;
  ohms = indicator.Poll();
  EXPECT_EQ(ohms, 10000);
  EXPECT_FALSE(inkNear(x0, y0));
  EXPECT_TRUE(inkNear(x2, y2));

  // The labels are printed in the text colour (black by default) left of the hub.
  int inked = 0;
  for (int y = 80; y < 100; ++y)
    for (int x = 12; x < 60; ++x) inked += black(x, y);
  EXPECT_GT(inked, 20);
}

}  // namespace kvt
