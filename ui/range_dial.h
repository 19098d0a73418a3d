#pragma once
// The small dial of the main window that shows the range switch's position:
// three labels and a needle pointing at one of them.
#include <string_view>

#include "core/draw_surface.h"

namespace kvt {

// Dial label of a range: "0.1 kOm", "1.0 kOm", "10.0 kOm".
std::string_view RangeLabel(int rangeIndex);
// Needle angle in degrees: 40, 80, 120.
double NeedleAngleDegrees(int rangeIndex);

// Centre, tip and the two base corners of the needle, in dial pixels.
struct NeedlePoints {
  double cx = 0, cy = 0;
  double tx = 0, ty = 0;
  double b1x = 0, b1y = 0;
  double b2x = 0, b2y = 0;
};

// Where the needle of a range lies.
NeedlePoints NeedleGeometry(int rangeIndex);

class RangeDial {
 public:
  // `face` must outlive the dial.
  explicit RangeDial(DrawSurface& face);

  // At start-up: the next Show draws whatever the range. The needle drawn
  // last is still erased then.
  void Forget();

  // Redraws the dial when rangeIndex is not the range shown, or nothing is
  // drawn yet.
  void Show(int rangeIndex);

  // Redraws the labels and moves the needle to range k.
  void DrawRangeIndicator(int k);

  const NeedlePoints& Needle() const { return needle_; }
  int ShownIndex() const { return shownIndex_; }
  bool DialDrawn() const { return dialDrawn_; }

 private:
  void DrawNeedle(const NeedlePoints& n, Colour colour);

  DrawSurface& face_;
  int shownIndex_ = 0;
  bool dialDrawn_ = false;
  NeedlePoints needle_;
};

}  // namespace kvt
