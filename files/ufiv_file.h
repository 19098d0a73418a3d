#pragma once
// Boards to and from UFIV 1.1.2, the exchange format for I-V measurements of
// a board's components: the board is the PCB, each element a component
// ("U3" of "U3.7"), each test point one of its pins, the known-good curve a
// reference measurement and the latest test a plain one.
#include <string>

#include "core/board.h"
#include "files/board_file.h"

namespace kvt {

constexpr char UfivVersion[] = "1.1.2";

// What the measurement settings say of a sweep of this instrument, a slow
// DC staircase rather than a sine: one sweep a second, one sample a point,
// so the ratio sampling_rate / probe_signal_frequency is the point count.
constexpr double UfivProbeSignalHz = 1.0;
// The largest applied voltage when a curve's range is unknown.
constexpr double UfivDefaultMaxVolts = 5.12;

// The element a point belongs to and its pin: "U3.7" -> "U3", "7". A name
// without a dot belongs to the element named after the board ("board" when
// the board has no name), under its whole name.
struct PinName {
  std::string element;
  std::string pin;
};
PinName SplitPointName(const std::string& point, const std::string& boardName);

struct UfivOut {
  std::string text;
  std::string error;  // a curve UFIV cannot hold (under 4 points, not finite)
};
UfivOut UfivFileText(const Board& board);

// The board of a UFIV document: pins become points "ELEMENT.N" (N the pin's
// index + 1, or the pin's name; see the README), the first reference curve
// the known-good one, the last other curve the latest test (untested, with
// no score). Files that are no UFIV, or of a major version this program does
// not know, are refused. The curves' source is `source`.
BoardRead BoardFromUfiv(const std::string& bytes, const std::string& source);
BoardRead ReadUfivFile(const std::string& path);

}  // namespace kvt
