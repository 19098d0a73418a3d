#include "ui/main_layout.h"

#include <gtest/gtest.h>

namespace kvt {

namespace {

const LayoutControlSizes kDesign{};  // the panel frames and indicator at design size

// The positions of the design window (outer 8175 x 6225, client 8055 x 5535).
void ExpectDesignPositions(const MainLayout& l) {
  EXPECT_EQ(l.frame1Width, 8055);
  EXPECT_EQ(l.frame1Height, 5535);
  EXPECT_EQ(l.frame2Left, 5880);
  EXPECT_EQ(l.frame3Left, 5880);
  EXPECT_EQ(l.frame4Left, 5880);
  EXPECT_EQ(l.frame5Left, 5880);
  EXPECT_EQ(l.picture2Left, 5880);
  EXPECT_EQ(l.picture2Top, 3840);
  EXPECT_EQ(l.picture1Width, 5655);
  EXPECT_EQ(l.picture1Height, 5175);
}

}  // namespace

TEST(MainLayout, DefaultSizeGivesTheDesignPositions) {
  const MainLayout outer = ArrangeOuterLayout(8175, 6225, kDesign);
  EXPECT_FALSE(outer.grown);  // exactly the minimum is not raised
  EXPECT_EQ(outer.width, 8175);
  EXPECT_EQ(outer.height, 6225);
  ExpectDesignPositions(outer);

  const MainLayout client = ArrangeClientLayout(8055, 5535, kDesign);
  EXPECT_FALSE(client.grown);
  EXPECT_EQ(client.width, 8055);
  EXPECT_EQ(client.height, 5535);
  ExpectDesignPositions(client);
}

TEST(MainLayout, TooSmallSnapsBackToTheMinimum) {
  const MainLayout both = ArrangeOuterLayout(6000, 5000, kDesign);
  EXPECT_TRUE(both.grown);
  EXPECT_EQ(both.width, 8175);
  EXPECT_EQ(both.height, 6225);
  ExpectDesignPositions(both);

  const MainLayout heightOnly = ArrangeOuterLayout(9000, 5000, kDesign);
  EXPECT_TRUE(heightOnly.grown);
  EXPECT_EQ(heightOnly.width, 9000);
  EXPECT_EQ(heightOnly.height, 6225);
  EXPECT_EQ(heightOnly.picture1Width, 6480);
  EXPECT_EQ(heightOnly.picture1Height, 5175);

  const MainLayout widthOnly = ArrangeOuterLayout(8174, 7000, kDesign);
  EXPECT_TRUE(widthOnly.grown);
  EXPECT_EQ(widthOnly.width, 8175);
  EXPECT_EQ(widthOnly.height, 7000);

  const MainLayout client = ArrangeClientLayout(5880, 4310, kDesign);
  EXPECT_TRUE(client.grown);
  EXPECT_EQ(client.width, 8055);
  EXPECT_EQ(client.height, 5535);
  ExpectDesignPositions(client);

  // The caller's own minimum (e.g. a window system with other decorations).
  const MainLayout custom = ArrangeClientLayout(7000, 5000, kDesign, 7500, 4000);
  EXPECT_TRUE(custom.grown);
  EXPECT_EQ(custom.width, 7500);
  EXPECT_EQ(custom.height, 5000);
  EXPECT_EQ(custom.frame1Width, 7500);
  EXPECT_EQ(custom.frame1Height, 5000);
  EXPECT_EQ(custom.picture1Width, 7500 - 2055 - 345);
}

TEST(MainLayout, WiderMovesTheColumnAndWidensThePlot) {
  const MainLayout l = ArrangeOuterLayout(9175, 6225, kDesign);
  EXPECT_FALSE(l.grown);
  EXPECT_EQ(l.frame1Width, 9055);
  EXPECT_EQ(l.frame1Height, 5535);
  for (double left : {l.frame2Left, l.frame3Left, l.frame4Left, l.frame5Left, l.picture2Left})
    EXPECT_EQ(left, 6880);
  EXPECT_EQ(l.picture2Top, 3840);
  EXPECT_EQ(l.picture1Width, 6655);
  EXPECT_EQ(l.picture1Height, 5175);

  EXPECT_EQ(ArrangeClientLayout(9055, 5535, kDesign).frame2Left, 6880);
}

TEST(MainLayout, TallerMovesOnlyTheIndicatorDown) {
  const MainLayout l = ArrangeOuterLayout(8175, 7225, kDesign);
  EXPECT_FALSE(l.grown);
  EXPECT_EQ(l.frame1Width, 8055);
  EXPECT_EQ(l.frame1Height, 6535);
  EXPECT_EQ(l.frame2Left, 5880);
  EXPECT_EQ(l.picture2Left, 5880);
  EXPECT_EQ(l.picture2Top, 4840);
  EXPECT_EQ(l.picture1Width, 5655);
  EXPECT_EQ(l.picture1Height, 6175);
}

TEST(MainLayout, EachColumnControlUsesItsOwnWidth) {
  LayoutControlSizes sizes;
  sizes.frame3Width = 2000;
  sizes.picture2Width = 1500;
  sizes.picture2Height = 1000;
  const MainLayout l = ArrangeOuterLayout(8175, 6225, sizes);
  EXPECT_EQ(l.frame2Left, 5880);
  EXPECT_EQ(l.frame3Left, 5935);
  EXPECT_EQ(l.picture2Left, 6435);
  EXPECT_EQ(l.picture2Top, 4415);
  // The plot follows the first frame's width only.
  EXPECT_EQ(l.picture1Width, 5655);
}

}  // namespace kvt
