#pragma once
// The instrument's three-position range switch: polled once a second, it
// keeps the range resistance current and shows the position on a small dial.
#include <functional>
#include <string_view>

#include "core/draw_surface.h"

namespace kvt {

// Switch code of a status byte: byte / 128, nearest integer, ties to even.
int SwitchCode(int statusByte);
// RangeIndex for a switch code: 1 -> 0, 2 -> 1, 0 -> 2.
int RangeIndexOfCode(int code);
// 100, 1000 or 10000 ohms for RangeIndex 0, 1, 2.
double RangeOhms(int rangeIndex);
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

class RangeMonitor {
 public:
  // readStatus returns the parallel port's status byte; beep sounds the
  // system's standard beep. The dial is drawn on `dial`, which must outlive
  // the monitor.
  RangeMonitor(DrawSurface& dial, std::function<int()> readStatus, std::function<void()> beep);

  // At start-up: forgets the dial and the switch position, then reads the
  // switch once without drawing.
  void Reset();

  // The once-a-second poll: returns the range resistance in ohms and
  // redraws the dial when the position changed.
  double UpdateRange();

  // Reads the switch and returns its RangeIndex. A moved switch is read a
  // second time (it may still be settling) and beeps.
  int ReadRangeSwitch();

  // Redraws the labels and moves the needle to range k.
  void DrawRangeIndicator(int k);

  const NeedlePoints& Needle() const { return needle_; }
  int ShownIndex() const { return shownIndex_; }
  bool DialDrawn() const { return dialDrawn_; }

 private:
  void DrawNeedle(const NeedlePoints& n, Colour colour);

  DrawSurface& dial_;
  std::function<int()> readStatus_;
  std::function<void()> beep_;

  int lastCode_ = 0;
  int lastIndex_ = 0;
  bool switchKnown_ = false;
  int shownIndex_ = 0;
  bool dialDrawn_ = false;
  NeedlePoints needle_;
};

}  // namespace kvt
