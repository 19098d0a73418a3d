#include "analysis/reference_match.h"

#include <cmath>
#include <cstdio>

#include "analysis/parameter_report.h"

namespace kvt {

namespace {

std::string Score(double score) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %%", score);
  return text;
}

double WorstBands(const Comparison& c) { return c.worst ? c.worst->bands : 0.0; }

}  // namespace

ReferenceMatch MatchReferences(const Curve& curve, const std::vector<NamedCurve>& references,
                               const CompareOptions& options) {
  ReferenceMatch match;
  for (std::size_t i = 0; i < references.size(); ++i) {
    match.comparisons.push_back(CompareCurves(curve, references[i].curve, options));
    const Comparison& c = match.comparisons.back();
    if (!match.best) {
      match.best = i;
      continue;
    }
    const Comparison& b = match.comparisons[*match.best];
    if (c.score > b.score || (c.score == b.score && WorstBands(c) < WorstBands(b))) match.best = i;
  }
  return match;
}

std::vector<std::string> MatchLines(const ReferenceMatch& match, const std::vector<NamedCurve>& references) {
  std::vector<std::string> lines;
  if (!match.best || *match.best >= references.size()) return lines;
  const Comparison& best = match.comparisons[*match.best];
  const std::string verdict = best.pass ? "PASS " : "FAIL ";
  const std::string name = references[*match.best].name;
  lines.push_back(verdict + Score(best.score) + (references.size() > 1 ? " best: " : " against ") + name);
  if (best.worst) {
    const Deviation& w = *best.worst;
    lines.push_back("worst at " + WithUnit(w.volts, "V") + ": off by " + WithUnit(std::fabs(w.deltaVolts), "V") +
                    ", " + WithUnit(std::fabs(w.deltaAmps), "A"));
  }
  if (references.size() > 1) {
    for (std::size_t i = 0; i < references.size(); ++i) {
      if (i == *match.best) continue;
      lines.push_back(std::string(match.comparisons[i].pass ? "pass " : "fail ") + Score(match.comparisons[i].score) +
                      " " + references[i].name);
    }
  }
  return lines;
}

}  // namespace kvt
