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
  double frame2Width = 2055;
  double frame3Width = 2055;
  double frame4Width = 2055;
  double frame5Width = 2055;
  double picture2Width = 2055;
  double picture2Height = 1575;
};

struct MainLayout {
  // True when the given size was below the minimum and has been raised: the
  // window must then be resized to the size below (which lays it out again).
  bool grown = false;
  // The client size laid out for.
  double width = 0;
  double height = 0;

  double frame1Width = 0, frame1Height = 0;  // backdrop; also the client area
  double frame2Left = 0, frame3Left = 0, frame4Left = 0, frame5Left = 0;  // tops unchanged
  double picture2Left = 0, picture2Top = 0;        // range indicator
  double picture1Width = 0, picture1Height = 0;    // plot box; left and top unchanged
};

constexpr double LayoutMinWidth = 8175;   // outer
constexpr double LayoutMinHeight = 6225;  // outer
constexpr double LayoutWidthAllowance = 120;   // outer minus client width
constexpr double LayoutHeightAllowance = 690;  // outer minus client height
constexpr double LayoutMinClientWidth = LayoutMinWidth - LayoutWidthAllowance;     // 8055
constexpr double LayoutMinClientHeight = LayoutMinHeight - LayoutHeightAllowance;  // 5535

// Lays out for a client area of the given size (twips). Sizes below the
// design client area, 8055 x 5535, are raised to it (strictly less: exactly
// the minimum stays). The client area itself is frame1Width x frame1Height.
MainLayout ArrangeClientLayout(double clientWidth, double clientHeight, const LayoutControlSizes& sizes);

}  // namespace kvt
