#include "analysis/part_statistics.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numeric>

#include "core/text_number.h"

namespace kvt {

double Percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return std::nan("");
  const double rank = std::clamp(p, 0.0, 100.0) / 100.0 * static_cast<double>(sorted.size() - 1);
  const auto below = static_cast<std::size_t>(std::floor(rank));
  const std::size_t above = std::min(below + 1, sorted.size() - 1);
  const double share = rank - static_cast<double>(below);
  return sorted[below] + share * (sorted[above] - sorted[below]);
}

namespace {

// The smallest of 1, 2 or 5 times a power of ten that is at least `width`.
double NiceWidthAtLeast(double width) {
  const double decade = std::pow(10.0, std::floor(std::log10(width)));
  for (double step : {1.0, 2.0, 5.0, 10.0})
    if (step * decade >= width * (1 - 1e-12)) return step * decade;
  return 10 * decade;
}

}  // namespace

Histogram MakeHistogram(const std::vector<double>& values, double finest, int maxBins) {
  Histogram h;
  if (values.empty()) return h;
  std::vector<double> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  const double lo = sorted.front(), hi = sorted.back();
  const double n = static_cast<double>(sorted.size());
  double width = 2 * (Percentile(sorted, 75) - Percentile(sorted, 25)) / std::cbrt(n);
  // Values bunched into their middle (IQR 0) still spread at the ends.
  if (!(width > 0)) width = (hi - lo) / std::max(1.0, std::ceil(std::sqrt(n)));
  width = std::max(width, finest);
  if (!(width > 0)) width = std::max(std::abs(lo) * 1e-3, 1e-12);  // all alike, nothing known of their scatter
  width = NiceWidthAtLeast(width);
  maxBins = std::max(maxBins, 1);
  double first = std::floor(lo / width) * width;
  auto binsFor = [&](double w) { return std::max(1.0, std::floor((hi - first) / w) + 1); };
  while (binsFor(width) > maxBins) {
    width = NiceWidthAtLeast(width * 1.5);
    first = std::floor(lo / width) * width;
  }
  const int bins = static_cast<int>(binsFor(width));
  for (int i = 0; i <= bins; ++i) h.edges.push_back(first + i * width);
  // Rounding must not leave the largest value beyond the last edge.
  if (h.edges.back() < hi) h.edges.push_back(h.edges.back() + width);
  h.counts.assign(h.edges.size() - 1, 0);
  // Counted against the edges themselves, so a value on an edge lands where
  // the edges say.
  const int last = static_cast<int>(h.counts.size()) - 1;
  for (double v : sorted) {
    const int i = static_cast<int>(std::upper_bound(h.edges.begin(), h.edges.end(), v) - h.edges.begin()) - 1;
    ++h.counts[std::clamp(i, 0, last)];
  }
  return h;
}

std::optional<ParameterSummary> Summarise(const FigureColumn& column) {
  std::vector<double> values, uncertainties;
  ParameterSummary s;
  for (const auto& figure : column) {
    if (!figure || !std::isfinite(figure->value)) {
      ++s.missing;
      continue;
    }
    values.push_back(figure->value);
    uncertainties.push_back(figure->uncertainty);
  }
  if (values.empty()) return std::nullopt;
  s.count = static_cast<int>(values.size());
  std::sort(values.begin(), values.end());
  std::sort(uncertainties.begin(), uncertainties.end());
  s.mean = std::accumulate(values.begin(), values.end(), 0.0) / s.count;
  double squares = 0;
  for (double v : values) squares += (v - s.mean) * (v - s.mean);
  s.std = s.count > 1 ? std::sqrt(squares / (s.count - 1)) : 0.0;
  s.min = values.front();
  s.max = values.back();
  s.p5 = Percentile(values, 5);
  s.p25 = Percentile(values, 25);
  s.p50 = Percentile(values, 50);
  s.p75 = Percentile(values, 75);
  s.p95 = Percentile(values, 95);
  s.typicalUncertainty = Percentile(uncertainties, 50);
  s.histogram = MakeHistogram(values, s.typicalUncertainty);
  return s;
}

