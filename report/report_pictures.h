#pragma once
// The pictures of a board's report: the photo with its points marked and a
// small plot of each point's known-good curve against its test.
#include <QFont>
#include <QImage>
#include <QSize>
#include <string>

#include "core/board.h"
#include "core/typed_options.h"

namespace kvt {

// Marks of the photo, by verdict.
constexpr unsigned MarkFailColour = 0xd01c1c;
constexpr unsigned MarkPassColour = 0x1f9d3a;
constexpr unsigned MarkUntestedColour = 0x7a7a7a;

// The photo scaled down to at most `maxWidth` pixels wide, each placed
// point a circle in its verdict's colour with its name beside it; failing
// points are drawn last, so a passing neighbour never hides one.
QImage MarkedPhoto(const QImage& photo, const Board& board, int maxWidth, const QFont& font);

// The point's known-good curve in the first reference colour under its
// latest test as the measured curve, as the window's plot draws them.
struct PointPlotStyle {
  PlotOptions plot;
  QFont font;
  std::string decimalSeparator = ".";
  QSize size{260, 230};
};
QImage PointPlot(const TestPoint& point, const PointPlotStyle& style);

}  // namespace kvt
