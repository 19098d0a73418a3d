#include "ui/main_layout.h"

#include <gtest/gtest.h>

namespace kvt {

namespace {

const LayoutControlSizes kDesign{};  // the panel frames and indicator at design size

// The positions of the design window (outer 8175 x 6225, client 8055 x 5535).
void ExpectDesignPositions(const MainLayout& l) {
  EXPECT_EQ(l.backdropWidth, 8055);
  EXPECT_EQ(l.backdropHeight, 5535);
  EXPECT_EQ(l.smoothingFrameLeft, 5880);
  EXPECT_EQ(l.maxVoltsFrameLeft, 5880);
  EXPECT_EQ(l.maxMilliampsFrameLeft, 5880);
  EXPECT_EQ(l.pointCountFrameLeft, 5880);
  EXPECT_EQ(l.dialLeft, 5880);
  EXPECT_EQ(l.dialTop, 3840);
  EXPECT_EQ(l.plotWidth, 5655);
  EXPECT_EQ(l.plotHeight, 5175);
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
  EXPECT_EQ(heightOnly.plotWidth, 6480);
  EXPECT_EQ(heightOnly.plotHeight, 5175);

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
  EXPECT_EQ(l.backdropWidth, 9055);
  EXPECT_EQ(l.backdropHeight, 5535);
  for (double left :
       {l.smoothingFrameLeft, l.maxVoltsFrameLeft, l.maxMilliampsFrameLeft, l.pointCountFrameLeft, l.dialLeft})
    EXPECT_EQ(left, 6880);
  EXPECT_EQ(l.dialTop, 3840);
  EXPECT_EQ(l.plotWidth, 6655);
  EXPECT_EQ(l.plotHeight, 5175);
}

TEST(MainLayout, TallerMovesOnlyTheIndicatorDown) {
  const MainLayout l = ArrangeClientLayout(8055, 6535, kDesign);
  EXPECT_FALSE(l.grown);
  EXPECT_EQ(l.backdropWidth, 8055);
  EXPECT_EQ(l.backdropHeight, 6535);
  EXPECT_EQ(l.smoothingFrameLeft, 5880);
  EXPECT_EQ(l.dialLeft, 5880);
  EXPECT_EQ(l.dialTop, 4840);
  EXPECT_EQ(l.plotWidth, 5655);
  EXPECT_EQ(l.plotHeight, 6175);
}

TEST(MainLayout, EachColumnControlUsesItsOwnWidth) {
  LayoutControlSizes sizes;
  sizes.maxVoltsFrameWidth = 2000;
  sizes.dialWidth = 1500;
  sizes.dialHeight = 1000;
  const MainLayout l = ArrangeClientLayout(8055, 5535, sizes);
  EXPECT_EQ(l.smoothingFrameLeft, 5880);
  EXPECT_EQ(l.maxVoltsFrameLeft, 5935);
  EXPECT_EQ(l.dialLeft, 6435);
  EXPECT_EQ(l.dialTop, 4415);
  // The plot follows the smoothing frame's width only.
  EXPECT_EQ(l.plotWidth, 5655);
}

}  // namespace kvt