bool BinLimit::Holds(double v) const {
  switch (op) {
    case Op::Less: return v < value;
    case Op::LessEqual: return v <= value;
    case Op::Greater: return v > value;
    case Op::GreaterEqual: return v >= value;
  }
  return false;
}

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// A limit's text cut at its comparison signs: operands and the signs between.
struct Pieces {
  std::vector<std::string_view> operands;
  std::vector<BinLimit::Op> ops;
};

Pieces Cut(std::string_view text) {
  Pieces p;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c != '<' && c != '>') {
      ++i;
      continue;
    }
    p.operands.push_back(Trim(text.substr(start, i - start)));
    const bool equal = i + 1 < text.size() && text[i + 1] == '=';
    p.ops.push_back(c == '<' ? (equal ? BinLimit::Op::LessEqual : BinLimit::Op::Less)
                             : (equal ? BinLimit::Op::GreaterEqual : BinLimit::Op::Greater));
    i += equal ? 2 : 1;
    start = i;
  }
  p.operands.push_back(Trim(text.substr(start)));
  return p;
}

bool Rising(BinLimit::Op op) { return op == BinLimit::Op::Less || op == BinLimit::Op::LessEqual; }

// "a < x" read from the parameter's side: "x > a".
BinLimit::Op Mirrored(BinLimit::Op op) {
  switch (op) {
    case BinLimit::Op::Less: return BinLimit::Op::Greater;
    case BinLimit::Op::LessEqual: return BinLimit::Op::GreaterEqual;
    case BinLimit::Op::Greater: return BinLimit::Op::Less;
    case BinLimit::Op::GreaterEqual: return BinLimit::Op::LessEqual;
  }
  return op;
}

bool ParseLimit(std::string_view text, std::vector<BinLimit>& limits, std::string& error) {
  if (text.empty()) {
    error = "an empty limit beside a comma";
    return false;
  }
  const Pieces p = Cut(text);
  if (p.ops.empty()) {
    error = "\"" + std::string(text) + "\" has no < or >; write a limit as vf<0.6 or 0.6<=vf<0.62";
    return false;
  }
  if (p.ops.size() > 2) {
    error = "\"" + std::string(text) + "\" has more than two comparisons";
    return false;
  }
  for (auto operand : p.operands) {
    if (operand.empty()) {
      error = "\"" + std::string(text) + "\" lacks a name or a number beside a < or >";
      return false;
    }
  }
  auto isName = [](std::string_view s) { return FindPartParameter(s) != nullptr; };
  // The parameter is the operand that is not a number.
  std::size_t nameAt = p.operands.size();
  for (std::size_t i = 0; i < p.operands.size(); ++i) {
    if (isName(p.operands[i])) {
      if (nameAt != p.operands.size()) {
        error = "\"" + std::string(text) + "\" compares two parameters; compare one with numbers";
        return false;
      }
      nameAt = i;
    }
  }
  if (nameAt == p.operands.size()) {
    std::string_view guess;
    for (auto operand : p.operands)
      if (!operand.empty() && std::isalpha(static_cast<unsigned char>(operand.front()))) guess = operand;
    error = guess.empty() ? "\"" + std::string(text) + "\" names no parameter; one of " + PartParameterList()
                          : "no parameter \"" + std::string(guess) + "\"; one of " + PartParameterList();
    return false;
  }
  if (p.ops.size() == 2) {
    if (nameAt != 1) {
      error = "\"" + std::string(text) + "\": in a two-sided limit the parameter stands between the numbers";
      return false;
    }
    if (Rising(p.ops[0]) != Rising(p.ops[1])) {
      error = "\"" + std::string(text) + "\": both signs of a two-sided limit point the same way";
      return false;
    }
  }
  const PartParameter& parameter = *FindPartParameter(p.operands[nameAt]);
  const std::string name = parameter.name;
  const std::string unit = parameter.unit;
  std::vector<BinLimit> found;
  for (std::size_t i = 0; i < p.operands.size(); ++i) {
    if (i == nameAt) continue;
    const auto value = QuantityOf(p.operands[i], unit);
    if (!value) {
      error = "\"" + std::string(p.operands[i]) + "\" is not a number" +
              (unit.empty() ? std::string() : " of " + unit + " (prefixes p n u m k may precede it: 600mV)") +
              " for " + name;
      return false;
    }
    // Read from the parameter's side: a number left of it mirrors the sign.
    const BinLimit::Op op = i < nameAt ? Mirrored(p.ops[i]) : p.ops[i - 1];
    found.push_back({name, op, *value});
  }
  if (found.size() == 2) {
    const bool rising = Rising(p.ops[0]);
    const double lower = rising ? found[0].value : found[1].value, upper = rising ? found[1].value : found[0].value;
    if (!(lower < upper)) {
      error = "\"" + std::string(text) + "\": its lower limit is not below its upper";
      return false;
    }
  }
  limits.insert(limits.end(), found.begin(), found.end());
  return true;
}

}  // namespace

