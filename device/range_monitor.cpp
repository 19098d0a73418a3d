#include "device/range_monitor.h"

#include <cmath>

#include "core/text_number.h"

namespace kvt {

namespace {

// The dial's own value of pi: the needle geometry is fixed by it.
constexpr double Pi = 3.14159;

constexpr double CentreX = 100;
constexpr double CentreY = 50;
constexpr double NeedleLength = 40;
constexpr double InnerHub = 7;
constexpr double OuterHub = 16;
constexpr double BaseBeyondCentre = 30;

constexpr Colour Black = MakeColour(0, 0, 0);

}  // namespace

int SwitchCode(int statusByte) {
  return static_cast<int>(RoundHalfEven((statusByte & 0xFF) / 128.0));
}

int RangeIndexOfCode(int code) {
  switch (code) {
    case 1: return 0;
    case 2: return 1;
    default: return 2;
  }
}

double RangeOhms(int rangeIndex) {
  switch (rangeIndex) {
    case 0: return 100;
    case 1: return 1000;
    default: return 10000;
  }
}

std::string_view RangeLabel(int rangeIndex) {
  switch (rangeIndex) {
    case 0: return "0.1 kOm";
    case 1: return "1.0 kOm";
    default: return "10.0 kOm";
  }
}

double NeedleAngleDegrees(int rangeIndex) {
  switch (rangeIndex) {
    case 0: return 40;
    case 1: return 80;
    default: return 120;
  }
}

NeedlePoints NeedleGeometry(int rangeIndex) {
  const double a = NeedleAngleDegrees(rangeIndex) * Pi / 180;
  NeedlePoints n;
  n.cx = CentreX;
  n.cy = CentreY;
  n.tx = CentreX - NeedleLength * std::sin(a);
  n.ty = CentreY + NeedleLength * std::cos(a);

  // The sides run from the tip tangent to the inner hub circle and end on
  // the base line beyond the centre; lengths in whole pixels.
  const double reach = NeedleLength + BaseBeyondCentre;
  const double e = RoundHalfEven(reach * InnerHub / NeedleLength);
  const double f = RoundHalfEven(std::sqrt(e * e + reach * reach));
  const double g = InnerHub / NeedleLength;
  const double beta = std::atan(g / std::sqrt(1 - g * g));

  const double p = Pi / 2 - a;
  const double q1 = p + beta;
  const double q2 = p - beta;
  n.b1x = n.tx + f * std::cos(q1);
  n.b1y = n.ty - f * std::sin(q1);
  n.b2x = n.tx + f * std::cos(q2);
  n.b2y = n.ty - f * std::sin(q2);
  return n;
}

RangeMonitor::RangeMonitor(DrawSurface& dial, std::function<int()> readStatus, std::function<void()> beep)
    : dial_(dial), readStatus_(std::move(readStatus)), beep_(std::move(beep)) {}

void RangeMonitor::Reset() {
  shownIndex_ = 0;
  dialDrawn_ = false;
  lastCode_ = 0;
  lastIndex_ = 0;
  switchKnown_ = false;
  ReadRangeSwitch();
}

double RangeMonitor::UpdateRange() {
  const int k = ReadRangeSwitch();
  if (k != shownIndex_ || !dialDrawn_) {
    DrawRangeIndicator(k);
    dialDrawn_ = true;
  }
  shownIndex_ = k;
  return RangeOhms(k);
}

int RangeMonitor::ReadRangeSwitch() {
  int code = SwitchCode(readStatus_());
  if (switchKnown_) {
    if (code == lastCode_) return lastIndex_;
    code = SwitchCode(readStatus_());
    if (beep_) beep_();
  } else {
    switchKnown_ = true;
  }
  lastCode_ = code;
  lastIndex_ = RangeIndexOfCode(code);
  return lastIndex_;
}

void RangeMonitor::DrawRangeIndicator(int k) {
  if (needle_.cx + needle_.tx + needle_.b1x + needle_.b2x != 0) DrawNeedle(needle_, dial_.Background());
  needle_ = NeedleGeometry(k);

  dial_.Text(12, 80, RangeLabel(0));
  dial_.Text(12, 50, RangeLabel(1));
  dial_.Text(7, 20, RangeLabel(2));

  DrawNeedle(needle_, Black);
}

void RangeMonitor::DrawNeedle(const NeedlePoints& n, Colour colour) {
  dial_.Circle(n.cx, n.cy, InnerHub, colour, std::nullopt);
  dial_.Circle(n.cx, n.cy, OuterHub, colour, std::nullopt);
  dial_.Line(n.cx, n.cy, n.tx, n.ty, colour);
  dial_.Line(n.tx, n.ty, n.b1x, n.b1y, colour);
  dial_.Line(n.tx, n.ty, n.b2x, n.b2y, colour);
  dial_.Line(n.b1x, n.b1y, n.b2x, n.b2y, colour);
}

}  // namespace kvt
