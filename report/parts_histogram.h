#pragma once
// A parameter's histogram as a picture: bars of the counts over the
// parameter's axis, both axes scaled and labelled with their units.
#include <QFont>
#include <QImage>
#include <QSize>
#include <string>
#include <vector>

#include "analysis/part_statistics.h"

namespace kvt {

struct HistogramStyle {
  QFont font;
  QSize size{560, 320};
};

// `title` heads the picture ("vf, 1000 parts"); `unit` is the parameter's
// ("V", "ohm", "" for none).
QImage HistogramPicture(const Histogram& histogram, const std::string& title, const char* unit,
                        const HistogramStyle& style);

// Round steps (1, 2 or 5 times a power of ten, never below `finest`) from
// `low` to `high`, about `wanted` of them: the axis' marks.
std::vector<double> AxisMarks(double low, double high, int wanted, double finest = 0);

// A figure for people: "652 mV", "1.8" for a parameter without a unit, and
// 0 for what is only rounding left over next to it ("0 A", not "-2e-05 fA").
std::string FigureText(double value, const char* unit);

}  // namespace kvt
