#include "ui/range_dial.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/recording_surface.h"

namespace kvt {

namespace {

struct DialRig {
  DialRig() {
    surface.SetBackground(MakeColour(200, 200, 200));
    surface.calls.clear();
  }
  RecordingSurface surface{137, 105};
  RangeDial dial{surface};
};

std::vector<std::string> Labels(const RecordingSurface& surface) {
  std::vector<std::string> labels;
  for (const auto& call : surface.calls)
    if (call.kind == DrawCall::Text) labels.push_back(call.text);
  return labels;
}

}  // namespace

TEST(RangeDial, FirstShowDrawsEvenRangeZeroAndASteadyRangeNoMore) {
  DialRig rig;
  rig.dial.Forget();
  EXPECT_TRUE(rig.surface.calls.empty());

  // Range 0 is also the index shown after Forget: the dial is drawn anyway.
  rig.dial.Show(0);
  EXPECT_TRUE(rig.dial.DialDrawn());
  EXPECT_EQ(Labels(rig.surface), (std::vector<std::string>{"0.1 kOm", "1.0 kOm", "10.0 kOm"}));
  // Nothing to erase yet: every line and circle is black.
  for (const auto& call : rig.surface.calls)
    if (call.kind != DrawCall::Text) {
      EXPECT_EQ(call.colour, MakeColour(0, 0, 0));
    }

  rig.surface.calls.clear();
  rig.dial.Show(0);
  rig.dial.Show(0);
  EXPECT_TRUE(rig.surface.calls.empty());
}

TEST(RangeDial, NewRangeErasesTheOldNeedleFirst) {
  DialRig rig;
  rig.dial.Show(0);
  rig.surface.calls.clear();
  rig.dial.Show(2);
  EXPECT_EQ(rig.dial.ShownIndex(), 2);
  const NeedlePoints expected = NeedleGeometry(2);
  EXPECT_EQ(rig.dial.Needle().tx, expected.tx);
  EXPECT_EQ(rig.dial.Needle().ty, expected.ty);

  // The old needle is erased by drawing it in the background colour.
  const NeedlePoints old = NeedleGeometry(0);
  ASSERT_GE(rig.surface.calls.size(), 6u);
  int erased = 0;
  for (std::size_t i = 0; i < 6; ++i) {
    const auto& call = rig.surface.calls[i];
    EXPECT_EQ(call.colour, rig.surface.Background());
    if (call.kind == DrawCall::Line && call.x2 == old.tx && call.y2 == old.ty) ++erased;  // C-T
  }
  EXPECT_EQ(erased, 1);
}

TEST(RangeDial, ForgetRedrawsTheSameRangeAndStillErasesTheOldNeedle) {
  DialRig rig;
  rig.dial.Show(1);
  rig.dial.Forget();
  rig.surface.calls.clear();
  rig.dial.Show(1);
  EXPECT_FALSE(rig.surface.calls.empty());
  EXPECT_EQ(rig.surface.calls.front().colour, rig.surface.Background());
}

TEST(RangeDial, NeedlePointsOfTheThreeRanges) {
  struct Case {
    int k;
    double tx, ty, b1x, b1y, b2x, b2y;
  };
  for (const Case c : {Case{0, 74.29, 80.64, 109.70, 19.11, 128.74, 35.08},
                       Case{1, 60.61, 56.95, 127.29, 32.57, 131.61, 57.04},
                       Case{2, 65.36, 30.00, 132.11, 54.19, 119.69, 75.71}}) {
    RecordingSurface surface{137, 105};
    RangeDial dial(surface);
    dial.DrawRangeIndicator(c.k);
    const NeedlePoints& n = dial.Needle();
    EXPECT_EQ(n.cx, 100);
    EXPECT_EQ(n.cy, 50);
    EXPECT_NEAR(n.tx, c.tx, 0.005) << "range " << c.k;
    EXPECT_NEAR(n.ty, c.ty, 0.005) << "range " << c.k;
    EXPECT_NEAR(n.b1x, c.b1x, 0.005) << "range " << c.k;
    EXPECT_NEAR(n.b1y, c.b1y, 0.005) << "range " << c.k;
    EXPECT_NEAR(n.b2x, c.b2x, 0.005) << "range " << c.k;
    EXPECT_NEAR(n.b2y, c.b2y, 0.005) << "range " << c.k;
    // Hub circles of radius 7 and 16 about the centre.
    int hubs = 0;
    for (const auto& call : surface.calls)
      if (call.kind == DrawCall::Circle && call.x1 == 100 && call.y1 == 50 && (call.x2 == 7 || call.x2 == 16)) ++hubs;
    EXPECT_EQ(hubs, 2);
  }
}

}  // namespace kvt
