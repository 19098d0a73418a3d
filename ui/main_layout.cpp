#include "ui/main_layout.h"

namespace kvt {

namespace {

constexpr double ColumnAllowance = 240;
constexpr double IndicatorBottomAllowance = 810;
constexpr double PlotWidthAllowance = 465;
constexpr double PlotHeightAllowance = 1050;

// Lengths are single precision, as the window system keeps them.
double Single(double value) { return static_cast<float>(value); }

// Positions and sizes for the outer size w x h, already at least the minimum.
MainLayout Place(double w, double h, const LayoutControlSizes& sizes) {
  MainLayout l;
  l.width = w;
  l.height = h;
  l.backdropWidth = Single(w - LayoutWidthAllowance);
  l.backdropHeight = Single(h - LayoutHeightAllowance);
  l.smoothingFrameLeft = Single(w - sizes.smoothingFrameWidth - ColumnAllowance);
  l.maxVoltsFrameLeft = Single(w - sizes.maxVoltsFrameWidth - ColumnAllowance);
  l.maxMilliampsFrameLeft = Single(w - sizes.maxMilliampsFrameWidth - ColumnAllowance);
  l.pointCountFrameLeft = Single(w - sizes.pointCountFrameWidth - ColumnAllowance);
  l.dialLeft = Single(w - sizes.dialWidth - ColumnAllowance);
  l.dialTop = Single(h - sizes.dialHeight - IndicatorBottomAllowance);
  l.plotWidth = Single(w - sizes.smoothingFrameWidth - PlotWidthAllowance);
  l.plotHeight = Single(h - PlotHeightAllowance);
  return l;
}

}  // namespace

MainLayout ArrangeClientLayout(double clientWidth, double clientHeight, const LayoutControlSizes& sizes) {
  // The minimum is checked in client terms, then the arithmetic runs on the
  // outer size the design window would have around this client area.
  bool grown = false;
  double cw = Single(clientWidth);
  double ch = Single(clientHeight);
  if (cw < LayoutMinClientWidth) {
    cw = LayoutMinClientWidth;
    grown = true;
  }
  if (ch < LayoutMinClientHeight) {
    ch = LayoutMinClientHeight;
    grown = true;
  }
  MainLayout l = Place(cw + LayoutWidthAllowance, ch + LayoutHeightAllowance, sizes);
  l.grown = grown;
  l.width = cw;
  l.height = ch;
  return l;
}

}  // namespace kvt
