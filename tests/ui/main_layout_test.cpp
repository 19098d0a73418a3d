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
  const MainLayout client = ArrangeClientLayout(8055, 5535, kDesign);
  EXPECT_FALSE(client.grown);  // exactly the minimum is not raised
  EXPECT_EQ(client.width, 8055);
  EXPECT_EQ(client.height, 5535);
  ExpectDesignPositions(client);
}

TEST(MainLayout, TooSmallSnapsBackToTheMinimum) {
  const MainLayout heightOnly = ArrangeClientLayout(8880, 4310, kDesign);
  EXPECT_TRUE(heightOnly.grown);
  EXPECT_EQ(heightOnly.width, 8880);
  EXPECT_EQ(heightOnly.height, 5535);
  EXPECT_EQ(heightOnly.picture1Width, 6480);
  EXPECT_EQ(heightOnly.picture1Height, 5175);

  const MainLayout widthOnly = ArrangeClientLayout(8054, 6310, kDesign);
  EXPECT_TRUE(widthOnly.grown);
  EXPECT_EQ(widthOnly.width, 8055);
  EXPECT_EQ(widthOnly.height, 6310);

  const MainLayout client = ArrangeClientLayout(5880, 4310, kDesign);
  EXPECT_TRUE(client.grown);
  EXPECT_EQ(client.width, 8055);
  EXPECT_EQ(client.height, 5535);
  ExpectDesignPositions(client);

}

TEST(MainLayout, WiderMovesTheColumnAndWidensThePlot) {
  const MainLayout l = ArrangeClientLayout(9055, 5535, kDesign);
  EXPECT_FALSE(l.grown);
  EXPECT_EQ(l.frame1Width, 9055);
  EXPECT_EQ(l.frame1Height, 5535);
  for (double left : {l.frame2Left, l.frame3Left, l.frame4Left, l.frame5Left, l.picture2Left})
    EXPECT_EQ(left, 6880);
  EXPECT_EQ(l.picture2Top, 3840);
  EXPECT_EQ(l.picture1Width, 6655);
  EXPECT_EQ(l.picture1Height, 5175);
}

TEST(MainLayout, TallerMovesOnlyTheIndicatorDown) {
  const MainLayout l = ArrangeClientLayout(8055, 6535, kDesign);
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
  const MainLayout l = ArrangeClientLayout(8055, 5535, sizes);
  EXPECT_EQ(l.frame2Left, 5880);
  EXPECT_EQ(l.frame3Left, 5935);
  EXPECT_EQ(l.picture2Left, 6435);
  EXPECT_EQ(l.picture2Top, 4415);
  // The plot follows the first frame's width only.
  EXPECT_EQ(l.picture1Width, 5655);
}

}  // namespace kvt
