#pragma once

namespace kvt {

// Arithmetic of the main window layout, in twips. The plot box fills the left
// part and follows the window size; the four panel frames and the range
// indicator stay in a column along the right edge at fixed sizes; the window
// is never laid out smaller than its minimum size.
//
// The window's outer size W x H maps to the client area by fixed allowances
// (120 wide, 690 high: border, caption and menu bar of the design window).
// The window lays out by its client area; the arithmetic runs on the outer
// size the design window would have around it.

// Current sizes of the controls whose left or top edge follows the window.
struct LayoutControlSizes {
  double smoothingFrameWidth = 2055;
  double maxVoltsFrameWidth = 2055;
  double maxMilliampsFrameWidth = 2055;
  double pointCountFrameWidth = 2055;
  double dialWidth = 2055;
  double dialHeight = 1575;
};

struct MainLayout {
  // True when the given size was below the minimum and has been raised: the
  // window must then be resized to the size below (which lays it out again).
  bool grown = false;
  // The client size laid out for.
  double width = 0;
  double height = 0;

  double backdropWidth = 0, backdropHeight = 0;  // also the client area
  // The panel frames' tops stay where they are.
  double smoothingFrameLeft = 0, maxVoltsFrameLeft = 0, maxMilliampsFrameLeft = 0, pointCountFrameLeft = 0;
  double dialLeft = 0, dialTop = 0;      // range indicator
  double plotWidth = 0, plotHeight = 0;  // plot box; left and top unchanged
};

constexpr double LayoutMinWidth = 8175;   // outer
constexpr double LayoutMinHeight = 6225;  // outer
constexpr double LayoutWidthAllowance = 120;   // outer minus client width
constexpr double LayoutHeightAllowance = 690;  // outer minus client height
constexpr double LayoutMinClientWidth = LayoutMinWidth - LayoutWidthAllowance;     // 8055
constexpr double LayoutMinClientHeight = LayoutMinHeight - LayoutHeightAllowance;  // 5535

// Lays out for a client area of the given size (twips). Sizes below the
// design client area, 8055 x 5535, are raised to it (strictly less: exactly
// the minimum stays). The client area itself is backdropWidth x backdropHeight.
MainLayout ArrangeClientLayout(double clientWidth, double clientHeight, const LayoutControlSizes& sizes);

}  // namespace kvt
