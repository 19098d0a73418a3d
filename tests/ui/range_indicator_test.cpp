#include "ui/range_indicator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ui/picture_box.h"

namespace kvt {

namespace {

constexpr int StatusFor100 = 128;    // code 1
constexpr int StatusFor1000 = 255;   // code 2
constexpr int StatusFor10000 = 0;    // code 0

}  // namespace

TEST(RangeIndicator, DialOnAPictureBoxMovesItsNeedle) {
  const Colour face = MakeColour(212, 208, 200);
  PictureBox box(nullptr, face);
  box.resize(137, 105);
  box.show();
  int status = StatusFor100;
  RangeMonitor monitor([&] { return status; });
  RangeIndicator indicator(box, monitor);
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

namespace kvt {

// The dial erases its needle by drawing it again in the face colour; drawn
// sharp at two device pixels per pixel, the erased needle must leave nothing.
TEST(RangeIndicator, SharpDialKeepsNoTraceOfTheOldNeedle) {
  const Colour face = MakeColour(212, 208, 200);
  PictureBox box(nullptr, face);
  box.resize(137, 105);
  box.show();
  int status = StatusFor100;
  RangeMonitor monitor([&] { return status; });
  RangeIndicator indicator(box, monitor);
  indicator.Reset();
  indicator.Poll();
  status = StatusFor10000;
  indicator.Poll();

  const QImage sharp = box.Picture().SharpImage(2);
  ASSERT_EQ(sharp.size(), QSize(274, 210));
  const auto blackNear = [&](double x, double y) {
    int n = 0;
    for (int dy = -3; dy <= 3; ++dy)
      for (int dx = -3; dx <= 3; ++dx) n += sharp.pixelColor(int(2 * x) + dx, int(2 * y) + dy) == QColor(0, 0, 0);
    return n;
  };
  const NeedlePoints old = NeedleGeometry(0), now = NeedleGeometry(2);
  for (double t : {0.5, 0.6, 0.7, 0.9}) {
    EXPECT_EQ(blackNear(old.cx + (old.tx - old.cx) * t, old.cy + (old.ty - old.cy) * t), 0) << t;
    EXPECT_GT(blackNear(now.cx + (now.tx - now.cx) * t, now.cy + (now.ty - now.cy) * t), 0) << t;
  }
  // Nothing but the face and black: no half-erased edges in between.
  int other = 0;
  for (int y = 0; y < sharp.height(); ++y)
    for (int x = 0; x < sharp.width(); ++x) {
      const QColor c = sharp.pixelColor(x, y);
      other += c != QColor(0, 0, 0) && c != QColor(212, 208, 200);
    }
  EXPECT_EQ(other, 0);
}

}  // namespace kvt

namespace kvt {

// A moved switch beeps once, whether or not the dial has to follow it; a
// reset forgets the switch, so what it finds next is no move.
TEST(RangeIndicator, BeepsWhenTheSwitchMovedAndRedrawsOnlyForANewRange) {
  struct Case {
    const char* name;
    std::vector<int> reads;  // after the first poll at 100 ohms
    bool resetFirst;
    double ohms;
    int beeps;
    int needleRange;
  };
  for (const Case& c : {Case{"steady", {StatusFor100}, false, 100, 0, 0},
                        Case{"moved and settled", {StatusFor1000, StatusFor10000}, false, 10000, 1, 2},
                        Case{"bounced back", {StatusFor1000, StatusFor100}, false, 100, 1, 0},
                        Case{"moved during a reset", {StatusFor1000}, true, 1000, 0, 1}}) {
    SCOPED_TRACE(c.name);
    PictureBox box(nullptr, MakeColour(212, 208, 200));
    box.resize(137, 105);
    box.show();
    std::vector<int> reads = {StatusFor100, StatusFor100};
    std::size_t next = 0;
    int beeps = 0;
    RangeMonitor monitor([&] { return reads[std::min(next++, reads.size() - 1)]; });
    RangeIndicator indicator(box, monitor, [&] { ++beeps; });
    indicator.Reset();
    ASSERT_EQ(indicator.Poll(), 100);
    const QImage before = box.Image().copy();  // the box paints into its image in place

    reads.insert(reads.end(), c.reads.begin(), c.reads.end());
    if (c.resetFirst) indicator.Reset();
    EXPECT_EQ(indicator.Poll(), c.ohms);
    EXPECT_EQ(beeps, c.beeps);
    EXPECT_EQ(indicator.Dial().ShownIndex(), c.needleRange);
    EXPECT_EQ(indicator.Dial().Needle().tx, NeedleGeometry(c.needleRange).tx);
    EXPECT_EQ(box.Image() == before, c.needleRange == 0);
  }
}

}  // namespace kvt
