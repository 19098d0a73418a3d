#pragma once
// Straight lines from point to point in order, on the plot's scales; a point
// outside the ranges breaks the line. The range is tested before converting
// to pixels: points far outside must not reach the integer conversion.
#include "core/draw_surface.h"
#include "plot/plot_scale.h"

namespace kvt {

class Chain {
 public:
  Chain(DrawSurface& surface, const PlotScale& s, Colour colour) : surface_(surface), s_(s), colour_(colour) {}
  void Add(double volts, double milliamps) {
    if (!s_.volts.Contains(volts) || !s_.milliamps.Contains(milliamps)) {
      Break();
      return;
    }
    const int x = s_.volts.PixelOf(volts);
    const int y = s_.milliamps.PixelOf(milliamps);
    if (!open_) {
      px_ = x;
      py_ = y;
      open_ = true;
    }
    surface_.Line(x, y, px_, py_, colour_);
    px_ = x;
    py_ = y;
  }
  // The next point starts a new line.
  void Break() { open_ = false; }

 private:
  DrawSurface& surface_;
  const PlotScale& s_;
  Colour colour_;
  bool open_ = false;
  int px_ = 0, py_ = 0;
};

}  // namespace kvt
