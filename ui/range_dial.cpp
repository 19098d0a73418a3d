#include "ui/range_dial.h"

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

RangeDial::RangeDial(DrawSurface& face) : face_(face) {}

void RangeDial::Forget() {
  shownIndex_ = 0;
  dialDrawn_ = false;
}

void RangeDial::Show(int rangeIndex) {
  if (rangeIndex != shownIndex_ || !dialDrawn_) {
    DrawRangeIndicator(rangeIndex);
    dialDrawn_ = true;
  }
  shownIndex_ = rangeIndex;
}

void RangeDial::DrawRangeIndicator(int k) {
  if (needle_.cx + needle_.tx + needle_.b1x + needle_.b2x != 0) DrawNeedle(needle_, face_.Background());
  needle_ = NeedleGeometry(k);

  face_.Text(12, 80, RangeLabel(0));
  face_.Text(12, 50, RangeLabel(1));
  face_.Text(7, 20, RangeLabel(2));

  DrawNeedle(needle_, Black);
}

void RangeDial::DrawNeedle(const NeedlePoints& n, Colour colour) {
  face_.Circle(n.cx, n.cy, InnerHub, colour, std::nullopt);
  face_.Circle(n.cx, n.cy, OuterHub, colour, std::nullopt);
  face_.Line(n.cx, n.cy, n.tx, n.ty, colour);
  face_.Line(n.tx, n.ty, n.b1x, n.b1y, colour);
  face_.Line(n.tx, n.ty, n.b2x, n.b2y, colour);
  face_.Line(n.b1x, n.b1y, n.b2x, n.b2y, colour);
}

}  // namespace kvt