std::optional<BinDefinition> ParseBin(std::string_view text, std::string* error) {
  std::string why;
  BinDefinition bin;
  bin.text = std::string(Trim(text));
  if (bin.text.empty()) why = "an empty bin; write it as vf<0.6 or 0.6<=vf<0.62,rd<30";
  std::string_view rest = bin.text;
  while (why.empty()) {
    const auto comma = rest.find(',');
    if (!ParseLimit(Trim(rest.substr(0, comma)), bin.limits, why)) break;
    if (comma == std::string_view::npos) break;
    rest = rest.substr(comma + 1);
  }
  if (!why.empty()) {
    if (error) *error = "bin \"" + bin.text + "\": " + why;
    return std::nullopt;
  }
  return bin;
}

std::optional<std::vector<BinDefinition>> ParseBins(std::string_view text, std::string* error) {
  std::vector<BinDefinition> bins;
  while (true) {
    const auto semicolon = text.find(';');
    auto bin = ParseBin(text.substr(0, semicolon), error);
    if (!bin) return std::nullopt;
    bins.push_back(std::move(*bin));
    if (semicolon == std::string_view::npos) return bins;
    text = text.substr(semicolon + 1);
  }
}

BinCounts AssignBins(const std::vector<BinDefinition>& bins, const PartTable& table, std::size_t partCount) {
  BinCounts result;
  result.parts.resize(partCount);
  result.counts.assign(bins.size(), 0);
  auto figureOf = [&](const std::string& name, std::size_t part) -> std::optional<MeasuredFigure> {
    const auto column = table.find(name);
    if (column == table.end() || part >= column->second.size()) return std::nullopt;
    const auto& figure = column->second[part];
    if (!figure || !std::isfinite(figure->value)) return std::nullopt;
    return figure;
  };
  for (std::size_t part = 0; part < partCount; ++part) {
    PartBin& placed = result.parts[part];
    for (std::size_t b = 0; b < bins.size() && placed.bin < 0; ++b) {
      bool fits = true, near = false;
      for (const BinLimit& limit : bins[b].limits) {
        const auto figure = figureOf(limit.parameter, part);
        if (!figure || !limit.Holds(figure->value)) {
          fits = false;
          break;
        }
        if (std::abs(figure->value - limit.value) <= figure->uncertainty) near = true;
      }
      if (fits) {
        placed = {static_cast<int>(b), near};
        ++result.counts[b];
      }
    }
    if (placed.bin < 0) ++result.unbinned;
  }
  return result;
}

}  // namespace kvt
