#pragma once
// Statistics of one parameter over a bag of parts, its histogram, and bins
// defined by limits on any parameters with each part's bin.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/part_figures.h"

namespace kvt {

struct Histogram {
  std::vector<double> edges;  // bins + 1, rising; bin i holds edges[i] <= v < edges[i + 1]
  std::vector<int> counts;    // the last bin also holds its upper edge
};

struct ParameterSummary {
  int count = 0;  // parts with a value
  int missing = 0;  // parts without one
  double mean = 0, std = 0, min = 0, max = 0;
  // 5th, 25th, 50th, 75th and 95th percentile, interpolated linearly
  // between the sorted values at rank p * (count - 1) (NumPy's default,
  // spreadsheets' PERCENTILE.INC).
  double p5 = 0, p25 = 0, p50 = 0, p75 = 0, p95 = 0;
  double typicalUncertainty = 0;  // median of the values' uncertainties
  Histogram histogram;
};

// Nothing when no part has a value. The standard deviation is the sample's
// (divided by count - 1; 0 for one part).
std::optional<ParameterSummary> Summarise(const FigureColumn& column);

// The p-th percentile (0..100) of rising values, as ParameterSummary states it.
double Percentile(const std::vector<double>& sorted, double p);

// Bins of a width by the Freedman-Diaconis rule (2 IQR / cbrt(n)), never
// finer than `finest` (the typical uncertainty: finer bins only show the
// instrument's scatter), rounded up to 1, 2 or 5 times a power of ten, with
// edges on multiples of the width; at most `maxBins`, widened to fit.
Histogram MakeHistogram(const std::vector<double>& values, double finest, int maxBins = 60);

// One limit of a bin: `parameter` `op` `value`.
struct BinLimit {
  enum class Op { Less, LessEqual, Greater, GreaterEqual };
  std::string parameter;
  Op op = Op::Less;
  double value = 0;
  bool Holds(double v) const;
};

struct BinDefinition {
  std::string text;              // as the user wrote it, trimmed: the bin's name
  std::vector<BinLimit> limits;  // all must hold
};

// A bin as text: limits joined by commas, each "vf<0.6", "vf>=600mV" or
// two-sided "0.6<=vf<0.62" (both signs the same way); names and units from
// AllPartParameters. Nothing when it is not one, with the reason in `error`.
std::optional<BinDefinition> ParseBin(std::string_view text, std::string* error = nullptr);

// Several bins separated by ";"; the first bin a part fits is its bin.
std::optional<std::vector<BinDefinition>> ParseBins(std::string_view text, std::string* error = nullptr);

struct PartBin {
  int bin = -1;  // index into the bins; -1: none fits (or a parameter it needs is missing)
  // Its value lies within its uncertainty of a limit of that bin, so a
  // second measurement may well put it elsewhere.
  bool nearLimit = false;
};

struct BinCounts {
  std::vector<PartBin> parts;  // one per part
  std::vector<int> counts;     // one per bin
  int unbinned = 0;
};

// `partCount` parts; a column the table lacks counts as missing for all.
BinCounts AssignBins(const std::vector<BinDefinition>& bins, const PartTable& table, std::size_t partCount);

}  // namespace kvt
