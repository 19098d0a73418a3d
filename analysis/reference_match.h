#pragma once
// A measured curve against one or more reference curves: each comparison,
// the best of them, and the few lines a person reads of it.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "analysis/comparison.h"
#include "core/curve.h"

namespace kvt {

struct NamedCurve {
  std::string name;  // the file name, as the legend shows it
  Curve curve;
};

struct ReferenceMatch {
  std::vector<Comparison> comparisons;  // one per reference, in order
  std::optional<std::size_t> best;      // highest score; the smaller worst deviation on a tie
};

ReferenceMatch MatchReferences(const Curve& curve, const std::vector<NamedCurve>& references,
                               const CompareOptions& options = {});

// "PASS 98.4 % against a.kvt" and the worst deviation; with several
// references the best is named first and every score follows.
std::vector<std::string> MatchLines(const ReferenceMatch& match, const std::vector<NamedCurve>& references);

}  // namespace kvt
