#pragma once
// Window and control geometry is kept in twips (1/1440 inch) and converted
// to pixels with the screen's logical resolution (96 dpi: 15 twips a pixel).
#include <cmath>

namespace kvt {

struct TwipScale {
  double twipsPerPixel = 15.0;

  static TwipScale FromDpi(double dpi) { return TwipScale{dpi > 0 ? 1440.0 / dpi : 15.0}; }
  int Px(double twips) const { return static_cast<int>(std::lround(twips / twipsPerPixel)); }
  double Twips(double pixels) const { return pixels * twipsPerPixel; }
};

}  // namespace kvt
