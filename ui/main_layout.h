#pragma once

namespace kvt {

// Arithmetic of the main window layout, in twips. The plot box fills the left
// part and follows the window size; the four panel frames and the range
// indicator stay in a column along the right edge at fixed sizes; the window
// is never laid out smaller than its minimum size.
//
// The window's outer size W x H maps to the client area by fixed allowances
// (120 wide, 690 high: border, caption and menu bar of the design window).
// A window that lays out by its client area calls ArrangeClientLayout with
// the client size; the result is the same as ArrangeOuterLayout for the
// outer size client + allowances.

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
  // The size laid out for: outer width/height for ArrangeOuterLayout, client
  // width/height for ArrangeClientLayout.
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

// Lays out for the outer size W x H (twips). Sizes below 8175 x 6225 are
// raised to it (strictly less: exactly the minimum stays).
MainLayout ArrangeOuterLayout(double outerWidth, double outerHeight, const LayoutControlSizes& sizes);

// Lays out for a client area of the given size (twips), with the minimum
// client size minWidth x minHeight (by default 8055 x 5535, the design
// client area). `width`/`height` of the result are client sizes; the client
// area itself is frame1Width x frame1Height.
MainLayout ArrangeClientLayout(double clientWidth, double clientHeight, const LayoutControlSizes& sizes,
                               double minClientWidth = LayoutMinClientWidth,
                               double minClientHeight = LayoutMinClientHeight);

}  // namespace kvt
